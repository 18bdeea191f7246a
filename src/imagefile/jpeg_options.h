// The JPEG options' logic without the dialog: size texts, the quality box's corrections, and the
// search for the highest quality that keeps a JPEG below a target size.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace orvane {

class RasterImage;

inline constexpr int kJpegQualityMin = 40;
inline constexpr int kJpegQualityMax = 100;

// bytes in bytes, KB, MB, GB or TB (steps of 1024, taken while the value is above 1000) with the
// given number of decimals: 12000000 -> "11.44 MB".
std::string FormatSize(int64_t bytes, int decimals);

// "Image 3000 x 2000 , uncompressed size 22.89 MB" (four bytes per pixel).
std::string ImageSizeLine(int width, int height);

// The quality box's check on every change: the text's leading integer, taken as unsigned, raised
// to 40 or lowered to 100 (a negative number counts as large). When corrected, *rewrite receives
// the text the box then shows; otherwise it is cleared.
int QualityFromText(const std::string& text, std::string* rewrite);

// Size in bytes of the picture encoded at a quality.
using JpegSizeEstimate = std::function<int64_t(int quality)>;
// Told of every probe after its estimate (the progress window shows it); may be empty.
using QualityProbeReport = std::function<void(int quality)>;

// Bytes of a 24-bit picture encoded as JPEG in memory: baseline, JFIF density 300 x 300 as a
// saved file gets, no EXIF block; every component 1x1 with full chroma (enhanced sampling).
// -1 on failure.
int64_t EstimateJpegSize(const uint8_t* rgb, int width, int height, int quality,
                         bool fullChroma);
// The same for a picture; -1 for an empty picture or one that is not 24 bits.
int64_t EstimateJpegSize(const RasterImage& picture, int quality, bool fullChroma);

// Bisection between lo (small enough) and hi (too large); probes neither end.
int QualitySearch(int lo, int hi, int64_t target, const JpegSizeEstimate& estimate,
                  const QualityProbeReport& report);

// The highest quality in low ... 93 found by the search (99 when low is above 99).
int SuggestQuality(int64_t target, int low, const JpegSizeEstimate& estimate,
                   const QualityProbeReport& report);

}  // namespace orvane
