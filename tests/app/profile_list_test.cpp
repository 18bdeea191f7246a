#include "app/profile_list.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "colour/profile_file.h"
#include "image_helpers.h"
#include "test_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

// Writes a small valid profile whose thumbnail is grey v and whose red distribution starts v.
void WriteGreyProfile(const fs::path& path, int width, int height, uint8_t v) {
  std::vector<uint8_t> px(static_cast<size_t>(width) * height * 3, v);
  ChannelDistributions d;
  d.red.fill(1.0);
  d.red[0] = v / 255.0;
  ASSERT_EQ(WriteProfileFile(path, width, height, px.data(), d), kProfileOk);
}

struct Folders {
  TestFolder program;
  TestFolder data;
  ProfileFolders folders{program.path(), data.path() / "Quillmark" / "Orvane NR"};
};

TEST(ProfileListTest, ShownNamesAndFolders) {
  EXPECT_EQ(ShownProfileName("/opt/orvane/Sunset.cpf"), "Sunset");
  EXPECT_EQ(ShownProfileName("x.cpf"), "x");
  EXPECT_EQ(ShownProfileName("/a/b"), "");
  EXPECT_EQ(UserDataFolder("/xdg", "/home/u"), fs::path("/xdg/Quillmark/Orvane NR"));
  EXPECT_EQ(UserDataFolder("relative", "/home/u"),
            fs::path("/home/u/.local/share/Quillmark/Orvane NR"));
  EXPECT_EQ(UserDataFolder(nullptr, "/home/u"),
            fs::path("/home/u/.local/share/Quillmark/Orvane NR"));
  EXPECT_EQ(UserDataFolder(nullptr, nullptr), fs::path());
}

TEST(ProfileListTest, FillListsBothFoldersSortedAndReadsTheFirst) {
  Folders f;
  fs::create_directories(f.folders.user);
  WriteGreyProfile(f.folders.program / "beach.cpf", 4, 2, 10);
  WriteGreyProfile(f.folders.user / "Alps.CPF", 4, 2, 20);
  WriteGreyProfile(f.folders.user / "city.cpf", 4, 2, 30);
  f.program.Write("notes.txt", {1, 2, 3});
  fs::create_directory(f.folders.program / "folder.cpf");

  ProfileList list;
  ReferenceSlot slot;
  EXPECT_TRUE(FillProfileList(list, f.folders, slot).succeeded());
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(ShownProfileName(list.Entries()[0]), "Alps");
  EXPECT_EQ(ShownProfileName(list.Entries()[1]), "beach");
  EXPECT_EQ(ShownProfileName(list.Entries()[2]), "city");
  EXPECT_EQ(list.Selection(), 0);
  EXPECT_EQ(slot.path, list.Entries()[0]);
  ASSERT_TRUE(slot.HoldsImage());
  EXPECT_EQ(slot.image.Width(), 4);
  EXPECT_EQ(slot.image.Pixels()[0], 20);
  EXPECT_DOUBLE_EQ(slot.distributions.red[0], 20 / 255.0);

  // The same folder twice is listed once; missing folders list nothing.
  list.Fill({f.folders.user, f.folders.user});
  EXPECT_EQ(list.Count(), 2);
  list.Fill({f.program.path() / "nope", ""});
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Selection(), -1);
  EXPECT_TRUE(ReadSelectedProfile(list, slot).succeeded());  // nothing selected
  EXPECT_EQ(slot.image.Pixels()[0], 20);
}

TEST(ProfileListTest, FoundByPathFileNameOrShownName) {
  Folders f;
  fs::create_directories(f.folders.user);
  WriteGreyProfile(f.folders.program / "Sunset Glow.cpf", 2, 2, 10);
  WriteGreyProfile(f.folders.user / "mine.cpf", 2, 2, 20);
  const std::string shipped = (f.folders.program / "Sunset Glow.cpf").string();
  const std::string own = (f.folders.user / "mine.cpf").string();
  const struct { std::string name, found; } cases[] = {
      {"Sunset Glow", shipped}, {"Sunset Glow.cpf", shipped}, {"mine", own},
      {own, own},  // a path stays as it is
      {"Sunset", ""}, {"sunset glow", ""}, {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FindProfile(f.folders, c.name), c.found) << c.name;
}

TEST(ProfileListTest, DamagedProfileLeavesTheSlotAndNamesTheFile) {
  Folders f;
  WriteGreyProfile(f.folders.program / "a.cpf", 4, 2, 10);
  const fs::path damaged = f.folders.program / "b.cpf";
  WriteGreyProfile(damaged, 8, 8, 99);
  fs::resize_file(damaged, 500);

  ProfileList list;
  ReferenceSlot slot;
  ASSERT_TRUE(FillProfileList(list, f.folders, slot).succeeded());
  list.Select(1);
  const Result read = ReadSelectedProfile(list, slot);
  EXPECT_EQ(read.code, kProfileTruncated);
  EXPECT_EQ(ResultWords(read), "An attempt was made to access " + damaged.string() + " past its end.");
  EXPECT_EQ(slot.path, list.Entries()[0]);
  EXPECT_EQ(slot.image.Width(), 4);
  EXPECT_EQ(slot.image.Pixels()[0], 10);
  EXPECT_DOUBLE_EQ(slot.distributions.red[0], 10 / 255.0);
}

TEST(ProfileListTest, SavingWritesToTheUserFolderAndListsThePath) {
  Folders f;
  ReferenceSlot reference;
  ProfileList list;
  EXPECT_EQ(ResultWords(CanSaveProfile(reference)), "You have to first load reference image");
  EXPECT_EQ(SaveProfile(list, reference, f.folders, "Sunset").code, kProfileNoReference);
  EXPECT_EQ(list.Count(), 0);

  MakeGrey(reference.image, 170, 85, 77);
  reference.path = "/photos/sunset.jpg";
  reference.distributions.blue.fill(1.0);
  ASSERT_TRUE(CanSaveProfile(reference).succeeded());
  ASSERT_TRUE(SaveProfile(list, reference, f.folders, "Sunset").succeeded());
  const fs::path written = f.folders.user / "Sunset.cpf";
  ASSERT_TRUE(fs::exists(written));  // the user folder was made
  EXPECT_EQ(fs::file_size(written), 49511u);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Entries()[0], written.string());

  // Saving again under the same name overwrites the file and lists the path a second time.
  list.Select(0);
  MakeGrey(reference.image, 170, 85, 78);
  ASSERT_TRUE(SaveProfile(list, reference, f.folders, "Sunset").succeeded());
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Selection(), 0);
  ProfileData data;
  ASSERT_EQ(ReadProfileFile(written, data), kProfileOk);
  EXPECT_EQ(data.pixels[0], 78);

  // A name that is not a file name is refused with a message; nothing is listed or written.
  EXPECT_EQ(ResultWords(SaveProfile(list, reference, f.folders, "")),
            "Please enter a name for the profile.");
  const std::string names[] = {"a/b", "../up", ".", "..", std::string(252, 'n')};
  for (const std::string& bad : names) {
    EXPECT_EQ(ResultWords(SaveProfile(list, reference, f.folders, bad)),
              "\"" + bad + "\" is not a valid file name for a profile.");
  }
  EXPECT_EQ(list.Count(), 2);
  EXPECT_FALSE(fs::exists(f.folders.user / "a"));

  // A folder that cannot be written: a message, nothing listed.
  ProfileFolders blocked{f.folders.program, f.folders.program / "Sunset.cpf" / "sub"};
  f.program.Write("Sunset.cpf", {1});
  EXPECT_EQ(ResultWords(SaveProfile(list, reference, blocked, "Other")),
            "Cannot write the colour profile " + (blocked.user / "Other.cpf").string() + ".");
  EXPECT_EQ(list.Count(), 2);
}

TEST(ProfileListTest, SelectionAfterDeletion) {
  Folders f;
  for (const char* name : {"p1", "p2", "p3", "p4", "p5"}) {
    WriteGreyProfile(f.folders.program / (std::string(name) + ".cpf"), 2, 2, 1);
  }
  ProfileList list;
  ReferenceSlot slot;
  FillProfileList(list, f.folders, slot);
  list.Select(2);
  ASSERT_TRUE(DeleteSelectedProfile(list, f.folders, slot).succeeded());
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Selection(), 2);
  EXPECT_EQ(ShownProfileName(list.SelectedPath()), "p4");
  EXPECT_FALSE(fs::exists(f.folders.program / "p3.cpf"));

  list.Select(3);  // the last one: the new last is selected
  ASSERT_TRUE(DeleteSelectedProfile(list, f.folders, slot).succeeded());
  EXPECT_EQ(ShownProfileName(list.SelectedPath()), "p4");
}

TEST(ProfileListTest, DeletingTheOnlyProfileKeepsTheSlot) {
  Folders f;
  WriteGreyProfile(f.folders.program / "only.cpf", 2, 2, 40);
  ProfileList list;
  ReferenceSlot slot;
  FillProfileList(list, f.folders, slot);
  ASSERT_TRUE(DeleteSelectedProfile(list, f.folders, slot).succeeded());
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Selection(), -1);
  EXPECT_DOUBLE_EQ(slot.distributions.red[0], 40 / 255.0);
  EXPECT_TRUE(DeleteSelectedProfile(list, f.folders, slot).succeeded());  // nothing
}

TEST(ProfileListTest, ThumbnailCacheHoldsTwentyHalfSizeEntries) {
  Folders f;
  std::vector<std::string> paths;
  for (int i = 0; i < 21; ++i) {
    std::string name = "p";
    name += std::to_string(i);
    name += ".cpf";
    paths.push_back((f.folders.program / name).string());
    WriteGreyProfile(paths.back(), 170, 85, static_cast<uint8_t>(i));
  }
  ProfileThumbnailCache cache;
  const RasterImage* first = cache.Get(paths[0]);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Width(), 85);
  EXPECT_EQ(first->Height(), 42);
  EXPECT_EQ(first->Pixels()[0], 0);

  // Overwritten under the same path: the cached picture stays.
  WriteGreyProfile(paths[0], 170, 85, 200);
  EXPECT_EQ(cache.Get(paths[0])->Pixels()[0], 0);

  for (int i = 1; i < 21; ++i) ASSERT_NE(cache.Get(paths[i]), nullptr);
  EXPECT_EQ(cache.Size(), 20u);
  EXPECT_EQ(cache.Find(paths[0]), nullptr);  // the oldest dropped out
  EXPECT_EQ(cache.Get(paths[0])->Pixels()[0], 200);  // and is read again
  EXPECT_EQ(cache.Find(paths[1]), nullptr);

  EXPECT_EQ(cache.Get((f.folders.program / "missing.cpf").string()), nullptr);
  WriteGreyProfile(f.folders.program / "tiny.cpf", 1, 1, 5);
  EXPECT_EQ(cache.Get((f.folders.program / "tiny.cpf").string()), nullptr);  // nothing to draw
}

}  // namespace
}  // namespace orvane
