// What the Color Correction pane's controls mean, as pure functions: slider position to
// parameter, parameters back to positions and labels, and which work a timer starts.
// The widget only moves sliders and shows the texts these return.
#pragma once

#include <string>

#include "app/view_tab.h"
#include "colour/colour_params.h"

namespace orvane {

enum class CorrectionSlider { kShadows, kHighlights, kExposure, kTemperature, kBoost };

struct SliderRange {
  int minimum;
  int maximum;
};

SliderRange RangeOf(CorrectionSlider slider);

// Sets the parameter a slider controls from its position.
void ApplySliderPosition(CorrectionSlider slider, int position, ColourParams& params);

// The mappings one by one.
int BlackPointFromShadows(int position);
int WhitePointFromHighlights(int position);
double ExposureFromSlider(int position);
float BlueGammaFromTemperature(int position);
int BoostFromSlider(int position);

// Positions and labels after a refresh from the parameters. A position outside a slider's
// range is shown at the nearer end; the labels show the parameters' true values (the
// temperature label follows the shown position).
struct CorrectionPaneView {
  int shadowsPosition = 0;
  int highlightsPosition = 0;
  int exposurePosition = 400;
  int temperaturePosition = 100;
  int boostPosition = 0;
  std::string shadowsLabel;
  std::string highlightsLabel;
  std::string exposureLabel;
  std::string temperatureLabel;
  std::string boostLabel;
};

CorrectionPaneView RefreshFromParams(const ColourParams& params);

// The label a slider shows right after it moved to position (the parameter already set).
std::string SliderLabel(CorrectionSlider slider, int position, const ColourParams& params);

// "Reset": tone, temperature and boost back to neutral; colour match untouched.
void ResetCorrection(ColourParams& params);

// One-shot timers of the pane: id 2 while a slider is dragged, id 1 otherwise.
struct TimerRequest {
  int id;
  int delayMs;
  bool operator==(const TimerRequest&) const = default;
};

enum class PaneEvent { kSliderMove, kSliderEndScroll, kReset, kAuto };
TimerRequest TimerFor(PaneEvent event);

// What a fired timer does.
enum class TimerWork {
  kRecomputeHistogram,
  kRedrawViews,
  kRebuildFullCrop,
  kRunNoiseReduction,  // on the processing region
  kQuickPreview,
  kDetailPreview,      // the view's Detail-mode preview (colour match pane)
};

TimerWork CorrectionTimerWork(int timerId, ViewTab viewTab, bool fullCropMode);
// With a plot on show, every pane's timer does the same: the histogram is computed again, the
// curves are drawn again.
TimerWork PlotTimerWork(ViewTab plot);

}  // namespace orvane
