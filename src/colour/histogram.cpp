#include "colour/histogram.h"

#include <cstddef>
#include <algorithm>
#include <new>
#include <vector>

#include "colour/colour_correction.h"

namespace orvane {

HistogramBars ScaleHistogram(const std::array<std::array<uint32_t, 256>, 3>& counts) {
  // Bins 0 and 255 stay out of the maximum, so clipped ends do not flatten the rest.
  uint32_t m = 0;
  for (const auto& channel : counts) {
    for (int i = 1; i < 255; ++i) m = std::max(m, channel[i]);
  }
  HistogramBars bars;
  if (m == 0) return bars;
  std::array<uint8_t, 256>* out[3] = {&bars.red, &bars.green, &bars.blue};
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; i < 256; ++i) {
      const double bar = static_cast<double>(counts[c][i]) / m * 255.0;
      (*out[c])[i] = bar > 255.0 ? 255 : static_cast<uint8_t>(bar);
    }
  }
  return bars;
}

bool ComputeHistogramBars(const uint8_t* rgb, int width, int height, const ColourParams& params,
                          HistogramBars& bars) {
  if (rgb == nullptr || width <= 0 || height <= 0) return false;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<uint8_t> copy;
  try {
    copy.assign(rgb, rgb + count * 3);
  } catch (const std::bad_alloc&) {
    return false;
  }
  ColourCorrectionChain::Apply(params, copy.data(), width, height, PixelLayout::kRgb3);
  std::array<std::array<uint32_t, 256>, 3> counts{};
  const uint8_t* p = copy.data();
  for (size_t n = 0; n < count; ++n, p += 3) {
    ++counts[0][p[0]];
    ++counts[1][p[1]];
    ++counts[2][p[2]];
  }
  bars = ScaleHistogram(counts);
  return true;
}

}  // namespace orvane
