#include <gtest/gtest.h>

#include <tiffio.h>

#include <cstring>

#include "fixtures.h"
#include "hostile_fixtures.h"
#include "imagefile/codec/codec.h"

namespace orvane {
namespace {

struct TiffSpec {
  uint32_t width = 8, height = 4;
  uint16_t bits = 8, samples = 3, photometric = PHOTOMETRIC_RGB;
  uint16_t compression = COMPRESSION_NONE;
  uint16_t extraSamples = 0;  // 1: one unassociated alpha sample
  uint32_t tile = 0;          // tile size, 0: strips
  uint16_t inkset = 0;
  uint16_t orientation = 0;  // 0: no tag
  float xres = -1, yres = -1;
  uint16_t unit = RESUNIT_INCH;
  std::vector<uint16_t> colourMap;  // r, g, b maps one after the other
  std::vector<uint8_t> pixels;      // packed rows
};

void WriteTiffFile(const std::string& path, const TiffSpec& s) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, s.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, s.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, s.photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression);
  if (s.extraSamples) {
    uint16_t kind = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
  }
  if (s.inkset) TIFFSetField(tif, TIFFTAG_INKSET, s.inkset);
  if (s.orientation) TIFFSetField(tif, TIFFTAG_ORIENTATION, s.orientation);
  if (s.xres >= 0) {
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, s.xres);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, s.yres);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, s.unit);
  }
  if (!s.colourMap.empty()) {
    const size_t n = s.colourMap.size() / 3;
    TIFFSetField(tif, TIFFTAG_COLORMAP, s.colourMap.data(), s.colourMap.data() + n,
                 s.colourMap.data() + 2 * n);
  }
  const size_t rowBytes = (static_cast<size_t>(s.width) * s.bits * s.samples + 7) / 8;
  if (s.tile) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, s.tile);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, s.tile);
    const size_t tileRow = static_cast<size_t>(s.tile) * s.bits * s.samples / 8;
    std::vector<uint8_t> tile(TIFFTileSize(tif));
    for (uint32_t ty = 0; ty < s.height; ty += s.tile) {
      for (uint32_t tx = 0; tx < s.width; tx += s.tile) {
        std::fill(tile.begin(), tile.end(), 0);
        const size_t x0 = static_cast<size_t>(tx) * s.bits * s.samples / 8;
        for (uint32_t r = 0; r < s.tile && ty + r < s.height; ++r) {
          const size_t n = std::min(tileRow, rowBytes - x0);
          std::memcpy(tile.data() + r * tileRow, s.pixels.data() + (ty + r) * rowBytes + x0, n);
        }
        TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0);
      }
    }
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 3);
    std::vector<uint8_t> row(rowBytes);
    for (uint32_t y = 0; y < s.height; ++y) {
      std::memcpy(row.data(), s.pixels.data() + y * rowBytes, rowBytes);
      TIFFWriteScanline(tif, row.data(), y, 0);
    }
  }
  TIFFClose(tif);
}

std::vector<uint8_t> RgbPixels(uint32_t w, uint32_t h) {
  std::vector<uint8_t> p(static_cast<size_t>(w) * h * 3);
  for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>(i * 7);
  return p;
}

TEST(Tiff, StripsTilesAndCompressions) {
  test::TempDir dir;
  struct Case {
    const char* name;
    uint16_t compression;
    uint32_t tile;
  } cases[] = {{"none", COMPRESSION_NONE, 0}, {"lzw", COMPRESSION_LZW, 0},
               {"deflate", COMPRESSION_ADOBE_DEFLATE, 0}, {"packbits", COMPRESSION_PACKBITS, 0},
               {"tiled lzw", COMPRESSION_LZW, 16}};
  for (const Case& c : cases) {
    TiffSpec s;
    s.width = 37;
    s.height = 21;
    s.compression = c.compression;
    s.tile = c.tile;
    s.pixels = RgbPixels(s.width, s.height);
    const std::string path = dir.File(std::string(c.name) + ".tif");
    WriteTiffFile(path, s);
    RasterImage image;
    ASSERT_EQ(image.Load(path), kOk) << c.name;
    EXPECT_EQ(image.fileType, ImageFileType::TiffRgb);
    ASSERT_EQ(image.Width(), 37);
    ASSERT_EQ(image.Height(), 21);
    EXPECT_EQ(std::memcmp(image.Pixels(), s.pixels.data(), s.pixels.size()), 0) << c.name;
  }
}

// The file's Orientation tag turns the picture upright as an EXIF orientation does, colour and
// grey alike: pixel (x, y) of the upright picture is stored at At(x, y).
TEST(Tiff, OrientationTagTurnsThePictureUpright) {
  test::TempDir dir;
  constexpr uint32_t W = 5, H = 3;
  for (const uint16_t samples : {3, 1}) {
    for (uint16_t o = 1; o <= 8; ++o) {
      TiffSpec s;
      s.width = W;
      s.height = H;
      s.samples = samples;
      s.photometric = samples == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
      s.orientation = o;
      s.pixels = RgbPixels(W, H);
      s.pixels.resize(static_cast<size_t>(W) * H * samples);
      const std::string path = dir.File(std::to_string(samples * 10 + o) + ".tif");
      WriteTiffFile(path, s);
      RasterImage image;
      ASSERT_EQ(image.Load(path), kOk) << o;
      const bool turned = o >= 5;
      ASSERT_EQ(image.Width(), turned ? H : W) << o;
      ASSERT_EQ(image.Height(), turned ? W : H) << o;
      EXPECT_EQ(image.orientation, o);
      auto stored = [&](uint32_t x, uint32_t y) { return s.pixels[(y * W + x) * samples]; };
      auto at = [&](uint32_t x, uint32_t y) {
        switch (o) {
          case 2: return stored(W - 1 - x, y);
          case 3: return stored(W - 1 - x, H - 1 - y);
          case 4: return stored(x, H - 1 - y);
          case 5: return stored(y, x);
          case 6: return stored(y, H - 1 - x);
          case 7: return stored(W - 1 - y, H - 1 - x);
          case 8: return stored(W - 1 - y, x);
          default: return stored(x, y);
        }
      };
      const int step = image.BitsPerPixel() / 8;
      const int64_t row = image.RowBytes();
      for (uint32_t y = 0; y < static_cast<uint32_t>(image.Height()); ++y)
        for (uint32_t x = 0; x < static_cast<uint32_t>(image.Width()); ++x) {
          const uint8_t got = samples == 3 ? image.Pixels()[y * row + x * step]
                                           : image.palette[image.Pixels()[y * row + x * step]].red;
          ASSERT_EQ(got, at(x, y)) << "orientation " << o << " samples " << samples << " at " << x << "," << y;
        }
    }
  }
}

TEST(Tiff, PaletteGreyAndBilevelAtTheirDepth) {
  test::TempDir dir;
  // 4-bit palette: the file's colours.
  TiffSpec pal;
  pal.width = 4;
  pal.height = 2;
  pal.bits = 4;
  pal.samples = 1;
  pal.photometric = PHOTOMETRIC_PALETTE;
  pal.colourMap.assign(48, 0);
  for (int i = 0; i < 16; ++i) {
    pal.colourMap[i] = static_cast<uint16_t>(i * 4096);          // red
    pal.colourMap[16 + i] = static_cast<uint16_t>(65535 - i * 4096);  // green
    pal.colourMap[32 + i] = 0x2A00;                              // blue
  }
  pal.pixels = {0x01, 0x2F, 0xF0, 0x00};
  WriteTiffFile(dir.File("pal.tif"), pal);
  RasterImage image;
  ASSERT_EQ(image.Load(dir.File("pal.tif")), kOk);
  EXPECT_EQ(image.fileType, ImageFileType::TiffIndexed);
  ASSERT_EQ(image.BitsPerPixel(), 24);
  EXPECT_EQ(image.Pixels()[3 * 3], 15 * 16);  // pixel 3 is index 15: red 61440 >> 8
  EXPECT_EQ(image.Pixels()[3 * 3 + 2], 0x2A);
  EXPECT_EQ(image.Pixels()[1 * 3 + 1], 255 - 16);

  // Bilevel: 0 is white in the kept picture whatever the file's photometric said.
  for (uint16_t photometric : {PHOTOMETRIC_MINISWHITE, PHOTOMETRIC_MINISBLACK}) {
    for (uint16_t compression : {COMPRESSION_NONE, COMPRESSION_CCITTFAX4}) {
      TiffSpec bw;
      bw.width = 10;
      bw.height = 2;
      bw.bits = 1;
      bw.samples = 1;
      bw.photometric = photometric;
      bw.compression = compression;
      bw.pixels = {0b11000000, 0b01000000, 0x00, 0x00};
      WriteTiffFile(dir.File("bw.tif"), bw);
      RasterImage b;
      ASSERT_EQ(b.Load(dir.File("bw.tif")), kOk);
      EXPECT_EQ(b.fileType, ImageFileType::TiffBilevel);
      ASSERT_EQ(b.BitsPerPixel(), 1);
      EXPECT_EQ(b.PaletteSize(), 2);
      EXPECT_EQ(b.palette[0].red, 255);
      EXPECT_EQ(b.palette[1].red, 0);
      // The first two pixels are black on a white-is-zero file, white on a black-is-zero one.
      const uint8_t first = photometric == PHOTOMETRIC_MINISWHITE ? 0b11000000 : 0b00111111;
      EXPECT_EQ(b.Pixels()[0], first) << photometric << "/" << compression;
    }
  }
  // 8-bit grey.
  TiffSpec grey;
  grey.width = 3;
  grey.height = 1;
  grey.samples = 1;
  grey.photometric = PHOTOMETRIC_MINISBLACK;
  grey.pixels = {0, 100, 255};
  WriteTiffFile(dir.File("grey.tif"), grey);
  RasterImage g;
  ASSERT_EQ(g.Load(dir.File("grey.tif")), kOk);
  EXPECT_EQ(g.fileType, ImageFileType::TiffIndexed);
  EXPECT_EQ(g.Pixels()[3], 100);
  EXPECT_EQ(g.Pixels()[8], 255);
}

TEST(Tiff, SixteenBitCmykAndAlphaWidened) {
  test::TempDir dir;
  TiffSpec wide;
  wide.width = 2;
  wide.height = 1;
  wide.bits = 16;
  wide.pixels = {0x00, 0xFF, 0x00, 0x80, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0};  // little-endian host order
  WriteTiffFile(dir.File("16.tif"), wide);
  RasterImage a;
  ASSERT_EQ(a.Load(dir.File("16.tif")), kOk);
  EXPECT_NEAR(a.Pixels()[0], 0xFF, 1);
  EXPECT_NEAR(a.Pixels()[1], 0x80, 1);
  EXPECT_NEAR(a.Pixels()[2], 0xFF, 1);

  TiffSpec cmyk;
  cmyk.width = 1;
  cmyk.height = 1;
  cmyk.samples = 4;
  cmyk.photometric = PHOTOMETRIC_SEPARATED;
  cmyk.inkset = INKSET_CMYK;
  cmyk.pixels = {0, 255, 255, 0};
  WriteTiffFile(dir.File("cmyk.tif"), cmyk);
  RasterImage c;
  ASSERT_EQ(c.Load(dir.File("cmyk.tif")), kOk);
  EXPECT_EQ(c.Pixels()[0], 255);
  EXPECT_EQ(c.Pixels()[1], 0);

  TiffSpec alpha;
  alpha.width = 2;
  alpha.height = 1;
  alpha.samples = 4;
  alpha.extraSamples = 1;
  alpha.pixels = {0, 0, 0, 0, 0, 0, 0, 255};  // transparent black, opaque black
  WriteTiffFile(dir.File("alpha.tif"), alpha);
  RasterImage t;
  ASSERT_EQ(t.Load(dir.File("alpha.tif")), kOk);
  EXPECT_EQ(t.Pixels()[0], 255);  // laid on white
  EXPECT_EQ(t.Pixels()[3], 0);
}

TEST(Tiff, NonSquarePixelsAndResolutionUnits) {
  test::TempDir dir;
  struct Case {
    float xres, yres;
    uint16_t unit;
    int height;
    uint32_t runit;
  } cases[] = {
      {200, 100, RESUNIT_INCH, 200, 2},  // ratio 0.5: height doubled
      {200, 170, RESUNIT_INCH, 100, 2},  // ratio 0.85: left alone
      {204, 98, RESUNIT_INCH, 208, 2},   // fax: 100 / 0.48039 = 208.1
      {100, 200, RESUNIT_INCH, 50, 2},   // ratio 2: height halved
      {1000, 100, RESUNIT_INCH, 100, 2}, // ratio 0.1: a damaged tag, left alone
      {100, 100, RESUNIT_CENTIMETER, 100, 3},
      {72, 72, RESUNIT_NONE, 100, 1},
  };
  for (const Case& c : cases) {
    TiffSpec s;
    s.width = 20;
    s.height = 100;
    s.xres = c.xres;
    s.yres = c.yres;
    s.unit = c.unit;
    s.pixels = RgbPixels(20, 100);
    WriteTiffFile(dir.File("r.tif"), s);
    RasterImage image;
    ASSERT_EQ(image.Load(dir.File("r.tif")), kOk);
    EXPECT_EQ(image.Width(), 20);
    EXPECT_EQ(image.Height(), c.height) << c.xres << "x" << c.yres;
    EXPECT_EQ(image.resolutionX, static_cast<uint32_t>(c.xres));
    EXPECT_EQ(image.resolutionUnit, c.runit);
    EXPECT_EQ(image.saveResolutionUnit, static_cast<int>(c.runit));
  }
}

TEST(Tiff, WriterRoundTripWithTags) {
  RasterImage image;
  test::MakeRamp(image, 17, 9);
  for (int compression : {1, 5, 32773}) {
    image.tiffCompression = compression;
    std::vector<uint8_t> file;
    ASSERT_EQ(WriteTiff(image, file), kOk);
    test::TempDir dir;
    test::WriteBytes(dir.File("w.tif"), file);
    TIFF* tif = TIFFOpen(dir.File("w.tif").c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint16_t comp = 0, unit = 0;
    float xres = 0;
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &comp);
    TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres);
    TIFFClose(tif);
    EXPECT_EQ(comp, compression);
    EXPECT_EQ(unit, RESUNIT_NONE);
    EXPECT_EQ(xres, 300.0f);
    RasterImage back;
    ASSERT_EQ(back.Load(dir.File("w.tif")), kOk);
    EXPECT_EQ(test::MaxDifference(image, back), 0);
  }
  image.tiffCompression = 4242;
  std::vector<uint8_t> file;
  EXPECT_EQ(WriteTiff(image, file), kInvalidArgument);
}

TEST(Tiff, PageIndex) {
  test::TempDir dir;
  const std::string path = dir.File("pages.tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  for (uint32_t page = 0; page < 2; ++page) {
    const uint32_t w = 4 + page;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    std::vector<uint8_t> row(w * 3, static_cast<uint8_t>(50 + page * 100));
    for (uint32_t y = 0; y < 2; ++y) TIFFWriteScanline(tif, row.data(), y, 0);
    TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
  RasterImage first, second;
  ASSERT_EQ(first.Load(path), kOk);
  EXPECT_EQ(first.Width(), 4);
  EXPECT_EQ(first.pageIndex, 0);
  ASSERT_EQ(second.Load(path, ImageFileType::TiffRgb, 1), kOk);
  EXPECT_EQ(second.Width(), 5);
  EXPECT_EQ(second.pageIndex, 1);
  EXPECT_EQ(second.Pixels()[0], 150);
}

TEST(Tiff, DamagedFilesFailCleanly) {
  RasterImage image;
  test::MakeRamp(image, 16, 16);
  image.tiffCompression = 5;
  std::vector<uint8_t> good;
  ASSERT_EQ(WriteTiff(image, good), kOk);
  std::vector<std::vector<uint8_t>> cases = {
      {'I', 'I', 42, 0},
      {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x00},
      std::vector<uint8_t>(good.begin(), good.begin() + 100),
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    RasterImage out;
    EXPECT_NE(ReadImage(cases[i], ImageFileType::TiffRgb, 0, out), kOk) << i;
    EXPECT_TRUE(out.IsEmpty());
  }
  RasterImage page;
  EXPECT_NE(ReadImage(good, ImageFileType::TiffRgb, 3, page), kOk);  // no such page
  // A valid directory announcing 50000 x 50000 pixels in a tiny file: refused as too large.
  test::TempDir dir;
  TIFF* tif = TIFFOpen(dir.File("huge.tif").c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 50000);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 50000);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 1);
  std::vector<uint8_t> row(50000 * 3, 1);
  TIFFWriteScanline(tif, row.data(), 0, 0);
  TIFFClose(tif);
  RasterImage huge;
  EXPECT_EQ(huge.Load(dir.File("huge.tif")), kOutOfMemory);
  EXPECT_TRUE(huge.IsEmpty());
}

}  // namespace
}  // namespace orvane

namespace orvane {
namespace {

// Strips that are missing, short or do not decode make a damaged file, never a black picture.
TEST(Tiff, DamagedDataFails) {
  const std::vector<uint8_t> good = test::GoodTiff(COMPRESSION_ADOBE_DEFLATE);
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
  } cases[] = {
      {"deflate with garbage data", test::TiffGarbageData(COMPRESSION_ADOBE_DEFLATE)},
      {"lzw with garbage data", test::TiffGarbageData(COMPRESSION_LZW)},
      {"strip past the end", test::TiffMissingStrip()},
      {"strip cut short", [] {
         std::vector<uint8_t> f = test::GoodTiff(COMPRESSION_LZW);
         const size_t e = test::TiffEntry(f, 279);  // StripByteCounts
         test::SetTiffValue(f, 279, (f[e + 8] | (f[e + 9] << 8)) / 2u);
         return f;
       }()},
  };
  RasterImage image;
  ASSERT_EQ(ReadImage(good, ImageFileType::TiffRgb, 0, image), kOk);
  for (const Case& c : cases) {
    RasterImage damaged;
    EXPECT_EQ(ReadImage(c.file, ImageFileType::TiffRgb, 0, damaged), kBadFile) << c.name;
    EXPECT_TRUE(damaged.IsEmpty()) << c.name;
  }
}

// A 300-byte file claiming 32767 x 32767 pixels fails before the picture's memory is taken.
TEST(Tiff, LyingSizeFailsWithLittleMemory) {
  const std::vector<uint8_t> file = test::TiffClaimingHuge();
  ASSERT_LT(file.size(), 1000u);
  const int rc = test::RunWithMemoryLimit(RLIMIT_AS, 256 << 20, [&] {
    RasterImage image;
    return ReadImage(file, ImageFileType::TiffRgb, 0, image);
  });
  EXPECT_EQ(rc, kBadFile);
}

}  // namespace
}  // namespace orvane
