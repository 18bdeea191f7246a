#include "app/view_rules.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>

#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/document.h"
#include "document_fixtures.h"
#include "scripted_host.h"

namespace orvane {
namespace {

TEST(DetailScroll, RangesCountHalfTheClientHeight) {
  struct Case {
    int iw, ih, cw, ch;
    ScrollRange range;
  };
  const Case cases[] = {
      {4000, 3000, 1000, 800, {3000, 2600}},
      {4000, 3000, 1000, 801, {3000, 2600}},  // half is integer division
      {300, 200, 1000, 800, {0, 0}},          // smaller than the upper half
      {1000, 400, 1000, 800, {0, 0}},         // exactly fits
      {1001, 401, 1000, 800, {1, 1}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DetailScrollRange(c.iw, c.ih, c.cw, c.ch), c.range) << c.iw << "x" << c.ih;
  }
}

TEST(DetailScroll, VisibleRegionIsTheUpperHalfLessTheSeparator) {
  EXPECT_EQ(DetailVisibleRegion(10, 20, 1000, 801), (Rect{10, 20, 1010, 418}));
  EXPECT_EQ(DetailVisibleRegion(0, 0, 640, 480), (Rect{0, 0, 640, 238}));
}

TEST(DetailScroll, BarStepsAreFiveAndTwentyAndStayInRange) {
  struct Case {
    int position;
    ScrollAction action;
    int thumb, range, expected;
  };
  const Case cases[] = {
      {50, ScrollAction::kLineDown, 0, 100, 55},  {50, ScrollAction::kLineUp, 0, 100, 45},
      {50, ScrollAction::kPageDown, 0, 100, 70},  {50, ScrollAction::kPageUp, 0, 100, 30},
      {98, ScrollAction::kLineDown, 0, 100, 100}, {3, ScrollAction::kLineUp, 0, 100, 0},
      {15, ScrollAction::kPageUp, 0, 100, 0},     {90, ScrollAction::kPageDown, 0, 100, 100},
      {50, ScrollAction::kThumb, 77, 100, 77},    {50, ScrollAction::kThumb, 140, 100, 100},
      {0, ScrollAction::kLineDown, 0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScrollBarStep(c.position, c.action, c.thumb, c.range), c.expected)
        << c.position << " action " << static_cast<int>(c.action);
  }
}

TEST(DetailScroll, DraggingStopsAtTheEdges) {
  const ScrollRange range{500, 300};
  int x = 100, y = 100;
  DragDetail(-50, -20, range, x, y);  // the mouse moves left and up: the view goes right, down
  EXPECT_EQ(x, 150);
  EXPECT_EQ(y, 120);
  DragDetail(10000, 10000, range, x, y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  DragDetail(-10000, -10000, range, x, y);
  EXPECT_EQ(x, 500);
  EXPECT_EQ(y, 300);
  DragDetail(-5, -5, ScrollRange{0, 0}, x, y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
}

TEST(FullCropFit, FitsWidthOrHeightAndCentres) {
  struct Case {
    int cropW, cropH, clientW, clientH;
    CropFit fit;
  };
  const Case cases[] = {
      // Wide client: the height decides (q = 800 - 60), n = a * q.
      {4000, 3000, 1600, 800, {(1600 - 986) / 2, 40, 986, 740}},
      // Tall client: the width decides (n = 1000 - 40), q = n / a.
      {4000, 3000, 1000, 1200, {20, (1200 - 720) / 2 + 10, 960, 720}},
      // Too small: nothing drawn.
      {4000, 3000, 40, 500, {20, 260, 0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitCrop(c.cropW, c.cropH, c.clientW, c.clientH), c.fit) << c.clientW;
  }
  EXPECT_FALSE(FitCrop(4000, 3000, 40, 500).showsPicture());
  EXPECT_TRUE(FitCrop(4000, 3000, 40, 500).showsFrame());
  EXPECT_FALSE(FitCrop(4000, 3000, 300, 60).showsPicture());
  EXPECT_FALSE(FitCrop(4000, 3000, 20, 20).showsFrame());  // n = -20, q = -40
  EXPECT_FALSE(FitCrop(0, 0, 800, 600).showsPicture());
}

TEST(FullCropFit, GridAtThirds) {
  const GridLines g = ThirdsGrid(CropFit{10, 20, 300, 200});
  EXPECT_EQ(g.x1, 110);
  EXPECT_EQ(g.x2, 210);
  EXPECT_EQ(g.y1, 86);
  EXPECT_EQ(g.y2, 152);
}

TEST(CurveEdit, LimitsOfBlackWhiteAndExposure) {
  const int cw = 655, ch = 455;  // plot square at (200, 100)
  ColourParams p;
  CurveEdit(p, 200 + 250, 100 + 200, cw, ch, false);  // lower half far right
  EXPECT_EQ(p.blackPoint, 100);
  CurveEdit(p, 200 + 40, 100 + 250, cw, ch, false);
  EXPECT_EQ(p.blackPoint, 40);
  CurveEdit(p, 0, 100 + 255 + 50, cw, ch, false);  // below the square, left of it
  EXPECT_EQ(p.blackPoint, 0);
  CurveEdit(p, 200 + 10, 100 + 5, cw, ch, false);  // upper half far left
  EXPECT_EQ(p.whitePoint, 155);
  CurveEdit(p, 200 + 400, 0, cw, ch, false);
  EXPECT_EQ(p.whitePoint, 255);
  CurveEdit(p, 200 + 200, 100 + 200, cw, ch, false);
  CurveEdit(p, 200 + 10, 100 + 128, cw, ch, false);  // the middle row changes neither
  EXPECT_EQ(p.blackPoint, 100);
  EXPECT_EQ(p.whitePoint, 255);
  CurveEdit(p, 200, 100 + 10, cw, ch, true);  // Shift at the left edge
  EXPECT_DOUBLE_EQ(p.exposureEv, 1.28);
  CurveEdit(p, 5000, 100 + 10, cw, ch, true);
  EXPECT_DOUBLE_EQ(p.exposureEv, -4.0);
  CurveEdit(p, -5000, 100 + 10, cw, ch, true);
  EXPECT_DOUBLE_EQ(p.exposureEv, 4.0);
}

TEST(CurveHeights, NeutralIsTheDiagonalAndMatchTablesAdd) {
  ColourParams p;
  CurveHeights h = ComputeCurveHeights(p);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(h.red[i], i);
    ASSERT_EQ(h.blue[i], i);
  }
  p.matchTables.green[10] = 40;
  p.matchTables.red[250] = 0;
  h = ComputeCurveHeights(p);
  EXPECT_EQ(h.green[10], 40);
  EXPECT_EQ(h.red[250], 0);
  p.blackPoint = 100;
  h = ComputeCurveHeights(p);
  EXPECT_EQ(h.blue[50], 0);
  EXPECT_EQ(h.blue[255], 255);
}

TEST(DropFilter, LastFourCharactersInAnyCase) {
  for (const char* accepted : {"/a/b.jpg", "x.JPG", "y.Png", "z.bmp", "p.tif", "t.TGA", "c.pcx"})
    EXPECT_TRUE(IsDroppableImage(accepted)) << accepted;
  for (const char* refused : {"a.jpeg", "b.tiff", "c.psd", "d.gif", "jpg", "", ".jp", "a.jpg.txt"})
    EXPECT_FALSE(IsDroppableImage(refused)) << refused;
}

TEST(ModeCommands, NextAndPreviousFollowTheTabs) {
  EXPECT_EQ(NextModeCommand(kTabDetail), cmd::kFullCropMode);
  EXPECT_EQ(NextModeCommand(kTabFullCrop), cmd::kCurves);
  EXPECT_EQ(NextModeCommand(kTabCurves), cmd::kHistogram);
  EXPECT_EQ(NextModeCommand(kTabHistogram), cmd::kDetailMode);
  EXPECT_EQ(PreviousModeCommand(kTabDetail), cmd::kHistogram);
  EXPECT_EQ(PreviousModeCommand(kTabFullCrop), cmd::kDetailMode);
  EXPECT_EQ(PreviousModeCommand(kTabCurves), cmd::kFullCropMode);
  EXPECT_EQ(PreviousModeCommand(kTabHistogram), cmd::kCurves);
  EXPECT_EQ(ModeTabOf(true, ViewTab::kPicture), kTabFullCrop);
  EXPECT_EQ(ModeTabOf(false, ViewTab::kHistogram), kTabHistogram);
}

// Records the tabs a window would show, and the region runs it would start.
struct RecordingViews : DocumentObserver {
  const CHushwickDoc* doc = nullptr;
  std::vector<int> tabs;
  int previews = 0;
  void documentChanged(unsigned changes, const void*) override {
    if (changes & kChangeMode) tabs.push_back(ModeTabOf(doc->fullCropMode, doc->viewTab()));
    if (changes & kChangeStale) ++previews;
  }
};

TEST(ModeCommands, PlotsFromFullCropAskAndCancelKeepsTheMode) {
  test::ScriptedHost host;
  MemorySettingsStore settings;
  CHushwickDoc doc(host, settings);
  RecordingViews views;
  views.doc = &doc;
  doc.setObserver(&views);
  test::FillPhoto(doc.sourceImage, 64, 48);
  doc.resultImage.CopyFrom(doc.sourceImage);

  RunModeCommand(doc, cmd::kFullCropMode);
  EXPECT_EQ(doc.fullCropMode, 1);
  EditCrop(doc, [&](CropState& cs) { cs.enlarge = 2.0; }); // a crop to ask about
  host.answers = {Answer::Cancel};
  RunModeCommand(doc, cmd::kCurves);
  EXPECT_EQ(doc.fullCropMode, 1);
  EXPECT_EQ(doc.viewTab(), ViewTab::kPicture);
  EXPECT_EQ(views.tabs.back(), kTabFullCrop);
  EXPECT_EQ(host.log.questions.size(), 1u);

  host.answers = {Answer::No};
  RunModeCommand(doc, cmd::kHistogram);
  EXPECT_EQ(doc.fullCropMode, 0);
  EXPECT_EQ(doc.viewTab(), ViewTab::kHistogram);
  EXPECT_EQ(views.tabs.back(), kTabHistogram);
  EXPECT_EQ(doc.sourceImage.Width(), 64);  // No leaves the picture uncropped
  int full = 0;
  for (int i = 1; i < 255; ++i) {
    full += doc.histogramBars.red[i] == 255 || doc.histogramBars.green[i] == 255 ||
            doc.histogramBars.blue[i] == 255;
  }
  EXPECT_GE(full, 1);  // the bars were computed before the tab came up

  RunModeCommand(doc, cmd::kCurves);  // from one plot to the other: no question
  EXPECT_EQ(doc.viewTab(), ViewTab::kCurves);
  EXPECT_EQ(host.log.questions.size(), 2u);
  RunModeCommand(doc, cmd::kDetailMode);
  EXPECT_EQ(doc.viewTab(), ViewTab::kPicture);
  EXPECT_EQ(views.tabs.back(), kTabDetail);
  EXPECT_GE(views.previews, 1);

  // Without a main window the plot commands do nothing.
  doc.setObserver(nullptr);
  RunModeCommand(doc, cmd::kCurves);
  EXPECT_EQ(doc.viewTab(), ViewTab::kPicture);
}

TEST(Themes, OutOfRangeCodesFallBack) {
  struct Case {
    int stored, interface, pane;
  };
  const Case cases[] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2},  {3, 3, 3},   {4, 2, 5},
                        {5, 2, 5}, {6, 2, 6}, {7, 2, 5},  {-1, 2, 5},  {1000, 2, 5}};
  for (const Case& c : cases) {
    EXPECT_EQ(InterfaceThemeFromStored(c.stored), c.interface) << c.stored;
    EXPECT_EQ(PaneThemeFromStored(c.stored), c.pane) << c.stored;
  }
}

TEST(Placement, StoredWindowLandsOnTheWorkArea) {
  const Rect work{0, 30, 1600, 1000};
  struct Case {
    Rect stored, placed;
  };
  const Case cases[] = {
      {{100, 100, 900, 700}, {100, 100, 900, 700}},        // on the screen: as it was
      {{1700, 200, 2900, 800}, {400, 200, 1600, 800}},     // a screen to the right, gone
      {{-5000, -300, -4200, 300}, {0, 30, 800, 630}},      // far up and to the left
      {{1500, 900, 1800, 1100}, {1300, 800, 1600, 1000}},  // the corner just off
      {{200, 100, 2200, 1300}, {0, 30, 2000, 1230}},       // larger than the screen: corner on it
  };
  for (const Case& c : cases) {
    const Rect r = PlaceOnWorkArea(c.stored, work);
    EXPECT_EQ(r, c.placed) << c.stored.left << "," << c.stored.top;
  }
}

TEST(CommandTable, IdsAreUniqueAndToolbarsNameKnownCommands) {
  std::vector<int> seen;
  for (const CommandSpec& c : CommandTable()) {
    for (int id : seen) ASSERT_NE(id, c.id);
    seen.push_back(c.id);
  }
  EXPECT_EQ(seen.size(), 43u);
  for (auto buttons : {StandardToolbarButtons(), CropToolbarButtons()}) {
    for (int id : buttons) {
      if (id == 0) continue;
      ASSERT_NE(FindCommand(id), nullptr) << id;
      EXPECT_FALSE(FindCommand(id)->toolbar.empty()) << id;
    }
  }
  EXPECT_EQ(FindCommand(cmd::kPaneFileProperties)->tooltip, "Toggle File Propeties Pane");
  EXPECT_EQ(FindCommand(cmd::kZoomOut)->tooltip, "Zoom out");
}

// Alt+letter opens a menu and a letter picks an entry: within the menu bar and within each menu
// (its commands and its submenus' titles) no two mnemonics may share a letter, and every top
// menu has one.
TEST(CommandTable, MnemonicsOpenEveryMenuWithoutClashes) {
  const auto mnemonic = [](std::string_view text) {
    const size_t amp = text.find('&');
    return amp == std::string_view::npos || amp + 1 >= text.size()
               ? '\0'
               : static_cast<char>(std::tolower(static_cast<unsigned char>(text[amp + 1])));
  };
  std::map<std::string, std::map<char, std::string>> letters;  // menu path -> letter -> entry
  std::map<std::string, bool> submenuSeen;
  const auto add = [&](const std::string& menu, std::string_view text) {
    const char c = mnemonic(text);
    if (c == '\0') return;
    const auto [it, fresh] = letters[menu].emplace(c, std::string(text));
    EXPECT_TRUE(fresh) << menu << ": \"" << text << "\" and \"" << it->second << "\" share '" << c << "'";
  };
  for (const CommandSpec& c : CommandTable()) {
    if (c.menu.empty()) continue;
    const std::string path(c.menu);
    std::string parent;
    size_t start = 0;
    for (size_t end = path.find('>'); ; end = path.find('>', start)) {
      const std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
      const std::string here = parent.empty() ? name : parent + ">" + name;
      if (!submenuSeen[here]) {
        submenuSeen[here] = true;
        const std::string title = MenuTitle(name);
        if (parent.empty()) {
          EXPECT_NE(mnemonic(title), '\0') << name;
        }
        add(parent.empty() ? "(menu bar)" : parent, title);
      }
      if (end == std::string::npos) break;
      parent = here;
      start = end + 1;
    }
    add(path, c.menuText);
  }
  EXPECT_EQ(MenuTitle("File"), "&File");
  EXPECT_EQ(letters["(menu bar)"].size(), 6u);
  EXPECT_EQ(FindCommand(cmd::kExit)->shortcuts, "Ctrl+Q");
}

TEST(CommandTable, PictureCommandsWaitForTheRun) {
  for (int id : {cmd::kDetailMode, cmd::kFullCropMode, cmd::kCurves, cmd::kHistogram, cmd::kNextMode,
                 cmd::kApplyCrop, cmd::kRotateCw, cmd::kZoomIn, cmd::kPaste, cmd::kOpen, cmd::kNew})
    EXPECT_TRUE(RefusedWhileBusy(id)) << id;
  for (int id : {cmd::kGrid, cmd::kAbout, cmd::kHelp, cmd::kPaneColorMatch, cmd::kThemeOfficeXp,
                 cmd::kStatusBar, cmd::kExit})
    EXPECT_FALSE(RefusedWhileBusy(id)) << id;
}

TEST(CommandTable, EnablingRulesAndCheckMarks) {
  CommandFacts none;
  CommandFacts loaded;
  loaded.hasImage = loaded.hasPath = true;
  CommandFacts busy = loaded;
  busy.busy = true;
  CommandFacts crop = loaded;
  crop.fullCropMode = true;
  crop.canZoomIn = true;

  struct Case {
    int id;
    const CommandFacts* facts;
    CommandState state;
  };
  const Case cases[] = {
      {cmd::kOpen, &none, {true, false}},          {cmd::kSave, &none, {false, false}},
      {cmd::kSave, &loaded, {true, false}},        {cmd::kSaveAs, &busy, {false, false}},
      {cmd::kReload, &busy, {false, false}},       {cmd::kReload, &loaded, {true, false}},
      {cmd::kNextImage, &none, {false, false}},    {cmd::kPreviousImage, &loaded, {true, false}},
      {cmd::kNextImage, &busy, {false, false}},    {cmd::kRotateCw, &loaded, {true, false}},
      {cmd::kRotateCcw, &crop, {false, false}},    {cmd::kRotateCw, &none, {false, false}},
      {cmd::kZoomIn, &crop, {true, false}},        {cmd::kZoomOut, &crop, {false, false}},
      {cmd::kZoomIn, &loaded, {false, false}},     {cmd::kPaste, &loaded, {false, false}},
      {cmd::kDetailMode, &loaded, {true, true}},   {cmd::kFullCropMode, &crop, {true, true}},
      {cmd::kDetailMode, &crop, {true, false}},    {cmd::kCurves, &crop, {true, false}},
      {cmd::kCustomize, &loaded, {true, false}},  {cmd::kMemorySettings, &loaded, {true, false}},
      {cmd::kThemeOffice2003, &none, {true, true}}, {cmd::kThemeOfficeXp, &none, {true, false}},
      {cmd::kPaneThemeOffice2003, &none, {true, true}}, {cmd::kGrid, &none, {true, false}},
      {cmd::kStatusBar, &none, {true, true}},    {cmd::kRecentFile, &loaded, {false, false}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CommandStateOf(c.id, *c.facts), c.state) << c.id;
  }
  CommandFacts f;
  f.clipboardHasImage = true;
  f.showGrid = true;
  f.viewTab = ViewTab::kHistogram;
  f.paneOpen[kPaneColorMatchId - kPaneNrOptionsId] = true;
  f.paneTheme = 0;
  EXPECT_TRUE(CommandStateOf(cmd::kPaste, f).enabled);
  EXPECT_TRUE(CommandStateOf(cmd::kGrid, f).checked);
  EXPECT_TRUE(CommandStateOf(cmd::kHistogram, f).checked);
  EXPECT_FALSE(CommandStateOf(cmd::kDetailMode, f).checked);
  EXPECT_TRUE(CommandStateOf(cmd::kPaneColorMatch, f).checked);
  EXPECT_FALSE(CommandStateOf(cmd::kPaneNrOptions, f).checked);
  EXPECT_TRUE(CommandStateOf(cmd::kPaneThemeDefault, f).checked);
  EXPECT_FALSE(CommandStateOf(cmd::kPaneThemeOffice2003, f).checked);
}

}  // namespace
}  // namespace orvane
