// The inner loops of the photograph denoiser, compiled twice (baseline x86-64 and AVX2) and
// chosen at run time. Both builds do the same arithmetic in the same order.
#pragma once

#include <cstdint>

#include "engine/photo_denoise.h"

namespace orvane {

// Three float planes (luminance and two colour differences) over a rectangle of region
// coordinates, rows `stride` floats apart.
struct PhotoPlanes {
  const float* plane[3] = {};
  int left = 0, top = 0;
  int64_t stride = 0;
};

// One pass over the 8 x 8 blocks at (bx, by), bx = bx0, bx0 + step ... bx1 (likewise by), whose
// weighted estimates are summed into rows [accTop, accTop + accRows) of the accumulators.
struct PhotoBlockPass {
  const PhotoPlanes* noisy = nullptr;
  const PhotoPlanes* pilot = nullptr;  // the second pass's guide; null in the first
  int bx0 = 0, bx1 = 0, by0 = 0, by1 = 0, step = 1;
  int firstPlane = 0, endPlane = 3;  // the planes the Wiener pass cleans
  const NoiseModel* model = nullptr;
  double strength = 1;
  float hardThreshold = 2.7f;
  float* sum[3] = {};
  float* weight[3] = {};
  int accLeft = 0, accTop = 0, accRows = 0;
  int64_t accStride = 0;
};

struct PhotoKernels {
  const char* name;
  void (*pilotPass)(const PhotoBlockPass& pass);   // hard threshold
  void (*wienerPass)(const PhotoBlockPass& pass);  // Wiener weights from the pilot
};

const PhotoKernels& SelectPhotoKernels();
const PhotoKernels& BaselinePhotoKernels();
const PhotoKernels* Avx2PhotoKernels();  // null where the processor lacks AVX2

}  // namespace orvane
