// The colour tools applied to a document's source picture: automatic levels, the quick preview
// of the processing region and the histogram bars. Pictures of any depth are accepted (a 1-bit
// picture is widened to red-green-blue on a copy first).
#pragma once

#include <cstdint>
#include <vector>

#include "base/rect.h"
#include "colour/colour_correction.h"
#include "colour/histogram.h"
#include "imagefile/raster_image.h"

namespace orvane {

// (0, 255) for an empty picture.
LevelsResult AutoLevels(const RasterImage& source);

// "Auto" of the Color Correction pane: only the black and white points change.
void ApplyAutoLevels(const RasterImage& source, ColourParams& params);

// False, with the bars untouched, when the picture holds no pixels.
bool ComputeHistogramBars(const RasterImage& source, const ColourParams& params,
                          HistogramBars& bars);

// The corrected copy, before noise reduction, of the processing region: 3 bytes per pixel,
// red, green, blue. Released (0 x 0) at the start of every noise-reduction run.
struct QuickPreviewBuffer {
  std::vector<uint8_t> pixels;
  int width = 0;
  int height = 0;

  void Release() {
    pixels = {};
    width = 0;
    height = 0;
  }
  bool IsEmpty() const { return width == 0 || height == 0; }
};

using PixelRegion = Rect;

// Copies the region (each coordinate held to the picture) of source into buffer, resized when
// its size differs, and runs the chain on it. Returns false and leaves the buffer as it was
// when the picture is empty or the region holds no pixels. The document skips this while it
// is computing.
bool ComputeQuickPreview(const RasterImage& source, PixelRegion region, const ColourParams& params,
                         QuickPreviewBuffer& buffer);

}  // namespace orvane
