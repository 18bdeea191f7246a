// Wireless bitmap, type 0: type and header bytes, width and height as multi-byte integers
// (seven bits per byte, high bit = more follows), then rows of one bit per pixel, 1 white.
#include <cstring>

#include "imagefile/codec/codec.h"
#include "imagefile/codec/picture.h"

namespace orvane {
namespace {

// Reads one multi-byte integer; false when it runs past the data or past 2^28.
bool ReadMultiByte(std::span<const uint8_t> s, size_t& pos, uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    if (pos >= s.size()) return false;
    const uint8_t b = s[pos++];
    value = (value << 7) | (b & 0x7F);
    if (!(b & 0x80)) return true;
  }
  return false;
}

void PutMultiByte(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = value & 0x7F;
    value >>= 7;
  } while (value != 0);
  while (n > 1) out.push_back(static_cast<uint8_t>(groups[--n] | 0x80));
  out.push_back(groups[0]);
}

}  // namespace

int DecodeWbmp(std::span<const uint8_t> file, const DecodeRequest&, Picture& p) {
  size_t pos = 0;
  uint32_t type = 0, width = 0, height = 0;
  if (!ReadMultiByte(file, pos, type)) return kBadFile;
  if (type != 0) return kUnsupportedFile;
  if (pos >= file.size()) return kBadFile;
  const uint8_t fixedHeader = file[pos++];
  if (fixedHeader & 0x9F) return kUnsupportedFile;  // extension headers are not part of type 0
  if (!ReadMultiByte(file, pos, width) || !ReadMultiByte(file, pos, height)) return kBadFile;
  if (width == 0 || height == 0) return kBadFile;
  const uint64_t rowBytes = (uint64_t{width} + 7) / 8;
  if (rowBytes * height > file.size() - pos) return kBadFile;
  int rc = AllocatePicture(p, width, height, 1);
  if (rc != kOk) return rc;
  std::memcpy(p.pixels.get(), file.data() + pos, rowBytes * height);
  p.palette[0] = Rgb(0, 0, 0);
  p.palette[1] = Rgb(255, 255, 255);
  p.paletteSize = 2;
  return kOk;
}

int WriteWbmp(const RasterImage& image, std::vector<uint8_t>& out) {
  if (image.IsEmpty()) return kInvalidArgument;
  RasterImage two;
  int rc = image.ToTwoColour(two, image.monoThreshold);
  if (rc != kOk) return rc;
  const int w = two.Width(), h = two.Height();
  out.clear();
  out.push_back(0);  // type 0
  out.push_back(0);  // no extension headers
  PutMultiByte(out, static_cast<uint32_t>(w));
  PutMultiByte(out, static_cast<uint32_t>(h));
  const size_t rowBytes = (static_cast<size_t>(w) + 7) / 8;
  const size_t start = out.size();
  out.resize(start + rowBytes * h, 0);
  const uint8_t* s = two.Pixels();
  for (int y = 0; y < h; ++y) {
    uint8_t* d = out.data() + start + rowBytes * y;
    for (int x = 0; x < w; ++x)
      if (s[static_cast<size_t>(y) * w + x]) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  return kOk;
}

}  // namespace orvane
