#include "colour/tone_curve.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <vector>

namespace orvane {

namespace {

// The double nearest to 1/255; the tables are defined by this exact constant.
constexpr double kInv255 = 0.00392156862745098;

int32_t ClampToByte(double v) {
  if (!(v >= 0.0)) return 0;  // also catches NaN
  if (v >= 255.0) return 255;
  return static_cast<int32_t>(v);
}

}  // namespace

int BrightenStep(int v) { return 255 - (255 - v) * (255 - v) / 255; }
int DarkenStep(int v) { return v * v / 255; }

ToneCurve::ToneCurve() {
  for (auto& table : tables_) {
    for (int i = 0; i < 256; ++i) table[i] = i;
  }
}

void ToneCurve::SetLevels(int k, int inLow, int inHigh, int outLow, int outHigh, double gamma) {
  if (k < 0 || k > 2) return;
  if (inLow == 0 && inHigh == 255 && outLow == 0 && outHigh == 255 && gamma == 1.0) return;
  auto& table = tables_[k];
  const double span = static_cast<double>(inHigh) - inLow;
  const double outSpan = static_cast<double>(outHigh) - outLow;
  for (int i = 0; i < 256; ++i) {
    double s = i * kInv255 * 255.0 - inLow;
    // An empty input range is not normalised: everything above it lands far above 255.
    if (inHigh != inLow) s /= span;
    if (gamma != 0.0) {
      const double magnitude = std::pow(std::fabs(s), 1.0 / gamma);
      s = s < 0.0 ? -magnitude : magnitude;
    }
    const double y = outLow + s * outSpan;
    table[i] = ClampToByte((y * kInv255) * 255.0 + 0.5);
  }
}

void ToneCurve::ApplyExposure(double ev) {
  if (ev == 0.0 || std::isnan(ev)) return;
  for (auto& table : tables_) {
    for (auto& entry : table) {
      const int v = entry;
      int base;
      int target;
      double t;
      if (ev > 2.0) {
        base = BrightenStep(v);
        target = BrightenStep(base);
        t = (ev - 2.0) / 2.0;
      } else if (ev > 0.0) {
        base = v;
        target = BrightenStep(v);
        t = ev / 2.0;
      } else if (ev >= -2.0) {
        base = v;
        target = DarkenStep(v);
        t = -ev / 2.0;
      } else {
        base = DarkenStep(v);
        target = DarkenStep(base);
        t = (-ev - 2.0) / 2.0;
      }
      t = std::clamp(t, 0.0, 1.0);
      entry = ClampToByte((1.0 - t) * base + t * target);
    }
  }
}

void ToneCurve::ApplyPacked(uint8_t* pixels, int width, int height, int bytesPerPixel) const {
  if (pixels == nullptr || width <= 0 || height <= 0) return;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  const auto& t0 = tables_[0];
  const auto& t1 = tables_[1];
  const auto& t2 = tables_[2];
  uint8_t* p = pixels;
  for (size_t n = 0; n < count; ++n, p += bytesPerPixel) {
    p[0] = static_cast<uint8_t>(t0[p[0]]);
    p[1] = static_cast<uint8_t>(t1[p[1]]);
    p[2] = static_cast<uint8_t>(t2[p[2]]);
  }
}

void ToneCurve::ApplyPacked3(uint8_t* pixels, int width, int height) const {
  ApplyPacked(pixels, width, height, 3);
}

void ToneCurve::ApplyPacked4(uint8_t* pixels, int width, int height) const {
  ApplyPacked(pixels, width, height, 4);
}

void ToneCurve::BoostColours(uint8_t* pixels, int width, int height, int amount,
                             int bytesPerPixel) {
  if (pixels == nullptr || width <= 0 || height <= 0) return;
  if (bytesPerPixel != 3 && bytesPerPixel != 4) return;
  // 64-bit arithmetic so that no amount can overflow.
  const int64_t a = amount;
  const int64_t d = 2 * (255 - a);
  if (d == 0) return;
  auto boosted = [a, d](int64_t own, int64_t othersSum) -> uint8_t {
    const int64_t v = (510 * own - a * othersSum) / d;
    if (v > 255) return 255;
    if (v <= 0) return 0;
    return static_cast<uint8_t>(v);
  };
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  uint8_t* p = pixels;
  // Each result depends only on a byte and the sum of the other two, so a large picture is
  // cheaper through a table of every such pair than through three divisions per pixel.
  constexpr size_t kTableAfter = 1 << 16;
  std::vector<uint8_t> table;
  if (count >= kTableAfter) {
    try {
      table.resize(256 * 511);
    } catch (const std::bad_alloc&) {
      table.clear();  // the per-pixel divisions give the same result
    }
  }
  if (table.empty()) {
    for (size_t n = 0; n < count; ++n, p += bytesPerPixel) {
      const int64_t c0 = p[0];
      const int64_t c1 = p[1];
      const int64_t c2 = p[2];
      p[0] = boosted(c0, c1 + c2);
      p[1] = boosted(c1, c0 + c2);
      p[2] = boosted(c2, c0 + c1);
    }
    return;
  }
  for (int own = 0; own < 256; ++own) {
    for (int others = 0; others < 511; ++others) table[own * 511 + others] = boosted(own, others);
  }
  const uint8_t* t = table.data();
  for (size_t n = 0; n < count; ++n, p += bytesPerPixel) {
    const int c0 = p[0];
    const int c1 = p[1];
    const int c2 = p[2];
    p[0] = t[c0 * 511 + c1 + c2];
    p[1] = t[c1 * 511 + c0 + c2];
    p[2] = t[c2 * 511 + c0 + c1];
  }
}

std::span<const int32_t> ToneCurve::Table(int k) const {
  if (k < 0 || k > 2) return {};
  return std::span<const int32_t>(tables_[k]);
}

}  // namespace orvane
