// Writes small DNG files for the raw tests: a 16-bit Bayer mosaic with the tags LibRaw needs.
#pragma once

#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvane::testing {

using Scene = std::function<std::array<double, 3>(int x, int y)>;

struct DngOptions {
  int width = 64;
  int height = 48;
  std::array<float, 3> neutral = {1, 1, 1};  // camera response to white, per colour
  int orientation = 1;
  uint16_t black = 64;
  uint32_t white = 16383;
};

// An RGGB mosaic of the scene (linear, 0…1): each photosite sees its colour of the scene scaled by
// the camera's response to white, between the black and white levels.
inline bool WriteDng(const std::string& path, const Scene& scene, const DngOptions& o) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) return false;
  const uint8_t version[4] = {1, 4, 0, 0};
  const uint16_t dims[2] = {2, 2};
  const uint8_t pattern[4] = {0, 1, 1, 2};
  const float matrix[9] = {1.0f, 0, 0, 0, 1.0f, 0, 0, 0, 1.0f};
  const float blackLevel[1] = {static_cast<float>(o.black)};
  const uint32_t whiteLevel[1] = {o.white};
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, o.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, o.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, 32803);  // colour filter array
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, o.height);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, o.orientation);
  TIFFSetField(tif, TIFFTAG_MAKE, "Orvane");
  TIFFSetField(tif, TIFFTAG_MODEL, "Test Sensor");
  TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, dims);
  TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, pattern);
  TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
  TIFFSetField(tif, TIFFTAG_DNGBACKWARDVERSION, version);
  TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Orvane Test Sensor");
  TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, matrix);
  TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, 21);
  TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, o.neutral.data());
  TIFFSetField(tif, TIFFTAG_BLACKLEVEL, 1, blackLevel);
  TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, whiteLevel);
  std::vector<uint16_t> row(o.width);
  bool ok = true;
  for (int y = 0; y < o.height && ok; ++y) {
    for (int x = 0; x < o.width; ++x) {
      const int colour = pattern[(y % 2) * 2 + (x % 2)];
      const double v = std::clamp(scene(x, y)[colour] * o.neutral[colour], 0.0, 1.0);
      row[x] = static_cast<uint16_t>(o.black + v * (o.white - o.black) + 0.5);
    }
    ok = TIFFWriteScanline(tif, row.data(), y, 0) >= 0;
  }
  TIFFClose(tif);
  return ok;
}

}  // namespace orvane::testing
