// The Color Match pane: no match, match to a reference picture, or match to a stored profile;
// the reference's name or the profile list with the load, save and delete buttons; the preview
// box that takes dropped pictures; the Fade slider; "Auto Switch to  Full Mode"; one timer.
#pragma once

#include <QTimer>
#include <functional>

#include "app/colour_match_pane.h"
#include "shell/panes/pane_widget.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace orvane {

class SettingsStore;
class NavigatorThumbnail;
class ProfileListBox;
class ValueSlider;

// Where the profiles are read: the shipped ones beside the program (share/orvane-nr/profiles
// next to its folder once installed) and the user's own, where new ones are written.
ProfileFolders DefaultProfileFolders();

class ColourMatchPane : public PaneWidget {
  Q_OBJECT
 public:
  ColourMatchPane(ReferenceStore& store, SettingsStore& settings,
                  ProfileFolders folders, QWidget* parent = nullptr);

  void AttachDocument(CHushwickDoc* doc) override;

  // Replaceable for tests: the reference dialog (empty: cancelled) and the profile name dialog
  // (false: cancelled).
  std::function<std::string()> chooseReference;
  std::function<bool(std::string& name)> askProfileName;

  // The handlers, as the controls call them.
  void noMatch();
  void matchToImage();
  void matchToProfile();
  void loadReference();
  void dropFiles(const QStringList& files);
  void saveProfile();
  void deleteProfile();

  const ColourMatchPaneState& state() const { return state_; }
  ProfileList& profiles() { return list_; }
  ProfileListBox* profileBox() const { return profileBox_; }
  QLineEdit* nameField() const { return name_; }
  QToolButton* loadButton() const { return load_; }
  QToolButton* saveButton() const { return save_; }
  QToolButton* deleteButton() const { return delete_; }
  ValueSlider* fade() const { return fade_; }
  QCheckBox* autoSwitch() const { return autoSwitch_; }
  QRadioButton* modeButton(int mode) const { return modes_[mode]; }
  NavigatorThumbnail* previewBox() const { return preview_; }
  QTimer& timer() { return timer_; }
  int timerRuns() const { return timerRuns_; }

 private:
  void readControls();
  void apply(const MatchPaneEffect& effect);
  void updateVisibility();
  void writeControls();
  void onTimer();
  // The pane's rules work on a copy of the document's colour settings, applied after them.
  MatchPaneEffect editColour(const std::function<MatchPaneEffect(MatchDocument)>& rule);

  ReferenceStore& store_;
  SettingsStore& settings_;
  ProfileFolders folders_;
  CHushwickDoc* doc_ = nullptr;
  ColourMatchPaneState state_;
  ProfileList list_;
  QTimer timer_;
  int timerRuns_ = 0;
  QRadioButton* modes_[3] = {};
  QLineEdit* name_ = nullptr;
  ProfileListBox* profileBox_ = nullptr;
  QToolButton* load_ = nullptr;
  QToolButton* save_ = nullptr;
  QToolButton* delete_ = nullptr;
  NavigatorThumbnail* preview_ = nullptr;
  ValueSlider* fade_ = nullptr;
  QCheckBox* autoSwitch_ = nullptr;
};

}  // namespace orvane
