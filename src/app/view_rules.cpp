#include "app/view_rules.h"

#include <algorithm>

#include "colour/colour_on_image.h"
#include "colour/tone_curve.h"
#include "imagefile/format_lists.h"
#include "app/document.h"

namespace orvane {

ScrollRange DetailScrollRange(int imageWidth, int imageHeight, int clientWidth, int clientHeight) {
  return ScrollRange{std::max(0, imageWidth - clientWidth),
                     std::max(0, imageHeight - clientHeight / 2)};
}

int ClampScroll(int position, int range) { return std::clamp(position, 0, std::max(0, range)); }

Rect DetailVisibleRegion(int scrollX, int scrollY, int clientWidth, int clientHeight) {
  return Rect{scrollX, scrollY, scrollX + clientWidth, scrollY + clientHeight / 2 - 2};
}

int ScrollBarStep(int position, ScrollAction action, int thumbPosition, int range) {
  switch (action) {
    case ScrollAction::kLineUp: position -= kScrollLine; break;
    case ScrollAction::kLineDown: position += kScrollLine; break;
    case ScrollAction::kPageUp: position -= kScrollPage; break;
    case ScrollAction::kPageDown: position += kScrollPage; break;
    case ScrollAction::kThumb: position = thumbPosition; break;
  }
  return ClampScroll(position, range);
}

void DragDetail(int dx, int dy, const ScrollRange& range, int& scrollX, int& scrollY) {
  scrollX = ClampScroll(scrollX - dx, range.x);
  scrollY = ClampScroll(scrollY - dy, range.y);
}

CropFit FitCrop(int cropWidth, int cropHeight, int clientWidth, int clientHeight) {
  CropFit fit;
  if (cropWidth <= 0 || cropHeight <= 0) return fit;
  const double a = static_cast<double>(cropWidth) / cropHeight;
  int n = clientWidth - 40;
  int q = static_cast<int>(n / a);
  if (clientHeight - 60 < q) {
    q = clientHeight - 60;
    n = static_cast<int>(a * q);
  }
  fit.n = n;
  fit.q = q;
  fit.x0 = (clientWidth - n) / 2;
  fit.y0 = (clientHeight - q) / 2 + 10;
  return fit;
}

GridLines ThirdsGrid(const CropFit& fit) {
  return GridLines{fit.x0 + fit.n / 3, fit.x0 + (fit.n / 3) * 2, fit.y0 + fit.q / 3,
                   fit.y0 + (fit.q / 3) * 2};
}

PlotOrigin PlotSquare(int clientWidth, int clientHeight) {
  return PlotOrigin{(clientWidth - 255) / 2, (clientHeight - 255) / 2};
}

void CurveEdit(ColourParams& params, int x, int y, int clientWidth, int clientHeight, bool shift) {
  const PlotOrigin origin = PlotSquare(clientWidth, clientHeight);
  const int c = std::clamp(y - origin.y0, 0, 255);
  if (shift) {
    const int d = std::clamp(3 * (origin.x0 - x) + 128, -400, 400);
    params.exposureEv = d * 0.01;
  } else if (c > 128) {
    params.blackPoint = std::clamp(x - origin.x0, 0, 255);
  } else if (c < 128) {
    params.whitePoint = std::clamp(x - origin.x0, 0, 255);
  }
  // The two points never come closer than the sliders allow.
  params.blackPoint = std::min(params.blackPoint, 100);
  params.whitePoint = std::max(params.whitePoint, 155);
}

CurveHeights ComputeCurveHeights(const ColourParams& params) {
  ToneCurve curve;
  if (params.blackPoint > 0 || params.whitePoint < 255 || params.blueGamma != 1.0f ||
      params.exposureEv != 0.0) {
    curve.SetLevels(0, params.blackPoint, params.whitePoint, 0, 255, 1.0);
    curve.SetLevels(1, params.blackPoint, params.whitePoint, 0, 255, 1.0);
    curve.SetLevels(2, params.blackPoint, params.whitePoint, 0, 255, params.blueGamma);
    curve.ApplyExposure(params.exposureEv);
  }
  CurveHeights heights;
  int* out[3] = {heights.red, heights.green, heights.blue};
  const std::array<uint8_t, 256>* match[3] = {&params.matchTables.red, &params.matchTables.green,
                                              &params.matchTables.blue};
  for (int k = 0; k < 3; ++k) {
    const auto table = curve.Table(k);
    for (int i = 0; i < 256; ++i) out[k][i] = std::clamp(table[i] + (*match[k])[i] - i, 0, 255);
  }
  return heights;
}

bool IsDroppableImage(std::string_view path) {
  return EndsWithListedExtension(std::string(path), &FormatListing::dropRank);
}

int ModeTabCommand(int tab) {
  switch (tab) {
    case kTabFullCrop: return cmd::kFullCropMode;
    case kTabCurves: return cmd::kCurves;
    case kTabHistogram: return cmd::kHistogram;
    default: return cmd::kDetailMode;
  }
}

int NextModeCommand(int currentTab) {
  switch (currentTab) {
    case kTabDetail: return cmd::kFullCropMode;
    case kTabFullCrop: return cmd::kCurves;
    case kTabCurves: return cmd::kHistogram;
    default: return cmd::kDetailMode;
  }
}

int PreviousModeCommand(int currentTab) {
  switch (currentTab) {
    case kTabDetail: return cmd::kHistogram;
    case kTabCurves: return cmd::kFullCropMode;
    case kTabHistogram: return cmd::kCurves;
    default: return cmd::kDetailMode;
  }
}

void RunModeCommand(CHushwickDoc& doc, int command) {
  switch (command) {
    case cmd::kDetailMode: doc.LeaveCropMode(true, true); break;
    case cmd::kFullCropMode: doc.EnterFullCropMode(true); break;
    case cmd::kCurves: doc.showPlot(ViewTab::kCurves); break;
    case cmd::kHistogram: doc.showPlot(ViewTab::kHistogram); break;
    default: break;
  }
}

Rect PlaceOnWorkArea(const Rect& stored, const Rect& work) {
  const int w = stored.width(), h = stored.height();
  const int x = std::max(std::min(stored.left, work.right - w), work.left);
  const int y = std::max(std::min(stored.top, work.bottom - h), work.top);
  return Rect{x, y, x + w, y + h};
}

int InterfaceThemeFromStored(int code) {
  return code >= 0 && code <= 3 ? code : kDefaultInterfaceTheme;
}

int PaneThemeFromStored(int code) {
  return code >= 0 && code <= 6 && code != 4 ? code : kDefaultPaneTheme;
}

}  // namespace orvane
