// Included by photo_kernels_baseline.cpp and photo_kernels_avx2.cpp inside an unnamed
// namespace: the same code for each instruction set.

typedef float V8 __attribute__((vector_size(32)));
typedef int I8 __attribute__((vector_size(32)));

constexpr float kC1 = 0.49039264020161522f;  // cos(k pi / 16) / 2
constexpr float kC2 = 0.46193976625564337f;
constexpr float kC3 = 0.41573480615127262f;
constexpr float kC4 = 0.35355339059327376f;
constexpr float kC5 = 0.27778511650980111f;
constexpr float kC6 = 0.19134171618254492f;
constexpr float kC7 = 0.09754516100806417f;
constexpr float kMinSigma = 0.05f;
constexpr float kRoot3 = 0.57735026918962576f;
constexpr float kRoot2 = 0.70710678118654752f;
constexpr float kRoot6 = 0.40824829046386302f;

// The Kaiser window (beta 2) over a block, row by row.
struct Window {
  V8 row[8];
  float at[8];
  Window() {
    auto bessel0 = [](double x) {
      double sum = 1, term = 1;
      for (int k = 1; k < 30; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
      }
      return sum;
    };
    for (int n = 0; n < 8; ++n) {
      const double r = 2.0 * n / 7 - 1.0;
      at[n] = static_cast<float>(bessel0(2.0 * std::sqrt(1 - r * r)) / bessel0(2.0));
    }
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) row[y][x] = at[y] * at[x];
  }
};

const Window& TheWindow() {
  static const Window w;
  return w;
}

inline V8 Load(const float* p) {
  V8 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void Store(float* p, V8 v) { std::memcpy(p, &v, sizeof v); }

inline V8 Splat(float f) { return V8{f, f, f, f, f, f, f, f}; }

// 8 x 8 transpose of the rows.
inline void Transpose(V8* r) {
  V8 a[8], b[8];
  for (int i = 0; i < 8; i += 2) {
    a[i] = __builtin_shufflevector(r[i], r[i + 1], 0, 8, 1, 9, 4, 12, 5, 13);
    a[i + 1] = __builtin_shufflevector(r[i], r[i + 1], 2, 10, 3, 11, 6, 14, 7, 15);
  }
  for (int i = 0; i < 8; i += 4)
    for (int j = 0; j < 2; ++j) {
      b[i + 2 * j] = __builtin_shufflevector(a[i + j], a[i + j + 2], 0, 1, 8, 9, 4, 5, 12, 13);
      b[i + 2 * j + 1] = __builtin_shufflevector(a[i + j], a[i + j + 2], 2, 3, 10, 11, 6, 7, 14, 15);
    }
  for (int i = 0; i < 4; ++i) {
    r[i] = __builtin_shufflevector(b[i], b[i + 4], 0, 1, 2, 3, 8, 9, 10, 11);
    r[i + 4] = __builtin_shufflevector(b[i], b[i + 4], 4, 5, 6, 7, 12, 13, 14, 15);
  }
}

// Orthonormal 8-point cosine transform across the eight rows (each lane on its own).
inline void Dct8(V8* x) {
  const V8 s07 = x[0] + x[7], d07 = x[0] - x[7], s16 = x[1] + x[6], d16 = x[1] - x[6];
  const V8 s25 = x[2] + x[5], d25 = x[2] - x[5], s34 = x[3] + x[4], d34 = x[3] - x[4];
  const V8 a0 = s07 + s34, a1 = s16 + s25, a2 = s16 - s25, a3 = s07 - s34;
  x[0] = kC4 * (a0 + a1);
  x[4] = kC4 * (a0 - a1);
  x[2] = kC2 * a3 + kC6 * a2;
  x[6] = kC6 * a3 - kC2 * a2;
  x[1] = kC1 * d07 + kC3 * d16 + kC5 * d25 + kC7 * d34;
  x[3] = kC3 * d07 - kC7 * d16 - kC1 * d25 - kC5 * d34;
  x[5] = kC5 * d07 - kC1 * d16 + kC7 * d25 + kC3 * d34;
  x[7] = kC7 * d07 - kC5 * d16 + kC3 * d25 - kC1 * d34;
}

// Its inverse (the transpose).
inline void Idct8(V8* x) {
  const V8 p = kC4 * (x[0] + x[4]), q = kC4 * (x[0] - x[4]);
  const V8 r0 = kC2 * x[2] + kC6 * x[6], r1 = kC6 * x[2] - kC2 * x[6];
  const V8 e0 = p + r0, e3 = p - r0, e1 = q + r1, e2 = q - r1;
  const V8 o0 = kC1 * x[1] + kC3 * x[3] + kC5 * x[5] + kC7 * x[7];
  const V8 o1 = kC3 * x[1] - kC7 * x[3] - kC1 * x[5] - kC5 * x[7];
  const V8 o2 = kC5 * x[1] - kC1 * x[3] + kC7 * x[5] + kC3 * x[7];
  const V8 o3 = kC7 * x[1] - kC5 * x[3] + kC3 * x[5] - kC1 * x[7];
  x[0] = e0 + o0, x[7] = e0 - o0;
  x[1] = e1 + o1, x[6] = e1 - o1;
  x[2] = e2 + o2, x[5] = e2 - o2;
  x[3] = e3 + o3, x[4] = e3 - o3;
}

// The block's coefficients, transposed (row = horizontal frequency); DC at [0][0].
inline void Forward(V8* b) {
  Dct8(b);
  Transpose(b);
  Dct8(b);
}

inline void Inverse(V8* b) {
  Idct8(b);
  Transpose(b);
  Idct8(b);
}

inline void LoadBlock(const PhotoPlanes& p, int c, int bx, int by, V8* b) {
  const float* at = p.plane[c] + static_cast<int64_t>(by - p.top) * p.stride + (bx - p.left);
  for (int y = 0; y < 8; ++y) b[y] = Load(at + y * p.stride);
}

// The noise in the three planes of a block with these DC coefficients (eight times the
// plane means), at least kMinSigma.
inline void BlockSigmas(const PhotoBlockPass& pass, float dcY, float dc1, float dc2, float* sigma) {
  const float y = dcY / 8, c1 = dc1 / 8, c2 = dc2 / 8;
  const float mean[3] = {y * kRoot3 + c1 * kRoot2 + c2 * kRoot6, y * kRoot3 - 2 * c2 * kRoot6,
                         y * kRoot3 - c1 * kRoot2 + c2 * kRoot6};
  double v[3];
  for (int c = 0; c < 3; ++c) {
    const double m = std::clamp(static_cast<double>(mean[c]), 0.0, 255.0);
    const double s = pass.model->channel[c].sigmaAt(m) * pass.strength;
    v[c] = s * s;
  }
  sigma[0] = static_cast<float>(std::sqrt((v[0] + v[1] + v[2]) / 3));
  sigma[1] = static_cast<float>(std::sqrt((v[0] + v[2]) / 2));
  sigma[2] = static_cast<float>(std::sqrt((v[0] + 4 * v[1] + v[2]) / 6));
  for (int c = 0; c < 3; ++c) sigma[c] = std::max(sigma[c], kMinSigma);
}

// Adds the block estimate with weight g into the accumulators of plane c, rows clipped.
inline void Accumulate(const PhotoBlockPass& pass, int c, int bx, int by, const V8* est, float g) {
  const Window& win = TheWindow();
  const int ya = std::max(by, pass.accTop), yb = std::min(by + 8, pass.accTop + pass.accRows);
  const V8 gv = Splat(g);
  for (int y = ya; y < yb; ++y) {
    const int64_t at = static_cast<int64_t>(y - pass.accTop) * pass.accStride + (bx - pass.accLeft);
    float* s = pass.sum[c] + at;
    float* q = pass.weight[c] + at;
    const V8 a = win.row[y - by] * gv;
    Store(s, Load(s) + a * est[y - by]);
    Store(q, Load(q) + a);
  }
}

inline float LaneSum(V8 v) {
  float s = 0;
  for (int i = 0; i < 8; ++i) s += v[i];
  return s;
}

void PilotPass(const PhotoBlockPass& pass) {
  V8 b[3][8];
  for (int by = pass.by0; by <= pass.by1; by += pass.step)
    for (int bx = pass.bx0; bx <= pass.bx1; bx += pass.step) {
      for (int c = 0; c < 3; ++c) {
        LoadBlock(*pass.noisy, c, bx, by, b[c]);
        Forward(b[c]);
      }
      float sigma[3];
      BlockSigmas(pass, b[0][0][0], b[1][0][0], b[2][0][0], sigma);
      for (int c = 0; c < 3; ++c) {
        const V8 t = Splat(pass.hardThreshold * sigma[c]);
        const float dc = b[c][0][0];
        // The DC coefficient always stays and counts.
        const bool dcCut = !(dc >= t[0] || dc <= -t[0]);
        I8 kept = {dcCut ? 1 : 0, 0, 0, 0, 0, 0, 0, 0};
        for (int y = 0; y < 8; ++y) {
          const V8 v = b[c][y];
          const I8 keep = (v >= t) | (v <= -t);
          kept -= keep;
          b[c][y] = (V8)(keep & (I8)v);  // the bits of v where kept, zero elsewhere
        }
        b[c][0][0] = dc;
        int n = 0;
        for (int i = 0; i < 8; ++i) n += kept[i];
        Inverse(b[c]);
        Accumulate(pass, c, bx, by, b[c], 1.f / (static_cast<float>(n) * sigma[c] * sigma[c]));
      }
    }
}

// A block's DC coefficient without the rest of its transform: an eighth of its sum.
inline float BlockDc(const V8* b) {
  V8 s = b[0];
  for (int y = 1; y < 8; ++y) s += b[y];
  return LaneSum(s) / 8;
}

void WienerPass(const PhotoBlockPass& pass) {
  V8 b[3][8], g[3][8];
  for (int by = pass.by0; by <= pass.by1; by += pass.step)
    for (int bx = pass.bx0; bx <= pass.bx1; bx += pass.step) {
      float dc[3];
      for (int c = 0; c < 3; ++c) {
        LoadBlock(*pass.pilot, c, bx, by, g[c]);
        if (c < pass.firstPlane || c >= pass.endPlane) {
          dc[c] = BlockDc(g[c]);  // only its brightness is needed
          continue;
        }
        Forward(g[c]);
        dc[c] = g[c][0][0];
        LoadBlock(*pass.noisy, c, bx, by, b[c]);
        Forward(b[c]);
      }
      float sigma[3];
      BlockSigmas(pass, dc[0], dc[1], dc[2], sigma);
      for (int c = pass.firstPlane; c < pass.endPlane; ++c) {
        const V8 v = Splat(sigma[c] * sigma[c]);
        V8 energy = {};
        for (int y = 0; y < 8; ++y) {
          const V8 g2 = g[c][y] * g[c][y];
          const V8 w = g2 / (g2 + v);
          b[c][y] *= w;
          energy += w * w;
        }
        Inverse(b[c]);
        const float e = std::max(LaneSum(energy), 1e-3f);
        Accumulate(pass, c, bx, by, b[c], 1.f / (e * sigma[c] * sigma[c]));
      }
    }
}
