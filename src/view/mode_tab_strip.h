// ModeTabStrip: the four trapezoid tabs below the view. Pressing and releasing the left button on
// the same tab asks for that tab's command; the selection itself changes only when the main
// window says so (setCurrentIndex), so a cancelled switch keeps the old tab.
#pragma once

#include <QWidget>

namespace orvane {

class ModeTabStrip : public QWidget {
  Q_OBJECT
 public:
  explicit ModeTabStrip(QWidget* parent = nullptr);

  int currentIndex() const { return current_; }
  // An index beyond the last tab leaves the selection as it is.
  void setCurrentIndex(int index);
  // The tab under a point, or -1.
  int tabAt(const QPoint& point) const;
  QRect tabRect(int index) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  void commandRequested(int command);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QPolygon tabShape(int index) const;

  int current_ = 0;
  int pressed_ = -1;
};

}  // namespace orvane
