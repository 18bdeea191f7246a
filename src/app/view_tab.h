// What the view shows, and the mode tab that stands for it.
#pragma once

namespace orvane {

// The picture (in Detail or in Full/Crop mode, which the document keeps beside this, so that
// leaving a plot returns to the mode the picture was in), or one of the two plots.
enum class ViewTab { kPicture, kCurves, kHistogram };

// The four displays, in the order of the mode tabs.
enum ModeTab { kTabDetail = 0, kTabFullCrop = 1, kTabCurves = 2, kTabHistogram = 3 };
inline constexpr int kModeTabCount = 4;

constexpr ModeTab ModeTabOf(bool fullCropMode, ViewTab view) {
  switch (view) {
    case ViewTab::kCurves: return kTabCurves;
    case ViewTab::kHistogram: return kTabHistogram;
    case ViewTab::kPicture: break;
  }
  return fullCropMode ? kTabFullCrop : kTabDetail;
}

}  // namespace orvane
