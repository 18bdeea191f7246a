#include "view/mode_tab_strip.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/view_rules.h"
#include "view/view_colours.h"

namespace orvane {
namespace {

const char* const kLabels[kModeTabCount] = {"Details", "Full/Crop", "Curves", "Histogram"};
constexpr int kFirstTabLeft = 20;
constexpr int kSlope = 8;  // how far each side of a tab leans
constexpr int kHeight = 22;

QFont TabFont() {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}

}  // namespace

ModeTabStrip::ModeTabStrip(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ModeTabStrip"));
  setFont(TabFont());
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize ModeTabStrip::sizeHint() const { return QSize(tabRect(kModeTabCount - 1).right() + 20, kHeight); }

void ModeTabStrip::setCurrentIndex(int index) {
  if (index < 0 || index >= kModeTabCount) return;
  current_ = index;
  update();
}

QRect ModeTabStrip::tabRect(int index) const {
  const QFontMetrics metrics(font());
  int left = kFirstTabLeft;
  for (int i = 0; i < index; ++i) left += metrics.horizontalAdvance(QLatin1String(kLabels[i])) + 20;
  const int width = metrics.horizontalAdvance(QLatin1String(kLabels[index])) + 20;
  return QRect(left, 0, width, kHeight);
}

QPolygon ModeTabStrip::tabShape(int index) const {
  // Hanging from the view above: wide at the top, narrow at the bottom; neighbours overlap.
  const QRect r = tabRect(index);
  return QPolygon({QPoint(r.left() - kSlope / 2, 0), QPoint(r.right() + kSlope / 2, 0),
                   QPoint(r.right() - kSlope / 2, r.bottom() - 2),
                   QPoint(r.left() + kSlope / 2, r.bottom() - 2)});
}

int ModeTabStrip::tabAt(const QPoint& point) const {
  if (tabShape(current_).containsPoint(point, Qt::OddEvenFill)) return current_;
  for (int i = 0; i < kModeTabCount; ++i) {
    if (tabShape(i).containsPoint(point, Qt::OddEvenFill)) return i;
  }
  return -1;
}

void ModeTabStrip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  p.setPen(QColor(64, 64, 64));
  p.drawLine(0, 0, width(), 0);
  auto drawTab = [&](int i, bool selected) {
    QColor fill = ModeTabColour(i);
    if (!selected) fill = fill.darker(125);
    p.setBrush(fill);
    p.setPen(QColor(64, 64, 64));
    p.drawPolygon(tabShape(i));
    if (selected) {
      // The selected tab joins the view: no line along its top.
      const QRect r = tabRect(i);
      p.setPen(fill);
      p.drawLine(r.left() - kSlope / 2 + 1, 0, r.right() + kSlope / 2 - 1, 0);
    }
    p.setPen(Qt::black);
    QFont f = font();
    f.setBold(selected);
    p.setFont(f);
    p.drawText(tabRect(i).adjusted(0, 0, 0, -3), Qt::AlignCenter, QLatin1String(kLabels[i]));
  };
  p.setRenderHint(QPainter::Antialiasing, true);
  for (int i = kModeTabCount - 1; i >= 0; --i) {
    if (i != current_) drawTab(i, false);
  }
  drawTab(current_, true);
}

void ModeTabStrip::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton ? tabAt(event->position().toPoint()) : -1;
}

void ModeTabStrip::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int released = tabAt(event->position().toPoint());
  const int pressed = pressed_;
  pressed_ = -1;
  if (pressed >= 0 && pressed == released) emit commandRequested(ModeTabCommand(pressed));
}

}  // namespace orvane
