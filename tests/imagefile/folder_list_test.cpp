#include "imagefile/folder_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace orvane {
namespace {

namespace fs = std::filesystem;

class FolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orvane_folder_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
  }
  void TearDown() override { fs::remove_all(root_); }
  std::string make(const std::string& relative) {
    const fs::path p = fs::path(root_) / relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
    return p.string();
  }
  std::string root_;
};

TEST_F(FolderTest, StepsOverOutputsAndStopsAtTheEnds) {
  const std::string a = make("a.jpg"), anr = make("a_NR.jpg"), b = make("b.jpg");
  make("notes.txt");
  make("c.jpeg");
  make("d.tiff");
  fs::create_directories(root_ + "/sub.jpg");  // a directory with a picture's name
  EXPECT_EQ(ListFolderPictures(a), (std::vector<std::string>{a, b}));
  struct Case { std::string from; bool next; std::string target, message; };
  const Case cases[] = {
      {a, true, b, ""},
      {anr, true, b, ""},
      {b, false, a, ""},
      {anr, false, a, ""},
      {b, true, "", "This is already the last file in the directory"},
      {a, false, "", "This is already the first file in the directory"},
      {root_ + "/c.jpeg", true, "", ""},  // not a listed extension: nothing happens
      {root_ + "/d.tiff", false, "", ""},
      {root_ + "/gone.jpg", true, "", ""},
      {"", true, "", ""},
  };
  for (const Case& c : cases) {
    const FolderStep step = StepInFolder(c.from, c.next);
    EXPECT_EQ(step.target, c.target) << c.from << (c.next ? " next" : " previous");
    EXPECT_EQ(step.result == kStepDone, !c.target.empty()) << c.from;
    EXPECT_EQ(ResultWords(Result{ResultKind::kFolder, step.result}), c.message)
        << c.from << (c.next ? " next" : " previous");
  }
}

TEST_F(FolderTest, ByteOrderAndCaseInsensitiveCurrentFile) {
  const std::string upper = make("B.jpg"), lower = make("a.JPG"), tif = make("z.TIF");
  EXPECT_EQ(ListFolderPictures(upper), (std::vector<std::string>{upper, lower, tif}));
  EXPECT_EQ(StepInFolder(upper, true).target, lower);
  // A current file the folder holds only in another letter case is matched ignoring case.
  EXPECT_EQ(StepInFolder(root_ + "/b.JPG", true).target, lower);
}

// Names that differ in letter case alone are two files: stepping passes each once.
TEST_F(FolderTest, NamesDifferingInCaseAreStepsOfTheirOwn) {
  const std::string photo = make("Photo.jpg"), a = make("a.jpg"), small = make("photo.jpg"),
                    z = make("z.jpg");
  EXPECT_EQ(StepInFolder(a, true).target, small);
  EXPECT_EQ(StepInFolder(small, true).target, z);
  EXPECT_EQ(StepInFolder(small, false).target, a);
  EXPECT_EQ(StepInFolder(photo, true).target, a);
}

// Results are known by their file name: a folder called like one holds originals.
TEST_F(FolderTest, FolderNamedLikeAnOutputIsSteppedThrough) {
  const std::string one = make("Trip_Nr/one.jpg"), two = make("Trip_Nr/two.jpg");
  make("Trip_Nr/one_NR.jpg");
  EXPECT_EQ(ListFolderPictures(one), (std::vector<std::string>{one, two}));
  EXPECT_EQ(StepInFolder(one, true).target, two);
  EXPECT_EQ(StepInFolder(two, false).target, one);
}

}  // namespace
}  // namespace orvane
