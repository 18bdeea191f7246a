// Two small filters on interleaved 8-bit pixels, used around the noise reducer: a 3 x 3
// sharpen for the copy used at edges, and speckle removal (complementary hulling in four
// directions) for scanned pictures. A channel mask picks the bytes of each pixel they touch.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane {

class WorkerPool;

struct InterleavedImage {
  uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  int bytesPerPixel = 4;    // 1 ... 8
  ptrdiff_t stride = 0;     // bytes from one row to the next
};

// Writes the sharpened source into the destination's selected channels. amount is clamped to
// 0 ... 100. False when either image is missing, both are the same buffer, the sizes differ or
// the pixel size is out of range. pool may be null (one thread).
bool Sharpen(const InterleavedImage& source, const InterleavedImage& destination, int amount,
             unsigned mask, WorkerPool* pool = nullptr);

// One sharpened row, every channel: up, row and down are the rows above, at and below (at the
// picture's top and bottom the caller passes the edge row itself). out must not be one of them.
void SharpenRow(const uint8_t* up, const uint8_t* row, const uint8_t* down, uint8_t* out,
                int width, int bytesPerPixel, int amount);

// One pass of speckle removal over the selected channels, in place. Each call moves a value by
// a few levels at most; callers repeat it. False when the image is missing or the working planes
// cannot be had (the image is then unchanged).
bool RemoveSpeckles(const InterleavedImage& image, unsigned mask, WorkerPool* pool = nullptr);

}  // namespace orvane
