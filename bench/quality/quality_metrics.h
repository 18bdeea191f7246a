// Picture quality figures for the quality benchmark: PSNR over the three channels, and SSIM
// with an 11 x 11 Gaussian window of sigma 1.5, averaged over the channels (the usual form,
// with the five-pixel border left out).
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::bench {

inline double Psnr(const uint8_t* a, const uint8_t* b, size_t n) {
  double sum = 0;
  for (size_t i = 0; i < n; ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
  return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * static_cast<double>(n) / sum);
}

// a, b: 24-bit pixels, rows of w x 3 bytes.
inline double Ssim(const uint8_t* a, const uint8_t* b, int w, int h) {
  constexpr int r = 5;
  double g[2 * r + 1], gs = 0;
  for (int i = -r; i <= r; ++i) gs += g[i + r] = std::exp(-i * i / (2 * 1.5 * 1.5));
  for (double& v : g) v /= gs;
  const double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
  const size_t n = static_cast<size_t>(w) * h;
  auto blur = [&](const std::vector<double>& in) {
    std::vector<double> t(n, 0), out(n, 0);
    for (int y = 0; y < h; ++y)
      for (int x = r; x < w - r; ++x) {
        double s = 0;
        for (int k = -r; k <= r; ++k) s += g[k + r] * in[static_cast<size_t>(y) * w + x + k];
        t[static_cast<size_t>(y) * w + x] = s;
      }
    for (int y = r; y < h - r; ++y)
      for (int x = r; x < w - r; ++x) {
        double s = 0;
        for (int k = -r; k <= r; ++k) s += g[k + r] * t[static_cast<size_t>(y + k) * w + x];
        out[static_cast<size_t>(y) * w + x] = s;
      }
    return out;
  };
  double total = 0;
  for (int c = 0; c < 3; ++c) {
    std::vector<double> x(n), y(n), xx(n), yy(n), xy(n);
    for (size_t i = 0; i < n; ++i) {
      x[i] = a[3 * i + c], y[i] = b[3 * i + c];
      xx[i] = x[i] * x[i], yy[i] = y[i] * y[i], xy[i] = x[i] * y[i];
    }
    const auto mx = blur(x), my = blur(y), mxx = blur(xx), myy = blur(yy), mxy = blur(xy);
    double sum = 0;
    size_t count = 0;
    for (int yy0 = r; yy0 < h - r; ++yy0)
      for (int xx0 = r; xx0 < w - r; ++xx0) {
        const size_t i = static_cast<size_t>(yy0) * w + xx0;
        const double vx = mxx[i] - mx[i] * mx[i], vy = myy[i] - my[i] * my[i];
        const double cxy = mxy[i] - mx[i] * my[i];
        sum += ((2 * mx[i] * my[i] + c1) * (2 * cxy + c2)) /
               ((mx[i] * mx[i] + my[i] * my[i] + c1) * (vx + vy + c2));
        ++count;
      }
    total += count > 0 ? sum / static_cast<double>(count) : 1;
  }
  return total / 3;
}

}  // namespace orvane::bench
