#include "app/file_properties_pane.h"

#include <cstdio>

namespace orvane {

namespace {

int Trunc(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(v);
}

}  // namespace

ThumbSize NavigatorThumbnailSize(int imageWidth, int imageHeight, int clientWidth,
                                 int clientHeight) {
  if (imageWidth <= 0 || imageHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) return {};
  const double ratio = static_cast<double>(imageHeight) / imageWidth;
  ThumbSize t{clientWidth, Trunc(ratio * clientWidth)};
  if (clientHeight < t.height) {
    t.height = clientHeight;
    t.width = Trunc(clientHeight / ratio);
  }
  return t;
}

std::string ExposureText(double exposureTime, double shutterTime) {
  const double t = exposureTime > 0 ? exposureTime : shutterTime;
  if (!(t > 0)) return {};
  char text[64];
  if (t > 1)
    std::snprintf(text, sizeof text, "%d \"", Trunc(t));
  else
    std::snprintf(text, sizeof text, "1/%d", Trunc(1.0 / t));
  return text;
}

std::string InfoBoxText(const RasterImage& p) {
  char line[128];
  std::string text;
  // Camera data: an EXIF block, or the fields a raw decoder fills without one.
  const bool camera = !p.exifBlock.empty() || !p.cameraMake.empty() || !p.cameraModel.empty();
  if (!camera) {
    std::snprintf(line, sizeof line, "No EXIF\r\n%d x %d", p.Width(), p.Height());
    return line;
  }
  text = p.cameraMake + " " + p.cameraModel + "\r\n";
  std::snprintf(line, sizeof line, "%d x %d\r\n", p.Width(), p.Height());
  text += line;
  text += p.dateTaken + "\r\n";
  if (p.isoSpeed > 0) {
    std::snprintf(line, sizeof line, "ISO: %d\r\n", p.isoSpeed);
    text += line;
  }
  const std::string exposure = ExposureText(p.exposureTime, p.shutterTime);
  if (!exposure.empty()) text += exposure + "\r\n";
  if (p.fNumber > 0) {
    std::snprintf(line, sizeof line, "F: %.1f\r\n", p.fNumber);
    text += line;
  }
  return text;
}

std::string CropInfoText(int cropWidth, int cropHeight) {
  char line[64];
  std::snprintf(line, sizeof line, "Crop Image: %d x %d", cropWidth, cropHeight);
  return line;
}

Rect ScaleToThumbnail(const Rect& r, int imageWidth, int imageHeight, ThumbSize thumb) {
  if (imageWidth <= 0 || imageHeight <= 0) return {};
  const auto x = [&](int v) { return Trunc(static_cast<double>(v) / imageWidth * thumb.width); };
  const auto y = [&](int v) { return Trunc(static_cast<double>(v) / imageHeight * thumb.height); };
  return {x(r.left), y(r.top), x(r.right), y(r.bottom)};
}

FilePropertiesEnabling FilePropertiesEnablingFor(bool fullCropMode, ViewTab viewTab) {
  if (fullCropMode) return {true, false, false};
  return {false, viewTab == ViewTab::kPicture, true};
}

int EnlargeSliderPosition(double enlarge) { return Trunc((enlarge - 1.0) * 50.0); }

Fraction ThumbnailFraction(int x, int y, int halfWidth, int halfHeight, int x0, int y0,
                           ThumbSize thumb) {
  if (thumb.width <= 0 || thumb.height <= 0) return {};
  return {static_cast<double>(x - halfWidth - x0) / thumb.width,
          static_cast<double>(y - halfHeight - y0) / thumb.height};
}

PictureStamp StampOf(const RasterImage& picture) {
  PictureStamp stamp{picture.Pixels(), picture.Width(), picture.Height(), 0};
  if (picture.IsEmpty() || picture.BitsPerPixel() != 24) return stamp;
  // 64 x 64 pixels spread over the picture, folded FNV-style.
  uint64_t h = 1469598103934665603ull;
  const uint8_t* p = picture.Pixels();
  const int64_t w = picture.Width(), ht = picture.Height();
  for (int64_t j = 0; j < 64; ++j) {
    const int64_t y = ht * j / 64;
    for (int64_t i = 0; i < 64; ++i) {
      const uint8_t* px = p + (y * w + w * i / 64) * 3;
      for (int c = 0; c < 3; ++c) h = (h ^ px[c]) * 1099511628211ull;
    }
  }
  stamp.sample = h;
  return stamp;
}

int OutputFolderModeAfterBrowse(const std::string& folder) { return folder.empty() ? 0 : 1; }

}  // namespace orvane
