// Body of the engine's inner loops; included once per instruction-set build, inside an
// anonymous namespace, so nothing here may call a non-builtin inline function of another header
// (the linker would be free to pick the copy built for another instruction set). The SSE2, AVX
// and AVX-512 intrinsics used are builtins that are always inlined.
//
// Every sum is formed in the order of the filter taps, lane by lane, so the vector builds give
// exactly the bits of a plain loop: `Vec` is eight doubles with AVX-512, four with AVX and two
// without, and each loop ends in the plain scalar form for the samples that do not fill a vector
// (the AVX-512 build ends its filters in a vector of which only the first lanes are used).
//
// The loops are written for the processor rather than the compiler. Each filter sum is a chain
// of dependent additions; the column loops feed the chains of several outputs one input row at
// a time, so that the additions of different chains alternate and the long chains do not hold
// up the pipeline, and each input is loaded once.

// Needs engine/wavelet_1d.h and <immintrin.h> included before the surrounding namespace is opened.

#define ORVANE_RESTRICT __restrict__

// The width of the vectors: 64 bytes in the AVX-512 build, 32 with AVX, 16 otherwise.
#if defined(__AVX512F__)
#define ORVANE_VECTOR_BYTES 64
#elif defined(__AVX__)
#define ORVANE_VECTOR_BYTES 32
#else
#define ORVANE_VECTOR_BYTES 16
#endif
typedef double Vec __attribute__((vector_size(ORVANE_VECTOR_BYTES)));
typedef long long Bits __attribute__((vector_size(ORVANE_VECTOR_BYTES)));
constexpr int kLanes = ORVANE_VECTOR_BYTES / 8;

inline Vec Load(const double* p) {
  Vec v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}

inline void Store(double* p, Vec v) { __builtin_memcpy(p, &v, sizeof v); }

inline Vec Splat(double d) {
#if ORVANE_VECTOR_BYTES == 64
  return Vec{d, d, d, d, d, d, d, d};
#elif ORVANE_VECTOR_BYTES == 32
  return Vec{d, d, d, d};
#else
  return Vec{d, d};
#endif
}

// a > b ? a : b, lane by lane.
inline Vec Max(Vec a, Vec b) {
#if ORVANE_VECTOR_BYTES == 64
  return _mm512_max_pd(a, b);
#elif ORVANE_VECTOR_BYTES == 32
  return _mm256_max_pd(a, b);
#else
  return _mm_max_pd(a, b);
#endif
}

// a < b ? a : b, lane by lane.
inline Vec Min(Vec a, Vec b) {
#if ORVANE_VECTOR_BYTES == 64
  return _mm512_min_pd(a, b);
#elif ORVANE_VECTOR_BYTES == 32
  return _mm256_min_pd(a, b);
#else
  return _mm_min_pd(a, b);
#endif
}

// The even and the odd samples of the 2 * kLanes samples a, b.
inline void Deinterleave(Vec a, Vec b, Vec& even, Vec& odd) {
#if ORVANE_VECTOR_BYTES == 64
  even = __builtin_shufflevector(a, b, 0, 2, 4, 6, 8, 10, 12, 14);
  odd = __builtin_shufflevector(a, b, 1, 3, 5, 7, 9, 11, 13, 15);
#elif ORVANE_VECTOR_BYTES == 32
  even = __builtin_shufflevector(a, b, 0, 2, 4, 6);
  odd = __builtin_shufflevector(a, b, 1, 3, 5, 7);
#else
  even = __builtin_shufflevector(a, b, 0, 2);
  odd = __builtin_shufflevector(a, b, 1, 3);
#endif
}

// The 2 * kLanes samples e0, o0, e1, o1, ... as two vectors.
inline void Interleave(Vec even, Vec odd, Vec& first, Vec& second) {
#if ORVANE_VECTOR_BYTES == 64
  first = __builtin_shufflevector(even, odd, 0, 8, 1, 9, 2, 10, 3, 11);
  second = __builtin_shufflevector(even, odd, 4, 12, 5, 13, 6, 14, 7, 15);
#elif ORVANE_VECTOR_BYTES == 32
  first = __builtin_shufflevector(even, odd, 0, 4, 1, 5);
  second = __builtin_shufflevector(even, odd, 2, 6, 3, 7);
#else
  first = __builtin_shufflevector(even, odd, 0, 2);
  second = __builtin_shufflevector(even, odd, 1, 3);
#endif
}

#if ORVANE_VECTOR_BYTES == 64
// The vector loops end in one or two vectors of which only the first n lanes (0 < n <= kLanes)
// are positions: the other lanes are neither read nor written, and hold 0 in between.
#define ORVANE_PARTIAL_VECTORS 1
inline __mmask8 FirstLanes(int64_t n) { return static_cast<__mmask8>((1u << n) - 1u); }
inline Vec LoadFirst(const double* p, int64_t n) { return _mm512_maskz_loadu_pd(FirstLanes(n), p); }
inline void StoreFirst(double* p, Vec v, int64_t n) { _mm512_mask_storeu_pd(p, FirstLanes(n), v); }
#endif

// Soft thresholding of one value: |v| <= t gives 0, otherwise v moves towards 0 by t.
inline double Shrink(double v, double t) {
  const double shrunk = __builtin_fabs(v) - t;
  return __builtin_copysign(shrunk > 0.0 ? shrunk : 0.0, v);
}

// Shrink lane by lane, bit for bit: the magnitude less t, at least +0, with the sign of v.
inline Vec Shrink(Vec v, Vec t) {
  const Bits sign = (Bits)Splat(-0.0);
  const Vec kept = Max((Vec)((Bits)v & ~sign) - t, Vec{});
  return (Vec)((Bits)kept | ((Bits)v & sign));
}

// The nine-tap low-pass and seven-tap high-pass analysis sums of one position: low from
// x0 .. x8, high from x2 .. x8.
inline double AnalysisLow(const double* const* x, int64_t i) {
  return kAnalysisLow[0] * x[0][i] + kAnalysisLow[1] * x[1][i] + kAnalysisLow[2] * x[2][i] +
         kAnalysisLow[3] * x[3][i] + kAnalysisLow[4] * x[4][i] + kAnalysisLow[5] * x[5][i] +
         kAnalysisLow[6] * x[6][i] + kAnalysisLow[7] * x[7][i] + kAnalysisLow[8] * x[8][i];
}

inline double AnalysisHigh(const double* const* x, int64_t i) {
  return kAnalysisHigh[0] * x[2][i] + kAnalysisHigh[1] * x[3][i] + kAnalysisHigh[2] * x[4][i] +
         kAnalysisHigh[3] * x[5][i] + kAnalysisHigh[4] * x[6][i] + kAnalysisHigh[5] * x[7][i] +
         kAnalysisHigh[6] * x[8][i];
}

// Analysis of `count` positions from nine input lines x0 .. x8 (rows of a column pass, or the
// shifted even and odd samples of a row): the low outputs always, the high outputs when kHigh,
// thresholded by t where asked. Two vectors of positions at a time, each input line loaded once
// and fed to all four chains.
template <bool kHigh, bool kShrinkLow, bool kShrinkHigh>
void Analyze9(const double* const* x, int64_t count, double* low, double* high, double t) {
  const double* ORVANE_RESTRICT x0 = x[0];
  const double* ORVANE_RESTRICT x1 = x[1];
  const double* ORVANE_RESTRICT x2 = x[2];
  const double* ORVANE_RESTRICT x3 = x[3];
  const double* ORVANE_RESTRICT x4 = x[4];
  const double* ORVANE_RESTRICT x5 = x[5];
  const double* ORVANE_RESTRICT x6 = x[6];
  const double* ORVANE_RESTRICT x7 = x[7];
  const double* ORVANE_RESTRICT x8 = x[8];
  const Vec tv = Splat(t);
  constexpr int64_t kStep = 2 * kLanes;
  int64_t i = 0;
#if ORVANE_VECTOR_BYTES == 64
  // The same sums, written so that the compiler loads each input vector once into a register
  // rather than into the multiplications of both chains: the unaligned lines of a row analysis
  // then cost half the loads, which measured a quarter faster (columns: no change).
  for (; i + kStep <= count; i += kStep) {
    Vec in[2], l[2], h[2];
    for (int v = 0; v < 2; ++v) {
      in[v] = Load(x0 + i + v * kLanes);
      l[v] = Splat(kAnalysisLow[0]) * in[v];
    }
    for (int v = 0; v < 2; ++v) {
      in[v] = Load(x1 + i + v * kLanes);
      l[v] = l[v] + Splat(kAnalysisLow[1]) * in[v];
    }
    for (int v = 0; v < 2; ++v) {
      in[v] = Load(x2 + i + v * kLanes);
      l[v] = l[v] + Splat(kAnalysisLow[2]) * in[v];
      h[v] = Splat(kAnalysisHigh[0]) * in[v];
    }
    const double* const rest[6] = {x3, x4, x5, x6, x7, x8};
#pragma GCC unroll 6
    for (int k = 3; k < 9; ++k) {
      for (int v = 0; v < 2; ++v) {
        in[v] = Load(rest[k - 3] + i + v * kLanes);
        l[v] = l[v] + Splat(kAnalysisLow[k]) * in[v];
        if (kHigh) h[v] = h[v] + Splat(kAnalysisHigh[k - 2]) * in[v];
      }
    }
    for (int v = 0; v < 2; ++v) {
      Store(low + i + v * kLanes, kShrinkLow ? Shrink(l[v], tv) : l[v]);
      if (kHigh) Store(high + i + v * kLanes, kShrinkHigh ? Shrink(h[v], tv) : h[v]);
    }
  }
#endif
  for (; i + kStep <= count; i += kStep) {
    Vec a = Load(x0 + i), b = Load(x0 + i + kLanes);
    Vec la = Splat(kAnalysisLow[0]) * a, lb = Splat(kAnalysisLow[0]) * b;
    a = Load(x1 + i);
    b = Load(x1 + i + kLanes);
    la = la + Splat(kAnalysisLow[1]) * a;
    lb = lb + Splat(kAnalysisLow[1]) * b;
    a = Load(x2 + i);
    b = Load(x2 + i + kLanes);
    la = la + Splat(kAnalysisLow[2]) * a;
    lb = lb + Splat(kAnalysisLow[2]) * b;
    Vec ha = Splat(kAnalysisHigh[0]) * a, hb = Splat(kAnalysisHigh[0]) * b;
#define ORVANE_TAP(k)                                 \
  a = Load(x##k + i);                                 \
  b = Load(x##k + i + kLanes);                        \
  la = la + Splat(kAnalysisLow[k]) * a;               \
  lb = lb + Splat(kAnalysisLow[k]) * b;               \
  if (kHigh) {                                        \
    ha = ha + Splat(kAnalysisHigh[k - 2]) * a;        \
    hb = hb + Splat(kAnalysisHigh[k - 2]) * b;        \
  }
    ORVANE_TAP(3)
    ORVANE_TAP(4)
    ORVANE_TAP(5)
    ORVANE_TAP(6)
    ORVANE_TAP(7)
    ORVANE_TAP(8)
#undef ORVANE_TAP
    Store(low + i, kShrinkLow ? Shrink(la, tv) : la);
    Store(low + i + kLanes, kShrinkLow ? Shrink(lb, tv) : lb);
    if (kHigh) {
      Store(high + i, kShrinkHigh ? Shrink(ha, tv) : ha);
      Store(high + i + kLanes, kShrinkHigh ? Shrink(hb, tv) : hb);
    }
  }
#ifdef ORVANE_PARTIAL_VECTORS
  for (; i < count; i += kLanes) {
    const int64_t n = count - i < kLanes ? count - i : kLanes;
    Vec a = LoadFirst(x0 + i, n);
    Vec la = Splat(kAnalysisLow[0]) * a;
    a = LoadFirst(x1 + i, n);
    la = la + Splat(kAnalysisLow[1]) * a;
    a = LoadFirst(x2 + i, n);
    la = la + Splat(kAnalysisLow[2]) * a;
    Vec ha = Splat(kAnalysisHigh[0]) * a;
#define ORVANE_TAP(k)                                 \
  a = LoadFirst(x##k + i, n);                         \
  la = la + Splat(kAnalysisLow[k]) * a;               \
  if (kHigh) ha = ha + Splat(kAnalysisHigh[k - 2]) * a;
    ORVANE_TAP(3)
    ORVANE_TAP(4)
    ORVANE_TAP(5)
    ORVANE_TAP(6)
    ORVANE_TAP(7)
    ORVANE_TAP(8)
#undef ORVANE_TAP
    StoreFirst(low + i, kShrinkLow ? Shrink(la, tv) : la, n);
    if (kHigh) StoreFirst(high + i, kShrinkHigh ? Shrink(ha, tv) : ha, n);
  }
#else
  for (; i < count; ++i) {
    const double l = AnalysisLow(x, i);
    low[i] = kShrinkLow ? Shrink(l, t) : l;
    if (kHigh) {
      const double h = AnalysisHigh(x, i);
      high[i] = kShrinkHigh ? Shrink(h, t) : h;
    }
  }
#endif
}

// One analysis level from the even and odd samples of an extended line, even[j] = x[2j - 4] and
// odd[j] = x[2j - 3], j in [0, ceil(n/2) + 5).
void AnalyzeSplit(const double* even, const double* odd, int n, double* low, double* high) {
  const int nLow = (n + 1) / 2;
  const int nHigh = n / 2;
  // lo[m] reads even[m .. m + 4] and odd[m .. m + 3]; hi[m] the same from even[m + 1] on.
  const double* lines[9] = {even,     odd,      even + 1, odd + 1, even + 2,
                            odd + 2,  even + 3, odd + 3,  even + 4};
  Analyze9<true, false, false>(lines, nHigh, low, high, 0.0);
  if (nLow > nHigh) low[nHigh] = AnalysisLow(lines, nHigh);
}

void AnalyzeExtended(const double* x, int n, double* low, double* high, double* even, double* odd) {
  // even[j] = x[2j - 4], odd[j] = x[2j - 3]
  const int pairs = (n + 1) / 2 + 5;
  const double* s = x - 4;
  int j = 0;
  for (; j + kLanes <= pairs; j += kLanes) {
    Vec e, o;
    Deinterleave(Load(s + 2 * j), Load(s + 2 * j + kLanes), e, o);
    Store(even + j, e);
    Store(odd + j, o);
  }
  for (; j < pairs; ++j) {
    even[j] = s[2 * j];
    odd[j] = s[2 * j + 1];
  }
  AnalyzeSplit(even, odd, n, low, high);
}

// The even and odd synthesis sums of one position from the low lines a0 .. a3 and the high
// lines b0 .. b4.
inline double SynthesisEven(const double* const* a, const double* const* b, int64_t i) {
  const double lowSum = kSynthesisLow[5] * a[0][i] + kSynthesisLow[3] * a[1][i] + kSynthesisLow[1] * a[2][i];
  const double highSum = kSynthesisHigh[7] * b[0][i] + kSynthesisHigh[5] * b[1][i] +
                         kSynthesisHigh[3] * b[2][i] + kSynthesisHigh[1] * b[3][i];
  return lowSum + highSum;
}

inline double SynthesisOdd(const double* const* a, const double* const* b, int64_t i) {
  const double lowSum = kSynthesisLow[6] * a[0][i] + kSynthesisLow[4] * a[1][i] +
                        kSynthesisLow[2] * a[2][i] + kSynthesisLow[0] * a[3][i];
  const double highSum = kSynthesisHigh[8] * b[0][i] + kSynthesisHigh[6] * b[1][i] +
                         kSynthesisHigh[4] * b[2][i] + kSynthesisHigh[2] * b[3][i] +
                         kSynthesisHigh[0] * b[4][i];
  return lowSum + highSum;
}

// A vector step over all the lanes, or over the first of them only.
template <bool kPartialStep>
struct Lanes {
  static constexpr bool kPartial = kPartialStep;
};

// Synthesis of `count` positions from the low lines a0 .. a3 and the high lines b0 .. b4 (rows of
// a column pass, or the shifted bands of a row): the even outputs, and the odd ones when kOdd.
// With kInterleave the two go to even[] as one line e0, o0, e1, o1, ... The lines `ahead`, when
// not null, are fetched into the cache on the way.
template <bool kOdd, bool kInterleave>
void Synthesize9(const double* const* a, const double* const* b, int64_t count, double* even,
                 double* odd, const double* const* ahead = nullptr) {
  const double* ORVANE_RESTRICT a0 = a[0];
  const double* ORVANE_RESTRICT a1 = a[1];
  const double* ORVANE_RESTRICT a2 = a[2];
  const double* ORVANE_RESTRICT a3 = a[3];
  const double* ORVANE_RESTRICT b0 = b[0];
  const double* ORVANE_RESTRICT b1 = b[1];
  const double* ORVANE_RESTRICT b2 = b[2];
  const double* ORVANE_RESTRICT b3 = b[3];
  const double* ORVANE_RESTRICT b4 = b[4];
  int64_t i = 0;
  // One vector of positions from i, of which the first n are wanted (all of them when not
  // kPartial).
  auto vector = [&](auto tag, int64_t n) {
    [[maybe_unused]] constexpr bool kPartial = decltype(tag)::kPartial;
    auto load = [&](const double* p) {
#ifdef ORVANE_PARTIAL_VECTORS
      if (kPartial) return LoadFirst(p + i, n);
#endif
      return Load(p + i);
    };
    auto store = [&](double* p, Vec v, int64_t lanes) {
#ifdef ORVANE_PARTIAL_VECTORS
      if (kPartial) {
        if (lanes > 0) StoreFirst(p, v, lanes < kLanes ? lanes : kLanes);
        return;
      }
#endif
      (void)lanes;
      Store(p, v);
    };
    Vec x = load(a0);
    Vec le = Splat(kSynthesisLow[5]) * x, lo = Splat(kSynthesisLow[6]) * x;
    x = load(a1);
    le = le + Splat(kSynthesisLow[3]) * x;
    lo = lo + Splat(kSynthesisLow[4]) * x;
    x = load(b0);
    Vec he = Splat(kSynthesisHigh[7]) * x, ho = Splat(kSynthesisHigh[8]) * x;
    x = load(a2);
    le = le + Splat(kSynthesisLow[1]) * x;
    lo = lo + Splat(kSynthesisLow[2]) * x;
    x = load(b1);
    he = he + Splat(kSynthesisHigh[5]) * x;
    ho = ho + Splat(kSynthesisHigh[6]) * x;
    x = load(a3);
    lo = lo + Splat(kSynthesisLow[0]) * x;
    x = load(b2);
    he = he + Splat(kSynthesisHigh[3]) * x;
    ho = ho + Splat(kSynthesisHigh[4]) * x;
    x = load(b3);
    he = he + Splat(kSynthesisHigh[1]) * x;
    ho = ho + Splat(kSynthesisHigh[2]) * x;
    x = load(b4);
    ho = ho + Splat(kSynthesisHigh[0]) * x;
    const Vec e = le + he;
    if (kInterleave) {
      Vec first, second;
      Interleave(e, lo + ho, first, second);
      store(even + 2 * i, first, 2 * n);
      store(even + 2 * i + kLanes, second, 2 * n - kLanes);
    } else {
      store(even + i, e, n);
      if (kOdd) store(odd + i, lo + ho, n);
    }
  };
#if ORVANE_VECTOR_BYTES == 64
  // Row synthesis, with 32 vector registers: three vectors of positions at a time, their chains
  // alternating (the same sums as vector() forms, term by term). The column synthesis, which
  // reads nine rows rather than two lines, measured no faster so.
  constexpr int kGroup = 3;
  for (; kInterleave && i + kGroup * kLanes <= count; i += kGroup * kLanes) {
    Vec le[kGroup], lo[kGroup], he[kGroup], ho[kGroup], x[kGroup];
    for (int v = 0; v < kGroup; ++v) {
      if (ahead) {
        __builtin_prefetch(ahead[0] + i + v * kLanes);
        __builtin_prefetch(ahead[1] + i + v * kLanes);
      }
    }
    for (int v = 0; v < kGroup; ++v) {
      x[v] = Load(a0 + i + v * kLanes);
      le[v] = Splat(kSynthesisLow[5]) * x[v];
      lo[v] = Splat(kSynthesisLow[6]) * x[v];
    }
    for (int v = 0; v < kGroup; ++v) {
      x[v] = Load(a1 + i + v * kLanes);
      le[v] = le[v] + Splat(kSynthesisLow[3]) * x[v];
      lo[v] = lo[v] + Splat(kSynthesisLow[4]) * x[v];
    }
    for (int v = 0; v < kGroup; ++v) {
      x[v] = Load(b0 + i + v * kLanes);
      he[v] = Splat(kSynthesisHigh[7]) * x[v];
      ho[v] = Splat(kSynthesisHigh[8]) * x[v];
    }
    for (int v = 0; v < kGroup; ++v) {
      x[v] = Load(a2 + i + v * kLanes);
      le[v] = le[v] + Splat(kSynthesisLow[1]) * x[v];
      lo[v] = lo[v] + Splat(kSynthesisLow[2]) * x[v];
    }
    for (int v = 0; v < kGroup; ++v) {
      x[v] = Load(b1 + i + v * kLanes);
      he[v] = he[v] + Splat(kSynthesisHigh[5]) * x[v];
      ho[v] = ho[v] + Splat(kSynthesisHigh[6]) * x[v];
    }
    for (int v = 0; v < kGroup; ++v) {
      x[v] = Load(a3 + i + v * kLanes);
      lo[v] = lo[v] + Splat(kSynthesisLow[0]) * x[v];
    }
    for (int v = 0; v < kGroup; ++v) {
      x[v] = Load(b2 + i + v * kLanes);
      he[v] = he[v] + Splat(kSynthesisHigh[3]) * x[v];
      ho[v] = ho[v] + Splat(kSynthesisHigh[4]) * x[v];
    }
    for (int v = 0; v < kGroup; ++v) {
      x[v] = Load(b3 + i + v * kLanes);
      he[v] = he[v] + Splat(kSynthesisHigh[1]) * x[v];
      ho[v] = ho[v] + Splat(kSynthesisHigh[2]) * x[v];
    }
    for (int v = 0; v < kGroup; ++v) {
      x[v] = Load(b4 + i + v * kLanes);
      ho[v] = ho[v] + Splat(kSynthesisHigh[0]) * x[v];
    }
    for (int v = 0; v < kGroup; ++v) {
      const int64_t at = i + v * kLanes;
      const Vec e = le[v] + he[v], o = lo[v] + ho[v];
      if (kInterleave) {
        Vec first, second;
        Interleave(e, o, first, second);
        Store(even + 2 * at, first);
        Store(even + 2 * at + kLanes, second);
      } else {
        Store(even + at, e);
        if (kOdd) Store(odd + at, o);
      }
    }
  }
#endif
  for (; i + kLanes <= count; i += kLanes) {
    if (ahead) {
      __builtin_prefetch(ahead[0] + i);
      __builtin_prefetch(ahead[1] + i);
    }
    vector(Lanes<false>{}, kLanes);
  }
#ifdef ORVANE_PARTIAL_VECTORS
  if (i < count) vector(Lanes<true>{}, count - i);
#else
  for (; i < count; ++i) {
    if (kInterleave) {
      even[2 * i] = SynthesisEven(a, b, i);
      even[2 * i + 1] = SynthesisOdd(a, b, i);
    } else {
      even[i] = SynthesisEven(a, b, i);
      if (kOdd) odd[i] = SynthesisOdd(a, b, i);
    }
  }
#endif
}

void SynthesizeExtended(const double* low, const double* high, int n, double* out) {
  const int nLow = (n + 1) / 2;
  const int nHigh = n / 2;
  // x[2s] reads L[s - 1 .. s + 1] and H[s - 2 .. s + 1]; x[2s + 1] also L[s + 2] and H[s + 2].
  const double* a[4] = {low - 1, low, low + 1, low + 2};
  const double* b[5] = {high - 2, high - 1, high, high + 1, high + 2};
  Synthesize9<true, true>(a, b, nHigh, out, nullptr);
  if (nLow > nHigh) out[n - 1] = SynthesisEven(a, b, nHigh);
}

// Column analysis of one output pair: the low row from rows 2m-4 .. 2m+4 (rows[0 .. 8]) and,
// when high is not null, the high row from rows 2m-2 .. 2m+4 (rows[2 .. 8]). The high row is
// always thresholded, the low row when shrinkLow is set.
void ColumnsAnalyze(const double* const* rows, int64_t count, double* low, double* high,
                    bool shrinkLow, double t) {
  if (high) {
    if (shrinkLow) Analyze9<true, true, true>(rows, count, low, high, t);
    else Analyze9<true, false, true>(rows, count, low, high, t);
  } else {
    if (shrinkLow) Analyze9<false, true, true>(rows, count, low, high, t);
    else Analyze9<false, false, true>(rows, count, low, high, t);
  }
}

// Column synthesis of output rows 2s and 2s+1 from low rows s-1 .. s+2 and high rows
// s-2 .. s+2; the odd row is skipped when odd is null.
void ColumnsSynthesize(const double* const* low, const double* const* high, int64_t count,
                       double* even, double* odd, const double* const* ahead) {
  if (odd) Synthesize9<true, false>(low, high, count, even, odd, ahead);
  else Synthesize9<false, false>(low, high, count, even, nullptr, ahead);
}

// v + 0.5, clamped to [0, 255], truncated: sixteen at a time through the vector conversions
// (the clamps as max and min, which give the same values as the comparisons below).
inline uint8_t RoundToByte(double v) {
  double x = v + 0.5;
  x = x < 0.0 ? 0.0 : x;
  x = x >= 255.0 ? 255.0 : x;
  return static_cast<uint8_t>(static_cast<int>(x));
}

// kStream: the bytes bypass the caches, for a plane that is read again only much later, where
// they would only push out the bands that are still to be read; otherwise they are written
// plainly, for a line that is read again at once.
template <bool kStream>
void RoundToBytesT(const double* v, int64_t count, uint8_t* out) {
  const Vec half = Splat(0.5), top = Splat(255.0);
  int64_t i = 0;
  if (kStream) {
    for (; i < count && (reinterpret_cast<uintptr_t>(out + i) & 15) != 0; ++i) out[i] = RoundToByte(v[i]);
  }
  auto put = [&](uint8_t* p, __m128i bytes) {
    if (kStream) {
      _mm_stream_si128(reinterpret_cast<__m128i*>(p), bytes);
    } else {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), bytes);
    }
  };
#if ORVANE_VECTOR_BYTES == 64
  // The values are in [0, 255] when converted, so keeping the low byte of each is exact.
  for (; i + 16 <= count; i += 16) {
    const __m256i lo = _mm512_cvttpd_epi32(Min(Max(Load(v + i) + half, Vec{}), top));
    const __m256i hi = _mm512_cvttpd_epi32(Min(Max(Load(v + i + kLanes) + half, Vec{}), top));
    put(out + i, _mm512_cvtepi32_epi8(_mm512_inserti64x4(_mm512_castsi256_si512(lo), hi, 1)));
  }
#else
  typedef int Ints __attribute__((vector_size(kLanes * 4)));
  for (; i + 16 <= count; i += 16) {
    __m128i words[4];
    for (int q = 0; q < 4; ++q) {
      // Four values as 32-bit integers.
      Ints lanes[4 / kLanes];
      for (int h = 0; h < 4 / kLanes; ++h) {
        const Vec x = Min(Max(Load(v + i + 4 * q + kLanes * h) + half, Vec{}), top);
        lanes[h] = __builtin_convertvector(x, Ints);
      }
      __builtin_memcpy(&words[q], lanes, 16);
    }
    put(out + i, _mm_packus_epi16(_mm_packs_epi32(words[0], words[1]), _mm_packs_epi32(words[2], words[3])));
  }
#endif
  for (; i < count; ++i) out[i] = RoundToByte(v[i]);
  if (kStream) _mm_sfence();  // the streamed bytes are ordered before whatever this thread writes next
}

void RoundToBytes(const double* v, int64_t count, uint8_t* out) { RoundToBytesT<true>(v, count, out); }
void RoundToLine(const double* v, int64_t count, uint8_t* out) { RoundToBytesT<false>(v, count, out); }

// The pixels and the byte planes pass through once per plane, each row long after the last time:
// the loops that read them fetch them a kilobyte or so ahead, as non-temporal data, which keeps
// them out of the outer caches where the rings of the transform live (measured about a tenth
// faster over a call).
inline void FetchAhead(const void* p) { _mm_prefetch(static_cast<const char*>(p), _MM_HINT_NTA); }

// Byte `channel` of count 32-bit pixels into bytes[], past the caches: the bytes are read again
// only by a later plane.
void ExtractChannel(const uint8_t* pixels, int64_t count, int channel, uint8_t* bytes) {
  const __m128i mask = _mm_set1_epi32(0xFF);
  const __m128i shift = _mm_cvtsi32_si128(8 * channel);
  int64_t i = 0;
  for (; i < count && (reinterpret_cast<uintptr_t>(bytes + i) & 15) != 0; ++i) bytes[i] = pixels[4 * i + channel];
  for (; i + 16 <= count; i += 16) {
    __m128i w[4];
    for (int q = 0; q < 4; ++q) {
      w[q] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 4 * (i + 4 * q)));
      w[q] = _mm_and_si128(_mm_srl_epi32(w[q], shift), mask);
    }
    _mm_stream_si128(reinterpret_cast<__m128i*>(bytes + i),
                     _mm_packus_epi16(_mm_packs_epi32(w[0], w[1]), _mm_packs_epi32(w[2], w[3])));
  }
  for (; i < count; ++i) bytes[i] = pixels[4 * i + channel];
  _mm_sfence();
}

// Puts byte i of planes[j] into byte channels[j] of pixel i, for j in [0, n), n <= 3; every other
// byte of the pixels keeps its value.
void MergeChannels(uint8_t* pixels, int64_t count, const uint8_t* const* planes, const int* channels, int n) {
  uint32_t keep = 0xFFFFFFFFu;
  for (int j = 0; j < n; ++j) keep &= ~(0xFFu << (8 * channels[j]));
  const __m128i keepMask = _mm_set1_epi32(static_cast<int>(keep));
  const __m128i zero = _mm_setzero_si128();
  int64_t i = 0;
  for (; i + 16 <= count; i += 16) {
    FetchAhead(pixels + 4 * i + 1024);
    if ((i & 63) == 0) {
      for (int j = 0; j < n; ++j) FetchAhead(planes[j] + i + 256);
    }
    __m128i w[4];
    for (int q = 0; q < 4; ++q) {
      w[q] = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 4 * (i + 4 * q))), keepMask);
    }
    for (int j = 0; j < n; ++j) {
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(planes[j] + i));
      const __m128i lo = _mm_unpacklo_epi8(b, zero), hi = _mm_unpackhi_epi8(b, zero);
      const __m128i shift = _mm_cvtsi32_si128(8 * channels[j]);
      w[0] = _mm_or_si128(w[0], _mm_sll_epi32(_mm_unpacklo_epi16(lo, zero), shift));
      w[1] = _mm_or_si128(w[1], _mm_sll_epi32(_mm_unpackhi_epi16(lo, zero), shift));
      w[2] = _mm_or_si128(w[2], _mm_sll_epi32(_mm_unpacklo_epi16(hi, zero), shift));
      w[3] = _mm_or_si128(w[3], _mm_sll_epi32(_mm_unpackhi_epi16(hi, zero), shift));
    }
    for (int q = 0; q < 4; ++q) _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + 4 * (i + 4 * q)), w[q]);
  }
  for (; i < count; ++i) {
    for (int j = 0; j < n; ++j) pixels[4 * i + channels[j]] = planes[j][i];
  }
}

// Byte `channel` of 2 * pairs 32-bit pixels as doubles, the even pixels into even[], the odd ones
// into odd[].
void LoadChannelPairs(const uint8_t* pixels, int64_t pairs, int channel, double* even, double* odd) {
  const int shift = 8 * channel;
  int64_t i = 0;
#if ORVANE_VECTOR_BYTES == 64
  const __m512i split = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
  const __m128i count = _mm_cvtsi32_si128(shift);
  for (; i + 8 <= pairs; i += 8) {
    FetchAhead(pixels + 8 * i + 1024);
    __m512i w = _mm512_loadu_si512(pixels + 8 * i);
    w = _mm512_permutexvar_epi32(split, _mm512_and_si512(_mm512_srl_epi32(w, count), _mm512_set1_epi32(0xFF)));
    _mm512_storeu_pd(even + i, _mm512_cvtepi32_pd(_mm512_castsi512_si256(w)));
    _mm512_storeu_pd(odd + i, _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(w, 1)));
  }
#elif defined(__AVX2__)
  const __m256i split = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  for (; i + 4 <= pairs; i += 4) {
    if ((i & 7) == 0) FetchAhead(pixels + 8 * i + 1024);
    __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + 8 * i));
    w = _mm256_permutevar8x32_epi32(_mm256_and_si256(_mm256_srli_epi32(w, shift), _mm256_set1_epi32(0xFF)), split);
    _mm256_storeu_pd(even + i, _mm256_cvtepi32_pd(_mm256_castsi256_si128(w)));
    _mm256_storeu_pd(odd + i, _mm256_cvtepi32_pd(_mm256_extracti128_si256(w, 1)));
  }
#else
  for (; i + 2 <= pairs; i += 2) {
    if ((i & 7) == 0) FetchAhead(pixels + 8 * i + 1024);
    __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 8 * i));
    w = _mm_and_si128(_mm_srli_epi32(w, shift), _mm_set1_epi32(0xFF));
    _mm_storeu_pd(even + i, _mm_cvtepi32_pd(_mm_shuffle_epi32(w, _MM_SHUFFLE(3, 1, 2, 0))));
    _mm_storeu_pd(odd + i, _mm_cvtepi32_pd(_mm_shuffle_epi32(w, _MM_SHUFFLE(2, 0, 3, 1))));
  }
#endif
  for (; i < pairs; ++i) {
    even[i] = static_cast<double>(pixels[8 * i + channel]);
    odd[i] = static_cast<double>(pixels[8 * i + 4 + channel]);
  }
}

// 2 * pairs bytes as doubles, the even ones into even[], the odd ones into odd[].
void LoadBytePairs(const uint8_t* bytes, int64_t pairs, double* even, double* odd) {
  int64_t i = 0;
#if ORVANE_VECTOR_BYTES == 64
  const __m512i split = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
  for (; i + 8 <= pairs; i += 8) {
    if ((i & 31) == 0) FetchAhead(bytes + 2 * i + 512);
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 2 * i));
    const __m512i w = _mm512_permutexvar_epi32(split, _mm512_cvtepu8_epi32(b));
    _mm512_storeu_pd(even + i, _mm512_cvtepi32_pd(_mm512_castsi512_si256(w)));
    _mm512_storeu_pd(odd + i, _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(w, 1)));
  }
#elif defined(__AVX2__)
  const __m256i split = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  for (; i + 4 <= pairs; i += 4) {
    if ((i & 31) == 0) FetchAhead(bytes + 2 * i + 512);
    const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + 2 * i));
    const __m256i w = _mm256_permutevar8x32_epi32(_mm256_cvtepu8_epi32(b), split);
    _mm256_storeu_pd(even + i, _mm256_cvtepi32_pd(_mm256_castsi256_si128(w)));
    _mm256_storeu_pd(odd + i, _mm256_cvtepi32_pd(_mm256_extracti128_si256(w, 1)));
  }
#else
  const __m128i zero = _mm_setzero_si128();
  for (; i + 4 <= pairs; i += 4) {
    if ((i & 31) == 0) FetchAhead(bytes + 2 * i + 512);
    const __m128i b = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + 2 * i)), zero);
    const __m128i lo = _mm_unpacklo_epi16(b, zero), hi = _mm_unpackhi_epi16(b, zero);
    _mm_storeu_pd(even + i, _mm_cvtepi32_pd(_mm_shuffle_epi32(lo, _MM_SHUFFLE(3, 1, 2, 0))));
    _mm_storeu_pd(odd + i, _mm_cvtepi32_pd(_mm_shuffle_epi32(lo, _MM_SHUFFLE(2, 0, 3, 1))));
    _mm_storeu_pd(even + i + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(hi, _MM_SHUFFLE(3, 1, 2, 0))));
    _mm_storeu_pd(odd + i + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(hi, _MM_SHUFFLE(2, 0, 3, 1))));
  }
#endif
  for (; i < pairs; ++i) {
    even[i] = static_cast<double>(bytes[2 * i]);
    odd[i] = static_cast<double>(bytes[2 * i + 1]);
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

#undef ORVANE_RESTRICT
#undef ORVANE_VECTOR_BYTES
#undef ORVANE_PARTIAL_VECTORS
