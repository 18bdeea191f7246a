// Build without a camera raw decoder: no file is a raw file, Load goes straight to detection.
// The unit that hosts the real decoder replaces this file in the library's source list.
#include "imagefile/raw_decoder.h"

namespace orvane {

PixelBlock DecodeRawFile(const std::string&, int& width, int& height) {
  width = 0;
  height = 0;
  return nullptr;
}

}  // namespace orvane
