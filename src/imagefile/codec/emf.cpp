// Enhanced metafile. As for Windows metafiles, the player draws the bitmap records
// onto a black canvas of the natural size (the frame through the reference device's pixels and
// millimetres) and refuses files that need records it does not draw. The writer stores the
// image as one stretched bitmap record in anisotropic mapping.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imagefile/codec/byte_view.h"
#include "imagefile/codec/codec.h"
#include "imagefile/codec/metafile_canvas.h"

namespace orvane {
namespace {

enum : uint32_t {
  kHeader = 1,
  kSetWindowExtEx = 9,
  kSetWindowOrgEx = 10,
  kSetViewportExtEx = 11,
  kSetViewportOrgEx = 12,
  kEof = 14,
  kSetMapMode = 17,
  kSaveDc = 33,
  kRestoreDc = 34,
  kBitBlt = 76,
  kStretchBlt = 77,
  kStretchDiBits = 81,
};

constexpr uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr int kMmText = 1;
constexpr int kMmIsotropic = 7;
constexpr int kMmAnisotropic = 8;

// The reference device the writer states: a 1920 x 1440 screen of 508 x 381 mm, which is
// 96 pixels per inch in both directions.
constexpr int kDevicePixelsX = 1920, kDevicePixelsY = 1440;
constexpr int kDeviceMmX = 508, kDeviceMmY = 381;

// Records that change nothing a bitmap record draws.
bool IsStateRecord(uint32_t type) {
  switch (type) {
    case 13: case 16: case 18: case 19: case 20: case 21: case 22: case 24: case 25:
    case 37: case 38: case 39: case 40: case 48: case 49: case 52: case 57: case 58:
    case 70: case 82: case 98: case 115: case 120:
      return true;
    default:
      return false;
  }
}

struct Mapping {
  int mode = kMmText;
  double wOrgX = 0, wOrgY = 0, wExtX = 1, wExtY = 1;
  double vOrgX = 0, vOrgY = 0, vExtX = 1, vExtY = 1;
  double X(double l) const {
    return mode == kMmText ? l - wOrgX + vOrgX : (l - wOrgX) * vExtX / wExtX + vOrgX;
  }
  double Y(double l) const {
    return mode == kMmText ? l - wOrgY + vOrgY : (l - wOrgY) * vExtY / wExtY + vOrgY;
  }
};

// A record's bitmap header and pixels are stored apart; the decoder wants them together. The
// caller has checked that both lie inside the record.
std::vector<uint8_t> JoinedDib(std::span<const uint8_t> file, uint64_t record, uint32_t offBmi,
                               uint32_t cbBmi, uint32_t offBits, uint32_t cbBits) {
  const auto bmi = file.subspan(static_cast<size_t>(record + offBmi), cbBmi);
  const auto bits = file.subspan(static_cast<size_t>(record + offBits), cbBits);
  std::vector<uint8_t> dib(bmi.begin(), bmi.end());
  dib.insert(dib.end(), bits.begin(), bits.end());
  return dib;
}

// Maps the destination rectangle of a bitmap record to the canvas and draws the bitmap there.
int DrawRecordBitmap(MetafileCanvas& canvas, const Mapping& map, double originX, double originY,
                     std::span<const uint8_t> dib, double xDest, double yDest, double cxDest,
                     double cyDest, int64_t xSrc, int64_t ySrc, int64_t cxSrc, int64_t cySrc) {
  const double x0 = map.X(xDest) - originX, y0 = map.Y(yDest) - originY;
  const double x1 = map.X(xDest + cxDest) - originX, y1 = map.Y(yDest + cyDest) - originY;
  return DrawPackedDib(canvas, dib, x0, y0, x1 - x0, y1 - y0, xSrc, ySrc, cxSrc, cySrc);
}

int PlayEmf(std::span<const uint8_t> file, MetafileCanvas& canvas) {
  const ByteView v(file);
  if (v.U32le(0) != kHeader || v.U32le(40) != kSignature) return kBadFile;
  const uint32_t headerBytes = v.U32le(4);
  if (headerBytes < 88 || !v.Has(0, headerBytes)) return kBadFile;
  const double frameLeft = v.S32le(24), frameTop = v.S32le(28);
  const double frameRight = v.S32le(32), frameBottom = v.S32le(36);
  const double devX = v.S32le(72), devY = v.S32le(76);
  const double mmX = v.S32le(80), mmY = v.S32le(84);
  if (devX <= 0 || devY <= 0 || mmX <= 0 || mmY <= 0) return kBadFile;
  // Frame in hundredths of a millimetre to reference-device pixels.
  const double pxPerUnitX = devX / (mmX * 100), pxPerUnitY = devY / (mmY * 100);
  const double originX = std::min(frameLeft, frameRight) * pxPerUnitX;
  const double originY = std::min(frameTop, frameBottom) * pxPerUnitY;
  const double widthD = std::fabs(frameRight - frameLeft) * pxPerUnitX + 0.5;
  const double heightD = std::fabs(frameBottom - frameTop) * pxPerUnitY + 0.5;
  if (!(widthD < 1e12 && heightD < 1e12)) return kOutOfMemory;

  struct Record {
    uint64_t at;
    uint32_t type, bytes;
  };
  std::vector<Record> records;
  bool drawsSomething = false;
  for (uint64_t at = headerBytes;;) {
    if (!v.Has(at, 8)) return kBadFile;
    const uint32_t type = v.U32le(at), bytes = v.U32le(at + 4);
    if (bytes < 8 || bytes % 4 != 0 || !v.Has(at, bytes)) return kBadFile;
    records.push_back({at, type, bytes});
    if (type == kEof) break;
    if (type == kStretchDiBits || type == kBitBlt || type == kStretchBlt) {
      drawsSomething = true;
    } else if (type != kSetWindowExtEx && type != kSetWindowOrgEx && type != kSetViewportExtEx &&
               type != kSetViewportOrgEx && type != kSetMapMode && type != kSaveDc &&
               type != kRestoreDc && !IsStateRecord(type)) {
      return kInvalidArgument;  // lines, fills, text, clipping, transforms, other bitmaps
    }
    at += bytes;
  }
  if (!drawsSomething) return kInvalidArgument;
  int rc = PlanCanvas(canvas, static_cast<int64_t>(widthD), static_cast<int64_t>(heightD));
  if (rc != kOk) return rc;

  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1 && (rc = AllocateCanvas(canvas, file.size())) != kOk) return rc;
    Mapping map;
    std::vector<Mapping> saved;
    for (const Record& r : records) {
      const uint64_t p = r.at + 8;
      const bool pair = r.bytes >= 16;
      switch (r.type) {
        case kSetMapMode: {
          if (r.bytes < 12) return kBadFile;
          const int mode = v.S32le(p);
          if (mode != kMmText && mode != kMmIsotropic && mode != kMmAnisotropic)
            return kInvalidArgument;  // metric mapping modes are not played
          map.mode = mode;
          break;
        }
        case kSetWindowExtEx:
        case kSetViewportExtEx: {
          if (!pair) return kBadFile;
          const double x = v.S32le(p), y = v.S32le(p + 4);
          if (x == 0 || y == 0) return kBadFile;
          (r.type == kSetWindowExtEx ? map.wExtX : map.vExtX) = x;
          (r.type == kSetWindowExtEx ? map.wExtY : map.vExtY) = y;
          break;
        }
        case kSetWindowOrgEx:
        case kSetViewportOrgEx:
          if (!pair) return kBadFile;
          (r.type == kSetWindowOrgEx ? map.wOrgX : map.vOrgX) = v.S32le(p);
          (r.type == kSetWindowOrgEx ? map.wOrgY : map.vOrgY) = v.S32le(p + 4);
          break;
        case kSaveDc:
          if (saved.size() < 64) saved.push_back(map);
          break;
        case kRestoreDc:
          if (!saved.empty()) {
            map = saved.back();
            saved.pop_back();
          }
          break;
        case kStretchDiBits: {
          if (r.bytes < 80) return kBadFile;
          const double xDest = v.S32le(r.at + 24), yDest = v.S32le(r.at + 28);
          const int64_t xSrc = v.S32le(r.at + 32), ySrc = v.S32le(r.at + 36);
          const int64_t cxSrc = v.S32le(r.at + 40), cySrc = v.S32le(r.at + 44);
          const uint32_t offBmi = v.U32le(r.at + 48), cbBmi = v.U32le(r.at + 52);
          const uint32_t offBits = v.U32le(r.at + 56), cbBits = v.U32le(r.at + 60);
          const uint32_t usage = v.U32le(r.at + 64), rop = v.U32le(r.at + 68);
          const double cxDest = v.S32le(r.at + 72), cyDest = v.S32le(r.at + 76);
          if (rop != kSrcCopy || usage != 0) return kInvalidArgument;
          if (uint64_t{offBmi} + cbBmi > r.bytes || uint64_t{offBits} + cbBits > r.bytes ||
              cbBmi < 12)
            return kBadFile;
          const std::vector<uint8_t> dib = JoinedDib(file, r.at, offBmi, cbBmi, offBits, cbBits);
          rc = DrawRecordBitmap(canvas, map, originX, originY, dib, xDest, yDest, cxDest, cyDest,
                                xSrc, ySrc, cxSrc, cySrc);
          if (rc != kOk) return rc;
          break;
        }
        case kBitBlt:
        case kStretchBlt: {
          // Block transfers from a bitmap: destination, raster op, source origin, the source's
          // transform, background colour, then the bitmap (StretchBlt adds the source size).
          const bool stretch = r.type == kStretchBlt;
          if (r.bytes < (stretch ? 108u : 100u)) return kBadFile;
          const double xDest = v.S32le(r.at + 24), yDest = v.S32le(r.at + 28);
          const double cxDest = v.S32le(r.at + 32), cyDest = v.S32le(r.at + 36);
          const uint32_t rop = v.U32le(r.at + 40);
          const int64_t xSrc = v.S32le(r.at + 44), ySrc = v.S32le(r.at + 48);
          const uint32_t usage = v.U32le(r.at + 80);
          const uint32_t offBmi = v.U32le(r.at + 84), cbBmi = v.U32le(r.at + 88);
          const uint32_t offBits = v.U32le(r.at + 92), cbBits = v.U32le(r.at + 96);
          if (rop != kSrcCopy || usage != 0 || cbBmi == 0) return kInvalidArgument;  // fills
          // Only a source transform that moves nothing is played.
          float xform[6];
          for (int i = 0; i < 6; ++i) {
            const uint32_t bits = v.U32le(r.at + 52 + 4 * i);
            std::memcpy(&xform[i], &bits, 4);
          }
          if (xform[0] != 1 || xform[1] != 0 || xform[2] != 0 || xform[3] != 1 || xform[4] != 0 ||
              xform[5] != 0)
            return kInvalidArgument;
          if (uint64_t{offBmi} + cbBmi > r.bytes || uint64_t{offBits} + cbBits > r.bytes ||
              cbBmi < 12)
            return kBadFile;
          const int64_t cxSrc = stretch ? v.S32le(r.at + 100) : static_cast<int64_t>(cxDest);
          const int64_t cySrc = stretch ? v.S32le(r.at + 104) : static_cast<int64_t>(cyDest);
          const std::vector<uint8_t> dib = JoinedDib(file, r.at, offBmi, cbBmi, offBits, cbBits);
          rc = DrawRecordBitmap(canvas, map, originX, originY, dib, xDest, yDest, cxDest, cyDest,
                                xSrc, ySrc, cxSrc, cySrc);
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

void PutRect(std::vector<uint8_t>& out, int32_t l, int32_t t, int32_t r, int32_t b) {
  PutU32le(out, static_cast<uint32_t>(l));
  PutU32le(out, static_cast<uint32_t>(t));
  PutU32le(out, static_cast<uint32_t>(r));
  PutU32le(out, static_cast<uint32_t>(b));
}

}  // namespace

int DecodeEmf(std::span<const uint8_t> file, const DecodeRequest&, Picture& picture) {
  MetafileCanvas canvas;
  const int rc = PlayEmf(file, canvas);
  if (rc != kOk) return rc;
  picture = std::move(canvas.picture);
  return kOk;
}

int WriteEmf(const RasterImage& image, std::vector<uint8_t>& out) {
  if (image.IsEmpty() || image.BitsPerPixel() != 24) return kInvalidArgument;
  const int64_t w = image.Width(), h = image.Height();
  std::vector<uint8_t> dib;
  PackedDibOf(image.Pixels(), static_cast<int>(w), static_cast<int>(h), dib);
  const uint64_t stretchBytes = 80 + dib.size();
  const uint64_t total = 108 + 12 + 16 + 16 + stretchBytes + 20;
  if (total > 0xFFFFFFFFull) return kInvalidArgument;
  // The picture's size in hundredths of a millimetre on the reference screen.
  const int64_t frameW = (w * kDeviceMmX * 100 * 2 + kDevicePixelsX) / (2 * kDevicePixelsX);
  const int64_t frameH = (h * kDeviceMmY * 100 * 2 + kDevicePixelsY) / (2 * kDevicePixelsY);
  if (frameW > INT32_MAX || frameH > INT32_MAX) return kInvalidArgument;
  out.clear();
  PutU32le(out, kHeader);
  PutU32le(out, 108);
  PutRect(out, 0, 0, static_cast<int32_t>(w - 1), static_cast<int32_t>(h - 1));  // bounds
  PutRect(out, 0, 0, static_cast<int32_t>(frameW), static_cast<int32_t>(frameH));
  PutU32le(out, kSignature);
  PutU32le(out, 0x10000);
  PutU32le(out, static_cast<uint32_t>(total));
  PutU32le(out, 6);  // records
  PutU16le(out, 1);  // handles (the reserved one)
  PutU16le(out, 0);
  PutU32le(out, 0);  // no description
  PutU32le(out, 0);
  PutU32le(out, 0);  // no palette
  PutU32le(out, kDevicePixelsX);
  PutU32le(out, kDevicePixelsY);
  PutU32le(out, kDeviceMmX);
  PutU32le(out, kDeviceMmY);
  PutU32le(out, 0);  // no pixel format
  PutU32le(out, 0);
  PutU32le(out, 0);  // not OpenGL
  PutU32le(out, kDeviceMmX * 1000);
  PutU32le(out, kDeviceMmY * 1000);
  // Anisotropic mapping with window and viewport of one inch of screen pixels: one logical
  // unit per pixel.
  PutU32le(out, kSetMapMode);
  PutU32le(out, 12);
  PutU32le(out, kMmAnisotropic);
  PutU32le(out, kSetWindowExtEx);
  PutU32le(out, 16);
  PutU32le(out, kScreenPixelsPerInch);
  PutU32le(out, kScreenPixelsPerInch);
  PutU32le(out, kSetViewportExtEx);
  PutU32le(out, 16);
  PutU32le(out, kScreenPixelsPerInch);
  PutU32le(out, kScreenPixelsPerInch);
  // The picture.
  PutU32le(out, kStretchDiBits);
  PutU32le(out, static_cast<uint32_t>(stretchBytes));
  PutRect(out, 0, 0, static_cast<int32_t>(w - 1), static_cast<int32_t>(h - 1));
  PutU32le(out, 0);  // destination x, y
  PutU32le(out, 0);
  PutU32le(out, 0);  // source x, y
  PutU32le(out, 0);
  PutU32le(out, static_cast<uint32_t>(w));
  PutU32le(out, static_cast<uint32_t>(h));
  PutU32le(out, 80);  // bitmap header right after the record's fields
  PutU32le(out, 40);
  PutU32le(out, 120);
  PutU32le(out, static_cast<uint32_t>(dib.size() - 40));
  PutU32le(out, 0);  // colours are in the bitmap
  PutU32le(out, kSrcCopy);
  PutU32le(out, static_cast<uint32_t>(w));
  PutU32le(out, static_cast<uint32_t>(h));
  out.insert(out.end(), dib.begin(), dib.end());
  PutU32le(out, kEof);
  PutU32le(out, 20);
  PutU32le(out, 0);
  PutU32le(out, 16);
  PutU32le(out, 20);
  return kOk;
}

}  // namespace orvane
