#include <cpuid.h>
#include <immintrin.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/wavelet_1d.h"
#include "engine/wavelet_kernels.h"

namespace orvane {
namespace {
#include "engine/wavelet_kernels_impl.h"

const WaveletKernels kBaseline = {
    "baseline", AnalyzeExtended, AnalyzeSplit, SynthesizeExtended, ColumnsAnalyze,
    ColumnsSynthesize, RoundToBytes, RoundToLine, LoadLuminance, LoadChannelPairs, LoadBytePairs,
    ExtractChannel, MergeChannels};
}  // namespace

extern const WaveletKernels kAvx2WaveletKernels;
extern const WaveletKernels kAvx512WaveletKernels;

const WaveletKernels& BaselineWaveletKernels() { return kBaseline; }

const WaveletKernels* Avx2WaveletKernels() {
  return __builtin_cpu_supports("avx2") ? &kAvx2WaveletKernels : nullptr;
}

namespace {
// Whether the system saves and restores the AVX-512 registers (the mask registers and all 512
// bits of the 32 vector registers) on a task switch: without that, the processor's own answer
// to AVX-512 is not enough.
bool SystemKeepsAvx512State() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || (ecx & bit_OSXSAVE) == 0) return false;
  uint32_t low = 0, high = 0;
  __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  const uint32_t wanted = 0x2 | 0x4 | 0x20 | 0x40 | 0x80;  // SSE, AVX, mask, ZMM low and high
  return (low & wanted) == wanted;
}
}  // namespace

const WaveletKernels* Avx512WaveletKernels() {
  static const bool usable = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
                             __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq") &&
                             SystemKeepsAvx512State();
  return usable ? &kAvx512WaveletKernels : nullptr;
}

const WaveletKernels& SelectWaveletKernels() {
  const WaveletKernels* builds[] = {Avx512WaveletKernels(), Avx2WaveletKernels(), &kBaseline};
  // ORVANE_WAVELET_KERNELS names a build to use instead of the best, for comparing builds over
  // the whole program; a build the processor cannot run is never taken.
  const char* wanted = std::getenv("ORVANE_WAVELET_KERNELS");
  for (const WaveletKernels* k : builds) {
    if (k && (!wanted || std::strcmp(wanted, k->name) == 0)) return *k;
  }
  for (const WaveletKernels* k : builds) {
    if (k) return *k;
  }
  return kBaseline;
}

}  // namespace orvane
