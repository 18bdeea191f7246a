// What the program's dialogs decide without drawing anything: the progress window's percentage
// text, the open dialog's preview size and titles, and the folder a chosen file is remembered by.
#pragma once

#include <string>

namespace orvane {

// The percentage text of a progress window at pos within min ... max: "50%", "100%". A share
// above 100 wraps (p mod 100) the way the window always showed it; an empty range reads "0%".
std::string ProgressPercentText(int pos, int min, int max);
// What the percentage text shows before the first position arrives.
inline constexpr const char* kProgressStartText = " 0 %";
// The progress window's caption when its owner names none.
inline constexpr const char* kProgressCaption = "Processing Full Image";
// The first status-bar pane's text when no run is going on.
inline constexpr const char* kStatusReady = "Ready";

// When a progress bar is redrawn. A run reports dozens of steps, a small run all of them within a
// few milliseconds, and every redraw of a bar costs about a millisecond of the run; the eye sees
// no more than the screen's refresh anyway. A position is drawn when the last drawn one is at
// least kProgressRedrawMs old, when it is the last step, and never twice.
inline constexpr double kProgressRedrawMs = 25.0;
class ProgressPacer {
 public:
  // True when position (of 0 ... maximum) should be drawn at nowMs, a steady clock's reading in
  // milliseconds; a true answer counts as drawn.
  bool due(int position, int maximum, double nowMs);

 private:
  bool drawnAny_ = false;
  int drawn_ = 0;
  double drawnAt_ = 0.0;
};

struct PreviewSize {
  int width = 0;
  int height = 0;
};
// The size a decoded preview of width x height is shown at inside an area of areaWidth x
// areaHeight: unchanged when it fits, else shrunk by the larger of the two ratios, truncated.
PreviewSize PreviewFit(int width, int height, int areaWidth, int areaHeight);
// "%d x %d\nPixels" for a previewed picture's full size.
std::string PreviewSizeText(int width, int height);
inline constexpr const char* kPreviewNoImage = "No Image";

// The open dialog's title.
inline constexpr const char* kOpenDialogTitle = "Load image file";
// The reference picture's open dialog.
inline constexpr const char* kReferenceDialogTitle = "Load Source Image";

// The open and save dialogs' first size on a screen whose work area is screenWidth x
// screenHeight: room for the list's name, size, type and date columns and the open dialog's
// preview, without covering a large screen; on a small screen at most 95 % of the work area.
struct DialogSize {
  int width = 0;
  int height = 0;
};
DialogSize FileDialogSize(int screenWidth, int screenHeight);

// The narrowest a titled box (a message, the About box) is made. A window manager puts an icon
// and its buttons beside the title, about 150 px on common themes, so a box only as wide as a
// short text and its OK button shows its title cut ("Or... R").
inline constexpr int kTitleBarAllowance = 160;
inline constexpr int kMessageBoxMinWidth = 320;
int TitledBoxMinimumWidth(int titleTextWidth);

// The About box.
inline constexpr const char* kAboutTitle = "About Orvane NR";
inline constexpr const char* kAboutTagline = "Photo noise reduction";
inline constexpr const char* kAboutCopyright = "Copyright \u00a9 2026 Quillmark";
inline constexpr const char* kAboutLicence =
    "Orvane NR is written and owned by Quillmark. It may be installed and used on any number of "
    "machines. It may be copied and passed on only as this unmodified package. All other rights "
    "are reserved. The program is provided \"as is\", without warranty of any kind.";

// The folder part of a chosen file's path, as remembered for the next dialog ("/" for a file
// at the root).
std::string FolderOfPath(const std::string& path);

}  // namespace orvane
