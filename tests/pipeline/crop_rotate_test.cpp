#include "pipeline/crop_rotate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/worker_pool.h"

namespace orvane {
namespace {

TEST(CropRect, PresetsOrientationEnlargeAndOffsets) {
  struct Case {
    const char* name;
    int w, h, preset;
    double enlarge;
    bool swap;
    int offX, offY;
    CropRectangle expected;
    int expectedOffX, expectedOffY;
  };
  const Case cases[] = {
      {"3:2 landscape", 4000, 3000, 2, 1.0, false, 0, 0, {0, 0, 4000, 2667}, 0, 0},
      {"square falls back to the height", 3000, 2000, 0, 1.0, false, 0, 0, {0, 0, 2000, 2000}, 0, 0},
      {"3:1 portrait", 2000, 3000, 1, 1.0, false, 0, 0, {0, 0, 1000, 3000}, 0, 0},
      {"swapped to portrait", 4000, 3000, 2, 1.0, true, 0, 0, {0, 0, 2000, 3000}, 0, 0},
      {"keep, whole picture", 4000, 3000, 8, 1.0, false, 0, 0, {0, 0, 4000, 3000}, 0, 0},
      {"keep, portrait picture", 1997, 3001, 8, 1.0, false, 0, 0, {0, 0, 1997, 3001}, 0, 0},
      {"enlarged, offsets clamped", 4000, 3000, 8, 2.0, false, 3000, 3000, {2000, 1500, 4000, 3000}, 2000, 1500},
      {"negative offsets", 4000, 3000, 8, 2.0, false, -5, -1, {0, 0, 2000, 1500}, 0, 0},
      {"unknown preset is 3:2", 4000, 3000, 42, 1.0, false, 10, 20, {0, 20, 4000, 2687}, 0, 20},
      {"16:9 swapped", 3000, 4000, 7, 1.0, true, 0, 0, {0, 0, 3000, 1688}, 0, 0},
  };
  for (const Case& c : cases) {
    int offX = c.offX, offY = c.offY;
    EXPECT_EQ(ComputeCropRect(c.w, c.h, c.preset, c.enlarge, c.swap, offX, offY), c.expected) << c.name;
    EXPECT_EQ(offX, c.expectedOffX) << c.name;
    EXPECT_EQ(offY, c.expectedOffY) << c.name;
  }
}

TEST(CropRect, PresetNames) {
  EXPECT_STREQ(CropPresetName(0), "Square (1:1)");
  EXPECT_STREQ(CropPresetName(6), "A4 (11.75:8.25)");
  EXPECT_STREQ(CropPresetName(8), "Do not change");
  EXPECT_STREQ(CropPresetName(9), "");
}

TEST(Enlarge, StepsEndExactlyAtTheLimits) {
  double e = 1.0;
  int steps = 0;
  while (e < kEnlargeMax && steps < 100) e = ZoomIn(e), ++steps;
  EXPECT_EQ(e, 3.0);
  EXPECT_LE(steps, 41);
  EXPECT_EQ(ZoomIn(e), 3.0);
  steps = 0;
  while (e > kEnlargeMin && steps < 100) e = ZoomOut(e), ++steps;
  EXPECT_EQ(e, 1.0);
  EXPECT_LE(steps, 41);
  EXPECT_EQ(ZoomOut(1.0), 1.0);

  EXPECT_DOUBLE_EQ(WheelEnlarge(2.0, 120, false), 2.05);
  EXPECT_DOUBLE_EQ(WheelEnlarge(2.0, -120, false), 1.95);
  EXPECT_EQ(WheelEnlarge(2.0, 0, false), 2.0);
  EXPECT_EQ(WheelEnlarge(2.5, 120, true), 1.0);
  EXPECT_EQ(EnlargeFromSlider(0), 1.0);
  EXPECT_EQ(EnlargeFromSlider(100), 3.0);
  EXPECT_EQ(SliderFromEnlarge(1.5), 25);
  EXPECT_EQ(SliderFromEnlarge(1.0), 0);
}

TEST(Pan, ScaleFollowsTheFittedCropAndCarriesFractions) {
  // A 2000 x 1500 crop in an 840 x 640 client: f = 800 (800 / 1.333 = 600 <= 600), 2.5 source
  // pixels per screen pixel.
  const CropRectangle crop{0, 0, 2000, 1500};
  PanRemainder rest;
  int offX = 1000, offY = 1000;
  PanCrop(crop, 840, 640, 1, -3, rest, offX, offY);
  EXPECT_EQ(offX, 998);   // 2.5 -> 2, 0.5 kept
  EXPECT_EQ(offY, 1007);  // -7.5 -> -7, -0.5 kept
  PanCrop(crop, 840, 640, 1, -3, rest, offX, offY);
  EXPECT_EQ(offX, 995);   // 2.5 + 0.5 = 3
  EXPECT_EQ(offY, 1015);  // -7.5 - 0.5 = -8
  // A client that is too short: f = trunc(1.333 x 300) = 400, 5 source pixels per screen pixel.
  PanRemainder fresh;
  offX = offY = 0;
  PanCrop(crop, 840, 340, -2, 0, fresh, offX, offY);
  EXPECT_EQ(offX, 10);
  // Too small to show anything, or an empty crop: nothing moves.
  PanCrop(crop, 30, 30, 5, 5, fresh, offX, offY);
  PanCrop(CropRectangle{}, 840, 640, 5, 5, fresh, offX, offY);
  EXPECT_EQ(offX, 10);
  EXPECT_EQ(offY, 0);
}

std::vector<uint8_t> Numbered(int w, int h) {
  std::vector<uint8_t> p(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* px = &p[(static_cast<size_t>(y) * w + x) * 3];
      px[0] = static_cast<uint8_t>(x);
      px[1] = static_cast<uint8_t>(y);
      px[2] = static_cast<uint8_t>(x * 7 + y);
    }
  return p;
}

TEST(Crop, CopiesTheRectangleAndBlackOutside) {
  const auto src = Numbered(5, 4);
  std::vector<uint8_t> out(3 * 3 * 3, 99);
  CropPixels(src.data(), 5, 4, CropRectangle{3, 2, 6, 5}, out.data());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) {
      const uint8_t* px = &out[(y * 3 + x) * 3];
      const bool inside = 3 + x < 5 && 2 + y < 4;
      EXPECT_EQ(px[0], inside ? 3 + x : 0);
      EXPECT_EQ(px[1], inside ? 2 + y : 0);
    }
}

TEST(Rotate, BothWaysAndBack) {
  const int w = 37, h = 23;
  const auto src = Numbered(w, h);
  std::vector<uint8_t> cw(src.size()), ccw(src.size()), back(src.size());
  WorkerPool pool(3);
  RotatePixels(src.data(), w, h, true, cw.data(), &pool);
  // Former top-left pixel at the top-right of the h-wide result.
  EXPECT_EQ(cw[(h - 1) * 3 + 0], 0);
  EXPECT_EQ(cw[(h - 1) * 3 + 1], 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* s = &src[(y * w + x) * 3];
      ASSERT_EQ(0, std::memcmp(s, &cw[(x * h + (h - 1 - y)) * 3], 3));
    }
  RotatePixels(src.data(), w, h, false, ccw.data());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(0, std::memcmp(&src[(y * w + x) * 3], &ccw[((w - 1 - x) * h + y) * 3], 3));
  RotatePixels(cw.data(), h, w, false, back.data(), &pool);
  EXPECT_EQ(back, src);
}

}  // namespace
}  // namespace orvane
