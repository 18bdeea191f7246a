// The vectors never cross a call boundary that another build could see: every function taking
// them is internal to this file, so the warning about their calling convention does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/photo_kernels.h"

namespace orvane {
namespace {
#include "engine/photo_kernels_impl.h"
}  // namespace

extern const PhotoKernels kAvx2PhotoKernels;

const PhotoKernels& BaselinePhotoKernels() {
  static const PhotoKernels k = {"baseline", PilotPass, WienerPass};
  return k;
}

const PhotoKernels* Avx2PhotoKernels() {
  return __builtin_cpu_supports("avx2") ? &kAvx2PhotoKernels : nullptr;
}

const PhotoKernels& SelectPhotoKernels() {
  const PhotoKernels* fast = Avx2PhotoKernels();
  return fast != nullptr ? *fast : BaselinePhotoKernels();
}

}  // namespace orvane
