// Row access to the caller's 32-bit pixel block, bottom row first.
#pragma once

#include <cstdint>

namespace orvane {

// Abstract pixel access: what the shrinker needs from a block of pixels.
class PixelAccess {
 public:
  virtual bool attach(int width, int height, int bitsPerPixel, uint8_t* base, int64_t stride) = 0;
  virtual int64_t stride() const = 0;
  virtual uint8_t* rowPointer(int row) const = 0;
  virtual void release() {}
  virtual uint8_t* basePointer() const = 0;
  virtual ~PixelAccess() = default;
};

// A view of 32-bit pixels whose row r is buffer row (height - 1 - r).
class PixelView final : public PixelAccess {
 public:
  // Fails (returns false) for any depth but 32 bits.
  bool attach(int width, int height, int bitsPerPixel, uint8_t* base, int64_t stride) override;
  int64_t stride() const override { return stride_; }
  uint8_t* rowPointer(int row) const override {
    return base_ + (static_cast<int64_t>(height_) - 1 - row) * stride_;
  }
  uint8_t* basePointer() const override { return base_; }

  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_ = 0;
  int height_ = 0;
  int64_t stride_ = 0;
  uint8_t* base_ = nullptr;
};

}  // namespace orvane
