// Decomposes, shrinks and rebuilds the planes of one block.
#pragma once

#include <cstdint>

#include "engine/engine_options.h"
#include "engine/noise_reduce.h"
#include "engine/pixel_view.h"

namespace orvane {

class WaveletShrinker {
 public:
  explicit WaveletShrinker(const EngineOptions& options) : options_(options) {}

  // Processes every plane whose threshold is above 0; sets outOfMemory or cancelled when it
  // stops early. Planes finished before a stop stay written, the plane in progress does not.
  int run(PixelView& view);

  double threshold[3] = {0.0, 0.0, 0.0};  // per colour byte
  int levels = 0;
  bool perChannel = true;
  ProgressCallback progress = nullptr;
  void* progressContext = nullptr;
  int step = 0;
  int total = 0;
  bool outOfMemory = false;
  bool cancelled = false;

 private:
  // One progress invocation; false when the callback asks to stop.
  bool report();

  EngineOptions options_;
};

}  // namespace orvane
