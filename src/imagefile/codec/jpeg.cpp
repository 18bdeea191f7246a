// JPEG through libjpeg (6.2 API). libjpeg reports fatal errors by calling error_exit, which
// jumps back to the setjmp in the function that called the library. Every object with a
// destructor in such a function is declared before its setjmp, and nothing between the setjmp
// and the library calls needs unwinding.
#include <csetjmp>
#include <cstdio>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#include <sys/mman.h>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

#include "base/worker_pool.h"
#include "imagefile/codec/codec.h"
#include "imagefile/codec/picture.h"
#include "imagefile/exif.h"
#include "imagefile/metadata.h"

namespace orvane {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  // Set once every row is out: after that a missing end marker costs nothing.
  bool allRowsRead = false;
  // Running out of bytes matters in the header and between the scans of a multi-scan file.
  // In one scan the decoder asks for bytes ahead of need, so there only bits really missing
  // (JWRN_HIT_MARKER) count: a file without its end marker still shows whole.
  bool endOfDataIsFatal = true;
  const JOCTET* fileStart = nullptr;  // the file in memory the source reads
};

// A progressive file has about ten scans; thousands only cost time (each scan passes over
// every block). Careful decoders cap the count the same way.
constexpr int kMaxScans = 1000;

[[noreturn]] void OnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

// Whether the bytes the marker reader skipped before the marker it found are all zero: padding
// some writers leave, not picture data. The reader hands its position back after every byte it
// skips, so when it warns the source stands right after the last of them.
bool SkippedOnlyZeros(j_decompress_ptr cinfo, const JOCTET* fileStart, long skipped) {
  const JOCTET* end = cinfo->src->next_input_byte;
  if (skipped <= 0 || end - fileStart < skipped) return false;
  return std::all_of(end - skipped, end, [](JOCTET b) { return b == 0; });
}

// Warnings are not printed. Those saying the data ended early or does not decode are fatal:
// libjpeg would fill the rest with grey and the damaged file would pass for a picture. Bytes
// left over after a scan's coded data mean the decoder lost its way in it (a damaged code
// takes fewer bits than the writer spent): fatal too, unless they are zero padding. Stray
// bytes between the markers before the first scan, common in camera files, are ignored.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level != -1 || !cinfo->is_decompressor) return;
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  const int code = err->pub.msg_code;
  bool fatal = false;
  switch (code) {
    case JWRN_JPEG_EOF:
      fatal = err->endOfDataIsFatal && !err->allRowsRead;
      break;
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
      fatal = !err->allRowsRead;
      break;
    case JWRN_EXTRANEOUS_DATA:
      fatal = d->input_scan_number > 0 &&
              !SkippedOnlyZeros(d, err->fileStart, err->pub.msg_parm.i[0]);
      break;
    default:
      break;
  }
  if (fatal) std::longjmp(err->jump, 1);
}

void OnProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
  }
}
void OnOutput(j_common_ptr) {}

void InstallErrors(jpeg_error_mgr* pub) {
  jpeg_std_error(pub);
  pub->error_exit = OnError;
  pub->emit_message = OnMessage;
  pub->output_message = OnOutput;
}

// Owns a decompressor for the length of one call.
struct Decompressor {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  bool created = false;
  ~Decompressor() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

struct Compressor {
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  unsigned char* buffer = nullptr;  // filled by jpeg_mem_dest
  unsigned long size = 0;
  bool created = false;
  ~Compressor() {
    if (created) jpeg_destroy_compress(&cinfo);
    std::free(buffer);
  }
};

constexpr int kApp1 = JPEG_APP0 + 1;
constexpr int kApp2 = JPEG_APP0 + 2;
constexpr int kApp13 = JPEG_APP0 + 13;

bool IsExifPayload(const jpeg_saved_marker_ptr m) {
  return m->marker == kApp1 && m->data_length > 4 && std::memcmp(m->data, "Exif", 4) == 0;
}

// Scale denominator from the size hint: the smallest picture still larger than the hint.
int ScaleDenominator(const DecodeRequest& request, int w, int h) {
  const int hw = request.hintWidth, hh = request.hintHeight;
  if (hw <= 0 || hh <= 0) return 1;
  if (hw < w / 8 && hh < h / 8) return 8;
  if (hw < w / 4 && hh < h / 4) return 4;
  if (hw < w / 2 && hh < h / 2) return 2;
  return 1;
}

// CMYK to red, green, blue. Files written by Adobe's programs store the inks inverted.
void CmykRow(const uint8_t* in, uint8_t* out, int width, bool inverted) {
  for (int x = 0; x < width; ++x) {
    int c = in[x * 4], m = in[x * 4 + 1], y = in[x * 4 + 2], k = in[x * 4 + 3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    out[x * 3] = static_cast<uint8_t>((c * k + 127) / 255);
    out[x * 3 + 1] = static_cast<uint8_t>((m * k + 127) / 255);
    out[x * 3 + 2] = static_cast<uint8_t>((y * k + 127) / 255);
  }
}

// Entropy-coded data spends at least one bit on every 8 x 8 block (its DC code), so a file
// claiming more blocks than it has bits is lying about its size. Arithmetic coding can do
// with less and is not judged.
bool DataCanFill(const jpeg_decompress_struct& cinfo, size_t fileBytes) {
  if (cinfo.arith_code) return true;
  const uint64_t blocks = ((uint64_t{cinfo.image_width} + 7) / 8) * ((uint64_t{cinfo.image_height} + 7) / 8);
  return blocks <= static_cast<uint64_t>(fileBytes) * 8;
}

bool Parses(const std::vector<uint8_t>& block) {
  ExifReader reader;
  return !block.empty() && reader.Open(block);
}

// The EXIF block a file means: the last APP1 "Exif" payload that parses. A file may carry
// several (an editor adds one). A block too large for one segment is split by some editors:
// a full segment followed by segments of "Exif\0\0" and the rest of the data, without a TIFF
// header of their own; the pieces are joined again.
void PickExif(jpeg_saved_marker_ptr list, std::vector<uint8_t>& exif) {
  constexpr unsigned kFullSegment = 65533;
  std::vector<uint8_t> block;
  bool continues = false;  // the block's last piece filled its segment
  for (jpeg_saved_marker_ptr m = list; m != nullptr; m = m->next) {
    if (!IsExifPayload(m)) continue;
    const bool tiffHeader = m->data_length >= 10 && (std::memcmp(m->data + 6, "II*\0", 4) == 0 ||
                                                     std::memcmp(m->data + 6, "MM\0*", 4) == 0);
    if (continues && !tiffHeader && m->data_length > 6 && m->data[4] == 0 && m->data[5] == 0) {
      block.insert(block.end(), m->data + 6, m->data + m->data_length);
      continues = m->data_length == kFullSegment;
      continue;
    }
    if (Parses(block)) exif = block;
    block.assign(m->data, m->data + m->data_length);
    continues = m->data_length == kFullSegment;
  }
  if (Parses(block)) exif = std::move(block);
}

// The colour profile (its APP2 pieces put together), the first standard XMP packet with the
// extended XMP beside it, the first Photoshop APP13 block (which holds the IPTC data) and every
// comment.
void PickMetadata(jpeg_saved_marker_ptr list, PictureMetadata& metadata) {
  IccAssembler icc;
  for (jpeg_saved_marker_ptr m = list; m != nullptr; m = m->next) {
    const std::span<const uint8_t> payload(m->data, m->data_length);
    if (m->marker == kApp2) {
      icc.Add(payload);
    } else if (m->marker == kApp1 && IsXmpExtensionApp1(payload)) {
      metadata.xmpExtension.emplace_back(payload.begin(), payload.end());
    } else if (m->marker == kApp1 && metadata.xmpPacket.empty()) {
      if (auto packet = XmpFromApp1(payload)) metadata.xmpPacket = std::move(*packet);
    } else if (m->marker == kApp13 && metadata.iptcBlock.empty() && IsPhotoshopApp13(payload)) {
      metadata.iptcBlock.assign(payload.begin(), payload.end());
    } else if (m->marker == JPEG_COM) {
      metadata.comments.emplace_back(payload.begin(), payload.end());
    }
  }
  metadata.iccProfile = icc.Profile();
  if (metadata.xmpPacket.empty()) metadata.xmpExtension.clear();  // nothing names it
}

// Faults in the pages of the rows still to come on another core while this one decodes: a
// photograph's rows are tens of megabytes of fresh pages, and taking them one fault at a time
// costs a fifth of the decoding. The contents are not touched.
class Prefaulter {
 public:
  ~Prefaulter() { finish(); }
  void start(uint8_t* from, size_t bytes) {
    finish();
    if (bytes < (size_t{4} << 20) || DefaultThreadCount() < 2) return;
    stop_ = false;
    try {
      thread_ = std::thread([this, from, bytes] {
        const uintptr_t page = 4096;
        uintptr_t at = (reinterpret_cast<uintptr_t>(from) + page - 1) / page * page;
        const uintptr_t end = reinterpret_cast<uintptr_t>(from) + bytes;
        constexpr uintptr_t kStep = uintptr_t{1} << 20;
        while (at < end && !stop_.load(std::memory_order_relaxed)) {
          const uintptr_t n = std::min(kStep, (end - at) / page * page);
          if (n == 0 || madvise(reinterpret_cast<void*>(at), n, MADV_POPULATE_WRITE) != 0) break;
          at += n;
        }
      });
    } catch (const std::system_error&) {
      // No thread: the pages come one fault at a time, as without this.
    }
  }
  void finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
};

// Reads one JPEG from memory at 8 (grey) or 24 bits, as stored (orientation is the caller's).
// Returns a result code.
int Decode(std::span<const uint8_t> file, bool grey, const DecodeRequest& request, Picture& out,
           PixelBlock& rowScratch) {
  Decompressor d;
  Prefaulter ahead;
  d.cinfo.err = &d.err.pub;
  InstallErrors(&d.err.pub);
  if (setjmp(d.err.jump)) {
    ahead.finish();
    out.pixels.reset();
    return kBadFile;
  }
  jpeg_create_decompress(&d.cinfo);
  d.created = true;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = OnProgress;
  d.cinfo.progress = &progress;
  jpeg_mem_src(&d.cinfo, file.data(), static_cast<unsigned long>(file.size()));
  d.err.fileStart = file.data();
  jpeg_save_markers(&d.cinfo, kApp1, 0xFFFF);
  jpeg_save_markers(&d.cinfo, kApp2, 0xFFFF);
  jpeg_save_markers(&d.cinfo, kApp13, 0xFFFF);
  jpeg_save_markers(&d.cinfo, JPEG_COM, 0xFFFF);
  if (jpeg_read_header(&d.cinfo, TRUE) != JPEG_HEADER_OK) return kBadFile;
  const int w = static_cast<int>(d.cinfo.image_width);
  const int h = static_cast<int>(d.cinfo.image_height);
  if (w <= 0 || h <= 0) return kBadFile;
  if (!DataCanFill(d.cinfo, file.size())) return kBadFile;
  d.err.endOfDataIsFatal = jpeg_has_multiple_scans(&d.cinfo);
  if (static_cast<int64_t>(w) * h > kMaxPixels || !FileMayHold(int64_t{w} * h, file.size()))
    return kOutOfMemory;
  out.storedWidth = w;
  out.storedHeight = h;

  // Markers are all kept by now: APP1 sits before the first scan. The copy is ours before
  // the library frees its own.
  PickExif(d.cinfo.marker_list, out.exifBlock);
  PickMetadata(d.cinfo.marker_list, out.metadata);
  out.resolutionX = d.cinfo.X_density;
  out.resolutionY = d.cinfo.Y_density;
  out.resolutionUnit = d.cinfo.density_unit == 1 ? 2 : d.cinfo.density_unit == 2 ? 3 : 1;
  const bool adobe = d.cinfo.saw_Adobe_marker;

  const J_COLOR_SPACE space = d.cinfo.jpeg_color_space;
  const bool cmyk = !grey && (space == JCS_CMYK || space == JCS_YCCK);
  d.cinfo.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
  d.cinfo.scale_num = 1;
  d.cinfo.scale_denom = static_cast<unsigned int>(ScaleDenominator(request, w, h));
  jpeg_start_decompress(&d.cinfo);
  const int ow = static_cast<int>(d.cinfo.output_width);
  const int oh = static_cast<int>(d.cinfo.output_height);
  const int components = d.cinfo.output_components;
  if (ow <= 0 || oh <= 0 || components != (grey ? 1 : cmyk ? 4 : 3)) return kBadFile;
  const int depth = grey ? 8 : 24;
  const size_t rowBytes = static_cast<size_t>(ow) * (depth / 8);
  // Rows are held as they are decoded: the block grows (realloc moves large blocks by
  // remapping, without a copy), so a file whose data ends early fails having taken only the
  // memory of the rows it really had.
  size_t capacity = std::min<size_t>(static_cast<size_t>(oh), std::max<size_t>(64, (size_t{16} << 20) / rowBytes));
  out.pixels = AllocatePixels(capacity * rowBytes);
  if (!out.pixels) return kOutOfMemory;
  if (cmyk) {
    rowScratch = AllocatePixels(static_cast<uint64_t>(ow) * 4);
    if (!rowScratch) {
      out.pixels.reset();
      return kOutOfMemory;
    }
  }
  ahead.start(out.pixels.get(), capacity * rowBytes);
  while (d.cinfo.output_scanline < d.cinfo.output_height) {
    const size_t y = d.cinfo.output_scanline;
    if (y == capacity) {
      ahead.finish();
      capacity = std::min<size_t>(static_cast<size_t>(oh), capacity * 2);
      void* grown = std::realloc(out.pixels.get(), capacity * rowBytes);
      if (grown == nullptr) {
        out.pixels.reset();
        return kOutOfMemory;
      }
      (void)out.pixels.release();
      out.pixels.reset(static_cast<uint8_t*>(grown));
      ahead.start(out.pixels.get() + y * rowBytes, (capacity - y) * rowBytes);
    }
    uint8_t* dest = out.pixels.get() + y * rowBytes;
    JSAMPROW row = cmyk ? rowScratch.get() : dest;
    if (jpeg_read_scanlines(&d.cinfo, &row, 1) != 1) return kBadFile;
    if (cmyk) CmykRow(rowScratch.get(), dest, ow, adobe);
  }
  d.err.allRowsRead = true;
  jpeg_finish_decompress(&d.cinfo);
  out.width = ow;
  out.height = oh;
  out.depth = depth;
  return kOk;
}

}  // namespace

ImageFileType RefineJpeg(std::span<const uint8_t> file) {
  Decompressor d;
  d.cinfo.err = &d.err.pub;
  InstallErrors(&d.err.pub);
  if (setjmp(d.err.jump)) return ImageFileType::JpegRgb;
  jpeg_create_decompress(&d.cinfo);
  d.created = true;
  jpeg_mem_src(&d.cinfo, file.data(), static_cast<unsigned long>(file.size()));
  d.err.fileStart = file.data();
  if (jpeg_read_header(&d.cinfo, TRUE) != JPEG_HEADER_OK) return ImageFileType::JpegRgb;
  return d.cinfo.num_components == 1 ? ImageFileType::JpegGrey : ImageFileType::JpegRgb;
}

int DecodeJpeg(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture) {
  if (file.size() < 4) return kBadFile;
  const bool grey = request.type == ImageFileType::JpegGrey;
  PixelBlock scratch;
  const int rc = Decode(file, grey, request, picture, scratch);
  if (rc != kOk) return rc;
  if (grey) {
    picture.paletteSize = 256;
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      picture.palette[static_cast<size_t>(i)] = PaletteEntry{v, v, v, 0};
    }
  }
  return kOk;
}

namespace {

int Encode(const uint8_t* rgb, int width, int height, const JpegEncodeOptions& options,
           bool withExif, std::vector<uint8_t>& out) {
  Compressor c;
  c.cinfo.err = &c.err.pub;
  InstallErrors(&c.err.pub);
  if (setjmp(c.err.jump)) return kWriteError;
  jpeg_create_compress(&c.cinfo);
  c.created = true;
  jpeg_mem_dest(&c.cinfo, &c.buffer, &c.size);
  c.cinfo.image_width = static_cast<JDIMENSION>(width);
  c.cinfo.image_height = static_cast<JDIMENSION>(height);
  c.cinfo.input_components = 3;
  c.cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c.cinfo);
  jpeg_set_quality(&c.cinfo, options.quality < 1 ? 1 : options.quality > 100 ? 100 : options.quality,
                   TRUE);
  if (options.fullChroma) {
    for (int i = 0; i < c.cinfo.num_components; ++i) {
      c.cinfo.comp_info[i].h_samp_factor = 1;
      c.cinfo.comp_info[i].v_samp_factor = 1;
    }
  }
  if (options.progressive) jpeg_simple_progression(&c.cinfo);
  c.cinfo.write_JFIF_header = TRUE;
  c.cinfo.density_unit = static_cast<UINT8>(options.densityUnit);
  c.cinfo.X_density = static_cast<UINT16>(options.densityX < 1 ? 1 : options.densityX > 65535 ? 65535 : options.densityX);
  c.cinfo.Y_density = static_cast<UINT16>(options.densityY < 1 ? 1 : options.densityY > 65535 ? 65535 : options.densityY);
  jpeg_start_compress(&c.cinfo, TRUE);
  if (withExif) {
    jpeg_write_marker(&c.cinfo, kApp1, options.exifPayload.data(),
                      static_cast<unsigned int>(options.exifPayload.size()));
  }
  for (const JpegMarker& m : options.markers) {
    jpeg_write_marker(&c.cinfo, m.code, m.payload.data(), static_cast<unsigned int>(m.payload.size()));
  }
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  while (c.cinfo.next_scanline < c.cinfo.image_height) {
    // libjpeg takes non-const rows but only reads them.
    JSAMPROW row = const_cast<uint8_t*>(rgb + c.cinfo.next_scanline * rowBytes);
    jpeg_write_scanlines(&c.cinfo, &row, 1);
  }
  jpeg_finish_compress(&c.cinfo);
  try {
    out.assign(c.buffer, c.buffer + c.size);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  return kOk;
}

}  // namespace

std::vector<JpegMarker> JpegMetadataMarkers(const PictureMetadata& metadata, bool& dropped) {
  constexpr size_t kMaxPayload = 65533;
  std::vector<JpegMarker> markers;
  if (!metadata.xmpPacket.empty()) {
    std::vector<uint8_t> payload = XmpApp1(metadata.xmpPacket);
    if (payload.empty()) {
      dropped = true;
    } else {
      markers.push_back({kApp1, std::move(payload)});
      // The extended XMP goes with the packet that names it, as it came.
      for (const std::vector<uint8_t>& piece : metadata.xmpExtension) {
        if (piece.size() > kMaxPayload) dropped = true;
        else markers.push_back({kApp1, piece});
      }
    }
  }
  if (!metadata.iccProfile.empty()) {
    std::vector<std::vector<uint8_t>> pieces;
    if (IsRgbIccProfile(metadata.iccProfile)) pieces = SplitIccProfile(metadata.iccProfile);
    if (pieces.empty()) dropped = true;
    for (std::vector<uint8_t>& piece : pieces) markers.push_back({kApp2, std::move(piece)});
  }
  if (!metadata.iptcBlock.empty()) {
    if (metadata.iptcBlock.size() > kMaxPayload) dropped = true;
    else markers.push_back({kApp13, metadata.iptcBlock});
  }
  for (const std::string& comment : metadata.comments) {
    if (comment.size() > kMaxPayload) dropped = true;
    else markers.push_back({JPEG_COM, std::vector<uint8_t>(comment.begin(), comment.end())});
  }
  return markers;
}

int64_t JpegMetadataBytes(const PictureMetadata& metadata) {
  bool dropped = false;
  int64_t bytes = 0;
  for (const JpegMarker& m : JpegMetadataMarkers(metadata, dropped))
    bytes += 4 + static_cast<int64_t>(m.payload.size());
  return bytes;
}

int EncodeJpeg(const uint8_t* rgb, int width, int height, const JpegEncodeOptions& options,
               std::vector<uint8_t>& out) {
  out.clear();
  if (rgb == nullptr || width <= 0 || height <= 0 || width > 65500 || height > 65500)
    return kInvalidArgument;
  // One marker holds at most 65533 bytes of payload. A larger block cannot be written as one
  // APP1 marker: the picture is written without it and the caller is told.
  const bool fits = options.exifPayload.size() <= 65533;
  const bool withExif = !options.exifPayload.empty() && fits;
  const int rc = Encode(rgb, width, height, options, withExif, out);
  if (rc != kOk) return rc;
  return (!options.exifPayload.empty() && !fits) ? kSavedWithoutExif : kOk;
}

int WriteJpeg(const RasterImage& image, std::vector<uint8_t>& out) {
  if (image.IsEmpty() || image.BitsPerPixel() != 24) return kInvalidArgument;
  JpegEncodeOptions options;
  options.quality = image.jpegQuality;
  options.fullChroma = image.jpegFullChroma;
  options.progressive = image.jpegProgressive;
  options.densityX = image.saveResolutionX;
  options.densityY = image.saveResolutionY;
  // The save resolution's unit: 3 is per centimetre; 1 (the default) and 2 are written per
  // inch, so the default 300 x 300 reads as 300 dots per inch.
  options.densityUnit = image.saveResolutionUnit == 3 ? 2 : 1;
  // A block that does not parse is never written: the picture is saved without it, upright,
  // and the caller is told.
  bool dropped = false;
  if (!image.exifBlock.empty()) {
    ExifReader reader;
    if (reader.Open(image.exifBlock)) {
      options.exifPayload = image.exifBlock;
    } else {
      dropped = true;
    }
  }

  const std::vector<JpegMarker> markers = JpegMetadataMarkers(image.metadata, dropped);
  options.markers = markers;

  // With an EXIF block the pixels go back to the orientation its (unchanged) tag describes.
  PixelBlock stored;
  int width = image.Width(), height = image.Height();
  if (!options.exifPayload.empty()) {
    const int rc = UndoOrientation(width, height, image.Pixels(), image.orientation, stored);
    if (rc != kOk) return rc;
    if (stored && image.orientation >= 5) std::swap(width, height);
  }
  const int rc = EncodeJpeg(stored ? stored.get() : image.Pixels(), width, height, options, out);
  return rc == kOk && dropped ? kSavedWithoutExif : rc;
}

}  // namespace orvane
