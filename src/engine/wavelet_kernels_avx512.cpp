// Compiled with AVX-512 (F, VL, BW, DQ) and without FMA, which would change the rounding of every
// sum. Only data leaves this file: the choice of build is made in baseline code, so a processor
// without AVX-512 never runs an instruction from here.
#if defined(__GNUC__) && !defined(__clang__)
// GCC 12's AVX-512 intrinsics start their results from a deliberately undefined vector, which
// its uninitialised-use warning takes for a fault once they are inlined.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include "engine/wavelet_1d.h"
#include "engine/wavelet_kernels.h"

namespace orvane {
namespace {
#include "engine/wavelet_kernels_impl.h"
}  // namespace

extern const WaveletKernels kAvx512WaveletKernels;
const WaveletKernels kAvx512WaveletKernels = {
    "avx512", AnalyzeExtended, AnalyzeSplit, SynthesizeExtended, ColumnsAnalyze,
    ColumnsSynthesize, RoundToBytes, RoundToLine, LoadLuminance, LoadChannelPairs, LoadBytePairs,
    ExtractChannel, MergeChannels};

}  // namespace orvane
