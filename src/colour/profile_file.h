// Colour profile files (".cpf"): a thumbnail and the three cumulative distributions of a
// reference image, little-endian:
//   u32 0x00003021, length-prefixed name (written empty), i32 width, i32 height,
//   width*height*3 bytes red-green-blue, 256 records of three doubles (red, green, blue),
//   i32 -1.
// A file is read whole and checked before anything is handed out, so a damaged file never
// leaves a half-filled result behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "colour/colour_match.h"
#include "imagefile/result_words.h"  // the kProfile codes

namespace orvane {

struct ProfileData {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3, rows from the top
  ChannelDistributions distributions;
};

// Largest thumbnail side a reader accepts; the program writes at most 170 x 100.
constexpr int kMaxProfileSide = 4096;
// Files beyond this cannot be a profile of an accepted size with a sane name.
constexpr size_t kMaxProfileFileBytes = size_t{64} << 20;

constexpr uint32_t kProfileLeadingValue = 0x00003021;
constexpr size_t kProfileDistributionBytes = 256 * 3 * 8;

// The size of a file this program writes for a thumbnail of width x height.
size_t ProfileFileSize(int width, int height);

// Parses the bytes of a whole file into out; out is changed only on success.
int ParseProfile(std::span<const uint8_t> bytes, ProfileData& out);

// The file's bytes as this program writes them. pixels must hold width*height*3 bytes.
std::vector<uint8_t> SerializeProfile(int width, int height, const uint8_t* pixels,
                                      const ChannelDistributions& distributions);

// Reads a whole file and parses it. On failure out is untouched; the code's words
// (Result{ResultKind::kProfile, code, path}) say what went wrong.
int ReadProfileFile(const std::filesystem::path& path, ProfileData& out);

// Writes through a temporary file in the same folder that replaces path only when complete.
int WriteProfileFile(const std::filesystem::path& path, int width, int height,
                     const uint8_t* pixels, const ChannelDistributions& distributions);

}  // namespace orvane
