// Jpeg through its library. (Reader and writer being written; until then they refuse.)
#include "imagefile/codec/codec.h"

namespace orvane {

ImageFileType RefineJpeg(std::span<const uint8_t>) { return ImageFileType::JpegRgb; }
int ReadJpeg(std::span<const uint8_t>, ImageFileType, int, RasterImage&) { return kUnsupportedFile; }
int WriteJpeg(const RasterImage&, std::vector<uint8_t>&) { return kUnsupportedFile; }

}  // namespace orvane
