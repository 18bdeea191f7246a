// Small generated pictures for the pipeline tests.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace orvane::test {

// Packed pixels (red, green, blue, 255) with every colour byte set to value.
inline std::vector<uint8_t> FlatPacked(int w, int h, uint8_t value) {
  std::vector<uint8_t> p(static_cast<size_t>(w) * h * 4, value);
  for (size_t i = 3; i < p.size(); i += 4) p[i] = 255;
  return p;
}

inline void SetPacked(std::vector<uint8_t>& p, int w, int x, int y, uint8_t value) {
  uint8_t* px = &p[(static_cast<size_t>(y) * w + x) * 4];
  px[0] = px[1] = px[2] = value;
}

inline uint8_t Red(const std::vector<uint8_t>& p, int w, int x, int y) {
  return p[(static_cast<size_t>(y) * w + x) * 4];
}

// Random packed pixels around a smooth ramp: something with edges and noise.
inline std::vector<uint8_t> NoisyPacked(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(-30, 30);
  std::vector<uint8_t> p(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) {
        int v = c == 3 ? 255 : (x * 255 / w + (y > h / 2 ? 60 : 0) + noise(rng));
        p[(static_cast<size_t>(y) * w + x) * 4 + c] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
      }
  return p;
}

}  // namespace orvane::test
