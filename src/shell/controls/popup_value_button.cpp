#include "shell/controls/popup_value_button.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <cstdlib>

namespace orvane {
namespace {

// The track: a groove and a small knob at the current percentage.
class PopupTrack : public QWidget {
 public:
  explicit PopupTrack(const int& percent)
      : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint), percent_(percent) {
    setObjectName(QStringLiteral("popupTrack"));
    setFixedSize(kPopupWidth, kPopupHeight);
    setAttribute(Qt::WA_DeleteOnClose);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor(240, 240, 240));
    p.setPen(QColor(100, 100, 100));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.fillRect(QRect(kPopupWidth / 2 - 1, 2, 3, kPopupHeight - 4), QColor(150, 150, 150));
    const int y = 100 - percent_;
    p.fillRect(QRect(2, y, kPopupWidth - 4, 4), QColor(40, 70, 130));
  }

 private:
  const int& percent_;
};

}  // namespace

PopupValueButton::PopupValueButton(QLineEdit* field, QWidget* parent)
    : QWidget(parent), field_(field) {
  setCursor(Qt::SizeVerCursor);
}

void PopupValueButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), isEnabled() ? QColor(230, 230, 230) : QColor(245, 245, 245));
  p.setPen(QColor(130, 130, 130));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  const QColor c = isEnabled() ? Qt::black : QColor(170, 170, 170);
  const double cx = width() / 2.0, cy = height() / 2.0;
  QPolygonF up({{cx - 3, cy - 2}, {cx + 3, cy - 2}, {cx, cy - 6}});
  QPolygonF down({{cx - 3, cy + 2}, {cx + 3, cy + 2}, {cx, cy + 6}});
  p.setBrush(c);
  p.setPen(Qt::NoPen);
  p.drawPolygon(up);
  p.drawPolygon(down);
}

void PopupValueButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || field_ == nullptr) return;
  const std::string text = field_->text().toStdString();
  const double value = std::strtod(text.c_str(), nullptr);  // not a number reads 0
  percent_ = range_.PercentOf(value);
  auto* track = new PopupTrack(percent_);
  popup_ = track;
  startRow_ = PopupRowOf(percent_);
  const QPoint global = event->globalPosition().toPoint();
  const QPoint centre = mapToGlobal(QPoint(width() / 2, 0));
  track->move(centre.x() - kPopupWidth / 2, global.y() - startRow_);
  track->show();
  firstMove_ = true;
}

void PopupValueButton::mouseMoveEvent(QMouseEvent* event) {
  if (popup_ == nullptr) return;
  const int y = popup_->mapFromGlobal(event->globalPosition().toPoint()).y();
  if (firstMove_) {
    firstMove_ = false;
    if (y == startRow_) return;
  }
  const int p = PopupPercentAt(y);
  if (p == percent_) return;
  percent_ = p;
  field_->setText(QString::fromStdString(range_.Text(percent_)));
  popup_->update();
}

void PopupValueButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || popup_ == nullptr) return;
  popup_->close();
  popup_ = nullptr;
  emit fieldCommand();
}

}  // namespace orvane
