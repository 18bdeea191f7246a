// Bar heights of the Histogram tab: the picture after colour match and correction, before
// noise reduction, scaled so that the fullest interior bin reaches 255.
#pragma once

#include <array>
#include <cstdint>

#include "colour/colour_params.h"

namespace orvane {

struct HistogramBars {
  std::array<uint8_t, 256> red{};
  std::array<uint8_t, 256> green{};
  std::array<uint8_t, 256> blue{};
  bool operator==(const HistogramBars&) const = default;
};

// Recomputes bars from packed 3-byte red-green-blue pixels, running the chain on a private
// copy. Returns false and leaves bars as they were when there are no pixels or no memory.
bool ComputeHistogramBars(const uint8_t* rgb, int width, int height, const ColourParams& params,
                          HistogramBars& bars);

// The scaling step alone: counts of red, green and blue to bars.
HistogramBars ScaleHistogram(const std::array<std::array<uint32_t, 256>, 3>& counts);

}  // namespace orvane
