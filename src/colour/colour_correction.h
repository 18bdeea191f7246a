// The fixed colour-correction chain (colour match, tone curve, colour boost) and automatic
// levels. The chain works on a caller's working copy, never on a document's source image.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "colour/colour_params.h"
#include "colour/tone_curve.h"

namespace orvane {

// Byte layouts the chain understands. Rows are packed with no padding; a fourth byte is never
// touched.
enum class PixelLayout {
  kRgb3,   // red, green, blue: quick preview, histogram
  kRgbx4,  // red, green, blue, x: the noise-reduction run
  kBgrx4,  // blue, green, red, x: the Full/Crop display
};

int BytesPerPixel(PixelLayout layout);

// Index of the tone-curve table that serves blue in a layout (2, or 0 for BGRX4).
int BlueTableIndex(PixelLayout layout);

// Whether the tone step has anything to do for these parameters.
bool ToneCurveActive(const ColourParams& params);

// Builds the chain's tone curve into a fresh object: the levels on all three tables (the blue
// one with blueGamma), then the exposure. The Curves display draws the same tables.
void BuildToneCurve(const ColourParams& params, int blueTable, ToneCurve& curve);

// What the Curves display draws for red, green and blue: the chain's tone table plus the match
// table minus the identity, whatever matchMode is. Values may leave 0..255; the view clips.
struct DisplayCurves {
  std::array<int, 256> red{};
  std::array<int, 256> green{};
  std::array<int, 256> blue{};
};
DisplayCurves CurvesForDisplay(const ColourParams& params);

struct ColourCorrectionChain {
  // Applies colour match (when matchMode is not kNone), tone curve and colour boost, in that order.
  // With every parameter at its default the buffer is left unchanged.
  static void Apply(const ColourParams& params, uint8_t* pixels, int width, int height,
                    PixelLayout layout);
};

struct LevelsResult {
  int black = 0;
  int white = 255;
  bool operator==(const LevelsResult&) const = default;
};

// Black and white points from the luminance histogram of packed red-green-blue pixels
// (3 bytes each). No pixels gives (0, 255).
LevelsResult AutoLevels(const uint8_t* rgb, int width, int height);

// The luminance bin of one pixel, as AutoLevels counts it (a neutral grey v >= 1 lands in v-1).
int LuminanceBin(int r, int g, int b);

}  // namespace orvane
