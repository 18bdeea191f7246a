#include "imagefile/jpeg_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "imagefile/codec/codec.h"
#include "imagefile/raster_image.h"

namespace orvane {

std::string FormatSize(int64_t bytes, int decimals) {
  static constexpr const char* kUnits[] = {" bytes", " KB", " MB", " GB", " TB"};
  double x = static_cast<double>(bytes);
  int i = 0;
  while (x > 1000 && i < 4) {
    x = x * (1.0 / 1024);
    ++i;
  }
  if (decimals < 0) decimals = 0;
  if (decimals > 20) decimals = 20;
  char text[96];
  std::snprintf(text, sizeof text, "%.*f%s", decimals, x, kUnits[i]);
  return text;
}

std::string ImageSizeLine(int width, int height) {
  char text[160];
  const int64_t bytes = static_cast<int64_t>(width) * height * 4;
  std::snprintf(text, sizeof text, "Image %d x %d , uncompressed size %s", width, height,
                FormatSize(bytes, 2).c_str());
  return text;
}

int QualityFromText(const std::string& text, std::string* rewrite) {
  // Leading integer as the box reads it; out-of-range values saturate (and are corrected below).
  const char* s = text.c_str();
  while (*s == ' ' || *s == '\t') ++s;
  char* end = nullptr;
  errno = 0;
  long long value = std::strtoll(s, &end, 10);
  if (end == s) value = 0;
  // Taken as unsigned: a negative number is larger than any positive one.
  const bool negative = value < 0;
  int quality;
  std::string shown;
  if (!negative && value < kJpegQualityMin) {
    quality = kJpegQualityMin;
    shown = "40";
  } else if (negative || value > kJpegQualityMax) {
    quality = kJpegQualityMax;
    shown = "100";
  } else {
    quality = static_cast<int>(value);
  }
  if (rewrite != nullptr) *rewrite = shown;
  return quality;
}

int64_t EstimateJpegSize(const uint8_t* rgb, int width, int height, int quality,
                         bool fullChroma) {
  if (rgb == nullptr || width <= 0 || height <= 0) return -1;
  JpegEncodeOptions options;
  options.quality = quality;
  options.fullChroma = fullChroma;
  // The density a saved file gets from the default save resolution (300 x 300, code 1).
  options.densityX = 300;
  options.densityY = 300;
  options.densityUnit = 1;
  std::vector<uint8_t> out;
  if (EncodeJpeg(rgb, width, height, options, out) != kOk) return -1;
  return static_cast<int64_t>(out.size());
}

int64_t EstimateJpegSize(const RasterImage& picture, int quality, bool fullChroma) {
  // The encoder reads width x height x 3 bytes; a narrower block would be read past its end.
  if (picture.IsEmpty() || picture.BitsPerPixel() != 24) return -1;
  return EstimateJpegSize(picture.Pixels(), picture.Width(), picture.Height(), quality,
                          fullChroma);
}

int QualitySearch(int lo, int hi, int64_t target, const JpegSizeEstimate& estimate,
                  const QualityProbeReport& report) {
  for (;;) {
    if (hi == lo || hi == lo + 1 || hi < lo) return lo;
    const int mid = lo + (hi - lo) / 2;
    const int64_t size = estimate(mid);
    if (report) report(mid);
    if (size == target) return mid;
    const int nextLo = size < target ? mid : lo;
    const int nextHi = size > target ? mid : hi;
    lo = nextLo;
    hi = nextHi;
  }
}

int SuggestQuality(int64_t target, int low, const JpegSizeEstimate& estimate,
                   const QualityProbeReport& report) {
  if (low > 99) return 99;
  if (low >= 93) return low;
  int r = QualitySearch(low, 93, target, estimate, report);
  if (r < low) r = low;
  if (r > 93) r = 93;
  return r;
}

}  // namespace orvane
