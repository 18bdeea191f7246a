// Damaged and lying files made from our own writers' output, shared by the tests and the fuzz
// seed maker; and a way to run a load in a child process with little memory.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "imagefile/codec/codec.h"

namespace orvane::test {

inline void Stripes(RasterImage& image, int w, int h) {
  image.Create(w, h, 24);
  for (int i = 0; i < w * h * 3; ++i) image.Pixels()[i] = static_cast<uint8_t>((i / 3) * 37 % 251);
}

inline std::vector<uint8_t> Encoded(const RasterImage& image, ImageWriter write) {
  std::vector<uint8_t> out;
  write(image, out);
  return out;
}

inline std::vector<uint8_t> GoodJpeg(bool progressive = false, int w = 64, int h = 48) {
  RasterImage image;
  Stripes(image, w, h);
  image.jpegProgressive = progressive;
  return Encoded(image, WriteJpeg);
}

// Offset of the first marker `code` (FF code) after SOI, or 0.
inline size_t FindMarker(const std::vector<uint8_t>& jpeg, uint8_t code, size_t from = 2) {
  for (size_t i = from; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return i;
  return 0;
}

// The frame header's height and width set to claim another size.
inline std::vector<uint8_t> JpegClaiming(std::vector<uint8_t> jpeg, uint16_t w, uint16_t h) {
  const size_t sof = FindMarker(jpeg, 0xC0) ? FindMarker(jpeg, 0xC0) : FindMarker(jpeg, 0xC2);
  jpeg[sof + 5] = static_cast<uint8_t>(h >> 8);
  jpeg[sof + 6] = static_cast<uint8_t>(h);
  jpeg[sof + 7] = static_cast<uint8_t>(w >> 8);
  jpeg[sof + 8] = static_cast<uint8_t>(w);
  return jpeg;
}

// Comment segments of `bytes` bytes in all, inserted after SOI: room without picture data.
inline std::vector<uint8_t> JpegPadded(std::vector<uint8_t> jpeg, size_t bytes) {
  std::vector<uint8_t> pad;
  while (bytes > 0) {
    const size_t n = std::min<size_t>(bytes, 65000);
    pad.insert(pad.end(), {0xFF, 0xFE, static_cast<uint8_t>((n + 2) >> 8), static_cast<uint8_t>(n + 2)});
    pad.insert(pad.end(), n, 'x');
    bytes -= n;
  }
  jpeg.insert(jpeg.begin() + 2, pad.begin(), pad.end());
  return jpeg;
}

// The end of the start-of-scan header: where the entropy-coded data begins.
inline size_t JpegScanData(const std::vector<uint8_t>& jpeg) {
  const size_t sos = FindMarker(jpeg, 0xDA);
  return sos + 2 + ((jpeg[sos + 2] << 8) | jpeg[sos + 3]);
}

// A progressive file whose last scan is repeated until the file has `scans` scans.
inline std::vector<uint8_t> JpegWithScans(int scans) {
  std::vector<uint8_t> jpeg = GoodJpeg(true, 16, 16);
  size_t last = 0, count = 0;
  for (size_t at = FindMarker(jpeg, 0xDA); at != 0; at = FindMarker(jpeg, 0xDA, at + 2)) {
    last = at;
    ++count;
  }
  const std::vector<uint8_t> scan(jpeg.begin() + static_cast<long>(last), jpeg.end() - 2);
  std::vector<uint8_t> out(jpeg.begin(), jpeg.end() - 2);
  for (size_t i = count; i < static_cast<size_t>(scans); ++i) out.insert(out.end(), scan.begin(), scan.end());
  out.insert(out.end(), {0xFF, 0xD9});
  return out;
}

// TIFF: the IFD entry of `tag` (offset of its 12 bytes), little-endian files of our writer.
inline size_t TiffEntry(const std::vector<uint8_t>& tif, uint16_t tag) {
  auto u16 = [&](size_t at) { return static_cast<uint32_t>(tif[at] | (tif[at + 1] << 8)); };
  const size_t ifd = tif[4] | (tif[5] << 8) | (tif[6] << 16) | (static_cast<size_t>(tif[7]) << 24);
  const uint32_t n = u16(ifd);
  for (uint32_t i = 0; i < n; ++i)
    if (u16(ifd + 2 + i * 12) == tag) return ifd + 2 + i * 12;
  return 0;
}

inline void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Sets a one-value SHORT or LONG field in place.
inline void SetTiffValue(std::vector<uint8_t>& tif, uint16_t tag, uint32_t value) {
  const size_t e = TiffEntry(tif, tag);
  if (e == 0) return;
  if (tif[e + 2] == 3) {
    tif[e + 8] = static_cast<uint8_t>(value);
    tif[e + 9] = static_cast<uint8_t>(value >> 8);
  } else {
    PutLe32(tif, e + 8, value);
  }
}

inline std::vector<uint8_t> GoodTiff(int compression, int w = 40, int h = 30) {
  RasterImage image;
  Stripes(image, w, h);
  image.tiffCompression = compression;
  return Encoded(image, WriteTiff);
}

// One strip (our writer's strips hold 8 KB or more) whose data is overwritten with noise.
inline std::vector<uint8_t> TiffGarbageData(int compression) {
  std::vector<uint8_t> tif = GoodTiff(compression);
  const size_t e = TiffEntry(tif, 273);
  const size_t offset = tif[e + 8] | (tif[e + 9] << 8) | (tif[e + 10] << 16);
  for (size_t i = offset + 2; i < offset + 200 && i < tif.size(); ++i) tif[i] = static_cast<uint8_t>(i * 89 + 13);
  return tif;
}

// The strip offset moved past the end of the file.
inline std::vector<uint8_t> TiffMissingStrip() {
  std::vector<uint8_t> tif = GoodTiff(1);
  SetTiffValue(tif, 273, static_cast<uint32_t>(tif.size() + 4096));
  return tif;
}

// A small file claiming 32767 x 32767 pixels in one-row strips.
inline std::vector<uint8_t> TiffClaimingHuge() {
  std::vector<uint8_t> tif = GoodTiff(8, 8, 4);
  SetTiffValue(tif, 256, 32767);
  SetTiffValue(tif, 257, 32767);
  SetTiffValue(tif, 278, 1);
  return tif;
}

// A 64 x 64 run-length (RLE8) bitmap, whole or cut after a quarter of its pixel data.
inline std::vector<uint8_t> BmpRle8(bool cut) {
  std::vector<uint8_t> data;
  for (int y = 0; y < 64; ++y) {
    for (int run = 0; run < 8; ++run) data.insert(data.end(), {8, static_cast<uint8_t>((y + run) * 29)});
    data.insert(data.end(), {0, 0});  // end of line
  }
  data.insert(data.end(), {0, 1});  // end of bitmap
  const uint32_t pixels = 14 + 40 + 256 * 4;
  std::vector<uint8_t> bmp(pixels, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutLe32(bmp, 2, static_cast<uint32_t>(pixels + data.size()));
  PutLe32(bmp, 10, pixels);
  PutLe32(bmp, 14, 40);
  PutLe32(bmp, 18, 64);
  PutLe32(bmp, 22, 64);
  bmp[26] = 1;
  bmp[28] = 8;
  PutLe32(bmp, 30, 1);  // RLE8
  PutLe32(bmp, 34, static_cast<uint32_t>(data.size()));
  PutLe32(bmp, 46, 256);
  for (int i = 0; i < 256; ++i) {
    bmp[54 + i * 4] = static_cast<uint8_t>(i);
    bmp[54 + i * 4 + 1] = static_cast<uint8_t>(255 - i);
    bmp[54 + i * 4 + 2] = static_cast<uint8_t>(i / 2);
  }
  bmp.insert(bmp.end(), data.begin(), data.begin() + static_cast<long>(cut ? data.size() / 4 : data.size()));
  return bmp;
}

// The address space or data size (resource) now in use, from /proc/self/status.
inline uint64_t ProcessBytes(const char* field) {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return 0;
  char line[256];
  unsigned long long kb = 0;
  const size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, field, n) == 0 && line[n] == ':') std::sscanf(line + n + 1, "%llu", &kb);
  }
  std::fclose(f);
  return kb * 1024;
}

// Runs body in a child process allowed `extra` bytes more than it uses now: of address space
// (RLIMIT_AS), or of private writable memory (RLIMIT_DATA), which a read-only mapping of a
// file does not count against. Returns body's result (0…255), or -1 when the child died.
// A regression then fails here instead of eating the machine.
inline int RunWithMemoryLimit(int resource, uint64_t extra, const std::function<int()>& body) {
  const uint64_t used = ProcessBytes(resource == RLIMIT_AS ? "VmSize" : "VmData");
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const rlimit limit{used + extra, used + extra};
    if (setrlimit(resource, &limit) != 0) _exit(255);
    _exit(body() & 0xFF);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace orvane::test
