// Crop and rotate arithmetic on plain pixels: the crop rectangle of an aspect preset, the
// enlarge steps, panning, and the pixel work of cropping and rotating 24-bit pictures.
#pragma once

#include <cstdint>

#include "base/rect.h"

namespace orvane {

class WorkerPool;

using CropRectangle = Rect;

inline constexpr int kCropPresetCount = 9;
inline constexpr int kCropPresetKeep = 8;  // "Do not change"
inline constexpr double kEnlargeMin = 1.0;
inline constexpr double kEnlargeMax = 3.0;
inline constexpr double kEnlargeStep = 0.05;

// The preset list's text, or an empty text for an unknown index.
const char* CropPresetName(int preset);
// Long side over short side; the picture's own for "Do not change", 1.5 for unknown presets.
double CropPresetRatio(int preset, int width, int height);

// The crop of a width x height picture. Clamps the offsets into the picture and stores them back.
CropRectangle ComputeCropRect(int width, int height, int preset, double enlarge,
                              bool swapOrientation, int& offsetX, int& offsetY);

// Enlarge steps: Zoom In and Out, the mouse wheel (delta > 0 forward, < 0 backward; the middle
// button resets), and the pane's slider (0 ... 100) both ways.
double ZoomIn(double enlarge);
double ZoomOut(double enlarge);
double WheelEnlarge(double enlarge, int delta, bool middleButton);
double EnlargeFromSlider(int position);
int SliderFromEnlarge(double enlarge);

// Dragging the picture by (dx, dy) client pixels in a client area of the given size moves the
// crop offsets the other way, in source pixels; fractions carry over to the next event.
struct PanRemainder {
  double x = 0.0, y = 0.0;
};
void PanCrop(const CropRectangle& crop, int clientWidth, int clientHeight, int dx, int dy,
             PanRemainder& remainder, int& offsetX, int& offsetY);

// 24-bit pixels (rows of width x 3 bytes). CropPixels fills w x h = the rectangle's size, black
// where the rectangle leaves the source.
void CropPixels(const uint8_t* source, int width, int height, const CropRectangle& rect,
                uint8_t* destination);
// destination is height x width: clockwise (x, y) -> (height - 1 - y, x), else (y, width - 1 - x).
void RotatePixels(const uint8_t* source, int width, int height, bool clockwise,
                  uint8_t* destination, WorkerPool* pool = nullptr);

}  // namespace orvane
