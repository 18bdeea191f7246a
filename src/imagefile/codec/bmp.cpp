// Windows bitmap. The 24-bit writer and the depth refinement live here with the reader.
#include <cstring>

#include "imagefile/codec/byte_io.h"
#include "imagefile/codec/codec.h"

namespace orvane {

ImageFileType RefineBmp(std::span<const uint8_t> file) {
  if (file.size() < 18) return ImageFileType::BmpRgb;
  const uint32_t headerSize = ReadLe32(file, 14);
  int bits = 0;
  if (headerSize == 12 && file.size() >= 26) {
    bits = ReadLe16(file, 24);
  } else if (headerSize >= 40 && file.size() >= 30) {
    bits = ReadLe16(file, 28);
  } else {
    return ImageFileType::BmpRgb;
  }
  if (bits == 1) return ImageFileType::BmpBilevel;
  if (bits >= 2 && bits <= 8) return ImageFileType::BmpIndexed;
  return ImageFileType::BmpRgb;
}

// Pixels per metre from the save resolution. The default (unit 1, aspect only) gives 0.
static uint32_t PixelsPerMetre(int value, int unit) {
  if (value <= 0) return 0;
  if (unit == 3) return static_cast<uint32_t>(value) * 100u;
  if (unit == 2) return static_cast<uint32_t>(value * 10000.0 / 254.0 + 0.5);
  return 0;
}

int WriteBmp(const RasterImage& image, std::vector<uint8_t>& out) {
  if (image.IsEmpty() || image.bitsPerPixel != 24) return kInvalidArgument;
  const uint64_t rowBytes = (static_cast<uint64_t>(image.width) * 3 + 3) & ~uint64_t{3};
  const uint64_t pixelBytes = rowBytes * static_cast<uint64_t>(image.height);
  const uint64_t fileSize = 54 + pixelBytes;
  if (fileSize > 0xFFFFFFFFull) return kInvalidArgument;  // the header cannot state it
  out.assign(static_cast<size_t>(fileSize), 0);
  uint8_t* p = out.data();
  p[0] = 'B';
  p[1] = 'M';
  PutLe32(p + 2, static_cast<uint32_t>(fileSize));
  PutLe32(p + 10, 54);
  PutLe32(p + 14, 40);
  PutLe32(p + 18, static_cast<uint32_t>(image.width));
  PutLe32(p + 22, static_cast<uint32_t>(image.height));  // positive: bottom row first
  PutLe16(p + 26, 1);
  PutLe16(p + 28, 24);
  PutLe32(p + 30, 0);  // uncompressed
  PutLe32(p + 34, static_cast<uint32_t>(pixelBytes));
  PutLe32(p + 38, PixelsPerMetre(image.saveResolutionX, image.saveResolutionUnit));
  PutLe32(p + 42, PixelsPerMetre(image.saveResolutionY, image.saveResolutionUnit));
  const uint8_t* pixels = image.Pixels();
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* in = pixels + static_cast<size_t>(image.height - 1 - y) * image.width * 3;
    uint8_t* row = p + 54 + static_cast<size_t>(y) * rowBytes;
    for (int x = 0; x < image.width; ++x) {
      row[x * 3] = in[x * 3 + 2];
      row[x * 3 + 1] = in[x * 3 + 1];
      row[x * 3 + 2] = in[x * 3];
    }
  }
  return kOk;
}

}  // namespace orvane
