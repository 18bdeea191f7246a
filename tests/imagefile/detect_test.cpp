#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>

#include "fixtures.h"
#include "imagefile/codec/codec.h"

namespace orvane {
namespace {

using T = ImageFileType;

std::vector<uint8_t> Bytes(std::initializer_list<int> head, size_t size = 64) {
  std::vector<uint8_t> v(size, 0x55);
  size_t i = 0;
  for (int b : head) v[i++] = static_cast<uint8_t>(b);
  return v;
}

std::vector<uint8_t> Text(const std::string& head, size_t size = 64) {
  std::vector<uint8_t> v(size, 0x55);
  std::copy(head.begin(), head.end(), v.begin());
  return v;
}

TEST(Detect, ByExtension) {
  struct Case {
    const char* name;
    T type;
  } cases[] = {
      {"PHOTO.JPG", T::JpegRgb},   {"photo.jpeg", T::JpegRgb},  {"photo.Jpg", T::JpegRgb},
      {"a.bmp", T::BmpRgb},        {"a.wbmp", T::Wbmp},         {"a.WBM", T::Wbmp},
      {"a.tga", T::TgaRgb},        {"a.tif", T::TiffRgb},       {"a.TIFF", T::TiffRgb},
      {"a.pcx", T::PcxRgb},        {"a.png", T::PngRgb},        {"a.wmf", T::WindowsMetafile},
      {"a.emf", T::EnhancedMetafile}, {"a.psd", T::PsdRgb},     {"photo.gif", T::UnknownType},
      {"a.pcd", T::UnknownType},   {"noextension", T::UnknownType}, {"dir.jpg/file", T::UnknownType},
      {"a.", T::UnknownType},      {"a.jpgx", T::UnknownType},
  };
  for (const Case& c : cases) EXPECT_EQ(ImageTypeFromExtension(c.name), c.type) << c.name;
}

TEST(Detect, ByContentBeforeName) {
  struct Case {
    std::vector<uint8_t> file;
    const char* name;
    T type;
  } cases[] = {
      {Text("BM"), "x.png", T::BmpRgb},
      {Bytes({0xFF, 0xD8, 0xFF}), "x.bmp", T::JpegRgb},
      {Bytes({0x0A, 0x05, 0x01}), "x", T::PcxRgb},
      {Bytes({0x0A, 0x01}), "x", T::UnknownType},
      {Bytes({0x0A, 0x05, 0x00}), "x", T::PcxRgb},  // uncompressed
      {Bytes({0x0A, 0x00, 0x02}), "x.tga", T::TgaRgb},  // a Targa with a ten-byte image ID
      {Bytes({0x0A, 0x00, 0x07}), "x.pcx", T::PcxRgb},  // no signature: the name decides
      {Text("II*"), "x", T::TiffRgb},
      {Text("MM"), "x.jpg", T::TiffRgb},
      {Bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), "x", T::PngRgb},
      {Bytes({0x01, 0x00, 0x09, 0x00, 0x00}), "x", T::WindowsMetafile},
      {Bytes({0xD7, 0xCD, 0xC6, 0x9A}), "x", T::WindowsMetafile},
      {Text("8BPS"), "x", T::PsdRgb},
      {Text("GIF89a"), "photo.gif", T::UnknownType},
      {Text("GIF89a"), "photo.jpg", T::JpegRgb},  // falls back to the name, then fails to read
  };
  for (const Case& c : cases) EXPECT_EQ(DetectImageTypeInMemory(c.file, c.name), c.type) << c.name;

  std::vector<uint8_t> emf(64, 0);
  emf[0] = 1;
  std::copy_n(" EMF", 4, emf.begin() + 40);
  EXPECT_EQ(DetectImageTypeInMemory(emf, "x"), T::EnhancedMetafile);
}

TEST(Detect, WeakZeroStartTargaFooterAndPhotoCd) {
  std::vector<uint8_t> zeros(100, 0);
  EXPECT_EQ(DetectImageTypeInMemory(zeros, "x.dat"), T::Wbmp);
  EXPECT_EQ(DetectImageTypeInMemory(zeros, "x.TGA"), T::TgaRgb);
  EXPECT_EQ(DetectImageTypeInMemory(zeros, "x.wbm"), T::Wbmp);

  std::vector<uint8_t> footer = zeros;
  const std::string sig = "TRUEVISION-XFILE.";
  std::copy(sig.begin(), sig.end(), footer.end() - 18);
  EXPECT_EQ(DetectImageTypeInMemory(footer, "x.dat"), T::TgaRgb);
  std::vector<uint8_t> footerNoZero = footer;
  footerNoZero[0] = 0x20;
  EXPECT_EQ(DetectImageTypeInMemory(footerNoZero, "x"), T::TgaRgb);
  // A name saying wireless bitmap wins over the footer.
  EXPECT_EQ(DetectImageTypeInMemory(footer, "x.wbmp"), T::Wbmp);

  std::vector<uint8_t> pcd(4096, 0xFF);
  std::copy_n("PCD_IPI", 7, pcd.begin() + 2048);
  EXPECT_EQ(DetectImageTypeInMemory(pcd, "image.bin"), T::PhotoCd);
  // A file too short for any check falls to the name.
  EXPECT_EQ(DetectImageTypeInMemory(std::vector<uint8_t>{}, "x.png"), T::PngRgb);
}

// A Targa (no signature of its own) under a name whose format's signature the file lacks is
// read as the Targa it is; without a Targa header the name still decides.
TEST(Detect, TargaUnderAnotherName) {
  RasterImage image;
  image.Create(6, 4, 24);
  std::vector<uint8_t> tga;
  ASSERT_EQ(WriteTga(image, tga), kOk);
  // A ten-byte image ID puts 0A 00 first, as in a PCX; the file is still read as a Targa.
  std::vector<uint8_t> withId = tga;
  withId[0] = 10;
  withId.insert(withId.begin() + 18, 10, 'i');
  test::TempDir dir;
  test::WriteBytes(dir.File("id.tga"), withId);
  RasterImage back;
  ASSERT_EQ(back.Load(dir.File("id.tga")), kOk);
  EXPECT_EQ(back.Width(), 6);
  EXPECT_EQ(back.Height(), 4);
  tga.resize(tga.size() - 26);  // an old file: no footer
  EXPECT_EQ(DetectImageTypeInMemory(tga, "photo.bmp"), T::TgaRgb);
  EXPECT_EQ(DetectImageTypeInMemory(tga, "photo.png"), T::TgaRgb);
  const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!',
                                     '!', '!', '!', '!', '!', '!', '!', '!'};
  EXPECT_EQ(DetectImageTypeInMemory(text, "photo.bmp"), T::BmpRgb);
}

TEST(Detect, MissingFileIsUnknown) {
  test::TempDir dir;
  EXPECT_EQ(DetectImageType(dir.File("none.jpg")), T::UnknownType);
  EXPECT_EQ(DetectImageType(dir.path().string()), T::UnknownType);  // a folder
}

// A file cut short while it is mapped (another program truncating it, a card pulled out) must
// not end the program: the lost bytes read as zeros and the mapping says it is damaged.
TEST(MappedFile, ShrunkFileReadsZerosAndIsMarkedDamaged) {
  test::TempDir dir;
  const std::vector<uint8_t> content(65536, 0x55);
  test::WriteBytes(dir.File("a.bin"), content);
  test::WriteBytes(dir.File("b.bin"), content);
  MappedFile cut, kept;
  ASSERT_EQ(cut.Open(dir.File("a.bin")), kOk);
  ASSERT_EQ(kept.Open(dir.File("b.bin")), kOk);
  EXPECT_EQ(cut.bytes()[10], 0x55);
  ASSERT_EQ(::truncate(dir.File("a.bin").c_str(), 100), 0);
  EXPECT_FALSE(cut.damaged());
  EXPECT_EQ(cut.bytes()[50000], 0);  // the page is gone from the file
  EXPECT_TRUE(cut.damaged());
  EXPECT_EQ(cut.bytes()[10], 0x55);  // what was read before stays
  EXPECT_EQ(kept.bytes()[50000], 0x55);
  EXPECT_FALSE(kept.damaged());
  cut.Close();
  EXPECT_FALSE(cut.damaged());

  // More files open at once than there are guards: the rest are read into memory instead.
  std::vector<std::unique_ptr<MappedFile>> many;
  for (int i = 0; i < 80; ++i) {
    many.push_back(std::make_unique<MappedFile>());
    ASSERT_EQ(many.back()->Open(dir.File("b.bin")), kOk) << i;
    ASSERT_EQ(many.back()->bytes().size(), content.size()) << i;
    EXPECT_EQ(many.back()->bytes()[65535], 0x55) << i;
  }
}

}  // namespace
}  // namespace orvane
