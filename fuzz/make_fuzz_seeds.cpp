// Writes the small seed files of the fuzz corpora with our own writers.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imagefile/codec/codec.h"
#include "imagefile/exif.h"
#include "hostile_fixtures.h"

namespace {

using namespace orvane;

void Put(const std::filesystem::path& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(dir);
  std::ofstream f(dir / name, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Pattern(RasterImage& image, int w, int h) {
  image.Create(w, h, 24);
  for (int i = 0; i < w * h * 3; ++i) image.Pixels()[i] = static_cast<uint8_t>(i * 37 % 251);
}

// A minimal EXIF block: Make, Orientation, and an EXIF directory with ExposureTime.
std::vector<uint8_t> Exif(uint16_t orientation) {
  std::vector<uint8_t> t = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                            3, 0,                                              // 3 entries
                            0x0F, 0x01, 2, 0, 4, 0, 0, 0, 'Q', 'c', 'm', 0,     // Make "Qcm"
                            0x12, 0x01, 3, 0, 1, 0, 0, 0, static_cast<uint8_t>(orientation), 0, 0, 0,
                            0x69, 0x87, 4, 0, 1, 0, 0, 0, 44, 0, 0, 0,          // EXIF IFD at 44
                            0, 0, 0, 0,                                        // no IFD1
                            1, 0,                                              // 1 entry
                            0x9A, 0x82, 5, 0, 1, 0, 0, 0, 62, 0, 0, 0,          // ExposureTime
                            0, 0, 0, 0,
                            1, 0, 0, 0, 250, 0, 0, 0};
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds <corpus folder>\n");
    return 2;
  }
  const std::filesystem::path root = argv[1];
  RasterImage image;
  Pattern(image, 16, 12);
  std::vector<uint8_t> out;

  image.jpegQuality = 50;
  WriteJpeg(image, out);
  Put(root / "jpeg", "plain.jpg", out);
  image.jpegFullChroma = false;
  image.jpegProgressive = true;
  image.exifBlock = Exif(6);
  image.orientation = 6;
  WriteJpeg(image, out);
  Put(root / "jpeg", "progressive_exif.jpg", out);

  WritePng(image, out);
  Put(root / "png", "rgb.png", out);
  RasterImage small;
  Pattern(small, 3, 2);
  WritePng(small, out);
  Put(root / "png", "tiny.png", out);

  for (int compression : {1, 5, 32773}) {
    image.tiffCompression = compression;
    WriteTiff(image, out);
    Put(root / "tiff", "rgb_" + std::to_string(compression) + ".tif", out);
  }

  std::vector<uint8_t> exif = Exif(8);
  Put(root / "exif", "small.tiff", std::vector<uint8_t>(exif.begin() + 6, exif.end()));

  // Damaged and lying files: cut scans, sizes the data cannot fill, endless scans, strips that
  // are missing or do not decode, run-length data that stops early, two EXIF segments.
  const std::vector<uint8_t> jpeg = test::GoodJpeg();
  Put(root / "jpeg", "cut_scan.jpg", std::vector<uint8_t>(jpeg.begin(), jpeg.end() - 100));
  Put(root / "jpeg", "no_scan_data.jpg",
      std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(test::JpegScanData(jpeg))));
  Put(root / "jpeg", "claims_32000.jpg", test::JpegClaiming(jpeg, 32000, 32000));
  Put(root / "jpeg", "many_scans.jpg", test::JpegWithScans(1100));
  std::vector<uint8_t> twoExif = jpeg;
  for (const uint16_t orientation : {3, 6}) {
    const std::vector<uint8_t> payload = Exif(orientation);
    std::vector<uint8_t> marker = {0xFF, 0xE1, static_cast<uint8_t>((payload.size() + 2) >> 8),
                                   static_cast<uint8_t>(payload.size() + 2)};
    marker.insert(marker.end(), payload.begin(), payload.end());
    twoExif.insert(twoExif.begin() + 2, marker.begin(), marker.end());
  }
  Put(root / "jpeg", "two_exif.jpg", twoExif);
  Put(root / "tiff", "garbage_deflate.tif", test::TiffGarbageData(8));
  Put(root / "tiff", "missing_strip.tif", test::TiffMissingStrip());
  Put(root / "tiff", "claims_32767.tif", test::TiffClaimingHuge());
  Put(root / "bmp", "rle8_cut.bmp", test::BmpRle8(true));

  // Damage no checksum catches and small files claiming huge pictures: a palette cut short, a
  // run-length height that does not match the rows, data that is only its end marker,
  // metafile boxes and frames far larger than their bitmaps, a flipped byte in a deflate strip
  // and in a JPEG scan, picture data far too short for the size it claims.
  const std::vector<uint8_t> pcx = test::Pcx8(16, 8);
  Put(root / "pcx", "p8_palette_cut.pcx", std::vector<uint8_t>(pcx.begin(), pcx.end() - 300));
  std::vector<uint8_t> tallRle = test::BmpRle8(false);
  test::PutLe32(tallRle, 22, 64 + 256);
  Put(root / "bmp", "rle8_height_flipped.bmp", tallRle);
  Put(root / "bmp", "rle8_only_end.bmp", test::BmpRleClaiming(2000, 2000, false, 3000));
  Put(root / "wmf", "box_32000.wmf", test::WmfClaiming(32000, 32000, 4000));
  Put(root / "emf", "frame_360000.emf", test::EmfClaiming(360000, 240));
  std::vector<uint8_t> deflate = test::GoodTiff(8);
  deflate[deflate.size() / 3] ^= 0x08;
  Put(root / "tiff", "deflate_flipped.tif", deflate);
  Put(root / "tiff", "deflate_claims_8000.tif", test::TiffDeflateClaiming(8000, 8000, 4000));
  Put(root / "png", "claims_8000.png", test::PngClaiming(8000, 8000, 2, 4000));
  Put(root / "png", "text_claims_2gb.png", test::PngTextClaiming2GB(true));
  std::vector<uint8_t> flipped = jpeg;
  flipped[test::JpegScanData(jpeg) + 20] ^= 0x10;
  Put(root / "jpeg", "scan_flipped.jpg", flipped);
  return 0;
}
