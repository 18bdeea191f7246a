#include <gtest/gtest.h>

#include <cstdlib>

#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "fixtures.h"
#include "hostile_fixtures.h"
#include "imagefile/codec/codec.h"
#include "imagefile/exif.h"

namespace orvane {
namespace {

using B = test::ExifBuilder;

// Encodes raw samples with libjpeg directly, for colour spaces our writer never produces.
std::vector<uint8_t> EncodeRaw(const std::vector<uint8_t>& samples, int w, int h, int components,
                               J_COLOR_SPACE in, J_COLOR_SPACE stored, bool adobe) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = components;
  c.in_color_space = in;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, stored);
  c.write_Adobe_marker = adobe ? TRUE : FALSE;
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(samples.data() + c.next_scanline * w * components);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&c);
  std::free(buffer);
  return out;
}

// Inserts an APP1 marker right after SOI.
std::vector<uint8_t> WithApp1(std::vector<uint8_t> jpeg, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> marker = {0xFF, 0xE1, static_cast<uint8_t>((payload.size() + 2) >> 8),
                                 static_cast<uint8_t>(payload.size() + 2)};
  marker.insert(marker.end(), payload.begin(), payload.end());
  jpeg.insert(jpeg.begin() + 2, marker.begin(), marker.end());
  return jpeg;
}

int ReadInto(const std::vector<uint8_t>& file, RasterImage& image, const std::string& name = "x.jpg") {
  test::TempDir dir;
  const std::string path = dir.File(name);
  test::WriteBytes(path, file);
  return image.Load(path);
}

TEST(Jpeg, RoundTripKeepsPixelsAndResolution) {
  RasterImage source;
  test::MakeRamp(source, 37, 21);
  source.jpegQuality = 100;
  std::vector<uint8_t> bytes;
  ASSERT_EQ(WriteJpeg(source, bytes), kOk);
  RasterImage back;
  ASSERT_EQ(ReadInto(bytes, back), kOk);
  EXPECT_EQ(back.fileType, ImageFileType::JpegRgb);
  EXPECT_EQ(back.BitsPerPixel(), 24);
  EXPECT_LE(test::MaxDifference(source, back), 6);
  EXPECT_EQ(back.originalWidth, 37);
  EXPECT_EQ(back.originalHeight, 21);
  // The default save resolution is written as 300 x 300 per inch.
  EXPECT_EQ(back.resolutionX, 300u);
  EXPECT_EQ(back.resolutionY, 300u);
  EXPECT_EQ(back.resolutionUnit, 2u);
  EXPECT_EQ(back.saveResolutionUnit, 2);
  EXPECT_TRUE(back.exifBlock.empty());
}

// A photograph-sized file: the pages of the rows to come are faulted in on another core while
// the decoder works. The pixels are those of a decode on one core, and a file cut short in the
// middle still ends as damage (the helper is stopped before the rows' memory goes).
TEST(Jpeg, LargePictureSameOnOneCoreAndCutShortIsDamage) {
  RasterImage source;
  ASSERT_EQ(source.Create(2400, 1600, 24), kOk);
  uint32_t seed = 11;
  for (size_t i = 0; i < RasterImage::ImageBytes(2400, 1600, 24); ++i) {
    seed = seed * 1664525u + 1013904223u;
    source.Pixels()[i] = static_cast<uint8_t>((i / 3 % 2400) / 10 + (seed >> 28));
  }
  std::vector<uint8_t> bytes;
  ASSERT_EQ(WriteJpeg(source, bytes), kOk);
  RasterImage everyCore, oneCore;
  ASSERT_EQ(ReadImage(bytes, ImageFileType::JpegRgb, 0, everyCore), kOk);
  setenv("ORVANE_THREADS", "1", 1);
  ASSERT_EQ(ReadImage(bytes, ImageFileType::JpegRgb, 0, oneCore), kOk);
  unsetenv("ORVANE_THREADS");
  EXPECT_EQ(test::MaxDifference(everyCore, oneCore), 0);
  for (const double share : {0.3, 0.7, 0.95}) {
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() * share));
    RasterImage image;
    EXPECT_EQ(ReadImage(cut, ImageFileType::JpegRgb, 0, image), kBadFile) << share;
    EXPECT_TRUE(image.IsEmpty()) << share;
  }
}

TEST(Jpeg, ResolutionUnits) {
  // Save resolution unit -> JFIF unit written -> resolution unit read back.
  struct Case {
    int saveUnit, jfifUnit;
    uint32_t readUnit;
  } cases[] = {{1, 1, 2}, {2, 1, 2}, {3, 2, 3}};
  for (const Case& c : cases) {
    RasterImage image;
    test::MakeRamp(image, 8, 8);
    image.saveResolutionX = 120;
    image.saveResolutionY = 60;
    image.saveResolutionUnit = c.saveUnit;
    std::vector<uint8_t> bytes;
    ASSERT_EQ(WriteJpeg(image, bytes), kOk);
    ASSERT_GT(bytes.size(), 20u);
    EXPECT_EQ(bytes[13], c.jfifUnit);  // APP0 JFIF: unit byte after "JFIF\0" and the version
    RasterImage back;
    ASSERT_EQ(ReadInto(bytes, back), kOk);
    EXPECT_EQ(back.resolutionX, 120u);
    EXPECT_EQ(back.resolutionY, 60u);
    EXPECT_EQ(back.resolutionUnit, c.readUnit);
  }
  // JFIF unit 0 (aspect ratio only) reads as unit 1.
  RasterImage image;
  test::MakeRamp(image, 8, 8);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(WriteJpeg(image, bytes), kOk);
  bytes[13] = 0;
  RasterImage back;
  ASSERT_EQ(ReadInto(bytes, back), kOk);
  EXPECT_EQ(back.resolutionUnit, 1u);
}

TEST(Jpeg, ScaledDecodeFromTheSizeHint) {
  RasterImage source;
  test::MakeRamp(source, 800, 600);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(WriteJpeg(source, bytes), kOk);
  struct Case {
    int hintW, hintH, width, height;
  } cases[] = {
      {80, 60, 100, 75},    // below 1/8 in both directions
      {120, 80, 200, 150},  // 1/4
      {300, 200, 400, 300}, // 1/2
      {500, 20, 800, 600},  // wide hint: full size
      {0, 60, 800, 600},    // no hint
  };
  for (const Case& c : cases) {
    RasterImage image;
    image.SetDecodeSizeHint(c.hintW, c.hintH);
    ASSERT_EQ(ReadInto(bytes, image), kOk);
    EXPECT_EQ(image.Width(), c.width) << c.hintW << "x" << c.hintH;
    EXPECT_EQ(image.Height(), c.height);
    EXPECT_EQ(image.originalWidth, 800);
    EXPECT_EQ(image.originalHeight, 600);
  }
  // A grey file is scaled the same way and still knows its full size.
  const std::vector<uint8_t> grey =
      EncodeRaw(std::vector<uint8_t>(800 * 600, 90), 800, 600, 1, JCS_GRAYSCALE, JCS_GRAYSCALE, false);
  RasterImage image;
  image.SetDecodeSizeHint(80, 60);
  ASSERT_EQ(ReadInto(grey, image), kOk);
  EXPECT_EQ(image.fileType, ImageFileType::JpegGrey);
  EXPECT_EQ(image.Width(), 100);
  EXPECT_EQ(image.originalWidth, 800);
  EXPECT_EQ(image.originalHeight, 600);
}

TEST(Jpeg, OrientationSixTurnsUprightAndSavesBackInCameraOrientation) {
  RasterImage camera;
  test::MakeQuadrants(camera, 40, 24);
  camera.jpegQuality = 95;
  const std::vector<uint8_t> exif = B()
                                        .Ascii(B::kIfd0, kTagMake, "Quillcam")
                                        .Short(B::kIfd0, kTagOrientation, {6})
                                        .Build();
  std::vector<uint8_t> plain;
  ASSERT_EQ(WriteJpeg(camera, plain), kOk);
  const std::vector<uint8_t> file = WithApp1(plain, exif);

  RasterImage image;
  ASSERT_EQ(ReadInto(file, image), kOk);
  EXPECT_EQ(image.orientation, 6);
  EXPECT_EQ(image.Width(), 24);
  EXPECT_EQ(image.Height(), 40);
  EXPECT_EQ(image.originalWidth, 24);
  EXPECT_EQ(image.originalHeight, 40);
  EXPECT_EQ(image.cameraMake, "Quillcam");
  EXPECT_EQ(image.exifBlock, exif);
  // Turned 90° clockwise: the top-left of the upright picture is the stored bottom-left.
  RasterImage expected;
  expected.CopyFrom(camera);
  {
    PixelBlock block = expected.DetachPixels();
    int w = 40, h = 24;
    ASSERT_EQ(ApplyOrientation(block, w, h, 6), kOk);
    expected.AdoptPixels(std::move(block), w, h, 24, false);
  }
  EXPECT_LE(test::MaxDifference(expected, image), 12);

  // Saved again: the same EXIF block, the pixels back in the stored orientation.
  test::TempDir dir;
  const std::string out = dir.File("out.jpg");
  image.jpegQuality = 95;
  ASSERT_EQ(image.Save(out), kOk);
  RasterImage stored;
  ASSERT_EQ(stored.Load(out, ImageFileType::JpegRgb), kOk);
  EXPECT_EQ(stored.exifBlock, exif);
  EXPECT_EQ(stored.Width(), 24);  // read upright again
  // Decoding without EXIF handling shows the camera's own orientation.
  std::vector<uint8_t> saved = test::ReadBytes(out);
  RasterImage raw;
  raw.orientation = 1;
  ASSERT_EQ(ReadImage(saved, ImageFileType::JpegRgb, 0, raw), kOk);
  // Reading orients by the tag too; undo it to look at the stored pixels.
  PixelBlock storedPixels;
  ASSERT_EQ(UndoOrientation(raw.Width(), raw.Height(), raw.Pixels(), 6, storedPixels), kOk);
  RasterImage storedImage;
  storedImage.AdoptPixels(std::move(storedPixels), 40, 24, 24, false);
  EXPECT_LE(test::MaxDifference(camera, storedImage), 16);
}

TEST(Jpeg, LastExifSegmentKeptOthersIgnored) {
  RasterImage source;
  test::MakeRamp(source, 16, 16);
  std::vector<uint8_t> plain;
  ASSERT_EQ(WriteJpeg(source, plain), kOk);
  const std::vector<uint8_t> first = B().Ascii(B::kIfd0, kTagMake, "First").Build();
  const std::vector<uint8_t> second = B().Ascii(B::kIfd0, kTagMake, "Second").Build();
  const std::vector<uint8_t> xmp = {'h', 't', 't', 'p', ':', '/', '/'};
  const std::vector<uint8_t> shortExif = {'E', 'x', 'i', 'f'};
  // Insertion puts each new marker first: the file order is first, second, xmp, short.
  std::vector<uint8_t> file = WithApp1(WithApp1(WithApp1(WithApp1(plain, shortExif), xmp), second), first);
  RasterImage image;
  ASSERT_EQ(ReadInto(file, image), kOk);
  EXPECT_EQ(image.exifBlock, second);
  EXPECT_EQ(image.cameraMake, "Second");  // the camera fields come from the kept segment
}

// The orientation that turns the picture is the one written back: one segment decides both.
TEST(Jpeg, TwoExifSegmentsOneTruth) {
  RasterImage source;
  test::MakeRamp(source, 40, 24);
  std::vector<uint8_t> plain;
  ASSERT_EQ(WriteJpeg(source, plain), kOk);
  const std::vector<uint8_t> six = B().Short(B::kIfd0, kTagOrientation, {6}).Build();
  const std::vector<uint8_t> three = B().Short(B::kIfd0, kTagOrientation, {3}).Build();
  RasterImage image;
  ASSERT_EQ(ReadInto(WithApp1(WithApp1(plain, three), six), image), kOk);  // 6, then 3
  EXPECT_EQ(image.orientation, 3);
  EXPECT_EQ(image.Width(), 40);  // turned by 180 degrees, not by 90
  EXPECT_EQ(image.exifBlock, three);

  // A block split over two segments (an editor's way past 64 KB): neither piece is taken for
  // a whole block, the one that parses is kept.
  std::vector<uint8_t> whole = B().Ascii(B::kIfd0, kTagMake, "Split").Short(B::kIfd0, kTagOrientation, {1}).Build();
  const std::vector<uint8_t> tail = {'E', 'x', 'i', 'f', 0, 0, 0x11};
  ASSERT_EQ(ReadInto(WithApp1(WithApp1(plain, tail), whole), image), kOk);
  EXPECT_EQ(image.exifBlock, whole);
  EXPECT_EQ(image.cameraMake, "Split");
  ASSERT_EQ(ReadInto(WithApp1(plain, tail), image), kOk);
  EXPECT_TRUE(image.exifBlock.empty());

  // Over 64 KB: a full segment, then "Exif\0\0" and the rest. The pieces are joined.
  const std::vector<uint8_t> large =
      B().Ascii(B::kIfd0, kTagModel, std::string(70000, 'm')).Ascii(B::kIfd0, kTagMake, "Large").Build();
  ASSERT_GT(large.size(), 65533u);
  const std::vector<uint8_t> head(large.begin(), large.begin() + 65533);
  std::vector<uint8_t> rest = {'E', 'x', 'i', 'f', 0, 0};
  rest.insert(rest.end(), large.begin() + 65533, large.end());
  ASSERT_EQ(ReadInto(WithApp1(WithApp1(plain, rest), head), image), kOk);
  EXPECT_EQ(image.exifBlock, large);
  EXPECT_EQ(image.cameraMake, "Large");
  EXPECT_EQ(image.cameraModel.size(), 70000u);
}

// A block that does not parse is never written: the picture is saved without it, upright.
TEST(Jpeg, WriterDropsBlocksThatDoNotParse) {
  RasterImage image;
  test::MakeRamp(image, 40, 24);
  image.exifBlock = {'E', 'x', 'i', 'f', 0, 0, 0x11};
  image.orientation = 6;
  std::vector<uint8_t> out;
  EXPECT_EQ(WriteJpeg(image, out), kSavedWithoutExif);
  RasterImage back;
  ASSERT_EQ(ReadInto(out, back), kOk);
  EXPECT_TRUE(back.exifBlock.empty());
  EXPECT_EQ(back.Width(), 40);
  image.exifBlock = B().Short(B::kIfd0, kTagOrientation, {1}).Build();
  EXPECT_EQ(WriteJpeg(image, out), kOk);
}

TEST(Jpeg, ColourSpaces) {
  const int w = 16, h = 8;
  struct Case {
    const char* name;
    int components;
    J_COLOR_SPACE in, stored;
    bool adobe;
    std::vector<uint8_t> sample;  // one pixel, repeated
    uint8_t r, g, b;
  } cases[] = {
      {"grey", 1, JCS_GRAYSCALE, JCS_GRAYSCALE, false, {90}, 90, 90, 90},
      {"rgb stored as rgb", 3, JCS_RGB, JCS_RGB, false, {200, 100, 50}, 200, 100, 50},
      {"cmyk", 4, JCS_CMYK, JCS_CMYK, false, {0, 255, 255, 0}, 255, 0, 0},
      // Adobe's programs store inverted inks: 255 means no ink.
      {"inverted cmyk", 4, JCS_CMYK, JCS_CMYK, true, {255, 0, 0, 255}, 255, 0, 0},
      {"ycck", 4, JCS_CMYK, JCS_YCCK, true, {255, 255, 0, 255}, 255, 255, 0},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> samples;
    for (int i = 0; i < w * h; ++i) samples.insert(samples.end(), c.sample.begin(), c.sample.end());
    const std::vector<uint8_t> file = EncodeRaw(samples, w, h, c.components, c.in, c.stored, c.adobe);
    RasterImage image;
    ASSERT_EQ(ReadInto(file, image), kOk) << c.name;
    ASSERT_EQ(image.BitsPerPixel(), 24) << c.name;
    EXPECT_EQ(image.fileType, c.components == 1 ? ImageFileType::JpegGrey : ImageFileType::JpegRgb);
    EXPECT_NEAR(image.Pixels()[0], c.r, 4) << c.name;
    EXPECT_NEAR(image.Pixels()[1], c.g, 4) << c.name;
    EXPECT_NEAR(image.Pixels()[2], c.b, 4) << c.name;
  }
}

TEST(Jpeg, GreyFilesAreTurnedUprightAndKeepTheirExif) {
  const int w = 8, h = 4;
  std::vector<uint8_t> samples(w * h, 0);
  samples[0] = 255;  // top-left white
  const std::vector<uint8_t> exif = B().Short(B::kIfd0, kTagOrientation, {6}).Build();
  const std::vector<uint8_t> file =
      WithApp1(EncodeRaw(samples, w, h, 1, JCS_GRAYSCALE, JCS_GRAYSCALE, false), exif);
  RasterImage image;
  ASSERT_EQ(ReadInto(file, image), kOk);
  EXPECT_EQ(image.fileType, ImageFileType::JpegGrey);
  EXPECT_EQ(image.Width(), 4);
  EXPECT_EQ(image.Height(), 8);
  EXPECT_EQ(image.exifBlock, exif);
  // Turned clockwise, the stored top-left lands at the top-right.
  EXPECT_GT(image.Pixels()[3 * 3], 150);
  EXPECT_LT(image.Pixels()[0], 100);
}

TEST(Jpeg, ExifTooLargeForOneMarkerIsLeftOutAndReported) {
  RasterImage image;
  test::MakeRamp(image, 8, 8);
  image.exifBlock = B().Short(B::kIfd0, kTagOrientation, {1}).PadTo(70000).Build();
  ASSERT_GT(image.exifBlock.size(), 65533u);
  test::TempDir dir;
  const std::string path = dir.File("big.jpg");
  EXPECT_EQ(image.Save(path), kSavedWithoutExif);
  RasterImage back;
  ASSERT_EQ(back.Load(path), kOk);
  EXPECT_TRUE(back.exifBlock.empty());
  EXPECT_EQ(back.Width(), 8);

  // Exactly the largest payload a marker holds still goes in.
  RasterImage fits;
  test::MakeRamp(fits, 8, 8);
  fits.exifBlock = B().PadTo(10).Build();
  fits.exifBlock.resize(65533, 0);
  EXPECT_EQ(fits.Save(path), kOk);
  ASSERT_EQ(back.Load(path), kOk);
  EXPECT_EQ(back.exifBlock.size(), 65533u);
}

TEST(Jpeg, SamplingFollowsFullChroma) {
  RasterImage image;
  test::MakeRamp(image, 32, 32);
  for (bool full : {true, false}) {
    image.jpegFullChroma = full;
    std::vector<uint8_t> bytes;
    ASSERT_EQ(WriteJpeg(image, bytes), kOk);
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, bytes.data(), bytes.size());
    jpeg_read_header(&d, TRUE);
    EXPECT_EQ(d.comp_info[0].h_samp_factor, full ? 1 : 2);
    EXPECT_EQ(d.comp_info[0].v_samp_factor, full ? 1 : 2);
    EXPECT_EQ(d.comp_info[1].h_samp_factor, 1);
    EXPECT_EQ(d.density_unit, 1);
    EXPECT_EQ(d.X_density, 300);
    jpeg_destroy_decompress(&d);
  }
}

TEST(Jpeg, DamagedFilesFailCleanly) {
  RasterImage source;
  test::MakeRamp(source, 64, 48);
  std::vector<uint8_t> good;
  ASSERT_EQ(WriteJpeg(source, good), kOk);
  // A header claiming 65000 x 65000 pixels in a tiny file.
  std::vector<uint8_t> huge = good;
  for (size_t i = 2; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = 0xFD;
      huge[i + 6] = 0xE8;
      huge[i + 7] = 0xFD;
      huge[i + 8] = 0xE8;
      break;
    }
  }
  const std::vector<uint8_t> progressive = test::GoodJpeg(true);
  const size_t data = test::JpegScanData(good);
  std::vector<uint8_t> garbage = good;
  for (size_t i = data + 20; i < data + 120; ++i) garbage[i] = static_cast<uint8_t>(i * 73);
  const size_t secondScan = test::FindMarker(progressive, 0xDA, test::FindMarker(progressive, 0xDA) + 2);
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    int rc;  // data that ends early or does not decode is damage, never a grey picture
  } cases[] = {
      {"only SOI", {0xFF, 0xD8, 0xFF}, kBadFile},
      {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 200), kBadFile},
      {"truncated scan", std::vector<uint8_t>(good.begin(), good.end() - 100), kBadFile},
      {"no scan data", std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(data)), kBadFile},
      {"scan cut, end marker added", [&] {
         std::vector<uint8_t> f(good.begin(), good.begin() + static_cast<long>(data + 40));
         f.insert(f.end(), {0xFF, 0xD9});
         return f;
       }(), kBadFile},
      {"garbage in the scan", garbage, kBadFile},
      {"progressive cut between scans",
       std::vector<uint8_t>(progressive.begin(), progressive.begin() + static_cast<long>(secondScan)), kBadFile},
      {"only the end marker missing", std::vector<uint8_t>(good.begin(), good.end() - 2), kOk},
      {"huge", huge, kBadFile},
  };
  for (const Case& c : cases) {
    RasterImage image;
    const int rc = ReadInto(c.file, image);
    EXPECT_EQ(rc, c.rc) << c.name;
    if (rc != kOk) {
      EXPECT_TRUE(image.IsEmpty()) << c.name;
    }
  }
}

}  // namespace
}  // namespace orvane

namespace orvane {
namespace {

// A file whose frame claims far more pixels than its data could code fails before the
// picture's memory is taken; one with enough bytes (padding) is still too small a file for
// that picture, and one claiming a size it may hold fails when its scan runs out, having
// taken memory only for the rows it had.
TEST(Jpeg, LyingSizesFailWithLittleMemory) {
  const std::vector<uint8_t> small = test::JpegClaiming(test::GoodJpeg(), 32000, 32000);
  const std::vector<uint8_t> padded = test::JpegPadded(test::JpegClaiming(test::GoodJpeg(), 20000, 20000), 800000);
  const std::vector<uint8_t> holdable = test::JpegPadded(test::JpegClaiming(test::GoodJpeg(), 8000, 8000), 800000);
  const std::pair<const std::vector<uint8_t>*, int> cases[] = {
      {&small, kBadFile}, {&padded, kOutOfMemory}, {&holdable, kBadFile}};
  for (const auto& [file, code] : cases) {
    const int rc = test::RunWithMemoryLimit(RLIMIT_AS, 256 << 20, [&] {
      RasterImage image;
      return ReadImage(*file, ImageFileType::JpegRgb, 0, image);
    });
    EXPECT_EQ(rc, code) << file->size();
  }
}

// Thousands of scans take unbounded time; beyond the cap the file counts as damaged.
TEST(Jpeg, ScanCountIsCapped) {
  RasterImage image;
  EXPECT_EQ(ReadImage(test::JpegWithScans(900), ImageFileType::JpegRgb, 0, image), kOk);
  EXPECT_EQ(image.Width(), 16);
  RasterImage capped;
  EXPECT_EQ(ReadImage(test::JpegWithScans(1200), ImageFileType::JpegRgb, 0, capped), kBadFile);
  EXPECT_TRUE(capped.IsEmpty());
}

}  // namespace
}  // namespace orvane
