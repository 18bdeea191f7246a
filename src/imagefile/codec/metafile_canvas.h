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

// The canvas the players draw on. The records are played twice: first without pixels, to
// measure what the bitmap records paint, then onto the black canvas itself, whose memory is
// taken only when the measures show a picture the file really holds.
struct MetafileCanvas {
  Picture picture;          // pixels only once the canvas is allocated
  int64_t width = 0;
  int64_t height = 0;
  bool measuring = true;
  double painted = 0;       // canvas pixels the bitmap records cover, overlaps counted again
  double drawn = 0;         // the same before clipping to the canvas
  int64_t bitmapPixels = 0; // pixels of the bitmaps they draw
};

// Sets the canvas size for the measuring pass; an impossible size is refused here.
int PlanCanvas(MetafileCanvas& canvas, int64_t width, int64_t height);
// Ends the measuring pass and allocates the black canvas. A file whose bitmaps leave most of
// the canvas black, fall three quarters outside it, or paint it over and over, is damaged
// (kBadFile); a canvas far larger than the bitmaps drawn on it, or than the file could hold,
// is refused (kOutOfMemory).
int AllocateCanvas(MetafileCanvas& canvas, size_t fileBytes);

// Draws a packed bitmap (header, masks, palette, pixels) of which the source rectangle
// (srcX, srcY, srcW, srcH, in bitmap pixels from its top-left; for a bottom-up bitmap srcY
// counts from its bottom row, as the records store it) is stretched onto the canvas
// rectangle that starts at (dstX, dstY) with size dstW x dstH in canvas pixels. Negative
// destination sizes mirror. Parts outside the canvas are clipped. While measuring, only the
// covered area and the bitmap's size are counted.
int DrawPackedDib(MetafileCanvas& canvas, std::span<const uint8_t> dib, double dstX, double dstY,
                  double dstW, double dstH, int64_t srcX, int64_t srcY, int64_t srcW,
                  int64_t srcH);

// Builds the packed 24-bit bottom-up bitmap of an image's pixels (40-byte header, no palette).
void PackedDibOf(const uint8_t* rgb, int width, int height, std::vector<uint8_t>& out);

}  // namespace orvane
