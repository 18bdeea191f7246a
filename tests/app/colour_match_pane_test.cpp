#include "app/colour_match_pane.h"

#include <gtest/gtest.h>

#include "colour/colour_correction.h"
#include "colour/profile_file.h"
#include "image_helpers.h"
#include "test_folder.h"

namespace orvane {
namespace {

struct Fixture {
  ColourParams params;
  RasterImage source;
  ReferenceStore store;
  ColourMatchPaneState pane;
  MatchDocument doc{params, source};
  Fixture() {
    MakeImage(source, 16, 16, [](int x, int y, uint8_t* p) {
      p[0] = static_cast<uint8_t>(x * 8);
      p[1] = static_cast<uint8_t>(y * 8);
      p[2] = static_cast<uint8_t>((x + y) * 4);
    });
  }
};

TEST(ColourMatchPaneTest, MatchToImageWithoutReference) {
  Fixture f;
  f.params.matchTables.red.fill(3);
  const MatchPaneEffect effect = OnMatchToImage(f.pane, f.doc, f.store);
  EXPECT_EQ(f.params.matchMode, MatchMode::kReferenceImage);
  EXPECT_EQ(f.params.matchTables, MatchTables{});
  EXPECT_EQ(f.pane.nameField, "Please load image...");
  EXPECT_TRUE(f.pane.preview.IsEmpty());
  EXPECT_EQ(effect.timerDelayMs, 0);
  EXPECT_TRUE(effect.redrawPreview);
  // The chain still blends: every byte v >= 1 comes out v - 1, whatever the fade.
  for (int fade : {0, 100, 255}) {
    f.params.matchFade = fade;
    std::vector<uint8_t> px = {0, 1, 200, 255, 128, 7};
    ColourCorrectionChain::Apply(f.params, px.data(), 2, 1, PixelLayout::kRgb3);
    EXPECT_EQ(px, (std::vector<uint8_t>{0, 0, 199, 254, 127, 6})) << fade;
  }
}

TEST(ColourMatchPaneTest, MatchToImageWithAReferenceInTheSlot) {
  Fixture f;
  f.store.reference.path = "/photos/dusk.png";
  MakeGrey(f.store.reference.image, 170, 85, 90);
  f.store.reference.distributions.red.fill(1.0);  // everything at 0
  f.store.reference.distributions.green.fill(1.0);
  f.store.reference.distributions.blue.fill(1.0);
  const MatchPaneEffect effect = OnMatchToImage(f.pane, f.doc, f.store);
  EXPECT_EQ(f.pane.nameField, "dusk.png");
  EXPECT_EQ(f.pane.preview.Width(), 170);
  EXPECT_EQ(effect.timerDelayMs, 50);
  EXPECT_LT(f.params.matchTables.red[120], 120);  // pulled towards the dark reference
}

TEST(ColourMatchPaneTest, NoColourMatchResetsTablesAndPreview) {
  Fixture f;
  f.params.matchMode = MatchMode::kProfile;
  f.params.matchTables.blue.fill(1);
  MakeGrey(f.pane.preview, 3, 3, 1);
  const MatchPaneEffect effect = OnNoColourMatch(f.pane, f.doc);
  EXPECT_EQ(f.params.matchMode, MatchMode::kNone);
  EXPECT_EQ(f.pane.paneMode, 0);
  EXPECT_EQ(f.params.matchTables, MatchTables{});
  EXPECT_TRUE(f.pane.preview.IsEmpty());
  EXPECT_EQ(effect.timerDelayMs, 50);
}

TEST(ColourMatchPaneTest, CancelledLoadStillSwitchesToImageMatchWithFadeZero) {
  Fixture f;
  f.params.matchFade = 120;
  f.pane.fadePosition = 120;
  const MatchPaneEffect effect = OnReferenceChosen(f.pane, f.doc, f.store, "");
  EXPECT_EQ(f.pane.paneMode, 1);
  EXPECT_EQ(f.params.matchMode, MatchMode::kReferenceImage);
  EXPECT_EQ(f.params.matchFade, 0);
  EXPECT_EQ(f.pane.fadePosition, 0);
  EXPECT_EQ(effect.timerDelayMs, 50);
  EXPECT_TRUE(effect.writeControls);
  EXPECT_TRUE(f.pane.preview.IsEmpty());
}

TEST(ColourMatchPaneTest, DroppedFileEndings) {
  const struct {
    const char* path;
    bool accepted;
  } cases[] = {{"/a/photo.JPG", true},  {"/a/photo.jpeg", false}, {"/a/scan.tiff", false},
               {"/a/scan.Tif", true},   {"x.pcx", true},          {"x.tga", true},
               {"x.bmp", true},         {"x.png", true},          {"x.psd", false},
               {"jpg", false},          {"", false}};
  for (const auto& c : cases) EXPECT_EQ(AcceptsDroppedReference(c.path), c.accepted) << c.path;

  Fixture f;
  MatchPaneEffect effect;
  effect.timerDelayMs = -1;
  EXPECT_FALSE(OnReferenceDropped(f.pane, f.doc, f.store, "/a/photo.jpeg", effect));
  EXPECT_EQ(effect.timerDelayMs, -1);
  EXPECT_EQ(f.params.matchMode, MatchMode::kNone);
  EXPECT_TRUE(OnReferenceDropped(f.pane, f.doc, f.store, "/nowhere/photo.JPG", effect));
  EXPECT_EQ(f.params.matchMode, MatchMode::kReferenceImage);  // as for the button, even when loading fails
  EXPECT_TRUE(f.store.reference.path.empty());
}

TEST(ColourMatchPaneTest, FadeDelaysAutoSwitchAndTimerWork) {
  Fixture f;
  const struct {
    bool end;
    ViewTab tab;
    int delay;
  } cases[] = {{true, ViewTab::kPicture, 50},
               {true, ViewTab::kHistogram, 50},
               {false, ViewTab::kCurves, 30},
               {false, ViewTab::kHistogram, 30},
               {false, ViewTab::kPicture, 100}};
  for (const auto& c : cases) {
    EXPECT_EQ(OnFadeMoved(f.pane, f.params, 77, c.end, c.tab).timerDelayMs, c.delay);
  }
  EXPECT_EQ(f.params.matchFade, 77);

  EXPECT_EQ(OnAutoSwitchToggled(f.pane, false), AutoSwitchAction::kReturnToDetail);
  EXPECT_FALSE(f.pane.autoSwitch);
  EXPECT_EQ(OnAutoSwitchToggled(f.pane, true), AutoSwitchAction::kShowFullCrop);

  EXPECT_EQ(MatchTimerWork(ViewTab::kHistogram, false, false), TimerWork::kRecomputeHistogram);
  EXPECT_EQ(MatchTimerWork(ViewTab::kCurves, true, true), TimerWork::kRedrawViews);
  EXPECT_EQ(MatchTimerWork(ViewTab::kPicture, false, true), TimerWork::kRebuildFullCrop);
  EXPECT_EQ(MatchTimerWork(ViewTab::kPicture, true, false), TimerWork::kRebuildFullCrop);
  EXPECT_EQ(MatchTimerWork(ViewTab::kPicture, false, false), TimerWork::kDetailPreview);
}

TEST(ColourMatchPaneTest, RefreshAndVisibility) {
  Fixture f;
  MakeGrey(f.pane.preview, 3, 3, 1);
  f.params.matchMode = MatchMode::kProfile;
  f.params.matchFade = 40;
  RefreshFromDocument(f.pane, f.params);
  EXPECT_EQ(f.pane.paneMode, 2);
  EXPECT_EQ(f.pane.fadePosition, 40);
  EXPECT_FALSE(f.pane.preview.IsEmpty());
  // A new image: the document's match fields go back to 0, the preview is cleared, the
  // reference stays loaded.
  f.store.reference.path = "/r.png";
  f.params.ResetForNewImage();
  const MatchPaneEffect effect = RefreshFromDocument(f.pane, f.params);
  EXPECT_EQ(f.pane.paneMode, 0);
  EXPECT_TRUE(f.pane.preview.IsEmpty());
  EXPECT_TRUE(effect.redrawPreview);
  EXPECT_EQ(f.store.reference.path, "/r.png");

  EXPECT_FALSE(MatchPaneVisibility(0).nameEnabled);
  EXPECT_FALSE(MatchPaneVisibility(0).fadeEnabled);
  EXPECT_FALSE(MatchPaneVisibility(0).saveButtonShown);
  EXPECT_TRUE(MatchPaneVisibility(1).saveButtonShown);
  EXPECT_TRUE(MatchPaneVisibility(1).nameEnabled);
  EXPECT_FALSE(MatchPaneVisibility(2).nameShown);
  EXPECT_TRUE(MatchPaneVisibility(2).profileListShown);
  EXPECT_TRUE(MatchPaneVisibility(2).deleteButtonShown);
  EXPECT_FALSE(MatchPaneVisibility(2).loadButtonShown);
}

TEST(ColourMatchPaneTest, MatchToProfileReadsTheSelectionAndReportsDamage) {
  Fixture f;
  TestFolder folder;
  std::vector<uint8_t> px(6 * 4 * 3, 200);
  ChannelDistributions bright;
  for (int i = 0; i < 256; ++i) {
    bright.red[i] = bright.green[i] = bright.blue[i] = i < 200 ? 0.0 : 1.0;
  }
  ASSERT_EQ(WriteProfileFile(folder.path() / "bright.cpf", 6, 4, px.data(), bright), kProfileOk);
  folder.Write("broken.cpf", {0x21, 0x30, 0, 0, 0, 6, 0, 0, 0, 4, 0});
  ProfileList list;
  list.Fill({folder.path(), ""});
  ASSERT_EQ(list.Count(), 2);
  list.Select(0);  // bright
  MatchPaneEffect effect = OnMatchToProfile(f.pane, f.doc, f.store, list);
  EXPECT_TRUE(effect.result.succeeded());
  EXPECT_EQ(f.params.matchMode, MatchMode::kProfile);
  EXPECT_EQ(f.pane.preview.Width(), 6);
  EXPECT_EQ(effect.timerDelayMs, 50);
  EXPECT_GT(f.params.matchTables.red[100], 150);  // most of the source lies below 100

  const MatchTables before = f.params.matchTables;
  list.Select(1);  // broken
  effect = OnMatchToProfile(f.pane, f.doc, f.store, list);
  EXPECT_EQ(ResultWords(effect.result),
            "An attempt was made to access " + (folder.path() / "broken.cpf").string() + " past its end.");
  EXPECT_EQ(f.store.profile.path, (folder.path() / "bright.cpf").string());
  EXPECT_EQ(f.params.matchTables, before);  // still matched to the profile read last
}

TEST(ColourMatchPaneTest, SaveThenDeleteThroughThePane) {
  Fixture f;
  TestFolder program;
  TestFolder data;
  const ProfileFolders folders{program.path(), data.path() / "profiles"};
  ProfileList list;
  MatchPaneEffect effect = OnSaveProfile(list, f.store, folders, "Dusk");
  EXPECT_EQ(ResultWords(effect.result), "You have to first load reference image");
  EXPECT_EQ(list.Count(), 0);

  MakeGrey(f.store.reference.image, 170, 85, 60);
  f.store.reference.path = "/photos/dusk.png";
  for (int i = 0; i < 256; ++i) f.store.reference.distributions.red[i] = i < 60 ? 0.0 : 1.0;
  f.store.reference.distributions.green = f.store.reference.distributions.red;
  f.store.reference.distributions.blue = f.store.reference.distributions.red;
  for (const char* name : {"A", "B", "C"}) {
    EXPECT_TRUE(OnSaveProfile(list, f.store, folders, name).result.succeeded());
  }
  effect = OnSaveProfile(list, f.store, folders, "no/good");
  EXPECT_EQ(ResultWords(effect.result), "\"no/good\" is not a valid file name for a profile.");
  ASSERT_EQ(list.Count(), 3);

  list.Select(1);
  effect = OnDeleteProfile(f.pane, f.doc, f.store, list, folders);
  EXPECT_TRUE(effect.result.succeeded());
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(ShownProfileName(list.SelectedPath()), "C");
  EXPECT_EQ(f.store.profile.path, list.SelectedPath());
  EXPECT_EQ(f.params.matchMode, MatchMode::kProfile);
  EXPECT_EQ(f.pane.preview.Width(), 170);
  EXPECT_EQ(effect.timerDelayMs, 50);
  EXPECT_EQ(f.params.matchTables.green[100], 59);  // everything pulled to the reference's 60

  // A profile that cannot be deleted (a folder with something in it took its name) says so
  // and changes nothing.
  const std::string stuck = list.SelectedPath();
  std::filesystem::remove(stuck);
  std::filesystem::create_directories(std::filesystem::path(stuck) / "inside");
  effect = OnDeleteProfile(f.pane, f.doc, f.store, list, folders);
  EXPECT_EQ(ResultWords(effect.result), "Cannot delete the colour profile " + stuck + ".");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.SelectedPath(), stuck);
  EXPECT_EQ(effect.timerDelayMs, 0);
}

}  // namespace
}  // namespace orvane
