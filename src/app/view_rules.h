// What the image view and the main window decide without a window system: scroll ranges and the
// visible region of Detail mode, the fit of Full/Crop mode, the plot square, curve editing, the
// dropped-file filter, the mode commands and the theme codes. The widgets only show the outcome.
#pragma once

#include <string_view>

#include "app/command_table.h"
#include "app/view_tab.h"
#include "app/settings_keys.h"
#include "colour/colour_params.h"
#include "base/rect.h"

namespace orvane {

class CHushwickDoc;

// Timer id 1 of the view: the delays after which the visible region is denoised again.
inline constexpr int kPreviewDelayShown = 100;
inline constexpr int kPreviewDelayResized = 100;
inline constexpr int kPreviewDelayScrolled = 200;
inline constexpr int kPreviewDelayDragged = 100;
inline constexpr int kPreviewDelayDropped = 50;
inline constexpr int kPreviewDelayPasted = 50;

inline constexpr int kScrollLine = 5;
inline constexpr int kScrollPage = 20;

// Detail mode: the upper half shows the source at 1:1, so the vertical range counts half the
// client height. Both ranges are 0 or more.
struct ScrollRange {
  int x = 0;
  int y = 0;
  bool operator==(const ScrollRange&) const = default;
};
ScrollRange DetailScrollRange(int imageWidth, int imageHeight, int clientWidth, int clientHeight);
int ClampScroll(int position, int range);

// The source rectangle the upper half shows (also what the region run covers).
Rect DetailVisibleRegion(int scrollX, int scrollY, int clientWidth, int clientHeight);

enum class ScrollAction { kLineUp, kLineDown, kPageUp, kPageDown, kThumb };
// The new scroll-bar position, limited to 0..range.
int ScrollBarStep(int position, ScrollAction action, int thumbPosition, int range);

// Dragging the picture in Detail mode by (dx, dy) client pixels: the picture follows the mouse.
void DragDetail(int dx, int dy, const ScrollRange& range, int& scrollX, int& scrollY);

// Full/Crop mode: the crop fitted into the client area with a 20-pixel margin at the sides and
// room for the label bar. n x q is the picture's size on screen.
struct CropFit {
  int x0 = 0, y0 = 0, n = 0, q = 0;
  bool showsPicture() const { return n > 0 && q > 0; }
  // The white frame: the picture's rectangle grown by 8 pixels; drawn only when non-empty.
  bool showsFrame() const { return n + 16 > 0 && q + 16 > 0; }
  bool operator==(const CropFit&) const = default;
};
CropFit FitCrop(int cropWidth, int cropHeight, int clientWidth, int clientHeight);

// The two vertical and two horizontal lines of the rule-of-thirds grid.
struct GridLines {
  int x1, x2, y1, y2;
};
GridLines ThirdsGrid(const CropFit& fit);

// Curves and Histogram: the top-left corner of the 256 x 256 plot square.
struct PlotOrigin {
  int x0 = 0, y0 = 0;
};
PlotOrigin PlotSquare(int clientWidth, int clientHeight);

// A press or drag at (x, y) in the Curves display: Shift sets the exposure, otherwise the lower
// half sets the black point and the upper half the white point, each kept in its limits.
void CurveEdit(ColourParams& params, int x, int y, int clientWidth, int clientHeight, bool shift);

// The three curves of the Curves display: heights 0..255 of tone table plus match table.
struct CurveHeights {
  int red[256], green[256], blue[256];
};
CurveHeights ComputeCurveHeights(const ColourParams& params);

// Files dropped on the view: only these endings, in any letter case, are opened.
bool IsDroppableImage(std::string_view path);

int ModeTabCommand(int tab);
// Ctrl+PgDn and Ctrl+PgUp: the command that follows or precedes the tab the strip shows.
int NextModeCommand(int currentTab);
int PreviousModeCommand(int currentTab);

// Carries out a mode command (cmd::kDetailMode, kFullCropMode, kCurves, kHistogram) on the
// document. Without anyone showing the document the plot commands do nothing. A cancelled crop
// question leaves the old tab selected.
void RunModeCommand(CHushwickDoc& doc, int command);

// Stored theme codes as they are used: interface themes 0..3 (out of range: 2); pane themes
// 0, 1, 2, 3, 5, 6 (4 and out of range: 5).
inline constexpr int kDefaultInterfaceTheme = key::kInterfaceTheme.defaultInt;
inline constexpr int kDefaultPaneTheme = key::kPaneTheme.defaultInt;
int InterfaceThemeFromStored(int code);
int PaneThemeFromStored(int code);

// Where a stored window placement opens on the screen's work area (a screen unplugged since,
// a smaller one): moved until it lies whole on the work area, or where it is larger, with its
// top left corner there, so that its title bar and buttons are within reach. The size is kept.
Rect PlaceOnWorkArea(const Rect& stored, const Rect& work);

}  // namespace orvane
