// The one rectangle of pixels: the run's region, the crop, the colour preview's part.
#pragma once

namespace orvane {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

}  // namespace orvane
