#include "shell/controls/navigator_thumbnail.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

namespace orvane {

QImage ImageOfPicture(const RasterImage& picture) {
  if (picture.IsEmpty() || picture.BitsPerPixel() != 24) return {};
  return QImage(picture.Pixels(), picture.Width(), picture.Height(), picture.Width() * 3,
                QImage::Format_RGB888)
      .copy();
}

NavigatorThumbnail::NavigatorThumbnail(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void NavigatorThumbnail::setPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void NavigatorThumbnail::setFrame(const Rect& frame) {
  frame_ = frame;
  update();
}

QPoint NavigatorThumbnail::pictureOrigin() const {
  return {(width() - picture_.width()) / 2, (height() - picture_.height()) / 2};
}

void NavigatorThumbnail::paintEvent(QPaintEvent*) {
  // Painted whole every time (Qt double-buffers the widget), so no separate erase.
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  if (picture_.isNull()) return;
  const QPoint o = pictureOrigin();
  p.drawImage(o, picture_);
  const QRect area(o, picture_.size());
  const QRect frame = QRect(QPoint(frame_.left, frame_.top), QPoint(frame_.right - 1, frame_.bottom - 1))
                          .translated(o)
                          .intersected(area);
  if (frame.isEmpty()) return;
  p.setPen(QColor(255, 0, 0));
  p.setBrush(Qt::NoBrush);
  p.drawRect(frame.adjusted(0, 0, -1, -1));
  if (frame.width() > 2 && frame.height() > 2) p.drawRect(frame.adjusted(1, 1, -2, -2));
}

void NavigatorThumbnail::mousePressEvent(QMouseEvent* event) {
  if (!interactive_ || event->button() != Qt::LeftButton) return;
  if (canPress && !canPress()) return;
  pressed_ = true;
  halfWidth_ = (frame_.right - frame_.left) / 2;
  halfHeight_ = (frame_.bottom - frame_.top) / 2;
  if (onPress) onPress();
  moveTo(event->position().toPoint());
}

void NavigatorThumbnail::mouseMoveEvent(QMouseEvent* event) {
  if (pressed_) moveTo(event->position().toPoint());
}

void NavigatorThumbnail::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  if (onRelease) onRelease();
}

void NavigatorThumbnail::moveTo(QPoint at) {
  const QPoint o = pictureOrigin();
  const Fraction f = ThumbnailFraction(at.x(), at.y(), halfWidth_, halfHeight_, o.x(), o.y(),
                                       ThumbSize{picture_.width(), picture_.height()});
  if (onMove) onMove(f);
}

void NavigatorThumbnail::dragEnterEvent(QDragEnterEvent* event) {
  if (onFilesDropped && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void NavigatorThumbnail::dropEvent(QDropEvent* event) {
  if (!onFilesDropped) return;
  QStringList files;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  if (files.isEmpty()) return;
  event->acceptProposedAction();
  onFilesDropped(files);
}

}  // namespace orvane
