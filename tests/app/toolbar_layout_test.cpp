#include "app/toolbar_layout.h"

#include <gtest/gtest.h>

#include "app/command_table.h"

namespace orvane {
namespace {

using namespace cmd;

TEST(ToolbarLayout, SettingsTextRoundTripAndRepairs) {
  const ToolbarButtons defaults = DefaultToolbarButtons();
  EXPECT_EQ(ButtonsText(defaults.crop), "32775,0,32787,0,32785,32786");
  EXPECT_EQ(ButtonsFromText(ButtonsText(defaults.standard), {}), defaults.standard);
  struct Case {
    const char* text;
    std::vector<int> read;
  } const cases[] = {
      {"32796,0,57601", {kMemorySettings, 0, kOpen}},
      {"-1,57601,-9,-2147483648", {-1, kOpen}},  // a menu; the others name none
      // Unknown ids, the recent-file stand-in, a command twice and stray separators go.
      {"0,57601,0,0,99999,57616,57601,0,", {}},  // the trailing comma makes it no list at all
      {"0,57601,0,0,99999,57616,57601,0", {kOpen}},
      {"0,0", {kApplyCrop}},                      // nothing left: the fallback
      {"", {kApplyCrop}},
      {"57601;57603", {kApplyCrop}},
      {" 57601", {kApplyCrop}},
  };
  for (const Case& c : cases) {
    const std::vector<int> read = ButtonsFromText(c.text, std::vector<int>{kApplyCrop});
    if (c.read.empty()) {
      EXPECT_EQ(read, std::vector<int>{kApplyCrop}) << c.text;
    } else {
      EXPECT_EQ(read, c.read) << c.text;
    }
  }
}

TEST(ToolbarLayout, CategoriesAndTheirCommands) {
  EXPECT_EQ(CustomizeCategories(),
            (std::vector<std::string>{"File", "Edit", "View", "Mode", "Settings", "Help",
                                      "All Commands", "Built-in Menus", "New Menu"}));
  EXPECT_EQ(CategoryCommands("File"), (std::vector<int>{kOpen, kReload, kSave, kSaveAs, kExit}));
  EXPECT_EQ(CategoryCommands("Mode"), (std::vector<int>{kDetailMode, kFullCropMode, kCurves, kHistogram}));
  const std::vector<int> all = CategoryCommands("All Commands");
  EXPECT_NE(std::find(all.begin(), all.end(), kRotateCw), all.end());  // toolbar-only commands too
  EXPECT_EQ(std::find(all.begin(), all.end(), kRecentFile), all.end());
  EXPECT_EQ(std::find(all.begin(), all.end(), kNextMode), all.end());  // a shortcut, no name
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end(),
                             [](int a, int b) { return CommandName(a) < CommandName(b); }));
  // The menus themselves, as drop-down buttons: -1 for File and on in menu-bar order.
  EXPECT_EQ(CategoryCommands("Built-in Menus"), (std::vector<int>{-1, -2, -3, -4, -5, -6}));
  EXPECT_EQ(CommandName(-5), "Settings");
  EXPECT_EQ(MenuButton("Help"), -6);
  EXPECT_EQ(MenuButton("Tools"), 0);
  EXPECT_FALSE(CanSitOnToolbar(-7));
  EXPECT_TRUE(CategoryCommands("New Menu").empty());
  EXPECT_EQ(CommandName(kCustomize), "Customize");
  EXPECT_EQ(CommandName(kRotateCw), "Rotate CW");
}

TEST(ToolbarLayout, EditsKeepTheListTidy) {
  std::vector<int> b = {kOpen, 0, kSave};
  EXPECT_EQ(AddButton(b, kHelp, 0), 1);                   // after the first button
  EXPECT_EQ(b, (std::vector<int>{kOpen, kHelp, 0, kSave}));
  EXPECT_EQ(AddButton(b, kHelp, 3), -1);                  // already there
  EXPECT_EQ(AddButton(b, kRecentFile, 3), -1);            // cannot sit on a toolbar
  EXPECT_EQ(AddButton(b, kAbout, -1), 4);                 // nothing chosen: at the end
  EXPECT_EQ(AddSeparator(b, 0), 1);
  EXPECT_EQ(b, (std::vector<int>{kOpen, 0, kHelp, 0, kSave, kAbout}));
  EXPECT_EQ(AddSeparator(b, 1), -1);                      // next to another separator
  EXPECT_EQ(AddSeparator(b, 5), -1);                      // at the end
  EXPECT_EQ(MoveButton(b, 2, -1), -1);                    // would put two separators together
  EXPECT_EQ(MoveButton(b, 4, 1), 5);
  EXPECT_EQ(b, (std::vector<int>{kOpen, 0, kHelp, 0, kAbout, kSave}));
  EXPECT_EQ(MoveButton(b, 5, 1), -1);                     // already last
  EXPECT_EQ(RemoveButton(b, 2), 2);                       // the separators around it merge
  EXPECT_EQ(b, (std::vector<int>{kOpen, 0, kAbout, kSave}));
  EXPECT_EQ(RemoveButton(b, 0), 0);                       // a leading separator goes too
  EXPECT_EQ(b, (std::vector<int>{kAbout, kSave}));
  EXPECT_EQ(RemoveButton(b, 7), -1);
  EXPECT_EQ(RemoveButton(b, 1), 0);
  EXPECT_EQ(RemoveButton(b, 0), 0);                       // the last one: an empty toolbar
  EXPECT_TRUE(b.empty());
  // An emptied toolbar stays empty at the next start; a list that only lost its buttons does not.
  EXPECT_EQ(ButtonsText(b), kNoButtons);
  EXPECT_TRUE(ButtonsFromText(ButtonsText(b), std::vector<int>{kOpen}).empty());
}

}  // namespace
}  // namespace orvane
