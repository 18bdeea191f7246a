// The panes' rules without a window: the slider's arithmetic, the popup button's value, the NR
// Options limits and enabling, and the File Properties summary and thumbnail.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/command_table.h"
#include "app/document.h"
#include "app/file_properties_pane.h"
#include "app/nr_options_pane.h"
#include "app/slider_rules.h"
#include "scripted_host.h"

namespace orvane {
namespace {

TEST(SliderRules, KeyboardStepsWrapAround) {
  struct Case {
    int min, max, position, delta, expected;
  } cases[] = {
      {0, 100, 3, -10, 94},     // Page Up from near the bottom
      {0, 100, 100, 1, 0},      // Right from the top
      {0, 100, 0, -1, 100},     // Left from the bottom
      {0, 100, 95, 10, 4},      // Page Down past the top
      {-5, 5, -5, -1, 5},       // a range below zero
      {0, 200, 50, 10, 60},     // inside: no wrap
      {0, 0, 0, 1, 0},          // one position
      {0, 100, 50, 1000, 40},   // a step of many counts
  };
  for (const Case& c : cases) {
    SliderGeometry g{c.min, c.max, 6};
    EXPECT_EQ(g.Wrap(c.position, c.delta), c.expected) << c.position << " + " << c.delta;
  }
}

TEST(SliderRules, GeometryMapsKnobAndMouse) {
  SliderGeometry g{0, 100, 6};
  // w - 2m = 202 pixels over 101 positions: two pixels each.
  EXPECT_EQ(g.KnobX(0, 214), 6);
  EXPECT_EQ(g.KnobX(50, 214), 106);
  EXPECT_EQ(g.KnobX(100, 214), 206);
  EXPECT_EQ(g.PositionAt(106, 214), 50);
  EXPECT_EQ(g.PositionAt(107, 214), 50);
  EXPECT_EQ(g.PositionAt(0, 214), 0);    // left of the margin: truncated toward zero, held
  EXPECT_EQ(g.PositionAt(-40, 214), 0);
  EXPECT_EQ(g.PositionAt(500, 214), 100);
  // A control narrower than its margins still answers inside the range.
  EXPECT_EQ(g.PositionAt(5, 10), 0);
  SliderGeometry offset{400, 800, 6};
  EXPECT_EQ(offset.PositionAt(6, 413), 400);
  EXPECT_EQ(offset.KnobX(400, 413), 6);
}

TEST(SliderRules, LabelWithOffsetAndDivisor) {
  EXPECT_EQ(ValueLabelText(450, 400, 100.0), "0.5");
  EXPECT_EQ(ValueLabelText(0, 400, 100.0), "-4");
  EXPECT_EQ(ValueLabelText(37, 0, 1.0), "37");
  EXPECT_EQ(ValueLabelText(0, 100, 1.0), "-100");
}

TEST(SliderRules, TypedValueIsLimitedWhileTypingAndOnCommit) {
  EXPECT_EQ(LimitTypedSliderText("250", 100), "100");
  EXPECT_EQ(LimitTypedSliderText("-3", 100), "0");
  EXPECT_EQ(LimitTypedSliderText("42", 100), "42");
  EXPECT_EQ(LimitTypedSliderText("", 100), "");
  EXPECT_EQ(TypedSliderPosition("abc", 0, 100), 0);
  EXPECT_EQ(TypedSliderPosition("77", 0, 100), 77);
  EXPECT_EQ(TypedSliderPosition("5", 10, 100), 10);
  EXPECT_EQ(TypedSliderPosition("99999999999", 0, 100), 100);
}

TEST(SliderRules, PopupValueFormula) {
  PopupValueRange r{0.0, 10.0, true, 6, 1.0};
  EXPECT_EQ(r.Text(55), "5");
  EXPECT_EQ(r.PercentOf(5.0), 50);
  EXPECT_EQ(r.PercentOf(-3.0), 0);
  EXPECT_EQ(r.PercentOf(30.0), 100);
  PopupValueRange decimals{0.0, 10.0, false, 6, 1.0};
  EXPECT_EQ(decimals.Text(55), "5.50000");
  PopupValueRange stepped{0.0, 100.0, true, 6, 5.0};
  EXPECT_EQ(stepped.Text(53), "55");
  EXPECT_EQ(stepped.Text(52), "50");
  PopupValueRange empty{3.0, 3.0, true, 6, 1.0};
  EXPECT_EQ(empty.Text(70), "3");
  EXPECT_EQ(empty.PercentOf(3.0), 0);
  EXPECT_EQ(PopupPercentAt(2), 100);
  EXPECT_EQ(PopupPercentAt(0), 100);
  EXPECT_EQ(PopupPercentAt(102), 0);
  EXPECT_EQ(PopupPercentAt(150), 0);
  EXPECT_EQ(PopupRowOf(PopupPercentAt(47)), 47);
}

TEST(NrOptionsRules, BoxesAreLimitedAndReadAsFarAsANumber) {
  struct Case {
    const char* text;
    double value;
    bool limited;
    const char* shown;
  } cases[] = {
      {"150", 100, true, "100"}, {"-2", 0, true, "0"},     {"7.25", 7.25, false, ""},
      {"abc", 0, false, ""},     {"12abc", 12, false, ""}, {"1e9", 100, true, "100"},
  };
  for (const Case& c : cases) {
    const TypedValue v = ReadNoiseBox(c.text);
    EXPECT_DOUBLE_EQ(v.value, c.value) << c.text;
    EXPECT_EQ(v.limited, c.limited) << c.text;
    EXPECT_EQ(v.text, c.shown) << c.text;
  }
  EXPECT_EQ(NoiseSliderPosition(7.25), 72);
  EXPECT_EQ(NoiseSliderPosition(8.5), 85);
  // Levels beyond the slider's 20 (typed, or chosen by Auto) leave it at its end.
  EXPECT_EQ(NoiseSliderPosition(20), kNoiseSliderMax);
  EXPECT_EQ(NoiseSliderPosition(48.5), kNoiseSliderMax);
  EXPECT_EQ(NoiseSliderPosition(100), kNoiseSliderMax);
  EXPECT_EQ(NoiseSliderPosition(-3), 0);
  EXPECT_EQ(NoiseBoxText(NoiseLevelFromSlider(85)), "8.5");
  const TypedValue amount = ReadIntBox("300", 0, 255);
  EXPECT_EQ(amount.value, 255);
  EXPECT_EQ(amount.text, "255");
  EXPECT_EQ(ReadIntBox("101", 0, 100).text, "100");
  EXPECT_EQ(ReadIntBox("-1", 0, 100).text, "0");
  EXPECT_FALSE(ReadIntBox("40", 0, 100).limited);
}

TEST(NrOptionsRules, EnablingFollowsTheConditions) {
  NrOptionsState s;
  s.advancedProcessing = true;
  s.sharpenEdges = true;
  // {level, advanced, sharpen, sharpenBox, thresholdBox}
  EXPECT_EQ(NrEnabling(s, true, false, false), (NrOptionsEnabling{true, true, true, true, false}));
  EXPECT_EQ(NrEnabling(s, true, false, true), (NrOptionsEnabling{true, true, true, true, true}));
  EXPECT_EQ(NrEnabling(s, false, false, true), (NrOptionsEnabling{}));
  EXPECT_EQ(NrEnabling(s, true, true, true), (NrOptionsEnabling{}));
  // Photo mode does not sharpen: its sharpening controls rest.
  EXPECT_EQ(NrEnabling(s, true, false, false, kModePhoto),
            (NrOptionsEnabling{true, true, false, false, false}));
  s.sharpenEdges = false;
  EXPECT_EQ(NrEnabling(s, true, false, false), (NrOptionsEnabling{true, true, true, false, false}));
  s.advancedProcessing = false;
  s.sharpenEdges = true;
  EXPECT_EQ(NrEnabling(s, true, false, true), (NrOptionsEnabling{true, false, false, false, false}));
}

TEST(NrOptionsRules, LoadDefaultAndCopyIntoTheDocument) {
  test::ScriptedHost host;
  MemorySettingsStore settings;
  CHushwickDoc doc(host, settings);
  EditNrSettings(doc, [&](NrSettings& nr) { nr.levels = 4; });
  EditNrSettings(doc, [&](NrSettings& nr) { nr.advancedProcessing = 0; });
  EditNrSettings(doc, [&](NrSettings& nr) { nr.sharpenEdges = 1; });
  EditNrSettings(doc, [&](NrSettings& nr) { nr.sharpenAmount = 30; });
  EditNrSettings(doc, [&](NrSettings& nr) { nr.edgeThreshold = 12; });
  EditNrSettings(doc, [&](NrSettings& nr) { nr.mode = kModePortrait; });
  NrOptionsState s = LoadNrOptions(doc.nrSettings());
  EXPECT_TRUE(s.removeBlockNoise);  // 4 reads as on ...
  int mode = doc.nrSettings().mode;
  ApplyNrDefaults(s, mode);
  EXPECT_EQ(mode, kModeDefault);
  EXPECT_EQ(s.sharpenAmount, 8);
  EXPECT_EQ(s.edgeThreshold, 0);
  EXPECT_FALSE(s.advancedProcessing);  // Default leaves the check boxes
  EXPECT_TRUE(s.sharpenEdges);
  doc.applyNrSettings(CopyNrOptions(s, kModeScanner, doc.nrSettings()));
  EXPECT_EQ(doc.nrSettings().levels, 5);  // ... and is stored back as 5
  EXPECT_EQ(doc.nrSettings().mode, kModeScanner);
  EXPECT_EQ(doc.nrSettings().sharpenAmount, 8);
  EXPECT_EQ(doc.nrSettings().advancedProcessing, 0);
}

TEST(NrOptionsRules, EstimateCommandNeedsAPictureOutsideFullCrop) {
  CommandFacts f;
  EXPECT_FALSE(CommandStateOf(cmd::kEstimateNoise, f).enabled);
  f.hasImage = true;
  EXPECT_TRUE(CommandStateOf(cmd::kEstimateNoise, f).enabled);
  f.fullCropMode = true;
  EXPECT_FALSE(CommandStateOf(cmd::kEstimateNoise, f).enabled);
  f.fullCropMode = false;
  f.busy = true;
  EXPECT_FALSE(CommandStateOf(cmd::kEstimateNoise, f).enabled);
  EXPECT_TRUE(RefusedWhileBusy(cmd::kEstimateNoise));  // the run reads the level
  EXPECT_EQ(AutoNoiseLevel(8.26), 8.3);
  EXPECT_EQ(AutoNoiseLevel(-1), 0.0);
  EXPECT_EQ(AutoNoiseLevel(250), 100.0);
}

TEST(FilePropertiesRules, ThumbnailSize) {
  EXPECT_EQ(NavigatorThumbnailSize(4000, 3000, 174, 115), (ThumbSize{153, 115}));
  EXPECT_EQ(NavigatorThumbnailSize(3000, 1000, 174, 115), (ThumbSize{174, 58}));
  EXPECT_EQ(NavigatorThumbnailSize(0, 1000, 174, 115), (ThumbSize{}));
  EXPECT_EQ(NavigatorThumbnailSize(1, 100000, 174, 115), (ThumbSize{0, 115}));
}

TEST(FilePropertiesRules, ExposureTextForms) {
  EXPECT_EQ(ExposureText(1.0 / 250, 0), "1/250");
  EXPECT_EQ(ExposureText(2.5, 0), "2 \"");
  EXPECT_EQ(ExposureText(1.0, 0), "1/1");
  EXPECT_EQ(ExposureText(0, 1.0 / 60), "1/60");  // the shutter-speed value stands in
  EXPECT_EQ(ExposureText(0, 0), "");
  EXPECT_EQ(ExposureText(-1, 0), "");
}

TEST(FilePropertiesRules, InfoBoxText) {
  RasterImage plain;
  ASSERT_EQ(plain.Create(640, 480, 24), kOk);
  EXPECT_EQ(InfoBoxText(plain), "No EXIF\r\n640 x 480");
  RasterImage camera;
  ASSERT_EQ(camera.Create(4000, 3000, 24), kOk);
  camera.cameraMake = "Kestrel";
  camera.cameraModel = "K-9";
  camera.dateTaken = "2024:05:01 10:00:00";
  camera.isoSpeed = 800;
  camera.exposureTime = 1.0 / 250;
  camera.fNumber = 5.6;
  EXPECT_EQ(InfoBoxText(camera),
            "Kestrel K-9\r\n4000 x 3000\r\n2024:05:01 10:00:00\r\nISO: 800\r\n1/250\r\nF: 5.6\r\n");
  camera.isoSpeed = 0;
  camera.exposureTime = 0;
  camera.fNumber = 0;
  EXPECT_EQ(InfoBoxText(camera), "Kestrel K-9\r\n4000 x 3000\r\n2024:05:01 10:00:00\r\n");
  EXPECT_EQ(CropInfoText(1200, 800), "Crop Image: 1200 x 800");
}

TEST(FilePropertiesRules, StampTellsAnotherPicture) {
  RasterImage a;
  ASSERT_EQ(a.Create(300, 200, 24), kOk);
  std::fill(a.Pixels(), a.Pixels() + 300 * 200 * 3, 10);
  const PictureStamp first = StampOf(a);
  EXPECT_EQ(StampOf(a), first);
  // The same block with other pixels (a picture turned in place) is another picture.
  a.Pixels()[(100 * 300 + 150) * 3] = 200;
  EXPECT_NE(StampOf(a), first);
  RasterImage empty;
  EXPECT_EQ(StampOf(empty), PictureStamp{});
}

TEST(FilePropertiesRules, FrameEnablingAndFractions) {
  const ThumbSize t{153, 115};
  EXPECT_EQ(ScaleToThumbnail({0, 0, 4000, 3000}, 4000, 3000, t), (Rect{0, 0, 153, 115}));
  EXPECT_EQ(ScaleToThumbnail({1000, 1500, 2000, 3000}, 4000, 3000, t), (Rect{38, 57, 76, 115}));
  EXPECT_EQ(ScaleToThumbnail({0, 0, 10, 10}, 0, 0, t), (Rect{}));
  EXPECT_EQ(FilePropertiesEnablingFor(true, ViewTab::kPicture), (FilePropertiesEnabling{true, false, false}));
  EXPECT_EQ(FilePropertiesEnablingFor(false, ViewTab::kPicture), (FilePropertiesEnabling{false, true, true}));
  EXPECT_EQ(FilePropertiesEnablingFor(false, ViewTab::kCurves), (FilePropertiesEnabling{false, false, true}));
  EXPECT_EQ(EnlargeSliderPosition(1.0), 0);
  EXPECT_EQ(EnlargeSliderPosition(2.5), 75);
  const Fraction f = ThumbnailFraction(100, 60, 20, 10, 10, 0, t);
  EXPECT_DOUBLE_EQ(f.x, 70.0 / 153);
  EXPECT_DOUBLE_EQ(f.y, 50.0 / 115);
  EXPECT_EQ(OutputFolderModeAfterBrowse(""), 0);
  EXPECT_EQ(OutputFolderModeAfterBrowse("/tmp"), 1);
}

}  // namespace
}  // namespace orvane
