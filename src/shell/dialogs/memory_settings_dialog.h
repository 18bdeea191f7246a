// "Memory Settings": the largest block a run processes at once and the picture size from which
// the run's buffers go to swap.
#pragma once

#include <QDialog>
#include <array>

class QLineEdit;

namespace orvane {

class CHushwickDoc;
class UiHost;

class MemorySettingsDialog : public QDialog {
  Q_OBJECT
 public:
  // The boxes start with the document's values; OK stores them in the document and its keys.
  MemorySettingsDialog(CHushwickDoc& doc, UiHost& host, QWidget* parent);
  // Block width, block height, swap width, swap height.
  QLineEdit* box(int i) const { return boxes_[i]; }

 public slots:
  void accept() override;

 private:
  CHushwickDoc& doc_;
  UiHost& host_;
  std::array<QLineEdit*, 4> boxes_{};
};

}  // namespace orvane
