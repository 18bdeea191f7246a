// Up and down arrows bound to an integer box: each click steps the box's number by one within
// the range and reports the change.
#pragma once

#include <QWidget>

class QLineEdit;

namespace orvane {

class SpinButtons : public QWidget {
  Q_OBJECT
 public:
  SpinButtons(QLineEdit* box, int minimum, int maximum, QWidget* parent = nullptr);
  void step(int delta);
  QSize sizeHint() const override { return {14, 22}; }

 signals:
  void changed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QLineEdit* box_;
  int minimum_;
  int maximum_;
};

}  // namespace orvane
