// The clipboard's packed bitmap (no file header) through the paste conversion.
#include <span>

#include "imagefile/codec/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orvane::RasterImage image;
  const int rc = orvane::ConvertClipboardDib(std::span<const uint8_t>(data, size), image);
  if (rc == orvane::kOk) {
    if (image.IsEmpty() || image.BitsPerPixel() != 24) __builtin_trap();
    volatile uint8_t sink = 0;
    const uint64_t n = uint64_t(image.Width()) * image.Height() * 3;
    for (uint64_t i = 0; i < n; ++i) sink = sink ^ image.Pixels()[i];
  } else if (!image.IsEmpty()) {
    __builtin_trap();
  }
  return 0;
}
