// Body of the engine's inner loops; included once per instruction-set build, inside an
// anonymous namespace, so nothing here may call a non-builtin inline function of another header
// (the linker would be free to pick the copy built for the other instruction set).
//
// Every sum is formed in the order of the filter taps, lane by lane, so the vector builds give
// exactly the bits of a plain loop. Inputs and outputs of a loop never overlap; `ivdep` says so,
// since the compiler gives up checking when a loop has many row pointers.

// Needs engine/wavelet_1d.h included before the surrounding namespace is opened.

#define ORVANE_RESTRICT __restrict__

// Soft thresholding of one value: |v| <= t gives 0, otherwise v moves towards 0 by t.
inline double Shrink(double v, double t) {
  const double shrunk = __builtin_fabs(v) - t;
  return __builtin_copysign(shrunk > 0.0 ? shrunk : 0.0, v);
}

void AnalyzeExtended(const double* x, int n, double* out, double* even, double* odd) {
  const int nLow = (n + 1) / 2;
  const int nHigh = n / 2;
  // even[j] = x[2j - 4], odd[j] = x[2j - 3]
  const int pairs = nLow + 5;
  {
    double* ORVANE_RESTRICT e = even;
    double* ORVANE_RESTRICT o = odd;
    const double* s = x - 4;
    #pragma GCC ivdep
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
  #pragma GCC ivdep
  for (int m = 0; m < nLow; ++m) {
    lo[m] = c0 * e[m] + c1 * o[m] + c2 * e[m + 1] + c3 * o[m + 1] + c4 * e[m + 2] +
            c5 * o[m + 2] + c6 * e[m + 3] + c7 * o[m + 3] + c8 * e[m + 4];
  }
  const double h0 = kAnalysisHigh[0], h1 = kAnalysisHigh[1], h2 = kAnalysisHigh[2],
               h3 = kAnalysisHigh[3], h4 = kAnalysisHigh[4], h5 = kAnalysisHigh[5],
               h6 = kAnalysisHigh[6];
  double* ORVANE_RESTRICT hi = out + nLow;
  #pragma GCC ivdep
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
  #pragma GCC ivdep
  for (int s = 0; s < nLow; ++s) {
    const double lowSum = l5 * L[s - 1] + l3 * L[s] + l1 * L[s + 1];
    const double highSum = h7 * H[s - 2] + h5 * H[s - 1] + h3 * H[s] + h1 * H[s + 1];
    e[s] = lowSum + highSum;
  }
  #pragma GCC ivdep
  for (int s = 0; s < nHigh; ++s) {
    const double lowSum = l6 * L[s - 1] + l4 * L[s] + l2 * L[s + 1] + l0 * L[s + 2];
    const double highSum =
        h8 * H[s - 2] + h6 * H[s - 1] + h4 * H[s] + h2 * H[s + 1] + h0 * H[s + 2];
    o[s] = lowSum + highSum;
  }
  double* ORVANE_RESTRICT x = out;
  #pragma GCC ivdep
  for (int s = 0; s < nHigh; ++s) {
    x[2 * s] = e[s];
    x[2 * s + 1] = o[s];
  }
  if (nLow > nHigh) x[n - 1] = e[nLow - 1];
}

// Column analysis of one output pair: the low row from rows 2m-4 .. 2m+4 (rows[0 .. 8]) and,
// when high is not null, the high row from rows 2m-2 .. 2m+4 (rows[2 .. 8]). Outputs are
// thresholded on the way out when the matching flag is set.
template <bool kHigh, bool kShrinkLow>
void ColumnsAnalyzeT(const double* const* rows, int64_t count, double* low, double* high,
                     double t) {
  const double* ORVANE_RESTRICT r0 = rows[0];
  const double* ORVANE_RESTRICT r1 = rows[1];
  const double* ORVANE_RESTRICT r2 = rows[2];
  const double* ORVANE_RESTRICT r3 = rows[3];
  const double* ORVANE_RESTRICT r4 = rows[4];
  const double* ORVANE_RESTRICT r5 = rows[5];
  const double* ORVANE_RESTRICT r6 = rows[6];
  const double* ORVANE_RESTRICT r7 = rows[7];
  const double* ORVANE_RESTRICT r8 = rows[8];
  double* ORVANE_RESTRICT lo = low;
  double* ORVANE_RESTRICT hi = high;
  const double c0 = kAnalysisLow[0], c1 = kAnalysisLow[1], c2 = kAnalysisLow[2],
               c3 = kAnalysisLow[3], c4 = kAnalysisLow[4], c5 = kAnalysisLow[5],
               c6 = kAnalysisLow[6], c7 = kAnalysisLow[7], c8 = kAnalysisLow[8];
  const double h0 = kAnalysisHigh[0], h1 = kAnalysisHigh[1], h2 = kAnalysisHigh[2],
               h3 = kAnalysisHigh[3], h4 = kAnalysisHigh[4], h5 = kAnalysisHigh[5],
               h6 = kAnalysisHigh[6];
  #pragma GCC ivdep
  for (int64_t i = 0; i < count; ++i) {
    const double l = c0 * r0[i] + c1 * r1[i] + c2 * r2[i] + c3 * r3[i] + c4 * r4[i] +
                     c5 * r5[i] + c6 * r6[i] + c7 * r7[i] + c8 * r8[i];
    lo[i] = kShrinkLow ? Shrink(l, t) : l;
    if (kHigh) {
      const double h = h0 * r2[i] + h1 * r3[i] + h2 * r4[i] + h3 * r5[i] + h4 * r6[i] +
                       h5 * r7[i] + h6 * r8[i];
      hi[i] = Shrink(h, t);
    }
  }
}

void ColumnsAnalyze(const double* const* rows, int64_t count, double* low, double* high,
                    bool shrinkLow, double t) {
  if (high) {
    if (shrinkLow) ColumnsAnalyzeT<true, true>(rows, count, low, high, t);
    else ColumnsAnalyzeT<true, false>(rows, count, low, high, t);
  } else {
    if (shrinkLow) ColumnsAnalyzeT<false, true>(rows, count, low, high, t);
    else ColumnsAnalyzeT<false, false>(rows, count, low, high, t);
  }
}

// Column synthesis of output rows 2s and 2s+1 from low rows s-1 .. s+2 and high rows
// s-2 .. s+2; the odd row is skipped when odd is null.
template <bool kOdd>
void ColumnsSynthesizeT(const double* const* low, const double* const* high, int64_t count,
                        double* even, double* odd) {
  const double* ORVANE_RESTRICT a0 = low[0];
  const double* ORVANE_RESTRICT a1 = low[1];
  const double* ORVANE_RESTRICT a2 = low[2];
  const double* ORVANE_RESTRICT a3 = low[3];
  const double* ORVANE_RESTRICT b0 = high[0];
  const double* ORVANE_RESTRICT b1 = high[1];
  const double* ORVANE_RESTRICT b2 = high[2];
  const double* ORVANE_RESTRICT b3 = high[3];
  const double* ORVANE_RESTRICT b4 = high[4];
  double* ORVANE_RESTRICT ye = even;
  double* ORVANE_RESTRICT yo = odd;
  const double l0 = kSynthesisLow[0], l1 = kSynthesisLow[1], l2 = kSynthesisLow[2],
               l3 = kSynthesisLow[3], l4 = kSynthesisLow[4], l5 = kSynthesisLow[5],
               l6 = kSynthesisLow[6];
  const double h0 = kSynthesisHigh[0], h1 = kSynthesisHigh[1], h2 = kSynthesisHigh[2],
               h3 = kSynthesisHigh[3], h4 = kSynthesisHigh[4], h5 = kSynthesisHigh[5],
               h6 = kSynthesisHigh[6], h7 = kSynthesisHigh[7], h8 = kSynthesisHigh[8];
  #pragma GCC ivdep
  for (int64_t i = 0; i < count; ++i) {
    const double lowEven = l5 * a0[i] + l3 * a1[i] + l1 * a2[i];
    const double highEven = h7 * b0[i] + h5 * b1[i] + h3 * b2[i] + h1 * b3[i];
    ye[i] = lowEven + highEven;
    if (kOdd) {
      const double lowOdd = l6 * a0[i] + l4 * a1[i] + l2 * a2[i] + l0 * a3[i];
      const double highOdd = h8 * b0[i] + h6 * b1[i] + h4 * b2[i] + h2 * b3[i] + h0 * b4[i];
      yo[i] = lowOdd + highOdd;
    }
  }
}

void ColumnsSynthesize(const double* const* low, const double* const* high, int64_t count,
                       double* even, double* odd) {
  if (odd) ColumnsSynthesizeT<true>(low, high, count, even, odd);
  else ColumnsSynthesizeT<false>(low, high, count, even, nullptr);
}

void RoundToBytes(const double* v, int64_t count, uint8_t* out) {
  const double* ORVANE_RESTRICT p = v;
  uint8_t* ORVANE_RESTRICT q = out;
  #pragma GCC ivdep
  for (int64_t i = 0; i < count; ++i) {
    double x = p[i] + 0.5;
    x = x < 0.0 ? 0.0 : x;
    x = x >= 255.0 ? 255.0 : x;
    q[i] = static_cast<uint8_t>(static_cast<int>(x));
  }
}

// Byte `channel` of count 32-bit pixels, as doubles. Whole pixels are read as 32-bit words
// (assembled from bytes, so any alignment works) to let the loop run on vector lanes.
void LoadChannel(const uint8_t* pixels, int64_t count, int channel, double* out) {
  const uint8_t* ORVANE_RESTRICT px = pixels;
  double* ORVANE_RESTRICT y = out;
  const unsigned shift = 8u * static_cast<unsigned>(channel);
  #pragma GCC ivdep
  for (int64_t i = 0; i < count; ++i) {
    uint32_t word;
    __builtin_memcpy(&word, px + 4 * i, 4);
    y[i] = static_cast<double>(static_cast<int32_t>((word >> shift) & 0xFFu));
  }
}

// Weighted luminance of count pixels.
void LoadLuminance(const uint8_t* pixels, int64_t count, double* out) {
  const uint8_t* ORVANE_RESTRICT px = pixels;
  double* ORVANE_RESTRICT y = out;
  #pragma GCC ivdep
  for (int64_t i = 0; i < count; ++i) {
    uint32_t word;
    __builtin_memcpy(&word, px + 4 * i, 4);
    const double b0 = static_cast<double>(static_cast<int32_t>(word & 0xFFu));
    const double b1 = static_cast<double>(static_cast<int32_t>((word >> 8) & 0xFFu));
    const double b2 = static_cast<double>(static_cast<int32_t>((word >> 16) & 0xFFu));
    y[i] = 0.5869903 * b1 + 0.1139984 * b0 + 0.298995 * b2;
  }
}

// Puts count bytes into byte `channel` of count 32-bit pixels; the other bytes keep their values.
void StoreChannel(const uint8_t* bytes, int64_t count, int channel, uint8_t* pixels) {
  const uint8_t* ORVANE_RESTRICT src = bytes;
  uint8_t* ORVANE_RESTRICT px = pixels;
  const unsigned shift = 8u * static_cast<unsigned>(channel);
  const uint32_t keep = ~(0xFFu << shift);
  #pragma GCC ivdep
  for (int64_t i = 0; i < count; ++i) {
    uint32_t word;
    __builtin_memcpy(&word, px + 4 * i, 4);
    word = (word & keep) | (static_cast<uint32_t>(src[i]) << shift);
    __builtin_memcpy(px + 4 * i, &word, 4);
  }
}

#undef ORVANE_RESTRICT
