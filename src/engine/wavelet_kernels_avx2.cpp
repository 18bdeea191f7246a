// Compiled with -mavx2 (and without FMA, which would change the rounding of every sum). Only
// data leaves this file: the choice of build is made in baseline code, so a processor without
// AVX2 never runs an instruction from here.
#include <immintrin.h>

#include "engine/wavelet_1d.h"
#include "engine/wavelet_kernels.h"

namespace orvane {
namespace {
#include "engine/wavelet_kernels_impl.h"
}  // namespace

extern const WaveletKernels kAvx2WaveletKernels;
const WaveletKernels kAvx2WaveletKernels = {
    "avx2", AnalyzeExtended, AnalyzeSplit, SynthesizeExtended, ColumnsAnalyze,
    ColumnsSynthesize, RoundToBytes, RoundToLine, LoadLuminance, LoadChannelPairs, LoadBytePairs,
    ExtractChannel, MergeChannels};

}  // namespace orvane
