#include "imagefile/codec/metafile_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imagefile/codec/bmp.h"
#include "imagefile/codec/byte_view.h"

namespace orvane {
namespace {

// Any canvas up to this size may be drawn by small bitmaps; a larger one must be earned by the
// pixels of the bitmaps drawn on it (a bitmap stretched more than four times each way is not
// what a bitmap-only metafile holds).
constexpr int64_t kCanvasPixelsAlwaysAllowed = int64_t{1} << 22;
constexpr int64_t kCanvasPixelsPerBitmapPixel = 16;

// Canvas pixels whose centres lie inside [a, b), clipped to [0, limit] (in double first, so
// that absurd coordinates never overflow an integer).
void CoveredSpan(double a, double b, int64_t limit, int64_t& from, int64_t& to) {
  const double lo = std::clamp(std::ceil(std::min(a, b) - 0.5), 0.0, double(limit));
  const double hi = std::clamp(std::ceil(std::max(a, b) - 0.5), 0.0, double(limit));
  from = static_cast<int64_t>(lo);
  to = static_cast<int64_t>(hi);
}

// The size a packed bitmap's header states.
void StatedSize(std::span<const uint8_t> dib, int64_t& width, int64_t& height) {
  const ByteView v(dib);
  if (v.U32le(0) == 12) {
    width = v.U16le(4);
    height = v.U16le(6);
  } else {
    width = std::llabs(int64_t{v.S32le(4)});
    height = std::llabs(int64_t{v.S32le(8)});
  }
}

// The share of the source range [from, from + length) that lies inside [0, size).
double ShareInside(int64_t from, int64_t length, int64_t size) {
  if (length < 0) {
    from += length;
    length = -length;
  }
  const int64_t inside = std::min(from + length, size) - std::max<int64_t>(from, 0);
  return inside > 0 ? static_cast<double>(inside) / static_cast<double>(length) : 0.0;
}

}  // namespace

int PlanCanvas(MetafileCanvas& canvas, int64_t width, int64_t height) {
  if (width < 1 || height < 1) return kBadFile;
  if (width > kMaxPixels || height > kMaxPixels || width * height > kMaxPixels) return kOutOfMemory;
  canvas = MetafileCanvas{};
  canvas.width = width;
  canvas.height = height;
  return kOk;
}

int AllocateCanvas(MetafileCanvas& canvas, size_t fileBytes) {
  const int64_t area = canvas.width * canvas.height;
  const double canvasPixels = static_cast<double>(area);
  if (canvas.painted * 2 < canvasPixels || canvas.painted * 4 < canvas.drawn ||
      canvas.painted > 4 * canvasPixels + static_cast<double>(kCanvasPixelsAlwaysAllowed))
    return kBadFile;
  const int64_t earned = canvas.bitmapPixels > kMaxPixels
                             ? kMaxPixels
                             : canvas.bitmapPixels * kCanvasPixelsPerBitmapPixel;
  if (area > std::max(kCanvasPixelsAlwaysAllowed, earned) || !FileMayHold(area, fileBytes) ||
      !FileMayHold(canvas.bitmapPixels, fileBytes))
    return kOutOfMemory;
  canvas.measuring = false;
  return AllocatePicture(canvas.picture, canvas.width, canvas.height, 24);
}

int DrawPackedDib(MetafileCanvas& canvas, std::span<const uint8_t> dib, double dstX, double dstY,
                  double dstW, double dstH, int64_t srcX, int64_t srcY, int64_t srcW,
                  int64_t srcH) {
  if (dstW == 0 || dstH == 0 || srcW == 0 || srcH == 0) return kOk;  // nothing to draw
  if (!std::isfinite(dstX) || !std::isfinite(dstY) || !std::isfinite(dstW) || !std::isfinite(dstH))
    return kBadFile;
  int64_t cx0, cx1, cy0, cy1;
  CoveredSpan(dstX, dstX + dstW, canvas.width, cx0, cx1);
  CoveredSpan(dstY, dstY + dstH, canvas.height, cy0, cy1);
  if (canvas.measuring) {
    // Only the part of the source rectangle inside the bitmap paints anything.
    int64_t bitmapW = 0, bitmapH = 0;
    StatedSize(dib, bitmapW, bitmapH);
    const double share = ShareInside(srcX, srcW, bitmapW) * ShareInside(srcY, srcH, bitmapH);
    canvas.painted += static_cast<double>(cx1 - cx0) * static_cast<double>(cy1 - cy0) * share;
    canvas.drawn += std::fabs(dstW * dstH) * share;
    const int64_t stated = bitmapW * bitmapH;
    canvas.bitmapPixels = stated > kMaxPixels || canvas.bitmapPixels > kMaxPixels
                              ? kMaxPixels + 1
                              : canvas.bitmapPixels + stated;
    return kOk;
  }
  const ByteView header(dib);
  // Bottom-up bitmaps count the source rectangle from their bottom row.
  const bool bottomUp = header.U32le(0) == 12 ? true : header.S32le(8) > 0;
  Picture bitmap;
  int rc = DecodePackedDib(dib, bitmap);
  if (rc == kOk) rc = ConvertPictureDepth(bitmap, 24);
  if (rc != kOk) return rc;
  if (srcW < 0) {  // a mirrored source is the same as a mirrored destination
    srcX += srcW;
    srcW = -srcW;
    dstX += dstW;
    dstW = -dstW;
  }
  if (srcH < 0) {
    srcY += srcH;
    srcH = -srcH;
    dstY += dstH;
    dstH = -dstH;
  }
  const int64_t top = bottomUp ? bitmap.height - (srcY + srcH) : srcY;
  Picture& out = canvas.picture;
  for (int64_t y = cy0; y < cy1; ++y) {
    // Nearest source pixel for the centre of each canvas pixel.
    const double sy = top + std::floor((y + 0.5 - dstY) / dstH * srcH);
    if (!(sy >= 0 && sy < bitmap.height)) continue;
    uint8_t* d = out.pixels.get() + (static_cast<size_t>(y) * out.width) * 3;
    const uint8_t* srow = bitmap.pixels.get() + static_cast<size_t>(sy) * bitmap.width * 3;
    for (int64_t x = cx0; x < cx1; ++x) {
      const double sx = srcX + std::floor((x + 0.5 - dstX) / dstW * srcW);
      if (!(sx >= 0 && sx < bitmap.width)) continue;
      std::copy_n(srow + static_cast<size_t>(sx) * 3, 3, d + x * 3);
    }
  }
  return kOk;
}

void PackedDibOf(const uint8_t* rgb, int width, int height, std::vector<uint8_t>& out) {
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  const size_t start = out.size();
  PutU32le(out, 40);
  PutU32le(out, static_cast<uint32_t>(width));
  PutU32le(out, static_cast<uint32_t>(height));
  PutU16le(out, 1);
  PutU16le(out, 24);
  PutU32le(out, 0);
  PutU32le(out, static_cast<uint32_t>(stride * height));
  PutU32le(out, 0);
  PutU32le(out, 0);
  PutU32le(out, 0);
  PutU32le(out, 0);
  out.resize(start + 40 + stride * height, 0);
  for (int y = 0; y < height; ++y) {
    const uint8_t* s = rgb + static_cast<size_t>(height - 1 - y) * width * 3;
    uint8_t* d = out.data() + start + 40 + stride * y;
    for (int x = 0; x < width; ++x) {
      d[3 * x] = s[3 * x + 2];
      d[3 * x + 1] = s[3 * x + 1];
      d[3 * x + 2] = s[3 * x];
    }
  }
}

}  // namespace orvane
