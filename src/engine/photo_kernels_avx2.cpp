// Compiled with -mavx2 (and without FMA, which would change the rounding). The choice of build
// is made in baseline code, so a processor without AVX2 never runs an instruction from here.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/photo_kernels.h"

namespace orvane {
namespace {
#include "engine/photo_kernels_impl.h"
}  // namespace

extern const PhotoKernels kAvx2PhotoKernels;
const PhotoKernels kAvx2PhotoKernels = {"avx2", PilotPass, WienerPass};

}  // namespace orvane
