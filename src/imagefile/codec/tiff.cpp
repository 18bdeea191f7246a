// Tiff through its library. (Reader and writer being written; until then they refuse.)
#include "imagefile/codec/codec.h"

namespace orvane {

ImageFileType RefineTiff(std::span<const uint8_t>) { return ImageFileType::TiffRgb; }
int ReadTiff(std::span<const uint8_t>, ImageFileType, int, RasterImage&) { return kUnsupportedFile; }
int WriteTiff(const RasterImage&, std::vector<uint8_t>&) { return kUnsupportedFile; }

}  // namespace orvane
