// What every format reader of this folder decodes a file into before the image takes it:
// pixels in the RasterImage layouts (1, 8 or 24 bits), size and palette, and what the file
// carries beside them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "imagefile/raster_image.h"

namespace orvane {

struct Picture {
  PixelBlock pixels;  // as stored in the file: DeliverPicture turns them upright by the EXIF tag
  int width = 0;
  int height = 0;
  int depth = 0;  // 1, 8 or 24
  int paletteSize = 0;
  std::array<PaletteEntry, 256> palette{};
  // Resolution as the file states it (every format without one: 300 x 300, unit 1).
  uint32_t resolutionX = 300;
  uint32_t resolutionY = 300;
  uint32_t resolutionUnit = 1;
  // The rest is what some formats bring; the others leave the defaults.
  int fileBitsPerSample = 8;       // bits per sample stored in the file
  std::vector<uint8_t> exifBlock;  // APP1 payload as stored, starting "Exif\0\0" (JPEG)
  PictureMetadata metadata;        // colour profile, XMP, IPTC, comments
  // The orientation the file's own header states (TIFF), in the EXIF block's codes: it turns
  // the pixels upright where no EXIF block says otherwise.
  int orientation = 1;
  // The size the file stores, before orientation, where the pixels may have another (a JPEG
  // decoded scaled down to a size hint); 0: the pixels' own size.
  int storedWidth = 0;
  int storedHeight = 0;
};

// What a decode is asked for besides the file's bytes.
struct DecodeRequest {
  // The type detection settled on (after refinement by depth): it says at which depth to
  // decode where a format can choose (see DepthForType).
  ImageFileType type = ImageFileType::UnknownType;
  int pageIndex = 0;  // image inside a multi-image file (TIFF), 0 otherwise
  // A JPEG is decoded scaled down to the smallest size still larger than this; 0: full size.
  int hintWidth = 0;
  int hintHeight = 0;
  // Asked now and then by the readers that work row by row (PNG); true ends the decode with
  // kCancelled. May be empty.
  std::function<bool()> cancelled;
};

// Whether a file of fileBytes bytes may decode to a picture of `pixels` pixels. Any file may
// hold a picture of up to 64 megapixels; beyond that the file must bring the data for it
// (one byte per 256 further pixels after its first megabyte). Highly compressed pictures that
// large are not photographs but lies: a small file never costs more than a few hundred
// megabytes, whatever its header claims.
bool FileMayHold(int64_t pixels, uint64_t fileBytes);

// Allocates a zero-filled picture; kOutOfMemory when the size is absurd or memory is short,
// kBadFile for a size below 1.
int AllocatePicture(Picture& picture, int64_t width, int64_t height, int depth);

// Converts a picture to a greater depth: 8 → 24 through the palette,
// 1 → 8 (indices 0 and 1), 1 → 24, 24 stays. Asking for fewer bits than the picture has
// (24 → 8, 8 → 1) is kInvalidArgument.
int ConvertPictureDepth(Picture& picture, int wantedDepth);

// The depth a reader delivers for a type: 24 for the *Rgb types, PhotoCd and the metafiles,
// 8 for the *Indexed types, JpegGrey and Wbmp, 1 for the *Bilevel types.
int DepthForType(ImageFileType type);

// Hands a decoded picture to image, the same for every format: a picture of fewer bits than
// type asks for is widened to that depth (one with more, a TIFF whose layout has no palette
// form, stays as decoded); the pixels are turned upright by the orientation of the EXIF block
// (8 and 24 bits), or without a block by the picture's own; then the pixels, palette, resolution,
// EXIF block, metadata, file bits per sample, camera fields, orientation and originalWidth/
// Height (the full size as displayed) go to image. The picture is left empty. On failure
// image is left empty.
int DeliverPicture(Picture& picture, ImageFileType type, RasterImage& image);

// Transparency is flattened onto white when a picture is opened: a colour laid on white by its
// opacity (0 transparent, 255 opaque).
inline uint8_t OnWhite(int colour, int alpha) {
  return static_cast<uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

// Lays a 24-bit picture on white by one opacity byte per pixel. A file whose opacities are all
// zero did not mean them (writers leave the fourth byte empty): it stays opaque.
void FlattenOnWhite(Picture& picture, const std::vector<uint8_t>& alpha);

inline PaletteEntry Rgb(uint8_t r, uint8_t g, uint8_t b) { return PaletteEntry{b, g, r, 0}; }

}  // namespace orvane
