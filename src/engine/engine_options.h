// Knobs of the engine that the C contract does not carry: thread count, the allocator (so tests
// can make any allocation fail) and the instruction-set build of the inner loops.
#pragma once

#include <cstddef>

#include "engine/noise_reduce.h"

namespace orvane {

struct WaveletKernels;

struct EngineAllocator {
  void* (*allocate)(std::size_t bytes, void* context);  // null on failure
  void (*release)(void* block, std::size_t bytes, void* context);
  void* context;
};

// The allocator the engine uses when the options name none: large blocks mapped and asked for
// huge pages, small ones 64-byte aligned from the heap.
const EngineAllocator& DefaultEngineAllocator();

struct EngineOptions {
  int threads = 0;                              // 0: DefaultThreadCount()
  const EngineAllocator* allocator = nullptr;   // null: aligned heap memory
  const WaveletKernels* kernels = nullptr;      // null: the best this processor runs
};

// NoiseReduce with explicit options; NoiseReduce itself passes the defaults.
int NoiseReduceWith(int width, int height, int stride, uint8_t* buffer,
                    const NoiseReduceParams* params, const EngineOptions& options);

}  // namespace orvane
