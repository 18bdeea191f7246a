#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "fixtures.h"
#include "imagefile/raster_image.h"

namespace orvane {
namespace {

TEST(RasterImage, DefaultsAndLayouts) {
  RasterImage image;
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_EQ(image.fileType, ImageFileType::UnknownType);
  EXPECT_EQ(image.monoThreshold, 128);
  EXPECT_EQ(image.saveResolutionX, 300);
  EXPECT_EQ(image.saveResolutionUnit, 1);
  EXPECT_EQ(image.jpegQuality, 75);
  EXPECT_TRUE(image.jpegFullChroma);
  EXPECT_EQ(image.tiffCompression, 1);
  EXPECT_EQ(image.orientation, 1);

  struct Case {
    int width, height, depth, rowBytes;
    uint64_t imageBytes;
  } cases[] = {
      {1, 1, 24, 3, 3},     {1, 5, 1, 1, 5},     {9, 2, 1, 2, 4},
      {8, 3, 1, 1, 3},      {7, 2, 8, 7, 14},    {5, 3, 24, 15, 45},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(image.Create(c.width, c.height, c.depth), kOk);
    EXPECT_EQ(image.RowBytes(), c.rowBytes) << c.width << "x" << c.depth;
    EXPECT_EQ(RasterImage::ImageBytes(c.width, c.height, c.depth), c.imageBytes);
    EXPECT_FALSE(image.pixelsFromCodec);
  }
  // Sizes are computed in 64 bits: 70000 x 70000 x 3 does not wrap.
  EXPECT_EQ(RasterImage::ImageBytes(70000, 70000, 24), 14700000000ull);
}

TEST(RasterImage, CreateRefusesAbsurdSizesAndLeavesImageEmpty) {
  RasterImage image;
  ASSERT_EQ(image.Create(4, 4, 24), kOk);
  EXPECT_EQ(image.Create(70000, 70000, 24), kOutOfMemory);  // over a gigapixel
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_EQ(image.Width(), 0);
  EXPECT_EQ(image.Create(0, 5, 24), kInvalidArgument);
  EXPECT_EQ(image.Create(5, 5, 16), kInvalidArgument);
  EXPECT_TRUE(image.IsEmpty());
}

TEST(RasterImage, ReleaseKeepsFileInformationAndCameraFields) {
  RasterImage image;
  image.Create(3, 3, 8);
  image.SetPaletteSize(4);
  image.filePath = "/tmp/x.jpg";
  image.exifBlock = {1, 2, 3};
  image.cameraMake = "Make";
  image.resolutionX = 72;
  image.Release();
  EXPECT_EQ(image.Pixels(), nullptr);
  EXPECT_EQ(image.Width(), 0);
  EXPECT_EQ(image.Height(), 0);
  EXPECT_EQ(image.BitsPerPixel(), 0);
  EXPECT_EQ(image.PaletteSize(), 0);
  EXPECT_EQ(image.filePath, "/tmp/x.jpg");
  EXPECT_EQ(image.exifBlockSize(), 3u);
  EXPECT_EQ(image.cameraMake, "Make");
  EXPECT_EQ(image.resolutionX, 72u);
}

TEST(RasterImage, TakeOverMovesTheBlockAndOnlyThePictureFields) {
  RasterImage source, target;
  EXPECT_EQ(target.TakeOver(source), kInvalidArgument);  // empty source
  EXPECT_TRUE(target.IsEmpty());

  source.Create(2, 2, 8);
  source.SetPaletteSize(2);
  source.palette[1] = PaletteEntry{1, 2, 3, 0};
  source.fileType = ImageFileType::PngIndexed;
  source.resolutionX = 10;
  source.filePath = "source.png";
  source.exifBlock = {9};
  const uint8_t* block = source.Pixels();
  target.Create(5, 5, 24);
  ASSERT_EQ(target.TakeOver(source), kOk);
  EXPECT_EQ(target.Pixels(), block);
  EXPECT_EQ(source.Pixels(), nullptr);
  EXPECT_TRUE(source.IsEmpty());
  EXPECT_EQ(target.Width(), 2);
  EXPECT_EQ(target.BitsPerPixel(), 8);
  EXPECT_EQ(target.PaletteSize(), 2);
  EXPECT_EQ(target.palette[1].red, 3);
  EXPECT_EQ(target.fileType, ImageFileType::PngIndexed);
  EXPECT_EQ(target.resolutionX, 10u);
  EXPECT_TRUE(target.filePath.empty());
  EXPECT_TRUE(target.exifBlock.empty());
}

TEST(RasterImage, CopyFromCopiesPixelsAndInfoButNotOptionsOrCamera) {
  RasterImage source, copy;
  test::MakeRamp(source, 7, 5);
  source.filePath = "a.tif";
  source.pageIndex = 2;
  source.fileType = ImageFileType::TiffRgb;
  source.resolutionUnit = 3;
  source.jpegQuality = 50;
  source.exifBlock = {1};
  source.orientation = 6;
  source.originalWidth = 99;
  source.cameraModel = "M";
  ASSERT_EQ(copy.CopyFrom(source), kOk);
  EXPECT_EQ(test::MaxDifference(source, copy), 0);
  EXPECT_NE(copy.Pixels(), source.Pixels());
  EXPECT_EQ(copy.filePath, "a.tif");
  EXPECT_EQ(copy.pageIndex, 2);
  EXPECT_EQ(copy.fileType, ImageFileType::TiffRgb);
  EXPECT_EQ(copy.resolutionUnit, 3u);
  EXPECT_EQ(copy.jpegQuality, 75);
  EXPECT_TRUE(copy.exifBlock.empty());
  EXPECT_EQ(copy.orientation, 1);
  EXPECT_EQ(copy.originalWidth, 0);
  EXPECT_TRUE(copy.cameraModel.empty());

  RasterImage empty;
  ASSERT_EQ(copy.CopyFrom(empty), kOk);
  EXPECT_TRUE(copy.IsEmpty());

  // A photograph-sized picture is copied in pieces on several cores; the last piece is short.
  RasterImage big, bigCopy;
  ASSERT_EQ(big.Create(3001, 2003, 24), kOk);
  const size_t bytes = RasterImage::ImageBytes(3001, 2003, 24);
  for (size_t i = 0; i < bytes; ++i) big.Pixels()[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
  ASSERT_EQ(bigCopy.CopyFrom(big), kOk);
  EXPECT_EQ(std::memcmp(big.Pixels(), bigCopy.Pixels(), bytes), 0);
}

TEST(RasterImage, DepthConversions) {
  // 1-bit 9 x 2 with a two-entry palette: unpacked to indices, then widened through it.
  RasterImage bilevel;
  ASSERT_EQ(bilevel.Create(9, 2, 1), kOk);
  const uint8_t bits[4] = {0b10100000, 0b10000000, 0b01000000, 0b00000000};
  std::memcpy(bilevel.Pixels(), bits, 4);
  bilevel.SetPaletteSize(2);
  bilevel.palette[0] = PaletteEntry{10, 20, 30, 0};
  bilevel.palette[1] = PaletteEntry{200, 210, 220, 0};
  bilevel.filePath = "b.png";

  RasterImage indexed;
  ASSERT_EQ(bilevel.ToIndexed(indexed), kOk);
  EXPECT_EQ(indexed.BitsPerPixel(), 8);
  EXPECT_EQ(indexed.PaletteSize(), 256);
  const uint8_t expected[18] = {1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(indexed.Pixels(), expected, 18), 0);
  EXPECT_EQ(indexed.filePath, "b.png");

  RasterImage wide;
  ASSERT_EQ(bilevel.ToTrueColour(wide), kOk);
  ASSERT_EQ(wide.BitsPerPixel(), 24);
  EXPECT_EQ(wide.Pixels()[0], 220);  // pixel 0 is index 1: red, green, blue of entry 1
  EXPECT_EQ(wide.Pixels()[2], 200);
  EXPECT_EQ(wide.Pixels()[3], 30);
  EXPECT_EQ(wide.filePath, "b.png");

  // MakeTrueColour leaves 1-bit images alone and widens 8-bit ones.
  ASSERT_EQ(bilevel.MakeTrueColour(), kOk);
  EXPECT_EQ(bilevel.BitsPerPixel(), 1);
  ASSERT_EQ(indexed.MakeTrueColour(), kOk);
  EXPECT_EQ(indexed.BitsPerPixel(), 24);
  EXPECT_EQ(indexed.PaletteSize(), 0);
  RasterImage empty;
  EXPECT_EQ(empty.MakeTrueColour(), kInvalidArgument);
  EXPECT_EQ(empty.ToTrueColour(wide), kInvalidArgument);
}

TEST(RasterImage, ToTwoColourThreshold) {
  struct Case {
    uint8_t r, g, b;
    uint8_t index;
  } cases[] = {
      {0, 0, 0, 0}, {128, 128, 128, 0}, {129, 128, 128, 1}, {255, 255, 255, 1}, {221, 0, 0, 0}, {222, 0, 0, 1},
  };
  RasterImage image;
  ASSERT_EQ(image.Create(static_cast<int>(std::size(cases)), 1, 24), kOk);
  for (size_t i = 0; i < std::size(cases); ++i) {
    image.Pixels()[i * 3] = cases[i].r;
    image.Pixels()[i * 3 + 1] = cases[i].g;
    image.Pixels()[i * 3 + 2] = cases[i].b;
  }
  RasterImage two;
  ASSERT_EQ(image.ToTwoColour(two, image.monoThreshold), kOk);
  EXPECT_EQ(two.BitsPerPixel(), 8);
  EXPECT_EQ(two.PaletteSize(), 2);
  EXPECT_EQ(two.palette[0].red, 0);
  EXPECT_EQ(two.palette[1].red, 255);
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(two.Pixels()[i], cases[i].index) << "case " << i;
}

TEST(RasterImage, ResampleSameSizeIsExactCopyAndResizeKeepsInfo) {
  RasterImage source, out;
  test::MakeRamp(source, 13, 9);
  source.resolutionX = 55;
  source.fileType = ImageFileType::PngRgb;
  for (int filter : {0, 2}) {
    ASSERT_EQ(out.Resample(source, 13, 9, filter), kOk);
    EXPECT_EQ(test::MaxDifference(source, out), 0);
  }
  ASSERT_EQ(out.Resample(source, 5, 20, 2), kOk);
  EXPECT_EQ(out.Width(), 5);
  EXPECT_EQ(out.Height(), 20);
  EXPECT_EQ(out.resolutionX, 55u);
  EXPECT_EQ(out.fileType, ImageFileType::PngRgb);
  RasterImage empty;
  EXPECT_EQ(out.Resample(empty, 2, 2, 2), kInvalidArgument);
}

TEST(RasterImage, AreaAveragingWhenShrinking) {
  // 4 x 2 -> 2 x 1: every output pixel is the mean of a 2 x 2 square.
  RasterImage source, out;
  source.Create(4, 2, 24);
  const uint8_t values[8] = {0, 10, 100, 200, 20, 31, 100, 0};
  for (int i = 0; i < 8; ++i) std::memset(source.Pixels() + i * 3, values[i], 3);
  ASSERT_EQ(out.Resample(source, 2, 1, 2), kOk);
  EXPECT_EQ(out.Pixels()[0], 15);  // (0 + 10 + 20 + 31) / 4 = 15.25
  EXPECT_EQ(out.Pixels()[3], 100);  // (100 + 200 + 100 + 0) / 4
  // 3 -> 2 covers pixel 1 half by each output pixel.
  RasterImage row, half;
  row.Create(3, 1, 24);
  const uint8_t r[3] = {0, 90, 180};
  for (int i = 0; i < 3; ++i) std::memset(row.Pixels() + i * 3, r[i], 3);
  ASSERT_EQ(half.Resample(row, 2, 1, 2), kOk);
  EXPECT_EQ(half.Pixels()[0], 30);   // (0 * 1 + 90 * 0.5) / 1.5
  EXPECT_EQ(half.Pixels()[3], 150);  // (90 * 0.5 + 180) / 1.5
}

// A photograph shrunk to a thumbnail is worked on by every core: the same bytes for any number
// of threads, and each output pixel the mean of its block.
TEST(RasterImage, AreaAveragingOfALargePictureOnEveryCore) {
  RasterImage source;
  ASSERT_EQ(source.Create(1500, 800, 24), kOk);
  uint32_t seed = 3;
  const size_t bytes = RasterImage::ImageBytes(1500, 800, 24);
  for (size_t i = 0; i < bytes; ++i) {
    seed = seed * 1664525u + 1013904223u;
    source.Pixels()[i] = static_cast<uint8_t>(seed >> 24);
  }
  std::vector<std::vector<uint8_t>> results;
  for (const char* threads : {"1", "3"}) {
    setenv("ORVANE_THREADS", threads, 1);
    RasterImage small;
    ASSERT_EQ(small.Resample(source, 30, 20, 2), kOk);
    results.emplace_back(small.Pixels(), small.Pixels() + RasterImage::ImageBytes(30, 20, 24));
  }
  unsetenv("ORVANE_THREADS");
  EXPECT_EQ(results[0], results[1]);
  for (int oy : {0, 7, 19})
    for (int ox : {0, 13, 29}) {
      int64_t sum = 0;
      for (int y = oy * 40; y < oy * 40 + 40; ++y)
        for (int x = ox * 50; x < ox * 50 + 50; ++x) sum += source.Pixels()[(y * 1500 + x) * 3 + 1];
      EXPECT_NEAR(results[0][(oy * 30 + ox) * 3 + 1], sum / 2000.0, 1.0) << ox << "," << oy;
    }
}

TEST(RasterImage, BilinearWhenEnlarging) {
  RasterImage source, out;
  source.Create(2, 1, 24);
  std::memset(source.Pixels(), 0, 3);
  std::memset(source.Pixels() + 3, 200, 3);
  ASSERT_EQ(out.Resample(source, 4, 1, 2), kOk);
  // s = (2 - 2/4) / 4 = 0.375: positions 0, 0.375, 0.75, 1.125 (clamped neighbour).
  const uint8_t expected[4] = {0, 75, 150, 200};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(out.Pixels()[i * 3], expected[i]) << i;
}

// The orientation table: output (x, y) from stored pixel (sx, sy).
void StoredFor(int o, int x, int y, int w, int h, int& sx, int& sy) {
  switch (o) {
    case 2: sx = w - 1 - x; sy = y; break;
    case 3: sx = w - 1 - x; sy = h - 1 - y; break;
    case 4: sx = x; sy = h - 1 - y; break;
    case 5: sx = y; sy = x; break;
    case 6: sx = y; sy = h - 1 - x; break;
    case 7: sx = w - 1 - y; sy = h - 1 - x; break;
    case 8: sx = w - 1 - y; sy = x; break;
    default: sx = x; sy = y;
  }
}

TEST(Orientation, TableBothWays) {
  const int w = 4, h = 3;
  auto make = [&] {
    PixelBlock b = AllocatePixels(w * h * 3);
    for (int i = 0; i < w * h; ++i) {
      b[i * 3] = static_cast<uint8_t>(i);
      b[i * 3 + 1] = static_cast<uint8_t>(100 + i);
      b[i * 3 + 2] = static_cast<uint8_t>(200 + i);
    }
    return b;
  };
  for (int o = 2; o <= 8; ++o) {
    PixelBlock block = make();
    int ow = w, oh = h;
    ASSERT_EQ(ApplyOrientation(block, ow, oh, o), kOk);
    EXPECT_EQ(ow, o >= 5 ? h : w);
    EXPECT_EQ(oh, o >= 5 ? w : h);
    for (int y = 0; y < oh; ++y) {
      for (int x = 0; x < ow; ++x) {
        int sx, sy;
        StoredFor(o, x, y, w, h, sx, sy);
        ASSERT_EQ(block[(y * ow + x) * 3], sy * w + sx) << "o=" << o << " x=" << x << " y=" << y;
      }
    }
    PixelBlock back;
    ASSERT_EQ(UndoOrientation(ow, oh, block.get(), o, back), kOk);
    ASSERT_TRUE(back);
    PixelBlock original = make();
    EXPECT_EQ(std::memcmp(back.get(), original.get(), w * h * 3), 0) << "o=" << o;
  }
}

TEST(Orientation, GuardsLeaveBlockAlone) {
  PixelBlock block = AllocatePixels(4 * 2 * 3);
  uint8_t* raw = block.get();
  for (int o : {0, 1, 9, -3}) {
    int w = 4, h = 2;
    EXPECT_EQ(ApplyOrientation(block, w, h, o), kOk);
    EXPECT_EQ(block.get(), raw);
    EXPECT_EQ(w, 4);
    PixelBlock out;
    EXPECT_EQ(UndoOrientation(w, h, raw, o, out), kOk);
    EXPECT_FALSE(out);
  }
  PixelBlock none;
  int w = 0, h = 2;
  EXPECT_EQ(ApplyOrientation(none, w, h, 6), kOk);
  EXPECT_FALSE(none);
}

TEST(Orientation, SixOnFourByTwoReadsFirstColumnBottomUp) {
  PixelBlock block = AllocatePixels(4 * 2 * 3);
  for (int i = 0; i < 8; ++i) std::memset(block.get() + i * 3, i, 3);  // row 0: 0..3, row 1: 4..7
  int w = 4, h = 2;
  ASSERT_EQ(ApplyOrientation(block, w, h, 6), kOk);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 4);
  EXPECT_EQ(block[0], 4);  // first column of the stored image from the bottom: 4, 0
  EXPECT_EQ(block[3], 0);
}

}  // namespace
}  // namespace orvane
