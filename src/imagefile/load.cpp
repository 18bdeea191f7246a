// Load: camera raw decoder first, then detection by content and name, then the format's reader.
#include <unistd.h>

#include <cmath>

#include "imagefile/codec/codec.h"
#include "imagefile/raster_image.h"
#include "imagefile/raw_decoder.h"

namespace orvane {

namespace {

bool IsTiffType(ImageFileType t) {
  return t == ImageFileType::TiffRgb || t == ImageFileType::TiffIndexed ||
         t == ImageFileType::TiffBilevel;
}

}  // namespace

// The core of Load once the file's bytes and type are known.
static int ReadFrom(RasterImage& image, std::span<const uint8_t> file, ImageFileType type,
                    int page) {
  int rc = ReadImage(file, type, page, image);
  if (rc == kOk && image.IsEmpty()) rc = kBadFile;
  if (rc != kOk) {
    image.Release();
    return rc;
  }
  image.saveResolutionX = static_cast<int32_t>(image.resolutionX);
  image.saveResolutionY = static_cast<int32_t>(image.resolutionY);
  image.saveResolutionUnit = static_cast<int32_t>(image.resolutionUnit);
  image.pixelsFromCodec = true;
  image.fileType = type;
  if (IsTiffType(type)) image.pageIndex = page;

  // Fax-style TIFF files store pixels that are not square; stretch the height to match.
  if ((type == ImageFileType::TiffRgb || type == ImageFileType::TiffIndexed) &&
      image.resolutionX != image.resolutionY && image.resolutionX != 0) {
    const double ratio = static_cast<double>(image.resolutionY) / image.resolutionX;
    if (ratio != 0 && std::fabs(1 - ratio) > 0.25) {
      const double newHeight = image.Height() / ratio;
      // Real files differ by a factor of about 2 (fax resolutions). A ratio beyond 8 is a
      // damaged tag that would turn a tiny file into a huge picture: keep the stored pixels.
      if (ratio >= 0.125 && ratio <= 8 && newHeight >= 1 &&
          newHeight * image.Width() <= static_cast<double>(kMaxPixels)) {
        rc = image.ResizeInPlace(image.Width(), static_cast<int>(newHeight), 0);
        if (rc != kOk) {
          image.Release();
          return rc;
        }
      }
    }
  }
  if (image.BitsPerPixel() != 1) {
    rc = image.MakeTrueColour();
    if (rc != kOk) {
      image.Release();
      return rc;
    }
  }
  return kOk;
}

int RasterImage::Load(const std::string& path, ImageFileType typeHint, int page) {
  Release();
  exifBlock.clear();
  metadata.clear();
  fileBitsPerSample = 8;
  ResetCameraInfo();
  if (path.empty()) return kNoFile;
  // Anything but a regular file (a FIFO would block the reading for ever) is refused before
  // it is opened, by the raw decoder too.
  if (!IsRegularFile(path)) return ::access(path.c_str(), F_OK) == 0 ? kOpenFailed : kNoFile;

  if (typeHint == ImageFileType::UnknownType) {
    int rawWidth = 0, rawHeight = 0;
    PixelBlock raw;
    try {
      raw = DecodeRawFile(path, rawWidth, rawHeight);
    } catch (...) {
      raw.reset();  // a decoder failure means: not a raw file we can read
    }
    if (raw && rawWidth > 0 && rawHeight > 0) {
      AdoptPixels(std::move(raw), rawWidth, rawHeight, 24, true);
      originalWidth = rawWidth;
      originalHeight = rawHeight;
      fileType = ImageFileType::UnknownType;
      filePath = path;
      pageIndex = 0;
      orientation = 1;
      // A raw file states no resolution of its own; do not keep the previous picture's.
      resolutionX = resolutionY = 300;
      resolutionUnit = 1;
      saveResolutionX = saveResolutionY = 300;
      saveResolutionUnit = 1;
      return kOk;
    }
  }

  // The file is mapped, not read: detection looks at a few bytes, and a file that is no
  // picture (gigabytes of zeros named .jpg) is refused without reading it.
  MappedFile file;
  if (const int opened = file.Open(path); opened != kOk) return opened;
  const int rc = LoadFromMemory(file.bytes(), path, typeHint, page);
  // Part of the file went away while it was read (truncated, its card pulled out): whatever was
  // decoded holds zeros for it.
  if (file.damaged()) {
    Release();
    return kBadFile;
  }
  return rc;
}

int RasterImage::LoadFromMemory(std::span<const uint8_t> file, const std::string& name,
                                ImageFileType typeHint, int page) {
  Release();
  exifBlock.clear();
  metadata.clear();
  fileBitsPerSample = 8;
  ResetCameraInfo();
  ImageFileType type = typeHint;
  if (type == ImageFileType::UnknownType) {
    type = DetectImageTypeInMemory(file, name);
    if (type == ImageFileType::UnknownType) return kInvalidArgument;
  }
  const int rc = ReadFrom(*this, file, type, page);
  filePath = name;
  return rc;
}

}  // namespace orvane
