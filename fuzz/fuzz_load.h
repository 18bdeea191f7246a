// Shared by the loader fuzz targets: the whole chain after the raw decoder, from detection to
// widening, on the fuzzer's bytes. The first byte picks a size hint so scaled decoding is
// exercised too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "imagefile/raster_image.h"

namespace orvane {

inline int FuzzLoad(const uint8_t* data, size_t size, const std::string& name) {
  RasterImage image;
  if (size > 0 && (data[0] & 1)) image.SetDecodeSizeHint(16 + data[0] % 64, 16 + data[0] % 48);
  const int rc = image.LoadFromMemory(std::span<const uint8_t>(data, size), name);
  if (rc == kOk && image.IsEmpty()) __builtin_trap();  // success must mean pixels
  if (rc == kOk) {
    // Touch every byte so that a block shorter than its size shows up under ASan.
    volatile uint8_t sink = 0;
    const uint64_t n =
        RasterImage::ImageBytes(image.Width(), image.Height(), image.BitsPerPixel());
    for (uint64_t i = 0; i < n; ++i) sink = sink ^ image.Pixels()[i];
  }
  return 0;
}

}  // namespace orvane
