#include "app/correction_sliders.h"

#include <algorithm>
#include <cstdio>

namespace orvane {

namespace {

std::string FormatInt(int v) { return std::to_string(v); }

std::string FormatOneDecimal(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", v);
  return text;
}

// Truncation toward zero of a double, kept inside int.
int TruncToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(v);
}

}  // namespace

SliderRange RangeOf(CorrectionSlider slider) {
  switch (slider) {
    case CorrectionSlider::kShadows: return {0, 100};
    case CorrectionSlider::kHighlights: return {0, 100};
    case CorrectionSlider::kExposure: return {0, 800};
    case CorrectionSlider::kTemperature: return {0, 200};
    case CorrectionSlider::kBoost: return {0, 100};
  }
  return {0, 0};
}

int BlackPointFromShadows(int position) { return position; }
int WhitePointFromHighlights(int position) { return 255 - position; }
double ExposureFromSlider(int position) { return (position - 400) * 0.01; }

float BlueGammaFromTemperature(int position) {
  const double x = (position - 100) * 0.01 * 0.4;
  return x == 0.0 ? 1.0f : static_cast<float>(1.0 + x);
}

int BoostFromSlider(int position) { return position; }

void ApplySliderPosition(CorrectionSlider slider, int position, ColourParams& params) {
  switch (slider) {
    case CorrectionSlider::kShadows: params.blackPoint = BlackPointFromShadows(position); break;
    case CorrectionSlider::kHighlights:
      params.whitePoint = WhitePointFromHighlights(position);
      break;
    case CorrectionSlider::kExposure: params.exposureEv = ExposureFromSlider(position); break;
    case CorrectionSlider::kTemperature:
      params.blueGamma = BlueGammaFromTemperature(position);
      break;
    case CorrectionSlider::kBoost: params.colourBoost = BoostFromSlider(position); break;
  }
}

std::string SliderLabel(CorrectionSlider slider, int position, const ColourParams& params) {
  switch (slider) {
    case CorrectionSlider::kShadows: return FormatInt(params.blackPoint);
    case CorrectionSlider::kHighlights: return FormatInt(255 - params.whitePoint);
    case CorrectionSlider::kExposure: return FormatOneDecimal(params.exposureEv);
    case CorrectionSlider::kTemperature: return FormatInt(position - 100);
    case CorrectionSlider::kBoost: return FormatInt(params.colourBoost);
  }
  return {};
}

CorrectionPaneView RefreshFromParams(const ColourParams& params) {
  auto shown = [](CorrectionSlider slider, int position) {
    const SliderRange range = RangeOf(slider);
    return std::clamp(position, range.minimum, range.maximum);
  };
  CorrectionPaneView view;
  view.highlightsPosition = shown(CorrectionSlider::kHighlights, 255 - params.whitePoint);
  view.shadowsPosition = shown(CorrectionSlider::kShadows, params.blackPoint);
  view.boostPosition = shown(CorrectionSlider::kBoost, params.colourBoost);
  view.exposurePosition =
      shown(CorrectionSlider::kExposure, TruncToInt(params.exposureEv * 100.0 + 400.0));
  const double gamma = params.blueGamma;
  view.temperaturePosition =
      shown(CorrectionSlider::kTemperature,
            params.blueGamma == 1.0f ? 100 : TruncToInt((gamma - 1.0) * 2.5 * 100.0 + 100.0));
  view.shadowsLabel = SliderLabel(CorrectionSlider::kShadows, view.shadowsPosition, params);
  view.highlightsLabel =
      SliderLabel(CorrectionSlider::kHighlights, view.highlightsPosition, params);
  view.exposureLabel = SliderLabel(CorrectionSlider::kExposure, view.exposurePosition, params);
  view.temperatureLabel =
      SliderLabel(CorrectionSlider::kTemperature, view.temperaturePosition, params);
  view.boostLabel = SliderLabel(CorrectionSlider::kBoost, view.boostPosition, params);
  return view;
}

void ResetCorrection(ColourParams& params) {
  params.blackPoint = 0;
  params.whitePoint = 255;
  params.colourBoost = 0;
  params.blueGamma = 1.0f;
  params.exposureEv = 0.0;
}

TimerRequest TimerFor(PaneEvent event) {
  switch (event) {
    case PaneEvent::kSliderMove: return {2, 100};
    case PaneEvent::kSliderEndScroll: return {1, 100};
    case PaneEvent::kReset: return {1, 100};
    case PaneEvent::kAuto: return {1, 20};
  }
  return {1, 100};
}

TimerWork PlotTimerWork(ViewTab plot) {
  return plot == ViewTab::kHistogram ? TimerWork::kRecomputeHistogram : TimerWork::kRedrawViews;
}

TimerWork CorrectionTimerWork(int timerId, ViewTab viewTab, bool fullCropMode) {
  if (viewTab != ViewTab::kPicture) return PlotTimerWork(viewTab);
  if (fullCropMode) return TimerWork::kRebuildFullCrop;
  return timerId == 2 ? TimerWork::kQuickPreview : TimerWork::kRunNoiseReduction;
}

}  // namespace orvane
