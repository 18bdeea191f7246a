// Png through its library. (Reader and writer being written; until then they refuse.)
#include "imagefile/codec/codec.h"

namespace orvane {

ImageFileType RefinePng(std::span<const uint8_t>) { return ImageFileType::PngRgb; }
int ReadPng(std::span<const uint8_t>, ImageFileType, int, RasterImage&) { return kUnsupportedFile; }
int WritePng(const RasterImage&, std::vector<uint8_t>&) { return kUnsupportedFile; }

}  // namespace orvane
