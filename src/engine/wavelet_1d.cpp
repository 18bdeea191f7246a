#include "engine/wavelet_1d.h"

#include <cstring>

#include "engine/wavelet_kernels.h"

namespace orvane {

int ReflectIndex(int64_t j, int n, LineEnd start, LineEnd end) {
  if (n <= 1) return 0;
  // Each reflection brings j closer to the line by about n, so this ends after |j| / n steps.
  for (;;) {
    if (j < 0) {
      j = start == LineEnd::WS ? -j : -1 - j;
    } else if (j >= n) {
      j = end == LineEnd::WS ? 2 * (static_cast<int64_t>(n) - 1) - j : 2 * static_cast<int64_t>(n) - 1 - j;
    } else {
      return static_cast<int>(j);
    }
  }
}

void extendSymmetric(double* line, int n, LineEnd start, LineEnd end, int spare) {
  for (int j = 1; j <= spare; ++j) {
    line[-j] = line[ReflectIndex(-j, n, start, end)];
    line[n - 1 + j] = line[ReflectIndex(n - 1 + j, n, start, end)];
  }
}

void analyze1D(const double* in, int n, double* out, LineScratch& scratch) {
  double* x = scratch.extended + 16;
  std::memcpy(x, in, sizeof(double) * n);
  extendSymmetric(x, n, LineEnd::WS, LineEnd::WS);
  SelectWaveletKernels().analyzeExtended(x, n, out, out + (n + 1) / 2, scratch.even, scratch.odd);
}

void synthesize1D(const double* in, int n, double* out, LineScratch& scratch) {
  const int nLow = (n + 1) / 2;
  const int nHigh = n / 2;
  const bool odd = (n & 1) != 0;
  double* low = scratch.extended + 16;
  double* high = low + nLow + 32;
  std::memcpy(low, in, sizeof(double) * nLow);
  std::memcpy(high, in + nLow, sizeof(double) * nHigh);
  extendSymmetric(low, nLow, LineEnd::WS, odd ? LineEnd::WS : LineEnd::HS);
  extendSymmetric(high, nHigh, LineEnd::HS, odd ? LineEnd::HS : LineEnd::WS);
  SelectWaveletKernels().synthesizeExtended(low, high, n, out);
}

}  // namespace orvane
