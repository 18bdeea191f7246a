#include "shell/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "app/command_table.h"

namespace orvane {
namespace {

void Arrow(QPainter& p, bool right) {
  QPolygon head;
  if (right) {
    head << QPoint(9, 3) << QPoint(14, 7) << QPoint(9, 11);
  } else {
    head << QPoint(6, 3) << QPoint(1, 7) << QPoint(6, 11);
  }
  p.drawRect(right ? 2 : 7, 6, 6, 2);
  p.drawPolygon(head);
}

void Turn(QPainter& p, bool clockwise) {
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRect(3, 3, 10, 10), clockwise ? 30 * 16 : 150 * 16, clockwise ? 260 * 16 : -260 * 16);
  p.setBrush(p.pen().color());
  const QPoint tip = clockwise ? QPoint(13, 4) : QPoint(3, 4);
  p.drawPolygon(QPolygon({tip, tip + QPoint(clockwise ? -4 : 4, 0), tip + QPoint(0, 4)}));
}

}  // namespace

QIcon ToolbarIcon(int command) {
  QPixmap pixmap(16, 15);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, false);
  const QColor ink(40, 40, 40);
  p.setPen(ink);
  p.setBrush(ink);
  switch (command) {
    case cmd::kOpen:
      p.setBrush(QColor(240, 200, 80));
      p.drawRect(1, 4, 13, 9);
      p.drawRect(1, 2, 5, 2);
      break;
    case cmd::kSave:
      p.setBrush(QColor(70, 100, 190));
      p.drawRect(1, 1, 13, 13);
      p.setBrush(Qt::white);
      p.drawRect(4, 1, 7, 5);
      break;
    case cmd::kPreviousImage: Arrow(p, false); break;
    case cmd::kNextImage: Arrow(p, true); break;
    case cmd::kPaste:
      p.setBrush(QColor(190, 150, 90));
      p.drawRect(2, 2, 10, 12);
      p.setBrush(Qt::white);
      p.drawRect(6, 5, 8, 9);
      break;
    case cmd::kAbout:
      p.setBrush(QColor(70, 120, 210));
      p.drawEllipse(1, 0, 13, 13);
      p.setPen(Qt::white);
      p.drawLine(7, 6, 7, 10);
      p.drawPoint(7, 3);
      break;
    case cmd::kHelp:
      p.setBrush(QColor(250, 230, 120));
      p.drawEllipse(1, 0, 13, 13);
      p.setPen(ink);
      p.drawText(QRect(1, 0, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
      break;
    case cmd::kRotateCcw: Turn(p, false); break;
    case cmd::kRotateCw: Turn(p, true); break;
    case cmd::kApplyCrop:
      p.drawLine(4, 0, 4, 11);
      p.drawLine(1, 11, 12, 11);
      p.drawLine(11, 3, 11, 14);
      p.drawLine(4, 3, 14, 3);
      break;
    case cmd::kGrid:
      p.setBrush(Qt::NoBrush);
      p.drawRect(1, 1, 13, 12);
      p.drawLine(5, 1, 5, 13);
      p.drawLine(10, 1, 10, 13);
      p.drawLine(1, 5, 14, 5);
      p.drawLine(1, 9, 14, 9);
      break;
    case cmd::kZoomIn:
    case cmd::kZoomOut:
      p.setBrush(Qt::white);
      p.drawEllipse(1, 1, 9, 9);
      p.drawLine(9, 9, 14, 14);
      p.drawLine(3, 5, 8, 5);
      if (command == cmd::kZoomIn) p.drawLine(5, 3, 5, 8);
      break;
    default:
      p.drawRect(3, 3, 9, 9);
      break;
  }
  return QIcon(pixmap);
}

}  // namespace orvane
