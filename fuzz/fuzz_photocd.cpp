// Loading a PhotoCD file from arbitrary bytes: only inputs with the mark at 2048 and the whole
// base image reach the decoder, so this mostly checks that everything else is refused.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return orvane::FuzzLoad(data, size, "fuzz.pcd");
}
