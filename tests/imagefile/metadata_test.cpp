// Colour profiles, XMP, IPTC and comments carried from a file into the files saved from it.
#include <gtest/gtest.h>

#include <algorithm>

#include "fixtures.h"
#include "icc_fixtures.h"
#include "imagefile/codec/codec.h"
#include "imagefile/exif.h"
#include "imagefile/metadata.h"

namespace orvane {
namespace {

using Bytes = std::vector<uint8_t>;

void PutBe32At(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

TEST(IccProfile, WhatAnRgbPictureCanCarry) {
  const Bytes good = test::MakeP3Profile();
  ASSERT_GT(good.size(), 200u);
  ASSERT_TRUE(IsRgbIccProfile(good));
  auto changed = [&](auto change) {
    Bytes b = good;
    change(b);
    return b;
  };
  const struct {
    const char* name;
    Bytes profile;
  } bad[] = {
      {"empty", {}},
      {"header only", Bytes(good.begin(), good.begin() + 128)},
      {"cut short", Bytes(good.begin(), good.end() - 1)},
      {"size field too large", changed([&](Bytes& b) { PutBe32At(b, 0, static_cast<uint32_t>(b.size() + 4)); })},
      {"no signature", changed([](Bytes& b) { b[36] = 'x'; })},
      {"version 1", changed([](Bytes& b) { b[8] = 1; })},
      {"grey data", changed([](Bytes& b) { std::copy_n("GRAY", 4, b.begin() + 16); })},
      {"CMYK data", changed([](Bytes& b) { std::copy_n("CMYK", 4, b.begin() + 16); })},
      {"device link", changed([](Bytes& b) { std::copy_n("link", 4, b.begin() + 12); })},
      {"no tags", changed([](Bytes& b) { PutBe32At(b, 128, 0); })},
      {"tag count beyond the file", changed([](Bytes& b) { PutBe32At(b, 128, 100000); })},
      {"tag beyond the end", changed([](Bytes& b) { PutBe32At(b, 136, static_cast<uint32_t>(b.size())); })},
      {"tag in the header", changed([](Bytes& b) { PutBe32At(b, 136, 4); })},
  };
  for (const auto& c : bad) EXPECT_FALSE(IsRgbIccProfile(c.profile)) << c.name;
}

TEST(IccProfile, JpegPiecesPutTogetherInAnyOrder) {
  const Bytes profile = test::MakeP3Profile(150000);
  ASSERT_TRUE(IsRgbIccProfile(profile));
  const std::vector<Bytes> pieces = SplitIccProfile(profile);
  ASSERT_EQ(pieces.size(), 3u);
  for (const Bytes& p : pieces) EXPECT_LE(p.size(), 65533u);
  auto assemble = [](const std::vector<Bytes>& list) {
    IccAssembler a;
    a.Add(Bytes{'E', 'x', 'i', 'f', 0, 0});  // not a profile piece: ignored
    for (const Bytes& p : list) a.Add(p);
    return a.Profile();
  };
  EXPECT_EQ(assemble(pieces), profile);
  EXPECT_EQ(assemble({pieces[2], pieces[0], pieces[1]}), profile);
  EXPECT_TRUE(assemble({pieces[0], pieces[2]}).empty()) << "missing piece";
  EXPECT_TRUE(assemble({pieces[0], pieces[1], pieces[1], pieces[2]}).empty()) << "doubled piece";
  Bytes wrongCount = pieces[1];
  wrongCount[13] = 4;
  EXPECT_TRUE(assemble({pieces[0], wrongCount, pieces[2]}).empty()) << "counts disagree";
  EXPECT_TRUE(assemble({}).empty());
  EXPECT_TRUE(SplitIccProfile(Bytes(256 * kIccPieceBytes)).empty()) << "more than 255 pieces";
}

// What each format keeps of a picture's metadata, read back by our own readers.
struct FormatCase {
  const char* file;
  bool comments;
  bool iptc;
};

class MetadataRoundTrip : public ::testing::TestWithParam<FormatCase> {};

TEST_P(MetadataRoundTrip, KeptAndReadBack) {
  const FormatCase& c = GetParam();
  test::TempDir dir;
  RasterImage image;
  test::MakeQuadrants(image, 40, 24);
  image.jpegQuality = 95;
  image.metadata.iccProfile = test::MakeP3Profile(100000);  // two JPEG markers
  image.metadata.xmpPacket = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF/></x:xmpmeta>";
  image.metadata.iptcBlock = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0,
                              '8', 'B', 'I', 'M', 4, 4, 0, 0, 0, 0, 0, 0};
  image.metadata.comments = {"first comment", "second"};
  const std::string path = dir.File(c.file);
  ASSERT_EQ(image.Save(path), kOk);
  RasterImage back;
  ASSERT_EQ(back.Load(path), kOk);
  EXPECT_EQ(back.metadata.iccProfile, image.metadata.iccProfile);
  EXPECT_EQ(back.metadata.xmpPacket, image.metadata.xmpPacket);
  EXPECT_EQ(back.metadata.iptcBlock, c.iptc ? image.metadata.iptcBlock : Bytes{});
  if (c.comments) {
    EXPECT_EQ(back.metadata.comments, image.metadata.comments);
  }
  EXPECT_LE(test::MaxDifference(back, image), 12);

  // A profile that does not parse is left out, with the note of a damaged EXIF block; the
  // rest is still written.
  image.metadata.iccProfile.resize(image.metadata.iccProfile.size() / 2);
  ASSERT_EQ(image.Save(path), kSavedWithoutExif);
  ASSERT_EQ(back.Load(path), kOk);
  EXPECT_TRUE(back.metadata.iccProfile.empty());
  EXPECT_EQ(back.metadata.xmpPacket, image.metadata.xmpPacket);
}

INSTANTIATE_TEST_SUITE_P(Formats, MetadataRoundTrip,
                         ::testing::Values(FormatCase{"m.jpg", true, true},
                                           FormatCase{"m.png", false, false},
                                           FormatCase{"m.tif", false, false},
                                           FormatCase{"m.psd", false, false}),
                         [](const auto& info) {
                           std::string n = info.param.file;
                           return n.substr(n.find('.') + 1);
                         });

// libpng objects to some profiles that parse and that other programs write: one whose
// connection space is not lit by D50, here, or the common sRGB profiles it knows. Its objection
// does not fail the save: the PNG keeps the profile, as the other formats do.
TEST(Metadata, PngKeepsAProfileLibpngObjectsTo) {
  test::TempDir dir;
  RasterImage image;
  test::MakeQuadrants(image, 16, 12);
  image.metadata.iccProfile = test::MakeP3Profile();
  const uint32_t d65[3] = {0xF351, 0x10000, 0x116CC};  // the PCS illuminant, as s15.16
  for (int i = 0; i < 3; ++i) PutBe32At(image.metadata.iccProfile, 68 + 4 * i, d65[i]);
  ASSERT_TRUE(IsRgbIccProfile(image.metadata.iccProfile));
  const std::string path = dir.File("p.png");
  ASSERT_EQ(image.Save(path), kOk);
  RasterImage back;
  ASSERT_EQ(back.Load(path), kOk);
  EXPECT_EQ(back.metadata.iccProfile, image.metadata.iccProfile);
  EXPECT_EQ(test::MaxDifference(back, image), 0);
}

// The camera data a PNG carries (written by us or another program) is read back, and goes on
// into a JPEG saved from the picture.
TEST(Metadata, PngCameraDataIsReadBackAndKept) {
  using B = test::ExifBuilder;
  test::TempDir dir;
  RasterImage image;
  test::MakeQuadrants(image, 40, 24);
  image.exifBlock = B().Ascii(B::kIfd0, kTagMake, "Kestrel").Short(B::kIfd0, kTagOrientation, {1}).Build();
  ASSERT_EQ(image.Save(dir.File("camera.png")), kOk);
  RasterImage png;
  ASSERT_EQ(png.Load(dir.File("camera.png")), kOk);
  EXPECT_EQ(png.cameraMake, "Kestrel");
  EXPECT_EQ(png.orientation, 1);
  EXPECT_EQ(png.Width(), 40);
  EXPECT_EQ(test::MaxDifference(png, image), 0);
  ASSERT_EQ(png.Save(dir.File("camera.jpg")), kOk);
  RasterImage jpeg;
  ASSERT_EQ(jpeg.Load(dir.File("camera.jpg")), kOk);
  EXPECT_EQ(jpeg.cameraMake, "Kestrel");
}

// Extended XMP (the rest of a packet too large for one marker) goes on with its packet into a
// JPEG; the other formats leave it out with a note.
TEST(Metadata, ExtendedXmpKeptInJpeg) {
  test::TempDir dir;
  RasterImage image;
  test::MakeQuadrants(image, 40, 24);
  image.metadata.xmpPacket = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF/></x:xmpmeta>";
  for (uint32_t offset : {0u, 60000u}) {
    Bytes piece(kXmpExtensionSignature, kXmpExtensionSignature + sizeof kXmpExtensionSignature);
    piece.insert(piece.end(), 32, 'A');
    piece.resize(piece.size() + 8);
    PutBe32At(piece, piece.size() - 8, 120000);
    PutBe32At(piece, piece.size() - 4, offset);
    piece.insert(piece.end(), 60000, static_cast<uint8_t>('a' + offset % 7));
    image.metadata.xmpExtension.push_back(piece);
  }
  ASSERT_EQ(image.Save(dir.File("x.jpg")), kOk);
  RasterImage back;
  ASSERT_EQ(back.Load(dir.File("x.jpg")), kOk);
  EXPECT_EQ(back.metadata.xmpPacket, image.metadata.xmpPacket);
  EXPECT_EQ(back.metadata.xmpExtension, image.metadata.xmpExtension);
  for (const char* other : {"x.png", "x.tif", "x.psd"}) {
    EXPECT_EQ(back.Save(dir.File(other)), kSavedWithoutExif) << other;
    RasterImage again;
    ASSERT_EQ(again.Load(dir.File(other)), kOk);
    EXPECT_EQ(again.metadata.xmpPacket, image.metadata.xmpPacket) << other;
  }
  // Without the packet that names it, extended XMP is not kept.
  image.metadata.xmpPacket.clear();
  ASSERT_EQ(image.Save(dir.File("y.jpg")), kOk);
  ASSERT_EQ(back.Load(dir.File("y.jpg")), kOk);
  EXPECT_TRUE(back.metadata.xmpExtension.empty());
}

TEST(Metadata, LoadStartsAfresh) {
  test::TempDir dir;
  RasterImage image;
  test::MakeQuadrants(image, 16, 16);
  image.metadata.comments = {"kept"};
  image.metadata.iccProfile = test::MakeP3Profile();
  ASSERT_EQ(image.Save(dir.File("a.jpg")), kOk);
  image.metadata.clear();
  ASSERT_EQ(image.Save(dir.File("b.bmp")), kOk);
  RasterImage back;
  ASSERT_EQ(back.Load(dir.File("a.jpg")), kOk);
  ASSERT_FALSE(back.metadata.empty());
  ASSERT_EQ(back.Load(dir.File("b.bmp")), kOk);
  EXPECT_TRUE(back.metadata.empty());
}

TEST(Metadata, QualitySearchTargetLeavesOutTheMarkers) {
  PictureMetadata m;
  EXPECT_EQ(JpegMetadataBytes(m), 0);
  m.comments = {"abc"};
  m.iccProfile = test::MakeP3Profile(70000);  // two pieces
  const int64_t icc = static_cast<int64_t>(m.iccProfile.size()) + 2 * (4 + kIccMarkerHeader);
  EXPECT_EQ(JpegMetadataBytes(m), icc + 4 + 3);
}

TEST(Exif, OrientationSetInEitherByteOrder) {
  for (bool big : {false, true}) {
    const Bytes payload = test::ExifBuilder(big)
                              .Ascii(test::ExifBuilder::kIfd0, kTagMake, "Quillcam")
                              .Short(test::ExifBuilder::kIfd0, kTagOrientation, {6})
                              .Build();
    const Bytes upright = ExifWithOrientation(payload, 1);
    ASSERT_EQ(upright.size(), payload.size());
    RasterImage image;
    image.ReadCameraInfo(upright);
    EXPECT_EQ(image.orientation, 1) << big;
    EXPECT_EQ(image.cameraMake, "Quillcam");
    // Only the orientation's value changed.
    size_t differing = 0;
    for (size_t i = 0; i < payload.size(); ++i) differing += payload[i] != upright[i];
    EXPECT_EQ(differing, 1u);
  }
  const Bytes without = test::ExifBuilder().Ascii(test::ExifBuilder::kIfd0, kTagMake, "Q").Build();
  EXPECT_EQ(ExifWithOrientation(without, 1), without);
  EXPECT_EQ(ExifWithOrientation(Bytes{'E', 'x'}, 1), (Bytes{'E', 'x'}));
}

}  // namespace
}  // namespace orvane
