#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <cstring>

#include "fixtures.h"
#include "imagefile/codec/codec.h"
#include "imagefile/codec/png_image_data.h"

namespace orvane {
namespace {

struct PngLayout {
  int width = 4, height = 2, bitDepth = 8, colourType = PNG_COLOR_TYPE_RGB;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<uint8_t> trans;        // palette alpha
  int transGrey = -1;                // grey value that is transparent
  int physX = -1, physY = 0, physUnit = 0;
  std::vector<uint8_t> rows;         // packed rows as libpng wants them
};

void Append(png_structp png, png_bytep data, png_size_t n) {
  auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  v->insert(v->end(), data, data + n);
}
void Flush(png_structp) {}

std::vector<uint8_t> MakePng(const PngLayout& s) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, Append, Flush);
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colourType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  if (!s.trans.empty()) png_set_tRNS(png, info, s.trans.data(), static_cast<int>(s.trans.size()), nullptr);
  if (s.transGrey >= 0) {
    png_color_16 c{};
    c.gray = static_cast<png_uint_16>(s.transGrey);
    png_set_tRNS(png, info, nullptr, 0, &c);
  }
  if (s.physX >= 0) png_set_pHYs(png, info, s.physX, s.physY, s.physUnit);
  png_write_info(png, info);
  const size_t rowBytes = s.rows.size() / s.height;
  std::vector<png_bytep> rows;
  for (int y = 0; y < s.height; ++y) rows.push_back(const_cast<png_bytep>(s.rows.data() + y * rowBytes));
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

int LoadBytes(const std::vector<uint8_t>& file, RasterImage& image) {
  test::TempDir dir;
  const std::string path = dir.File("x.png");
  test::WriteBytes(path, file);
  return image.Load(path);
}

const uint8_t* Px(const RasterImage& image, int x, int y) {
  return image.Pixels() + (static_cast<size_t>(y) * image.Width() + x) * 3;
}

TEST(Png, SixteenColourPaletteLoadsAsTrueColour) {
  PngLayout s;
  s.width = 4;
  s.height = 2;
  s.bitDepth = 4;
  s.colourType = PNG_COLOR_TYPE_PALETTE;
  for (int i = 0; i < 16; ++i)
    s.palette.push_back(png_color{static_cast<png_byte>(i * 16), static_cast<png_byte>(255 - i), 7});
  s.rows = {0x01, 0x23, 0xF0, 0x5A};  // indices 0 1 2 3 / 15 0 5 10
  RasterImage image;
  const std::vector<uint8_t> file = MakePng(s);
  EXPECT_EQ(RefinePng(file), ImageFileType::PngIndexed);
  ASSERT_EQ(LoadBytes(file, image), kOk);
  EXPECT_EQ(image.fileType, ImageFileType::PngIndexed);
  EXPECT_EQ(image.BitsPerPixel(), 24);
  EXPECT_EQ(Px(image, 3, 0)[0], 48);
  EXPECT_EQ(Px(image, 0, 1)[0], 240);
  EXPECT_EQ(Px(image, 0, 1)[1], 240);
  EXPECT_EQ(Px(image, 3, 1)[0], 160);
  EXPECT_EQ(Px(image, 3, 1)[2], 7);
}

TEST(Png, OneBitStaysOneBit) {
  for (bool palette : {false, true}) {
    PngLayout s;
    s.width = 10;
    s.height = 2;
    s.bitDepth = 1;
    s.colourType = palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_GRAY;
    if (palette) s.palette = {{255, 0, 0}, {0, 0, 255}};
    s.rows = {0b10110000, 0b01000000, 0xFF, 0xC0};
    RasterImage image;
    ASSERT_EQ(LoadBytes(MakePng(s), image), kOk);
    EXPECT_EQ(image.fileType, ImageFileType::PngBilevel);
    ASSERT_EQ(image.BitsPerPixel(), 1);
    EXPECT_EQ(image.PaletteSize(), 2);
    EXPECT_EQ(image.Pixels()[0], 0b10110000);
    EXPECT_EQ(image.Pixels()[1], 0b01000000);
    EXPECT_EQ(image.Pixels()[3], 0xC0);
    if (palette) {
      EXPECT_EQ(image.palette[0].red, 255);
      EXPECT_EQ(image.palette[1].blue, 255);
    } else {
      EXPECT_EQ(image.palette[0].red, 0);
      EXPECT_EQ(image.palette[1].red, 255);
    }
  }
}

TEST(Png, TransparencyOnWhiteAndSixteenBit) {
  struct Case {
    const char* name;
    PngLayout layout;
    uint8_t r, g, b;  // first pixel
  };
  PngLayout greyAlpha;
  greyAlpha.width = 1;
  greyAlpha.height = 1;
  greyAlpha.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
  greyAlpha.rows = {0, 128};  // black at half opacity over white
  PngLayout rgba = greyAlpha;
  rgba.colourType = PNG_COLOR_TYPE_RGBA;
  rgba.rows = {255, 0, 0, 0};  // fully transparent red
  PngLayout sixteen = greyAlpha;
  sixteen.colourType = PNG_COLOR_TYPE_RGB;
  sixteen.bitDepth = 16;
  sixteen.rows = {0x12, 0x34, 0x80, 0x00, 0xFF, 0xFF};
  PngLayout paletteAlpha;
  paletteAlpha.width = 2;
  paletteAlpha.height = 1;
  paletteAlpha.bitDepth = 8;
  paletteAlpha.colourType = PNG_COLOR_TYPE_PALETTE;
  paletteAlpha.palette = {{0, 0, 0}, {10, 20, 30}};
  paletteAlpha.trans = {0};  // entry 0 transparent
  paletteAlpha.rows = {0, 1};
  PngLayout greyKey;
  greyKey.width = 1;
  greyKey.height = 1;
  greyKey.colourType = PNG_COLOR_TYPE_GRAY;
  greyKey.transGrey = 20;
  greyKey.rows = {20};
  PngLayout interlaced = sixteen;
  interlaced.interlaced = true;
  interlaced.bitDepth = 8;
  interlaced.width = 9;
  interlaced.height = 9;
  interlaced.rows.assign(9 * 9 * 3, 0);
  interlaced.rows[0] = 77;
  Case cases[] = {
      {"grey alpha", greyAlpha, 127, 127, 127},
      {"rgba transparent", rgba, 255, 255, 255},
      {"16-bit", sixteen, 0x12, 0x80, 0xFF},
      {"palette with tRNS", paletteAlpha, 255, 255, 255},
      {"grey key", greyKey, 255, 255, 255},
      {"interlaced", interlaced, 77, 0, 0},
  };
  for (const Case& c : cases) {
    RasterImage image;
    ASSERT_EQ(LoadBytes(MakePng(c.layout), image), kOk) << c.name;
    ASSERT_EQ(image.BitsPerPixel(), 24) << c.name;
    EXPECT_NEAR(image.Pixels()[0], c.r, 1) << c.name;
    EXPECT_NEAR(image.Pixels()[1], c.g, 1) << c.name;
    EXPECT_NEAR(image.Pixels()[2], c.b, 1) << c.name;
  }
}

TEST(Png, ResolutionFromPhys) {
  struct Case {
    int x, y, unit;
    uint32_t rx, ry, runit;
  } cases[] = {
      {3780, 3780, PNG_RESOLUTION_METER, 37, 37, 3},
      {2, 1, PNG_RESOLUTION_UNKNOWN, 2, 1, 1},
      {-1, 0, 0, 300, 300, 1},  // no pHYs chunk
  };
  for (const Case& c : cases) {
    PngLayout s;
    s.width = 1;
    s.height = 1;
    s.rows = {1, 2, 3};
    s.physX = c.x;
    s.physY = c.y;
    s.physUnit = c.unit;
    RasterImage image;
    ASSERT_EQ(LoadBytes(MakePng(s), image), kOk);
    EXPECT_EQ(image.resolutionX, c.rx);
    EXPECT_EQ(image.resolutionY, c.ry);
    EXPECT_EQ(image.resolutionUnit, c.runit);
  }
}

// Chunk type -> data, in file order.
std::vector<std::pair<std::string, std::vector<uint8_t>>> Chunks(const std::vector<uint8_t>& file) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> chunks;
  size_t at = 8;
  while (at + 12 <= file.size()) {
    const uint32_t n = (file[at] << 24) | (file[at + 1] << 16) | (file[at + 2] << 8) | file[at + 3];
    std::string type(file.begin() + at + 4, file.begin() + at + 8);
    chunks.push_back({type, std::vector<uint8_t>(file.begin() + at + 8, file.begin() + at + 8 + n)});
    at += 12 + n;
  }
  return chunks;
}

TEST(Png, SavedChunks) {
  RasterImage image;
  test::MakeRamp(image, 5, 3);
  std::vector<uint8_t> file;
  ASSERT_EQ(WritePng(image, file), kOk);
  const auto chunks = Chunks(file);
  ASSERT_FALSE(chunks.empty());
  EXPECT_EQ(chunks.front().first, "IHDR");
  EXPECT_EQ(chunks.front().second[8], 8);   // bit depth
  EXPECT_EQ(chunks.front().second[9], 2);   // RGB
  EXPECT_EQ(chunks.front().second[12], 0);  // not interlaced
  bool gama = false, phys = false, time = false;
  for (const auto& [type, data] : chunks) {
    if (type == "gAMA") {
      gama = true;
      EXPECT_EQ(data, (std::vector<uint8_t>{0, 0, 0x86, 0xC4}));  // 34500
    }
    if (type == "pHYs") {
      phys = true;
      EXPECT_EQ(data, (std::vector<uint8_t>{0, 0, 1, 0x2C, 0, 0, 1, 0x2C, 0}));  // 300, 300, unknown
    }
    if (type == "tIME") {
      time = true;
      ASSERT_EQ(data.size(), 7u);
      EXPECT_GE((data[0] << 8) | data[1], 2024);
    }
  }
  EXPECT_TRUE(gama);
  EXPECT_TRUE(phys);
  EXPECT_TRUE(time);
  RasterImage back;
  ASSERT_EQ(LoadBytes(file, back), kOk);
  EXPECT_EQ(test::MaxDifference(image, back), 0);
}

// A picture large enough to be deflated in several pieces, with texture so that every row
// filter gets chosen somewhere.
void MakeTextured(RasterImage& image, int w, int h) {
  ASSERT_EQ(image.Create(w, h, 24), kOk);
  uint32_t state = 7;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = image.Pixels() + (static_cast<size_t>(y) * w + x) * 3;
      state = state * 1664525u + 1013904223u;
      const int noise = y < h / 3 ? static_cast<int>(state >> 27) : 0;
      p[0] = static_cast<uint8_t>(x + noise);
      p[1] = static_cast<uint8_t>(y * 3 + (x / 64) * 40);
      p[2] = static_cast<uint8_t>(x > w / 2 ? (x ^ y) : noise * 8);
    }
}

TEST(Png, ImageDataInPiecesIsOneStreamWhateverTheThreads) {
  RasterImage image;
  MakeTextured(image, 1601, 1403);  // four pieces of about 2 MB of filtered rows
  std::vector<uint8_t> one, several;
  ASSERT_EQ(AppendPngImageData(image.Pixels(), image.Width(), image.Height(), 1, one), kOk);
  ASSERT_EQ(AppendPngImageData(image.Pixels(), image.Width(), image.Height(), 3, several), kOk);
  EXPECT_EQ(one, several);
  // One IDAT chunk per piece, then IEND; the joined chunks inflate as a single zlib stream
  // with a correct checksum, to exactly the filtered rows.
  std::vector<uint8_t> framed(8, 0);  // where the signature would be
  framed.insert(framed.end(), one.begin(), one.end());
  const auto chunks = Chunks(framed);
  ASSERT_EQ(chunks.size(), 5u);
  std::vector<uint8_t> stream;
  for (size_t i = 0; i + 1 < chunks.size(); ++i) {
    EXPECT_EQ(chunks[i].first, "IDAT");
    stream.insert(stream.end(), chunks[i].second.begin(), chunks[i].second.end());
  }
  EXPECT_EQ(chunks.back().first, "IEND");
  const size_t filtered = (1601 * 3 + 1) * size_t{1403};
  std::vector<uint8_t> rows(filtered + 1);
  uLongf n = rows.size();
  ASSERT_EQ(uncompress(rows.data(), &n, stream.data(), stream.size()), Z_OK);
  EXPECT_EQ(n, filtered);
  std::vector<uint8_t> file;
  ASSERT_EQ(WritePng(image, file), kOk);
  RasterImage back;
  ASSERT_EQ(LoadBytes(file, back), kOk);
  EXPECT_EQ(test::MaxDifference(image, back), 0);
}

// A reader that is told to stop between rows stops with nothing kept; one that is never told
// reads exactly what a read without the question reads, interlaced or not.
TEST(Png, ReadStopsWhenCancelledAndIsWholeOtherwise) {
  for (const bool interlaced : {false, true}) {
    PngLayout s;
    s.width = 40;
    s.height = 300;
    s.interlaced = interlaced;
    for (int i = 0; i < 40 * 300 * 3; ++i) s.rows.push_back(static_cast<uint8_t>(i * 31 / 7));
    const std::vector<uint8_t> file = MakePng(s);
    RasterImage plain;
    ASSERT_EQ(LoadBytes(file, plain), kOk);

    RasterImage asked;
    int questions = 0;
    asked.loadCancelled = [&] { return ++questions < 0; };
    ASSERT_EQ(LoadBytes(file, asked), kOk) << interlaced;
    EXPECT_GT(questions, 2) << interlaced;  // asked during the read, not only before it
    EXPECT_EQ(test::MaxDifference(plain, asked), 0) << interlaced;

    RasterImage stopped;
    questions = 0;
    stopped.loadCancelled = [&] { return ++questions == 2; };
    EXPECT_EQ(LoadBytes(file, stopped), kCancelled) << interlaced;
    EXPECT_EQ(questions, 2) << interlaced;
    EXPECT_TRUE(stopped.IsEmpty()) << interlaced;
  }
}

TEST(Png, DamagedFilesFailCleanly) {
  PngLayout s;
  s.width = 16;
  s.height = 16;
  s.rows.assign(16 * 16 * 3, 9);
  const std::vector<uint8_t> good = MakePng(s);
  std::vector<uint8_t> badCrc = good;
  badCrc[30] ^= 0xFF;  // inside IHDR's CRC
  std::vector<std::vector<uint8_t>> cases = {
      std::vector<uint8_t>(good.begin(), good.begin() + 8),
      std::vector<uint8_t>(good.begin(), good.begin() + 40),
      std::vector<uint8_t>(good.begin(), good.end() - 20),
      badCrc,
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    RasterImage image;
    EXPECT_NE(LoadBytes(cases[i], image), kOk) << i;
    EXPECT_TRUE(image.IsEmpty()) << i;
  }
  // 40000 x 40000 announced by a valid header: refused as too large before any allocation.
  std::vector<uint8_t> huge = good;
  const uint8_t size[8] = {0, 0, 0x9C, 0x40, 0, 0, 0x9C, 0x40};
  std::copy(size, size + 8, huge.begin() + 16);
  const uLong crc = crc32(crc32(0, nullptr, 0), huge.data() + 12, 17);
  huge[29] = static_cast<uint8_t>(crc >> 24);
  huge[30] = static_cast<uint8_t>(crc >> 16);
  huge[31] = static_cast<uint8_t>(crc >> 8);
  huge[32] = static_cast<uint8_t>(crc);
  RasterImage image;
  EXPECT_EQ(LoadBytes(huge, image), kOutOfMemory);
  EXPECT_TRUE(image.IsEmpty());
}

}  // namespace
}  // namespace orvane
