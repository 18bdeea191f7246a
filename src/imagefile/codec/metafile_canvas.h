// What the two metafile players share: a black 24-bit canvas of the picture's natural size and
// the drawing of a device-independent bitmap stretched into a rectangle of it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imagefile/codec/picture.h"

namespace orvane {

// Logical pixels per inch of the screen the pictures are measured against.
inline constexpr int kScreenPixelsPerInch = 96;
// The one raster operation the players draw: copy the source.
inline constexpr uint32_t kSrcCopy = 0x00CC0020;

// Allocates the black canvas. A canvas far larger than the file could plausibly describe is
// refused (kOutOfMemory) before any allocation.
int CreateCanvas(Picture& canvas, int64_t width, int64_t height, size_t fileBytes);

// Draws a packed bitmap (header, masks, palette, pixels) of which the source rectangle
// (srcX, srcY, srcW, srcH, in bitmap pixels from its top-left; for a bottom-up bitmap srcY
// counts from its bottom row, as the records store it) is stretched onto the canvas
// rectangle that starts at (dstX, dstY) with size dstW x dstH in canvas pixels. Negative
// destination sizes mirror. Parts outside the canvas are clipped.
int DrawPackedDib(Picture& canvas, std::span<const uint8_t> dib, double dstX, double dstY,
                  double dstW, double dstH, int64_t srcX, int64_t srcY, int64_t srcW,
                  int64_t srcH);

// Builds the packed 24-bit bottom-up bitmap of an image's pixels (40-byte header, no palette).
void PackedDibOf(const uint8_t* rgb, int width, int height, std::vector<uint8_t>& out);

}  // namespace orvane
