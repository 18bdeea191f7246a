// The NR Options pane: noise level (slider, box and "Auto"), Remove Block Noise, Advanced
// Processing, the mode list, Sharpen Edges with its amount, and "Default". Every change ends in
// timer 1, which applies the pane's copy of the settings to the document and asks for the region
// to be run again.
#pragma once

#include <QTimer>

#include "app/nr_options_pane.h"
#include "shell/panes/pane_widget.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orvane {

class SpinButtons;
class ValueSlider;

class NrOptionsPane : public PaneWidget {
  Q_OBJECT
 public:
  explicit NrOptionsPane(QWidget* parent = nullptr);

  void AttachDocument(CHushwickDoc* doc) override;
  // The enabling rules, also after the output window changed.
  void UpdateEnabling();
  // "Auto" and the menu's "Estimate Noise Level": the level from the picture, then a run.
  void EstimateNoiseLevel();
  bool canEstimate() const;

  QTimer& timer() { return timer_; }
  int timerRuns() const { return timerRuns_; }
  ValueSlider* slider() const { return slider_; }
  QLineEdit* levelBox() const { return levelBox_; }
  QPushButton* autoButton() const { return autoButton_; }
  QCheckBox* blockNoise() const { return blockNoise_; }
  QCheckBox* advanced() const { return advanced_; }
  QCheckBox* sharpen() const { return sharpen_; }
  QComboBox* modeList() const { return mode_; }
  QLineEdit* amountBox() const { return amountBox_; }
  QPushButton* defaultButton() const { return defaultButton_; }
  const NrOptionsState& state() const { return state_; }

 signals:
  // The settings were applied: the visible region is to be run again.
  void previewRequested();

 private:
  void readChecks();
  void showState();
  void onTimer();
  void onSlider(int code, int position);
  void onLevelTyped();
  void onAmountTyped(QLineEdit* box, int high, int& member);

  CHushwickDoc* doc_ = nullptr;
  NrOptionsState state_;
  QTimer timer_;
  int timerRuns_ = 0;
  ValueSlider* slider_ = nullptr;
  QLineEdit* levelBox_ = nullptr;
  QPushButton* autoButton_ = nullptr;
  QCheckBox* blockNoise_ = nullptr;
  QCheckBox* advanced_ = nullptr;
  QComboBox* mode_ = nullptr;
  QCheckBox* sharpen_ = nullptr;
  QLineEdit* amountBox_ = nullptr;
  SpinButtons* amountSpin_ = nullptr;
  QPushButton* defaultButton_ = nullptr;
  QLabel* thresholdLabel_ = nullptr;
  QLineEdit* thresholdBox_ = nullptr;
  SpinButtons* thresholdSpin_ = nullptr;
  QLabel* levelLabel_ = nullptr;
};

}  // namespace orvane
