#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "engine/noise_reduce.h"

namespace orvane::testing {

// A block that looks like a noisy photograph: smooth gradients and an edge, plus noise, with
// byte 3 set to a marker that the engine must never touch.
inline std::vector<uint8_t> NoisyBlock(int width, int height, int64_t stride, uint32_t seed) {
  std::vector<uint8_t> buf(static_cast<size_t>(stride) * height, 0xA5);
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0.0, 12.0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* px = buf.data() + static_cast<int64_t>(y) * stride + 4 * x;
      const double base[3] = {60.0 + 120.0 * x / width, 200.0 - 150.0 * y / height,
                              (x > width / 2) ? 220.0 : 30.0};
      for (int c = 0; c < 3; ++c) {
        double v = base[c] + noise(rng);
        px[c] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
      }
      px[3] = static_cast<uint8_t>(x * 7 + y * 13);
    }
  }
  return buf;
}

inline NoiseReduceParams Params(int levels, double noiseLevel, int perChannel) {
  NoiseReduceParams p{};
  p.version = 1;
  p.levels = levels;
  p.noiseLevel = noiseLevel;
  p.perChannel = perChannel;
  return p;
}

}  // namespace orvane::testing
