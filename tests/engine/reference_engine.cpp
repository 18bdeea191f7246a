#include "reference_engine.h"

#include <cmath>

namespace orvane::reference {
namespace {

const double kLow[9] = {0.037828455506995, -0.02384946501938, -0.110624404418423,
                        0.377402855612654, 0.852698679009403, 0.377402855612654,
                        -0.110624404418423, -0.02384946501938, 0.037828455506995};
const double kHigh[7] = {-0.0645389, 0.0406894, 0.418092, -0.788486, 0.418092, 0.0406894, -0.0645389};
const double kSynLow[7] = {-0.064538882628938, -0.040689417609558, 0.418092273222212,
                           0.788485616405664,  0.418092273222212,  -0.040689417609558,
                           -0.064538882628938};
const double kSynHigh[9] = {-0.0378285, -0.0238495, 0.110624, 0.377403, -0.852699,
                            0.377403,   0.110624,   -0.0238495, -0.0378285};
constexpr int kSpare = 9;
constexpr int kPad = 32;

uint8_t* PixelRow(uint8_t* buffer, int height, int64_t stride, int y) {
  return buffer + (static_cast<int64_t>(height) - 1 - y) * stride;  // bottom-up
}

}  // namespace

void ExtendSymmetric(double* line, int n, End start, End end) {
  if (n == 1) {
    for (int j = 1; j <= kSpare; ++j) line[-j] = line[n - 1 + j] = line[0];
    return;
  }
  int period;
  if (start == End::WS && end == End::WS) period = 2 * n - 2;
  else if (start == End::HS && end == End::HS) period = 2 * n;
  else period = 2 * n - 1;
  thread_local std::vector<double> cycle;
  cycle.resize(period);
  for (int j = 0; j < period; ++j) {
    cycle[j] = j < n ? line[j] : line[(end == End::WS ? 2 * n - 2 : 2 * n - 1) - j];
  }
  auto value = [&](int j) { return cycle[((j % period) + period) % period]; };
  for (int j = 1; j <= kSpare; ++j) {
    line[-j] = value(-j);
    line[n - 1 + j] = value(n - 1 + j);
  }
}

void Analyze1D(const double* in, int n, double* out) {
  thread_local std::vector<double> buf;
  buf.resize(n + 2 * kSpare);
  double* x = buf.data() + kSpare;
  for (int i = 0; i < n; ++i) x[i] = in[i];
  ExtendSymmetric(x, n, End::WS, End::WS);
  const int nLow = (n + 1) / 2;
  for (int m = 0; m < nLow; ++m) {
    double s = 0.0;
    for (int k = 0; k <= 8; ++k) s += kLow[k] * x[2 * m - 4 + k];
    out[m] = s;
  }
  for (int m = 0; m < n / 2; ++m) {
    double s = 0.0;
    for (int k = 0; k <= 6; ++k) s += kHigh[k] * x[2 * m - 2 + k];
    out[nLow + m] = s;
  }
}

void Synthesize1D(const double* in, int n, double* out) {
  const int nLow = (n + 1) / 2;
  const int nHigh = n / 2;
  const bool odd = n % 2 == 1;
  thread_local std::vector<double> lowBuf, highBuf;
  lowBuf.resize(nLow + 2 * kSpare);
  highBuf.resize(nHigh + 2 * kSpare);
  double* L = lowBuf.data() + kSpare;
  double* H = highBuf.data() + kSpare;
  for (int i = 0; i < nLow; ++i) L[i] = in[i];
  for (int i = 0; i < nHigh; ++i) H[i] = in[nLow + i];
  ExtendSymmetric(L, nLow, End::WS, odd ? End::WS : End::HS);
  ExtendSymmetric(H, nHigh, End::HS, odd ? End::HS : End::WS);
  for (int t = 0; t < n; ++t) {
    // Only i with t - 2i + 3 inside a table contributes: i from about t/2 - 2 to t/2 + 2.
    double low = 0.0;
    for (int i = t / 2 - 3; i <= t / 2 + 3; ++i) {
      const int k = t - 2 * i + 3;
      if (k >= 0 && k <= 6) low += kSynLow[k] * L[i];
    }
    double high = 0.0;
    for (int i = t / 2 - 3; i <= t / 2 + 3; ++i) {
      const int k = t - 2 * i + 3;
      if (k >= 0 && k <= 8) high += kSynHigh[k] * H[i];
    }
    out[t] = low + high;
  }
}

Plane LoadPlane(const uint8_t* buffer, int width, int height, int64_t stride, int channel) {
  Plane p;
  p.a = width + 2 * kPad;
  p.b = height + 2 * kPad;
  p.v.assign(p.a * p.b, 0.0);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = PixelRow(const_cast<uint8_t*>(buffer), height, stride, y);
    for (int x = 0; x < width; ++x) {
      const uint8_t* px = row + 4 * x;
      p.at(kPad + y, kPad + x) =
          channel >= 0 ? static_cast<double>(px[channel])
                       : 0.5869903 * px[1] + 0.1139984 * px[0] + 0.298995 * px[2];
    }
  }
  PadPlane(p, width, height);
  return p;
}

void PadPlane(Plane& p, int width, int height) {
  const int W = width, H = height;
  for (int j = 0; j < kPad; ++j) {
    for (int c = kPad; c < W + kPad; ++c) {
      p.at(kPad - 1 - j, c) = p.at(kPad + j, c);
      p.at(H + kPad + j, c) = p.at(H + kPad - 1 - j, c);
    }
  }
  for (int r = kPad; r < H + kPad; ++r) {
    for (int j = 0; j < kPad; ++j) {
      p.at(r, kPad - 1 - j) = p.at(r, kPad + j);
      p.at(r, W + kPad + j) = p.at(r, W + kPad - 1 - j);
    }
  }
  for (int r = 0; r < p.b; ++r) {
    if (r >= kPad && r < H + kPad) continue;
    for (int c = 0; c < kPad; ++c) {
      p.at(r, c) = 0.0;
      p.at(r, W + kPad + c) = 0.0;
    }
  }
}

void ForwardTransform(Plane& p, int levels) {
  int64_t w = p.a, h = p.b;
  std::vector<double> line(std::max(p.a, p.b)), out(std::max(p.a, p.b));
  for (int level = 0; level < levels; ++level) {
    for (int64_t r = 0; r < h; ++r) {
      for (int64_t c = 0; c < w; ++c) line[c] = p.at(r, c);
      Analyze1D(line.data(), static_cast<int>(w), out.data());
      for (int64_t c = 0; c < w; ++c) p.at(r, c) = out[c];
    }
    for (int64_t c = 0; c < w; ++c) {
      for (int64_t r = 0; r < h; ++r) line[r] = p.at(r, c);
      Analyze1D(line.data(), static_cast<int>(h), out.data());
      for (int64_t r = 0; r < h; ++r) p.at(r, c) = out[r];
    }
    w = (w + 1) / 2;
    h = (h + 1) / 2;
  }
}

void SoftThreshold(Plane& p, double t) {
  for (double& v : p.v) {
    if (std::fabs(v) < t) v = 0.0;
    else v = (v > 0 ? 1.0 : -1.0) * (std::fabs(v) - t);
  }
}

void InverseTransform(Plane& p, int levels) {
  std::vector<int64_t> ws(levels + 1), hs(levels + 1);
  ws[0] = p.a;
  hs[0] = p.b;
  for (int i = 0; i < levels; ++i) {
    ws[i + 1] = (ws[i] + 1) / 2;
    hs[i + 1] = (hs[i] + 1) / 2;
  }
  std::vector<double> line(std::max(p.a, p.b)), out(std::max(p.a, p.b));
  for (int i = levels - 1; i >= 0; --i) {
    const int64_t w = ws[i], h = hs[i];
    for (int64_t c = 0; c < w; ++c) {
      for (int64_t r = 0; r < h; ++r) line[r] = p.at(r, c);
      Synthesize1D(line.data(), static_cast<int>(h), out.data());
      for (int64_t r = 0; r < h; ++r) p.at(r, c) = out[r];
    }
    for (int64_t r = 0; r < h; ++r) {
      for (int64_t c = 0; c < w; ++c) line[c] = p.at(r, c);
      Synthesize1D(line.data(), static_cast<int>(w), out.data());
      for (int64_t c = 0; c < w; ++c) p.at(r, c) = out[c];
    }
  }
}

void StoreChannel(const Plane& p, uint8_t* buffer, int width, int height, int64_t stride, int channel) {
  for (int y = 0; y < height; ++y) {
    uint8_t* row = PixelRow(buffer, height, stride, y);
    for (int x = 0; x < width; ++x) {
      double v = p.v[(kPad + y) * p.a + kPad + x] + 0.5;
      if (v < 0) v = 0;
      if (v >= 255) v = 255;
      row[4 * x + channel] = static_cast<uint8_t>(static_cast<int>(v));
    }
  }
}

void StoreLuminance(const Plane& p, uint8_t* buffer, int width, int height, int64_t stride) {
  auto clampTruncate = [](double v) {
    if (v < 0) v = 0;
    if (v > 255) v = 255;
    return static_cast<uint8_t>(static_cast<int>(v));
  };
  for (int y = 0; y < height; ++y) {
    uint8_t* row = PixelRow(buffer, height, stride, y);
    for (int x = 0; x < width; ++x) {
      uint8_t* px = row + 4 * x;
      const double b0 = px[0], b1 = px[1], b2 = px[2];
      const double Y = p.v[(kPad + y) * p.a + kPad + x];
      px[2] = clampTruncate(Y + 0.701005 * b2 - 0.5869903 * b1 - 0.1139984 * b0);
      px[0] = clampTruncate(Y + 0.8860016 * b0 - 0.5869903 * b1 - 0.298995 * b2);
      px[1] = clampTruncate(Y + 0.4130097 * b1 - 0.1139984 * b0 - 0.298995 * b2);
    }
  }
}

void NoiseReduce(uint8_t* buffer, int width, int height, int64_t stride, int levels,
                 double noiseLevel, bool perChannel) {
  if (!(noiseLevel > 0)) return;
  if (perChannel) {
    for (int c = 0; c < 3; ++c) {
      Plane p = LoadPlane(buffer, width, height, stride, c);
      ForwardTransform(p, levels);
      SoftThreshold(p, noiseLevel);
      InverseTransform(p, levels);
      StoreChannel(p, buffer, width, height, stride, c);
    }
  } else {
    const double t = (noiseLevel + noiseLevel + noiseLevel) * 0.3333333333333333;
    Plane p = LoadPlane(buffer, width, height, stride, -1);
    ForwardTransform(p, levels);
    SoftThreshold(p, t);
    InverseTransform(p, levels);
    StoreLuminance(p, buffer, width, height, stride);
  }
}

}  // namespace orvane::reference
