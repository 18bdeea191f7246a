#include "app/nr_options_pane.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orvane {

int NoiseSliderPosition(double noiseLevel) {
  const double p = noiseLevel * 10.0;
  if (!(p == p)) return 0;
  return static_cast<int>(std::clamp(p, 0.0, static_cast<double>(kNoiseSliderMax)));
}

double NoiseLevelFromSlider(int position) { return position * 0.1; }

std::string NoiseBoxText(double noiseLevel) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", noiseLevel);
  return text;
}

NrOptionsState LoadNrOptions(const NrSettings& settings) {
  NrOptionsState s;
  s.advancedProcessing = settings.advancedProcessing;
  s.removeBlockNoise = RemovesBlockNoise(settings.levels);
  s.sharpenEdges = settings.sharpenEdges;
  s.sharpenAmount = settings.sharpenAmount;
  s.edgeThreshold = settings.edgeThreshold;
  return s;
}

NrSettings CopyNrOptions(const NrOptionsState& state, int modeIndex, NrSettings settings) {
  settings.advancedProcessing = state.advancedProcessing;
  settings.levels = LevelsForBlockNoise(state.removeBlockNoise);
  settings.sharpenEdges = state.sharpenEdges;
  settings.sharpenAmount = state.sharpenAmount;
  settings.edgeThreshold = state.edgeThreshold;
  if (modeIndex >= kModeDefault && modeIndex <= kModePhoto) settings.mode = static_cast<NrMode>(modeIndex);
  return settings;
}

void ApplyNrDefaults(NrOptionsState& state, int& modeIndex) {
  state.edgeThreshold = 0;
  state.sharpenAmount = kDefaultSharpenAmount;
  modeIndex = kModeDefault;
}

NrOptionsEnabling NrEnabling(const NrOptionsState& state, bool hasImage, bool fullCropMode,
                             bool showsEdges, int mode) {
  NrOptionsEnabling e;
  e.level = hasImage && !fullCropMode;
  e.advanced = e.level && state.advancedProcessing;
  e.sharpen = e.advanced && mode != kModePhoto;
  e.sharpenBox = e.sharpen && state.sharpenEdges;
  e.thresholdBox = e.advanced && showsEdges;
  return e;
}

namespace {

TypedValue Limit(double value, double low, double high, const char* lowText,
                 const std::string& highText) {
  if (!(value == value)) value = 0;
  if (value < low) return {low, true, lowText};
  if (value > high) return {high, true, highText};
  return {value, false, {}};
}

}  // namespace

TypedValue ReadNoiseBox(const std::string& text) {
  // Read as far as the text forms a number.
  const char* s = text.c_str();
  char* end = nullptr;
  double v = std::strtod(s, &end);
  if (end == s || !std::isfinite(v)) v = end == s ? 0.0 : (v < 0 ? -1.0 : 101.0);
  return Limit(v, 0.0, 100.0, "0", "100");
}

TypedValue ReadIntBox(const std::string& text, int low, int high) {
  const char* s = text.c_str();
  char* end = nullptr;
  const long long v = std::strtoll(s, &end, 10);
  return Limit(end == s ? 0.0 : static_cast<double>(v), low, high, "0", std::to_string(high));
}

double AutoNoiseLevel(double estimate) {
  if (!(estimate == estimate) || estimate < 0) return 0.0;
  // One decimal, as the box shows it.
  return std::min(100.0, std::floor(estimate * 10.0 + 0.5) / 10.0);
}

}  // namespace orvane
