#include "shell/controls/spin_buttons.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace orvane {

SpinButtons::SpinButtons(QLineEdit* box, int minimum, int maximum, QWidget* parent)
    : QWidget(parent), box_(box), minimum_(minimum), maximum_(maximum) {}

void SpinButtons::step(int delta) {
  const int now = box_->text().toInt();
  const int next = std::clamp(now + delta, minimum_, maximum_);
  box_->setText(QString::number(next));
  emit changed();
}

void SpinButtons::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int h = height(), w = width();
  const QColor face = isEnabled() ? QColor(230, 230, 230) : QColor(245, 245, 245);
  const QColor arrow = isEnabled() ? Qt::black : QColor(170, 170, 170);
  for (int half = 0; half < 2; ++half) {
    const QRect r(0, half * h / 2, w, h / 2);
    p.fillRect(r, face);
    p.setPen(QColor(140, 140, 140));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const double cx = w / 2.0, cy = r.center().y() + 0.5, s = 3;
    QPolygonF tri = half == 0 ? QPolygonF({{cx - s, cy + 1.5}, {cx + s, cy + 1.5}, {cx, cy - 1.5}})
                              : QPolygonF({{cx - s, cy - 1.5}, {cx + s, cy - 1.5}, {cx, cy + 1.5}});
    p.setPen(Qt::NoPen);
    p.setBrush(arrow);
    p.drawPolygon(tri);
  }
}

void SpinButtons::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  step(event->position().y() < height() / 2.0 ? 1 : -1);
}

}  // namespace orvane
