// The popup value button: sits beside an edit field; while held it shows a small vertical
// track, and dragging on it writes a value into the field. On release the owner is told to read
// the field, as if it had been edited.
#pragma once

#include <QPointer>
#include <QWidget>

#include "app/slider_rules.h"

class QLineEdit;

namespace orvane {

class PopupValueButton : public QWidget {
  Q_OBJECT
 public:
  PopupValueButton(QLineEdit* field, QWidget* parent = nullptr);

  void setValueRange(const PopupValueRange& range) { range_ = range; }
  const PopupValueRange& valueRange() const { return range_; }
  int percent() const { return percent_; }
  // The open track (a window of its own) or null.
  QWidget* popup() const { return popup_; }

  QSize sizeHint() const override { return {14, 20}; }

 signals:
  // The field was changed through the track; read it now.
  void fieldCommand();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QLineEdit* field_;
  PopupValueRange range_;
  int percent_ = 0;
  QPointer<QWidget> popup_;
  bool firstMove_ = false;
  int startRow_ = 0;
};

}  // namespace orvane
