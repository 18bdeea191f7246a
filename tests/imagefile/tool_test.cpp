// Our files as independent programs see them.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "icc_fixtures.h"
#include "imagefile/codec/codec.h"
#include "imagefile/exif.h"

namespace orvane {
namespace {

using test::Capture;
using test::Shell;

TEST(Tools, WritersReadBackByImageMagick) {
  test::TempDir dir;
  RasterImage image;
  test::MakeQuadrants(image, 24, 16);
  image.jpegQuality = 95;
  for (const char* name : {"q.png", "q.tif", "q.bmp", "q.jpg"}) {
    const std::string path = dir.File(name);
    const bool lossy = std::string(name) == "q.jpg";
    ASSERT_EQ(image.Save(path), kOk) << name;
    EXPECT_EQ(Capture("identify -format '%w %h' " + path + " 2>&1"), "24 16") << name;
    // ImageMagick's reading, handed over through netpbm's plain format and our PNG reader.
    const std::string ppm = path + ".ppm";
    ASSERT_EQ(Shell("convert " + path + " " + ppm), 0) << name;
    ASSERT_EQ(Shell("pnmtopng " + ppm + " > " + path + ".png 2>/dev/null"), 0) << name;
    RasterImage theirs;
    ASSERT_EQ(theirs.Load(path + ".png"), kOk) << name;
    EXPECT_LE(test::MaxDifference(image, theirs), lossy ? 12 : 0) << name;
    RasterImage ours;
    if (ImageTypeFromExtension(name) == ImageFileType::BmpRgb) continue;  // read by its own unit
    ASSERT_EQ(ours.Load(path), kOk) << name;
    EXPECT_LE(test::MaxDifference(ours, theirs), lossy ? 3 : 0) << name;
  }
  EXPECT_EQ(Capture("compare -metric AE " + dir.File("q.png") + " " + dir.File("q.tif") +
                    " null: 2>&1"),
            "0");
}

TEST(Tools, PngcheckAndTiffinfo) {
  test::TempDir dir;
  RasterImage image;
  test::MakeRamp(image, 9, 7);
  ASSERT_EQ(image.Save(dir.File("a.png")), kOk);
  const std::string png = Capture("pngcheck -v " + dir.File("a.png") + " 2>&1");
  EXPECT_NE(png.find("No errors detected"), std::string::npos) << png;
  EXPECT_NE(png.find("gAMA"), std::string::npos) << png;
  EXPECT_NE(png.find("0.345"), std::string::npos) << png;
  EXPECT_NE(png.find("tIME"), std::string::npos) << png;
  EXPECT_NE(png.find("300x300 pixels/unit"), std::string::npos) << png;
  // A picture large enough for its image data to be deflated in pieces on several cores.
  RasterImage large;
  test::MakeQuadrants(large, 2000, 1500);
  ASSERT_EQ(large.Save(dir.File("large.png")), kOk);
  const std::string pieces = Capture("pngcheck " + dir.File("large.png") + " 2>&1");
  EXPECT_NE(pieces.find("OK:"), std::string::npos) << pieces;

  image.tiffCompression = 5;
  ASSERT_EQ(image.Save(dir.File("a.tif")), kOk);
  const std::string tif = Capture("tiffinfo " + dir.File("a.tif") + " 2>&1");
  EXPECT_NE(tif.find("Image Width: 9 Image Length: 7"), std::string::npos) << tif;
  EXPECT_NE(tif.find("LZW"), std::string::npos) << tif;
  EXPECT_NE(tif.find("Resolution: 300, 300 (unitless)"), std::string::npos) << tif;
  EXPECT_NE(tif.find("RGB color"), std::string::npos) << tif;
}

TEST(Tools, ExifSurvivesTheRoundTripAsExiftoolSees) {
  test::TempDir dir;
  RasterImage camera;
  test::MakeQuadrants(camera, 32, 20);
  const std::string original = dir.File("camera.jpg");
  ASSERT_EQ(camera.Save(original), kOk);
  // exiftool writes the camera data, as a camera would have.
  ASSERT_EQ(Shell("exiftool -q -overwrite_original -Make=Quillcam -Model='Q 1' -Orientation#=6 "
                "-ExposureTime=1/250 -FNumber=2.8 -ISO=400 -DateTimeOriginal='2024:03:04 05:06:07' " +
                original),
            0);
  RasterImage image;
  ASSERT_EQ(image.Load(original), kOk);
  EXPECT_EQ(image.cameraMake, "Quillcam");
  EXPECT_EQ(image.cameraModel, "Q 1");
  EXPECT_EQ(image.orientation, 6);
  EXPECT_DOUBLE_EQ(image.exposureTime, 0.004);
  EXPECT_DOUBLE_EQ(image.fNumber, 2.8);
  EXPECT_EQ(image.isoSpeed, 400);
  EXPECT_EQ(image.dateTaken, "2024:03:04 05:06:07");
  EXPECT_EQ(image.Width(), 20);
  EXPECT_EQ(image.Height(), 32);

  const std::string saved = dir.File("saved.jpg");
  ASSERT_EQ(image.Save(saved), kOk);
  const std::string tags = "-s -s -s -Make -Model -Orientation# -ExposureTime -ImageWidth -ImageHeight ";
  EXPECT_EQ(Capture("exiftool " + tags + saved), "Quillcam\nQ 1\n6\n1/250\n32\n20\n");
  // The stored pixels are in the camera's orientation: ImageMagick, told to honour the tag,
  // shows the same upright picture as we do.
  ASSERT_EQ(Shell("convert " + saved + " -auto-orient " + dir.File("upright.png")), 0);
  RasterImage upright;
  ASSERT_EQ(upright.Load(dir.File("upright.png")), kOk);
  EXPECT_EQ(upright.Width(), 20);
  EXPECT_LE(test::MaxDifference(upright, image), 12);
  // The file is sound to a strict checker, and carries exactly one APP1 segment.
  const std::string check = Capture("jpeginfo -c " + saved + " 2>&1");
  EXPECT_NE(check.find(" OK"), std::string::npos) << check;
  EXPECT_EQ(check.find("WARNING"), std::string::npos) << check;
  const std::vector<uint8_t> bytes = test::ReadBytes(saved);
  int app1 = 0;
  for (size_t i = 2; i + 4 <= bytes.size() && bytes[i] == 0xFF && bytes[i + 1] != 0xDA;) {
    if (bytes[i + 1] == 0xE1) ++app1;
    i += 2 + ((bytes[i + 2] << 8) | bytes[i + 3]);
  }
  EXPECT_EQ(app1, 1);
  // The block itself is unchanged byte for byte.
  RasterImage again;
  ASSERT_EQ(again.Load(saved), kOk);
  EXPECT_EQ(again.exifBlock, image.exifBlock);
}

// A phone's photograph as exiftool makes it: a wide-gamut profile larger than one marker, EXIF
// with orientation 6, XMP, IPTC and a comment. Each of our writers keeps what its format holds,
// as exiftool reads it, and the colours under the kept profile are the input's.
TEST(Tools, ProfileAndMetadataCarriedThroughEveryWriter) {
  test::TempDir dir;
  const std::vector<uint8_t> p3 = test::MakeP3Profile(90000);
  const std::string p3File = dir.File("p3.icc"), srgb = dir.File("srgb.icc");
  test::WriteBytes(p3File, p3);
  test::WriteBytes(srgb, test::MakeSrgbProfile());
  RasterImage camera;
  test::MakeQuadrants(camera, 32, 20);
  camera.jpegQuality = 98;
  const std::string original = dir.File("phone.jpg");
  ASSERT_EQ(camera.Save(original), kOk);
  ASSERT_EQ(Shell("exiftool -q -overwrite_original '-ICC_Profile<=" + p3File +
                  "' -Make=Quillcam -Orientation#=6 -XMP:Rating=4 -XMP:Subject=beach "
                  "-IPTC:Keywords=sea -Comment='taken at dawn' " + original),
            0);
  RasterImage image;
  ASSERT_EQ(image.Load(original), kOk);
  ASSERT_EQ(image.metadata.iccProfile, p3);
  image.jpegQuality = 98;
  // The colours the input shows, turned upright and converted to sRGB by ImageMagick.
  auto inSrgb = [&](const std::string& file, RasterImage& converted) {
    const std::string out = file + ".srgb.png";
    EXPECT_EQ(Shell("convert " + file + " -auto-orient -profile " + srgb + " -depth 8 " + out), 0);
    EXPECT_EQ(converted.Load(out), kOk);
  };
  RasterImage reference, converted;
  inSrgb(original, reference);
  ASSERT_EQ(reference.Width(), 20);
  // The profile matters: the unconverted pixels are far from what the input shows.
  EXPECT_GT(test::MaxDifference(reference, image), 20);

  const std::string tags = "-s -s -s -Make -Orientation# -XMP:Rating -XMP:Subject ";
  const struct {
    const char* file;
    std::string expected;  // what exiftool reads of tags
  } cases[] = {
      {"out.jpg", "Quillcam\n6\n4\nbeach\n"},
      {"out.png", "Quillcam\n1\n4\nbeach\n"},
      {"out.tif", "Quillcam\n1\n4\nbeach\n"},
      {"out.psd", "4\nbeach\n"},
  };
  for (const auto& c : cases) {
    const std::string out = dir.File(c.file);
    ASSERT_EQ(image.Save(out), kOk) << c.file;
    EXPECT_EQ(Capture("exiftool " + tags + out), c.expected) << c.file;
    ASSERT_EQ(Shell("exiftool -q -b -ICC_Profile " + out + " > " + out + ".icc"), 0) << c.file;
    EXPECT_EQ(test::ReadBytes(out + ".icc"), p3) << c.file;
    inSrgb(out, converted);
    EXPECT_LE(test::MaxDifference(converted, reference), 4) << c.file;
  }
  const std::string jpg = dir.File("out.jpg");
  EXPECT_EQ(Capture("exiftool -s -s -s -IPTC:Keywords -Comment " + jpg), "sea\ntaken at dawn\n");
  const std::string check = Capture("jpeginfo -c " + jpg + " 2>&1");
  EXPECT_NE(check.find(" OK"), std::string::npos) << check;
  EXPECT_EQ(Capture("pngcheck -q " + dir.File("out.png") + " 2>&1"), "");
}

}  // namespace
}  // namespace orvane
