// The camera raw decoder as Load sees it. Load calls it first for every file opened with
// UnknownType; a file that is not a camera raw file must be given up quickly, after the header.
#pragma once

#include <string>

#include "imagefile/raster_image.h"

namespace orvane {

// Decodes the camera raw file at path into a 24-bit block (red, green, blue, rows from the
// top, unpadded). Returns the block with width and height set, or null with both 0 when the
// file is not a camera raw file, decoding failed, or memory is short.
PixelBlock DecodeRawFile(const std::string& path, int& width, int& height);

}  // namespace orvane
