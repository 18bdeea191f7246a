// TIFF through libtiff, reading from and writing to memory through client procedures.
// Errors come back as return values; messages are not printed, but any error or warning while
// the pixels are decoded marks the file as damaged.
#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <new>

#include "imagefile/codec/byte_io.h"
#include "imagefile/codec/codec.h"
#include "imagefile/codec/picture.h"
#include "imagefile/exif.h"
#include "imagefile/metadata.h"

namespace orvane {

namespace {

// Memory the client procedures read from or write to.
struct MemoryFile {
  const uint8_t* data = nullptr;  // reading
  size_t size = 0;
  std::vector<uint8_t>* out = nullptr;  // writing
  uint64_t pos = 0;
  bool failed = false;
  // Set while the pixels are decoded: a codec's complaint then means damaged data.
  bool decoding = false;
  bool complained = false;
};

tmsize_t ProcRead(thandle_t h, void* buf, tmsize_t n) {
  auto* m = static_cast<MemoryFile*>(h);
  const size_t size = m->out ? m->out->size() : m->size;
  const uint8_t* data = m->out ? m->out->data() : m->data;
  if (n <= 0 || m->pos >= size) return 0;
  const size_t take = std::min<uint64_t>(static_cast<uint64_t>(n), size - m->pos);
  std::memcpy(buf, data + m->pos, take);
  m->pos += take;
  return static_cast<tmsize_t>(take);
}

tmsize_t ProcWrite(thandle_t h, void* buf, tmsize_t n) {
  auto* m = static_cast<MemoryFile*>(h);
  if (m->out == nullptr || n < 0) return -1;
  const uint64_t end = m->pos + static_cast<uint64_t>(n);
  try {
    if (end > m->out->size()) m->out->resize(static_cast<size_t>(end));
  } catch (const std::bad_alloc&) {
    m->failed = true;
    return -1;
  }
  std::memcpy(m->out->data() + m->pos, buf, static_cast<size_t>(n));
  m->pos = end;
  return n;
}

toff_t ProcSeek(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<MemoryFile*>(h);
  const uint64_t size = m->out ? m->out->size() : m->size;
  uint64_t base = 0;
  if (whence == SEEK_CUR) base = m->pos;
  if (whence == SEEK_END) base = size;
  const uint64_t target = base + off;
  // Reading never seeks past the end; writing may (the gap is filled on the next write).
  if (m->out == nullptr && target > size) return static_cast<toff_t>(-1);
  if (target > (uint64_t{1} << 40)) return static_cast<toff_t>(-1);
  m->pos = target;
  return target;
}

int ProcClose(thandle_t) { return 0; }
toff_t ProcSize(thandle_t h) {
  auto* m = static_cast<MemoryFile*>(h);
  return m->out ? m->out->size() : m->size;
}
int ProcMap(thandle_t, void**, toff_t*) { return 0; }
void ProcUnmap(thandle_t, void*, toff_t) {}

int Note(TIFF*, void* user, const char*, const char*, va_list) {
  auto* m = static_cast<MemoryFile*>(user);
  if (m != nullptr && m->decoding) m->complained = true;
  return 1;
}

struct TiffHandle {
  TIFF* tif = nullptr;
  ~TiffHandle() {
    if (tif) TIFFClose(tif);
  }
};

struct OptionsHandle {
  TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
  ~OptionsHandle() {
    if (opts) TIFFOpenOptionsFree(opts);
  }
};

TIFF* Open(MemoryFile& m, const char* mode) {
  OptionsHandle o;
  if (o.opts == nullptr) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(o.opts, Note, &m);
  TIFFOpenOptionsSetWarningHandlerExtR(o.opts, Note, &m);
  // A single allocation larger than any strip or tile a sane file has is refused by libtiff.
  TIFFOpenOptionsSetMaxSingleMemAlloc(o.opts, tmsize_t{1} << 31);
  return TIFFClientOpenExt("memory", mode, &m, ProcRead, ProcWrite, ProcSeek, ProcClose,
                           ProcSize, ProcMap, ProcUnmap, o.opts);
}

struct Layout {
  uint32_t width = 0, height = 0;
  uint16_t bits = 1, samples = 1, photometric = PHOTOMETRIC_MINISWHITE, planar = 1;
  uint16_t orientation = ORIENTATION_TOPLEFT;  // 1 ... 8, the EXIF block's codes
};

bool ReadLayout(TIFF* tif, Layout& l) {
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width)) return false;
  if (!TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height)) return false;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric)) {
    l.photometric = l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISWHITE;
  }
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &l.orientation);
  if (l.orientation < ORIENTATION_TOPLEFT || l.orientation > ORIENTATION_LEFTBOT) l.orientation = ORIENTATION_TOPLEFT;
  return l.width > 0 && l.height > 0;
}

// Reads a one-sample image of 1, 2, 4 or 8 bits into rows of (width * bits + 7) / 8 bytes,
// from strips or tiles. Returns a result code.
int ReadPacked(TIFF* tif, const Layout& l, uint8_t* dest, uint64_t rowBytes) {
  if (TIFFIsTiled(tif)) {
    uint32_t tw = 0, th = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
    const tmsize_t tileSize = TIFFTileSize(tif);
    const tmsize_t tileRow = TIFFTileRowSize(tif);
    if (tw == 0 || th == 0 || tileSize <= 0 || tileRow <= 0) return kBadFile;
    // Tile widths are multiples of 16, so every tile starts on a byte of the row.
    if ((static_cast<uint64_t>(tw) * l.bits) % 8 != 0) return kUnsupportedFile;
    if (static_cast<uint64_t>(tileRow) * th > static_cast<uint64_t>(tileSize)) return kBadFile;
    PixelBlock tile = AllocatePixels(static_cast<uint64_t>(tileSize));
    if (!tile) return kOutOfMemory;
    for (uint32_t ty = 0; ty < l.height; ty += th) {
      for (uint32_t tx = 0; tx < l.width; tx += tw) {
        if (TIFFReadTile(tif, tile.get(), tx, ty, 0, 0) < 0) return kBadFile;
        const uint64_t xByte = static_cast<uint64_t>(tx) * l.bits / 8;
        const uint64_t copy = std::min<uint64_t>(static_cast<uint64_t>(tileRow), rowBytes - xByte);
        for (uint32_t r = 0; r < th && ty + r < l.height; ++r) {
          std::memcpy(dest + (ty + r) * rowBytes + xByte, tile.get() + r * tileRow, copy);
        }
      }
    }
    return kOk;
  }
  uint32_t rowsPerStrip = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  if (rowsPerStrip == 0 || rowsPerStrip > l.height) rowsPerStrip = l.height;
  const tmsize_t stripSize = TIFFStripSize(tif);
  if (stripSize <= 0) return kBadFile;
  PixelBlock strip = AllocatePixels(static_cast<uint64_t>(stripSize));
  if (!strip) return kOutOfMemory;
  const uint32_t strips = (l.height + rowsPerStrip - 1) / rowsPerStrip;
  for (uint32_t s = 0; s < strips; ++s) {
    const uint32_t first = s * rowsPerStrip;
    const uint32_t rows = std::min(rowsPerStrip, l.height - first);
    const tmsize_t got = TIFFReadEncodedStrip(tif, s, strip.get(), stripSize);
    const uint64_t want = rowBytes * rows;
    // A strip that does not decode or ends early is damage, not white rows.
    if (got < 0 || static_cast<uint64_t>(got) < want) return kBadFile;
    std::memcpy(dest + first * rowBytes, strip.get(), want);
  }
  return kOk;
}

// 24 bits through libtiff's RGBA reader: every photometric, 16 bits, CMYK, YCbCr, alpha.
int ReadRgb(TIFF* tif, const Layout& l, Picture& out) {
  char message[1024] = {};
  if (!TIFFRGBAImageOK(tif, message)) return kUnsupportedFile;
  const uint64_t count = static_cast<uint64_t>(l.width) * l.height;
  PixelBlock raster = AllocatePixels(count * 4);
  if (!raster) return kOutOfMemory;
  auto* px = reinterpret_cast<uint32_t*>(raster.get());
  // The pixels in the order they are stored, as the packed reader gives them: asked for the
  // file's own orientation this reader flips nothing. The picture is turned upright when it is
  // delivered, the transposed orientations included, which this reader cannot do.
  // Stop at the first strip or tile that cannot be read: a damaged file is not a black one.
  if (!TIFFReadRGBAImageOriented(tif, l.width, l.height, px, l.orientation, 1)) return kBadFile;
  uint8_t* rgb = raster.get();
  for (uint64_t i = 0; i < count; ++i) {
    const uint32_t p = px[i];
    // The reader delivers colour multiplied by alpha: adding the missing share of white
    // lays the pixel on a white ground.
    const uint32_t white = 255 - TIFFGetA(p);
    const uint8_t r = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetR(p) + white));
    const uint8_t g = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetG(p) + white));
    const uint8_t b = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetB(p) + white));
    rgb[i * 3] = r;
    rgb[i * 3 + 1] = g;
    rgb[i * 3 + 2] = b;
  }
  out.pixels = std::move(raster);
  out.depth = 24;
  return kOk;
}

bool PackedKind(const Layout& l) {
  return l.samples == 1 && l.planar == PLANARCONFIG_CONTIG &&
         (l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8) &&
         (l.photometric == PHOTOMETRIC_MINISWHITE || l.photometric == PHOTOMETRIC_MINISBLACK ||
          l.photometric == PHOTOMETRIC_PALETTE);
}

void FillPalette(TIFF* tif, const Layout& l, Picture& out) {
  const int levels = 1 << l.bits;
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if (l.photometric == PHOTOMETRIC_PALETTE &&
      TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) && red && green && blue) {
    // Some writers store 8-bit values in the 16-bit map.
    bool eightBit = true;
    for (int i = 0; i < levels; ++i)
      if (red[i] > 255 || green[i] > 255 || blue[i] > 255) eightBit = false;
    const int shift = eightBit ? 0 : 8;
    for (int i = 0; i < levels; ++i) {
      out.palette[static_cast<size_t>(i)] =
          PaletteEntry{static_cast<uint8_t>(blue[i] >> shift),
                       static_cast<uint8_t>(green[i] >> shift),
                       static_cast<uint8_t>(red[i] >> shift), 0};
    }
    return;
  }
  for (int i = 0; i < levels; ++i) {
    int v = i * 255 / (levels - 1);
    if (l.photometric == PHOTOMETRIC_MINISWHITE) v = 255 - v;
    const auto b = static_cast<uint8_t>(v);
    out.palette[static_cast<size_t>(i)] = PaletteEntry{b, b, b, 0};
  }
}

// How many bytes of picture one stored byte can give at most, by compression: a bound for
// telling a file whose data could fill its stated size from one that lies about it.
uint64_t MaxExpansion(uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64;  // two bytes give at most 128
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return 1100;  // the format's limit is about 1032
    case COMPRESSION_LZW: return 8192;      // codes of 9 to 12 bits for strings up to 4 KB
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG: return 2048;    // at least one bit per 8 x 8 block
    default: return uint64_t{1} << 16;
  }
}

// Every strip or tile must lie inside the file, and together they must hold enough bytes
// for the stated size, before the picture's memory is taken.
bool DataCanFill(TIFF* tif, const Layout& l, uint64_t fileSize) {
  const uint32_t count = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  if (count == 0) return false;
  uint64_t stored = 0;
  for (uint32_t i = 0; i < count; ++i) {
    int err = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &err);
    if (err) return false;
    const uint64_t bytes = TIFFGetStrileByteCountWithErr(tif, i, &err);
    if (err || bytes == 0 || offset > fileSize || bytes > fileSize - offset) return false;
    stored += bytes;
  }
  uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  // Fax codings spend at least one bit on a row.
  if (compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
      compression == COMPRESSION_CCITTFAX4 || compression == COMPRESSION_CCITTRLEW)
    return stored * 8 >= l.height;
  const uint64_t raw = (uint64_t{l.width} * l.bits * l.samples + 7) / 8 * l.height;
  const uint64_t expansion = MaxExpansion(compression);
  return stored >= (raw + expansion - 1) / expansion;
}

// Deflate and LZW strips are decoded by libtiff only until the strip is full, so a damaged
// code that still yields enough bytes (and deflate's checksum behind them) would pass. These
// read each strip to its end: it must end where its data ends, having given between `least`
// and `most` bytes.
bool InflatesWhole(std::span<const uint8_t> data, uint64_t least, uint64_t most) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  uint8_t sink[1 << 15];
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  int rc = Z_OK;
  uint64_t total = 0;
  while (rc == Z_OK && total <= most) {
    z.next_out = sink;
    z.avail_out = sizeof sink;
    rc = inflate(&z, Z_NO_FLUSH);
    total += sizeof sink - z.avail_out;
    if (rc == Z_BUF_ERROR && z.avail_in == 0) break;  // the data ended before the stream
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END && total >= least && total <= most;
}

// LZW as TIFF writes it: codes of 9 to 12 bits, high bit first, the width growing one code
// early; 256 clears the table, 257 ends the strip. Only the lengths of the strings are
// followed. Strips in the old bit order (which libtiff still reads) are not judged.
bool LzwEndsWhole(std::span<const uint8_t> data, uint64_t least, uint64_t most) {
  if (data.size() >= 2 && data[0] == 0 && (data[1] & 1)) return true;
  constexpr int kClear = 256, kEnd = 257, kFirstFree = 258;
  static thread_local uint16_t length[4096];
  for (int i = 0; i < 256; ++i) length[i] = 1;
  uint64_t bits = 0, total = 0;
  int width = 9, next = kFirstFree, previous = -1;
  const uint64_t available = uint64_t{data.size()} * 8;
  while (bits + width <= available) {
    uint32_t code = 0;
    for (int i = 0; i < width; ++i, ++bits)
      code = (code << 1) | ((data[bits >> 3] >> (7 - (bits & 7))) & 1);
    if (code == kEnd) break;
    if (code == kClear) {
      width = 9;
      next = kFirstFree;
      previous = -1;
      continue;
    }
    if (previous < 0) {
      if (code > 255) return false;
      total += 1;
    } else {
      if (static_cast<int>(code) > next) return false;
      const uint32_t len = static_cast<int>(code) == next ? length[previous] + 1u : length[code];
      total += len;
      if (next < 4096)
        length[next++] = static_cast<uint16_t>(std::min<uint32_t>(length[previous] + 1u, 65535));
    }
    if (total > most) return false;
    previous = static_cast<int>(code);
    if (next + 1 >= (1 << width) && width < 12) ++width;
  }
  return total >= least && total <= most;
}

// Whether every deflate or LZW strip or tile decodes whole. Other codings pass.
bool StripsEndWhole(TIFF* tif, const Layout& l, std::span<const uint8_t> file) {
  uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  const bool deflate =
      compression == COMPRESSION_ADOBE_DEFLATE || compression == COMPRESSION_DEFLATE;
  if (!deflate && compression != COMPRESSION_LZW) return true;
  const bool tiled = TIFFIsTiled(tif);
  const uint32_t count = tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  uint32_t rowsPerStrip = l.height;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  if (rowsPerStrip == 0 || rowsPerStrip > l.height) rowsPerStrip = l.height;
  const uint32_t perPlane = (l.height + rowsPerStrip - 1) / rowsPerStrip;
  const tmsize_t full = tiled ? TIFFTileSize(tif) : TIFFStripSize(tif);
  if (full <= 0 || perPlane == 0) return false;
  for (uint32_t i = 0; i < count; ++i) {
    int err = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &err);
    const uint64_t bytes = TIFFGetStrileByteCountWithErr(tif, i, &err);
    if (err || offset > file.size() || bytes > file.size() - offset) return false;
    uint64_t least = static_cast<uint64_t>(full);
    if (!tiled) {
      const uint32_t first = (i % perPlane) * rowsPerStrip;
      const tmsize_t rows = TIFFVStripSize(tif, std::min(rowsPerStrip, l.height - first));
      if (rows <= 0) return false;
      least = static_cast<uint64_t>(rows);
    }
    const auto data = file.subspan(static_cast<size_t>(offset), static_cast<size_t>(bytes));
    const uint64_t most = static_cast<uint64_t>(full);
    if (!(deflate ? InflatesWhole(data, least, most) : LzwEndsWhole(data, least, most)))
      return false;
  }
  return true;
}

int Decode(TIFF* tif, ImageFileType type, std::span<const uint8_t> file, Picture& out) {
  Layout l;
  if (!ReadLayout(tif, l)) return kBadFile;
  const uint64_t pixels = static_cast<uint64_t>(l.width) * l.height;
  if (pixels > static_cast<uint64_t>(kMaxPixels)) return kOutOfMemory;
  if (!DataCanFill(tif, l, file.size())) return kBadFile;
  if (!FileMayHold(static_cast<int64_t>(pixels), file.size())) return kOutOfMemory;
  if (!StripsEndWhole(tif, l, file)) return kBadFile;
  out.width = static_cast<int>(l.width);
  out.height = static_cast<int>(l.height);
  out.orientation = l.orientation;
  const bool wantPacked = (type == ImageFileType::TiffBilevel && l.bits == 1) ||
                          (type == ImageFileType::TiffIndexed && l.bits >= 2);
  if (!wantPacked || !PackedKind(l)) return ReadRgb(tif, l, out);

  const uint64_t rowBytes = (static_cast<uint64_t>(l.width) * l.bits + 7) / 8;
  PixelBlock packed = AllocatePixels(rowBytes * l.height);
  if (!packed) return kOutOfMemory;
  std::memset(packed.get(), l.photometric == PHOTOMETRIC_MINISBLACK ? 0xFF : 0x00,
              rowBytes * l.height);
  int rc = ReadPacked(tif, l, packed.get(), rowBytes);
  if (rc != kOk) return rc;
  FillPalette(tif, l, out);
  if (l.bits == 1) {
    // Bilevel pictures use a fixed palette, 0 white and 1 black; bits meaning the opposite
    // are turned round.
    const PaletteEntry& zero = out.palette[0];
    const PaletteEntry& one = out.palette[1];
    const bool zeroDarker = zero.red + zero.green + zero.blue < one.red + one.green + one.blue;
    if (zeroDarker) {
      for (uint64_t i = 0; i < rowBytes * l.height; ++i) packed[i] = static_cast<uint8_t>(~packed[i]);
    }
    out.palette[0] = PaletteEntry{255, 255, 255, 0};
    out.palette[1] = PaletteEntry{0, 0, 0, 0};
    out.paletteSize = 2;
    out.pixels = std::move(packed);
    out.depth = 1;
    return kOk;
  }
  PixelBlock indices = AllocatePixels(static_cast<uint64_t>(l.width) * l.height);
  if (!indices) return kOutOfMemory;
  const int perByte = 8 / l.bits;
  const int mask = (1 << l.bits) - 1;
  for (uint32_t y = 0; y < l.height; ++y) {
    const uint8_t* in = packed.get() + y * rowBytes;
    uint8_t* o = indices.get() + static_cast<uint64_t>(y) * l.width;
    for (uint32_t x = 0; x < l.width; ++x) {
      const int shift = 8 - l.bits * (1 + static_cast<int>(x % perByte));
      o[x] = static_cast<uint8_t>((in[x / perByte] >> shift) & mask);
    }
  }
  out.pixels = std::move(indices);
  out.depth = 8;
  out.paletteSize = 256;
  return kOk;
}

// The colour profile and XMP packet of the directory.
void ReadMetadata(TIFF* tif, PictureMetadata& metadata) {
  uint32_t length = 0;
  void* data = nullptr;
  if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &length, &data) && data != nullptr && length > 0) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    metadata.iccProfile.assign(bytes, bytes + length);
  }
  length = 0;
  data = nullptr;
  if (TIFFGetField(tif, TIFFTAG_XMLPACKET, &length, &data) && data != nullptr && length > 0)
    metadata.xmpPacket.assign(static_cast<const char*>(data), length);
}

// Sets the tags for the picture's colour profile and XMP packet. False when a profile had to
// be left out (damaged, or not for RGB data).
bool SetMetadataTags(TIFF* tif, const PictureMetadata& metadata) {
  bool kept = true;
  if (!metadata.iccProfile.empty()) {
    if (IsRgbIccProfile(metadata.iccProfile)) {
      TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(metadata.iccProfile.size()),
                   metadata.iccProfile.data());
    } else {
      kept = false;
    }
  }
  if (!metadata.xmpPacket.empty() && metadata.xmpPacket.size() <= UINT32_MAX) {
    TIFFSetField(tif, TIFFTAG_XMLPACKET, static_cast<uint32_t>(metadata.xmpPacket.size()),
                 metadata.xmpPacket.data());
  }
  // A JPEG's extended XMP has no place here; its leaving is noted.
  return kept && metadata.xmpExtension.empty();
}

uint32_t ResolutionValue(float v) {
  if (!(v > 0)) return 0;  // also NaN
  if (v >= 4e9f) return 4000000000u;
  return static_cast<uint32_t>(v);
}

}  // namespace

ImageFileType RefineTiff(std::span<const uint8_t> file) {
  MemoryFile m{file.data(), file.size()};
  TiffHandle h;
  h.tif = Open(m, "rm");
  Layout l;
  if (h.tif == nullptr || !ReadLayout(h.tif, l)) return ImageFileType::TiffRgb;
  const int bitsPerPixel = l.bits * l.samples;
  if (bitsPerPixel == 1) return ImageFileType::TiffBilevel;
  if (bitsPerPixel >= 2 && bitsPerPixel <= 8) return ImageFileType::TiffIndexed;
  return ImageFileType::TiffRgb;
}

int DecodeTiff(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture) {
  if (file.size() < 8) return kBadFile;
  MemoryFile m{file.data(), file.size()};
  TiffHandle h;
  h.tif = Open(m, "rm");
  if (h.tif == nullptr) return kBadFile;
  const int pageIndex = request.pageIndex;
  if (pageIndex < 0 || (pageIndex > 0 && !TIFFSetDirectory(h.tif, static_cast<tdir_t>(pageIndex))))
    return kInvalidArgument;
  m.decoding = true;
  const int rc = Decode(h.tif, request.type, file, picture);
  m.decoding = false;
  if (rc != kOk) return rc;
  if (m.complained) return kBadFile;
  uint16_t bits = 8;
  TIFFGetFieldDefaulted(h.tif, TIFFTAG_BITSPERSAMPLE, &bits);
  picture.fileBitsPerSample = bits;
  ReadMetadata(h.tif, picture.metadata);
  float rx = 0, ry = 0;
  uint16_t unit = RESUNIT_NONE;
  const bool hasX = TIFFGetField(h.tif, TIFFTAG_XRESOLUTION, &rx) != 0;
  const bool hasY = TIFFGetField(h.tif, TIFFTAG_YRESOLUTION, &ry) != 0;
  TIFFGetFieldDefaulted(h.tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (hasX || hasY) {
    picture.resolutionX = ResolutionValue(rx);
    picture.resolutionY = ResolutionValue(ry);
  } else {
    picture.resolutionX = picture.resolutionY = 300;
  }
  picture.resolutionUnit = unit == RESUNIT_INCH ? 2 : unit == RESUNIT_CENTIMETER ? 3 : 1;
  return kOk;
}

int WriteTiff(const RasterImage& image, std::vector<uint8_t>& out) {
  if (image.IsEmpty() || image.BitsPerPixel() != 24) return kInvalidArgument;
  const auto compression = static_cast<uint16_t>(image.tiffCompression);
  if (image.tiffCompression < 1 || image.tiffCompression > 65535 ||
      !TIFFIsCODECConfigured(compression))
    return kInvalidArgument;
  MemoryFile m;
  m.out = &out;
  TiffHandle h;
  h.tif = Open(m, "w");
  if (h.tif == nullptr) return kWriteError;
  TIFF* tif = h.tif;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(image.Width()));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.Height()));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  if (!TIFFSetField(tif, TIFFTAG_COMPRESSION, compression)) return kInvalidArgument;
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(std::max(0, image.saveResolutionX)));
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(std::max(0, image.saveResolutionY)));
  const int unit = image.saveResolutionUnit;
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT,
               unit == 2 ? RESUNIT_INCH : unit == 3 ? RESUNIT_CENTIMETER : RESUNIT_NONE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
  bool kept = SetMetadataTags(tif, image.metadata);
  const size_t rowBytes = static_cast<size_t>(image.Width()) * 3;
  // The encoder may change the row it is given, so it gets a copy.
  PixelBlock row = AllocatePixels(rowBytes);
  if (!row) return kOutOfMemory;
  for (int y = 0; y < image.Height(); ++y) {
    std::memcpy(row.get(), image.Pixels() + y * rowBytes, rowBytes);
    if (TIFFWriteScanline(tif, row.get(), static_cast<uint32_t>(y), 0) < 0)
      return m.failed ? kOutOfMemory : kWriteError;
  }
  if (!TIFFWriteDirectory(tif)) return m.failed ? kOutOfMemory : kWriteError;
  TIFFClose(h.tif);
  h.tif = nullptr;
  if (m.failed) return kOutOfMemory;
  if (!image.exifBlock.empty()) kept = AddExifToTiff(out, image.exifBlock) && kept;
  return kept ? kOk : kSavedWithoutExif;
}

}  // namespace orvane
