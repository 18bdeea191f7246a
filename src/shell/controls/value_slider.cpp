#include "shell/controls/value_slider.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QWheelEvent>

namespace orvane {
namespace {

constexpr int kLabelPixels = 10;
constexpr int kKnobRadius = 6;
constexpr int kWheelNotch = 120;  // one click of a mouse wheel, in eighths of a degree

QFont LabelFont() {
  QFont f(QStringLiteral("Sans Serif"));
  f.setPixelSize(kLabelPixels);
  return f;
}

}  // namespace

ValueSlider::ValueSlider(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  setMinimumHeight(24);
}

QSize ValueSlider::sizeHint() const {
  if (!background_.isNull()) return background_.deviceIndependentSize().toSize();
  return {150, 26};
}

void ValueSlider::setRange(int minimum, int maximum) {
  geometry_.minimum = minimum;
  geometry_.maximum = std::max(minimum, maximum);
  position_ = geometry_.Clamp(position_);
  update();
}

void ValueSlider::setPosition(int position) {
  const int p = geometry_.Clamp(position);
  if (p == position_) return;
  position_ = p;
  update();
}

void ValueSlider::setSteps(int line, int page) {
  lineStep_ = line;
  pageStep_ = page;
}

void ValueSlider::setMargin(int margin) {
  geometry_.margin = margin;
  update();
}

void ValueSlider::setLabel(int offset, double divisor) {
  labelOffset_ = offset;
  labelDivisor_ = divisor;
  update();
}

void ValueSlider::setShowValue(bool show, bool always) {
  showValue_ = show;
  showValueAlways_ = always;
  update();
}

void ValueSlider::setNoTicks(bool noTicks) {
  noTicks_ = noTicks;
  update();
}

void ValueSlider::setBackground(const QPixmap& picture) {
  background_ = picture;
  // The artwork gives the height; it stretches with the pane's width.
  if (!picture.isNull()) {
    const QSize size = picture.deviceIndependentSize().toSize();
    setFixedHeight(size.height());
    setMinimumWidth(size.width() / 2);
  }
  update();
}

void ValueSlider::setListMode(bool on, const QStringList& texts, const QList<QColor>& colours) {
  listMode_ = on;
  itemTexts_ = texts;
  itemColours_ = colours;
  update();
}

QString ValueSlider::labelText() const {
  return QString::fromStdString(ValueLabelText(position_, labelOffset_, labelDivisor_));
}

void ValueSlider::post(int code) {
  const int position = position_;
  QTimer::singleShot(0, this, [this, code, position] { emit scrolled(code, position); });
}

int ValueSlider::trackTop() const {
  // Room for the label above the knob when the control is tall enough for it.
  return height() >= 22 ? kLabelPixels + 2 : 0;
}

void ValueSlider::paintEvent(QPaintEvent*) {
  // Drawn into an image first so that dragging never flickers.
  QImage buffer(size() * devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
  buffer.setDevicePixelRatio(devicePixelRatioF());
  buffer.fill(Qt::transparent);
  {
    QPainter p(&buffer);
    p.setRenderHint(QPainter::Antialiasing);
    if (listMode_)
      paintList(p);
    else
      paintTrack(p);
  }
  QPainter(this).drawImage(0, 0, buffer);
}

void ValueSlider::paintTrack(QPainter& p) {
  const bool enabled = isEnabled();
  const int w = width();
  const int top = trackTop();
  const int trackHeight = height() - top;
  const int cy = top + trackHeight / 2;
  const int m = geometry_.margin;
  if (!background_.isNull()) {
    p.drawPixmap(rect(), background_);
    if (!enabled) p.fillRect(rect(), QColor(240, 240, 240, 150));
  } else {
    const QColor groove = enabled ? QColor(150, 150, 150) : QColor(200, 200, 200);
    p.setPen(QPen(enabled ? QColor(110, 110, 110) : QColor(190, 190, 190), 1));
    p.setBrush(enabled ? QColor(220, 220, 220) : QColor(236, 236, 236));
    p.drawRoundedRect(QRectF(m - 2, cy - 2, w - 2 * m + 4, 4), 2, 2);
    p.setPen(QPen(groove, 1));
    const int tickTop = cy + 5, tickBottom = std::min(height() - 1, cy + 8);
    const int ticks = noTicks_ ? 1 : 4;
    for (int i = 0; i <= ticks; ++i) {
      const int x = m + (w - 2 * m - 1) * i / ticks;
      p.drawLine(x, tickTop, x, tickBottom);
    }
  }
  // The knob: a shaded disc.
  const int kx = knobX();
  QRadialGradient shade(QPointF(kx - 2, cy - 2), kKnobRadius + 2);
  if (enabled) {
    shade.setColorAt(0, QColor(255, 255, 255));
    shade.setColorAt(0.6, QColor(120, 150, 200));
    shade.setColorAt(1, QColor(40, 70, 130));
  } else {
    shade.setColorAt(0, QColor(250, 250, 250));
    shade.setColorAt(1, QColor(170, 170, 170));
  }
  p.setPen(QPen(enabled ? QColor(30, 50, 90) : QColor(160, 160, 160), 1));
  p.setBrush(shade);
  p.drawEllipse(QPointF(kx, cy), kKnobRadius, kKnobRadius);

  if (showValue_ && (dragging_ || showValueAlways_) && top > 0) {
    p.setFont(LabelFont());
    p.setPen(enabled ? Qt::black : QColor(150, 150, 150));
    const QString text = labelText();
    const int tw = p.fontMetrics().horizontalAdvance(text);
    const int x = std::clamp(kx - tw / 2, 0, std::max(0, w - tw));
    p.drawText(QRect(x, 0, tw + 1, top), Qt::AlignCenter, text);
  }
}

void ValueSlider::paintList(QPainter& p) {
  const int h = height(), w = width();
  const bool enabled = isEnabled();
  const QColor arrow = enabled ? Qt::black : QColor(160, 160, 160);
  for (int side : {-1, 1}) {
    const QRect box = side < 0 ? QRect(0, 0, h, h) : QRect(w - h, 0, h, h);
    p.setPen(QColor(120, 120, 120));
    p.setBrush(pressedArrow_ == side ? QColor(200, 200, 200) : QColor(235, 235, 235));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    QPainterPath tri;
    const QPointF c = box.center();
    const double s = h / 5.0;
    tri.moveTo(c.x() - side * s, c.y() - s);
    tri.lineTo(c.x() + side * s, c.y());
    tri.lineTo(c.x() - side * s, c.y() + s);
    tri.closeSubpath();
    p.fillPath(tri, arrow);
  }
  const int i = position_ - geometry_.minimum;
  const QRect middle(h, 0, w - 2 * h, h);
  QColor fill(211, 211, 211);
  if (i >= 0 && i < itemColours_.size() && itemColours_[i].isValid()) fill = itemColours_[i];
  p.setPen(QColor(120, 120, 120));
  p.setBrush(fill);
  p.drawRect(middle.adjusted(0, 0, -1, -1));
  if (i >= 0 && i < itemTexts_.size()) {
    p.setPen(arrow);
    p.drawText(middle, Qt::AlignCenter, itemTexts_[i]);
  }
}

void ValueSlider::mousePressEvent(QMouseEvent* event) {
  if (!isEnabled()) return;
  const int x = static_cast<int>(event->position().x());
  if (event->button() == Qt::RightButton && !listMode_) {
    openTypedField();
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  if (listMode_) {
    const int h = height();
    pressedArrow_ = x < h ? -1 : (x >= width() - h ? 1 : 0);
    if (pressedArrow_ != 0) {
      // No wrapping here; the owner hears of it when the button is released.
      position_ = geometry_.Clamp(position_ + pressedArrow_);
    }
    update();
    return;
  }
  setFocus(Qt::MouseFocusReason);
  dragging_ = true;
  movedInDrag_ = false;
  const int p = geometry_.PositionAt(x, width());
  if (p != position_) {
    position_ = p;
    movedInDrag_ = true;
    post(kThumbTrack);
  }
  update();
}

void ValueSlider::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const int p = geometry_.PositionAt(static_cast<int>(event->position().x()), width());
  if (p != position_) {
    position_ = p;
    movedInDrag_ = true;
    post(kThumbTrack);
    update();
  }
}

void ValueSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (listMode_) {
    if (pressedArrow_ != 0) post(kEndScroll);
    pressedArrow_ = 0;
    update();
    return;
  }
  if (!dragging_) return;
  dragging_ = false;
  const int p = geometry_.PositionAt(static_cast<int>(event->position().x()), width());
  if (p != position_) {
    position_ = p;
    movedInDrag_ = true;
    post(kThumbTrack);
  }
  if (movedInDrag_) post(kEndScroll);
  update();
}

void ValueSlider::keyPressEvent(QKeyEvent* event) {
  int delta = 0, code = -1;
  switch (event->key()) {
    case Qt::Key_PageUp: delta = -pageStep_; code = kPageLeft; break;
    case Qt::Key_PageDown: delta = pageStep_; code = kPageRight; break;
    case Qt::Key_Left:
    case Qt::Key_Up: delta = -lineStep_; code = kLineLeft; break;
    case Qt::Key_Right:
    case Qt::Key_Down: delta = lineStep_; code = kLineRight; break;
    case Qt::Key_Home:
    case Qt::Key_End: event->accept(); return;
    default: QWidget::keyPressEvent(event); return;
  }
  position_ = geometry_.Wrap(position_, delta);
  post(code);
  update();
}

void ValueSlider::keyReleaseEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
      if (!event->isAutoRepeat()) post(kEndScroll);
      return;
    default: QWidget::keyReleaseEvent(event);
  }
}

void ValueSlider::wheelEvent(QWheelEvent* event) {
  // A turn of the wheel is a line step, towards the top of the range when turned away from the
  // user; unlike the keys it stops at the ends.
  if (!isEnabled() || listMode_ || edit_ != nullptr) {
    event->ignore();
    return;
  }
  wheelAngle_ += event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
  const int notches = wheelAngle_ / kWheelNotch;
  if (notches == 0) {
    event->accept();
    return;
  }
  wheelAngle_ -= notches * kWheelNotch;
  const int moved = geometry_.Clamp(position_ + notches * lineStep_);
  event->accept();
  if (moved == position_) return;
  position_ = moved;
  post(notches > 0 ? kLineRight : kLineLeft);
  post(kEndScroll);
  update();
}

void ValueSlider::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange && !isEnabled()) {
    dragging_ = false;
    closeTypedField(false);
  }
  QWidget::changeEvent(event);
}

void ValueSlider::openTypedField() {
  if (edit_ != nullptr) return;
  positionAtOpen_ = position_;
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("typedValue"));
  edit_->setFont(LabelFont());
  edit_->setAlignment(Qt::AlignCenter);
  edit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit_));
  edit_->setContextMenuPolicy(Qt::NoContextMenu);
  edit_->setGeometry(rect());
  edit_->setText(QString::number(position_));
  edit_->selectAll();
  edit_->installEventFilter(this);
  connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
    const std::string limited = LimitTypedSliderText(text.toStdString(), geometry_.maximum);
    if (limited != text.toStdString()) edit_->setText(QString::fromStdString(limited));
  });
  edit_->show();
  edit_->setFocus(Qt::MouseFocusReason);
}

void ValueSlider::closeTypedField(bool commit) {
  if (edit_ == nullptr || closing_) return;
  closing_ = true;
  const std::string text = edit_->text().toStdString();
  QLineEdit* edit = edit_;
  edit_ = nullptr;
  edit->removeEventFilter(this);
  edit->hide();
  edit->deleteLater();
  closing_ = false;
  if (commit) {
    const int typed = TypedSliderPosition(text, geometry_.minimum, geometry_.maximum);
    if (typed != positionAtOpen_) {
      position_ = typed;
      post(kEndScroll);
    }
  }
  update();
}

bool ValueSlider::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_) {
    switch (event->type()) {
      case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
          closeTypedField(false);
          return true;
        }
        // Enter commits the value and nothing else: it must not go on to the pane, which
        // would hand it to the view (leaving Full/Crop with a crop).
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
          closeTypedField(true);
          return true;
        }
        break;
      }
      case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
          closeTypedField(true);
          return true;
        }
        break;
      case QEvent::FocusOut: closeTypedField(true); break;
      default: break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace orvane
