#include "imagefile/codec/picture.h"

#include <cstring>
#include <new>

#include "imagefile/codec/codec.h"

namespace orvane {

bool FileMayHold(int64_t pixels, uint64_t fileBytes) {
  constexpr int64_t kAnyFile = int64_t{64} << 20;
  constexpr uint64_t kFreeBytes = uint64_t{1} << 20;
  constexpr int64_t kPixelsPerFurtherByte = 256;
  if (pixels <= kAnyFile) return true;
  const uint64_t further = fileBytes > kFreeBytes ? fileBytes - kFreeBytes : 0;
  if (further >= (uint64_t{1} << 40)) return true;
  return pixels - kAnyFile <= static_cast<int64_t>(further) * kPixelsPerFurtherByte;
}

int AllocatePicture(Picture& picture, int64_t width, int64_t height, int depth) {
  picture.pixels.reset();
  if (width < 1 || height < 1) return kBadFile;
  if (width > kMaxPixels || height > kMaxPixels || width * height > kMaxPixels) return kOutOfMemory;
  const uint64_t bytes = RasterImage::ImageBytes(width, height, depth);
  PixelBlock block = AllocatePixels(bytes);
  if (!block) return kOutOfMemory;
  std::memset(block.get(), 0, bytes);
  picture.pixels = std::move(block);
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  picture.depth = depth;
  return kOk;
}

int ConvertPictureDepth(Picture& picture, int wantedDepth) {
  if (!picture.pixels) return kInvalidArgument;
  if (picture.depth == wantedDepth) return kOk;
  if (wantedDepth < picture.depth) return kInvalidArgument;
  const int w = picture.width;
  const int h = picture.height;
  Picture out;
  int rc = AllocatePicture(out, w, h, wantedDepth);
  if (rc != kOk) return rc;
  const uint8_t* src = picture.pixels.get();
  uint8_t* dst = out.pixels.get();
  const size_t srcRow = static_cast<size_t>(RasterImage::ImageBytes(w, 1, picture.depth));
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = src + srcRow * y;
    for (int x = 0; x < w; ++x) {
      const uint8_t index = picture.depth == 1 ? ((s[x >> 3] >> (7 - (x & 7))) & 1) : s[x];
      if (wantedDepth == 8) {
        dst[static_cast<size_t>(y) * w + x] = index;
      } else {
        const PaletteEntry& e = picture.palette[index];
        uint8_t* d = dst + (static_cast<size_t>(y) * w + x) * 3;
        d[0] = e.red;
        d[1] = e.green;
        d[2] = e.blue;
      }
    }
  }
  out.paletteSize = wantedDepth == 8 ? picture.paletteSize : 0;
  out.palette = picture.palette;
  picture = std::move(out);
  return kOk;
}

void FlattenOnWhite(Picture& picture, const std::vector<uint8_t>& alpha) {
  if (!picture.pixels || picture.depth != 24) return;
  const size_t n = static_cast<size_t>(picture.width) * picture.height;
  if (alpha.size() < n) return;
  bool anyOpacity = false;
  for (size_t i = 0; i < n && !anyOpacity; ++i) anyOpacity = alpha[i] != 0;
  if (!anyOpacity) return;
  uint8_t* d = picture.pixels.get();
  for (size_t i = 0; i < n; ++i, d += 3) {
    if (alpha[i] == 255) continue;
    d[0] = OnWhite(d[0], alpha[i]);
    d[1] = OnWhite(d[1], alpha[i]);
    d[2] = OnWhite(d[2], alpha[i]);
  }
}

int DepthForType(ImageFileType type) {
  switch (type) {
    case ImageFileType::BmpIndexed:
    case ImageFileType::PcxIndexed:
    case ImageFileType::PngIndexed:
    case ImageFileType::TiffIndexed:
    case ImageFileType::TgaIndexed:
    case ImageFileType::PsdIndexed:
    case ImageFileType::JpegGrey:
    case ImageFileType::Wbmp:
      return 8;
    case ImageFileType::TiffBilevel:
    case ImageFileType::PngBilevel:
    case ImageFileType::BmpBilevel:
      return 1;
    default:
      return 24;
  }
}

int DeliverPicture(Picture& picture, ImageFileType type, RasterImage& image) {
  image.Release();
  if (!picture.pixels) return kInvalidArgument;
  const int wanted = DepthForType(type);
  if (picture.depth < wanted) {
    const int rc = ConvertPictureDepth(picture, wanted);
    if (rc != kOk) {
      picture.pixels.reset();
      return rc;
    }
  }
  // The camera fields and the orientation come from the block that is kept and written back.
  image.ResetCameraInfo();
  image.ReadCameraInfo(picture.exifBlock);
  if (picture.depth != 1 && picture.exifBlock.empty() && picture.orientation >= 2 &&
      picture.orientation <= 8)
    image.orientation = picture.orientation;
  const int fullWidth = picture.storedWidth > 0 ? picture.storedWidth : picture.width;
  const int fullHeight = picture.storedHeight > 0 ? picture.storedHeight : picture.height;
  int width = picture.width, height = picture.height;
  bool swapped = false;
  if (picture.depth != 1) {
    const int rc =
        ApplyOrientation(picture.pixels, width, height, image.orientation, picture.depth / 8);
    if (rc != kOk) {
      picture.pixels.reset();
      return rc;
    }
    swapped = image.orientation >= 5 && image.orientation <= 8;
  }
  image.AdoptPixels(std::move(picture.pixels), width, height, picture.depth);
  image.SetPaletteSize(picture.depth == 24 ? 0 : picture.paletteSize);
  image.palette = picture.palette;
  image.resolutionX = picture.resolutionX;
  image.resolutionY = picture.resolutionY;
  image.resolutionUnit = picture.resolutionUnit;
  image.fileBitsPerSample = picture.fileBitsPerSample;
  image.exifBlock = std::move(picture.exifBlock);
  image.metadata = std::move(picture.metadata);
  image.originalWidth = swapped ? fullHeight : fullWidth;
  image.originalHeight = swapped ? fullWidth : fullHeight;
  return kOk;
}

int ReadImage(std::span<const uint8_t> file, ImageFileType type, int pageIndex,
              RasterImage& image) {
  image.Release();
  const ImageFormat* format = FormatForType(type);
  if (format == nullptr || format->decode == nullptr) return kUnsupportedFile;
  const DecodeRequest request{type, pageIndex, image.decodeHintWidth, image.decodeHintHeight,
                              image.loadCancelled};
  int rc = kOk;
  try {
    Picture picture;
    rc = format->decode(file, request, picture);
    if (rc == kOk) rc = DeliverPicture(picture, type, image);
  } catch (const std::bad_alloc&) {
    rc = kOutOfMemory;
  } catch (...) {
    rc = kBadFile;  // a library's failure on this file's data
  }
  if (rc != kOk) image.Release();
  return rc;
}

}  // namespace orvane
