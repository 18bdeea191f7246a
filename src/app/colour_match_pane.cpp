#include "app/colour_match_pane.h"

#include <algorithm>
#include <cctype>

#include "colour/profile_file.h"
#include "imagefile/format_lists.h"

namespace orvane {

namespace {

constexpr int kTimerMs = 50;

void CopyPreview(ColourMatchPaneState& pane, const ReferenceSlot& slot) {
  if (!slot.HoldsImage() || pane.preview.CopyFrom(slot.image) != kOk) pane.preview.Release();
}

MatchPaneEffect AfterReferenceLoad(ColourMatchPaneState& pane, ColourParams& params,
                                   const ReferenceStore& store) {
  MatchPaneEffect effect;
  CopyPreview(pane, store.reference);
  if (store.reference.path.find('/') != std::string::npos) {
    pane.nameField = NameAfterLastSlash(store.reference.path);
  }
  effect.redrawPreview = true;
  pane.paneMode = static_cast<int>(MatchMode::kReferenceImage);
  params.matchMode = static_cast<MatchMode>(pane.paneMode);
  params.matchFade = 0;
  pane.fadePosition = 0;
  effect.timerDelayMs = kTimerMs;
  effect.writeControls = true;
  return effect;
}

}  // namespace

const MatchPaneControls& MatchPaneVisibility(int paneMode) {
  return kMatchPaneVisibility[static_cast<size_t>(std::clamp(paneMode, 0, 2))];
}

MatchPaneEffect OnNoColourMatch(ColourMatchPaneState& pane, MatchDocument doc) {
  pane.paneMode = static_cast<int>(MatchMode::kNone);
  doc.params.matchMode = static_cast<MatchMode>(pane.paneMode);
  doc.params.matchTables.ResetToIdentity();
  pane.preview.Release();
  MatchPaneEffect effect;
  effect.redrawPreview = true;
  effect.timerDelayMs = kTimerMs;
  return effect;
}

MatchPaneEffect OnMatchToImage(ColourMatchPaneState& pane, MatchDocument doc,
                               const ReferenceStore& store) {
  pane.paneMode = static_cast<int>(MatchMode::kReferenceImage);
  doc.params.matchMode = static_cast<MatchMode>(pane.paneMode);
  BuildMatchTables(doc.source, store.reference, doc.params.matchTables);
  MatchPaneEffect effect;
  if (store.reference.HoldsImage()) {
    CopyPreview(pane, store.reference);
    pane.nameField = NameAfterLastSlash(store.reference.path);
    effect.timerDelayMs = kTimerMs;
  } else {
    pane.preview.Release();
    pane.nameField = kPleaseLoadImage;
  }
  effect.redrawPreview = true;
  return effect;
}

MatchPaneEffect OnMatchToProfile(ColourMatchPaneState& pane, MatchDocument doc,
                                 ReferenceStore& store, const ProfileList& list) {
  pane.paneMode = static_cast<int>(MatchMode::kProfile);
  MatchPaneEffect effect;
  effect.result = ReadSelectedProfile(list, store.profile);
  BuildMatchTables(doc.source, store.profile, doc.params.matchTables);
  doc.params.matchMode = static_cast<MatchMode>(pane.paneMode);
  if (store.profile.HoldsImage()) {
    CopyPreview(pane, store.profile);
    effect.timerDelayMs = kTimerMs;
  } else {
    pane.preview.Release();
  }
  effect.redrawPreview = true;
  return effect;
}

MatchPaneEffect OnReferenceChosen(ColourMatchPaneState& pane, MatchDocument doc,
                                  ReferenceStore& store, const std::string& path) {
  if (!path.empty()) LoadReferenceImage(store, path, doc.source, doc.params);
  return AfterReferenceLoad(pane, doc.params, store);
}

bool AcceptsDroppedReference(const std::string& path) {
  return EndsWithListedExtension(path, &FormatListing::dropRank);
}

bool OnReferenceDropped(ColourMatchPaneState& pane, MatchDocument doc, ReferenceStore& store,
                        const std::string& path, MatchPaneEffect& effect) {
  if (!AcceptsDroppedReference(path)) return false;
  LoadReferenceImage(store, path, doc.source, doc.params);
  effect = AfterReferenceLoad(pane, doc.params, store);
  return true;
}

MatchPaneEffect OnSaveProfile(ProfileList& list, const ReferenceStore& store,
                              const ProfileFolders& folders, const std::string& name) {
  MatchPaneEffect effect;
  effect.result = SaveProfile(list, store.reference, folders, name);
  return effect;
}

MatchPaneEffect OnDeleteProfile(ColourMatchPaneState& pane, MatchDocument doc,
                                ReferenceStore& store, ProfileList& list,
                                const ProfileFolders& folders) {
  if (list.SelectedPath().empty()) return {};
  const Result deleted = DeleteSelectedProfile(list, folders, store.profile);
  if (deleted.code == kProfileNotDeleted) {
    MatchPaneEffect effect;
    effect.result = deleted;
    return effect;
  }
  // The profile read after the list was filled again says why it is unusable, unless the
  // newly selected one does.
  MatchPaneEffect effect = OnMatchToProfile(pane, doc, store, list);
  if (effect.result.succeeded()) effect.result = deleted;
  return effect;
}

MatchPaneEffect OnFadeMoved(ColourMatchPaneState& pane, ColourParams& params, int position,
                            bool endOfScroll, ViewTab viewTab) {
  pane.fadePosition = std::clamp(position, 0, 255);
  params.matchFade = pane.fadePosition;
  MatchPaneEffect effect;
  effect.timerDelayMs = endOfScroll ? 50 : (viewTab != ViewTab::kPicture ? 30 : 100);
  return effect;
}

AutoSwitchAction OnAutoSwitchToggled(ColourMatchPaneState& pane, bool on) {
  pane.autoSwitch = on;
  return on ? AutoSwitchAction::kShowFullCrop : AutoSwitchAction::kReturnToDetail;
}

MatchPaneEffect RefreshFromDocument(ColourMatchPaneState& pane, const ColourParams& params) {
  MatchPaneEffect effect;
  pane.fadePosition = std::clamp(params.matchFade, 0, 255);
  pane.paneMode = std::clamp(static_cast<int>(params.matchMode), 0, 2);
  if (pane.paneMode == 0) {
    pane.preview.Release();
    effect.redrawPreview = true;
  }
  effect.writeControls = true;
  return effect;
}

TimerWork MatchTimerWork(ViewTab viewTab, bool fullCropMode, bool autoSwitch) {
  if (viewTab != ViewTab::kPicture) return PlotTimerWork(viewTab);
  if (fullCropMode || autoSwitch) return TimerWork::kRebuildFullCrop;
  return TimerWork::kDetailPreview;
}

}  // namespace orvane
