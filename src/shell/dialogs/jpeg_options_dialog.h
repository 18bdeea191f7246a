// "JPEG Options": the quality as a slider and a number, Enhanced Sampling, the picture's size,
// and "Suggest Quality", which finds the highest quality that stays below the original's size.
#pragma once

#include <QDialog>

#include "app/save_sequence.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace orvane {

class UiHost;

class JpegOptionsDialog : public QDialog {
  Q_OBJECT
 public:
  // request: the quality and sampling to start with, the picture and the target size.
  JpegOptionsDialog(UiHost& host, const JpegOptionsRequest& request, QWidget* parent);

  int quality() const { return quality_; }
  bool enhancedSampling() const { return sampling_; }

  QSlider* slider() const { return slider_; }
  QLineEdit* number() const { return number_; }
  QCheckBox* samplingBox() const { return samplingBox_; }
  QLabel* sizeLine() const { return sizeLine_; }
  QPushButton* suggestButton() const { return suggest_; }

  // Runs the quality search and shows its answer.
  void suggestQuality();

 public slots:
  void accept() override;

 private:
  void numberEdited(const QString& text);

  UiHost& host_;
  JpegOptionsRequest request_;
  int quality_ = 0;
  bool sampling_ = true;
  QSlider* slider_ = nullptr;
  QLineEdit* number_ = nullptr;
  QCheckBox* samplingBox_ = nullptr;
  QLabel* sizeLine_ = nullptr;
  QPushButton* suggest_ = nullptr;
};

}  // namespace orvane
