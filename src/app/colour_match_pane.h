// What the Color Match pane's controls do, as state changes on the pane, the document's colour
// parameters and the reference store. The widget reads the state back and redraws; it shows
// dialogs and messages itself and starts the timer when asked.
#pragma once

#include <array>
#include <string>

#include "colour/colour_params.h"
#include "app/correction_sliders.h"
#include "imagefile/format_lists.h"
#include "app/profile_list.h"
#include "colour/reference_store.h"

namespace orvane {

// Which controls a pane mode shows and enables. The name field, the profile list and the
// buttons share one row.
struct MatchPaneControls {
  bool nameShown;
  bool nameEnabled;
  bool loadButtonShown;
  bool saveButtonShown;
  bool profileListShown;
  bool deleteButtonShown;
  bool fadeEnabled;
};

inline constexpr std::array<MatchPaneControls, 3> kMatchPaneVisibility = {{
    // name   enabled load  save   list   delete fade
    {true, false, true, false, false, false, false},  // "No Color Match"
    {true, true, true, true, false, false, true},     // "Match Colors to Image"
    {false, false, false, false, true, true, true},   // "Match Colors to Profile"
}};

const MatchPaneControls& MatchPaneVisibility(int paneMode);

inline constexpr const char* kPleaseLoadImage = "Please load image...";

// The reference dialog (shown by the pane when "Load Reference Image" is pressed): its title,
// its filter as description|patterns pairs; it opens in the folder of key::kMatchFolder, which
// takes FolderOf the chosen file.
inline constexpr const char* kLoadReferenceTitle = "Load Source Image";
inline const std::string kReferenceFilter = ReferenceDialogFilter();
inline constexpr const char* kProfileNameDialogTitle = "Profile Name";

struct ColourMatchPaneState {
  int paneMode = 0;        // the radio buttons: 0, 1, 2
  bool autoSwitch = true;  // "Auto Switch to  Full Mode"
  RasterImage preview;     // copy of the current slot's thumbnail; empty when cleared
  std::string nameField;
  int fadePosition = 0;    // Fade slider, 0..255
};

// What the widget has to do after a handler.
struct MatchPaneEffect {
  int timerDelayMs = 0;         // start (or restart) the pane's one-shot timer; 0: do not
  bool redrawPreview = false;
  bool writeControls = false;   // put paneMode and autoSwitch back into the radio and check box
  Result result{ResultKind::kProfile, kProfileOk};  // its words are shown when it failed
};

// The document as the pane sees it.
struct MatchDocument {
  ColourParams& params;
  const RasterImage& source;
};

MatchPaneEffect OnNoColourMatch(ColourMatchPaneState& pane, MatchDocument doc);
MatchPaneEffect OnMatchToImage(ColourMatchPaneState& pane, MatchDocument doc,
                               const ReferenceStore& store);
// Also the handler of a new selection in the profile list.
MatchPaneEffect OnMatchToProfile(ColourMatchPaneState& pane, MatchDocument doc,
                                 ReferenceStore& store, const ProfileList& list);
// "Load Reference Image" once the dialog has closed: path is the chosen file, empty when the
// user cancelled (the pane still ends in "Match Colors to Image" with the fade at 0).
MatchPaneEffect OnReferenceChosen(ColourMatchPaneState& pane, MatchDocument doc,
                                  ReferenceStore& store, const std::string& path);
// A file dropped on the preview box. Only ".jpg", ".png", ".bmp", ".tif", ".tga" and ".pcx"
// (any case) are taken; anything else changes nothing and returns false.
bool AcceptsDroppedReference(const std::string& path);
bool OnReferenceDropped(ColourMatchPaneState& pane, MatchDocument doc, ReferenceStore& store,
                        const std::string& path, MatchPaneEffect& effect);
// "Save To Profile" after the name dialog (the pane first asks CanSaveProfile, then shows the
// dialog with kDefaultProfileName). The profile goes to the per-user folder.
MatchPaneEffect OnSaveProfile(ProfileList& list, const ReferenceStore& store,
                              const ProfileFolders& folders, const std::string& name);
// "Delete Profile" after the user answered Yes to kDeleteProfileQuestion: deletes, refills and
// reselects the list, then does what "Match Colors to Profile" does.
MatchPaneEffect OnDeleteProfile(ColourMatchPaneState& pane, MatchDocument doc,
                                ReferenceStore& store, ProfileList& list,
                                const ProfileFolders& folders);

// Fade slider moved.
MatchPaneEffect OnFadeMoved(ColourMatchPaneState& pane, ColourParams& params, int position,
                            bool endOfScroll, ViewTab viewTab);

enum class AutoSwitchAction { kShowFullCrop, kReturnToDetail };
AutoSwitchAction OnAutoSwitchToggled(ColourMatchPaneState& pane, bool on);

// Refresh from the document (start-up, and whenever the main window attaches the document).
MatchPaneEffect RefreshFromDocument(ColourMatchPaneState& pane, const ColourParams& params);

// What the pane's timer does when it fires.
TimerWork MatchTimerWork(ViewTab viewTab, bool fullCropMode, bool autoSwitch);

}  // namespace orvane
