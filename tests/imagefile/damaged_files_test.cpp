// Damaged files are refused, not shown as grey, black or garbled pictures; small files that
// claim huge pictures cost little memory. Every fixture is made here from our own writers'
// output or by hand (hostile_fixtures.h, shared with the fuzz seeds).
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hostile_fixtures.h"
#include "imagefile/codec/codec.h"
#include "imagefile/codec/picture.h"
#include "imagefile/raster_image.h"

namespace orvane {
namespace {

using Bytes = std::vector<uint8_t>;

int LoadAs(const Bytes& file, const std::string& name, RasterImage& image) {
  return image.LoadFromMemory(file, name);
}

// The share of pixels of a 24-bit image that are black.
double BlackShare(const RasterImage& image) {
  const uint8_t* p = image.Pixels();
  const size_t n = static_cast<size_t>(image.Width()) * image.Height();
  size_t black = 0;
  for (size_t i = 0; i < n; ++i) black += (p[3 * i] | p[3 * i + 1] | p[3 * i + 2]) == 0;
  return n ? static_cast<double>(black) / n : 1.0;
}

// The share of pixels whose colour differs by more than 40 in some channel.
double GarbledShare(const RasterImage& a, const RasterImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 1.0;
  const size_t n = static_cast<size_t>(a.Width()) * a.Height();
  size_t garbled = 0;
  for (size_t i = 0; i < n * 3; i += 3) {
    int d = 0;
    for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(a.Pixels()[i + c] - b.Pixels()[i + c]));
    garbled += d > 40;
  }
  return static_cast<double>(garbled) / n;
}

std::vector<uint8_t> PhotoFile(ImageWriter write, int compression = 0) {
  RasterImage image;
  test::Photo(image, 320, 240);
  image.tiffCompression = compression;
  return test::Encoded(image, write);
}

std::vector<uint8_t> PhotoJpeg(bool progressive) {
  RasterImage image;
  test::Photo(image, 320, 240);
  image.jpegProgressive = progressive;
  return test::Encoded(image, WriteJpeg);
}

TEST(FileMayHold, SmallFilesHoldAtMost64Megapixels) {
  constexpr int64_t kMega = int64_t{1} << 20;
  struct Case { int64_t pixels; uint64_t bytes; bool holds; };
  const Case cases[] = {
      {64 * kMega, 100, true},                       // any file
      {64 * kMega + 1, 1 << 20, false},              // a megabyte adds nothing yet
      {64 * kMega + 256, (1 << 20) + 1, true},       // each further byte 256 pixels
      {64 * kMega + 257, (1 << 20) + 1, false},
      {1024 * kMega, 5 * kMega, true},               // a 5 MB file may be a gigapixel
  };
  for (const Case& c : cases) EXPECT_EQ(FileMayHold(c.pixels, c.bytes), c.holds) << c.pixels << " " << c.bytes;
}

// Files under 1 MB that claim up to a gigapixel: each is refused within 300 MB of address
// space (a child process with a limit), whether its size is refused from the header or the
// data is found lacking before the picture's memory is taken.
TEST(SmallFiles, ClaimingHugePicturesCostLittleMemory) {
  struct Case { const char* name; Bytes file; };
  const Case cases[] = {
      {"a.wmf", test::WmfClaiming(32000, 32000, 319000)},
      {"b.wmf", test::WmfClaiming(8000, 8000, 319000)},
      {"c.emf", test::EmfClaiming(32000, 32000)},
      {"d.emf", test::EmfClaiming(360000, 240)},
      {"e.bmp", test::BmpRleClaiming(30000, 30000, false, 600000)},
      {"f.bmp", test::BmpRleClaiming(30000, 30000, true, 600000)},
      {"g.bmp", test::BmpRleClaiming(8000, 8000, false, 600000)},
      {"h.tif", test::TiffDeflateClaiming(30000, 30000, 896000)},
      {"i.tif", test::TiffDeflateClaiming(8000, 8000, 896000)},
      {"j.png", test::PngClaiming(30000, 30000, 100, 910000)},
      {"k.png", test::PngClaiming(8000, 8000, 100, 910000)},
  };
  for (const Case& c : cases) {
    ASSERT_LT(c.file.size(), 1u << 20) << c.name;
    const int rc = test::RunWithMemoryLimit(RLIMIT_AS, 300u << 20, [&] {
      RasterImage image;
      return LoadAs(c.file, c.name, image);
    });
    EXPECT_TRUE(rc == kBadFile || rc == kOutOfMemory) << c.name << ": " << rc;
  }
}

// A PNG chunk that claims far more than the file holds is damage found at the file's end, not a
// reason to take and clear the memory it claims (libpng would, for a text chunk, 2 GB).
TEST(SmallFiles, ChunksClaimingGigabytesCostLittleMemory) {
  for (bool afterPicture : {true, false}) {
    const Bytes file = test::PngTextClaiming2GB(afterPicture);
    ASSERT_LT(file.size(), 400u);
    int rc = -1;
    const uint64_t growth = test::PeakResidentGrowth([&] {
      RasterImage image;
      return LoadAs(file, "t.png", image);
    }, &rc);
    EXPECT_EQ(rc, kBadFile) << afterPicture;
    EXPECT_LT(growth, uint64_t{64} << 20) << afterPicture;
  }
}

TEST(Pcx, CutInsideThePaletteIsDamaged) {
  const Bytes whole = test::Pcx8();
  RasterImage image;
  ASSERT_EQ(LoadAs(whole, "p.pcx", image), kOk);
  // Pixel (1, 0) has index 7: the palette's entry 7 is (7, 248, 35).
  EXPECT_EQ(image.Pixels()[3], 7);
  EXPECT_EQ(image.Pixels()[4], 248);
  for (const size_t cut : {769u, 768u, 500u, 3u, 1u}) {
    RasterImage damaged;
    EXPECT_EQ(LoadAs(Bytes(whole.begin(), whole.end() - cut), "p.pcx", damaged), kBadFile) << cut;
    EXPECT_TRUE(damaged.IsEmpty());
  }
  // A damaged count whose run goes past the picture's last line.
  Bytes overrun = whole;
  overrun[overrun.size() - 769 - 2] = 0xC0 | 60;
  RasterImage damaged;
  EXPECT_EQ(LoadAs(overrun, "p.pcx", damaged), kBadFile);
}

TEST(Tga, RunPastTheLastPixelIsDamaged) {
  // 2 x 2, 24 bits, run-length: one packet repeating a pixel 8 times.
  Bytes tga = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0x20, 0x80 | 7, 10, 20, 30};
  RasterImage image;
  EXPECT_EQ(LoadAs(tga, "t.tga", image), kBadFile);
  tga[18] = 0x80 | 3;  // four pixels: whole
  EXPECT_EQ(LoadAs(tga, "t.tga", image), kOk);
}

// Run-length bitmaps carry no check: a height that does not match the data's rows, or data
// that is only its end marker, is damage.
TEST(BmpFile, RunLengthRowsMustMatchTheHeight) {
  const Bytes whole = test::BmpRle8(false);  // 64 x 64
  RasterImage image;
  ASSERT_EQ(LoadAs(whole, "r.bmp", image), kOk);
  for (const uint32_t height : {64u + 256u, 64u * 3, 40u, 63u}) {
    Bytes flipped = whole;
    test::PutLe32(flipped, 22, height);
    RasterImage damaged;
    EXPECT_EQ(LoadAs(flipped, "r.bmp", damaged), kBadFile) << height;
  }
  RasterImage empty;
  EXPECT_EQ(LoadAs(test::BmpRleClaiming(2000, 2000, false, 3000), "e.bmp", empty), kBadFile);
}

// One flipped byte anywhere outside the bitmap's pixel values either is refused or leaves a
// picture at least half of the bitmap's colours: never black, never a huge canvas. (A flipped box
// or frame size stretches the bitmap, which no check in the format can tell.)
TEST(Metafile, FlippedBytesNeverGiveBlackOrHugePictures) {
  RasterImage source;
  test::Stripes(source, 16, 12);
  const std::pair<const char*, ImageWriter> formats[] = {{"f.wmf", WriteWmf}, {"f.emf", WriteEmf}};
  for (const auto& [name, write] : formats) {
    const Bytes file = test::Encoded(source, write);
    const size_t pixelBytes = 16 * 3 * 12 + 20;  // the bitmap's rows and the end record
    for (size_t at = 0; at + pixelBytes < file.size(); ++at) {
      for (const uint8_t mask : {0x01, 0x10, 0x80}) {
        Bytes flipped = file;
        flipped[at] ^= mask;
        RasterImage image;
        if (LoadAs(flipped, name, image) != kOk) continue;
        EXPECT_LE(int64_t{image.Width()} * image.Height(), 1 << 20) << name << " " << at;
        EXPECT_LT(BlackShare(image), 0.51)
            << name << " " << at << " " << image.Width() << "x" << image.Height();
      }
    }
  }
}

// A flipped byte in the coded scan is mostly refused (the decoder lost its way: a bad code, a
// marker too early, coded bytes left over at the end) or changes only a few blocks. JPEG has no
// checksum: a flip that lets the decoder fall back into step (it shifts the colour of every
// block after it) cannot be found, so a few garbled pictures remain.
TEST(Jpeg, FlippedScanBytesAreMostlyRefused) {
  for (const bool progressive : {false, true}) {
    const Bytes file = PhotoJpeg(progressive);
    RasterImage clean;
    ASSERT_EQ(LoadAs(file, "s.jpg", clean), kOk);
    const size_t from = test::JpegScanData(file), to = file.size() - 2;
    int refused = 0, garbled = 0;
    for (size_t i = 0; i < 20; ++i) {
      Bytes flipped = file;
      flipped[from + (to - from) * (2 * i + 1) / 40] ^= 0x10;
      RasterImage image;
      if (LoadAs(flipped, "s.jpg", image) != kOk)
        ++refused;
      else
        garbled += GarbledShare(clean, image) > 0.02;
    }
    EXPECT_GT(refused, 0) << progressive;
    EXPECT_LE(garbled, 2) << progressive;  // at most one flip in ten
  }
}

// Stray bytes between the markers before the scan (camera files have them) and zeros padding
// the end of the coded data are no damage.
TEST(Jpeg, StrayBytesOutsideTheScanAreTolerated) {
  const Bytes file = test::GoodJpeg();
  RasterImage clean;
  ASSERT_EQ(LoadAs(file, "s.jpg", clean), kOk);
  Bytes stray = file;
  const size_t sof = test::FindMarker(stray, 0xC0);
  stray.insert(stray.begin() + static_cast<long>(sof), {0x12, 0x34, 0x00});
  Bytes padded = file;
  padded.insert(padded.end() - 2, 5, 0x00);
  Bytes leftover = file, zerosThenData = file;
  leftover.insert(leftover.end() - 2, {0x5A, 0x3C, 0x99});
  zerosThenData.insert(zerosThenData.end() - 2, {0, 0, 0, 0x99});
  for (const Bytes* f : {&stray, &padded}) {
    RasterImage image;
    ASSERT_EQ(LoadAs(*f, "s.jpg", image), kOk);
    EXPECT_EQ(GarbledShare(clean, image), 0.0);
  }
  // Coded data left over after the last row is what a decoder that lost its way leaves.
  for (const Bytes* f : {&leftover, &zerosThenData}) {
    RasterImage image;
    EXPECT_EQ(LoadAs(*f, "s.jpg", image), kBadFile);
  }
}

// Deflate's checksum covers the whole strip: every flipped byte of it is found, also those
// libtiff never reads because the strip was full before them. LZW and PackBits carry no
// check, but a flip that makes a strip end early, late or with a code it cannot have is found.
TEST(Tiff, FlippedStripBytesAreRefusedOrChangeLittle) {
  for (const int compression : {COMPRESSION_ADOBE_DEFLATE, COMPRESSION_LZW, COMPRESSION_PACKBITS}) {
    const Bytes good = PhotoFile(WriteTiff, compression);
    RasterImage clean;
    ASSERT_EQ(ReadImage(good, ImageFileType::TiffRgb, 0, clean), kOk);
    // Our writer puts the strips between the header and the directory.
    const size_t directory = good[4] | (good[5] << 8) | (good[6] << 16);
    int refused = 0;
    for (size_t i = 0; i < 30; ++i) {
      Bytes flipped = good;
      flipped[8 + (directory - 9) * (2 * i + 1) / 60] ^= 0x10;
      RasterImage image;
      if (ReadImage(flipped, ImageFileType::TiffRgb, 0, image) != kOk) {
        ++refused;
        continue;
      }
      EXPECT_LT(GarbledShare(clean, image), 0.02) << compression << " " << i;
    }
    if (compression == COMPRESSION_ADOBE_DEFLATE) {
      EXPECT_EQ(refused, 30);
    }
  }
}

}  // namespace
}  // namespace orvane
