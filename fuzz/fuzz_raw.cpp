// LibRaw through our adapter on in-memory data: identification, decoding and our conversion.
#include <span>

#include "imagefile/raw_adapter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int width = -1, height = -1;
  orvane::PixelBlock block =
      orvane::DecodeRawBuffer(std::span<const uint8_t>(data, size), width, height);
  if (!block) {
    if (width != 0 || height != 0) __builtin_trap();
    return 0;
  }
  if (width <= 0 || height <= 0) __builtin_trap();
  volatile uint8_t sink = 0;
  const uint64_t n = uint64_t(width) * height * 3;
  for (uint64_t i = 0; i < n; ++i) sink = sink ^ block[i];
  return 0;
}
