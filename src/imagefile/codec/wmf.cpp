// Windows metafile. The player draws the bitmap records (stretched and plain device-independent
// bitmaps) onto a black canvas of the picture's natural size and keeps track of the records
// that place them; a metafile that needs any record it does not draw (lines, text, fills,
// clipping) is reported as unreadable rather than shown incomplete. The writer stores the
// image as one stretched bitmap record in a placeable metafile.
#include <algorithm>
#include <cmath>
#include <vector>

#include "imagefile/codec/byte_view.h"
#include "imagefile/codec/codec.h"
#include "imagefile/codec/metafile_canvas.h"

namespace orvane {
namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableBytes = 22;

enum : uint16_t {
  kEof = 0x0000,
  kSetWindowOrg = 0x020B,
  kSetWindowExt = 0x020C,
  kSaveDc = 0x001E,
  kRestoreDc = 0x0127,
  kDibBitBlt = 0x0940,
  kDibStretchBlt = 0x0B41,
  kStretchDib = 0x0F43,
};

// Records that change nothing a bitmap record draws: modes, colours, objects, palettes,
// viewport settings (the player fixes the viewport) and comments.
bool IsStateRecord(uint16_t function) {
  switch (function) {
    case 0x0201: case 0x0102: case 0x0103: case 0x0104: case 0x0105: case 0x0106:
    case 0x0107: case 0x0108: case 0x0209: case 0x020A: case 0x020D: case 0x020E:
    case 0x0211: case 0x0412: case 0x012D: case 0x01F0: case 0x02FA: case 0x02FC:
    case 0x02FB: case 0x012E: case 0x0626: case 0x0234: case 0x0035: case 0x00F7:
    case 0x0231: case 0x0149: case 0x0037: case 0x0139:
      return true;
    default:
      return false;
  }
}

struct Window {
  double orgX = 0, orgY = 0, extX = 1, extY = 1;
};

struct Record {
  uint64_t at;     // offset of the record
  uint64_t bytes;  // its size
  uint16_t function;
};

// Splits the record list; false when a record runs past the data or has an impossible size.
bool ListRecords(const ByteView& v, uint64_t at, std::vector<Record>& records) {
  while (true) {
    if (!v.Has(at, 6)) return false;
    const uint64_t bytes = uint64_t{v.U32le(at)} * 2;
    const uint16_t function = v.U16le(at + 4);
    if (bytes < 6 || !v.Has(at, bytes)) return false;
    records.push_back({at, bytes, function});
    if (function == kEof) return true;
    at += bytes;
  }
}

int PlayWmf(std::span<const uint8_t> file, MetafileCanvas& canvas) {
  const ByteView v(file);
  uint64_t at = 0;
  bool placeable = false;
  double boxLeft = 0, boxTop = 0, boxWidth = 0, boxHeight = 0;
  int64_t width = 0, height = 0;
  if (v.U32le(0) == kPlaceableKey) {
    if (!v.Has(0, kPlaceableBytes)) return kBadFile;
    placeable = true;
    boxLeft = v.S16le(6);
    boxTop = v.S16le(8);
    boxWidth = double(v.S16le(10)) - boxLeft;
    boxHeight = double(v.S16le(12)) - boxTop;
    const int inch = v.U16le(14);
    if (inch == 0 || boxWidth == 0 || boxHeight == 0) return kBadFile;
    // The bounding box in logical units, through the units per inch, to screen pixels.
    width = static_cast<int64_t>(std::fabs(boxWidth) * kScreenPixelsPerInch / inch + 0.5);
    height = static_cast<int64_t>(std::fabs(boxHeight) * kScreenPixelsPerInch / inch + 0.5);
    at = kPlaceableBytes;
  }
  if (!v.Has(at, 18) || v.U16le(at + 2) != 9) return kBadFile;
  const uint16_t type = v.U16le(at);
  if (type != 1 && type != 2) return kBadFile;
  std::vector<Record> records;
  if (!ListRecords(v, at + 18, records)) return kBadFile;

  // Every record must be one we can play; the window of a plain metafile gives its size.
  bool drawsSomething = false;
  for (const Record& r : records) {
    const uint16_t f = r.function;
    if (f == kStretchDib || f == kDibStretchBlt || f == kDibBitBlt) {
      drawsSomething = true;
    } else if (f == kSetWindowExt) {
      if (!placeable && width == 0) {
        width = std::abs(int64_t{v.S16le(r.at + 8)});
        height = std::abs(int64_t{v.S16le(r.at + 6)});
      }
    } else if (f != kEof && f != kSetWindowOrg && f != kSaveDc && f != kRestoreDc &&
               !IsStateRecord(f)) {
      return kInvalidArgument;  // draws something our player does not draw
    }
  }
  if (!drawsSomething) return kInvalidArgument;
  int rc = PlanCanvas(canvas, width, height);
  if (rc != kOk) return rc;

  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1 && (rc = AllocateCanvas(canvas, file.size())) != kOk) return rc;
    Window window;
    if (placeable) {
      window = {boxLeft, boxTop, boxWidth, boxHeight};
    } else {
      window = {0, 0, double(width), double(height)};
    }
    std::vector<Window> saved;
    for (const Record& r : records) {
      const uint64_t p = r.at + 6;  // parameters
      switch (r.function) {
        case kSetWindowOrg:
          if (r.bytes < 10) return kBadFile;
          window.orgY = v.S16le(p);
          window.orgX = v.S16le(p + 2);
          break;
        case kSetWindowExt:
          if (r.bytes < 10) return kBadFile;
          window.extY = v.S16le(p);
          window.extX = v.S16le(p + 2);
          if (window.extX == 0 || window.extY == 0) return kBadFile;
          break;
        case kSaveDc:
          if (saved.size() < 64) saved.push_back(window);
          break;
        case kRestoreDc:
          if (!saved.empty()) {
            window = saved.back();
            saved.pop_back();
          }
          break;
        case kStretchDib:
        case kDibStretchBlt:
        case kDibBitBlt: {
          // Parameters in stored order; StretchDib has the colour usage after the raster op.
          const bool stretchDib = r.function == kStretchDib;
          const bool bitBlt = r.function == kDibBitBlt;
          const uint64_t fixed = stretchDib ? 22 : bitBlt ? 16 : 20;
          if (r.bytes < 6 + fixed + 12) return kInvalidArgument;  // no bitmap: a pattern fill
          const uint32_t rop = v.U32le(p);
          if (rop != kSrcCopy) return kInvalidArgument;
          uint64_t q = p + 4;
          if (stretchDib) {
            if (v.U16le(q) != 0) return kInvalidArgument;  // colours through a logical palette
            q += 2;
          }
          int64_t srcH = 0, srcW = 0;
          if (!bitBlt) {
            srcH = v.S16le(q);
            srcW = v.S16le(q + 2);
            q += 4;
          }
          const int64_t ySrc = v.S16le(q), xSrc = v.S16le(q + 2);
          const double dstH = v.S16le(q + 4), dstW = v.S16le(q + 6);
          const double yDst = v.S16le(q + 8), xDst = v.S16le(q + 10);
          q += 12;
          if (bitBlt) {
            srcH = static_cast<int64_t>(dstH);
            srcW = static_cast<int64_t>(dstW);
          }
          const double sx = canvas.width / window.extX, sy = canvas.height / window.extY;
          rc = DrawPackedDib(canvas, v.Sub(q, r.at + r.bytes - q), (xDst - window.orgX) * sx,
                             (yDst - window.orgY) * sy, dstW * sx, dstH * sy, xSrc, ySrc, srcW,
                             srcH);
          if (rc != kOk) return rc;
          break;
        }
        default:
          break;
      }
    }
  }
  return kOk;
}

}  // namespace

int DecodeWmf(std::span<const uint8_t> file, const DecodeRequest&, Picture& picture) {
  MetafileCanvas canvas;
  const int rc = PlayWmf(file, canvas);
  if (rc != kOk) return rc;
  picture = std::move(canvas.picture);
  return kOk;
}

int WriteWmf(const RasterImage& image, std::vector<uint8_t>& out) {
  if (image.IsEmpty() || image.BitsPerPixel() != 24) return kInvalidArgument;
  const int w = image.Width(), h = image.Height();
  if (w > 32767 || h > 32767) return kInvalidArgument;  // 16-bit coordinates
  std::vector<uint8_t> dib;
  PackedDibOf(image.Pixels(), w, h, dib);
  const uint64_t stretchWords = (6 + 22 + dib.size()) / 2;
  const uint64_t totalWords = 9 + 5 + 5 + stretchWords + 3;
  if (totalWords > 0xFFFFFFFFull) return kInvalidArgument;
  out.clear();
  // Placeable header: bounding box in logical units of 1/96 inch.
  PutU32le(out, kPlaceableKey);
  PutU16le(out, 0);
  PutU16le(out, 0);
  PutU16le(out, 0);
  PutU16le(out, static_cast<uint32_t>(w));
  PutU16le(out, static_cast<uint32_t>(h));
  PutU16le(out, kScreenPixelsPerInch);
  PutU32le(out, 0);
  uint16_t checksum = 0;
  for (size_t i = 0; i < 20; i += 2) checksum ^= static_cast<uint16_t>(out[i] | (out[i + 1] << 8));
  PutU16le(out, checksum);
  // Metafile header.
  PutU16le(out, 1);
  PutU16le(out, 9);
  PutU16le(out, 0x0300);
  PutU32le(out, static_cast<uint32_t>(totalWords));
  PutU16le(out, 0);
  PutU32le(out, static_cast<uint32_t>(stretchWords));
  PutU16le(out, 0);
  // Window origin and extent: one logical unit per pixel.
  PutU32le(out, 5);
  PutU16le(out, kSetWindowOrg);
  PutU16le(out, 0);
  PutU16le(out, 0);
  PutU32le(out, 5);
  PutU16le(out, kSetWindowExt);
  PutU16le(out, static_cast<uint32_t>(h));
  PutU16le(out, static_cast<uint32_t>(w));
  // The picture.
  PutU32le(out, static_cast<uint32_t>(stretchWords));
  PutU16le(out, kStretchDib);
  PutU32le(out, kSrcCopy);
  PutU16le(out, 0);  // colours are in the bitmap
  PutU16le(out, static_cast<uint32_t>(h));
  PutU16le(out, static_cast<uint32_t>(w));
  PutU16le(out, 0);
  PutU16le(out, 0);
  PutU16le(out, static_cast<uint32_t>(h));
  PutU16le(out, static_cast<uint32_t>(w));
  PutU16le(out, 0);
  PutU16le(out, 0);
  out.insert(out.end(), dib.begin(), dib.end());
  PutU32le(out, 3);
  PutU16le(out, kEof);
  return kOk;
}

}  // namespace orvane
