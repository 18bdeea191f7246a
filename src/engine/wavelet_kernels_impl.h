// Body of the engine's inner loops; included once per instruction-set build, inside an
// anonymous namespace, so nothing here may call a non-builtin inline function of another header
// (the linker would be free to pick the copy built for the other instruction set).
//
// Every sum is formed in the order of the filter taps, lane by lane, so the vector builds give
// exactly the bits of a plain loop.

// Needs engine/wavelet_1d.h included before the surrounding namespace is opened.

#define ORVANE_RESTRICT __restrict__

void AnalyzeExtended(const double* x, int n, double* out, double* even, double* odd) {
  const int nLow = (n + 1) / 2;
  const int nHigh = n / 2;
  // even[j] = x[2j - 4], odd[j] = x[2j - 3]
  const int pairs = nLow + 5;
  {
    double* ORVANE_RESTRICT e = even;
    double* ORVANE_RESTRICT o = odd;
    const double* s = x - 4;
    for (int j = 0; j < pairs; ++j) {
      e[j] = s[2 * j];
      o[j] = s[2 * j + 1];
    }
  }
  const double c0 = kAnalysisLow[0], c1 = kAnalysisLow[1], c2 = kAnalysisLow[2],
               c3 = kAnalysisLow[3], c4 = kAnalysisLow[4], c5 = kAnalysisLow[5],
               c6 = kAnalysisLow[6], c7 = kAnalysisLow[7], c8 = kAnalysisLow[8];
  const double* ORVANE_RESTRICT e = even;
  const double* ORVANE_RESTRICT o = odd;
  double* ORVANE_RESTRICT lo = out;
  for (int m = 0; m < nLow; ++m) {
    lo[m] = c0 * e[m] + c1 * o[m] + c2 * e[m + 1] + c3 * o[m + 1] + c4 * e[m + 2] +
            c5 * o[m + 2] + c6 * e[m + 3] + c7 * o[m + 3] + c8 * e[m + 4];
  }
  const double h0 = kAnalysisHigh[0], h1 = kAnalysisHigh[1], h2 = kAnalysisHigh[2],
               h3 = kAnalysisHigh[3], h4 = kAnalysisHigh[4], h5 = kAnalysisHigh[5],
               h6 = kAnalysisHigh[6];
  double* ORVANE_RESTRICT hi = out + nLow;
  for (int m = 0; m < nHigh; ++m) {
    hi[m] = h0 * e[m + 1] + h1 * o[m + 1] + h2 * e[m + 2] + h3 * o[m + 2] + h4 * e[m + 3] +
            h5 * o[m + 3] + h6 * e[m + 4];
  }
}

void SynthesizeExtended(const double* low, const double* high, int n, double* out, double* even,
                        double* odd) {
  const int nLow = (n + 1) / 2;
  const int nHigh = n / 2;
  const double l0 = kSynthesisLow[0], l1 = kSynthesisLow[1], l2 = kSynthesisLow[2],
               l3 = kSynthesisLow[3], l4 = kSynthesisLow[4], l5 = kSynthesisLow[5],
               l6 = kSynthesisLow[6];
  const double h0 = kSynthesisHigh[0], h1 = kSynthesisHigh[1], h2 = kSynthesisHigh[2],
               h3 = kSynthesisHigh[3], h4 = kSynthesisHigh[4], h5 = kSynthesisHigh[5],
               h6 = kSynthesisHigh[6], h7 = kSynthesisHigh[7], h8 = kSynthesisHigh[8];
  const double* ORVANE_RESTRICT L = low;
  const double* ORVANE_RESTRICT H = high;
  double* ORVANE_RESTRICT e = even;
  double* ORVANE_RESTRICT o = odd;
  for (int s = 0; s < nLow; ++s) {
    const double lowSum = l5 * L[s - 1] + l3 * L[s] + l1 * L[s + 1];
    const double highSum = h7 * H[s - 2] + h5 * H[s - 1] + h3 * H[s] + h1 * H[s + 1];
    e[s] = lowSum + highSum;
  }
  for (int s = 0; s < nHigh; ++s) {
    const double lowSum = l6 * L[s - 1] + l4 * L[s] + l2 * L[s + 1] + l0 * L[s + 2];
    const double highSum =
        h8 * H[s - 2] + h6 * H[s - 1] + h4 * H[s] + h2 * H[s + 1] + h0 * H[s + 2];
    o[s] = lowSum + highSum;
  }
  double* ORVANE_RESTRICT x = out;
  for (int s = 0; s < nHigh; ++s) {
    x[2 * s] = e[s];
    x[2 * s + 1] = o[s];
  }
  if (nLow > nHigh) x[n - 1] = e[nLow - 1];
}

void ColumnsLow(const double* const* rows, int64_t count, double* out) {
  const double* ORVANE_RESTRICT r0 = rows[0];
  const double* ORVANE_RESTRICT r1 = rows[1];
  const double* ORVANE_RESTRICT r2 = rows[2];
  const double* ORVANE_RESTRICT r3 = rows[3];
  const double* ORVANE_RESTRICT r4 = rows[4];
  const double* ORVANE_RESTRICT r5 = rows[5];
  const double* ORVANE_RESTRICT r6 = rows[6];
  const double* ORVANE_RESTRICT r7 = rows[7];
  const double* ORVANE_RESTRICT r8 = rows[8];
  double* ORVANE_RESTRICT y = out;
  const double c0 = kAnalysisLow[0], c1 = kAnalysisLow[1], c2 = kAnalysisLow[2],
               c3 = kAnalysisLow[3], c4 = kAnalysisLow[4], c5 = kAnalysisLow[5],
               c6 = kAnalysisLow[6], c7 = kAnalysisLow[7], c8 = kAnalysisLow[8];
  for (int64_t i = 0; i < count; ++i) {
    y[i] = c0 * r0[i] + c1 * r1[i] + c2 * r2[i] + c3 * r3[i] + c4 * r4[i] + c5 * r5[i] +
           c6 * r6[i] + c7 * r7[i] + c8 * r8[i];
  }
}

void ColumnsHigh(const double* const* rows, int64_t count, double* out) {
  const double* ORVANE_RESTRICT r0 = rows[0];
  const double* ORVANE_RESTRICT r1 = rows[1];
  const double* ORVANE_RESTRICT r2 = rows[2];
  const double* ORVANE_RESTRICT r3 = rows[3];
  const double* ORVANE_RESTRICT r4 = rows[4];
  const double* ORVANE_RESTRICT r5 = rows[5];
  const double* ORVANE_RESTRICT r6 = rows[6];
  double* ORVANE_RESTRICT y = out;
  const double h0 = kAnalysisHigh[0], h1 = kAnalysisHigh[1], h2 = kAnalysisHigh[2],
               h3 = kAnalysisHigh[3], h4 = kAnalysisHigh[4], h5 = kAnalysisHigh[5],
               h6 = kAnalysisHigh[6];
  for (int64_t i = 0; i < count; ++i) {
    y[i] = h0 * r0[i] + h1 * r1[i] + h2 * r2[i] + h3 * r3[i] + h4 * r4[i] + h5 * r5[i] +
           h6 * r6[i];
  }
}

void ColumnsEven(const double* const* low, const double* const* high, int64_t count,
                 double* out) {
  const double* ORVANE_RESTRICT a0 = low[0];
  const double* ORVANE_RESTRICT a1 = low[1];
  const double* ORVANE_RESTRICT a2 = low[2];
  const double* ORVANE_RESTRICT b0 = high[0];
  const double* ORVANE_RESTRICT b1 = high[1];
  const double* ORVANE_RESTRICT b2 = high[2];
  const double* ORVANE_RESTRICT b3 = high[3];
  double* ORVANE_RESTRICT y = out;
  const double l1 = kSynthesisLow[1], l3 = kSynthesisLow[3], l5 = kSynthesisLow[5];
  const double h1 = kSynthesisHigh[1], h3 = kSynthesisHigh[3], h5 = kSynthesisHigh[5],
               h7 = kSynthesisHigh[7];
  for (int64_t i = 0; i < count; ++i) {
    const double lowSum = l5 * a0[i] + l3 * a1[i] + l1 * a2[i];
    const double highSum = h7 * b0[i] + h5 * b1[i] + h3 * b2[i] + h1 * b3[i];
    y[i] = lowSum + highSum;
  }
}

void ColumnsOdd(const double* const* low, const double* const* high, int64_t count,
                double* out) {
  const double* ORVANE_RESTRICT a0 = low[0];
  const double* ORVANE_RESTRICT a1 = low[1];
  const double* ORVANE_RESTRICT a2 = low[2];
  const double* ORVANE_RESTRICT a3 = low[3];
  const double* ORVANE_RESTRICT b0 = high[0];
  const double* ORVANE_RESTRICT b1 = high[1];
  const double* ORVANE_RESTRICT b2 = high[2];
  const double* ORVANE_RESTRICT b3 = high[3];
  const double* ORVANE_RESTRICT b4 = high[4];
  double* ORVANE_RESTRICT y = out;
  const double l0 = kSynthesisLow[0], l2 = kSynthesisLow[2], l4 = kSynthesisLow[4],
               l6 = kSynthesisLow[6];
  const double h0 = kSynthesisHigh[0], h2 = kSynthesisHigh[2], h4 = kSynthesisHigh[4],
               h6 = kSynthesisHigh[6], h8 = kSynthesisHigh[8];
  for (int64_t i = 0; i < count; ++i) {
    const double lowSum = l6 * a0[i] + l4 * a1[i] + l2 * a2[i] + l0 * a3[i];
    const double highSum = h8 * b0[i] + h6 * b1[i] + h4 * b2[i] + h2 * b3[i] + h0 * b4[i];
    y[i] = lowSum + highSum;
  }
}

void SoftThreshold(double* v, int64_t count, double t) {
  double* ORVANE_RESTRICT p = v;
  for (int64_t i = 0; i < count; ++i) {
    const double shrunk = __builtin_fabs(p[i]) - t;
    p[i] = __builtin_copysign(shrunk > 0.0 ? shrunk : 0.0, p[i]);
  }
}

void RoundToBytes(const double* v, int64_t count, uint8_t* out) {
  const double* ORVANE_RESTRICT p = v;
  uint8_t* ORVANE_RESTRICT q = out;
  for (int64_t i = 0; i < count; ++i) {
    double x = p[i] + 0.5;
    x = x < 0.0 ? 0.0 : x;
    x = x >= 255.0 ? 255.0 : x;
    q[i] = static_cast<uint8_t>(static_cast<int>(x));
  }
}

#undef ORVANE_RESTRICT
