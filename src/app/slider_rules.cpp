#include "app/slider_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orvane {

int SliderGeometry::KnobX(int position, int clientWidth) const {
  const int n = std::max(1, Count());
  return margin + static_cast<int>(static_cast<long long>(position - minimum) *
                                   (clientWidth - 2 * margin) / n);
}

int SliderGeometry::PositionAt(int x, int clientWidth) const {
  const int n = std::max(1, Count());
  const double perPosition = static_cast<double>(clientWidth - 2 * margin) / n;
  if (perPosition <= 0.0) return Clamp(minimum);
  const double p = (x - margin) / perPosition;
  return Clamp(static_cast<int>(std::clamp(p, -1e9, 1e9)) + minimum);
}

int SliderGeometry::Clamp(int position) const {
  return std::clamp(position, minimum, std::max(minimum, maximum));
}

int SliderGeometry::Wrap(int position, int delta) const {
  const int n = Count();
  long long p = static_cast<long long>(position) + delta;
  if (n <= 0) return minimum;
  // The loops of the plain rule, done with a modulo so that a huge step stays quick.
  if (p < minimum) p += ((minimum - p + n - 1) / n) * n;
  if (p > maximum) p -= ((p - maximum + n - 1) / n) * n;
  return static_cast<int>(p);
}

std::string ValueLabelText(int position, int offset, double divisor) {
  char text[64];
  const int v = position - offset;
  if (divisor != 1.0)
    std::snprintf(text, sizeof text, "%.2G", v / divisor);
  else
    std::snprintf(text, sizeof text, "%d", v);
  return text;
}

namespace {

// The leading integer of a text, as far as it forms one; 0 when there is none.
long long LeadingInt(const std::string& text) {
  const char* s = text.c_str();
  char* end = nullptr;
  const long long v = std::strtoll(s, &end, 10);
  return end == s ? 0 : v;
}

}  // namespace

std::string LimitTypedSliderText(const std::string& text, int maximum) {
  const long long v = LeadingInt(text);
  if (v > maximum) return std::to_string(maximum);
  if (v < 0) return "0";
  return text;
}

int TypedSliderPosition(const std::string& text, int minimum, int maximum) {
  const long long v = LeadingInt(text);
  return static_cast<int>(std::clamp<long long>(v, minimum, std::max(minimum, maximum)));
}

int PopupValueRange::PercentOf(double value) const {
  const double span = maximum - minimum;
  if (span == 0.0) return 0;
  const double p = 100.0 / span * (value - minimum);
  if (!(p == p)) return 0;
  return static_cast<int>(std::clamp(p, 0.0, 100.0));
}

double PopupValueRange::ValueAt(int percent) const {
  const double divisor = 100.0 / (maximum - minimum);
  double value = (divisor == 0.0 || !std::isfinite(divisor)) ? minimum : minimum + percent / divisor;
  if (step > 1.0) value = step * std::floor(value / step + 0.5);
  return value;
}

std::string PopupValueRange::Text(int percent) const {
  const double value = ValueAt(percent);
  char text[64];
  if (integerDisplay) {
    std::snprintf(text, sizeof text, "%d", static_cast<int>(std::clamp(value, -2147483648.0, 2147483647.0)));
  } else {
    char format[16];
    std::snprintf(format, sizeof format, "%%#.%dlG", std::clamp(digits, 1, 17));
    std::snprintf(text, sizeof text, format, value);
  }
  return text;
}

int PopupPercentAt(int y) { return std::clamp(102 - y, 0, 100); }
int PopupRowOf(int percent) { return 102 - std::clamp(percent, 0, 100); }

}  // namespace orvane
