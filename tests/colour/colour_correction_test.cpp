#include "colour/colour_correction.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/correction_sliders.h"

namespace orvane {
namespace {

std::vector<uint8_t> Ramp(int pixels, int bytesPerPixel) {
  std::vector<uint8_t> out(static_cast<size_t>(pixels) * bytesPerPixel);
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>((i * 37 + 11) % 256);
  return out;
}

TEST(ColourCorrectionChainTest, DefaultsLeaveEveryLayoutUnchanged) {
  ColourParams params;
  for (PixelLayout layout : {PixelLayout::kRgb3, PixelLayout::kRgbx4, PixelLayout::kBgrx4}) {
    auto px = Ramp(64, BytesPerPixel(layout));
    const auto before = px;
    ColourCorrectionChain::Apply(params, px.data(), 8, 8, layout);
    EXPECT_EQ(px, before);
  }
}

TEST(ColourCorrectionChainTest, FullFadeTakesOneOffWhateverTheTables) {
  ColourParams params;
  params.matchMode = MatchMode::kReferenceImage;
  params.matchFade = 255;
  for (int i = 0; i < 256; ++i) {
    params.matchTables.red[i] = 255;
    params.matchTables.green[i] = static_cast<uint8_t>(255 - i);
    params.matchTables.blue[i] = 7;
  }
  for (PixelLayout layout : {PixelLayout::kRgb3, PixelLayout::kRgbx4, PixelLayout::kBgrx4}) {
    const int bpp = BytesPerPixel(layout);
    std::vector<uint8_t> px(256 * bpp);
    for (int i = 0; i < 256; ++i) {
      for (int b = 0; b < bpp; ++b) px[i * bpp + b] = static_cast<uint8_t>(i);
    }
    ColourCorrectionChain::Apply(params, px.data(), 16, 16, layout);
    for (int i = 0; i < 256; ++i) {
      for (int b = 0; b < 3; ++b) EXPECT_EQ(px[i * bpp + b], i == 0 ? 0 : i - 1);
      if (bpp == 4) {
        EXPECT_EQ(px[i * bpp + 3], i) << "fourth byte";
      }
    }
  }
}

TEST(ColourCorrectionChainTest, MatchTablesFollowColoursInEachLayout) {
  ColourParams params;
  params.matchMode = MatchMode::kProfile;
  params.matchFade = 0;
  params.matchTables.red.fill(200);
  params.matchTables.green.fill(100);
  params.matchTables.blue.fill(40);
  // (200 * 255) >> 8 = 199, (100 * 255) >> 8 = 99, (40 * 255) >> 8 = 39
  std::vector<uint8_t> rgb = {1, 2, 3};
  ColourCorrectionChain::Apply(params, rgb.data(), 1, 1, PixelLayout::kRgb3);
  EXPECT_EQ(rgb, (std::vector<uint8_t>{199, 99, 39}));
  std::vector<uint8_t> bgrx = {1, 2, 3, 4};
  ColourCorrectionChain::Apply(params, bgrx.data(), 1, 1, PixelLayout::kBgrx4);
  EXPECT_EQ(bgrx, (std::vector<uint8_t>{39, 99, 199, 4}));
  // A fade outside its range cannot leave the byte range.
  params.matchFade = 1000;
  std::vector<uint8_t> big = {255, 255, 255};
  ColourCorrectionChain::Apply(params, big.data(), 1, 1, PixelLayout::kRgb3);
  EXPECT_EQ(big, (std::vector<uint8_t>{254, 254, 254}));
}

TEST(ColourCorrectionChainTest, BlueGammaActsOnBlueInEveryLayout) {
  ColourParams params;
  params.blueGamma = 0.6f;
  std::vector<uint8_t> rgb = {128, 128, 128};
  ColourCorrectionChain::Apply(params, rgb.data(), 1, 1, PixelLayout::kRgb3);
  EXPECT_EQ(rgb, (std::vector<uint8_t>{128, 128, 81}));
  std::vector<uint8_t> rgbx = {128, 128, 128, 1};
  ColourCorrectionChain::Apply(params, rgbx.data(), 1, 1, PixelLayout::kRgbx4);
  EXPECT_EQ(rgbx, (std::vector<uint8_t>{128, 128, 81, 1}));
  std::vector<uint8_t> bgrx = {128, 128, 128, 1};
  ColourCorrectionChain::Apply(params, bgrx.data(), 1, 1, PixelLayout::kBgrx4);
  EXPECT_EQ(bgrx, (std::vector<uint8_t>{81, 128, 128, 1}));
}

TEST(ColourCorrectionChainTest, ExposureAloneShapesAllChannelsAlike) {
  ColourParams params;
  params.exposureEv = 1.0;
  EXPECT_TRUE(ToneCurveActive(params));
  std::vector<uint8_t> px = {64, 128, 192, 192, 64, 128};
  ColourCorrectionChain::Apply(params, px.data(), 2, 1, PixelLayout::kRgb3);
  EXPECT_EQ(px, (std::vector<uint8_t>{88, 160, 216, 216, 88, 160}));
}

TEST(ColourCorrectionChainTest, OrderIsMatchThenToneThenBoost) {
  ColourParams params;
  params.matchMode = MatchMode::kReferenceImage;
  params.matchFade = 0;
  params.matchTables.red.fill(101);  // (101 * 255) >> 8 = 100
  params.blackPoint = 100;           // 100 -> 0 only if the match ran first
  params.colourBoost = 100;
  std::vector<uint8_t> px = {250, 128, 128};
  ColourCorrectionChain::Apply(params, px.data(), 1, 1, PixelLayout::kRgb3);
  ToneCurve curve;
  curve.SetLevels(1, 100, 255, 0, 255, 1.0);
  const int g = curve.Table(1)[127];  // green went through the identity table first
  // Boost of (0, g, g): o0 = -100 * 2g / 310 -> 0, o1 = (510 g - 100 g) / 310.
  EXPECT_EQ(px[0], 0);
  EXPECT_EQ(px[1], 410 * g / 310);
  EXPECT_EQ(px[2], 410 * g / 310);
}

TEST(ColourCorrectionChainTest, CurvesForDisplayAddTheMatchOffset) {
  ColourParams params;
  params.blueGamma = 0.6f;
  params.matchTables.red[10] = 30;  // +20, drawn even with no match on
  const DisplayCurves curves = CurvesForDisplay(params);
  EXPECT_EQ(curves.red[10], 30);
  EXPECT_EQ(curves.green[128], 128);
  EXPECT_EQ(curves.blue[128], 81);
}

TEST(AutoLevelsTest, GreyAndTinyImages) {
  EXPECT_EQ(LuminanceBin(200, 200, 200), 199);
  EXPECT_EQ(LuminanceBin(1, 1, 1), 0);
  EXPECT_EQ(LuminanceBin(0, 0, 0), 0);
  EXPECT_EQ(LuminanceBin(255, 255, 255), 254);

  std::vector<uint8_t> grey(100 * 100 * 3, 200);
  EXPECT_EQ(AutoLevels(grey.data(), 100, 100), (LevelsResult{199, 217}));

  // Below 102 pixels the low count is 0, so black is always 0; the points are held to 0..N.
  std::vector<uint8_t> tiny(101 * 3, 200);
  EXPECT_EQ(AutoLevels(tiny.data(), 101, 1).black, 0);
  EXPECT_EQ(AutoLevels(tiny.data(), 101, 1).white, 210);  // H held to N = 101, then raised
  EXPECT_EQ(AutoLevels(tiny.data(), 2, 2), (LevelsResult{0, 210}));

  EXPECT_EQ(AutoLevels(nullptr, 0, 0), (LevelsResult{0, 255}));
  EXPECT_EQ(AutoLevels(grey.data(), 0, 10), (LevelsResult{0, 255}));
}

TEST(AutoLevelsTest, SpreadImageFindsBothEnds) {
  // 255 pixels of each grey 1..255: bins 0..254, 255 pixels each.
  std::vector<uint8_t> px;
  for (int v = 1; v <= 255; ++v) {
    for (int n = 0; n < 255; ++n) px.insert(px.end(), {uint8_t(v), uint8_t(v), uint8_t(v)});
  }
  // N = 65025, lowCount = 637 -> third bin (index 2); highCount = 64387 -> bin 252.
  const LevelsResult r = AutoLevels(px.data(), 255, 255);
  EXPECT_EQ(r.black, 2);
  EXPECT_EQ(r.white, 252 + 1);
}

TEST(CorrectionSlidersTest, MappingsAndLabels) {
  ColourParams p;
  ApplySliderPosition(CorrectionSlider::kTemperature, 0, p);
  EXPECT_EQ(p.blueGamma, 0.6f);
  EXPECT_EQ(SliderLabel(CorrectionSlider::kTemperature, 0, p), "-100");
  ApplySliderPosition(CorrectionSlider::kTemperature, 200, p);
  EXPECT_EQ(p.blueGamma, 1.4f);
  EXPECT_EQ(SliderLabel(CorrectionSlider::kTemperature, 200, p), "100");
  ApplySliderPosition(CorrectionSlider::kTemperature, 100, p);
  EXPECT_EQ(p.blueGamma, 1.0f);
  EXPECT_FALSE(ToneCurveActive(p));

  ApplySliderPosition(CorrectionSlider::kExposure, 0, p);
  EXPECT_EQ(p.exposureEv, -4.0);
  EXPECT_EQ(SliderLabel(CorrectionSlider::kExposure, 0, p), "-4.0");
  ApplySliderPosition(CorrectionSlider::kExposure, 450, p);
  EXPECT_DOUBLE_EQ(p.exposureEv, 0.5);
  EXPECT_EQ(SliderLabel(CorrectionSlider::kExposure, 450, p), "0.5");

  ApplySliderPosition(CorrectionSlider::kHighlights, 100, p);
  EXPECT_EQ(p.whitePoint, 155);
  EXPECT_EQ(SliderLabel(CorrectionSlider::kHighlights, 100, p), "100");
  ApplySliderPosition(CorrectionSlider::kShadows, 42, p);
  EXPECT_EQ(p.blackPoint, 42);
  ApplySliderPosition(CorrectionSlider::kBoost, 70, p);
  EXPECT_EQ(p.colourBoost, 70);
  EXPECT_EQ(SliderLabel(CorrectionSlider::kBoost, 70, p), "70");
}

TEST(CorrectionSlidersTest, TemperatureRoundTrip) {
  // (position set, position shown after a refresh, label)
  const struct {
    int set, shown;
    const char* label;
  } cases[] = {{110, 109, "9"}, {200, 199, "99"}, {150, 150, "50"}, {100, 100, "0"},
               {0, 0, "-100"},  {90, 89, "-11"}};
  for (const auto& c : cases) {
    ColourParams p;
    ApplySliderPosition(CorrectionSlider::kTemperature, c.set, p);
    const CorrectionPaneView view = RefreshFromParams(p);
    EXPECT_EQ(view.temperaturePosition, c.shown) << c.set;
    EXPECT_EQ(view.temperatureLabel, c.label) << c.set;
  }
}

TEST(CorrectionSlidersTest, ExposureRoundTripAndOutOfRangeValues) {
  for (int pos = 0; pos <= 800; ++pos) {
    ColourParams p;
    ApplySliderPosition(CorrectionSlider::kExposure, pos, p);
    const int shown = RefreshFromParams(p).exposurePosition;
    // Within rounding of an integer either neighbour is acceptable.
    EXPECT_LE(std::abs(shown - pos), 1) << pos;
  }
  ColourParams p;
  p.blackPoint = 199;  // from AutoLevels, beyond the Shadows slider
  p.whitePoint = 217;
  p.exposureEv = 6.0;
  const CorrectionPaneView view = RefreshFromParams(p);
  EXPECT_EQ(view.shadowsPosition, 100);
  EXPECT_EQ(view.shadowsLabel, "199");
  EXPECT_EQ(view.highlightsPosition, 38);
  EXPECT_EQ(view.highlightsLabel, "38");
  EXPECT_EQ(view.exposurePosition, 800);
  EXPECT_EQ(view.exposureLabel, "6.0");
}

TEST(CorrectionSlidersTest, ResetTimersAndTimerWork) {
  ColourParams p;
  p.blackPoint = 5;
  p.whitePoint = 200;
  p.blueGamma = 0.8f;
  p.exposureEv = 1.0;
  p.colourBoost = 9;
  p.matchMode = MatchMode::kProfile;
  ResetCorrection(p);
  EXPECT_FALSE(ToneCurveActive(p));
  EXPECT_EQ(p.colourBoost, 0);
  EXPECT_EQ(p.matchMode, MatchMode::kProfile);

  EXPECT_EQ(TimerFor(PaneEvent::kSliderMove), (TimerRequest{2, 100}));
  EXPECT_EQ(TimerFor(PaneEvent::kSliderEndScroll), (TimerRequest{1, 100}));
  EXPECT_EQ(TimerFor(PaneEvent::kReset), (TimerRequest{1, 100}));
  EXPECT_EQ(TimerFor(PaneEvent::kAuto), (TimerRequest{1, 20}));

  EXPECT_EQ(CorrectionTimerWork(1, ViewTab::kHistogram, true), TimerWork::kRecomputeHistogram);
  EXPECT_EQ(CorrectionTimerWork(2, ViewTab::kCurves, false), TimerWork::kRedrawViews);
  EXPECT_EQ(CorrectionTimerWork(2, ViewTab::kPicture, true), TimerWork::kRebuildFullCrop);
  EXPECT_EQ(CorrectionTimerWork(1, ViewTab::kPicture, false), TimerWork::kRunNoiseReduction);
  EXPECT_EQ(CorrectionTimerWork(2, ViewTab::kPicture, false), TimerWork::kQuickPreview);
}

}  // namespace
}  // namespace orvane
