// What the format readers of this folder deliver before the image takes the block: pixels in
// the RasterImage layouts (1, 8 or 24 bits), size and palette.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "imagefile/raster_image.h"

namespace orvane {

struct Picture {
  PixelBlock pixels;
  int width = 0;
  int height = 0;
  int depth = 0;  // 1, 8 or 24
  int paletteSize = 0;
  std::array<PaletteEntry, 256> palette{};
  // Resolution as the file states it (every format without one: 300 x 300, unit 1).
  uint32_t resolutionX = 300;
  uint32_t resolutionY = 300;
  uint32_t resolutionUnit = 1;
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

// Converts a picture to the depth a reader was asked for: 8 → 24 through the palette,
// 1 → 8 (indices 0 and 1), 1 → 24, 24 stays. Asking for fewer bits than the picture has
// (24 → 8, 8 → 1) is kInvalidArgument: the type detection never asks for that.
int ConvertPictureDepth(Picture& picture, int wantedDepth);

// The depth a reader delivers for a type: 24 for the *Rgb types, PhotoCd and the metafiles,
// 8 for the *Indexed types, JpegGrey and Wbmp, 1 for the *Bilevel types.
int DepthForType(ImageFileType type);

// Converts the picture to the depth type asks for and hands it, its palette and resolution to
// image. The picture is left empty.
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
