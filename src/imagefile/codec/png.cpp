// PNG through libpng. libpng reports errors by longjmp to the setjmp in the function that
// called it; those functions keep their results in objects owned by the caller.
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "imagefile/codec/byte_io.h"
#include "imagefile/codec/codec.h"
#include "imagefile/codec/picture.h"
#include "imagefile/codec/png_image_data.h"
#include "imagefile/exif.h"
#include "imagefile/metadata.h"
#include "base/worker_pool.h"

namespace orvane {

namespace {

void OnWarning(png_structp, png_const_charp) {}
[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// The bytes of the first chunks of a file, up to the first chunk that claims more data than
// the file holds after it (or the whole file). libpng only warns that such a chunk is larger
// than its limit on chunks, then takes and clears as much memory as the chunk claims (up to
// 2 GB) before it reads past the file's end; handed only the chunks before it, it stops at the
// same place with the same error without taking that memory.
size_t ChunksThatFit(std::span<const uint8_t> file) {
  size_t at = 8;
  while (at + 8 <= file.size()) {
    const uint32_t length = ReadBe32(file, at);
    if (length > file.size() - at - 8) return at;
    if (std::memcmp(file.data() + at + 4, "IEND", 4) == 0) break;
    at += 12 + static_cast<size_t>(length);
  }
  return file.size();
}

struct MemoryReader {
  std::span<const uint8_t> data;
  size_t pos = 0;
  size_t end = 0;  // libpng reads no further (ChunksThatFit)
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > r->end - r->pos) png_error(png, "truncated");
  std::memcpy(out, r->data.data() + r->pos, length);
  r->pos += length;
}

struct ReadHandles {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadHandles() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

constexpr char kXmpKeyword[] = "XML:com.adobe.xmp";

// The colour profile, the XMP packet and the EXIF block (read after the image too: these may
// follow it). The EXIF block is kept as a JPEG's APP1 payload, when it parses.
void ReadMetadata(png_structp png, png_infop info, Picture& out) {
  PictureMetadata& metadata = out.metadata;
  png_bytep exif = nullptr;
  png_uint_32 exifLength = 0;
  if (out.exifBlock.empty() && png_get_eXIf_1(png, info, &exifLength, &exif) != 0 &&
      exif != nullptr && exifLength > 0) {
    std::vector<uint8_t> block = {'E', 'x', 'i', 'f', 0, 0};
    block.insert(block.end(), exif, exif + exifLength);
    ExifReader reader;
    if (reader.Open(block)) out.exifBlock = std::move(block);
  }
  png_charp name = nullptr;
  int compression = 0;
  png_bytep profile = nullptr;
  png_uint_32 length = 0;
  if (metadata.iccProfile.empty() &&
      png_get_iCCP(png, info, &name, &compression, &profile, &length) != 0 && profile != nullptr)
    metadata.iccProfile.assign(profile, profile + length);
  png_textp texts = nullptr;
  int count = 0;
  png_get_text(png, info, &texts, &count);
  for (int i = 0; i < count && metadata.xmpPacket.empty(); ++i) {
    if (texts[i].key != nullptr && std::strcmp(texts[i].key, kXmpKeyword) == 0 &&
        texts[i].compression >= PNG_ITXT_COMPRESSION_NONE && texts[i].text != nullptr)
      metadata.xmpPacket.assign(texts[i].text, texts[i].itxt_length);
  }
}

// Fills the palette for 1- and 8-bit reads: the file's entries with transparency laid on
// white, or the grey levels of a grey image.
void ReadPalette(png_structp png, png_infop info, int colourType, int bitDepth, Picture& out) {
  png_bytep trans = nullptr;
  int transCount = 0;
  png_color_16p transColour = nullptr;
  const bool hasTrns = png_get_tRNS(png, info, &trans, &transCount, &transColour) != 0;
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp entries = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &entries, &count) == 0 || count <= 0) png_error(png, "no palette");
    out.paletteSize = std::min(count, 256);
    for (int i = 0; i < out.paletteSize; ++i) {
      const int a = (hasTrns && trans != nullptr && i < transCount) ? trans[i] : 255;
      out.palette[static_cast<size_t>(i)] =
          PaletteEntry{OnWhite(entries[i].blue, a), OnWhite(entries[i].green, a),
                       OnWhite(entries[i].red, a), 0};
    }
    return;
  }
  // Grey of 1 bit (the only other kind kept at its depth).
  const int levels = 1 << bitDepth;
  out.paletteSize = levels;
  for (int i = 0; i < levels; ++i) {
    auto v = static_cast<uint8_t>(i * 255 / (levels - 1));
    if (hasTrns && transColour != nullptr && transColour->gray == i) v = 255;
    out.palette[static_cast<size_t>(i)] = PaletteEntry{v, v, v, 0};
  }
}

// Bytes of picture data in all IDAT chunks, walking the chunk list (0 when it is broken).
uint64_t PictureDataBytes(std::span<const uint8_t> file) {
  uint64_t total = 0;
  for (size_t at = 8; at + 12 <= file.size();) {
    const uint64_t length = (uint64_t{file[at]} << 24) | (uint64_t{file[at + 1]} << 16) |
                            (uint64_t{file[at + 2]} << 8) | file[at + 3];
    if (std::memcmp(file.data() + at + 4, "IDAT", 4) == 0) total += length;
    const bool end = std::memcmp(file.data() + at + 4, "IEND", 4) == 0;
    if (end || length > file.size() - at - 12) break;
    at += 12 + static_cast<size_t>(length);
  }
  return total;
}

// Deflate codes at most 1032 bytes from one; a picture whose rows need more than its data
// could give is refused before its memory is taken.
bool DataCanFill(std::span<const uint8_t> file, uint64_t width, uint64_t height, int bitDepth,
                 int colourType) {
  const int channels = colourType == PNG_COLOR_TYPE_RGB          ? 3
                       : colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                       : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                 : 1;
  const uint64_t rows = (width * channels * bitDepth + 7) / 8 * height;
  constexpr uint64_t kMaxRatio = 1032;
  return PictureDataBytes(file) * kMaxRatio + 64 >= rows;
}

int Decode(ImageFileType type, Picture& out, ReadHandles& h, MemoryReader& reader,
           std::vector<png_bytep>& rows, const std::function<bool()>& cancelled) {
  if (setjmp(png_jmpbuf(h.png))) {
    out.pixels.reset();
    return kBadFile;
  }
  png_set_read_fn(h.png, &reader, ReadFromMemory);
  png_read_info(h.png, h.info);
  png_uint_32 w = 0, hgt = 0;
  int bitDepth = 0, colourType = 0, interlace = 0;
  png_get_IHDR(h.png, h.info, &w, &hgt, &bitDepth, &colourType, &interlace, nullptr, nullptr);
  if (w == 0 || hgt == 0) return kBadFile;
  const uint64_t pixels = static_cast<uint64_t>(w) * hgt;
  if (pixels > static_cast<uint64_t>(kMaxPixels)) return kOutOfMemory;
  if (!DataCanFill(reader.data, w, hgt, bitDepth, colourType)) return kBadFile;
  if (!FileMayHold(static_cast<int64_t>(pixels), reader.data.size())) return kOutOfMemory;
  out.width = static_cast<int>(w);
  out.height = static_cast<int>(hgt);
  out.fileBitsPerSample = bitDepth;
  ReadMetadata(h.png, h.info, out);

  png_uint_32 rx = 0, ry = 0;
  int unit = 0;
  if (png_get_pHYs(h.png, h.info, &rx, &ry, &unit) != 0) {
    const bool metre = unit == PNG_RESOLUTION_METER;
    out.resolutionX = metre ? rx / 100 : rx;
    out.resolutionY = metre ? ry / 100 : ry;
    out.resolutionUnit = metre ? 3 : 1;
  }

  int depth = 24;
  if (type == ImageFileType::PngBilevel && bitDepth == 1) {
    depth = 1;
    ReadPalette(h.png, h.info, colourType, bitDepth, out);
  } else if (type == ImageFileType::PngIndexed && colourType == PNG_COLOR_TYPE_PALETTE) {
    depth = 8;
    ReadPalette(h.png, h.info, colourType, bitDepth, out);
    png_set_packing(h.png);
  } else {
    // Everything else becomes 8-bit red, green, blue, alpha; alpha is laid on white below.
    png_set_expand(h.png);
    png_set_scale_16(h.png);
    png_set_gray_to_rgb(h.png);
    png_set_filler(h.png, 0xFF, PNG_FILLER_AFTER);
  }
  if (interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(h.png);
  png_read_update_info(h.png, h.info);

  const uint64_t rowBytes = depth == 1 ? (static_cast<uint64_t>(w) + 7) / 8
                            : depth == 8 ? w
                                         : static_cast<uint64_t>(w) * 4;
  if (png_get_rowbytes(h.png, h.info) != rowBytes) return kUnsupportedFile;
  out.pixels = AllocatePixels(rowBytes * hgt);
  if (!out.pixels) return kOutOfMemory;
  // libpng leaves the unused bits at the end of a packed row as it found them.
  if (depth == 1) std::memset(out.pixels.get(), 0, rowBytes * hgt);
  try {
    rows.resize(hgt);
  } catch (const std::bad_alloc&) {
    out.pixels.reset();
    return kOutOfMemory;
  }
  for (png_uint_32 y = 0; y < hgt; ++y) rows[y] = out.pixels.get() + y * rowBytes;
  // Row by row, as png_read_image does, so that a read nobody waits for any more can stop.
  const int passes = png_set_interlace_handling(h.png);
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < hgt; ++y) {
      if (y % 64 == 0 && cancelled && cancelled()) {
        out.pixels.reset();
        return kCancelled;
      }
      png_read_row(h.png, rows[y], nullptr);
    }
  }
  png_read_end(h.png, h.info);
  ReadMetadata(h.png, h.info, out);
  out.depth = depth;
  return kOk;
}

}  // namespace

ImageFileType RefinePng(std::span<const uint8_t> file) {
  // IHDR is the first chunk: length, "IHDR", width, height, bit depth, colour type.
  if (file.size() < 26 || std::memcmp(file.data() + 12, "IHDR", 4) != 0)
    return ImageFileType::PngRgb;
  const int bitDepth = file[24];
  const int colourType = file[25];
  if (bitDepth == 1) return ImageFileType::PngBilevel;
  if (colourType == PNG_COLOR_TYPE_PALETTE && bitDepth <= 8) return ImageFileType::PngIndexed;
  return ImageFileType::PngRgb;
}

int DecodePng(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture) {
  if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0) return kBadFile;
  ReadHandles h;
  h.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (h.png == nullptr) return kOutOfMemory;
  h.info = png_create_info_struct(h.png);
  if (h.info == nullptr) return kOutOfMemory;
  png_set_user_limits(h.png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_set_chunk_malloc_max(h.png, 16u << 20);
  MemoryReader reader{file, 0, ChunksThatFit(file)};
  std::vector<png_bytep> rows;
  const int rc = Decode(request.type, picture, h, reader, rows, request.cancelled);
  if (rc != kOk) return rc;

  if (picture.depth == 24) {
    // Alpha laid on white, then packed from four bytes to three in place.
    uint8_t* p = picture.pixels.get();
    const size_t count = static_cast<size_t>(picture.width) * picture.height;
    for (size_t i = 0; i < count; ++i) {
      const int a = p[i * 4 + 3];
      const uint8_t r = OnWhite(p[i * 4], a), g = OnWhite(p[i * 4 + 1], a),
                    b = OnWhite(p[i * 4 + 2], a);
      p[i * 3] = r;
      p[i * 3 + 1] = g;
      p[i * 3 + 2] = b;
    }
    // The last quarter of the block is no longer used; give it back rather than keep it
    // for the picture's lifetime.
    if (void* smaller = std::realloc(p, count * 3)) {
      (void)picture.pixels.release();
      picture.pixels.reset(static_cast<uint8_t*>(smaller));
    }
  }
  return kOk;
}

namespace {

struct MemoryWriter {
  std::vector<uint8_t>* out;
  bool failed = false;
};

void WriteToMemory(png_structp png, png_bytep data, png_size_t length) {
  auto* w = static_cast<MemoryWriter*>(png_get_io_ptr(png));
  try {
    w->out->insert(w->out->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    w->failed = true;
  }
  if (w->failed) png_error(png, "out of memory");
}

void FlushMemory(png_structp) {}

struct WriteHandles {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteHandles() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

// pHYs from the save resolution: per metre for inch and centimetre, the bare values otherwise.
void PhysFor(const RasterImage& image, png_uint_32& x, png_uint_32& y, int& unit) {
  const int rx = std::max(0, image.saveResolutionX), ry = std::max(0, image.saveResolutionY);
  if (image.saveResolutionUnit == 3) {
    x = static_cast<png_uint_32>(rx) * 100u;
    y = static_cast<png_uint_32>(ry) * 100u;
    unit = PNG_RESOLUTION_METER;
  } else if (image.saveResolutionUnit == 2) {
    x = static_cast<png_uint_32>(rx * 10000.0 / 254.0 + 0.5);
    y = static_cast<png_uint_32>(ry * 10000.0 / 254.0 + 0.5);
    unit = PNG_RESOLUTION_METER;
  } else {
    x = static_cast<png_uint_32>(rx);
    y = static_cast<png_uint_32>(ry);
    unit = PNG_RESOLUTION_UNKNOWN;
  }
}

// The chunks that carry the picture's colour profile, EXIF block (orientation 1: the pixels
// are written upright), XMP packet and comments, made ready before libpng is called.
struct PngMetadata {
  std::vector<uint8_t> exif;  // without "Exif\0\0"
  std::span<const uint8_t> profile;
  std::vector<png_text> texts;
  bool dropped = false;
};

void PrepareMetadata(const RasterImage& image, PngMetadata& m) {
  const PictureMetadata& meta = image.metadata;
  if (!meta.iccProfile.empty()) {
    if (IsRgbIccProfile(meta.iccProfile)) m.profile = meta.iccProfile;
    else m.dropped = true;
  }
  if (!image.exifBlock.empty()) {
    ExifReader reader;
    if (reader.Open(image.exifBlock) && image.exifBlock.size() - 6 <= UINT32_MAX) {
      m.exif = ExifWithOrientation(image.exifBlock, 1);
      m.exif.erase(m.exif.begin(), m.exif.begin() + 6);
    } else {
      m.dropped = true;
    }
  }
  if (!meta.xmpExtension.empty()) m.dropped = true;  // a JPEG's extended XMP has no place here
  // libpng takes non-const texts but only reads them.
  if (!meta.xmpPacket.empty()) {
    png_text t{};
    t.compression = PNG_ITXT_COMPRESSION_NONE;
    t.key = const_cast<png_charp>(kXmpKeyword);
    t.text = const_cast<png_charp>(meta.xmpPacket.c_str());
    t.itxt_length = meta.xmpPacket.size();
    m.texts.push_back(t);
  }
  for (const std::string& comment : meta.comments) {
    png_text t{};
    t.compression = PNG_ITXT_COMPRESSION_NONE;  // a comment may be any text: UTF-8 in iTXt
    t.key = const_cast<png_charp>("Comment");
    t.text = const_cast<png_charp>(comment.c_str());
    t.itxt_length = comment.size();
    m.texts.push_back(t);
  }
}

void SetMetadataChunks(png_structp png, png_infop info, PngMetadata& m) {
  if (!m.profile.empty()) {
    png_set_iCCP(png, info, "ICC Profile", PNG_COMPRESSION_TYPE_BASE, m.profile.data(),
                 static_cast<png_uint_32>(m.profile.size()));
    if (png_get_valid(png, info, PNG_INFO_iCCP) == 0) m.dropped = true;  // libpng refused it
  }
  if (!m.exif.empty()) png_set_eXIf_1(png, info, static_cast<png_uint_32>(m.exif.size()), m.exif.data());
  if (!m.texts.empty()) png_set_text(png, info, m.texts.data(), static_cast<int>(m.texts.size()));
}

int Encode(const RasterImage& image, WriteHandles& h, MemoryWriter& writer, PngMetadata& meta) {
  if (setjmp(png_jmpbuf(h.png))) return writer.failed ? kOutOfMemory : kWriteError;
  png_set_write_fn(h.png, &writer, WriteToMemory, FlushMemory);
  png_set_IHDR(h.png, h.info, static_cast<png_uint_32>(image.Width()),
               static_cast<png_uint_32>(image.Height()), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_gAMA_fixed(h.png, h.info, 34500);  // gamma 0.345
  std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  png_time stamp{};
  png_convert_from_struct_tm(&stamp, &utc);
  png_set_tIME(h.png, h.info, &stamp);
  png_uint_32 px = 0, py = 0;
  int unit = 0;
  PhysFor(image, px, py, unit);
  png_set_pHYs(h.png, h.info, px, py, unit);
  SetMetadataChunks(h.png, h.info, meta);
  png_write_info(h.png, h.info);
  // libpng has written every chunk before the image data; the image data and the end are
  // made on every core.
  return AppendPngImageData(image.Pixels(), image.Width(), image.Height(), DefaultThreadCount(),
                            *writer.out, image.saveProgress);
}

}  // namespace

int WritePng(const RasterImage& image, std::vector<uint8_t>& out) {
  if (image.IsEmpty() || image.BitsPerPixel() != 24) return kInvalidArgument;
  WriteHandles h;
  h.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (h.png == nullptr) return kOutOfMemory;
  h.info = png_create_info_struct(h.png);
  if (h.info == nullptr) return kOutOfMemory;
  // libpng objects to some colour profiles that other programs write and readers accept: the
  // widespread sRGB profile it knows to be slightly wrong, or any profile that matches sRGB
  // (it would rather write an sRGB chunk). Its objections are warnings here, not a failed save;
  // a profile it refuses is left out, and the save says so.
  png_set_benign_errors(h.png, 1);
  MemoryWriter writer{&out};
  PngMetadata meta;
  PrepareMetadata(image, meta);
  const int rc = Encode(image, h, writer, meta);
  return rc == kOk && meta.dropped ? kSavedWithoutExif : rc;
}

}  // namespace orvane
