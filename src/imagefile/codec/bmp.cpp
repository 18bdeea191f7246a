// Windows bitmap: the file form ("BM" + file header + bitmap header) and the packed
// device-independent bitmap of the clipboard (bitmap header, masks, palette, pixels) share
// one decoder.
#include "imagefile/codec/bmp.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "imagefile/codec/byte_view.h"
#include "imagefile/codec/codec.h"

namespace orvane {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

// A run-length picture may not claim more pixels per byte of data than this: a legitimate
// file needs at least two bytes for every 255 pixels, so only hostile headers reach it.
constexpr uint64_t kMaxRlePixelsPerByte = 2048;

struct DibHeader {
  uint32_t headerSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // magnitude
  bool topDown = false;
  int bits = 0;
  uint32_t compression = kBiRgb;
  uint32_t masks[3] = {0, 0, 0};
  uint32_t alphaMask = 0;  // only with bit-field compression
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  int paletteCount = 0;      // entries read into the palette (at most 256)
  int paletteEntryBytes = 4;
  uint64_t paletteOffset = 0;
  uint64_t afterPalette = 0;  // where the pixels of a packed bitmap begin
  bool hasResolution = false;
};

// Parses the bitmap header starting at offset at of v.
int ParseDibHeader(const ByteView& v, uint64_t at, DibHeader& h) {
  if (!v.Has(at, 4)) return kBadFile;
  h.headerSize = v.U32le(at);
  if (h.headerSize < 12 || !v.Has(at, h.headerSize)) return kBadFile;
  uint64_t next = at + h.headerSize;
  if (h.headerSize == 12) {
    h.width = v.U16le(at + 4);
    h.height = v.U16le(at + 6);
    h.bits = v.U16le(at + 10);
    h.paletteEntryBytes = 3;
  } else if (h.headerSize >= 40) {
    h.width = v.S32le(at + 4);
    const int64_t height = v.S32le(at + 8);
    h.topDown = height < 0;
    h.height = height < 0 ? -height : height;
    h.bits = v.U16le(at + 14);
    h.compression = v.U32le(at + 16);
    h.xPelsPerMeter = v.S32le(at + 24);
    h.yPelsPerMeter = v.S32le(at + 28);
    h.hasResolution = true;
  } else {
    return kUnsupportedFile;  // the short OS/2 variants
  }
  if (h.width < 1 || h.height < 1) return kBadFile;
  if (h.width > kMaxPixels || h.height > kMaxPixels || h.width * h.height > kMaxPixels)
    return kOutOfMemory;

  switch (h.compression) {
    case kBiRgb:
      if (h.bits != 1 && h.bits != 2 && h.bits != 4 && h.bits != 8 && h.bits != 16 &&
          h.bits != 24 && h.bits != 32)
        return kUnsupportedFile;
      break;
    case kBiRle8:
      if (h.bits != 8) return kBadFile;
      break;
    case kBiRle4:
      if (h.bits != 4) return kBadFile;
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (h.bits != 16 && h.bits != 32) return kBadFile;
      if (h.headerSize >= 52) {
        for (int i = 0; i < 3; ++i) h.masks[i] = v.U32le(at + 40 + 4 * i);
        if (h.headerSize >= 56) h.alphaMask = v.U32le(at + 52);
      } else {
        // A plain 40-byte header keeps its masks right behind it.
        const uint64_t count = h.compression == kBiAlphaBitfields ? 4 : 3;
        if (!v.Has(next, count * 4)) return kBadFile;
        for (int i = 0; i < 3; ++i) h.masks[i] = v.U32le(next + 4 * i);
        if (count == 4) h.alphaMask = v.U32le(next + 12);
        next += count * 4;
      }
      break;
    default:
      return kUnsupportedFile;  // embedded JPEG or PNG, OS/2 Huffman, 24-bit RLE
  }
  if (h.compression == kBiRgb && h.bits == 16) {
    h.masks[0] = 0x7C00;
    h.masks[1] = 0x03E0;
    h.masks[2] = 0x001F;
  } else if (h.compression == kBiRgb && h.bits == 32) {
    h.masks[0] = 0xFF0000;
    h.masks[1] = 0x00FF00;
    h.masks[2] = 0x0000FF;
  }

  // Colour table: for up to 8 bits the palette, otherwise an optional hint we skip.
  uint64_t entries = 0;
  if (h.headerSize == 12) {
    entries = h.bits <= 8 ? (uint64_t{1} << h.bits) : 0;
  } else {
    entries = v.U32le(at + 32);
    if (entries == 0 && h.bits <= 8) entries = uint64_t{1} << h.bits;
  }
  if (entries > 65536) return kBadFile;
  h.paletteOffset = next;
  const uint64_t tableBytes = entries * h.paletteEntryBytes;
  if (h.bits <= 8) {
    h.paletteCount = static_cast<int>(std::min<uint64_t>(entries, 256));
    if (!v.Has(next, uint64_t(h.paletteCount) * h.paletteEntryBytes)) return kBadFile;
  }
  h.afterPalette = next + tableBytes;
  return kOk;
}

void ReadPalette(const ByteView& v, const DibHeader& h, Picture& p) {
  p.palette = {};
  for (int i = 0; i < h.paletteCount; ++i) {
    const uint64_t e = h.paletteOffset + uint64_t(i) * h.paletteEntryBytes;
    p.palette[i] = PaletteEntry{v.U8(e), v.U8(e + 1), v.U8(e + 2), 0};
  }
  p.paletteSize = h.paletteCount;
}

// Scales a masked field to 0…255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint64_t max = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (m != 0) {
      shift = std::countr_zero(m);
      max = m >> shift;
    }
  }
  uint8_t operator()(uint32_t pixel) const {
    if (max == 0) return 0;
    const uint64_t value = (pixel & mask) >> shift;
    return static_cast<uint8_t>((value * 255 + max / 2) / max);
  }
};

int DecodeUncompressed(const ByteView& v, const DibHeader& h, uint64_t pixelOffset, Picture& p) {
  const uint64_t stride = ((uint64_t(h.width) * h.bits + 31) / 32) * 4;
  const uint64_t lastRow = (uint64_t(h.width) * h.bits + 7) / 8;
  if (!v.Has(pixelOffset, stride * (h.height - 1) + lastRow)) return kBadFile;
  if (!FileMayHold(h.width * h.height, v.size())) return kOutOfMemory;
  const int depth = h.bits == 1 ? 1 : h.bits <= 8 ? 8 : 24;
  int rc = AllocatePicture(p, h.width, h.height, depth);
  if (rc != kOk) return rc;
  if (h.bits <= 8) ReadPalette(v, h, p);
  const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), opacity(h.alphaMask);
  // Only bit-field pictures can state opacity; it is laid on white afterwards.
  std::vector<uint8_t> alpha;
  if (h.alphaMask != 0) alpha.resize(static_cast<size_t>(h.width) * h.height);
  const uint8_t* base = v.data() + pixelOffset;
  const size_t outRow = static_cast<size_t>(RasterImage::ImageBytes(h.width, 1, depth));
  for (int64_t fileRow = 0; fileRow < h.height; ++fileRow) {
    const uint8_t* s = base + stride * fileRow;
    const int64_t y = h.topDown ? fileRow : h.height - 1 - fileRow;
    uint8_t* d = p.pixels.get() + outRow * y;
    switch (h.bits) {
      case 1:
        std::memcpy(d, s, outRow);
        if (h.width % 8) d[outRow - 1] &= static_cast<uint8_t>(0xFF00 >> (h.width % 8));
        break;
      case 2:
        for (int64_t x = 0; x < h.width; ++x) d[x] = (s[x >> 2] >> (6 - 2 * (x & 3))) & 3;
        break;
      case 4:
        for (int64_t x = 0; x < h.width; ++x) d[x] = (s[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
        break;
      case 8:
        std::memcpy(d, s, outRow);
        break;
      case 24:
        for (int64_t x = 0; x < h.width; ++x) {
          d[3 * x] = s[3 * x + 2];
          d[3 * x + 1] = s[3 * x + 1];
          d[3 * x + 2] = s[3 * x];
        }
        break;
      case 16:
        for (int64_t x = 0; x < h.width; ++x) {
          const uint32_t px = s[2 * x] | (s[2 * x + 1] << 8);
          d[3 * x] = red(px);
          d[3 * x + 1] = green(px);
          d[3 * x + 2] = blue(px);
          if (!alpha.empty()) alpha[y * h.width + x] = opacity(px);
        }
        break;
      case 32:
        for (int64_t x = 0; x < h.width; ++x) {
          const uint8_t* q = s + 4 * x;
          const uint32_t px = q[0] | (q[1] << 8) | (q[2] << 16) | (uint32_t{q[3]} << 24);
          d[3 * x] = red(px);
          d[3 * x + 1] = green(px);
          d[3 * x + 2] = blue(px);
          if (!alpha.empty()) alpha[y * h.width + x] = opacity(px);
        }
        break;
    }
  }
  FlattenOnWhite(p, alpha);
  return kOk;
}

// RLE8 and RLE4: runs, absolute runs, end of line, delta and end of bitmap. Pixels the data
// skips (delta, early end of line) keep index 0. The format carries no check of its own, so
// its structure is the check: data that ends before the last row (with or without the end of
// bitmap marker), runs past the end of a row or below the last row, or moves out of the
// picture is damage, not a picture with black rows. `put` receives every pixel coded.
template <class Put>
int WalkRle(std::span<const uint8_t> data, const DibHeader& h, Put put) {
  const bool rle4 = h.compression == kBiRle4;
  const uint64_t w = h.width, height = h.height;
  // Writers code the row's padding too (up to its four-byte boundary), or round a run up to
  // whole bytes and words: that far past the row end is no damage.
  const uint64_t padded = rle4 ? (w + 7) & ~uint64_t{7} : (w + 3) & ~uint64_t{3};
  const uint64_t rowEnd = std::max(w + 1, padded);
  uint64_t x = 0, row = 0;  // row counts in file order
  size_t pos = 0;
  const size_t n = data.size();
  while (pos + 1 < n) {
    const uint8_t count = data[pos];
    const uint8_t value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      if (row >= height || x + count > rowEnd) return kBadFile;
      for (unsigned i = 0; i < count; ++i, ++x)
        if (x < w) put(row, x, rle4 ? ((i & 1) ? (value & 15) : (value >> 4)) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap: the rest of the last row may stay empty
      return row + 1 >= height ? kOk : kBadFile;
    } else if (value == 2) {  // delta
      if (pos + 1 >= n) return kBadFile;
      x += data[pos];
      row += data[pos + 1];
      pos += 2;
      if (x > w || row >= height) return kBadFile;
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      const size_t bytes = rle4 ? (value + 1u) / 2 : value;
      if (pos + bytes > n || row >= height || x + value > rowEnd) return kBadFile;
      for (unsigned i = 0; i < value; ++i, ++x) {
        const uint8_t b = data[pos + (rle4 ? i / 2 : i)];
        if (x < w) put(row, x, rle4 ? ((i & 1) ? (b & 15) : (b >> 4)) : b);
      }
      pos += (bytes + 1) & ~size_t{1};
    }
  }
  // Data that ends with the last row complete is whole, even without its closing marker.
  return row >= height || (row + 1 == height && x >= w) ? kOk : kBadFile;
}

// The data is walked once before the picture's memory is taken: a header claiming thousands
// of rows over data that ends at once costs nothing.
int DecodeRle(const ByteView& v, const DibHeader& h, uint64_t pixelOffset, Picture& p) {
  const std::span<const uint8_t> data = v.From(pixelOffset);
  if (data.empty()) return kBadFile;
  if (uint64_t(h.width) * h.height > (data.size() + 64) * kMaxRlePixelsPerByte) return kBadFile;
  int rc = WalkRle(data, h, [](uint64_t, uint64_t, uint8_t) {});
  if (rc != kOk) return rc;
  if (!FileMayHold(h.width * h.height, v.size())) return kOutOfMemory;
  rc = AllocatePicture(p, h.width, h.height, 8);
  if (rc != kOk) return rc;
  ReadPalette(v, h, p);
  const uint64_t w = h.width;
  uint8_t* pixels = p.pixels.get();
  return WalkRle(data, h, [&](uint64_t row, uint64_t x, uint8_t index) {
    const uint64_t y = h.topDown ? row : h.height - 1 - row;
    pixels[y * w + x] = index;
  });
}

int DecodeDib(const ByteView& v, uint64_t headerAt, bool fileForm, Picture& p) {
  DibHeader h;
  int rc = ParseDibHeader(v, headerAt, h);
  if (rc != kOk) return rc;
  uint64_t pixelOffset = h.afterPalette;
  if (fileForm) {
    const uint32_t offBits = v.U32le(10);
    // A zero offset is a writer's shortcut for "right after the palette".
    if (offBits != 0) pixelOffset = offBits;
  }
  if (h.compression == kBiRle8 || h.compression == kBiRle4)
    rc = DecodeRle(v, h, pixelOffset, p);
  else
    rc = DecodeUncompressed(v, h, pixelOffset, p);
  if (rc != kOk) {
    p.pixels.reset();
    return rc;
  }
  if (h.hasResolution) {
    p.resolutionX = static_cast<uint32_t>(std::max(0, h.xPelsPerMeter / 100));
    p.resolutionY = static_cast<uint32_t>(std::max(0, h.yPelsPerMeter / 100));
  } else {
    p.resolutionX = p.resolutionY = 0;
  }
  p.resolutionUnit = 3;
  return kOk;
}

bool HasFileHeader(std::span<const uint8_t> file) {
  return file.size() >= 14 && file[0] == 'B' && file[1] == 'M';
}

}  // namespace

int DecodeBmpFile(std::span<const uint8_t> file, Picture& picture) {
  if (!HasFileHeader(file)) return kBadFile;
  return DecodeDib(ByteView(file), 14, true, picture);
}

int DecodePackedDib(std::span<const uint8_t> dib, Picture& picture) {
  return DecodeDib(ByteView(dib), 0, false, picture);
}

int DecodeBmp(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture) {
  const int rc = DecodeBmpFile(file, picture);
  if (rc != kOk) return rc;
  if (request.type == ImageFileType::BmpBilevel) {
    // Bilevel bitmaps report no resolution of their own.
    picture.resolutionX = picture.resolutionY = 300;
    picture.resolutionUnit = 1;
  }
  return kOk;
}

ImageFileType RefineBmp(std::span<const uint8_t> file) {
  if (!HasFileHeader(file)) return ImageFileType::BmpRgb;
  const ByteView v(file);
  const uint32_t headerSize = v.U32le(14);
  int bits = 0;
  if (headerSize == 12 && v.Has(14, 12))
    bits = v.U16le(14 + 10);
  else if (headerSize >= 40 && v.Has(14, 40))
    bits = v.U16le(14 + 14);
  if (bits == 1) return ImageFileType::BmpBilevel;
  if (bits >= 2 && bits <= 8) return ImageFileType::BmpIndexed;
  return ImageFileType::BmpRgb;
}

int ConvertClipboardDib(std::span<const uint8_t> dib, RasterImage& image) {
  image.Release();
  Picture p;
  int rc = kOk;
  try {  // called directly by Paste, not through Load's guard
    rc = DecodePackedDib(dib, p);
  } catch (const std::bad_alloc&) {
    rc = kOutOfMemory;
  }
  if (rc == kOk) rc = ConvertPictureDepth(p, 24);
  if (rc != kOk) return rc;
  image.AdoptPixels(std::move(p.pixels), p.width, p.height, 24, false);
  return kOk;
}

uint32_t PixelsPerMetre(int32_t value, int32_t unit) {
  if (value <= 0) return 0;
  if (unit == 2) return static_cast<uint32_t>((int64_t{value} * 10000 + 127) / 254);
  if (unit == 3) return static_cast<uint32_t>(int64_t{value} * 100);
  return 0;  // unit 1: an aspect ratio only, which a bitmap cannot state
}

int WriteBmp(const RasterImage& image, std::vector<uint8_t>& out) {
  if (image.IsEmpty() || image.BitsPerPixel() != 24) return kInvalidArgument;
  const uint64_t w = image.Width();
  const uint64_t h = image.Height();
  const uint64_t stride = (w * 3 + 3) & ~uint64_t{3};
  const uint64_t imageBytes = stride * h;
  const uint64_t fileBytes = 54 + imageBytes;
  if (fileBytes > 0xFFFFFFFFull || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return kInvalidArgument;
  out.clear();
  out.reserve(fileBytes);
  out.push_back('B');
  out.push_back('M');
  PutU32le(out, static_cast<uint32_t>(fileBytes));
  PutU32le(out, 0);
  PutU32le(out, 54);
  PutU32le(out, 40);
  PutU32le(out, static_cast<uint32_t>(w));
  PutU32le(out, static_cast<uint32_t>(h));
  PutU16le(out, 1);
  PutU16le(out, 24);
  PutU32le(out, kBiRgb);
  PutU32le(out, static_cast<uint32_t>(imageBytes));
  PutU32le(out, PixelsPerMetre(image.saveResolutionX, image.saveResolutionUnit));
  PutU32le(out, PixelsPerMetre(image.saveResolutionY, image.saveResolutionUnit));
  PutU32le(out, 0);
  PutU32le(out, 0);
  const uint8_t* px = image.Pixels();
  out.resize(fileBytes, 0);
  for (uint64_t y = 0; y < h; ++y) {
    const uint8_t* s = px + (h - 1 - y) * w * 3;  // bottom row first
    uint8_t* d = out.data() + 54 + y * stride;
    for (uint64_t x = 0; x < w; ++x) {
      d[3 * x] = s[3 * x + 2];
      d[3 * x + 1] = s[3 * x + 1];
      d[3 * x + 2] = s[3 * x];
    }
  }
  return kOk;
}

}  // namespace orvane
