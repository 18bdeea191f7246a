// What the NR Options pane decides: its mode entries, which controls are enabled, how the typed
// boxes are limited, what "Default" resets, and what its timer copies into the document. The
// widget shows the state and starts the timer with the delays named here.
#pragma once

#include <array>
#include <string>

#include "pipeline/denoise_run.h"

namespace orvane {

// The mode list, index = nrMode; each entry shows two lines.
inline constexpr std::array<const char*, 6> kNrModeTexts = {
    "Default Mode",
    "Nature Mode\n(Retain fine details)",
    "Portrait Mode\n(Retain facial texture)",
    "High Noise Mode\n(Extreme high noise or ISO)",
    "Scanner Mode\n(Remove Moire form scans)",
    "Photo Mode\n(Luminance and colour apart)",
};

// Timer 1 of the pane: after a click or the end of a slider drag, and after typing.
inline constexpr int kNrClickDelayMs = 100;
inline constexpr int kNrTypingDelayMs = 800;

// The noise slider shows ten positions per level, up to level 20. A level above it (typed, or
// chosen by Auto) shows in the box and leaves the slider at its right end.
inline constexpr int kNoiseSliderMax = 200;
int NoiseSliderPosition(double noiseLevel);  // level x 10 truncated, within 0 ... kNoiseSliderMax
double NoiseLevelFromSlider(int position);
std::string NoiseBoxText(double noiseLevel);  // "%.1lf"

// The members the pane mirrors from the document.
struct NrOptionsState {
  bool advancedProcessing = true;
  bool removeBlockNoise = true;  // levels >= 4
  bool sharpenEdges = true;
  int sharpenAmount = 8;
  int edgeThreshold = 0;
};
NrOptionsState LoadNrOptions(const NrSettings& settings);
// Timer 1: the members and the combo's mode over the document's settings, to be applied.
NrSettings CopyNrOptions(const NrOptionsState& state, int modeIndex, NrSettings settings);

// "Default": threshold 0, amount 8, Default Mode; nothing else.
inline constexpr int kDefaultSharpenAmount = 8;
void ApplyNrDefaults(NrOptionsState& state, int& modeIndex);

// What the enabling rules enable.
struct NrOptionsEnabling {
  bool level = false;        // slider, box, Remove Block Noise, Advanced Processing
  bool advanced = false;     // mode combo, Default, threshold label
  bool sharpen = false;      // Sharpen Edges and the amount spin: Photo mode does not sharpen
  bool sharpenBox = false;   // the amount box
  bool thresholdBox = false; // threshold box and spin
  bool operator==(const NrOptionsEnabling&) const = default;
};
// doc may be null: then a picture counts as loaded, Full/Crop mode as off and the output window
// as not showing edges.
NrOptionsEnabling NrEnabling(const NrOptionsState& state, bool hasImage, bool fullCropMode,
                             bool showsEdges, int mode = kModeDefault);

// A typed box: the value read as a number (0 when it is none), held to its limits. limited
// tells the widget to put the limit's text in the box and select it.
struct TypedValue {
  double value = 0;
  bool limited = false;
  std::string text;  // the text of the limit when limited
};
TypedValue ReadNoiseBox(const std::string& text);                     // 0 .. 100, decimal
TypedValue ReadIntBox(const std::string& text, int low, int high);    // integer

// A run of the estimate asks for a level the engine takes; the slider's top is 20.
double AutoNoiseLevel(double estimate);

}  // namespace orvane
