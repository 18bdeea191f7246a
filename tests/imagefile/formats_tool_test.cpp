// Our readers and writers against independent tools: ImageMagick for bitmaps, Photoshop
// documents, wireless bitmaps and PhotoCD; netpbm for PCX and Targa. Each case makes a file
// with one tool, reads it with us and with the tool, and compares the pixels.
#include <gtest/gtest.h>

#include "dng_writer.h"
#include "format_test_util.h"
#include "imagefile/codec/codec.h"
#include "imagefile/raw_adapter.h"

namespace orvane {
namespace {

using testing::HaveTool;
using testing::MaxDifference;
using testing::PixelsOf;
using testing::ReadPnm;
using testing::Rgb24;
using testing::RunTool;
using testing::TempDir;

struct ToolCase {
  const char* name;
  const char* make;       // shell command: {src} is a 8-bit PPM, {out} the file to make
  const char* file;       // name of the file made
  ImageFileType type;     // what detection and reading must report
  const char* reference;  // command turning {out} into the PNM {ref}
  int tolerance;
};

void PrintTo(const ToolCase& c, std::ostream* os) { *os << c.name; }

class ToolTest : public ::testing::TestWithParam<ToolCase> {};

std::string Fill(std::string s, const std::string& key, const std::string& value) {
  for (size_t at; (at = s.find(key)) != std::string::npos;) s.replace(at, key.size(), value);
  return s;
}

TEST_P(ToolTest, ReadsWhatTheToolWrites) {
  const ToolCase& c = GetParam();
  if (!HaveTool("convert") || !HaveTool("pcxtoppm")) GTEST_SKIP() << "tools missing";
  TempDir dir;
  const std::string src = dir.File("src.ppm"), out = dir.File(c.file), ref = dir.File("ref.pnm");
  testing::WritePpm(src, testing::TestPicture(37, 23));
  auto expand = [&](const char* cmd) {
    return Fill(Fill(Fill(cmd, "{src}", src), "{out}", out), "{ref}", ref);
  };
  ASSERT_EQ(RunTool(expand(c.make)), 0) << expand(c.make);
  ASSERT_EQ(RunTool(expand(c.reference)), 0) << expand(c.reference);
  Rgb24 expected;
  ASSERT_TRUE(ReadPnm(ref, expected));

  RasterImage image;
  ASSERT_EQ(image.Load(out), kOk);
  EXPECT_EQ(image.fileType, c.type);
  Rgb24 got = PixelsOf(image);
  const int diff = MaxDifference(got, expected);
  EXPECT_GE(diff, 0);
  EXPECT_LE(diff, c.tolerance);
}

constexpr const char* kImRef = "convert {out} -depth 8 ppm:{ref}";
constexpr const char* kPcxRef = "pcxtoppm {out} > {ref}";
constexpr const char* kTgaRef = "tgatoppm {out} > {ref}";
constexpr const char* kImTgaRef = "convert {out} -auto-orient -depth 8 ppm:{ref}";
using T = ImageFileType;

const ToolCase kCases[] = {
    {"bmp24", "convert {src} BMP3:{out}", "a.bmp", T::BmpRgb, kImRef, 0},
    {"bmp24v5", "convert {src} BMP:{out}", "a.bmp", T::BmpRgb, kImRef, 0},
    {"bmp8rle", "convert {src} -type Palette BMP3:{out}", "a.bmp", T::BmpIndexed, kImRef, 0},
    {"bmp4", "convert {src} -colors 16 -type Palette BMP3:{out}", "a.bmp", T::BmpIndexed, kImRef, 0},
    {"bmp1", "convert {src} -type Bilevel BMP3:{out}", "a.bmp", T::BmpBilevel, kImRef, 0},
    {"bmpcore24", "convert {src} BMP2:{out}", "a.bmp", T::BmpRgb, kImRef, 0},
    {"bmpcore8", "convert {src} -type Palette BMP2:{out}", "a.bmp", T::BmpIndexed, kImRef, 0},
    {"bmp565", "convert {src} -define bmp:subtype=RGB565 BMP:{out}", "a.bmp", T::BmpRgb, kImRef, 1},
    {"bmp555", "convert {src} -define bmp:subtype=RGB555 BMP:{out}", "a.bmp", T::BmpRgb, kImRef, 1},
    // Opacity is laid on white when a picture is opened.
    {"bmp32alpha", "convert {src} -alpha set -channel A -fx 0.5 BMP:{out}", "a.bmp", T::BmpRgb,
     "convert {out} -background white -flatten -depth 8 ppm:{ref}", 1},
    {"pcx24", "ppmtopcx {src} > {out}", "a.pcx", T::PcxRgb, kPcxRef, 0},
    {"pcx8", "convert {src} -colors 200 ppm:- | ppmtopcx -8bit > {out}", "a.pcx", T::PcxIndexed,
     kPcxRef, 0},
    {"pcx4planes", "convert {src} -colors 12 ppm:- | ppmtopcx -planes 4 > {out}", "a.pcx",
     T::PcxIndexed, kPcxRef, 0},
    {"pcx4packed", "convert {src} -colors 12 ppm:- | ppmtopcx -packed > {out}", "a.pcx",
     T::PcxIndexed, kPcxRef, 0},
    {"pcx1", "convert {src} -threshold 50% pbm:- | ppmtopcx > {out}", "a.pcx", T::PcxIndexed,
     kPcxRef, 0},
    {"tga24rle", "ppmtotga -rgb {src} > {out}", "a.tga", T::TgaRgb, kTgaRef, 0},
    {"tga24raw", "ppmtotga -rgb -norle {src} > {out}", "a.tga", T::TgaRgb, kTgaRef, 0},
    {"tgamaprle", "convert {src} -colors 40 ppm:- | ppmtotga -cmap > {out}", "a.tga",
     T::TgaIndexed, kTgaRef, 0},
    {"tgamapraw", "convert {src} -colors 40 ppm:- | ppmtotga -cmap -norle > {out}", "a.tga",
     T::TgaIndexed, kTgaRef, 0},
    {"tgagrey", "ppmtotga -mono {src} > {out}", "a.tga", T::TgaIndexed, kTgaRef, 0},
    // ImageMagick keeps a Targa's origin as the picture's orientation and writes the rows as
    // they are held, with the origin bits saying which corner they start from; its reading
    // turned upright (-auto-orient) is what the file shows.
    {"tga24im", "convert {src} -type TrueColor {out}", "a.tga", T::TgaRgb, kImTgaRef, 0},
    {"tga24rleim", "convert {src} -type TrueColor -compress RLE {out}", "a.tga", T::TgaRgb,
     kImTgaRef, 0},
    {"tgamapim", "convert {src} -colors 40 -type Palette {out}", "a.tga", T::TgaIndexed, kImTgaRef, 0},
    {"tga24imtopleft", "convert {src} -orient topleft -type TrueColor {out}", "a.tga", T::TgaRgb,
     kImTgaRef, 0},
    {"tga24rleimtopright", "convert {src} -orient topright -type TrueColor -compress RLE {out}",
     "a.tga", T::TgaRgb, kImTgaRef, 0},
    {"tgamapimbottomright", "convert {src} -orient bottomright -colors 40 -type Palette {out}",
     "a.tga", T::TgaIndexed, kImTgaRef, 0},
    {"psdrgb", "convert {src} -depth 8 {out}", "a.psd", T::PsdRgb, kImRef, 0},
    {"psdrgbrle", "convert {src} -depth 8 -compress RLE {out}", "a.psd", T::PsdRgb, kImRef, 0},
    {"psdrgb16", "convert {src} -depth 16 -compress RLE {out}", "a.psd", T::PsdRgb, kImRef, 0},
    {"psdgrey", "convert {src} -colorspace Gray -depth 8 -compress RLE {out}", "a.psd",
     T::PsdIndexed, kImRef, 0},
    {"psdcmyk", "convert {src} -colorspace CMYK -depth 8 -compress RLE {out}", "a.psd", T::PsdRgb,
     "convert {out} -colorspace sRGB -depth 8 ppm:{ref}", 2},
    // ImageMagick cannot read its own indexed documents back: compare with the quantised source.
    {"psdindexed", "convert {src} -colors 200 -type Palette -compress RLE {out}", "a.psd",
     T::PsdIndexed, "convert {src} -colors 200 -depth 8 ppm:{ref}", 1},
    {"psdbitmap", "convert {src} -type Bilevel -depth 1 {out}", "a.psd", T::PsdIndexed, kImRef, 0},
    {"wbmp", "convert {src} -threshold 50% WBMP:{out}", "a.wbmp", T::Wbmp, kImRef, 0},
};

INSTANTIATE_TEST_SUITE_P(Formats, ToolTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Our writers, read back by the other tools.
struct WriterCase {
  const char* name;
  const char* file;
  const char* reference;
};

void PrintTo(const WriterCase& c, std::ostream* os) { *os << c.name; }

class WriterToolTest : public ::testing::TestWithParam<WriterCase> {};

TEST_P(WriterToolTest, ToolReadsWhatWeWrite) {
  const WriterCase& c = GetParam();
  if (!HaveTool("convert") || !HaveTool("pcxtoppm")) GTEST_SKIP() << "tools missing";
  TempDir dir;
  const std::string out = dir.File(c.file), ref = dir.File("ref.pnm");
  const Rgb24 picture = testing::TestPicture(41, 19, 3);  // odd width: row padding matters
  RasterImage image;
  testing::FillImage(image, picture);
  ASSERT_EQ(image.Save(out), kOk);
  const std::string cmd = Fill(Fill(c.reference, "{out}", out), "{ref}", ref);
  ASSERT_EQ(RunTool(cmd), 0) << cmd;
  Rgb24 got;
  ASSERT_TRUE(ReadPnm(ref, got));
  EXPECT_EQ(MaxDifference(got, picture), 0);
}

const WriterCase kWriters[] = {
    {"bmp", "b.bmp", kImRef},
    {"pcx", "b.pcx", kPcxRef},
    {"tga", "b.tga", kTgaRef},
    {"psd", "b.psd", kImRef},
};

INSTANTIATE_TEST_SUITE_P(Formats, WriterToolTest, ::testing::ValuesIn(kWriters),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WbmpTool, WrittenThroughTheTwoColourThreshold) {
  if (!HaveTool("convert")) GTEST_SKIP();
  TempDir dir;
  // (128,128,128) is still black at threshold 128, (129,128,128) is white.
  Rgb24 picture{3, 2, {0, 0, 0, 128, 128, 128, 129, 128, 128, 255, 255, 255, 10, 200, 10, 90, 90, 90}};
  RasterImage image;
  testing::FillImage(image, picture);
  ASSERT_EQ(image.Save(dir.File("t.wbmp")), kOk);
  ASSERT_EQ(RunTool("convert " + dir.File("t.wbmp") + " -depth 8 ppm:" + dir.File("r.ppm")), 0);
  Rgb24 got;
  ASSERT_TRUE(ReadPnm(dir.File("r.ppm"), got));
  // (10, 200, 10) lies within the distance limit of black.
  const Rgb24 expected{3, 2, {0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0}};
  EXPECT_EQ(got, expected);
}

TEST(BmpTool, ResolutionInPixelsPerMetre) {
  if (!HaveTool("convert")) GTEST_SKIP();
  TempDir dir;
  const std::string f = dir.File("r.bmp");
  // 37.8 per centimetre is stored as 3780 pixels per metre.
  ASSERT_EQ(RunTool("convert -size 4x3 xc:red -units PixelsPerCentimeter -density 37.8 BMP3:" + f), 0);
  RasterImage image;
  ASSERT_EQ(image.Load(f), kOk);
  EXPECT_EQ(image.resolutionX, 37u);
  EXPECT_EQ(image.resolutionY, 37u);
  EXPECT_EQ(image.resolutionUnit, 3u);
  EXPECT_EQ(image.saveResolutionX, 37);
}

// ImageMagick writes PhotoCD files with its own scaling of luma (white at code 255, where
// Kodak's scanners leave headroom), and reads them back without the 1.3584 luma gain. So our
// standard decoding must equal its reading times 1.3584, for colours dark enough not to clip.
TEST(PhotoCdTool, BaseImageMatchesImageMagick) {
  if (!HaveTool("convert")) GTEST_SKIP();
  TempDir dir;
  const std::string f = dir.File("p.pcd"), ref = dir.File("r.ppm");
  ASSERT_EQ(RunTool("convert -size 768x512 xc:'rgb(60,90,40)' -fill 'rgb(110,50,70)' -draw "
                "'rectangle 0,0 383,255' -fill 'rgb(40,60,120)' -draw 'rectangle 400,300 767,511' " +
                f),
            0);
  EXPECT_EQ(testing::ReadBytes(f).size(), 788480u);
  ASSERT_EQ(RunTool("convert " + f + " -colorspace sRGB -depth 8 ppm:" + ref), 0);
  Rgb24 theirs;
  ASSERT_TRUE(ReadPnm(ref, theirs));
  RasterImage image;
  ASSERT_EQ(image.Load(f), kOk);
  EXPECT_EQ(image.fileType, ImageFileType::PhotoCd);
  ASSERT_EQ(image.Width(), 768);
  ASSERT_EQ(image.Height(), 512);
  const Rgb24 ours = PixelsOf(image);
  // Away from the edges between the areas (chroma is shared by 2 x 2 pixels).
  const int points[][2] = {{100, 100}, {600, 100}, {100, 450}, {600, 450}};
  for (const auto& pt : points) {
    for (int c = 0; c < 3; ++c) {
      const size_t i = (static_cast<size_t>(pt[1]) * 768 + pt[0]) * 3 + c;
      EXPECT_NEAR(ours.pixels[i], std::min(255.0, theirs.pixels[i] * 1.3584), 4.0)
          << "at " << pt[0] << "," << pt[1] << " channel " << c;
    }
  }
}


// Our adapter against LibRaw's own command-line program with the same options. It writes
// file.ppm next to the input and exits 0 even when it fails, so the output file is what counts.
TEST(RawTool, AdapterMatchesDcrawEmu) {
  if (!HaveTool("dcraw_emu")) GTEST_SKIP() << "dcraw_emu (libraw-bin) missing";
  struct Case {
    const char* name;
    testing::Scene scene;
    testing::DngOptions options;
  };
  testing::DngOptions portrait;
  portrait.orientation = 6;
  portrait.neutral = {0.5f, 1.0f, 0.8f};
  testing::DngOptions balanced;
  balanced.neutral = {0.45f, 1.0f, 0.7f};
  balanced.width = 90;
  balanced.height = 60;
  const Case cases[] = {
      {"wedge", [](int x, int y) {
         const double v = 0.05 + 0.8 * (x + 64.0 * y) / (64.0 * 48);
         return std::array<double, 3>{v, v * 0.8, v * 0.6};
       }, balanced},
      {"portrait", [](int x, int y) {
         return std::array<double, 3>{x < 20 ? 0.7 : 0.2, y < 10 ? 0.6 : 0.3, 0.25};
       }, portrait},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string path = dir.File("shot.dng");
    ASSERT_TRUE(testing::WriteDng(path, c.scene, c.options)) << c.name;
    ASSERT_EQ(RunTool("dcraw_emu -w -q 0 -f " + path), 0) << c.name;
    Rgb24 theirs;
    ASSERT_TRUE(ReadPnm(path + ".ppm", theirs)) << c.name << ": dcraw_emu wrote nothing";
    int w = 0, h = 0;
    PixelBlock ours = DecodeRawFile(path, w, h);
    ASSERT_TRUE(ours) << c.name;
    Rgb24 mine{w, h, std::vector<uint8_t>(ours.get(), ours.get() + size_t(w) * h * 3)};
    EXPECT_LE(MaxDifference(mine, theirs), 2) << c.name;
    EXPECT_GE(MaxDifference(mine, theirs), 0) << c.name << ": sizes differ";
  }
}


// libwmf draws our Windows metafile: the blocks of a four-colour picture land where they
// should (it smooths the edges between them, so only pixels away from the edges compare, and
// its rounding may differ by a level or two).
TEST(WmfTool, LibwmfDrawsOurMetafile) {
  if (!HaveTool("wmf2gd")) GTEST_SKIP() << "wmf2gd (libwmf-bin) missing";
  TempDir dir;
  const int w = 40, h = 20;
  Rgb24 picture{w, h, std::vector<uint8_t>(w * h * 3)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &picture.pixels[(y * w + x) * 3];
      p[0] = x < 20 ? 200 : 30;
      p[1] = y < 10 ? 180 : 40;
      p[2] = (x < 20) == (y < 10) ? 220 : 10;
    }
  RasterImage image;
  testing::FillImage(image, picture);
  ASSERT_EQ(image.Save(dir.File("q.wmf")), kOk);
  ASSERT_EQ(RunTool("wmf2gd -t png --maxwidth=40 --maxheight=20 --maxsize -o " + dir.File("q.png") +
                    " " + dir.File("q.wmf")),
            0);
  ASSERT_EQ(RunTool("convert " + dir.File("q.png") + " -depth 8 ppm:" + dir.File("q.ppm")), 0);
  Rgb24 theirs;
  ASSERT_TRUE(ReadPnm(dir.File("q.ppm"), theirs));
  ASSERT_EQ(theirs.width, w);
  ASSERT_EQ(theirs.height, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (std::abs(x - 19.5) < 2 || std::abs(y - 9.5) < 2) continue;
      for (int c = 0; c < 3; ++c) {
        const size_t i = (y * w + x) * 3 + c;
        ASSERT_NEAR(theirs.pixels[i], picture.pixels[i], 2) << x << "," << y;
      }
    }
}

}  // namespace
}  // namespace orvane
