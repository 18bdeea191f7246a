#include "imagefile/format_lists.h"

#include <gtest/gtest.h>

#include "imagefile/folder_list.h"

namespace orvane {
namespace {

// Each list keeps the order and texts the program has always shown; the table carries them.
TEST(FormatLists, DerivedListsKeepTheirOrderAndTexts) {
  EXPECT_EQ(ReferenceDialogFilter(),
            "All Supported Image Files|"
            "*.bmp;*.jpg;*.pcd;*.pcx;*.png;*.psd;*.tga;*.tif;*.wmf;*.emf;"
            "|Windows Bitmap (*.BMP)|*.bmp|JPEG Files (*.JPG)|*.jpg|Kodak PhotoCD (*.PCD)|*.pcd|"
            "ZSoft (*.PCX)|*.pcx|Portable Graphics (*.PNG)|*.png|Adobe Photoshop (*.PSD)|*.psd|"
            "Targa (*.TGA)|*.tga|TIFF Files (*.TIF)|*.tif|Windows Metafile (*.WMF)|*.wmf|"
            "Enhanced Metafile (*.EMF)|*.emf|All files (*.*)|*.*||");
  EXPECT_EQ(OpenDialogFilter(),
            "All Supported Image Files|"
            "*.bmp;*.jpg;*.pcd;*.pcx;*.png;*.psd;*.tga;*.tif;*.wmf;*.emf;"
            "*.arw;*.bay;*.cr2;*.crw;*.dcr;*.dcs;*.dng;*.hdr;*.kdc;*.mef;*.mrw;*.nef;*.orf;*.pef;"
            "*.raf;*.raw;*.sr2;*.srf;*.x3f|"
            "All Supported Raw Files|"
            "*.arw;*.bay;*.cr2;*.crw;*.dcr;*.dcs;*.dng;*.hdr;*.kdc;*.mef;*.mrw;*.nef;*.orf;*.pef;"
            "*.raf;*.raw;*.sr2;*.srf;*.x3f"
            "|Windows Bitmap (*.BMP)|*.bmp|JPEG Files (*.JPG)|*.jpg|Kodak PhotoCD (*.PCD)|*.pcd|"
            "ZSoft (*.PCX)|*.pcx|Portable Graphics (*.PNG)|*.png|Adobe Photoshop (*.PSD)|*.psd|"
            "Targa (*.TGA)|*.tga|TIFF Files (*.TIF)|*.tif|Windows Metafile (*.WMF)|*.wmf|"
            "Enhanced Metafile (*.EMF)|*.emf|All files (*.*)|*.*||");
  EXPECT_EQ(SaveDialogFilter("*.png"),
            "Portable Graphics (*.PNG)|*.png|Windows Bitmap (*.BMP)|*.bmp|JPEG File (*.JPG)|*.jpg|"
            "Adobe Photoshop (*.PSD)|*.psd|Targa (*.TGA)|*.tga|TIFF File (*.TIF)|*.tif||");
  EXPECT_EQ(SaveDialogFilter("*.pcx").rfind("Last File Extension (*.PCX)|*.pcx|Windows Bitmap", 0), 0u);
  EXPECT_EQ(TypeOptionList(), "jpg, png, tif, bmp, tga, pcx, psd");
  EXPECT_EQ(std::string(ImageTypeName(ImageFileType::TiffBilevel)), "TiffBilevel");
  EXPECT_EQ(std::string(ImageTypeName(ImageFileType::UnknownType)), "UnknownType");
  EXPECT_EQ(std::string(ImageTypeName(static_cast<ImageFileType>(99))), "UnknownType");

  struct Case { const char* path; bool folder, drop; };
  const Case cases[] = {
      {"/a/x.JPG", true, true},   {"/a/x.bmp", true, true},   {"/a/x.png", true, true},
      {"/a/x.pcd", true, false},  {"/a/x.tga", true, true},   {"/a/x.Tif", true, true},
      {"/a/x.pcx", true, true},   {"/a/x.psd", true, false},  {"/a/x.wmf", false, false},
      {"/a/x.jpeg", false, false}, {"/a/x.tiff", false, false}, {"/a/x.cr2", false, false},
      {"jpg", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsFolderPicture(c.path), c.folder) << c.path;
    EXPECT_EQ(EndsWithListedExtension(c.path, &FormatListing::dropRank), c.drop) << c.path;
  }
}

}  // namespace
}  // namespace orvane
