// ValueSlider: the panes' horizontal slider. A drawn track, a round knob, a value label above
// the knob, keyboard steps that wrap around, wheel steps, a typed value on a right-click, and a
// list mode with arrow buttons. Changes are posted to the owner as scroll codes (see slider_rules.h).
#pragma once

#include <QColor>
#include <QPixmap>
#include <QStringList>
#include <QWidget>

#include "app/slider_rules.h"

class QLineEdit;

namespace orvane {

class ValueSlider : public QWidget {
  Q_OBJECT
 public:
  explicit ValueSlider(QWidget* parent = nullptr);

  void setRange(int minimum, int maximum);
  int minimum() const { return geometry_.minimum; }
  int maximum() const { return geometry_.maximum; }
  // Clamped to the range and repainted; posts nothing.
  void setPosition(int position);
  int position() const { return position_; }
  void setSteps(int line, int page);
  void setMargin(int margin);
  // The label shows (position - offset) / divisor.
  void setLabel(int offset, double divisor);
  void setShowValue(bool show, bool always);
  void setNoTicks(bool noTicks);
  // Artwork for the track; the control takes the picture's height and stretches it across its
  // width.
  void setBackground(const QPixmap& picture);
  void setListMode(bool on, const QStringList& texts = {}, const QList<QColor>& colours = {});

  bool dragging() const { return dragging_; }
  // The typed-value field while it is open, else null.
  QLineEdit* typedField() const { return edit_; }
  QString labelText() const;
  int knobX() const { return geometry_.KnobX(position_, width()); }

  QSize sizeHint() const override;

 signals:
  // Posted after the handler that caused it has returned.
  void scrolled(int code, int position);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void post(int code);
  void openTypedField();
  void closeTypedField(bool commit);
  void paintTrack(QPainter& p);
  void paintList(QPainter& p);
  int trackTop() const;

  SliderGeometry geometry_;
  int position_ = 0;
  int lineStep_ = 1;
  int pageStep_ = 10;
  int labelOffset_ = 0;
  double labelDivisor_ = 1.0;
  bool showValue_ = false;
  bool showValueAlways_ = false;
  bool noTicks_ = false;
  QPixmap background_;
  bool listMode_ = false;
  QStringList itemTexts_;
  QList<QColor> itemColours_;
  int pressedArrow_ = 0;  // list mode: -1 left, 1 right
  bool dragging_ = false;
  bool movedInDrag_ = false;
  QLineEdit* edit_ = nullptr;
  int positionAtOpen_ = 0;
  bool closing_ = false;
  int wheelAngle_ = 0;  // a touchpad's turns smaller than a notch add up
};

}  // namespace orvane
