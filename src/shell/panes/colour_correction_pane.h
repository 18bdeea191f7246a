// The Color Correction pane: Shadows and Highlights, EV, colour temperature and colour boost
// sliders with their labels, "Reset" and "Auto". Dragging shows the quick preview through timer
// 2; the end of a drag and the buttons run the region through timer 1.
#pragma once

#include <QTimer>
#include <array>

#include "app/correction_sliders.h"
#include "shell/panes/pane_widget.h"

class QLabel;
class QPushButton;

namespace orvane {

class ValueSlider;

class ColourCorrectionPane : public PaneWidget {
  Q_OBJECT
 public:
  explicit ColourCorrectionPane(QWidget* parent = nullptr);

  void AttachDocument(CHushwickDoc* doc) override;
  // Positions and labels from the document's parameters.
  void RefreshFromDocument();

  ValueSlider* slider(CorrectionSlider which) const { return sliders_[static_cast<int>(which)]; }
  QLabel* valueLabel(CorrectionSlider which) const { return labels_[static_cast<int>(which)]; }
  QPushButton* resetButton() const { return reset_; }
  QPushButton* autoButton() const { return auto_; }
  QTimer& timer(int id) { return id == 1 ? timer1_ : timer2_; }
  // Work done by each timer so far (for tests).
  int timerRuns(int id) const { return id == 1 ? runs1_ : runs2_; }

 private:
  void onSlider(CorrectionSlider which, int code, int position);
  void start(TimerRequest request);
  void onTimer(int id);
  void paintTracks(int width);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int tracksWidth_ = 0;

  CHushwickDoc* doc_ = nullptr;
  std::array<ValueSlider*, 5> sliders_{};
  std::array<QLabel*, 5> labels_{};
  QPushButton* reset_ = nullptr;
  QPushButton* auto_ = nullptr;
  QTimer timer1_;
  QTimer timer2_;
  int runs1_ = 0;
  int runs2_ = 0;
};

}  // namespace orvane
