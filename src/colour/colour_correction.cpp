#include "colour/colour_correction.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace orvane {

int BytesPerPixel(PixelLayout layout) { return layout == PixelLayout::kRgb3 ? 3 : 4; }

int BlueTableIndex(PixelLayout layout) { return layout == PixelLayout::kBgrx4 ? 0 : 2; }

bool ToneCurveActive(const ColourParams& params) {
  return params.blackPoint > 0 || params.whitePoint < 255 || params.blueGamma != 1.0f ||
         params.exposureEv != 0.0;
}

void BuildToneCurve(const ColourParams& params, int blueTable, ToneCurve& curve) {
  for (int k = 0; k < 3; ++k) {
    const double gamma = k == blueTable ? static_cast<double>(params.blueGamma) : 1.0;
    curve.SetLevels(k, params.blackPoint, params.whitePoint, 0, 255, gamma);
  }
  curve.ApplyExposure(params.exposureEv);
}

DisplayCurves CurvesForDisplay(const ColourParams& params) {
  ToneCurve curve;
  BuildToneCurve(params, 2, curve);
  DisplayCurves out;
  const auto& m = params.matchTables;
  for (int i = 0; i < 256; ++i) {
    out.red[i] = curve.Table(0)[i] + m.red[i] - i;
    out.green[i] = curve.Table(1)[i] + m.green[i] - i;
    out.blue[i] = curve.Table(2)[i] + m.blue[i] - i;
  }
  return out;
}

namespace {

void ApplyMatch(const ColourParams& params, uint8_t* pixels, size_t count, PixelLayout layout) {
  const int bpp = BytesPerPixel(layout);
  const auto& t = params.matchTables;
  const bool bgr = layout == PixelLayout::kBgrx4;
  const uint8_t* m0 = bgr ? t.blue.data() : t.red.data();
  const uint8_t* m1 = t.green.data();
  const uint8_t* m2 = bgr ? t.red.data() : t.blue.data();
  // The weights sum to 255 but the blend divides by 256; a fade outside 0..255 could leave
  // the byte range, so it is held inside.
  const int f = std::clamp(params.matchFade, 0, 255);
  const int g = 255 - f;
  uint8_t* p = pixels;
  for (size_t n = 0; n < count; ++n, p += bpp) {
    p[0] = static_cast<uint8_t>((p[0] * f + g * m0[p[0]]) >> 8);
    p[1] = static_cast<uint8_t>((p[1] * f + g * m1[p[1]]) >> 8);
    p[2] = static_cast<uint8_t>((p[2] * f + g * m2[p[2]]) >> 8);
  }
}

}  // namespace

void ColourCorrectionChain::Apply(const ColourParams& params, uint8_t* pixels, int width,
                                  int height, PixelLayout layout) {
  if (pixels == nullptr || width <= 0 || height <= 0) return;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (params.matchMode != MatchMode::kNone) ApplyMatch(params, pixels, count, layout);
  if (ToneCurveActive(params)) {
    ToneCurve curve;
    BuildToneCurve(params, BlueTableIndex(layout), curve);
    if (layout == PixelLayout::kRgb3) {
      curve.ApplyPacked3(pixels, width, height);
    } else {
      curve.ApplyPacked4(pixels, width, height);
    }
  }
  if (params.colourBoost > 0) {
    ToneCurve::BoostColours(pixels, width, height, params.colourBoost, BytesPerPixel(layout));
  }
}

int LuminanceBin(int r, int g, int b) {
  // The weights are the doubles nearest the decimals; summed in extended precision their total
  // stays just below 1, which is why a grey lands one bin low.
  const long double y = static_cast<long double>(0.587) * g + static_cast<long double>(0.299) * r +
                        static_cast<long double>(0.114) * b;
  return static_cast<int>(y);
}

LevelsResult AutoLevels(const uint8_t* rgb, int width, int height) {
  LevelsResult result;
  if (rgb == nullptr || width <= 0 || height <= 0) return result;
  std::array<uint64_t, 256> histogram{};
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  const uint8_t* p = rgb;
  for (size_t n = 0; n < count; ++n, p += 3) {
    ++histogram[LuminanceBin(p[0], p[1], p[2])];
  }
  const double total = static_cast<double>(count);
  const auto lowCount = static_cast<uint64_t>(total * 0.00980392156862745);
  const auto highCount = static_cast<uint64_t>(total * 0.9901960784313726);
  int64_t low = 0;
  int64_t high = 0;
  bool lowFound = false;
  uint64_t sum = 0;
  for (int i = 0; i < 256; ++i) {
    sum += histogram[i];
    if (!lowFound && sum >= lowCount) {
      low = i;
      lowFound = true;
    }
    if (sum >= highCount) {
      high = i;
      break;
    }
  }
  const auto n = static_cast<int64_t>(count);
  low = std::clamp<int64_t>(low, 0, n);
  high = std::clamp<int64_t>(high, 0, n);
  result.black = static_cast<int>(std::min(low, high));
  const int m = static_cast<int>(std::max(low, high));
  result.white = std::clamp(m + (255 - m) / 3, 210, 255);
  return result;
}

}  // namespace orvane
