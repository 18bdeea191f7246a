// NavigatorThumbnail: a picture on black with a red two-pixel frame. In the File Properties
// pane the frame can be moved with the mouse; in the Color Match pane it only shows the
// reference picture and takes dropped files.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "app/file_properties_pane.h"

namespace orvane {

// A copy of a 24-bit picture as a QImage (null for an empty or other-depth picture).
QImage ImageOfPicture(const RasterImage& picture);

class NavigatorThumbnail : public QWidget {
  Q_OBJECT
 public:
  explicit NavigatorThumbnail(QWidget* parent = nullptr);

  void setPicture(const QImage& picture);
  const QImage& picture() const { return picture_; }
  void setFrame(const Rect& frame);
  const Rect& frame() const { return frame_; }
  void setInteractive(bool on) { interactive_ = on; }
  bool pressed() const { return pressed_; }
  // Where the picture's top-left corner is drawn.
  QPoint pictureOrigin() const;

  // Interactive use: may a press start (a document, not busy); the press itself; the fraction
  // the mouse asks for while it moves; the release.
  std::function<bool()> canPress;
  std::function<void()> onPress;
  std::function<void(Fraction)> onMove;
  std::function<void()> onRelease;
  // Dropped files (when set, the control accepts drops).
  std::function<void(const QStringList&)> onFilesDropped;
  void acceptFileDrops(bool on) { setAcceptDrops(on); }

  QSize sizeHint() const override { return {174, 115}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void moveTo(QPoint at);

  QImage picture_;
  Rect frame_;
  bool interactive_ = false;
  bool pressed_ = false;
  int halfWidth_ = 0;
  int halfHeight_ = 0;
};

}  // namespace orvane
