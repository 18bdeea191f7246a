#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "app/dialog_rules.h"
#include "app/ensure_folder.h"
#include "app/install_paths.h"
#include "imagefile/format_lists.h"
#include "scripted_host.h"
#include "test_folder.h"

namespace orvane {
namespace {

TEST(ProgressPercentText, PositionsWithinTheRange) {
  struct Case {
    int pos, min, max;
    const char* text;
  } const cases[] = {
      {100, 0, 200, "50%"}, {200, 0, 200, "100%"}, {0, 0, 200, "0%"},   {60, 60, 100, "0%"},
      {76, 60, 100, "40%"}, {99, 60, 100, "97%"},  {100, 60, 100, "100%"},
      {300, 0, 200, "50%"},  // past the end the text wraps rather than growing
      {5, 5, 5, "0%"},       // an empty range must not divide by zero
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProgressPercentText(c.pos, c.min, c.max), c.text) << c.pos << " in " << c.min << ".." << c.max;
}

TEST(ProgressPacer, DrawsTheFirstAndLastStepsAndAtMostOneStepPerInterval) {
  ProgressPacer pacer;
  EXPECT_TRUE(pacer.due(1, 36, 1000.0));    // the first step shows at once
  EXPECT_FALSE(pacer.due(2, 36, 1001.0));   // a burst of fast steps is not drawn one by one
  EXPECT_FALSE(pacer.due(9, 36, 1024.9));
  EXPECT_TRUE(pacer.due(10, 36, 1025.0));   // the interval has passed
  EXPECT_FALSE(pacer.due(10, 36, 2000.0));  // the same position is never drawn twice
  EXPECT_TRUE(pacer.due(11, 36, 2000.0));   // a slow step shows as soon as it arrives
  EXPECT_TRUE(pacer.due(36, 36, 2001.0));   // the last step always shows
  ProgressPacer restarted;
  EXPECT_TRUE(restarted.due(0, 36, 0.0));   // a clock reading of 0 is an ordinary time
}

TEST(PreviewFit, ShrinksByTheLargerRatioAndKeepsSmallPictures) {
  struct Case {
    int w, h, aw, ah, ew, eh;
  } const cases[] = {
      {100, 50, 200, 200, 100, 50},     // fits: as it is
      {6000, 4000, 200, 200, 200, 133}, // wider: width decides
      {4000, 6000, 200, 150, 100, 150}, // taller: height decides
      {201, 1, 200, 200, 200, 1},       // a sliver keeps one row
      {10, 10, 0, 10, 0, 0},            // no area, nothing shown
  };
  for (const Case& c : cases) {
    const PreviewSize s = PreviewFit(c.w, c.h, c.aw, c.ah);
    EXPECT_EQ(s.width, c.ew) << c.w << "x" << c.h;
    EXPECT_EQ(s.height, c.eh) << c.w << "x" << c.h;
  }
  EXPECT_EQ(PreviewSizeText(6000, 4000), "6000 x 4000\nPixels");
}

TEST(FileDialogSize, RoomForTheColumnsWithinTheScreen) {
  struct Case {
    int sw, sh, w, h;
  } const cases[] = {
      {1920, 1080, 1100, 691},  // the columns and the preview, far from the screen's edges
      {1366, 768, 956, 491},
      {3840, 2160, 1100, 720},  // a large screen does not get a huge dialog
      {800, 600, 760, 480},
      {640, 480, 608, 456},     // a small screen: the dialog still fits on it
  };
  for (const Case& c : cases) {
    const DialogSize s = FileDialogSize(c.sw, c.sh);
    EXPECT_EQ(s.width, c.w) << c.sw << "x" << c.sh;
    EXPECT_EQ(s.height, c.h) << c.sw << "x" << c.sh;
  }
  // Even a broken screen size gives a window.
  EXPECT_GE(FileDialogSize(0, 0).width, 1);
  EXPECT_GE(FileDialogSize(0, 0).height, 1);
}

TEST(TitledBoxMinimumWidth, TheTitleKeepsItsRoomBesideTheWindowButtons) {
  EXPECT_EQ(TitledBoxMinimumWidth(70), kMessageBoxMinWidth);
  EXPECT_EQ(TitledBoxMinimumWidth(400), 400 + kTitleBarAllowance);
}

TEST(OpenDialogFilter, ListsPicturesThenRawThenEachTypeThenAll) {
  const std::string f = OpenDialogFilter();
  EXPECT_EQ(f.rfind("All Supported Image Files|*.bmp;*.jpg;*.pcd;", 0), 0u);
  const size_t raw = f.find("All Supported Raw Files|*.arw;");
  const size_t bmp = f.find("Windows Bitmap (*.BMP)|*.bmp|");
  const size_t emf = f.find("Enhanced Metafile (*.EMF)|*.emf|");
  ASSERT_NE(raw, std::string::npos);
  EXPECT_LT(raw, bmp);
  EXPECT_LT(bmp, emf);
  EXPECT_EQ(f.substr(f.size() - 21), "All files (*.*)|*.*||");
}

TEST(FolderOfPath, TheFolderPartOfAChosenFile) {
  EXPECT_EQ(FolderOfPath("/a/b/c.jpg"), "/a/b");
  EXPECT_EQ(FolderOfPath("/c.jpg"), "/");
  EXPECT_EQ(FolderOfPath("c.jpg"), "");
}

TEST(IsValidFolderPath, FolderNameRules) {
  struct Case {
    const char* path;
    bool valid;
  } const cases[] = {
      {"/", true},
      {"/home/user/new folder/sub", true},
      {"/tmp/a.b", true},
      {"", false},
      {"relative/path", false},
      {"/tmp/sub/", false},           // trailing separator
      {"/tmp//sub", false},           // empty name
      {"/tmp/what?", false},
      {"/tmp/a*b", false},
      {"/tmp/a:b", false},
      {"/tmp/a<b", false},
      {"/tmp/a>b", false},
      {"/tmp/a|b", false},
      {"/tmp/a\"b", false},
      {"/tmp/a\\b", false},
      {"/tmp/ lead", false},
      {"/tmp/trail ", false},
      {"/tmp/\ttab", false},
      {"/tmp/.hidden", false},
      {"/tmp/dot.", false},
      {"/tmp/..", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidFolderPath(c.path), c.valid) << '"' << c.path << '"';
}

TEST(EnsureFolder, AsksOnceAndCreatesEveryLevel) {
  TestFolder dir;
  test::ScriptedHost host;
  host.answers = {Answer::Yes};
  const std::string path = (dir.path() / "new folder" / "sub").string();
  EXPECT_EQ(EnsureFolder(path, true, host), kFolderReady);
  EXPECT_TRUE(std::filesystem::is_directory(path));
  ASSERT_EQ(host.log.questions.size(), 1u);
  EXPECT_EQ(host.log.questions[0],
            "The folder:\n\n" + path + "\n\ndoes not exist. Do you want the folder to be created?");
  EXPECT_TRUE(host.log.messages.empty());
  // Now it exists: no question.
  EXPECT_EQ(EnsureFolder(path, true, host), kFolderReady);
  EXPECT_EQ(host.log.questions.size(), 1u);
}

TEST(EnsureFolder, NoCreatesNothingAndSaysNothing) {
  TestFolder dir;
  test::ScriptedHost host;
  host.answers = {Answer::No};
  const std::string path = (dir.path() / "x" / "y").string();
  EXPECT_EQ(EnsureFolder(path, true, host), kFolderDeclined);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "x"));
  EXPECT_TRUE(host.log.messages.empty());
  // Without asking it is made at once.
  EXPECT_EQ(EnsureFolder(path, false, host), kFolderReady);
  EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(EnsureFolder, InvalidAndUncreatableAreReported) {
  TestFolder dir;
  test::ScriptedHost host;
  const std::string bad = (dir.path() / "what?").string();
  EXPECT_EQ(EnsureFolder(bad, true, host), kFolderInvalid);
  EXPECT_TRUE(host.log.questions.empty());
  ASSERT_EQ(host.log.messages.size(), 1u);
  EXPECT_EQ(host.log.messages[0], "The folder:\n\n" + bad + "\n\nis invalid. Please reenter.");
  EXPECT_EQ(host.log.warnings, host.log.messages);
  EXPECT_EQ(EnsureFolder(dir.path().string() + "/", true, host), kFolderInvalid);

  // A file in the way of a level.
  const std::filesystem::path blocker = dir.path() / "file";
  { std::FILE* f = std::fopen(blocker.c_str(), "w"); ASSERT_NE(f, nullptr); std::fclose(f); }
  const std::string under = (blocker / "sub").string();
  host.log.messages.clear();
  EXPECT_EQ(EnsureFolder(under, false, host), kFolderNotCreated);
  ASSERT_EQ(host.log.messages.size(), 1u);
  EXPECT_EQ(host.log.messages[0],
            "The folder:\n\n" + under + "\n\ncan not be created. Please double check.");
  EXPECT_EQ(host.log.warnings.back(), host.log.messages[0]);

  // A folder we may not write into (root ignores permissions, so only when not root).
  if (geteuid() != 0) {
    const std::filesystem::path locked = dir.path() / "locked";
    std::filesystem::create_directory(locked);
    chmod(locked.c_str(), 0500);
    EXPECT_EQ(EnsureFolder((locked / "a" / "b").string(), false, host), kFolderNotCreated);
    chmod(locked.c_str(), 0700);
  }
}

}  // namespace
}  // namespace orvane

namespace orvane {
namespace {

TEST(InstallPaths, BesideTheProgramOrInTheSharedDataFolder) {
  TestFolder dir;
  const std::filesystem::path buildTree = dir.path() / "build" / "src" / "shell";
  std::filesystem::create_directories(buildTree / "Help");
  EXPECT_EQ(ProgramDataFolder(buildTree), buildTree);
  EXPECT_EQ(HelpFilePath(buildTree), buildTree / "Help" / "Help.html");
  EXPECT_EQ(ShippedProfileFolder(buildTree), buildTree);

  const std::filesystem::path bin = dir.path() / "usr" / "bin";
  std::filesystem::create_directories(bin);
  // Nothing installed: the path beside the program, which the missing-file message names.
  EXPECT_EQ(HelpFilePath(bin), bin / "Help" / "Help.html");
  std::filesystem::create_directories(dir.path() / "usr" / "share" / "orvane-nr" / "Help");
  const std::filesystem::path share = dir.path() / "usr" / "share" / "orvane-nr";
  EXPECT_EQ(ProgramDataFolder(bin), share);
  EXPECT_EQ(HelpFilePath(bin), share / "Help" / "Help.html");
  EXPECT_EQ(ShippedProfileFolder(bin), share / "profiles");
}

TEST(InstallPaths, IconFilesOfTheSizesThatExistSmallestFirst) {
  TestFolder dir;
  auto touch = [](const std::filesystem::path& p) {
    std::filesystem::create_directories(p.parent_path());
    std::FILE* f = std::fopen(p.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  };
  const std::filesystem::path buildTree = dir.path() / "build" / "src" / "shell";
  std::filesystem::create_directories(buildTree / "Help");
  EXPECT_TRUE(ProgramIconFiles(buildTree).empty());
  touch(buildTree / "icons" / "orvane-nr-256.png");
  touch(buildTree / "icons" / "orvane-nr-16.png");
  std::filesystem::create_directories(buildTree / "icons" / "orvane-nr-32.png");  // not a file
  EXPECT_EQ(ProgramIconFiles(buildTree),
            (std::vector<std::filesystem::path>{buildTree / "icons" / "orvane-nr-16.png",
                                                buildTree / "icons" / "orvane-nr-256.png"}));

  // Installed: the prefix's icon theme, not the build tree's names.
  const std::filesystem::path bin = dir.path() / "usr" / "bin";
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(dir.path() / "usr" / "share" / "orvane-nr" / "Help");
  const std::filesystem::path theme = dir.path() / "usr" / "share" / "icons" / "hicolor";
  touch(theme / "48x48" / "apps" / "orvane-nr.png");
  touch(theme / "24x24" / "apps" / "orvane-nr.png");
  touch(theme / "64x64" / "apps" / "other.png");
  EXPECT_EQ(ProgramIconFiles(bin),
            (std::vector<std::filesystem::path>{theme / "24x24" / "apps" / "orvane-nr.png",
                                                theme / "48x48" / "apps" / "orvane-nr.png"}));
}

}  // namespace
}  // namespace orvane
