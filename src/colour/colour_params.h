// The colour parameters a document hands to the colour tools: tone, temperature, boost and the
// colour-match fields. A plain record, so that the colour code never needs the document itself.
#pragma once

#include <array>
#include <cstdint>

namespace orvane {

// Source value to matched value, one table per colour.
struct MatchTables {
  std::array<uint8_t, 256> red{};
  std::array<uint8_t, 256> green{};
  std::array<uint8_t, 256> blue{};

  MatchTables() { ResetToIdentity(); }
  void ResetToIdentity() {
    for (int i = 0; i < 256; ++i) {
      red[i] = green[i] = blue[i] = static_cast<uint8_t>(i);
    }
  }
  bool operator==(const MatchTables&) const = default;
};

// Which colour match is on.
enum class MatchMode : int { kNone = 0, kReferenceImage = 1, kProfile = 2 };

struct ColourParams {
  int blackPoint = 0;       // input level mapped to 0
  int whitePoint = 255;     // input level mapped to 255
  float blueGamma = 1.0f;   // colour temperature; single precision on purpose, see the sliders
  double exposureEv = 0.0;  // -4 .. +4
  int colourBoost = 0;      // 0 .. 100
  MatchMode matchMode = MatchMode::kNone;
  int matchFade = 0;        // 0 full match .. 255 almost none
  MatchTables matchTables;

  // What a new image does to the record: the levels and the match switch go, the rest stays.
  void ResetForNewImage() {
    blackPoint = 0;
    whitePoint = 255;
    matchMode = MatchMode::kNone;
    matchFade = 0;
  }
};


}  // namespace orvane
