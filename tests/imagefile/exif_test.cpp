#include <gtest/gtest.h>

#include "fixtures.h"
#include "imagefile/exif.h"
#include "imagefile/raster_image.h"

namespace orvane {
namespace {

using B = test::ExifBuilder;

TEST(Exif, TextFormsAndSearchOrder) {
  for (bool big : {false, true}) {
    const std::vector<uint8_t> payload = B(big)
                                             .Ascii(B::kIfd0, kTagMake, "Quillcam")
                                             .Short(B::kIfd0, kTagOrientation, {6})
                                             .Rational(B::kExif, kTagExposureTime, 1, 250)
                                             .SRational(B::kExif, kTagShutterSpeedValue, -3, 1)
                                             .Short(B::kExif, kTagIsoSpeedRatings, {200, 400})
                                             .Rational(B::kIfd1, 282, 3000000000u, 1)
                                             .Ascii(B::kIfd1, kTagModel, "thumbnail model")
                                             .Ascii(B::kIfd1, kTagMake, "not this one")
                                             .Build();
    ExifReader reader;
    ASSERT_TRUE(reader.Open(payload));
    EXPECT_EQ(reader.TagText(kTagMake), "Quillcam");  // IFD0 answers before IFD1
    EXPECT_EQ(reader.TagText(kTagModel), "thumbnail model");  // only in IFD1
    EXPECT_EQ(reader.TagText(kTagOrientation), "6");
    EXPECT_EQ(reader.TagText(kTagExposureTime), "1/250");
    EXPECT_EQ(reader.TagText(kTagShutterSpeedValue), "-3/1");
    EXPECT_EQ(reader.TagText(kTagIsoSpeedRatings), "200, 400");
    EXPECT_EQ(reader.TagText(282), "3000000000/1");  // unsigned, not wrapped
    EXPECT_FALSE(reader.TagText(kTagFNumber).has_value());
  }
}

TEST(Exif, RationalRules) {
  struct Case {
    const char* text;
    double value;  // -1: none
  } cases[] = {{"1/250", 0.004}, {"10/1", 10}, {"0/0", -1}, {"5/-2", -1}, {"/5", -1},
               {"28", -1},       {"28/10", 2.8}, {" 7/2", 3.5}};
  for (const Case& c : cases) {
    const std::optional<double> v = ParseRational(c.text);
    if (c.value < 0) {
      EXPECT_FALSE(v.has_value()) << c.text;
    } else {
      ASSERT_TRUE(v.has_value()) << c.text;
      EXPECT_DOUBLE_EQ(*v, c.value) << c.text;
    }
  }
  EXPECT_EQ(LeadingInteger("400, 400"), 400);
  EXPECT_EQ(LeadingInteger("x"), 0);
  EXPECT_EQ(LeadingInteger("-12abc"), -12);
}

TEST(Exif, ShutterSteps) {
  struct Case {
    double apex, seconds;
  } cases[] = {{-5, 30},          {-4, 15},         {-3, 8},           {-0.5, 2},
               {0, 1},            {1, 0.5},         {6.64, 1.0 / 60},  {7.9, 1.0 / 125},
               {10.99, 1.0 / 1000}, {11, 1.0 / 2000}, {40, 1.0 / 2000}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(ShutterStep(c.apex), c.seconds) << c.apex;
}

TEST(Exif, CameraFields) {
  RasterImage image;
  image.ReadCameraInfo(B()
                           .Ascii(B::kIfd0, kTagMake, "Quillcam")
                           .Ascii(B::kIfd0, kTagModel, "Q-1")
                           .Ascii(B::kIfd0, kTagDateTime, "2024:01:02 03:04:05")
                           .Short(B::kIfd0, kTagOrientation, {8})
                           .Rational(B::kExif, kTagExposureTime, 10, 1)
                           .SRational(B::kExif, kTagShutterSpeedValue, 664, 100)
                           .Rational(B::kExif, kTagFNumber, 28, 10)
                           .Short(B::kExif, kTagIsoSpeedRatings, {800})
                           .Build());
  EXPECT_EQ(image.cameraMake, "Quillcam");
  EXPECT_EQ(image.cameraModel, "Q-1");
  EXPECT_EQ(image.dateTaken, "2024:01:02 03:04:05");  // DateTime when there is no original
  EXPECT_EQ(image.orientation, 8);
  EXPECT_DOUBLE_EQ(image.exposureTime, 10);
  EXPECT_DOUBLE_EQ(image.shutterTime, 1.0 / 60);
  EXPECT_DOUBLE_EQ(image.fNumber, 2.8);
  EXPECT_EQ(image.isoSpeed, 800);

  RasterImage other;
  other.ReadCameraInfo(B()
                           .Ascii(B::kIfd0, kTagDateTime, "2024:01:02 03:04:05")
                           .Ascii(B::kExif, kTagDateTimeOriginal, "2020:05:06 07:08:09")
                           .Rational(B::kExif, kTagExposureTime, 0, 0)
                           .SRational(B::kExif, kTagShutterSpeedValue, 5, 0)
                           .Short(B::kIfd0, kTagOrientation, {42})
                           .Build());
  EXPECT_EQ(other.dateTaken, "2020:05:06 07:08:09");
  EXPECT_EQ(other.exposureTime, 0);
  EXPECT_DOUBLE_EQ(other.shutterTime, 0.5);  // zero denominator counts as v = 1
  EXPECT_EQ(other.orientation, 1);           // not one of the eight orientations
  EXPECT_EQ(other.isoSpeed, 0);
}

TEST(Exif, DamagedBlocksGiveNoFieldsAndNoCrash) {
  const std::vector<uint8_t> good = B().Ascii(B::kIfd0, kTagMake, "Quillcam").Build();
  std::vector<std::vector<uint8_t>> damaged = {
      {},
      {'E', 'x', 'i', 'f'},
      {'E', 'x', 'i', 'f', 0, 0},
      {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F},  // IFD far outside
      std::vector<uint8_t>(good.begin(), good.begin() + 20),                // truncated
  };
  // An IFD0 whose next-IFD offset points back at itself.
  std::vector<uint8_t> loop = good;
  const size_t next = 6 + 8 + 2 + 12;
  loop[next] = 8;
  loop[next + 1] = loop[next + 2] = loop[next + 3] = 0;
  damaged.push_back(loop);
  // Every entry count byte turned huge.
  std::vector<uint8_t> count = good;
  count[6 + 8] = 0xFF;
  count[6 + 9] = 0xFF;
  damaged.push_back(count);
  for (size_t i = 0; i < damaged.size(); ++i) {
    RasterImage image;
    image.ReadCameraInfo(damaged[i]);
    EXPECT_EQ(image.orientation, 1) << i;
    EXPECT_EQ(image.isoSpeed, 0) << i;
  }
  // Flipping any single byte must never crash the reader.
  for (size_t i = 6; i < good.size(); ++i) {
    for (uint8_t v : {uint8_t{0}, uint8_t{0xFF}}) {
      std::vector<uint8_t> bad = good;
      bad[i] = v;
      RasterImage image;
      image.ReadCameraInfo(bad);
    }
  }
}

}  // namespace
}  // namespace orvane
