// Targa: 18-byte header, image identification, colour map, then pixels, raw (types 1, 2, 3)
// or run-length coded (9, 10, 11), stored from the bottom or the top, from the left or the
// right; newer files end with a 26-byte footer.
#include <algorithm>
#include <cstring>

#include "imagefile/codec/byte_view.h"
#include "imagefile/codec/codec.h"
#include "imagefile/codec/picture.h"

namespace orvane {
namespace {

constexpr size_t kHeaderBytes = 18;
constexpr char kFooterSignature[] = "TRUEVISION-XFILE.";  // followed by a NUL
constexpr size_t kFooterBytes = 26;

struct TgaHeader {
  int idLength = 0;
  int colourMapType = 0;
  int imageType = 0;
  int mapFirst = 0;
  int mapLength = 0;
  int mapEntryBits = 0;
  int64_t width = 0;
  int64_t height = 0;
  int bits = 0;
  bool rightToLeft = false;
  bool topToBottom = false;
  int alphaBits = 0;
};

int ParseHeader(const ByteView& v, TgaHeader& h) {
  if (v.size() < kHeaderBytes) return kBadFile;
  h.idLength = v.U8(0);
  h.colourMapType = v.U8(1);
  h.imageType = v.U8(2);
  h.mapFirst = v.U16le(3);
  h.mapLength = v.U16le(5);
  h.mapEntryBits = v.U8(7);
  h.width = v.U16le(12);
  h.height = v.U16le(14);
  h.bits = v.U8(16);
  const uint8_t descriptor = v.U8(17);
  h.rightToLeft = descriptor & 0x10;
  h.topToBottom = descriptor & 0x20;
  h.alphaBits = descriptor & 0x0F;
  if (h.width == 0 || h.height == 0) return kBadFile;
  if (h.colourMapType > 1) return kBadFile;
  switch (h.imageType) {
    case 1:
    case 9:
      if (h.colourMapType != 1 || h.bits != 8) return kUnsupportedFile;
      if (h.mapEntryBits != 15 && h.mapEntryBits != 16 && h.mapEntryBits != 24 &&
          h.mapEntryBits != 32)
        return kBadFile;
      break;
    case 2:
    case 10:
      if (h.bits != 15 && h.bits != 16 && h.bits != 24 && h.bits != 32) return kUnsupportedFile;
      break;
    case 3:
    case 11:
      if (h.bits != 8 && h.bits != 16) return kUnsupportedFile;
      break;
    default:
      return kUnsupportedFile;
  }
  return kOk;
}

// One pixel of bytesPerPixel bytes to red, green, blue; its opacity comes from PixelAlpha.
inline void PixelToRgb(const uint8_t* s, int bits, bool grey, uint8_t* d) {
  if (grey) {
    d[0] = d[1] = d[2] = s[0];
    return;
  }
  if (bits == 15 || bits == 16) {
    const unsigned v = s[0] | (s[1] << 8);
    const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
    d[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
    d[1] = static_cast<uint8_t>((g << 3) | (g >> 2));
    d[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
    return;
  }
  d[0] = s[2];
  d[1] = s[1];
  d[2] = s[0];
}

// Opacity of one pixel (or map entry) of `bits` bits: the fourth byte of 32-bit pixels, the
// top bit of 16-bit ones, the second byte of grey pixels with alpha.
inline uint8_t PixelAlpha(const uint8_t* s, int bits, bool grey) {
  if (grey) return s[1];
  if (bits == 32) return s[3];
  return (s[1] & 0x80) ? 255 : 0;
}

}  // namespace

int DecodeTga(std::span<const uint8_t> file, const DecodeRequest&, Picture& p) {
  const ByteView v(file);
  TgaHeader h;
  int rc = ParseHeader(v, h);
  if (rc != kOk) return rc;
  const bool mapped = h.imageType == 1 || h.imageType == 9;
  const bool grey = h.imageType == 3 || h.imageType == 11;
  const bool rle = h.imageType >= 9;
  const int pixelBytes = (h.bits + 7) / 8;

  uint64_t pos = kHeaderBytes + h.idLength;
  const int mapEntryBytes = (h.mapEntryBits + 7) / 8;
  const uint64_t mapBytes = h.colourMapType == 1 ? uint64_t(h.mapLength) * mapEntryBytes : 0;
  if (!v.Has(pos, mapBytes)) return kBadFile;
  const uint64_t mapAt = pos;
  pos += mapBytes;

  const uint64_t pixels = uint64_t(h.width) * h.height;
  const uint64_t dataBytes = v.size() - pos;
  // Raw data must be all there; a run-length packet of 1 + pixelBytes bytes gives 128 pixels.
  if (!rle && dataBytes < pixels * pixelBytes) return kBadFile;
  if (rle && pixels > (dataBytes / (1 + pixelBytes)) * 128) return kBadFile;

  const bool indexed = mapped || (grey && h.bits == 8);
  rc = AllocatePicture(p, h.width, h.height, indexed ? 8 : 24);
  if (rc != kOk) return rc;
  if (mapped) {
    // Pixel value i shows entry i - mapFirst of the map; values outside it stay black. Map
    // entries with opacity are laid on white, unless every entry says transparent.
    const bool mapAlpha = h.alphaBits > 0 && (h.mapEntryBits == 32 || h.mapEntryBits == 16);
    bool anyOpacity = false;
    for (int i = 0; mapAlpha && i < h.mapLength; ++i)
      anyOpacity |= PixelAlpha(v.data() + mapAt + uint64_t(i) * mapEntryBytes, h.mapEntryBits, false) != 0;
    for (int i = 0; i < h.mapLength; ++i) {
      const int index = h.mapFirst + i;
      if (index > 255) break;
      const uint8_t* e = v.data() + mapAt + uint64_t(i) * mapEntryBytes;
      uint8_t rgb[3];
      PixelToRgb(e, h.mapEntryBits, false, rgb);
      if (anyOpacity) {
        const uint8_t a = PixelAlpha(e, h.mapEntryBits, false);
        for (uint8_t& c : rgb) c = OnWhite(c, a);
      }
      p.palette[index] = Rgb(rgb[0], rgb[1], rgb[2]);
    }
    p.paletteSize = std::clamp(h.mapFirst + h.mapLength, 0, 256);
  } else if (indexed) {
    for (int i = 0; i < 256; ++i)
      p.palette[i] = Rgb(static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i));
    p.paletteSize = 256;
  }

  const int outBytes = indexed ? 1 : 3;
  std::vector<uint8_t> alpha;
  if (!indexed && h.alphaBits > 0 && (h.bits == 32 || h.bits == 16)) alpha.resize(pixels);
  const uint64_t w = h.width;
  const uint8_t* s = v.data();
  const size_t n = v.size();
  auto store = [&](uint64_t i, const uint8_t* src) {
    const uint64_t fileRow = i / w, fileCol = i % w;
    const uint64_t y = h.topToBottom ? fileRow : h.height - 1 - fileRow;
    const uint64_t x = h.rightToLeft ? w - 1 - fileCol : fileCol;
    uint8_t* d = p.pixels.get() + (y * w + x) * outBytes;
    if (indexed) {
      *d = src[0];
    } else {
      PixelToRgb(src, h.bits, grey, d);
      if (!alpha.empty()) alpha[y * w + x] = PixelAlpha(src, h.bits, grey);
    }
  };
  if (!rle) {
    for (uint64_t i = 0; i < pixels; ++i) store(i, s + pos + i * pixelBytes);
    FlattenOnWhite(p, alpha);
    return kOk;
  }
  // Packets may run on from one row into the next.
  uint64_t i = 0;
  while (i < pixels) {
    if (pos >= n) return kBadFile;
    const uint8_t head = s[pos++];
    const uint64_t count = (head & 0x7F) + 1;
    if (count > pixels - i) return kBadFile;  // a damaged count runs past the last pixel
    if (head & 0x80) {
      if (pos + pixelBytes > n) return kBadFile;
      for (uint64_t k = 0; k < count; ++k) store(i + k, s + pos);
      pos += pixelBytes;
    } else {
      const uint64_t bytes = uint64_t((head & 0x7F) + 1) * pixelBytes;
      if (pos + bytes > n) return kBadFile;
      for (uint64_t k = 0; k < count; ++k) store(i + k, s + pos + k * pixelBytes);
      pos += bytes;
    }
    i += count;
  }
  FlattenOnWhite(p, alpha);
  return kOk;
}

bool IsTargaHeader(std::span<const uint8_t> file) {
  TgaHeader h;
  return ParseHeader(ByteView(file), h) == kOk && file.size() > kHeaderBytes + h.idLength;
}

ImageFileType RefineTga(std::span<const uint8_t> file) {
  // A header without a depth of its own (too short, or no Targa depth) gives the base type.
  if (file.size() < kHeaderBytes) return ImageFileType::TgaRgb;
  return file[16] == 8 ? ImageFileType::TgaIndexed : ImageFileType::TgaRgb;
}

int WriteTga(const RasterImage& image, std::vector<uint8_t>& out) {
  if (image.IsEmpty() || image.BitsPerPixel() != 24) return kInvalidArgument;
  const uint64_t w = image.Width(), h = image.Height();
  if (w > 65535 || h > 65535) return kInvalidArgument;  // 16-bit size fields
  out.assign(kHeaderBytes, 0);
  out[2] = 2;  // uncompressed true colour
  out[12] = static_cast<uint8_t>(w);
  out[13] = static_cast<uint8_t>(w >> 8);
  out[14] = static_cast<uint8_t>(h);
  out[15] = static_cast<uint8_t>(h >> 8);
  out[16] = 24;
  out[17] = 0x20;  // rows from the top
  const uint8_t* px = image.Pixels();
  out.reserve(kHeaderBytes + w * h * 3 + kFooterBytes);
  for (uint64_t i = 0; i < w * h; ++i) {
    out.push_back(px[3 * i + 2]);
    out.push_back(px[3 * i + 1]);
    out.push_back(px[3 * i]);
  }
  // The footer marks the file as Targa for readers that look at the end, as our detection does
  // for files that begin with two zero bytes.
  PutU32le(out, 0);
  PutU32le(out, 0);
  out.insert(out.end(), kFooterSignature, kFooterSignature + 18);
  return kOk;
}

}  // namespace orvane
