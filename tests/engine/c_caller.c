/* The engine's header must serve a plain C caller. */
#include "engine/noise_reduce.h"

int CallerVersionQuery(uint8_t* out) { return NoiseReduce(0, 0, 0, out, 0); }

int CallerInvalidBlock(uint8_t* buffer) {
  NoiseReduceParams params = {1, 5, 10.0, 1, 0, 0};
  return NoiseReduce(31, 100, -1, buffer, &params);
}
