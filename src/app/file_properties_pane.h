// What the File Properties pane decides: the thumbnail's size, the info box text, the red frame
// in thumbnail pixels, the enabling in each mode, and the thumbnail's mouse fractions.
#pragma once

#include <cstdint>
#include <string>

#include "app/view_tab.h"
#include "base/rect.h"
#include "imagefile/raster_image.h"
#include "pipeline/denoise_run.h"

namespace orvane {

struct ThumbSize {
  int width = 0;
  int height = 0;
  bool operator==(const ThumbSize&) const = default;
};
// A W x H picture in a cw x ch control: full width, unless that is too tall.
ThumbSize NavigatorThumbnailSize(int imageWidth, int imageHeight, int clientWidth,
                                 int clientHeight);

// "1/250", "2 \"" (whole seconds and an inch sign) or empty when neither time is known.
std::string ExposureText(double exposureTime, double shutterTime);
// The summary of a picture, each line ended by "\r\n"; "No EXIF" without camera data.
std::string InfoBoxText(const RasterImage& picture);
std::string CropInfoText(int cropWidth, int cropHeight);  // "Crop Image: %d x %d"

// A rectangle of the picture scaled into the thumbnail, each side truncated.
Rect ScaleToThumbnail(const Rect& r, int imageWidth, int imageHeight, ThumbSize thumb);

struct FilePropertiesEnabling {
  bool crop = false;         // preset list, orientation, Apply Crop, Return, Enlarge, its label
  bool output = false;       // output list and its label
  bool fileInfoLabel = false;
  bool operator==(const FilePropertiesEnabling&) const = default;
};
FilePropertiesEnabling FilePropertiesEnablingFor(bool fullCropMode, ViewTab viewTab);

// The Enlarge slider shows (enlarge - 1) x 50.
int EnlargeSliderPosition(double enlarge);

// The mouse at (x, y) holds the middle of the frame: the fraction of the thumbnail at the
// frame's top-left corner.
struct Fraction {
  double x = 0, y = 0;
};
Fraction ThumbnailFraction(int x, int y, int halfWidth, int halfHeight, int x0, int y0,
                           ThumbSize thumb);

// What the thumbnail was made from: remaking it from a large picture takes a while, and the
// pane refreshes on every mode change and every move of the crop frame. The stamp tells a
// different picture by its block, size and a sample of its pixels.
struct PictureStamp {
  const void* pixels = nullptr;
  int width = 0;
  int height = 0;
  uint64_t sample = 0;
  bool operator==(const PictureStamp&) const = default;
};
PictureStamp StampOf(const RasterImage& picture);

// The output-folder radio beside the folder box: with no folder the browser opens at once, and
// a cancelled browser leaves "Recently Used".
inline constexpr const char* kFolderBrowserTitle = "Select Directory";
inline constexpr const char* kFolderBrowserPrompt = "Default Output Path";
int OutputFolderModeAfterBrowse(const std::string& folder);

}  // namespace orvane
