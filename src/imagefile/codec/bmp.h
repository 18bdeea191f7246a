// Windows bitmap decoding beyond the codec table: the clipboard's packed bitmap.
#pragma once

#include <cstdint>
#include <span>

#include "imagefile/codec/picture.h"
#include "imagefile/raster_image.h"

namespace orvane {

// Decodes a whole .bmp file (file header included) at its own depth: 1 bit, 8 bits with
// palette (2, 4 and 8 bits, RLE4, RLE8) or 24 bits (16, 24, 32 bits, bit-field masks).
int DecodeBmpFile(std::span<const uint8_t> file, Picture& picture);

// Decodes a packed device-independent bitmap: a bitmap header (12, 40, 52, 56, 108 or 124
// bytes), masks and palette, then the pixels, without the file header.
int DecodePackedDib(std::span<const uint8_t> dib, Picture& picture);

// Paste: turns a clipboard bitmap of any bit count, bottom-up or top-down, into a 24-bit
// image of red, green, blue rows from the top. On failure the image is left empty.
int ConvertClipboardDib(std::span<const uint8_t> dib, RasterImage& image);

// Save resolution to the bitmap's pixels per metre: unit 2 (inch) and 3 (centimetre) are
// converted, unit 1 (aspect only) gives 0.
uint32_t PixelsPerMetre(int32_t value, int32_t unit);

}  // namespace orvane
