// orvane-make-sample OUT [WIDTH HEIGHT [SEED [ORIENTATION]]]: writes a noisy test photograph.
//
// A made-up outdoor scene (sky, sun, hills, a striped field) with strong sensor-like noise, as a
// JPEG with a small EXIF block (camera make and model, date, orientation, exposure, ISO), or in
// the type the name's extension says. Used by `make run`, the command-line tests and the
// benchmark, so that nothing has to be downloaded.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "imagefile/raster_image.h"

namespace {

using orvane::RasterImage;

// A little-endian TIFF directory writer, just enough for a camera block.
class ExifBuilder {
 public:
  std::vector<uint8_t> build(int orientation) {
    // IFD0: Make, Model, Orientation, DateTime, ExifIFD pointer. Exif IFD: ExposureTime, ISO.
    std::vector<uint8_t> tiff = {'I', 'I', 0x2A, 0, 8, 0, 0, 0};
    const std::string make = "Quillmark Test Optics";
    const std::string model = "QT-1";
    const std::string date = "2026:12:09 10:30:00";
    const uint32_t ifd0 = 8, ifd0Size = 2 + 5 * 12 + 4;
    const uint32_t exifIfd = ifd0 + ifd0Size, exifSize = 2 + 2 * 12 + 4;
    uint32_t data = exifIfd + exifSize;
    const uint32_t makeAt = data; data += make.size() + 1;
    const uint32_t modelAt = data; data += model.size() + 1;
    const uint32_t dateAt = data; data += date.size() + 1;
    const uint32_t rationalAt = data; data += 8;
    tiff.resize(data, 0);
    auto put16 = [&](uint32_t at, int v) { tiff[at] = v & 0xFF; tiff[at + 1] = (v >> 8) & 0xFF; };
    auto put32 = [&](uint32_t at, uint32_t v) { for (int i = 0; i < 4; ++i) tiff[at + i] = (v >> (8 * i)) & 0xFF; };
    auto entry = [&](uint32_t at, int tag, int type, uint32_t count, uint32_t value) {
      put16(at, tag); put16(at + 2, type); put32(at + 4, count); put32(at + 8, value);
    };
    put16(ifd0, 5);
    entry(ifd0 + 2, 0x010F, 2, make.size() + 1, makeAt);
    entry(ifd0 + 14, 0x0110, 2, model.size() + 1, modelAt);
    entry(ifd0 + 26, 0x0112, 3, 1, static_cast<uint32_t>(orientation));
    entry(ifd0 + 38, 0x0132, 2, date.size() + 1, dateAt);
    entry(ifd0 + 50, 0x8769, 4, 1, exifIfd);
    put32(ifd0 + 62, 0);
    put16(exifIfd, 2);
    entry(exifIfd + 2, 0x829A, 5, 1, rationalAt);  // exposure 1/125 s
    entry(exifIfd + 14, 0x8827, 3, 1, 3200);        // ISO 3200
    put32(exifIfd + 26, 0);
    auto text = [&](uint32_t at, const std::string& s) { for (size_t i = 0; i < s.size(); ++i) tiff[at + i] = s[i]; };
    text(makeAt, make);
    text(modelAt, model);
    text(dateAt, date);
    put32(rationalAt, 1);
    put32(rationalAt + 4, 125);
    std::vector<uint8_t> block = {'E', 'x', 'i', 'f', 0, 0};
    block.insert(block.end(), tiff.begin(), tiff.end());
    return block;
  }
};

uint32_t Next(uint32_t& s) {
  s ^= s << 13;
  s ^= s >> 17;
  s ^= s << 5;
  return s;
}

// Roughly normal noise from the sum of four uniform numbers.
int Noise(uint32_t& s, int sigma) {
  int sum = 0;
  for (int i = 0; i < 4; ++i) sum += static_cast<int>(Next(s) & 0xFFFF) - 32768;
  return static_cast<int>(static_cast<int64_t>(sum) * sigma / 37837);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: orvane-make-sample OUT [WIDTH HEIGHT [SEED [ORIENTATION]]]\n");
    return 2;
  }
  const std::string out = argv[1];
  const int w = argc > 3 ? std::atoi(argv[2]) : 1200;
  const int h = argc > 3 ? std::atoi(argv[3]) : 800;
  uint32_t seed = argc > 4 ? static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10)) | 1u : 12345u;
  const int orientation = argc > 5 ? std::atoi(argv[5]) : 1;
  if (w < 1 || h < 1 || w > 20000 || h > 20000 || orientation < 1 || orientation > 8) {
    std::fprintf(stderr, "orvane-make-sample: size or orientation out of range\n");
    return 2;
  }
  RasterImage img;
  if (img.Create(w, h, 24) != orvane::kOk) {
    std::fprintf(stderr, "orvane-make-sample: not enough memory\n");
    return 1;
  }
  uint8_t* p = img.Pixels();
  const double sunX = w * 0.72, sunY = h * 0.25, sunR = h * 0.09;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double fx = static_cast<double>(x) / w, fy = static_cast<double>(y) / h;
      const double hill = 0.55 + 0.08 * std::sin(fx * 9.0) + 0.05 * std::sin(fx * 23.0 + 1.0);
      double r, g, b;
      if (fy < hill) {
        r = 90 + 110 * fy; g = 140 + 80 * fy; b = 230 - 40 * fy;  // sky
        const double d = std::hypot(x - sunX, y - sunY);
        if (d < sunR) r = 255, g = 236, b = 180;
        else if (d < sunR * 2) { const double t = (d - sunR) / sunR; r += (1 - t) * 60; g += (1 - t) * 40; }
      } else {
        const bool stripe = (static_cast<int>((fx * 40 + fy * 25)) % 2) == 0;
        r = stripe ? 70 : 95; g = stripe ? 120 : 145; b = stripe ? 40 : 60;  // field
        r -= 40 * (fy - hill); g -= 50 * (fy - hill);
      }
      const int lum = Noise(seed, 10), chroma = 7;
      const int v[3] = {static_cast<int>(r) + lum + Noise(seed, chroma),
                        static_cast<int>(g) + lum + Noise(seed, chroma),
                        static_cast<int>(b) + lum + Noise(seed, chroma)};
      for (int c = 0; c < 3; ++c) *p++ = static_cast<uint8_t>(v[c] < 0 ? 0 : v[c] > 255 ? 255 : v[c]);
    }
  }
  img.jpegQuality = 92;
  img.exifBlock = ExifBuilder().build(orientation);
  // The pixels are written as they are; the block's orientation only tells viewers how to turn them.
  img.orientation = 1;
  const int rc = img.Save(out);
  if (rc != orvane::kOk) {
    std::fprintf(stderr, "orvane-make-sample: %s: cannot write (code %d)\n", out.c_str(), rc);
    return 1;
  }
  return 0;
}
