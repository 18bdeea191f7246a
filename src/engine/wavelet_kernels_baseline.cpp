#include <immintrin.h>

#include "engine/wavelet_1d.h"
#include "engine/wavelet_kernels.h"

namespace orvane {
namespace {
#include "engine/wavelet_kernels_impl.h"

const WaveletKernels kBaseline = {
    "baseline", AnalyzeExtended, AnalyzeSplit, SynthesizeExtended, ColumnsAnalyze,
    ColumnsSynthesize, RoundToBytes, LoadLuminance, LoadChannelPairs, LoadBytePairs, StoreChannel};
}  // namespace

extern const WaveletKernels kAvx2WaveletKernels;

const WaveletKernels& BaselineWaveletKernels() { return kBaseline; }

const WaveletKernels* Avx2WaveletKernels() {
  return __builtin_cpu_supports("avx2") ? &kAvx2WaveletKernels : nullptr;
}

const WaveletKernels& SelectWaveletKernels() {
  const WaveletKernels* avx2 = Avx2WaveletKernels();
  return avx2 ? *avx2 : kBaseline;
}

}  // namespace orvane
