#include "pipeline/crop_rotate.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "base/worker_pool.h"

namespace orvane {

const char* CropPresetName(int preset) {
  static constexpr const char* kNames[kCropPresetCount] = {
      "Square (1:1)",       "APS Panoramic (3:1)", "Classic Photo (3:2)",
      "Computer Screen (4:3)", "US Letter (11:8.5)",  "US Legal (14:8.5)",
      "A4 (11.75:8.25)",    "Widescreen (16:9)",   "Do not change"};
  return preset >= 0 && preset < kCropPresetCount ? kNames[preset] : "";
}

double CropPresetRatio(int preset, int width, int height) {
  switch (preset) {
    case 0: return 1.0;
    case 1: return 3.0;
    case 2: return 1.5;
    case 3: return 4.0 / 3.0;
    case 4: return 11.0 / 8.5;
    case 5: return 14.0 / 8.5;
    case 6: return 11.75 / 8.25;
    case 7: return 16.0 / 9.0;
    case kCropPresetKeep:
      if (width <= 0 || height <= 0) return 1.0;
      return width >= height ? static_cast<double>(width) / height
                             : static_cast<double>(height) / width;
    default: return 1.5;
  }
}

CropRectangle ComputeCropRect(int width, int height, int preset, double enlarge,
                              bool swapOrientation, int& offsetX, int& offsetY) {
  const double W = width, H = height;
  const double r = CropPresetRatio(preset, width, height);
  if (!(enlarge >= kEnlargeMin)) enlarge = kEnlargeMin;  // also catches NaN
  const bool landscape = (width >= height) != swapOrientation;
  int cw, ch;
  if (landscape) {
    cw = static_cast<int>(std::floor(W / enlarge + 0.5));
    ch = static_cast<int>(std::floor(cw / r + 0.5));
    if (ch > height) {
      ch = static_cast<int>(std::floor(H / enlarge + 0.5));
      cw = static_cast<int>(std::floor(ch * r + 0.5));
    }
  } else {
    ch = static_cast<int>(std::floor(H / enlarge + 0.5));
    cw = static_cast<int>(std::floor(ch / r + 0.5));
    if (cw > width) {
      cw = static_cast<int>(std::floor(W / enlarge + 0.5));
      ch = static_cast<int>(std::floor(cw * r + 0.5));
    }
  }
  if (offsetX < 0) offsetX = 0;
  if (offsetY < 0) offsetY = 0;
  if (offsetX + cw > width) offsetX = width - cw;
  if (offsetY + ch > height) offsetY = height - ch;
  return CropRectangle{offsetX, offsetY, offsetX + cw, offsetY + ch};
}

double ZoomIn(double enlarge) {
  enlarge += kEnlargeStep;
  return enlarge > kEnlargeMax ? kEnlargeMax : enlarge;
}

double ZoomOut(double enlarge) {
  enlarge -= kEnlargeStep;
  return enlarge < kEnlargeMin ? kEnlargeMin : enlarge;
}

double WheelEnlarge(double enlarge, int delta, bool middleButton) {
  if (middleButton) return kEnlargeMin;
  if (delta > 0) return ZoomIn(enlarge);
  if (delta < 0) return ZoomOut(enlarge);
  return enlarge;
}

double EnlargeFromSlider(int position) { return position * 0.02 + 1.0; }

int SliderFromEnlarge(double enlarge) { return static_cast<int>((enlarge - 1.0) * 50.0); }

void PanCrop(const CropRectangle& crop, int clientWidth, int clientHeight, int dx, int dy,
             PanRemainder& remainder, int& offsetX, int& offsetY) {
  const int cw = crop.width(), ch = crop.height();
  if (cw <= 0 || ch <= 0) return;
  const double a = static_cast<double>(cw) / ch;
  double f = clientWidth - 40;
  if (std::trunc(f / a) > clientHeight - 40) f = std::trunc(a * (clientHeight - 40));
  // A client area too small to show the crop cannot be dragged in.
  if (f <= 0) return;
  const double s = cw / f;
  const double mx = s * dx + remainder.x;
  const double my = s * dy + remainder.y;
  const double ix = std::trunc(mx), iy = std::trunc(my);
  remainder.x = mx - ix;
  remainder.y = my - iy;
  offsetX -= static_cast<int>(ix);
  offsetY -= static_cast<int>(iy);
}

void CropPixels(const uint8_t* source, int width, int height, const CropRectangle& rect,
                uint8_t* destination) {
  const int w = rect.width(), h = rect.height();
  if (w <= 0 || h <= 0) return;
  for (int y = 0; y < h; ++y) {
    uint8_t* out = destination + static_cast<ptrdiff_t>(y) * w * 3;
    const int sy = rect.top + y;
    for (int x = 0; x < w; ++x) {
      const int sx = rect.left + x;
      if (sy < 0 || sy >= height || sx < 0 || sx >= width) {
        out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = 0;
      } else {
        std::memcpy(out + 3 * x, source + (static_cast<ptrdiff_t>(sy) * width + sx) * 3, 3);
      }
    }
  }
}

void RotatePixels(const uint8_t* source, int width, int height, bool clockwise,
                  uint8_t* destination, WorkerPool* pool) {
  if (width <= 0 || height <= 0) return;
  // Destination rows are independent: row v of the result is column v of the source.
  auto rows = [&](int64_t v0, int64_t v1) {
    for (int64_t v = v0; v < v1; ++v) {
      uint8_t* out = destination + v * height * 3;
      for (int u = 0; u < height; ++u) {
        // clockwise: (x, y) -> (H - 1 - y, x), so destination (u, v) comes from (v, H - 1 - u).
        const int64_t sx = clockwise ? v : width - 1 - v;
        const int64_t sy = clockwise ? height - 1 - u : u;
        std::memcpy(out + 3 * u, source + (sy * width + sx) * 3, 3);
      }
    }
  };
  if (pool == nullptr || pool->size() == 1) {
    rows(0, width);
  } else {
    ParallelFor(*pool, 0, width, 32, rows);
  }
}

}  // namespace orvane
