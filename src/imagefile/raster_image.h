// RasterImage: the one in-memory picture type, with everything the file layer knows about it.
//
// Pixels live in one contiguous, unpadded block owned by the image:
//   24 bits: red, green, blue per pixel, rows from the top, a row is width * 3 bytes;
//    8 bits: one palette index per pixel, a row is width bytes;
//    1 bit:  8 pixels per byte, leftmost pixel in the most significant bit, a row is
//            (width + 7) / 8 bytes; each bit is a palette index;
//   32 bits: only the Full/Crop display copy, 4 bytes per pixel.
// Operations return int result codes (0 success); nothing here throws.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace orvane {

// Type and depth of a file. The numbers are stored and compared, keep them.
enum class ImageFileType : int32_t {
  JpegRgb = 0,
  JpegGrey = 1,
  BmpRgb = 2,
  BmpIndexed = 3,
  PcxRgb = 4,
  PcxIndexed = 5,
  PngRgb = 6,
  PngIndexed = 7,
  TiffRgb = 8,
  TiffIndexed = 9,
  TgaRgb = 10,
  TgaIndexed = 11,
  WindowsMetafile = 12,
  EnhancedMetafile = 13,
  PsdRgb = 14,
  PsdIndexed = 15,
  Wbmp = 16,
  TiffBilevel = 17,
  PngBilevel = 18,
  BmpBilevel = 19,
  PhotoCd = 20,
  // Load: try the camera raw decoder, then detect. Save: choose by extension.
  UnknownType = 21,
};

// Result codes of the image operations.
inline constexpr int kOk = 0;
inline constexpr int kOutOfMemory = 1;       // also: a picture too large to hold
inline constexpr int kNoFile = 2;            // no file name, or the file cannot be accessed
inline constexpr int kWriteError = 4;
inline constexpr int kInvalidArgument = 5;   // empty image, unknown type, parameter out of range
inline constexpr int kCancelled = 14;
inline constexpr int kOpenFailed = 38;       // the file could not be opened for reading or writing
inline constexpr int kBadFile = 40;          // damaged, truncated or inconsistent file data
inline constexpr int kUnsupportedFile = 41;  // a valid file using a feature no reader here handles
// Save wrote the file but left out metadata it could not keep: an EXIF block that does not
// parse or is too large for one JPEG marker, a colour profile that does not parse (or is not
// for RGB pictures), an XMP packet or comment too long for its marker. The file is complete
// and usable; the caller may tell the user what was not kept.
inline constexpr int kSavedWithoutExif = 42;

// Largest picture accepted from a file or created: one gigapixel. Fuzzing builds lower it so
// that refusals, not the machine's memory, end absurd headers.
#ifdef ORVANE_MAX_PIXELS
inline constexpr int64_t kMaxPixels = ORVANE_MAX_PIXELS;
#else
inline constexpr int64_t kMaxPixels = int64_t{1} << 30;
#endif

// Pixel blocks come from malloc so that a failed allocation is a null pointer, not an exception.
struct FreeDeleter {
  void operator()(void* p) const noexcept { std::free(p); }
};
using PixelBlock = std::unique_ptr<uint8_t[], FreeDeleter>;

// Allocates bytes (contents undefined); null when bytes is 0, too large, or memory is short.
PixelBlock AllocatePixels(uint64_t bytes);

// A palette entry as stored: blue, green, red and a byte no reader uses.
struct PaletteEntry {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
};

// What a file carries besides its pixels and EXIF block, kept so that a saved picture carries
// it too. Each writer takes what its format can hold.
struct PictureMetadata {
  std::vector<uint8_t> iccProfile;  // the embedded colour profile, as stored
  std::string xmpPacket;            // the XMP packet (XML text)
  // The rest of a packet too large for one JPEG marker: the APP1 payloads of its extended XMP,
  // as stored, kept with the packet that names them.
  std::vector<std::vector<uint8_t>> xmpExtension;
  std::vector<uint8_t> iptcBlock;   // a JPEG APP13 payload: "Photoshop 3.0\0" and resources
  std::vector<std::string> comments;  // JPEG comment markers, in file order

  bool empty() const {
    return iccProfile.empty() && xmpPacket.empty() && xmpExtension.empty() && iptcBlock.empty() &&
           comments.empty();
  }
  void clear() { *this = PictureMetadata{}; }
};

class RasterImage {
 public:
  RasterImage() = default;
  virtual ~RasterImage() = default;
  RasterImage(const RasterImage&) = delete;
  RasterImage& operator=(const RasterImage&) = delete;
  // Moving hands over the pixels and everything read with them (metadata, camera data).
  RasterImage(RasterImage&&) = default;
  RasterImage& operator=(RasterImage&&) = default;

  // Frees the pixels; width, height, bits per pixel and palette size become 0. Everything else
  // (resolution, file information, options, EXIF block, camera fields) stays.
  virtual void Release();

  // Release, then allocate ImageBytes(width, height, depth) bytes. 1 when the allocation fails
  // or the picture is larger than kMaxPixels (the image stays empty), 5 for a depth other
  // than 1, 8, 24, 32 or a size below 1.
  int Create(int width, int height, int depth);

  uint8_t* Pixels() { return pixels_.get(); }
  const uint8_t* Pixels() const { return pixels_.get(); }
  // The block's geometry: set together with the block (Create, AdoptPixels, TakeOver, the
  // conversions), 0 when the image is empty.
  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  // Entries of palette in use (8- and 1-bit pictures), 0 … 256.
  int PaletteSize() const { return paletteSize_; }
  // Sets how many palette entries are in use, kept within 0 … 256. Release sets 0.
  void SetPaletteSize(int entries);
  bool IsEmpty() const { return !pixels_; }
  int RowBytes() const;
  // Block size in bytes, computed in 64 bits: depth 1 → height * ((width + 7) / 8),
  // otherwise width * (depth / 8) * height. 0 for negative sizes.
  static uint64_t ImageBytes(int64_t width, int64_t height, int depth);

  // Hands a finished block to the image (readers and the raw decoder use this). Releases
  // what the image held first. The block must hold ImageBytes(width, height, depth) bytes.
  void AdoptPixels(PixelBlock block, int width, int height, int depth, bool fromCodec = true);
  // Gives the block away; the image is left empty (as after Release).
  PixelBlock DetachPixels();

  // Release this image, then move source's block, size, depth, palette, fileType and file
  // resolution here; source is left empty. 5 when source is empty.
  int TakeOver(RasterImage& source);
  // Deep copy of the pixels and palette, then CopyInfo. Copying an empty image empties this.
  int CopyFrom(const RasterImage& source);
  // Copies resolutionX/Y/Unit, filePath, pageIndex and fileType.
  int CopyInfo(const RasterImage& source);

  // In place: every depth but 1 bit becomes 24 bits.
  int MakeTrueColour();
  // 24-bit copy of this image into destination.
  int ToTrueColour(RasterImage& destination) const;
  // 8-bit copy (1-bit images unpacked to indices 0 and 1) into destination.
  int ToIndexed(RasterImage& destination) const;
  // 8-bit black (index 0) and white (index 1) copy: index 0 when r² + g² + b² <= 3 t².
  int ToTwoColour(RasterImage& destination, int threshold) const;
  // Resizes source into this image. Filter 2: bilinear when enlarging in either direction,
  // area averaging otherwise. Any other filter: bilinear.
  int Resample(const RasterImage& source, int newWidth, int newHeight, int filter);
  int ResizeInPlace(int newWidth, int newHeight, int filter);

  void SetDecodeSizeHint(int hintWidth, int hintHeight) {
    decodeHintWidth = hintWidth;
    decodeHintHeight = hintHeight;
  }

  // Reads a file; see load.cpp. Every caller passes UnknownType and page 0.
  int Load(const std::string& path, ImageFileType typeHint = ImageFileType::UnknownType,
           int page = 0);
  // Load's steps after the raw decoder, for a file already in memory; name only serves the
  // name rules of detection and becomes filePath.
  int LoadFromMemory(std::span<const uint8_t> file, const std::string& name,
                     ImageFileType typeHint = ImageFileType::UnknownType, int page = 0);
  // Writes the file through a temporary file in the same folder, renamed over path only when
  // complete; on failure path is untouched. See save.cpp.
  int Save(const std::string& path, ImageFileType type = ImageFileType::UnknownType) const;
  // Fills the camera fields from an EXIF payload ("Exif\0\0" + TIFF data). A missing or damaged
  // block leaves the fields as they are.
  void ReadCameraInfo(std::span<const uint8_t> exifPayload);
  // Camera fields and orientation back to their defaults.
  void ResetCameraInfo();

  uint32_t exifBlockSize() const { return static_cast<uint32_t>(exifBlock.size()); }

  // Fields, in the documented order.
  uint32_t resolutionX = 0;
  uint32_t resolutionY = 0;
  uint32_t resolutionUnit = 0;  // 1 none (aspect only), 2 inch, 3 centimetre
  std::array<PaletteEntry, 256> palette{};
  ImageFileType fileType = ImageFileType::UnknownType;
  std::string filePath;
  int32_t pageIndex = 0;
  bool pixelsFromCodec = true;  // informational: every block here is freed with free()
  int32_t monoThreshold = 128;
  bool jpegProgressive = false;
  int32_t saveResolutionX = 300;
  int32_t saveResolutionY = 300;
  int32_t saveResolutionUnit = 1;
  int32_t tiffCompression = 1;  // TIFF compression code used when writing (1 = none)
  bool bmpRunLength = false;
  bool jpegFullChroma = true;    // every JPEG component sampled 1x1; false: encoder default
  int32_t jpegQuality = 75;
  std::vector<uint8_t> exifBlock;  // APP1 payload as stored, starting "Exif\0\0"
  PictureMetadata metadata;        // colour profile, XMP, IPTC, comments of the file
  int32_t fileBitsPerSample = 8;   // bits per sample stored in the file (pixels here have 8)
  std::string cameraMake;
  std::string cameraModel;
  std::string dateTaken;
  double exposureTime = 0;  // seconds, 0 unknown
  double shutterTime = 0;   // seconds from the APEX step table, 0 unknown
  double fNumber = 0;
  int32_t isoSpeed = 0;
  int32_t decodeHintWidth = 0;
  int32_t decodeHintHeight = 0;
  int32_t originalWidth = 0;
  int32_t originalHeight = 0;
  int32_t orientation = 1;  // EXIF orientation 1…8
  // Told how far a save has got (done out of total steps), on the saving thread, by the
  // writers that work in steps (PNG); may be empty.
  std::function<void(int done, int total)> saveProgress;
  // Asked now and then, on the reading thread, by the readers that work row by row (PNG); true
  // ends the read with kCancelled and the image empty. May be empty.
  std::function<bool()> loadCancelled;

 private:
  PixelBlock pixels_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t bitsPerPixel_ = 0;
  int32_t paletteSize_ = 0;
};

// Turns a 24-bit block upright for EXIF orientation 2…8 (other values, a null block or a zero
// size leave everything as it is and return 0). On success block is replaced by the new one
// (the old one is freed) and width/height are swapped for 5…8. 1 when memory is short; the
// block and size are then unchanged. bytesPerPixel 1 orients an 8-bit block the same way.
int ApplyOrientation(PixelBlock& block, int& width, int& height, int orientation,
                     int bytesPerPixel = 3);

// The inverse of ApplyOrientation for a block of width x height (as displayed): writes the
// stored-orientation copy to out, never touching block. For orientations outside 2…8 (nothing
// to undo) out is left null and 0 is returned. 1 when memory is short.
int UndoOrientation(int width, int height, const uint8_t* block, int orientation,
                    PixelBlock& out);

}  // namespace orvane
