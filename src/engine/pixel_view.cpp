#include "engine/pixel_view.h"

namespace orvane {

bool PixelView::attach(int width, int height, int bitsPerPixel, uint8_t* base, int64_t stride) {
  if (bitsPerPixel != 32) return false;
  width_ = width;
  height_ = height;
  base_ = base;
  stride_ = stride;
  return true;
}

}  // namespace orvane
