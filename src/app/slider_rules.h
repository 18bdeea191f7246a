// The arithmetic of the panes' slider and popup value button: where the knob of a position
// stands, which position a mouse x means, keyboard steps that wrap around, the value label,
// the typed value and the popup's percentage and value text. The widgets only draw and forward.
#pragma once

#include <string>

namespace orvane {

// Scroll codes a slider reports with each change, as a standard horizontal slider does.
enum SliderCode : int {
  kLineLeft = 0,
  kLineRight = 1,
  kPageLeft = 2,
  kPageRight = 3,
  kThumbTrack = 5,
  kEndScroll = 8,
};

struct SliderGeometry {
  int minimum = 0;
  int maximum = 255;
  int margin = 6;

  // n: the number of positions in the range.
  int Count() const { return maximum + 1 - minimum; }
  // Knob centre of a position in a client width.
  int KnobX(int position, int clientWidth) const;
  // The position a mouse x stands for, limited to the range.
  int PositionAt(int x, int clientWidth) const;
  int Clamp(int position) const;
  // position + delta, wrapped into the range by whole counts.
  int Wrap(int position, int delta) const;
};

// The label above the knob: position - offset, divided by the divisor ("%.2lG") unless it is
// 1.0 ("%d").
std::string ValueLabelText(int position, int offset, double divisor);

// While typing into the slider's edit field: a value above the maximum becomes the maximum and a
// negative one "0". Returns the text the field should show (the same text when nothing changes).
std::string LimitTypedSliderText(const std::string& text, int maximum);
// The committed text as a position: not a number reads 0, then held to the range.
int TypedSliderPosition(const std::string& text, int minimum, int maximum);

// The popup value button.
struct PopupValueRange {
  double minimum = 0.0;
  double maximum = 100.0;
  bool integerDisplay = true;
  int digits = 6;
  double step = 1.0;

  // The percentage 0..100 of a value (truncated).
  int PercentOf(double value) const;
  // The value a percentage stands for, rounded to the step when the step is above 1.
  double ValueAt(int percent) const;
  // The text written into the edit field.
  std::string Text(int percent) const;
};

// The popup's track: 16 x 104 pixels; a row y means 102 - y percent, held to 0..100.
inline constexpr int kPopupWidth = 16;
inline constexpr int kPopupHeight = 104;
int PopupPercentAt(int y);
// The row of a percentage's mark (the knob's centre).
int PopupRowOf(int percent);

}  // namespace orvane
