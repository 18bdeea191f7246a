// The inner loops of the wavelet engine. They are compiled twice, for the baseline x86-64
// instruction set and for AVX2, and chosen at run time. Both builds do the same arithmetic in the
// same order, so they give identical bits; only the width of the vector registers differs.
#pragma once

#include <cstdint>

namespace orvane {

struct WaveletKernels {
  const char* name;
  // One analysis level on an extended line x (x[-9] .. x[n + 8] valid): ceil(n/2) low samples,
  // then floor(n/2) high samples, into out. even and odd hold n/2 + 8 doubles each.
  void (*analyzeExtended)(const double* x, int n, double* out, double* even, double* odd);
  // One synthesis level from the extended low band L (ceil(n/2) samples) and high band H
  // (floor(n/2) samples), each valid 9 samples past both ends, into n samples of out.
  void (*synthesizeExtended)(const double* low, const double* high, int n, double* out,
                             double* even, double* odd);
  // Column analysis of `count` adjacent columns: out[x] = sum over k of tap[k] * rows[k][x].
  void (*columnsLow)(const double* const* rows, int64_t count, double* out);   // 9 rows
  void (*columnsHigh)(const double* const* rows, int64_t count, double* out);  // 7 rows
  // Column synthesis of an even output row (3 low rows, 4 high rows) and an odd one (4 and 5).
  void (*columnsEven)(const double* const* low, const double* const* high, int64_t count,
                      double* out);
  void (*columnsOdd)(const double* const* low, const double* const* high, int64_t count,
                     double* out);
  // Soft thresholding in place: |v| <= t becomes 0, otherwise v moves towards 0 by t.
  void (*softThreshold)(double* v, int64_t count, double t);
  // v + 0.5, clamped to [0, 255], truncated.
  void (*roundToBytes)(const double* v, int64_t count, uint8_t* out);
};

// The best build this processor can run.
const WaveletKernels& SelectWaveletKernels();

// Each build by name, for tests that compare them.
const WaveletKernels& BaselineWaveletKernels();
const WaveletKernels* Avx2WaveletKernels();  // null where the processor lacks AVX2

}  // namespace orvane
