// Three 256-entry lookup tables built from the tone parameters, and the colour boost.
// A ToneCurve is made fresh for each job: skipped SetLevels calls rely on the identity.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace orvane {

class ToneCurve {
 public:
  ToneCurve();
  ToneCurve(const ToneCurve&) = delete;
  ToneCurve& operator=(const ToneCurve&) = delete;

  // Rebuilds table k (0..2; other values are ignored). Neutral arguments (0, 255, 0, 255, 1.0)
  // leave the table exactly as it is.
  void SetLevels(int k, int inLow, int inHigh, int outLow, int outHigh, double gamma);

  // Bends all three tables: +-2 EV is one whole brightening/darkening curve, +-4 two.
  void ApplyExposure(double ev);

  // Byte k of every pixel goes through table k. Rows are packed (stride = width * 3 or 4);
  // the fourth byte is left alone.
  void ApplyPacked3(uint8_t* pixels, int width, int height) const;
  void ApplyPacked4(uint8_t* pixels, int width, int height) const;

  // Saturation: each channel's distance from the pixel mean is scaled by
  // (510 + amount) / (510 - 2 * amount). Greys stay as they are. bytesPerPixel is 3 or 4.
  static void BoostColours(uint8_t* pixels, int width, int height, int amount, int bytesPerPixel);

  // The 256 entries of table k; empty for an index outside 0..2.
  std::span<const int32_t> Table(int k) const;

 private:
  void ApplyPacked(uint8_t* pixels, int width, int height, int bytesPerPixel) const;

  std::array<std::array<int32_t, 256>, 3> tables_;
};

// Integer steps of the exposure curve; exposed for the Curves display and tests.
int BrightenStep(int v);
int DarkenStep(int v);

}  // namespace orvane
