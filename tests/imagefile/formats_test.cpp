// The own format readers on hand-made files: the variants the other tools do not write, the
// clipboard bitmap, and damaged or hostile files.
#include <gtest/gtest.h>

#include <functional>

#include "format_test_util.h"
#include "imagefile/codec/bmp.h"
#include "imagefile/codec/byte_view.h"
#include "hostile_fixtures.h"
#include "imagefile/codec/codec.h"

namespace orvane {
namespace {

using testing::PixelsOf;
using testing::Rgb24;
using Bytes = std::vector<uint8_t>;

// A packed bitmap: header of headerSize bytes (12 or >= 40), then `extra` (masks or palette),
// then the pixel bytes as given.
Bytes Dib(uint32_t headerSize, int32_t w, int32_t h, int bits, uint32_t compression,
          const Bytes& extra, const Bytes& pixels, uint32_t coloursUsed = 0,
          const std::vector<uint32_t>& headerMasks = {}) {
  Bytes d;
  PutU32le(d, headerSize);
  if (headerSize == 12) {
    PutU16le(d, w);
    PutU16le(d, h);
    PutU16le(d, 1);
    PutU16le(d, bits);
  } else {
    PutU32le(d, static_cast<uint32_t>(w));
    PutU32le(d, static_cast<uint32_t>(h));
    PutU16le(d, 1);
    PutU16le(d, bits);
    PutU32le(d, compression);
    PutU32le(d, static_cast<uint32_t>(pixels.size()));
    PutU32le(d, 3780);
    PutU32le(d, 3780);
    PutU32le(d, coloursUsed);
    PutU32le(d, 0);
    for (uint32_t m : headerMasks) PutU32le(d, m);
    d.resize(headerSize, 0);
  }
  d.insert(d.end(), extra.begin(), extra.end());
  d.insert(d.end(), pixels.begin(), pixels.end());
  return d;
}

Bytes FileFromDib(const Bytes& dib, uint32_t pixelOffsetInDib) {
  Bytes f = {'B', 'M'};
  PutU32le(f, static_cast<uint32_t>(14 + dib.size()));
  PutU32le(f, 0);
  PutU32le(f, 14 + pixelOffsetInDib);
  f.insert(f.end(), dib.begin(), dib.end());
  return f;
}

Rgb24 FromDib(const Bytes& dib, int* rc = nullptr) {
  RasterImage image;
  const int code = ConvertClipboardDib(dib, image);
  if (rc) *rc = code;
  return code == kOk ? PixelsOf(image) : Rgb24{};
}

Bytes Le32s(std::initializer_list<uint32_t> values) {
  Bytes b;
  for (uint32_t v : values) PutU32le(b, v);
  return b;
}

TEST(ClipboardDib, TopDown32BitWithMasksBecomesUpright) {
  // Two rows, top row first (negative height); masks in a 124-byte header. Opacity is laid on
  // white: half (0x80), none (0), full (0xFF).
  const Bytes px = {0x10, 0x20, 0x30, 0x80, 0x00, 0x00, 0xFF, 0x00,   // row 0
                    0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x02, 0x03, 0xFF};  // row 1
  const Bytes dib = Dib(124, 2, -2, 32, 3, {}, px, 0, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000});
  int rc = -1;
  const Rgb24 got = FromDib(dib, &rc);
  ASSERT_EQ(rc, kOk);
  EXPECT_EQ(got, (Rgb24{2, 2, {151, 143, 135, 255, 255, 255, 255, 255, 255, 3, 2, 1}}));
  // The same pixels with every opacity byte 0: the fourth byte was not meant, all opaque.
  const Bytes clear = {0x10, 0x20, 0x30, 0, 0x00, 0x00, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 1, 2, 3, 0};
  EXPECT_EQ(FromDib(Dib(124, 2, -2, 32, 3, {}, clear, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000})),
            (Rgb24{2, 2, {0x30, 0x20, 0x10, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 3, 2, 1}}));
}

TEST(ClipboardDib, BitCountsAndHeaders) {
  struct Case {
    const char* name;
    Bytes dib;
    Rgb24 expected;
  };
  const Bytes pal2 = {0, 0, 0, 0, 255, 255, 255, 0};
  const Bytes pal4 = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 9, 9, 9, 0};  // red green blue grey
  const Rgb24 red_green{2, 1, {255, 0, 0, 0, 255, 0}};
  const Case cases[] = {
      // 1 bit, bottom-up: the second stored row is the top one.
      {"1bit", Dib(40, 3, 2, 1, 0, pal2, {0b10100000, 0, 0, 0, 0b01000000, 0, 0, 0}),
       Rgb24{3, 2, {0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255}}},
      {"2bit", Dib(40, 4, 1, 2, 0, pal4, {0b00011011, 0, 0, 0}, 4),
       Rgb24{4, 1, {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9}}},
      {"4bit", Dib(40, 2, 1, 4, 0, pal4, {0x01, 0, 0, 0}, 4), red_green},
      {"8bit core header", Dib(12, 2, 1, 8, 0, Bytes(256 * 3, 0), {0, 0, 0, 0}),
       Rgb24{2, 1, {0, 0, 0, 0, 0, 0}}},
      // 16 bits default 5-5-5.
      {"16bit 555", Dib(40, 2, 1, 16, 0, {}, {0x00, 0x7C, 0xE0, 0x03}), red_green},
      // 5-6-5 with the masks right after a 40-byte header.
      {"16bit 565", Dib(40, 2, 1, 16, 3, Le32s({0xF800, 0x07E0, 0x001F}), {0x00, 0xF8, 0xE0, 0x07}),
       red_green},
      {"24bit", Dib(40, 2, 1, 24, 0, {}, {0, 0, 255, 0, 255, 0, 0, 0}), red_green},
      {"32bit v4", Dib(108, 2, 1, 32, 0, {}, {0, 0, 255, 0, 0, 255, 0, 0}), red_green},
      // Palette size stated by coloursUsed: only two entries stored before the pixels.
      {"8bit short palette", Dib(40, 2, 1, 8, 0, {0, 0, 255, 0, 0, 255, 0, 0}, {0, 1, 0, 0}, 2),
       red_green},
  };
  for (const Case& c : cases) {
    int rc = -1;
    EXPECT_EQ(FromDib(c.dib, &rc), c.expected) << c.name;
    EXPECT_EQ(rc, kOk) << c.name;
  }
}

TEST(ClipboardDib, RunLengthWithDeltaAndEndOfLine) {
  const Bytes pal = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};  // black red green blue
  // RLE8, 4 x 3, bottom-up. Row 0 (bottom): run of 2 red, absolute run blue, green, black
  // (the last falls outside the row and is dropped; the run is padded), end of line.
  // Row 1: delta +1 column, +1 row (skips the rest of row 1 and column 0 of row 2).
  // Row 2 (top): run of 3 blue from column 1, end of bitmap.
  const Bytes rle8 = {2, 1, 0, 3, 3, 2, 0, 0, 0, 0, 0, 2, 1, 1, 3, 3, 0, 1};
  const Rgb24 expected{4, 3, {0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255,  // top row
                              0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                              255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 255, 0}};
  int rc = -1;
  EXPECT_EQ(FromDib(Dib(40, 4, 3, 8, 1, pal, rle8, 4), &rc), expected);
  EXPECT_EQ(rc, kOk);
  // RLE4: a run alternates its two nibbles; an absolute run of 3 nibbles takes 2 bytes + pad.
  const Bytes rle4 = {3, 0x12, 0, 3, 0x31, 0x20, 0, 1};
  const Rgb24 expected4{6, 1, {255, 0, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 255, 0, 0, 0, 255, 0}};
  EXPECT_EQ(FromDib(Dib(40, 6, 1, 4, 2, pal, rle4, 4), &rc), expected4);
  EXPECT_EQ(rc, kOk);
}

TEST(ClipboardDib, DamagedHeadersEndInCodes) {
  const Bytes px(16, 0);
  const Bytes full124 = Dib(124, 2, 2, 24, 0, {}, px);
  struct Case {
    const char* name;
    Bytes dib;
    int code;
  };
  const Case cases[] = {
      {"empty", {}, kBadFile},
      {"header larger than data", Bytes(full124.begin(), full124.begin() + 60), kBadFile},
      {"zero width", Dib(40, 0, 2, 24, 0, {}, px), kBadFile},
      {"pixels missing", Dib(40, 4, 4, 24, 0, {}, px), kBadFile},
      {"palette missing", Dib(40, 2, 2, 8, 0, {}, {}, 200), kBadFile},
      {"bit count 7", Dib(40, 2, 2, 7, 0, {}, px), kUnsupportedFile},
      {"embedded jpeg", Dib(40, 2, 2, 0, 4, {}, px), kUnsupportedFile},
      {"huge, no data", Dib(40, 0x7FFFFFFF, 0x7FFFFFFF, 24, 0, {}, px), kOutOfMemory},
      {"huge run-length", Dib(40, 30000, 30000, 8, 1, Bytes(1024, 0), {0, 1}), kBadFile},
      {"most negative height", Dib(40, 2, INT32_MIN, 24, 0, {}, px), kOutOfMemory},
  };
  for (const Case& c : cases) {
    int rc = -1;
    FromDib(c.dib, &rc);
    EXPECT_EQ(rc, c.code) << c.name;
  }
}

TEST(BmpFile, PixelOffsetAndResolutionFromTheHeaders) {
  // A gap between palette and pixels: only the file header's offset finds them.
  Bytes dib = Dib(40, 1, 1, 24, 0, {}, {});
  dib.insert(dib.end(), {0xEE, 0xEE, 0, 0, 255, 0});  // two filler bytes, then the pixel
  const Bytes file = FileFromDib(dib, 42);
  RasterImage image;
  ASSERT_EQ(ReadImage(file, RefineBmp(file), 0, image), kOk);
  EXPECT_EQ(PixelsOf(image), (Rgb24{1, 1, {255, 0, 0}}));
  EXPECT_EQ(image.resolutionX, 37u);  // 3780 per metre
  EXPECT_EQ(image.resolutionUnit, 3u);
}

TEST(BmpFile, BilevelStaysOneBitWithItsPalette) {
  const Bytes pal = {10, 20, 30, 0, 200, 210, 220, 0};
  const Bytes file = FileFromDib(Dib(40, 9, 1, 1, 0, pal, {0xFF, 0x80, 0, 0}), 48);
  EXPECT_EQ(RefineBmp(file), ImageFileType::BmpBilevel);
  RasterImage image;
  ASSERT_EQ(ReadImage(file, ImageFileType::BmpBilevel, 0, image), kOk);
  EXPECT_EQ(image.BitsPerPixel(), 1);
  EXPECT_EQ(image.PaletteSize(), 2);
  EXPECT_EQ(image.palette[1].red, 220);
  EXPECT_EQ(image.Pixels()[0], 0xFF);
  EXPECT_EQ(image.Pixels()[1], 0x80);
  EXPECT_EQ(image.resolutionX, 300u);  // bilevel bitmaps report the default
}

TEST(BmpWriter, SaveResolution) {
  struct Case {
    int value, unit;
    uint32_t perMetre;
  };
  for (const Case c : {Case{300, 1, 0}, Case{300, 2, 11811}, Case{37, 3, 3700}}) {
    RasterImage image;
    testing::FillImage(image, testing::TestPicture(3, 2));
    image.saveResolutionX = image.saveResolutionY = c.value;
    image.saveResolutionUnit = c.unit;
    Bytes out;
    ASSERT_EQ(WriteBmp(image, out), kOk);
    EXPECT_EQ(ByteView(out).U32le(38), c.perMetre);
    EXPECT_EQ(out.size(), 54u + 12u * 2u);  // rows padded to 4 bytes
    RasterImage back;
    ASSERT_EQ(ReadImage(out, ImageFileType::BmpRgb, 0, back), kOk);
    EXPECT_EQ(PixelsOf(back), PixelsOf(image));
  }
}

// Targa variants that netpbm does not write: 15/16 and 32 bits, the four origins, grey with
// alpha, a colour map starting above 0, and a packet running on into the next row.
Bytes Tga(int type, int w, int h, int bits, uint8_t descriptor, const Bytes& data,
          const Bytes& map = {}, int mapFirst = 0, int mapBits = 24) {
  const int mapEntries = map.empty() ? 0 : static_cast<int>(map.size() / ((mapBits + 7) / 8));
  Bytes t = {0, static_cast<uint8_t>(map.empty() ? 0 : 1), static_cast<uint8_t>(type)};
  PutU16le(t, mapFirst);
  PutU16le(t, mapEntries);
  t.push_back(static_cast<uint8_t>(map.empty() ? 0 : mapBits));
  PutU16le(t, 0);
  PutU16le(t, 0);
  PutU16le(t, w);
  PutU16le(t, h);
  t.push_back(static_cast<uint8_t>(bits));
  t.push_back(descriptor);
  t.insert(t.end(), map.begin(), map.end());
  t.insert(t.end(), data.begin(), data.end());
  return t;
}

TEST(Targa, VariantsAndOrigins) {
  // Stored pixels A B / C D in file order; what the picture shows depends on the origin.
  const Bytes bgr = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  auto px = [](std::initializer_list<int> order) {
    const uint8_t rgb[4][3] = {{3, 2, 1}, {6, 5, 4}, {9, 8, 7}, {12, 11, 10}};
    Rgb24 p{2, 2, {}};
    for (int i : order) p.pixels.insert(p.pixels.end(), rgb[i], rgb[i] + 3);
    return p;
  };
  struct Case {
    const char* name;
    Bytes file;
    Rgb24 expected;
    ImageFileType type;
  };
  const Rgb24 red_blue{2, 1, {255, 0, 0, 0, 0, 255}};
  const Case cases[] = {
      {"bottom-left", Tga(2, 2, 2, 24, 0x00, bgr), px({2, 3, 0, 1}), ImageFileType::TgaRgb},
      {"top-left", Tga(2, 2, 2, 24, 0x20, bgr), px({0, 1, 2, 3}), ImageFileType::TgaRgb},
      {"bottom-right", Tga(2, 2, 2, 24, 0x10, bgr), px({3, 2, 1, 0}), ImageFileType::TgaRgb},
      {"top-right", Tga(2, 2, 2, 24, 0x30, bgr), px({1, 0, 3, 2}), ImageFileType::TgaRgb},
      {"16 bit", Tga(2, 2, 1, 16, 0x20, {0x00, 0x7C, 0x1F, 0x80}), red_blue, ImageFileType::TgaRgb},
      {"15 bit", Tga(2, 2, 1, 15, 0x20, {0x00, 0x7C, 0x1F, 0x00}), red_blue, ImageFileType::TgaRgb},
      {"32 bit", Tga(2, 2, 1, 32, 0x20, {0, 0, 255, 0, 255, 0, 0, 128}), red_blue,
       ImageFileType::TgaRgb},
      // With 8 alpha bits declared, opacity is laid on white: none, then half.
      {"32 bit alpha", Tga(2, 2, 1, 32, 0x28, {0, 0, 255, 0, 255, 0, 0, 128}),
       Rgb24{2, 1, {255, 255, 255, 127, 127, 255}}, ImageFileType::TgaRgb},
      {"16 bit alpha", Tga(2, 2, 1, 16, 0x21, {0x00, 0x7C, 0x1F, 0x80}),
       Rgb24{2, 1, {255, 255, 255, 0, 0, 255}}, ImageFileType::TgaRgb},
      {"grey with alpha", Tga(3, 2, 1, 16, 0x28, {7, 0, 9, 255}),
       Rgb24{2, 1, {255, 255, 255, 9, 9, 9}}, ImageFileType::TgaRgb},
      // Map entries 5 and 6; pixel values index the map from mapFirst.
      {"map from 5, 16-bit entries", Tga(1, 2, 1, 8, 0x20, {5, 6}, {0x00, 0x7C, 0x1F, 0x00}, 5, 16),
       red_blue, ImageFileType::TgaIndexed},
      // One run packet of 3 covers row 0 and the start of row 1, then a raw packet of 1.
      {"packet across rows", Tga(10, 2, 2, 24, 0x20, {0x82, 1, 2, 3, 0x00, 4, 5, 6}),
       px({0, 0, 0, 1}), ImageFileType::TgaRgb},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RefineTga(c.file), c.type) << c.name;
    RasterImage image;
    ASSERT_EQ(ReadImage(c.file, ImageFileType::TgaRgb, 0, image), kOk) << c.name;
    EXPECT_EQ(PixelsOf(image), c.expected) << c.name;
  }
}

TEST(Detection, TargaByFooterAndWirelessBitmapByDefault) {
  RasterImage image;
  testing::FillImage(image, testing::TestPicture(5, 4));
  Bytes tga;
  ASSERT_EQ(WriteTga(image, tga), kOk);
  EXPECT_EQ(DetectImageTypeInMemory(tga, "picture.dat"), ImageFileType::TgaRgb);
  Bytes wbmp;
  ASSERT_EQ(WriteWbmp(image, wbmp), kOk);
  EXPECT_EQ(DetectImageTypeInMemory(wbmp, "picture.dat"), ImageFileType::Wbmp);
  // The same Targa bytes without the footer count as a wireless bitmap unless named .tga.
  const Bytes bare(tga.begin(), tga.end() - 26);
  EXPECT_EQ(DetectImageTypeInMemory(bare, "picture.dat"), ImageFileType::Wbmp);
  EXPECT_EQ(DetectImageTypeInMemory(bare, "PICTURE.TGA"), ImageFileType::TgaRgb);
}

TEST(Photoshop, LabAndMultichannel) {
  auto psd = [](int mode, int channels, const Bytes& planes) {
    Bytes f = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
    PutU16be(f, channels);
    PutU32be(f, 1);  // height
    PutU32be(f, 2);  // width
    PutU16be(f, 8);
    PutU16be(f, mode);
    PutU32be(f, 0);
    PutU32be(f, 0);
    PutU32be(f, 0);
    PutU16be(f, 0);
    f.insert(f.end(), planes.begin(), planes.end());
    return f;
  };
  RasterImage image;
  // Lab: L 255 a 128 b 128 is white; L 0 is black.
  ASSERT_EQ(ReadImage(psd(9, 3, {255, 0, 128, 128, 128, 128}), ImageFileType::PsdRgb, 0, image), kOk);
  EXPECT_EQ(PixelsOf(image), (Rgb24{2, 1, {255, 255, 255, 0, 0, 0}}));
  // Multichannel inks are stored inverted, so the values read as red, green, blue.
  ASSERT_EQ(ReadImage(psd(7, 3, {10, 20, 30, 40, 50, 60}), ImageFileType::PsdRgb, 0, image), kOk);
  EXPECT_EQ(PixelsOf(image), (Rgb24{2, 1, {10, 30, 50, 20, 40, 60}}));
  // A PackBits row that would overrun its row is damage.
  Bytes bad = psd(1, 1, {});
  bad[bad.size() - 1] = 1;  // compression 1
  bad.insert(bad.end(), {0, 3, 0x02, 1, 2, 3});
  EXPECT_EQ(ReadImage(bad, ImageFileType::PsdIndexed, 0, image), kBadFile);
}

TEST(Pcx, MonochromePaletteFromTheHeaderOrBlackAndWhite) {
  // 8 x 1 pixels, one plane of one bit, run-length coded: 0xF0 = four set, four clear.
  auto pcx = [](std::array<uint8_t, 6> colours) {
    Bytes f(128, 0);
    f[0] = 0x0A;
    f[1] = 5;
    f[2] = 1;
    f[3] = 1;
    f[8] = 7;  // xmax
    std::copy(colours.begin(), colours.end(), f.begin() + 16);
    f[65] = 1;
    f[66] = 2;  // bytes per line
    f.insert(f.end(), {0xC1, 0xF0, 0x00});
    return f;
  };
  RasterImage image;
  ASSERT_EQ(ReadImage(pcx({255, 0, 0, 0, 0, 255}), ImageFileType::PcxIndexed, 0, image), kOk);
  EXPECT_EQ(PixelsOf(image).pixels[0], 0);    // set bits: entry 1, blue
  EXPECT_EQ(PixelsOf(image).pixels[2], 255);
  EXPECT_EQ(PixelsOf(image).pixels[12], 255);  // clear bits: entry 0, red
  ASSERT_EQ(ReadImage(pcx({0, 0, 0, 0, 0, 0}), ImageFileType::PcxIndexed, 0, image), kOk);
  EXPECT_EQ(PixelsOf(image), (Rgb24{8, 1, {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
                                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}));
}

// Every prefix and a set of single-byte corruptions of a valid file must end in a code or a
// picture, never in a crash (the sanitizer build runs this).
void ExpectRobust(const char* name, const Bytes& valid,
                  const std::function<int(std::span<const uint8_t>, RasterImage&)>& read) {
  RasterImage image;
  ASSERT_EQ(read(valid, image), kOk) << name;
  const size_t step = std::max<size_t>(1, valid.size() / 300);
  for (size_t n = 0; n < valid.size(); n += step) {
    RasterImage part;
    const int rc = read(std::span<const uint8_t>(valid.data(), n), part);
    if (rc != kOk) {
      EXPECT_TRUE(part.IsEmpty()) << name << " prefix " << n;
    }
  }
  std::mt19937 rng(11);
  for (int i = 0; i < 400; ++i) {
    Bytes bent = valid;
    const size_t at = rng() % std::min<size_t>(bent.size(), 160);
    bent[at] = static_cast<uint8_t>(rng());
    RasterImage part;
    read(bent, part);
  }
}

TEST(Robustness, DamagedFilesEndInCodes) {
  RasterImage image;
  testing::FillImage(image, testing::TestPicture(23, 7));
  struct Writer {
    const char* name;
    int (*write)(const RasterImage&, Bytes&);
    ImageFileType type;
  };
  const Writer writers[] = {
      {"bmp", WriteBmp, ImageFileType::BmpRgb},
      {"pcx", WritePcx, ImageFileType::PcxRgb},
      {"tga", WriteTga, ImageFileType::TgaRgb},
      {"psd", WritePsd, ImageFileType::PsdRgb},
      {"wbmp", WriteWbmp, ImageFileType::Wbmp},
  };
  for (const Writer& w : writers) {
    Bytes file;
    ASSERT_EQ(w.write(image, file), kOk) << w.name;
    ExpectRobust(w.name, file, [&](std::span<const uint8_t> f, RasterImage& out) {
      return ReadImage(f, w.type, 0, out);
    });
  }
  // Run-length and palette variants from hand-made data.
  const Bytes pal(16, 40);
  ExpectRobust("bmp rle8", FileFromDib(Dib(40, 4, 3, 8, 1, pal, {2, 1, 0, 3, 3, 2, 0, 0, 0, 0, 0, 2, 1, 1, 3, 3, 0, 1}, 4), 56),
               [](std::span<const uint8_t> f, RasterImage& out) {
                 return ReadImage(f, ImageFileType::BmpIndexed, 0, out);
               });
  ExpectRobust("tga rle map", Tga(9, 2, 2, 8, 0x20, {0x81, 5, 0x01, 6, 5}, {0x00, 0x7C, 0x1F, 0x00}, 5, 16),
               [](std::span<const uint8_t> f, RasterImage& out) {
                 return ReadImage(f, ImageFileType::TgaIndexed, 0, out);
               });
}

TEST(Robustness, AbsurdSizesAreRefusedBeforeAllocating) {
  // Headers claiming enormous pictures with almost no data.
  Bytes pcx(128, 0);
  pcx[0] = 0x0A;
  pcx[1] = 5;
  pcx[2] = 1;
  pcx[3] = 8;
  pcx[8] = pcx[10] = 0x1F;  // 20000 x 20000
  pcx[9] = pcx[11] = 0x4E;
  pcx[65] = 3;
  pcx[66] = 0x20;
  pcx[67] = 0x4E;
  pcx.insert(pcx.end(), 64, 0xFF);  // runs of 63
  RasterImage image;
  EXPECT_EQ(ReadImage(pcx, ImageFileType::PcxRgb, 0, image), kBadFile);
  const Bytes tga = Tga(10, 65535, 65535, 24, 0, {0xFF, 1, 2, 3});
  EXPECT_EQ(ReadImage(tga, ImageFileType::TgaRgb, 0, image), kBadFile);
  const Bytes wbmp = {0, 0, 0x8F, 0xFF, 0xFF, 0x7F, 0x8F, 0xFF, 0xFF, 0x7F, 0};
  EXPECT_EQ(ReadImage(wbmp, ImageFileType::Wbmp, 0, image), kBadFile);
  Bytes psd = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3};
  PutU32be(psd, 30000);
  PutU32be(psd, 30000);
  PutU16be(psd, 8);
  PutU16be(psd, 3);
  psd.insert(psd.end(), 12, 0);
  PutU16be(psd, 1);
  psd.insert(psd.end(), 30000 * 3 * 2, 0);  // row lengths of 0
  EXPECT_EQ(ReadImage(psd, ImageFileType::PsdRgb, 0, image), kBadFile);
  EXPECT_TRUE(image.IsEmpty());
}

}  // namespace
}  // namespace orvane

namespace orvane {
namespace {

// Run-length data that stops before its end-of-bitmap marker and its last row is a cut file,
// not a picture that is mostly index 0.
TEST(BmpFile, RunLengthCutShortIsDamaged) {
  RasterImage whole;
  ASSERT_EQ(ReadImage(test::BmpRle8(false), ImageFileType::BmpIndexed, 0, whole), kOk);
  EXPECT_EQ(whole.Width(), 64);
  RasterImage cut;
  EXPECT_EQ(ReadImage(test::BmpRle8(true), ImageFileType::BmpIndexed, 0, cut), kBadFile);
  EXPECT_TRUE(cut.IsEmpty());
}

}  // namespace
}  // namespace orvane
