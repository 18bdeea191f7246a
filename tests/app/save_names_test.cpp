#include "app/save_names.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "app/host.h"

namespace orvane {
namespace {

TEST(SaveNames, StartNamePatternAndList) {
  struct Case { const char* path; const char* title; const char* name; const char* pattern; const char* first; };
  const Case cases[] = {
      {"/photos/IMG_0412.JPG", "", "IMG_0412_NR", "*.jpg", "JPEG File (*.JPG)|*.jpg|"},
      {"/a/b.c/photo", "", "photo", "*.jpg", "JPEG File (*.JPG)|*.jpg|"},
      {"/x/x.TIF", "", "x_NR", "*.tif", "Last File Extension (*.TIF)|*.tif|"},
      {"/x/x.CR2", "", "x_NR", "*.jpg", "JPEG File (*.JPG)|*.jpg|"},
      {"/x/x.png", "", "x_NR", "*.png", "Portable Graphics (*.PNG)|*.png|"},
      {"/x/x.bmp", "", "x_NR", "*.bmp", "Windows Bitmap (*.BMP)|*.bmp|"},
      {"/x/x.psd", "", "x_NR", "*.psd", "Adobe Photoshop (*.PSD)|*.psd|"},
      {"/x/x.tga", "", "x_NR", "*.tga", "Last File Extension (*.TGA)|*.tga|"},
      {"/x/x.gif", "", "x_NR", "*.jpg", "JPEG File (*.JPG)|*.jpg|"},
      {"", "Untitled #2", "Untitled_NR", "*.jpg", "JPEG File (*.JPG)|*.jpg|"},
  };
  for (const Case& c : cases) {
    const SaveProposal p = SaveStartName(c.path, c.title);
    EXPECT_EQ(p.name, c.name) << c.path;
    const std::string pattern = SaveDefaultPattern(p.keptExtension);
    EXPECT_EQ(pattern, c.pattern) << c.path;
    EXPECT_EQ(ProposedSaveName(c.path, c.title), std::string(c.name) + (c.pattern + 1)) << c.path;
    const std::string list = SaveFilterList(pattern);
    EXPECT_EQ(list.rfind(c.first, 0), 0u) << c.path << ": " << list;
    EXPECT_EQ(list.substr(list.size() - 2), "||");
  }
  EXPECT_EQ(SaveFilterList("*.jpg"),
            "JPEG File (*.JPG)|*.jpg|Windows Bitmap (*.BMP)|*.bmp|Portable Graphics (*.PNG)|*.png|"
            "Adobe Photoshop (*.PSD)|*.psd|Targa (*.TGA)|*.tga|TIFF File (*.TIF)|*.tif||");
  EXPECT_EQ(SaveFilterList("*.tif"),
            "Last File Extension (*.TIF)|*.tif|Windows Bitmap (*.BMP)|*.bmp|JPEG File (*.JPG)|*.jpg|"
            "Portable Graphics (*.PNG)|*.png|Adobe Photoshop (*.PSD)|*.psd|Targa (*.TGA)|*.tga|"
            "TIFF File (*.TIF)|*.tif||");
}

TEST(SaveNames, FolderMemoryAndJpegOptions) {
  MemorySettingsStore s;
  bool isDefault = true;
  s.setString("Document", "outPath", "/last");
  EXPECT_EQ(SaveStartFolder(s, isDefault), "/last");
  EXPECT_FALSE(isDefault);
  RememberSaveFolder(s, "/new/place/out.jpg", isDefault);
  EXPECT_EQ(s.getString("Document", "outPath", ""), "/new/place");
  s.setInt("Settings", "SaveType", 1);
  s.setString("Settings", "SavePath", "/default");
  EXPECT_EQ(SaveStartFolder(s, isDefault), "/default");
  EXPECT_TRUE(isDefault);
  RememberSaveFolder(s, "/elsewhere/out.jpg", isDefault);
  EXPECT_EQ(s.getString("Document", "outPath", ""), "/new/place");

  EXPECT_TRUE(NeedsJpegOptions("/a/out.JPG"));
  EXPECT_FALSE(NeedsJpegOptions("/a/out.jpeg"));
  EXPECT_FALSE(NeedsJpegOptions("jp"));
}

TEST(SaveNames, OwnOutputsAreNamedBesideTheirOriginal) {
  char pattern[] = "/tmp/orvane_names_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path dir = pattern;
  for (const char* name : {"a.jpg", "a_NR.jpg", "b.png", "b_NR.jpg", "c_NR.tif", "d_nr.jpg", "d.jpg",
                           "e_NR_NR.jpg", "e_NR.jpg", "_NR.jpg"})
    std::ofstream(dir / name) << "x";
  const struct { const char* name; bool output; } cases[] = {
      {"a_NR.jpg", true},      {"b_NR.jpg", true},  // the result may have another type
      {"c_NR.tif", false},     // no c beside it
      {"d_nr.jpg", false},     // the suffix is written in capitals
      {"e_NR_NR.jpg", true},   {"a.jpg", false}, {"_NR.jpg", false},
      {"missing_NR.jpg", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsOwnOutput((dir / c.name).string()), c.output) << c.name;
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace orvane
