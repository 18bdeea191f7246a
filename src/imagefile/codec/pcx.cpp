// PCX: 128-byte header, run-length coded scan lines of one to four planes, and for 8-bit
// pictures a 256-entry palette behind the marker byte 0x0C at the end of the file.
#include <algorithm>
#include <cstring>

#include "imagefile/codec/byte_view.h"
#include "imagefile/codec/codec.h"
#include "imagefile/codec/picture.h"

namespace orvane {
namespace {

constexpr size_t kHeaderBytes = 128;
// Two bytes of data expand to at most 63 bytes of scan line.
constexpr uint64_t kMaxExpansion = 32;

struct PcxHeader {
  int version = 0;
  bool runLength = true;
  int bits = 0;    // bits per pixel in each plane
  int planes = 0;
  int64_t width = 0;
  int64_t height = 0;
  uint64_t bytesPerLine = 0;
  int hdpi = 0;
  int vdpi = 0;
};

int ParseHeader(const ByteView& v, PcxHeader& h) {
  if (v.size() < kHeaderBytes || v.U8(0) != 0x0A) return kBadFile;
  h.version = v.U8(1);
  const int encoding = v.U8(2);
  if (encoding > 1) return kUnsupportedFile;
  h.runLength = encoding == 1;
  h.bits = v.U8(3);
  const int xmin = v.U16le(4), ymin = v.U16le(6), xmax = v.U16le(8), ymax = v.U16le(10);
  h.hdpi = v.U16le(12);
  h.vdpi = v.U16le(14);
  h.planes = v.U8(65);
  h.bytesPerLine = v.U16le(66);
  if (xmax < xmin || ymax < ymin) return kBadFile;
  h.width = int64_t{xmax} - xmin + 1;
  h.height = int64_t{ymax} - ymin + 1;
  const bool supported = (h.planes == 1 && (h.bits == 1 || h.bits == 2 || h.bits == 4 || h.bits == 8)) ||
                         (h.bits == 1 && h.planes >= 2 && h.planes <= 4) ||
                         (h.bits == 8 && (h.planes == 3 || h.planes == 4));
  if (!supported) return kUnsupportedFile;
  if (h.bytesPerLine * 8 < uint64_t(h.width) * h.bits) return kBadFile;
  return kOk;
}

// The 16-colour palette stored in the header as red, green, blue triples.
void HeaderPalette(const ByteView& v, Picture& p, int count) {
  for (int i = 0; i < count; ++i)
    p.palette[i] = Rgb(v.U8(16 + 3 * i), v.U8(17 + 3 * i), v.U8(18 + 3 * i));
  p.paletteSize = count;
}

// Decodes the scan lines into one buffer of height × planes × bytesPerLine bytes. Runs may
// continue from one line into the next, as some writers do.
int DecodeScanLines(const ByteView& v, const PcxHeader& h, std::vector<uint8_t>& lines,
                    size_t& endOfData) {
  const uint64_t total = uint64_t(h.height) * h.planes * h.bytesPerLine;
  const uint64_t available = v.size() - kHeaderBytes;
  if (total > (h.runLength ? available * kMaxExpansion : available)) return kBadFile;
  if (!FileMayHold(h.width * h.height, v.size())) return kOutOfMemory;
  try {
    lines.assign(total, 0);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  const uint8_t* s = v.data();
  size_t pos = kHeaderBytes;
  const size_t n = v.size();
  uint64_t out = 0;
  if (!h.runLength) {
    std::memcpy(lines.data(), s + pos, total);
    endOfData = pos + total;
    return kOk;
  }
  while (out < total) {
    if (pos >= n) return kBadFile;
    uint8_t b = s[pos++];
    uint64_t count = 1;
    if ((b & 0xC0) == 0xC0) {
      count = b & 0x3F;
      if (pos >= n) return kBadFile;
      b = s[pos++];
    }
    // Runs may cross lines but not the end of the picture: a longer one is a damaged count.
    if (count > total - out) return kBadFile;
    std::memset(lines.data() + out, b, count);
    out += count;
  }
  endOfData = pos;
  return kOk;
}

}  // namespace

int DecodePcx(std::span<const uint8_t> file, const DecodeRequest&, Picture& p) {
  const ByteView v(file);
  PcxHeader h;
  int rc = ParseHeader(v, h);
  if (rc != kOk) return rc;
  if (h.width * h.height > kMaxPixels) return kOutOfMemory;
  std::vector<uint8_t> lines;
  size_t endOfData = 0;
  rc = DecodeScanLines(v, h, lines, endOfData);
  if (rc != kOk) return rc;

  const bool trueColour = h.bits == 8 && h.planes >= 3;
  rc = AllocatePicture(p, h.width, h.height, trueColour ? 24 : 8);
  if (rc != kOk) return rc;
  const uint64_t lineBytes = uint64_t(h.planes) * h.bytesPerLine;
  const uint64_t w = h.width;
  for (int64_t y = 0; y < h.height; ++y) {
    const uint8_t* line = lines.data() + lineBytes * y;
    if (trueColour) {
      uint8_t* d = p.pixels.get() + w * 3 * y;
      for (uint64_t x = 0; x < w; ++x) {
        d[3 * x] = line[x];
        d[3 * x + 1] = line[h.bytesPerLine + x];
        d[3 * x + 2] = line[2 * h.bytesPerLine + x];  // a fourth (alpha) plane is ignored
      }
      continue;
    }
    uint8_t* d = p.pixels.get() + w * y;
    for (uint64_t x = 0; x < w; ++x) {
      if (h.planes == 1) {
        switch (h.bits) {
          case 1: d[x] = (line[x >> 3] >> (7 - (x & 7))) & 1; break;
          case 2: d[x] = (line[x >> 2] >> (6 - 2 * (x & 3))) & 3; break;
          case 4: d[x] = (line[x >> 1] >> ((x & 1) ? 0 : 4)) & 15; break;
          default: d[x] = line[x]; break;
        }
      } else {  // one bit from each plane, plane 0 the lowest
        uint8_t index = 0;
        for (int plane = 0; plane < h.planes; ++plane) {
          const uint8_t bit = (line[plane * h.bytesPerLine + (x >> 3)] >> (7 - (x & 7))) & 1;
          index |= static_cast<uint8_t>(bit << plane);
        }
        d[x] = index;
      }
    }
  }

  if (h.bits == 8 && h.planes == 1) {
    // The 256-entry palette follows the marker 0x0C in the last 769 bytes, or right after the
    // scan lines. Since version 5 (the first with 256 colours) every such file has one, so a
    // file without it was cut short; only older files are read as grey levels.
    const size_t n = v.size();
    size_t at = 0;
    if (n >= 769 && n - 769 >= endOfData && v.U8(n - 769) == 0x0C)
      at = n - 768;
    else if (v.Has(endOfData, 769) && v.U8(endOfData) == 0x0C)
      at = endOfData + 1;
    if (at != 0) {
      for (int i = 0; i < 256; ++i) {
        const size_t e = at + 3 * i;
        p.palette[i] = Rgb(v.U8(e), v.U8(e + 1), v.U8(e + 2));
      }
    } else if (h.version >= 5) {
      return kBadFile;
    } else {
      for (int i = 0; i < 256; ++i)
        p.palette[i] = Rgb(static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i));
    }
    p.paletteSize = 256;
  } else if (h.bits == 1 && h.planes == 1) {
    // Two colours from the header; many writers leave it empty, which means black and white.
    HeaderPalette(v, p, 2);
    const PaletteEntry &a = p.palette[0], &b = p.palette[1];
    if (a.red == b.red && a.green == b.green && a.blue == b.blue) {
      p.palette[0] = Rgb(0, 0, 0);
      p.palette[1] = Rgb(255, 255, 255);
    }
  } else if (!trueColour) {
    HeaderPalette(v, p, 1 << (h.bits * h.planes));
  }
  return kOk;
}

ImageFileType RefinePcx(std::span<const uint8_t> file) {
  const ByteView v(file);
  if (v.size() < kHeaderBytes) return ImageFileType::PcxRgb;
  return v.U8(3) * v.U8(65) <= 8 ? ImageFileType::PcxIndexed : ImageFileType::PcxRgb;
}

namespace {

// Run-length codes one plane of one scan line. Runs stop at the end of the plane so that every
// reader, including those that decode plane by plane, sees the same picture.
void EncodePlaneLine(const uint8_t* s, size_t count, std::vector<uint8_t>& out) {
  size_t i = 0;
  while (i < count) {
    const uint8_t b = s[i];
    size_t run = 1;
    while (i + run < count && run < 63 && s[i + run] == b) ++run;
    if (run > 1 || (b & 0xC0) == 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | run));
    out.push_back(b);
    i += run;
  }
}

}  // namespace

int WritePcx(const RasterImage& image, std::vector<uint8_t>& out) {
  if (image.IsEmpty() || image.BitsPerPixel() != 24) return kInvalidArgument;
  const int w = image.Width(), h = image.Height();
  if (w > 65535 || h > 65535) return kInvalidArgument;  // the header holds 16-bit corners
  const size_t bytesPerLine = (static_cast<size_t>(w) + 1) & ~size_t{1};  // must be even
  out.assign(kHeaderBytes, 0);
  out[0] = 0x0A;
  out[1] = 5;  // version 3.0 and later
  out[2] = 1;  // run-length coded
  out[3] = 8;
  out[8] = static_cast<uint8_t>(w - 1);
  out[9] = static_cast<uint8_t>((w - 1) >> 8);
  out[10] = static_cast<uint8_t>(h - 1);
  out[11] = static_cast<uint8_t>((h - 1) >> 8);
  out[65] = 3;
  out[66] = static_cast<uint8_t>(bytesPerLine);
  out[67] = static_cast<uint8_t>(bytesPerLine >> 8);
  out[68] = 1;  // colour
  std::vector<uint8_t> plane(bytesPerLine, 0);
  const uint8_t* px = image.Pixels();
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = px + static_cast<size_t>(y) * w * 3;
    for (int c = 0; c < 3; ++c) {
      for (int x = 0; x < w; ++x) plane[x] = row[3 * x + c];
      EncodePlaneLine(plane.data(), bytesPerLine, out);
    }
  }
  return kOk;
}

}  // namespace orvane
