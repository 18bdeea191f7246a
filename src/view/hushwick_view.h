// CHushwickView: the one view of the document. Shows Detail (source above at 1:1, result below),
// Full/Crop, Curves or Histogram; scrolls and drags; starts the region run through timer id 1 a
// moment after the user stops; takes dropped files and pasted pictures.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QTimer>
#include <functional>
#include <string>

#include "base/rect.h"
#include "app/view_rules.h"

namespace orvane {

class CHushwickDoc;

class CHushwickView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit CHushwickView(CHushwickDoc& doc, QWidget* parent = nullptr);

  // What the view asks of the main window: the File Properties pane redraws its frame, and a
  // dropped file is opened as by File > Open (true when it loaded).
  std::function<void()> onVisibleRegionChanged;
  std::function<bool(const std::string&)> openDroppedFile;

  void UpdateScrollBars();
  void PublishVisibleRegion();
  void RunRegionPreview();
  void ScrollToFraction(double fx, double fy);
  // Timer id 1: (re)started with the given delay.
  void setPreviewTimer(int milliseconds);
  bool previewTimerActive() const { return previewTimer_.isActive(); }
  int previewTimerDelay() const { return previewTimer_.interval(); }

  void toggleGrid();
  bool showGrid() const { return showGrid_; }
  // Edit > Paste: a bitmap from the clipboard becomes the document "Untitled".
  void paste();
  static bool clipboardHasImage();

  // Esc and Enter; true when consumed (always for these two keys).
  bool handleKey(int key);

  int scrollX() const { return scrollX_; }
  int scrollY() const { return scrollY_; }
  bool dragging() const { return dragging_; }
  // How many region runs the view has started (a figure for tests and the benchmark).
  int regionRuns() const { return regionRuns_; }
  // The source rectangle shown in the upper half, as last published (File Properties reads it).
  Rect visibleRegion() const { return visibleRegion_; }

  // Draws the current display into an image of the client size, as the window shows it.
  QImage render();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void paintInto(QImage& target);
  void paintDetail(QPainter& p, int w, int h);
  void paintFullCrop(QPainter& p, QImage& target, int w, int h);
  void paintCurves(QPainter& p, int w, int h);
  void paintHistogram(QImage& target, int w, int h);
  void paintPlotFrame(QPainter& p, int w, int h, bool blackBorder);
  void paintLabelBar(QPainter& p, int w, const QString& text, int tab);
  void onScrollAction(Qt::Orientation orientation, int action);
  void updateCursor();
  void moveDrag(int dx, int dy);
  // A press or drag on the Curves display: the document's curves take the point.
  void editCurve(QPoint pos, bool shift);
  const QImage& scaledPicture(int width, int height);

  CHushwickDoc& doc_;
  int scrollX_ = 0;
  int scrollY_ = 0;
  bool dragging_ = false;
  bool scrollBarHeld_ = false;  // a mouse button is down on a scroll bar
  QPoint lastMouse_;
  bool showGrid_ = false;
  bool initialUpdateDone_ = false;
  int regionRuns_ = 0;
  Rect visibleRegion_;
  QTimer previewTimer_;
  QImage backBuffer_;
  // The whole Full/Crop picture at the crop's scale, remade only when that size or the bitmap
  // changes.
  QImage scaledPicture_;
  bool scaledValid_ = false;
};

}  // namespace orvane
