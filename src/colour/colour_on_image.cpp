#include "colour/colour_on_image.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace orvane {

namespace {

// Points at 24-bit pixels of source, widening a copy when the picture has another depth.
const uint8_t* TrueColourPixels(const RasterImage& source, RasterImage& scratch) {
  if (source.IsEmpty()) return nullptr;
  if (source.BitsPerPixel() == 24) return source.Pixels();
  if (source.ToTrueColour(scratch) != kOk) return nullptr;
  return scratch.Pixels();
}

}  // namespace

LevelsResult AutoLevels(const RasterImage& source) {
  RasterImage scratch;
  const uint8_t* rgb = TrueColourPixels(source, scratch);
  if (rgb == nullptr) return {};
  return AutoLevels(rgb, source.Width(), source.Height());
}

void ApplyAutoLevels(const RasterImage& source, ColourParams& params) {
  const LevelsResult levels = AutoLevels(source);
  params.blackPoint = levels.black;
  params.whitePoint = levels.white;
}

bool ComputeHistogramBars(const RasterImage& source, const ColourParams& params,
                          HistogramBars& bars) {
  RasterImage scratch;
  const uint8_t* rgb = TrueColourPixels(source, scratch);
  if (rgb == nullptr) return false;
  return ComputeHistogramBars(rgb, source.Width(), source.Height(), params, bars);
}

bool ComputeQuickPreview(const RasterImage& source, PixelRegion region, const ColourParams& params,
                         QuickPreviewBuffer& buffer) {
  RasterImage scratch;
  const uint8_t* rgb = TrueColourPixels(source, scratch);
  if (rgb == nullptr) return false;
  const int w = source.Width();
  const int h = source.Height();
  const int left = std::clamp(region.left, 0, w);
  const int right = std::clamp(region.right, 0, w);
  const int top = std::clamp(region.top, 0, h);
  const int bottom = std::clamp(region.bottom, 0, h);
  if (right <= left || bottom <= top) return false;
  const int rw = right - left;
  const int rh = bottom - top;
  const size_t rowBytes = static_cast<size_t>(rw) * 3;
  if (rw != buffer.width || rh != buffer.height ||
      buffer.pixels.size() != rowBytes * static_cast<size_t>(rh)) {
    try {
      buffer.pixels.assign(rowBytes * static_cast<size_t>(rh), 0);
    } catch (const std::bad_alloc&) {
      buffer.Release();
      return false;
    }
    buffer.width = rw;
    buffer.height = rh;
  }
  for (int y = 0; y < rh; ++y) {
    const uint8_t* from = rgb + (static_cast<size_t>(top + y) * w + left) * 3;
    std::memcpy(buffer.pixels.data() + static_cast<size_t>(y) * rowBytes, from, rowBytes);
  }
  ColourCorrectionChain::Apply(params, buffer.pixels.data(), rw, rh, PixelLayout::kRgb3);
  return true;
}

}  // namespace orvane
