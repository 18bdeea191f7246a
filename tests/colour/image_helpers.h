// Small pictures made by test code.
#pragma once

#include <cstdint>
#include <functional>

#include "imagefile/raster_image.h"

namespace orvane {

// A 24-bit picture whose pixel (x, y) is colour(x, y) as {r, g, b}.
inline void MakeImage(RasterImage& image, int width, int height,
                      const std::function<void(int, int, uint8_t*)>& colour) {
  image.Create(width, height, 24);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) colour(x, y, image.Pixels() + (y * width + x) * 3);
  }
}

inline void MakeGrey(RasterImage& image, int width, int height, uint8_t v) {
  MakeImage(image, width, height, [v](int, int, uint8_t* p) { p[0] = p[1] = p[2] = v; });
}

}  // namespace orvane
