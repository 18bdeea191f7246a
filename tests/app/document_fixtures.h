// Pictures on disk for the document tests, written by our own writers.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "imagefile/raster_image.h"
#include "app/document.h"

namespace orvane::test {

// A minimal EXIF payload: camera make "Test" and the given orientation.
inline std::vector<uint8_t> ExifWithOrientation(int orientation) {
  std::vector<uint8_t> b = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0, 8, 0, 0, 0};
  auto u16 = [&](int v) { b.push_back(v & 0xFF); b.push_back((v >> 8) & 0xFF); };
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF); };
  u16(2);
  u16(0x010F); u16(2); u32(5); u32(38);          // Make, ASCII, at offset 38
  u16(0x0112); u16(3); u32(1); u16(orientation); u16(0);
  u32(0);
  for (char c : std::string("Test")) b.push_back(static_cast<uint8_t>(c));
  b.push_back(0);
  return b;
}

// A noisy colour picture: gradients plus a few hard edges plus pseudo-random noise.
inline void FillPhoto(RasterImage& image, int w, int h, unsigned seed = 1) {
  ASSERT_EQ(image.Create(w, h, 24), kOk);
  uint32_t s = seed * 2654435761u + 1;
  uint8_t* p = image.Pixels();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      s = s * 1664525u + 1013904223u;
      const int n = static_cast<int>((s >> 24) % 41) - 20;
      const int base[3] = {x * 200 / w + 30, y * 180 / h + 40, (x / 16 + y / 16) % 2 ? 170 : 70};
      for (int c = 0; c < 3; ++c) {
        const int v = base[c] + n;
        *p++ = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
      }
    }
}

// A 1-bit Windows bitmap (black and white) as a scanner writes it: a checkerboard of 4-pixel
// squares, so that every row and both palette entries are used.
inline void WriteBilevelBmp(const std::string& path, int w, int h) {
  const uint32_t stride = ((w + 31) / 32) * 4;
  const uint32_t offset = 14 + 40 + 8;
  std::vector<uint8_t> b;
  auto u16 = [&](uint32_t v) { b.push_back(v & 0xFF); b.push_back((v >> 8) & 0xFF); };
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF); };
  b.push_back('B');
  b.push_back('M');
  u32(offset + stride * h); u16(0); u16(0); u32(offset);
  u32(40); u32(w); u32(h); u16(1); u16(1); u32(0); u32(stride * h); u32(2835); u32(2835);
  u32(2); u32(0);
  u32(0x000000); u32(0xFFFFFF);  // black, white
  for (int y = h - 1; y >= 0; --y) {
    std::vector<uint8_t> row(stride, 0);
    for (int x = 0; x < w; ++x)
      if (((x / 4) + (y / 4)) % 2) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
}

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/orvane_doc_XXXXXX";
    if (mkdtemp(pattern) != nullptr) root_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  std::string path(const std::string& name) const { return root_ + "/" + name; }
  const std::string& root() const { return root_; }

 private:
  std::string root_;
};

// Records what the document tells whoever shows it.
class RecordingObserver : public DocumentObserver {
 public:
  std::vector<unsigned> changes;
  void documentChanged(unsigned what, const void*) override { changes.push_back(what); }
  // Whether any notification since the last clear named all of these.
  bool told(unsigned what) const {
    for (unsigned c : changes)
      if ((c & what) == what) return true;
    return false;
  }
};

}  // namespace orvane::test
