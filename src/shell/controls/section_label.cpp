#include "shell/controls/section_label.h"

#include <QPainter>

namespace orvane {

SectionLabel::SectionLabel(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
  setObjectName(text);
}

void SectionLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), isEnabled() ? QColor(70, 90, 160) : QColor(192, 192, 224));
  QFont f(QStringLiteral("Sans Serif"));
  f.setPixelSize(10);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(rect(), Qt::AlignCenter, text_);
}

}  // namespace orvane
