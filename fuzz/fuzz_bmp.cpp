// Loading a file named as bmp from arbitrary bytes (detection, reader, widening).
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return orvane::FuzzLoad(data, size, "fuzz.bmp");
}
