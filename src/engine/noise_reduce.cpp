#include "engine/noise_reduce.h"

#include <cstring>
#include <new>

#include "engine/engine_options.h"
#include "engine/pixel_view.h"
#include "engine/wavelet_shrinker.h"

namespace orvane {
namespace {

int Process(int width, int height, int stride, uint8_t* buffer, const NoiseReduceParams& params,
            const EngineOptions& options) {
  const int64_t rowBytes = stride == -1 ? static_cast<int64_t>(width) * 4 : stride;
  PixelView view;
  if (!view.attach(width, height, 32, buffer, rowBytes)) return NR_INVALID_PARAMETER;

  WaveletShrinker shrinker(options);
  shrinker.perChannel = params.perChannel == 1;
  shrinker.levels = params.levels;
  for (double& t : shrinker.threshold) {
    if (params.noiseLevel > 0.0) t = params.noiseLevel;
  }
  shrinker.progress = params.progress;
  shrinker.progressContext = params.progressContext;
  shrinker.run(view);

  if (shrinker.outOfMemory) return NR_OUT_OF_MEMORY;
  if (shrinker.cancelled) return NR_CANCELLED;
  return NR_OK;
}

}  // namespace

int NoiseReduceWith(int width, int height, int stride, uint8_t* buffer,
                    const NoiseReduceParams* params, const EngineOptions& options) {
  if (width == 0) {
    if (height == 0 && stride == 0 && params == nullptr && buffer != nullptr) {
      std::memcpy(buffer, kNoiseReduceVersion, sizeof kNoiseReduceVersion);
      return NR_OK;
    }
    return NR_INVALID_PARAMETER;
  }
  if (params == nullptr || buffer == nullptr) return NR_INVALID_PARAMETER;
  if (width < 32 || height < 32) return NR_INVALID_PARAMETER;
  if (!(params->noiseLevel >= 0.0) || !(params->noiseLevel <= 100.0)) return NR_INVALID_PARAMETER;
  if (params->perChannel != 0 && params->perChannel != 1) return NR_INVALID_PARAMETER;
  if (params->levels < 2 || params->levels > 5) return NR_INVALID_PARAMETER;
  if (params->version != 1) return NR_INVALID_PARAMETER;

  // Nothing may escape to a C caller: a failed allocation anywhere inside is out of memory.
  try {
    return Process(width, height, stride, buffer, *params, options);
  } catch (const std::bad_alloc&) {
    return NR_OUT_OF_MEMORY;
  } catch (...) {
    return NR_OUT_OF_MEMORY;
  }
}

extern "C" int NoiseReduce(int width, int height, int stride, uint8_t* buffer,
                           const NoiseReduceParams* params) {
  return NoiseReduceWith(width, height, stride, buffer, params, EngineOptions{});
}

}  // namespace orvane
