// The inner loops of the wavelet engine. They are compiled three times, for the baseline x86-64
// instruction set, for AVX2 and for AVX-512, and chosen at run time. The builds do the same
// arithmetic in the same order, so they give identical bits; only the width of the vector
// registers differs.
#pragma once

#include <cstdint>

namespace orvane {

struct WaveletKernels {
  const char* name;
  // One analysis level on an extended line x (x[-9] .. x[n + 8] valid): ceil(n/2) low samples
  // into low, floor(n/2) high samples into high. even and odd hold n/2 + 8 doubles each.
  void (*analyzeExtended)(const double* x, int n, double* low, double* high, double* even,
                          double* odd);
  // The same from the even and odd samples of the extended line: even[j] = x[2j - 4] and
  // odd[j] = x[2j - 3] for j in [0, ceil(n/2) + 5).
  void (*analyzeSplit)(const double* even, const double* odd, int n, double* low, double* high);
  // One synthesis level from the extended low band L (ceil(n/2) samples) and high band H
  // (floor(n/2) samples), each valid 9 samples past both ends, into n samples of out.
  void (*synthesizeExtended)(const double* low, const double* high, int n, double* out);
  // Column analysis of `count` adjacent columns for output m: the low row from the nine rows
  // 2m-4 .. 2m+4 and, when high is not null, the high row from rows 2m-2 .. 2m+4 (the last
  // seven). The high row is always soft-thresholded by t, the low row when shrinkLow is set.
  void (*columnsAnalyze)(const double* const* rows, int64_t count, double* low, double* high,
                         bool shrinkLow, double t);
  // Column synthesis of output rows 2s (into even) and 2s+1 (into odd, skipped when null) from
  // the low rows s-1 .. s+2 and the high rows s-2 .. s+2. The two rows `ahead` (may be null), the
  // ones the next pair reads first, are fetched into the cache on the way.
  void (*columnsSynthesize)(const double* const* low, const double* const* high, int64_t count,
                            double* even, double* odd, const double* const* ahead);
  // v + 0.5, clamped to [0, 255], truncated. The bytes are written past the caches.
  void (*roundToBytes)(const double* v, int64_t count, uint8_t* out);
  // The same into a line that is read again at once: the bytes stay in the caches.
  void (*roundToLine)(const double* v, int64_t count, uint8_t* out);
  // Pixel bytes in and out of 32-bit pixels (bytes 0, 1, 2 are colour): the weighted luminance
  // of count pixels; byte `channel` of 2 * pairs pixels, or 2 * pairs bytes, as doubles, the
  // even ones into even[] and the odd ones into odd[].
  void (*loadLuminance)(const uint8_t* pixels, int64_t count, double* out);
  void (*loadChannelPairs)(const uint8_t* pixels, int64_t pairs, int channel, double* even,
                           double* odd);
  void (*loadBytePairs)(const uint8_t* bytes, int64_t pairs, double* even, double* odd);
  // Byte `channel` of count pixels into bytes, written past the caches; and bytes i of the n (at
  // most 3) planes into bytes channels[0 .. n) of pixel i, the other bytes kept.
  void (*extractChannel)(const uint8_t* pixels, int64_t count, int channel, uint8_t* bytes);
  void (*mergeChannels)(uint8_t* pixels, int64_t count, const uint8_t* const* planes, const int* channels,
                        int n);
};

// The best build this processor can run, or the one that ORVANE_WAVELET_KERNELS names
// ("baseline", "avx2", "avx512") when the processor runs it.
const WaveletKernels& SelectWaveletKernels();

// Each build by name, for tests that compare them.
const WaveletKernels& BaselineWaveletKernels();
const WaveletKernels* Avx2WaveletKernels();  // null where the processor lacks AVX2
const WaveletKernels* Avx512WaveletKernels();  // null without AVX-512 F, VL, BW and DQ

}  // namespace orvane
