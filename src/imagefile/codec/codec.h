// The codec layer: one unit per file format under codec/, registered in one table of formats
// (codec_table.cpp). Adding a format means writing codec/<format>.cpp with its functions,
// declaring them below, and filling in its line of the table.
//
// Every reader and writer works on bytes in memory: Load maps the whole file first, Save
// writes the encoded bytes to a file that takes the target's name only when all went well. So no codec touches the file system, and each can be fuzzed on a byte buffer.
//
// Contracts (all return int result codes from raster_image.h, never throw):
//
//   ImageDecoder(file, request, picture)
//     file      the whole file; every length and offset read from it must be checked against
//               file.size()
//     request   the type DetectImageType settled on (after refinement by depth), which says
//               at which depth to decode where the format can choose: 24 bits for the *Rgb
//               types, PhotoCd and the metafiles, 8 bits for the *Indexed types, JpegGrey
//               and Wbmp, 1 bit for the *Bilevel types (a lower depth is widened on delivery);
//               the page of a multi-image file (TIFF); the size hint of a scaled JPEG decode;
//               the question whether the read is still wanted (PNG)
//     picture   empty on entry
//   On success picture holds the pixels as stored (1, 8 or 24 bits), the palette for 8 and 1
//   bit, the file's own resolution (1 none, 2 inch, 3 centimetre; 300, 300, 1 when the format
//   has none) and the EXIF block, metadata and bits per sample the format brings. Nothing
//   else is the decoder's: ReadImage hands the picture to the image (DeliverPicture: depth,
//   orientation, camera fields), Load does the rest (save resolution, fileType, filePath,
//   widening to 24 bits).
//   On failure the code is returned: 1 out of memory or a picture larger than kMaxPixels or
//   than its file may hold (FileMayHold in picture.h; both checked from the header before any
//   large allocation), 40 damaged or truncated data, 41 a feature the decoder does not
//   handle. Data that ends early or does not decode is 40, never a picture with grey or black
//   rows; a header claiming more pixels than the file's data could code is 40 before the
//   picture's memory is taken.
//
//   ImageWriter(image, out)
//     image     a non-empty image, 24 bits unless the table line sets anyDepth
//     out       receives the complete file; it is empty on entry
//   Writers read the options they need from the image (jpegQuality, jpegFullChroma,
//   saveResolutionX/Y/Unit, tiffCompression, monoThreshold, exifBlock, orientation).
//
//   TypeRefiner(file) → the depth variant of the format (e.g. BmpIndexed), reading the header
//   only; a header that cannot be read gives the format's base type.
//
//   SignatureCheck(head) → whether the first bytes of a file (at most 44, possibly fewer)
//   carry the format's signature.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imagefile/codec/picture.h"
#include "imagefile/raster_image.h"

namespace orvane {

using ImageDecoder = int (*)(std::span<const uint8_t> file, const DecodeRequest& request,
                             Picture& picture);
using ImageWriter = int (*)(const RasterImage& image, std::vector<uint8_t>& out);
using TypeRefiner = ImageFileType (*)(std::span<const uint8_t> file);
using SignatureCheck = bool (*)(std::span<const uint8_t> head);

constexpr uint32_t TypeBit(ImageFileType t) { return uint32_t{1} << static_cast<int>(t); }

// Where a format appears in the program's lists of formats, with the texts those lists show.
// A rank orders the format in its list (1 first); 0 leaves it out.
struct FormatListing {
  const char* extension = "";           // the one extension the lists use: ".jpg"
  const char* saveText = nullptr;       // the save dialog's entry
  int saveRank = 0;
  bool saveLeads = false;               // as the source's own type it heads the save list
  const char* referenceText = nullptr;  // the reference picture dialog's entry
  int referenceRank = 0;
  int dropRank = 0;                     // pictures dropped on the reference preview
  int folderRank = 0;                   // pictures of a folder (Next/Previous Image)
  int typeRank = 0;                     // the command line's --type list
};

struct ImageFormat {
  const char* name;
  ImageFileType baseType;    // what the signature or extension names; the type Save writes
  uint32_t types;            // TypeBit of every type this format's reader handles
  SignatureCheck signature;  // null: recognised only by the special rules or the name
  TypeRefiner refine;        // null: always baseType
  const char* extensions;    // lower case, space separated, with the dot: ".jpg .jpeg"
  ImageDecoder decode;       // null: not readable (yet)
  ImageWriter write;         // null: not writable
  bool anyDepth;             // the writer takes images of any depth (else 24 bits are handed)
  FormatListing listing;
};

// The table, in the order signatures are tried.
std::span<const ImageFormat> ImageFormats();
// The format whose reader handles type; null for UnknownType or a type nobody reads.
const ImageFormat* FormatForType(ImageFileType type);

// The one read of every format: image is released, the file decoded by the decoder of
// type's format (with image's size hint and loadCancelled) and the picture handed to image
// (DeliverPicture). kUnsupportedFile when no format reads type; whatever the decoder throws
// becomes kOutOfMemory (an allocation) or kBadFile. On failure image is left empty.
int ReadImage(std::span<const uint8_t> file, ImageFileType type, int pageIndex,
              RasterImage& image);

// Type by content, then by name (see detect.cpp); UnknownType when the file cannot be read.
ImageFileType DetectImageType(const std::string& path);
ImageFileType DetectImageTypeInMemory(std::span<const uint8_t> file, std::string_view name);
// Type from the text after the last "." (letter case ignored); UnknownType otherwise.
ImageFileType ImageTypeFromExtension(std::string_view name);

// A regular file mapped for reading, so that a large file costs no memory until its bytes
// are used and a type is decided from the first bytes alone. Open: 2 when the file does not
// exist or cannot be accessed, 38 when it is not a regular file (a FIFO, a device: refused
// before it is opened) or cannot be mapped, 1 when it is too large to map.
// A file that shrinks while it is mapped reads as zeros where its bytes went, and damaged()
// says so (see mapping_guard.h); when no guard is free the file is read into memory instead.
class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();
  int Open(const std::string& path);
  void Close();
  std::span<const uint8_t> bytes() const {
    if (data_ == nullptr) return {copy_.data(), copy_.size()};
    return {static_cast<const uint8_t*>(data_), size_};
  }
  // Whether a read found part of the file gone since it was opened.
  bool damaged() const;

 private:
  void* data_ = nullptr;
  size_t size_ = 0;
  int guard_ = -1;
  std::vector<uint8_t> copy_;
};

// Whether path names a regular file (not a FIFO, device, socket or folder).
bool IsRegularFile(const std::string& path);

// Reads a whole file. 2 when it does not exist or cannot be accessed, 38 when it cannot be
// opened or read, 1 when it is too large to hold.
int ReadWholeFile(const std::string& path, std::vector<uint8_t>& out);
// Writes bytes to an unnamed file in path's folder (a hidden named one where the file system
// has no unnamed files) that takes path's name only when complete; on any failure it is gone
// and path is left as it was. A process killed meanwhile leaves no unnamed file behind. 38 when the
// target exists but is not writable or the temporary file cannot be made, 4 on a write error.
// Without replacing (SetReplaceExistingFiles(false)) a file present at path, even one that
// appears while the bytes are written, is kept and the result is 38 with EEXIST as the reason.
int WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);
// Whether saves may replace an existing file (default true: the window asks first).
void SetReplaceExistingFiles(bool replace);
// The system's error number behind the last failed WriteFileAtomically on this thread, 0 when
// there was none or it is not known.
int LastWriteErrno();
// Removes the hidden temporary file of a save in progress, when it has one. Safe to call from
// a signal handler.
void RemovePendingTempFile();

// ---- Formats built on libraries ----

// JPEG (jpeg.cpp). The decoder also brings the EXIF block (whose orientation DeliverPicture
// applies) and, for a scaled decode, the size the file stores.
int DecodeJpeg(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture);
int WriteJpeg(const RasterImage& image, std::vector<uint8_t>& out);
ImageFileType RefineJpeg(std::span<const uint8_t> file);
bool IsJpegSignature(std::span<const uint8_t> head);

// A marker written as it is: its code (JPEG_APP0 + n, JPEG_COM) and payload (at most 65533
// bytes).
struct JpegMarker {
  int code = 0;
  std::vector<uint8_t> payload;
};
// The markers that carry a picture's colour profile, XMP, IPTC data and comments. What JPEG
// cannot hold (a profile that is damaged or not RGB, an XMP packet or comment too long for
// one marker) is left out and dropped says so.
std::vector<JpegMarker> JpegMetadataMarkers(const PictureMetadata& metadata, bool& dropped);
// Bytes those markers add to a file (marker codes and length fields included).
int64_t JpegMetadataBytes(const PictureMetadata& metadata);

struct JpegEncodeOptions {
  int quality = 75;             // 1…100
  bool fullChroma = true;       // every component 1x1; false: 2x2 luminance
  bool progressive = false;
  int densityX = 300;           // JFIF density
  int densityY = 300;
  int densityUnit = 1;          // JFIF unit byte: 0 aspect only, 1 per inch, 2 per cm
  std::span<const uint8_t> exifPayload;  // written as one APP1 marker when not empty
  std::span<const JpegMarker> markers;   // written after it, in order
};
// Encodes a 24-bit block into out (used by the writer and by the JPEG size estimate).
// An EXIF payload over 65533 bytes is not written and the result is kSavedWithoutExif.
int EncodeJpeg(const uint8_t* rgb, int width, int height, const JpegEncodeOptions& options,
               std::vector<uint8_t>& out);

// PNG (png.cpp).
int DecodePng(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture);
int WritePng(const RasterImage& image, std::vector<uint8_t>& out);
ImageFileType RefinePng(std::span<const uint8_t> file);
bool IsPngSignature(std::span<const uint8_t> head);

// TIFF (tiff.cpp).
int DecodeTiff(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture);
int WriteTiff(const RasterImage& image, std::vector<uint8_t>& out);
ImageFileType RefineTiff(std::span<const uint8_t> file);
bool IsTiffSignature(std::span<const uint8_t> head);

// ---- Formats with readers and writers of our own ----
// Signature checks live in signatures.cpp so that detection is complete before every reader
// exists. Decoders, writers and refiners are defined by each format's unit.

// Windows bitmap (bmp.cpp).
bool IsBmpSignature(std::span<const uint8_t> head);
int WriteBmp(const RasterImage& image, std::vector<uint8_t>& out);
ImageFileType RefineBmp(std::span<const uint8_t> file);
int DecodeBmp(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture);

// PCX (pcx.cpp).
bool IsPcxSignature(std::span<const uint8_t> head);
int DecodePcx(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture);
int WritePcx(const RasterImage& image, std::vector<uint8_t>& out);
ImageFileType RefinePcx(std::span<const uint8_t> file);

// Targa (tga.cpp): no signature; found by name, by its footer, or as the 00 00 case.
bool HasTargaFooter(std::span<const uint8_t> file);
// Whether the file starts with a Targa header this reader takes (for a Targa under another
// format's name).
bool IsTargaHeader(std::span<const uint8_t> file);
int DecodeTga(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture);
int WriteTga(const RasterImage& image, std::vector<uint8_t>& out);
ImageFileType RefineTga(std::span<const uint8_t> file);

// Windows and enhanced metafiles (wmf.cpp, emf.cpp).
bool IsWmfSignature(std::span<const uint8_t> head);
bool IsEmfSignature(std::span<const uint8_t> head);
int DecodeWmf(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture);
int WriteWmf(const RasterImage& image, std::vector<uint8_t>& out);
int DecodeEmf(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture);
int WriteEmf(const RasterImage& image, std::vector<uint8_t>& out);

// Photoshop (psd.cpp).
bool IsPsdSignature(std::span<const uint8_t> head);
int DecodePsd(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture);
int WritePsd(const RasterImage& image, std::vector<uint8_t>& out);
ImageFileType RefinePsd(std::span<const uint8_t> file);

// Wireless bitmap (wbmp.cpp): 00 00 at the start; its writer takes any depth.
bool IsWbmpSignature(std::span<const uint8_t> head);
int DecodeWbmp(std::span<const uint8_t> file, const DecodeRequest& request, Picture& picture);
int WriteWbmp(const RasterImage& image, std::vector<uint8_t>& out);

// Kodak PhotoCD (photocd.cpp): "PCD" at offset 2048.
bool IsPhotoCd(std::span<const uint8_t> file);
int DecodePhotoCd(std::span<const uint8_t> file, const DecodeRequest& request,
                  Picture& picture);

}  // namespace orvane
