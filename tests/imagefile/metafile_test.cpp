// Windows and enhanced metafiles: our writers against our player, hand-made record lists that
// stretch, mirror and place bitmaps, and files the player must refuse.
#include <gtest/gtest.h>

#include <cstring>

#include "format_test_util.h"
#include "imagefile/codec/byte_view.h"
#include "imagefile/codec/codec.h"
#include "imagefile/codec/metafile_canvas.h"

namespace orvane {
namespace {

using testing::PixelsOf;
using testing::Rgb24;
using Bytes = std::vector<uint8_t>;

// A 2 x 2 bitmap: red green / blue white.
const Rgb24 kTwoByTwo{2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}};

Bytes TwoByTwoDib() {
  Bytes dib;
  PackedDibOf(kTwoByTwo.pixels.data(), 2, 2, dib);
  return dib;
}

// A placeable Windows metafile of box w x h logical units at `inch` units per inch holding
// the given records (each without its size field, which is added here).
Bytes Wmf(int w, int h, int inch, const std::vector<Bytes>& records) {
  Bytes f;
  PutU32le(f, 0x9AC6CDD7);
  PutU16le(f, 0);
  PutU16le(f, 0);
  PutU16le(f, 0);
  PutU16le(f, w);
  PutU16le(f, h);
  PutU16le(f, inch);
  PutU32le(f, 0);
  PutU16le(f, 0);
  PutU16le(f, 1);
  PutU16le(f, 9);
  PutU16le(f, 0x300);
  PutU32le(f, 0);
  PutU16le(f, 0);
  PutU32le(f, 0);
  PutU16le(f, 0);
  for (const Bytes& r : records) {
    PutU32le(f, static_cast<uint32_t>((r.size() + 4) / 2));
    f.insert(f.end(), r.begin(), r.end());
  }
  PutU32le(f, 3);
  PutU16le(f, 0);
  return f;
}

Bytes Words(std::initializer_list<int> words) {
  Bytes b;
  for (int w : words) PutU16le(b, static_cast<uint16_t>(w));
  return b;
}

// StretchDib record body: raster op, usage, then source and destination, then the bitmap.
Bytes StretchDib(int srcH, int srcW, int ySrc, int xSrc, int dstH, int dstW, int yDst, int xDst,
                 uint32_t rop = kSrcCopy) {
  Bytes r = Words({0x0F43});
  PutU32le(r, rop);
  const Bytes p = Words({0, srcH, srcW, ySrc, xSrc, dstH, dstW, yDst, xDst});
  r.insert(r.end(), p.begin(), p.end());
  const Bytes dib = TwoByTwoDib();
  r.insert(r.end(), dib.begin(), dib.end());
  return r;
}

Rgb24 Play(const Bytes& file, ImageFileType type, int* rc) {
  RasterImage image;
  *rc = type == ImageFileType::WindowsMetafile ? ReadImage(file, type, 0, image)
                                               : ReadImage(file, type, 0, image);
  return *rc == kOk ? PixelsOf(image) : Rgb24{};
}

TEST(Metafile, WritersRoundTripThroughThePlayer) {
  const Rgb24 picture = testing::TestPicture(37, 21);
  RasterImage image;
  testing::FillImage(image, picture);
  testing::TempDir dir;
  for (auto [name, type] : {std::pair{"p.wmf", ImageFileType::WindowsMetafile},
                            std::pair{"p.emf", ImageFileType::EnhancedMetafile}}) {
    ASSERT_EQ(image.Save(dir.File(name)), kOk) << name;
    const Bytes bytes = testing::ReadBytes(dir.File(name));
    EXPECT_EQ(DetectImageTypeInMemory(bytes, "noname"), type) << name;
    RasterImage back;
    ASSERT_EQ(back.Load(dir.File(name)), kOk) << name;
    EXPECT_EQ(back.fileType, type);
    EXPECT_EQ(back.originalWidth, 37);
    EXPECT_EQ(PixelsOf(back), picture) << name;
  }
}

TEST(Metafile, EnhancedWriterStatesFrameAndMapping) {
  RasterImage image;
  testing::FillImage(image, testing::TestPicture(96, 48));
  Bytes out;
  ASSERT_EQ(WriteEmf(image, out), kOk);
  const ByteView v(out);
  EXPECT_EQ(v.S32le(32), 2540);  // one inch in hundredths of a millimetre
  EXPECT_EQ(v.S32le(36), 1270);
  EXPECT_EQ(v.U32le(108), 17u);  // SetMapMode
  EXPECT_EQ(v.U32le(116), 8u);   // anisotropic
  EXPECT_EQ(v.U32le(128), 96u);  // window extent = pixels per inch
  EXPECT_EQ(v.U32le(144), 96u);  // viewport extent likewise
  EXPECT_EQ(v.U32le(152), 81u);  // one stretched bitmap record
  EXPECT_EQ(v.U32le(48), out.size());
}

TEST(Metafile, PlaceableBoxAndStretchedBitmaps) {
  int rc = -1;
  // Box of 1 inch at 48 units per inch: 96 x 96 pixels would be large; use 4 x 4 units at 96.
  // The 2 x 2 bitmap doubled into the top-left 4 x 4.
  Rgb24 got = Play(Wmf(4, 4, 96, {StretchDib(2, 2, 0, 0, 4, 4, 0, 0)}),
                   ImageFileType::WindowsMetafile, &rc);
  ASSERT_EQ(rc, kOk);
  ASSERT_EQ(got.width, 4);
  auto px = [&](int x, int y) {
    const uint8_t* p = &got.pixels[(y * got.width + x) * 3];
    return std::array<int, 3>{p[0], p[1], p[2]};
  };
  EXPECT_EQ(px(0, 0), (std::array<int, 3>{255, 0, 0}));
  EXPECT_EQ(px(3, 0), (std::array<int, 3>{0, 255, 0}));
  EXPECT_EQ(px(1, 3), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(px(3, 3), (std::array<int, 3>{255, 255, 255}));
  // 8 units at 192 per inch: a 4 x 4 canvas; the bitmap mirrored by a negative width into the
  // left half; the rest stays black.
  got = Play(Wmf(8, 8, 192, {StretchDib(2, 2, 0, 0, 8, -4, 0, 4)}), ImageFileType::WindowsMetafile,
             &rc);
  ASSERT_EQ(rc, kOk);
  ASSERT_EQ(got.width, 4);
  EXPECT_EQ(px(0, 0), (std::array<int, 3>{0, 255, 0}));
  EXPECT_EQ(px(1, 0), (std::array<int, 3>{255, 0, 0}));
  EXPECT_EQ(px(2, 0), (std::array<int, 3>{0, 0, 0}));
  // A window origin moves the bitmap: logical (2, 0) is the canvas's left edge.
  got = Play(Wmf(4, 2, 96, {Words({0x020B, 0, 2}), StretchDib(2, 2, 0, 0, 2, 2, 0, 2)}),
             ImageFileType::WindowsMetafile, &rc);
  ASSERT_EQ(rc, kOk);
  EXPECT_EQ(px(0, 0), (std::array<int, 3>{255, 0, 0}));
  EXPECT_EQ(px(2, 0), (std::array<int, 3>{0, 0, 0}));
  // Source rectangle: the bottom row of the bottom-up bitmap (ySrc 0) is blue and white.
  got = Play(Wmf(2, 1, 96, {StretchDib(1, 2, 0, 0, 1, 2, 0, 0)}), ImageFileType::WindowsMetafile,
             &rc);
  ASSERT_EQ(rc, kOk);
  EXPECT_EQ(got, (Rgb24{2, 1, {0, 0, 255, 255, 255, 255}}));
}

TEST(Metafile, RecordsThePlayerDoesNotDrawMakeTheFileUnreadable) {
  struct Case {
    const char* name;
    Bytes file;
    int code;
  };
  const Bytes bitmap = StretchDib(2, 2, 0, 0, 2, 2, 0, 0);
  const Bytes whole = Wmf(2, 2, 96, {bitmap});
  const Case cases[] = {
      {"line", Wmf(2, 2, 96, {bitmap, Words({0x0213, 1, 1})}), kInvalidArgument},
      {"rectangle", Wmf(2, 2, 96, {Words({0x041B, 0, 0, 1, 1}), bitmap}), kInvalidArgument},
      {"clip", Wmf(2, 2, 96, {Words({0x0416, 0, 0, 1, 1}), bitmap}), kInvalidArgument},
      {"no drawing", Wmf(2, 2, 96, {Words({0x0102, 1})}), kInvalidArgument},
      {"other raster op", Wmf(2, 2, 96, {StretchDib(2, 2, 0, 0, 2, 2, 0, 0, 0x008800C6)}),
       kInvalidArgument},
      {"zero units per inch", Wmf(2, 2, 0, {bitmap}), kBadFile},
      {"record past the end", Bytes(whole.begin(), whole.begin() + 60), kBadFile},
      {"absurd box for a small file", Wmf(30000, 30000, 1, {bitmap}), kOutOfMemory},
  };
  for (const Case& c : cases) {
    int rc = -1;
    Play(c.file, ImageFileType::WindowsMetafile, &rc);
    EXPECT_EQ(rc, c.code) << c.name;
  }
  // Enhanced: a LineTo record (type 54) after the bitmap.
  RasterImage image;
  testing::FillImage(image, kTwoByTwo);
  Bytes emf;
  ASSERT_EQ(WriteEmf(image, emf), kOk);
  int rc = -1;
  Play(emf, ImageFileType::EnhancedMetafile, &rc);
  ASSERT_EQ(rc, kOk);
  Bytes withLine(emf.begin(), emf.end() - 20);
  PutU32le(withLine, 54);
  PutU32le(withLine, 16);
  PutU32le(withLine, 1);
  PutU32le(withLine, 1);
  withLine.insert(withLine.end(), emf.end() - 20, emf.end());
  Play(withLine, ImageFileType::EnhancedMetafile, &rc);
  EXPECT_EQ(rc, kInvalidArgument);
}

TEST(Metafile, PlainWindowsMetafileAndEnhancedViewportScaling) {
  // Without the placeable header the window extent gives the size: 4 x 2 logical units, the
  // bitmap stretched over the right half. SaveDC/RestoreDC bring the window back.
  Bytes plain = Words({1, 9, 0x300, 0, 0, 0, 0, 0, 0});
  auto add = [&](const Bytes& body) {
    PutU32le(plain, static_cast<uint32_t>((body.size() + 4) / 2));
    plain.insert(plain.end(), body.begin(), body.end());
  };
  add(Words({0x020C, 2, 4}));           // window extent 4 x 2
  add(Words({0x001E}));                 // save
  add(Words({0x020B, 0, 100}));         // a window origin that the restore undoes
  add(Words({0x0127, 0xFFFF}));         // restore
  add(StretchDib(2, 2, 0, 0, 2, 2, 0, 2));
  PutU32le(plain, 3);
  PutU16le(plain, 0);
  int rc = -1;
  const Rgb24 got = Play(plain, ImageFileType::WindowsMetafile, &rc);
  ASSERT_EQ(rc, kOk);
  EXPECT_EQ(got, (Rgb24{4, 2, {0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 255, 0,
                               0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255}}));

  // An enhanced metafile whose viewport is twice its window draws the bitmap at twice the size:
  // the 2 x 2 canvas then shows only the bitmap's top-left pixel.
  RasterImage image;
  testing::FillImage(image, kTwoByTwo);
  Bytes emf;
  ASSERT_EQ(WriteEmf(image, emf), kOk);
  ASSERT_EQ(ByteView(emf).U32le(136), 11u);  // SetViewportExtEx
  emf[144] = 192;
  emf[148] = 192;
  const Rgb24 doubled = Play(emf, ImageFileType::EnhancedMetafile, &rc);
  ASSERT_EQ(rc, kOk);
  EXPECT_EQ(doubled, (Rgb24{2, 2, {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0}}));
}

// Enhanced metafiles from other programs often copy pictures with block transfers instead.
TEST(Metafile, EnhancedBlockTransfers) {
  RasterImage image;
  testing::FillImage(image, kTwoByTwo);
  Bytes emf;
  ASSERT_EQ(WriteEmf(image, emf), kOk);
  ASSERT_EQ(ByteView(emf).U32le(152), 81u);
  const Bytes head(emf.begin(), emf.begin() + 152);
  const Bytes eof(emf.end() - 20, emf.end());
  const Bytes dib = TwoByTwoDib();
  auto blt = [&](bool stretch, float scale) {
    const uint32_t fixed = stretch ? 108 : 100;
    Bytes f = head;
    PutU32le(f, stretch ? 77 : 76);
    PutU32le(f, static_cast<uint32_t>(fixed + dib.size()));
    for (int i = 0; i < 4; ++i) PutU32le(f, 0);  // bounds
    for (uint32_t v : {0u, 0u, 2u, 2u, kSrcCopy, 0u, 0u}) PutU32le(f, v);
    for (float m : {scale, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) {
      uint32_t bits;
      std::memcpy(&bits, &m, 4);
      PutU32le(f, bits);
    }
    for (uint32_t v : {0u, 0u, fixed, 40u, fixed + 40, static_cast<uint32_t>(dib.size() - 40)})
      PutU32le(f, v);
    if (stretch) {
      PutU32le(f, 2);
      PutU32le(f, 2);
    }
    f.insert(f.end(), dib.begin(), dib.end());
    f.insert(f.end(), eof.begin(), eof.end());
    return f;
  };
  for (bool stretch : {false, true}) {
    int rc = -1;
    EXPECT_EQ(Play(blt(stretch, 1.0f), ImageFileType::EnhancedMetafile, &rc), kTwoByTwo) << stretch;
    EXPECT_EQ(rc, kOk);
    Play(blt(stretch, 2.0f), ImageFileType::EnhancedMetafile, &rc);  // a scaled source
    EXPECT_EQ(rc, kInvalidArgument);
  }
}

}  // namespace
}  // namespace orvane
