// The EXIF parser on arbitrary TIFF-structured data behind the "Exif" header.
#include <cstring>
#include <vector>

#include "imagefile/exif.h"
#include "imagefile/raster_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> payload(6 + size);
  std::memcpy(payload.data(), "Exif\0\0", 6);
  if (size > 0) std::memcpy(payload.data() + 6, data, size);
  orvane::RasterImage image;
  image.ReadCameraInfo(payload);
  if (image.orientation < 1 || image.orientation > 8) __builtin_trap();
  orvane::ExifReader reader;
  if (reader.Open(payload)) {
    for (uint16_t tag : {uint16_t{1}, uint16_t{271}, uint16_t{282}, uint16_t{296}, uint16_t{513},
                         uint16_t{34665}, uint16_t{37500}, uint16_t{40965}})
      (void)reader.TagText(tag);
  }
  return 0;
}
