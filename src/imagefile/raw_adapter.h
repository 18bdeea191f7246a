// The camera raw adapter: runs the raw decoder (LibRaw) with fixed options and turns its
// 16-bit linear picture into a 24-bit block with our own flip, white point and tone table.
// The steps are separate functions so that each can be checked on its own.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imagefile/raster_image.h"
#include "imagefile/raw_decoder.h"

namespace orvane {

inline constexpr int kRawHistogramBins = 0x2000;

// What the adapter reads from the decoder after a decode.
struct RawDecodeState {
  const uint16_t (*image)[4] = nullptr;  // width x height pixels, channels 0..2 red, green, blue
  int width = 0;
  int height = 0;
  int colours = 0;                              // channels that have a histogram (at most 4)
  const int (*histogram)[kRawHistogramBins] = nullptr;
  int rotatedWidth = 0;                         // nonzero for sensors turned by 45 degrees
  double brightness = 1.0;
  bool gamma = true;
  int flip = 0;  // bit 0 mirror columns, bit 1 mirror rows, bit 2 exchange rows and columns
};

// Re-arranges a 16-bit four-channel image by the flip code into a new block of the same size;
// width and height are exchanged when bit 2 is set. Null (and sizes unchanged) when memory
// is short.
PixelBlock FlipRawImage(const uint16_t (*image)[4], int& width, int& height, int flip);

// The white point: the value above which about 1% of the pixels lie (half that for rotated
// sensors), the largest over the channels, times 8 / brightness.
int RawWhitePoint(const int (*histogram)[kRawHistogramBins], int colours, int width, int height,
                  int rotatedWidth, double brightness);

// The 65536-entry table from 16-bit values to bytes: linear up to white, or with the
// BT.709-style curve when gamma is set.
void BuildRawToneTable(int white, bool gamma, uint8_t* table);

// The whole conversion of a decoded state: flip, white point, table, 24-bit block. Null when
// there is no image or memory is short; width and height are set to the block's size (0 and 0
// without one).
PixelBlock ConvertRawState(const RawDecodeState& state, int& width, int& height);

// Decodes a camera raw file held in memory (used by the fuzz target and the tests). Like
// DecodeRawFile it runs the decoder in the helper program.
PixelBlock DecodeRawBuffer(std::span<const uint8_t> file, int& width, int& height);

// The decoder itself, in the calling process. Only the helper program calls these: a damaged
// file can crash the decoder.
PixelBlock DecodeRawFileHere(const std::string& path, int& width, int& height);
PixelBlock DecodeRawBufferHere(std::span<const uint8_t> file, int& width, int& height);

// The helper's answer on a descriptor: width and height as two int32 (0 and 0 without a
// picture), then width x height x 3 bytes. False when the descriptor fails.
bool SendRawAnswer(int fd, const PixelBlock& block, int width, int height);

// How long the helper may take before it is stopped and the file counts as no raw picture: a
// damaged file can send the decoder round in circles, and Load must end. Decoding the largest
// camera files takes seconds.
inline constexpr int kRawHelperTimeoutMs = 60000;

// DecodeRawFile with the helper program named and its time limit: the tests put failing ones in
// its place.
PixelBlock DecodeRawFileWith(const std::string& helper, const std::string& path, int& width,
                             int& height, int timeoutMs = kRawHelperTimeoutMs);

// The helper program: "--file PATH" decodes a file, "--stdin" the bytes read from standard
// input; the answer goes to standard output.
inline constexpr const char* kRawHelperName = "orvane-raw-helper";

}  // namespace orvane
