// Row access to the caller's 32-bit pixel block, bottom row first.
#pragma once

#include <cstdint>

namespace orvane {

// A view of 32-bit pixels whose row r is buffer row (height - 1 - r).
class PixelView {
 public:
  // Fails (returns false) for any depth but 32 bits.
  bool attach(int width, int height, int bitsPerPixel, uint8_t* base, int64_t stride);
  int64_t stride() const { return stride_; }
  uint8_t* rowPointer(int row) const {
    return base_ + (static_cast<int64_t>(height_) - 1 - row) * stride_;
  }
  uint8_t* basePointer() const { return base_; }

  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_ = 0;
  int height_ = 0;
  int64_t stride_ = 0;
  uint8_t* base_ = nullptr;
};

}  // namespace orvane
