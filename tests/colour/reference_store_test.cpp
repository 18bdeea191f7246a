#include "colour/reference_store.h"

#include <gtest/gtest.h>

#include <cstring>

#include "colour/colour_on_image.h"
#include "image_helpers.h"
#include "test_folder.h"

namespace orvane {
namespace {

TEST(ReferenceStoreTest, ThumbnailSizes) {
  const struct {
    int w, h;
    ImageSize expected;
  } cases[] = {
      {1000, 500, {170, 85}},  {500, 1000, {50, 100}}, {300, 176, {170, 99}},
      {170, 100, {170, 100}},  {100, 100, {100, 100}}, {1, 1, {100, 100}},
      {10000, 1, {170, 1}},    {1, 10000, {1, 100}},   {0, 5, {0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReferenceThumbnailSize(c.w, c.h), c.expected) << c.w << " x " << c.h;
  }
}

TEST(ReferenceStoreTest, TablesStayIdentityWithoutPathOrSourcePixels) {
  RasterImage source;
  MakeGrey(source, 4, 4, 30);
  ReferenceSlot slot;
  slot.distributions.red.fill(1.0);
  MatchTables tables;
  tables.red.fill(9);
  BuildMatchTables(source, slot, tables);  // empty path
  EXPECT_EQ(tables, MatchTables{});

  slot.path = "/somewhere/ref.png";
  tables.red.fill(9);
  RasterImage empty;
  BuildMatchTables(empty, slot, tables);
  EXPECT_EQ(tables, MatchTables{});

  BuildMatchTables(source, slot, tables);  // all reference mass at 0
  EXPECT_LT(tables.red[30], 30);
}

TEST(ReferenceStoreTest, UnloadableReferenceLeavesAnEmptySlot) {
  TestFolder folder;
  folder.Write("broken.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
  ReferenceStore store;
  MakeGrey(store.reference.image, 8, 4, 10);
  store.reference.path = "/old/reference.png";
  RasterImage source;
  MakeGrey(source, 4, 4, 30);
  ColourParams params;
  params.matchTables.green.fill(5);

  EXPECT_EQ(LoadReferenceImage(store, "", source, params), kInvalidArgument);
  EXPECT_EQ(store.reference.path, "/old/reference.png");  // nothing changed

  for (const char* name : {"broken.png", "missing.jpg"}) {
    EXPECT_NE(LoadReferenceImage(store, (folder.path() / name).string(), source, params), kOk);
    EXPECT_TRUE(store.reference.path.empty()) << name;
    EXPECT_FALSE(store.reference.HoldsImage()) << name;
    EXPECT_EQ(params.matchTables.green[0], 5) << name;  // tables keep their contents
    EXPECT_EQ(params.matchMode, MatchMode::kNone) << name;
  }
}

TEST(ReferenceStoreTest, LoadsARealFileAndKeepsOnlyItsThumbnail) {
  TestFolder folder;
  // A dark-to-bright ramp, 1000 x 500, written by the real PNG writer.
  RasterImage written;
  MakeImage(written, 1000, 500, [](int x, int, uint8_t* p) {
    p[0] = p[1] = p[2] = static_cast<uint8_t>(128 + x * 127 / 999);
  });
  const std::string path = (folder.path() / "bright.png").string();
  ASSERT_EQ(written.Save(path, ImageFileType::PngRgb), kOk);

  RasterImage source;
  MakeImage(source, 64, 64, [](int x, int, uint8_t* p) {
    p[0] = p[1] = p[2] = static_cast<uint8_t>(x * 2);
  });
  ReferenceStore store;
  ColourParams params;
  params.matchFade = 40;
  ASSERT_EQ(LoadReferenceImage(store, path, source, params), kOk);
  EXPECT_EQ(params.matchMode, MatchMode::kReferenceImage);
  EXPECT_EQ(params.matchFade, 40);
  EXPECT_EQ(store.reference.path, path);
  EXPECT_EQ(store.reference.image.Width(), 170);
  EXPECT_EQ(store.reference.image.Height(), 85);
  EXPECT_EQ(store.reference.image.BitsPerPixel(), 24);
  // Distributions of the full picture: nothing below 128, half the columns up to 191.
  EXPECT_EQ(store.reference.distributions.red[127], 0.0);
  EXPECT_NEAR(store.reference.distributions.green[191], 0.5, 0.01);
  EXPECT_DOUBLE_EQ(store.reference.distributions.blue[255], 1.0);
  // The dark source is lifted into the reference's range.
  EXPECT_GT(params.matchTables.red[20], 128);
  for (int i = 1; i < 256; ++i) EXPECT_GE(params.matchTables.red[i], params.matchTables.red[i - 1]);

  // A JPEG works the same way; a tall one becomes 100 high.
  RasterImage tall;
  MakeGrey(tall, 300, 600, 90);
  const std::string jpg = (folder.path() / "tall.jpg").string();
  ASSERT_EQ(tall.Save(jpg, ImageFileType::JpegRgb), kOk);
  ASSERT_EQ(LoadReferenceImage(store, jpg, source, params), kOk);
  EXPECT_EQ(store.reference.image.Width(), 50);
  EXPECT_EQ(store.reference.image.Height(), 100);
}

TEST(ReferenceStoreTest, NameAndFolderOfAPath) {
  EXPECT_EQ(NameAfterLastSlash("/photos/2026/beach.jpg"), "beach.jpg");
  EXPECT_EQ(NameAfterLastSlash("beach.jpg"), "beach.jpg");
  EXPECT_EQ(FolderOf("/photos/2026/beach.jpg"), "/photos/2026");
  EXPECT_EQ(FolderOf("beach.jpg"), "");
}

TEST(ColourOnImageTest, QuickPreviewCopiesTheClampedRegionAndCorrectsIt) {
  RasterImage source;
  MakeImage(source, 10, 8, [](int x, int y, uint8_t* p) {
    p[0] = static_cast<uint8_t>(x * 20);
    p[1] = static_cast<uint8_t>(y * 20);
    p[2] = 128;
  });
  ColourParams params;
  params.blueGamma = 0.6f;
  QuickPreviewBuffer buffer;
  ASSERT_TRUE(ComputeQuickPreview(source, {7, -3, 25, 2}, params, buffer));
  EXPECT_EQ(buffer.width, 3);
  EXPECT_EQ(buffer.height, 2);
  ASSERT_EQ(buffer.pixels.size(), 18u);
  // Pixel (8, 1) of the source is at (1, 1) of the buffer; only blue is bent.
  EXPECT_EQ(buffer.pixels[(1 * 3 + 1) * 3 + 0], 160);
  EXPECT_EQ(buffer.pixels[(1 * 3 + 1) * 3 + 1], 20);
  EXPECT_EQ(buffer.pixels[(1 * 3 + 1) * 3 + 2], 81);
  EXPECT_EQ(source.Pixels()[(1 * 10 + 8) * 3 + 2], 128);  // the source is not touched

  ASSERT_TRUE(ComputeQuickPreview(source, {0, 0, 10, 8}, ColourParams{}, buffer));
  EXPECT_EQ(buffer.width, 10);
  EXPECT_EQ(buffer.pixels.size(), 240u);
  EXPECT_EQ(0, std::memcmp(buffer.pixels.data(), source.Pixels(), 240));

  // An empty region or picture leaves the buffer as it was.
  EXPECT_FALSE(ComputeQuickPreview(source, {5, 5, 5, 9}, params, buffer));
  EXPECT_FALSE(ComputeQuickPreview(RasterImage{}, {0, 0, 4, 4}, params, buffer));
  EXPECT_EQ(buffer.width, 10);
  buffer.Release();
  EXPECT_TRUE(buffer.IsEmpty());
}

TEST(ColourOnImageTest, OneBitPicturesAreWidenedFirst) {
  RasterImage bilevel;
  ASSERT_EQ(bilevel.Create(16, 16, 1), kOk);
  bilevel.SetPaletteSize(2);
  bilevel.palette[0] = {0, 0, 0, 0};
  bilevel.palette[1] = {200, 200, 200, 0};
  std::memset(bilevel.Pixels(), 0xFF, RasterImage::ImageBytes(16, 16, 1));
  EXPECT_EQ(AutoLevels(bilevel), (LevelsResult{199, 217}));
  HistogramBars bars;
  ASSERT_TRUE(ComputeHistogramBars(bilevel, ColourParams{}, bars));
  EXPECT_EQ(bars.green[200], 255);
  EXPECT_EQ(AutoLevels(RasterImage{}), (LevelsResult{0, 255}));
  ColourParams params;
  params.exposureEv = 1.5;
  params.blueGamma = 0.8f;
  ApplyAutoLevels(bilevel, params);
  EXPECT_EQ(params.blackPoint, 199);
  EXPECT_EQ(params.whitePoint, 217);
  EXPECT_EQ(params.exposureEv, 1.5);  // nothing else changes
  EXPECT_EQ(params.blueGamma, 0.8f);
}

}  // namespace
}  // namespace orvane
