// Kodak PhotoCD: of the resolutions in a file only the 768 x 512 base image is read. It lies
// at sector 96 as pairs of luma rows followed by one row each of the two chroma planes, which
// are sampled at half the resolution in both directions.
#include <algorithm>
#include <cstring>

#include "imagefile/codec/codec.h"
#include "imagefile/codec/picture.h"

namespace orvane {
namespace {

constexpr int kWidth = 768;
constexpr int kHeight = 512;
constexpr size_t kBaseOffset = 96 * 2048;
constexpr size_t kPairBytes = 2 * kWidth + 2 * (kWidth / 2);
constexpr size_t kBaseBytes = kPairBytes * (kHeight / 2);

inline uint8_t Clamp255(double v) {
  if (v <= 0) return 0;
  if (v >= 255) return 255;
  return static_cast<uint8_t>(v + 0.5);
}

}  // namespace

// PhotoYCC to red, green, blue: luma scaled by 1.3584, chroma centred on 156 and 137. Values
// beyond the display range (the format keeps headroom above white) are clipped.
void PhotoYccToRgb(uint8_t y, uint8_t c1, uint8_t c2, uint8_t* rgb) {
  const double l = 1.3584 * y;
  const double cb = 2.2179 * (c1 - 156.0);
  const double cr = 1.8215 * (c2 - 137.0);
  rgb[0] = Clamp255(l + cr);
  rgb[1] = Clamp255(l - 0.194 * cb - 0.509 * cr);
  rgb[2] = Clamp255(l + cb);
}

int DecodePhotoCd(std::span<const uint8_t> file, const DecodeRequest&, Picture& p) {
  if (!IsPhotoCd(file)) return kBadFile;
  if (file.size() < kBaseOffset + kBaseBytes) return kBadFile;
  int rc = AllocatePicture(p, kWidth, kHeight, 24);
  if (rc != kOk) return rc;
  const uint8_t* base = file.data() + kBaseOffset;
  for (int pair = 0; pair < kHeight / 2; ++pair) {
    const uint8_t* luma = base + pair * kPairBytes;
    const uint8_t* c1 = luma + 2 * kWidth;
    const uint8_t* c2 = c1 + kWidth / 2;
    for (int r = 0; r < 2; ++r) {
      uint8_t* d = p.pixels.get() + (static_cast<size_t>(pair) * 2 + r) * kWidth * 3;
      for (int x = 0; x < kWidth; ++x)
        PhotoYccToRgb(luma[r * kWidth + x], c1[x / 2], c2[x / 2], d + 3 * x);
    }
  }
  return kOk;
}

}  // namespace orvane
