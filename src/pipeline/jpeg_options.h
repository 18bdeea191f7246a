// The JPEG options' logic without the dialog: size texts, the quality box's corrections, and the
// search for the highest quality that keeps a JPEG below a target size.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace orvane {

class ProgressWindow;
class UiHost;

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

// Bisection between lo (small enough) and hi (too large); probes neither end. Each probe shows
// "Quality Probe: %d" and moves the progress window when there is one.
int QualitySearch(int lo, int hi, int64_t target, const JpegSizeEstimate& estimate,
                  ProgressWindow* progress);

// The highest quality in low ... 93 found by the search (99 when low is above 99).
int SuggestQuality(int64_t target, int low, const JpegSizeEstimate& estimate,
                   ProgressWindow* progress);

// The "Suggest Quality" button: a progress window over 60 ... 100 and the search from 60; returns
// the quality to show, one below the search's result.
int SuggestQualityWithProgress(UiHost& host, int64_t target, const JpegSizeEstimate& estimate);

}  // namespace orvane
