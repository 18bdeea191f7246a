#include "view/hushwick_view.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <span>
#include <vector>

#include "imagefile/codec/picture.h"
#include "app/document.h"
#include "view/view_colours.h"

namespace orvane {
namespace {

const QColor kBackground(128, 128, 128);
const QColor kDark(64, 64, 64);
const QColor kPlotFrame(200, 200, 200);
const QColor kSeparator(192, 192, 192);
const QColor kEdgesLabel(255, 192, 192);
const QColor kNoiseLabel(192, 255, 192);
const QColor kBusyBackground(255, 255, 224);

// A rectangle's 3-D edge: white at the top and left, dark at the bottom and right.
void Edge3d(QPainter& p, const QRect& r) {
  p.setPen(Qt::white);
  p.drawLine(r.left(), r.top(), r.right(), r.top());
  p.drawLine(r.left(), r.top(), r.left(), r.bottom());
  p.setPen(kDark);
  p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

QFont LabelFont() {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(13);
  return font;
}

// A picture of 24-bit rows seen as a QImage without copying.
QImage RgbView(const uint8_t* pixels, int stride, int width, int height) {
  return QImage(pixels, width, height, stride, QImage::Format_RGB888);
}

}  // namespace

CHushwickView::CHushwickView(CHushwickDoc& doc, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc) {
  setObjectName(QStringLiteral("HushwickView"));
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAttribute(Qt::WA_NoSystemBackground);
  viewport()->setMouseTracking(false);
  setFocusPolicy(Qt::StrongFocus);
  setFrameShape(QFrame::NoFrame);
  previewTimer_.setSingleShot(true);
  connect(&previewTimer_, &QTimer::timeout, this, [this] {
    // A scroll bar still held (its thumb or an arrow): the run waits for the release.
    if (doc_.viewTab() == ViewTab::kPicture && !scrollBarHeld_) RunRegionPreview();
  });
  horizontalScrollBar()->setSingleStep(kScrollLine);
  horizontalScrollBar()->setPageStep(kScrollPage);
  verticalScrollBar()->setSingleStep(kScrollLine);
  verticalScrollBar()->setPageStep(kScrollPage);
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int action) { onScrollAction(Qt::Horizontal, action); });
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int action) { onScrollAction(Qt::Vertical, action); });
  horizontalScrollBar()->installEventFilter(this);
  verticalScrollBar()->installEventFilter(this);
  updateCursor();
}

void CHushwickView::setPreviewTimer(int milliseconds) { previewTimer_.start(milliseconds); }

bool CHushwickView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == horizontalScrollBar() || watched == verticalScrollBar()) {
    if (event->type() == QEvent::MouseButtonPress) {
      scrollBarHeld_ = true;
    } else if (event->type() == QEvent::MouseButtonRelease && scrollBarHeld_) {
      scrollBarHeld_ = false;
      // The interaction ends here: the region run follows it.
      setPreviewTimer(kPreviewDelayScrolled);
    }
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

void CHushwickView::UpdateScrollBars() {
  // The Full/Crop bitmap may have been rebuilt: scale it afresh on the next paint.
  scaledValid_ = false;
  QScrollBar* h = horizontalScrollBar();
  QScrollBar* v = verticalScrollBar();
  if (doc_.fullCropMode || doc_.viewTab() != ViewTab::kPicture) {
    h->setRange(0, 0);
    v->setRange(0, 0);
    return;
  }
  if (doc_.sourceImage.IsEmpty()) return;
  const QSize client = viewport()->size();
  const ScrollRange range = DetailScrollRange(doc_.sourceImage.Width(), doc_.sourceImage.Height(),
                                              client.width(), client.height());
  scrollX_ = ClampScroll(scrollX_, range.x);
  scrollY_ = ClampScroll(scrollY_, range.y);
  h->setRange(0, range.x);
  v->setRange(0, range.y);
  h->setValue(scrollX_);
  v->setValue(scrollY_);
}

void CHushwickView::PublishVisibleRegion() {
  if (!onVisibleRegionChanged || doc_.sourceImage.IsEmpty()) return;
  const QSize client = viewport()->size();
  visibleRegion_ = DetailVisibleRegion(scrollX_, scrollY_, client.width(), client.height());
  onVisibleRegionChanged();
}

void CHushwickView::RunRegionPreview() {
  if (doc_.sourceImage.IsEmpty()) return;
  const QSize client = viewport()->size();
  const Rect r = DetailVisibleRegion(scrollX_, scrollY_, client.width(), client.height());
  doc_.setRegion(r.left, r.top, r.right, r.bottom);
  ++regionRuns_;
  doc_.runNoiseReduction(true);
}

void CHushwickView::ScrollToFraction(double fx, double fy) {
  if (doc_.sourceImage.IsEmpty()) return;
  scrollX_ = static_cast<int>(doc_.sourceImage.Width() * fx);
  scrollY_ = static_cast<int>(doc_.sourceImage.Height() * fy);
  UpdateScrollBars();
  PublishVisibleRegion();
  viewport()->update();
}

void CHushwickView::toggleGrid() {
  showGrid_ = !showGrid_;
  viewport()->update();
}

bool CHushwickView::clipboardHasImage() {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (mime == nullptr) return false;
  return mime->hasImage() || mime->hasFormat(QStringLiteral("image/bmp"));
}

void CHushwickView::paste() {
  if (doc_.busy) return;
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (mime == nullptr) return;
  int rc = -1;
  // A bitmap in the clipboard's own form goes through our converter, which knows every depth.
  // One it refuses (damaged, or claiming more than its bytes hold) is not handed to Qt's
  // reader of the same bytes, which would make a black picture of it.
  bool judged = false;
  if (mime->hasFormat(QStringLiteral("image/bmp"))) {
    const QByteArray data = mime->data(QStringLiteral("image/bmp"));
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
    rc = doc_.pasteBitmap(std::span<const uint8_t>(bytes, static_cast<size_t>(data.size())));
    judged = rc != kUnsupportedFile;
  }
  if (rc != kOk && !judged && mime->hasImage()) {
    const QImage image =
        qvariant_cast<QImage>(mime->imageData()).convertToFormat(QImage::Format_RGB888);
    // A picture from another program's format has the limits a file of its size has.
    qsizetype offered = 0;
    for (const QString& format : mime->formats())
      if (format.startsWith(QStringLiteral("image/")))
        offered = std::max(offered, mime->data(format).size());
    const int w = image.width(), h = image.height();
    if (!image.isNull() && FileMayHold(int64_t{w} * h, static_cast<uint64_t>(offered))) {
      std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
      for (int y = 0; y < h; ++y)
        std::memcpy(rgb.data() + static_cast<size_t>(y) * w * 3, image.constScanLine(y),
                    static_cast<size_t>(w) * 3);
      rc = doc_.pastePicture(rgb.data(), w, h);
    }
  }
  if (rc == kOk) setPreviewTimer(kPreviewDelayPasted);
}

bool CHushwickView::handleKey(int key) {
  if (key != Qt::Key_Escape && key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  // Leaving Full/Crop mode may crop the picture, which a running preview still reads.
  if (doc_.fullCropMode && doc_.viewTab() == ViewTab::kPicture && !doc_.busy)
    doc_.LeaveCropMode(key == Qt::Key_Escape, true);
  return true;
}

void CHushwickView::keyPressEvent(QKeyEvent* event) {
  if (handleKey(event->key())) {
    event->accept();
    return;
  }
  event->ignore();
}

void CHushwickView::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  if (initialUpdateDone_) return;
  initialUpdateDone_ = true;
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  UpdateScrollBars();
  setPreviewTimer(kPreviewDelayShown);
}

bool CHushwickView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Resize) {
    UpdateScrollBars();
    PublishVisibleRegion();
    setPreviewTimer(kPreviewDelayResized);
  }
  return QAbstractScrollArea::viewportEvent(event);
}

void CHushwickView::scrollContentsBy(int, int) {
  // Positions are taken in onScrollAction; painting reads scrollX_ and scrollY_.
}

void CHushwickView::onScrollAction(Qt::Orientation orientation, int action) {
  QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
  int& position = orientation == Qt::Horizontal ? scrollX_ : scrollY_;
  if (doc_.busy) {
    bar->setSliderPosition(position);
    return;
  }
  ScrollAction step;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: step = ScrollAction::kLineUp; break;
    case QAbstractSlider::SliderSingleStepAdd: step = ScrollAction::kLineDown; break;
    case QAbstractSlider::SliderPageStepSub: step = ScrollAction::kPageUp; break;
    case QAbstractSlider::SliderPageStepAdd: step = ScrollAction::kPageDown; break;
    case QAbstractSlider::SliderMove: step = ScrollAction::kThumb; break;
    case QAbstractSlider::SliderToMinimum: step = ScrollAction::kThumb; break;
    case QAbstractSlider::SliderToMaximum: step = ScrollAction::kThumb; break;
    default: return;
  }
  position = ScrollBarStep(position, step, bar->sliderPosition(), bar->maximum());
  bar->setSliderPosition(position);
  doc_.resetResult();
  viewport()->update();
  PublishVisibleRegion();
  // Every step restarts the timer, so the run follows the end of the interaction.
  setPreviewTimer(kPreviewDelayScrolled);
}

void CHushwickView::updateCursor() {
  if (doc_.busy) {
    viewport()->setCursor(Qt::WaitCursor);
  } else if (dragging_) {
    viewport()->setCursor(Qt::ClosedHandCursor);
  } else {
    viewport()->setCursor(Qt::ArrowCursor);
  }
}

void CHushwickView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  doc_.beginDrag();
  if (doc_.sourceImage.IsEmpty()) return;
  const QPoint pos = event->position().toPoint();
  if (doc_.viewTab() == ViewTab::kCurves) {
    dragging_ = true;
    lastMouse_ = pos;
    editCurve(pos, event->modifiers() & Qt::ShiftModifier);
  } else if (doc_.viewTab() == ViewTab::kPicture && !doc_.busy) {
    dragging_ = true;
    lastMouse_ = pos;
    updateCursor();
    doc_.resetResult();
    moveDrag(0, 0);
  }
}

void CHushwickView::editCurve(QPoint pos, bool shift) {
  ColourParams colour = doc_.colour();
  CurveEdit(colour, pos.x(), pos.y(), viewport()->width(), viewport()->height(), shift);
  doc_.applyColour(colour);
}

void CHushwickView::moveDrag(int dx, int dy) {
  const QSize client = viewport()->size();
  if (doc_.fullCropMode) {
    doc_.panCrop(dx, dy, client.width(), client.height());
    viewport()->update();
    return;
  }
  DragDetail(dx, dy,
             DetailScrollRange(doc_.sourceImage.Width(), doc_.sourceImage.Height(), client.width(),
                               client.height()),
             scrollX_, scrollY_);
  PublishVisibleRegion();
  viewport()->update();
  UpdateScrollBars();
}

void CHushwickView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const QPoint pos = event->position().toPoint();
  const QPoint d = pos - lastMouse_;
  lastMouse_ = pos;
  if (doc_.viewTab() == ViewTab::kCurves) {
    editCurve(pos, event->modifiers() & Qt::ShiftModifier);
  } else if (doc_.viewTab() == ViewTab::kPicture) {
    moveDrag(d.x(), d.y());
  }
}

void CHushwickView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (dragging_) setPreviewTimer(kPreviewDelayDragged);
  dragging_ = false;
  updateCursor();
}

void CHushwickView::wheelEvent(QWheelEvent* event) {
  event->accept();
  if (!doc_.fullCropMode || doc_.viewTab() != ViewTab::kPicture) return;
  const int delta = event->angleDelta().y();
  const bool middle = event->buttons() & Qt::MiddleButton;
  if (delta == 0 && !middle) return;
  doc_.setEnlarge(WheelEnlarge(doc_.crop().enlarge, delta, middle));
  PublishVisibleRegion();
}

void CHushwickView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CHushwickView::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CHushwickView::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty()) return;
  event->acceptProposedAction();
  const std::string path = urls.first().toLocalFile().toStdString();
  if (!IsDroppableImage(path) || !openDroppedFile) return;
  if (openDroppedFile(path)) setPreviewTimer(kPreviewDelayDropped);
}

// Painting.

void CHushwickView::paintEvent(QPaintEvent*) {
  const QSize client = viewport()->size();
  if (backBuffer_.size() != client) backBuffer_ = QImage(client, QImage::Format_RGB32);
  updateCursor();
  paintInto(backBuffer_);
  QPainter p(viewport());
  p.drawImage(0, 0, backBuffer_);
}

QImage CHushwickView::render() {
  QImage image(viewport()->size(), QImage::Format_RGB32);
  paintInto(image);
  return image;
}

void CHushwickView::paintInto(QImage& target) {
  const int w = target.width(), h = target.height();
  if (w <= 0 || h <= 0) return;
  QPainter p(&target);
  p.fillRect(0, 0, w, h, kBackground);
  if (doc_.sourceImage.IsEmpty()) return;
  if (doc_.viewTab() == ViewTab::kCurves) {
    paintCurves(p, w, h);
  } else if (doc_.viewTab() == ViewTab::kHistogram) {
    paintPlotFrame(p, w, h, true);
    p.end();
    paintHistogram(target, w, h);
    p.begin(&target);
    paintLabelBar(p, w, QStringLiteral("Histogram"), kTabHistogram);
  } else if (doc_.fullCropMode) {
    paintFullCrop(p, target, w, h);
  } else {
    paintDetail(p, w, h);
  }
}

void CHushwickView::paintLabelBar(QPainter& p, int w, const QString& text, int tab) {
  const QRect bar(0, 0, w, 20);
  p.fillRect(bar, ModeTabColour(tab));
  Edge3d(p, bar);
  p.setPen(Qt::black);
  p.setFont(LabelFont());
  p.drawText(bar.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignTop, text);
}

void CHushwickView::paintDetail(QPainter& p, int w, int h) {
  const int half = h / 2;
  const RasterImage& source = doc_.sourceImage;
  const int iw = source.Width(), ih = source.Height();
  const int vw = std::min(w, iw - scrollX_), vh = std::min(half - 2, ih - scrollY_);
  if (source.BitsPerPixel() == 24 && vw > 0 && vh > 0) {
    const size_t offset = (static_cast<size_t>(scrollY_) * iw + scrollX_) * 3;
    p.drawImage(0, 0, RgbView(source.Pixels() + offset, iw * 3, vw, vh));
    const RasterImage& result = doc_.resultImage;
    const QuickPreviewBuffer& quick = doc_.quickPreview;
    if (!quick.IsEmpty()) {
      p.drawImage(0, half + 2, RgbView(quick.pixels.data(), quick.width * 3, quick.width, quick.height));
    } else if (result.BitsPerPixel() == 24 && result.Width() == iw && result.Height() == ih) {
      const int rh = std::min(vh, h - half - 2);
      if (rh > 0) p.drawImage(0, half + 2, RgbView(result.Pixels() + offset, iw * 3, vw, rh));
    }
  }
  const QRect separator(0, half - 2, w, 4);
  p.fillRect(separator, kSeparator);
  Edge3d(p, separator);
  if (doc_.nrSettings().outputWindow == kOutputEdges || doc_.nrSettings().outputWindow == kOutputNoise) {
    const QRect label(0, half, w, 20);
    p.fillRect(label, doc_.nrSettings().outputWindow == kOutputEdges ? kEdgesLabel : kNoiseLabel);
    Edge3d(p, label);
    p.setPen(Qt::black);
    p.setFont(LabelFont());
    p.drawText(label.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignTop,
               doc_.nrSettings().outputWindow == kOutputEdges ? QStringLiteral("Highlited Edges on Output")
                                      : QStringLiteral("Filtered Noise from Output (amplified) "));
  }
  if (doc_.busy) {
    const QString text = QStringLiteral(" Calculating... ");
    p.setFont(LabelFont());
    const QRect lower(0, half, w, h - half);
    QRect box = QFontMetrics(p.font()).boundingRect(text);
    box.moveCenter(lower.center());
    p.fillRect(box, kBusyBackground);
    p.setPen(Qt::black);
    p.drawText(box, Qt::AlignCenter, text);
  }
}

const QImage& CHushwickView::scaledPicture(int width, int height) {
  if (scaledValid_ && scaledPicture_.size() == QSize(width, height)) return scaledPicture_;
  const RasterImage& bitmap = doc_.fullCropBitmap;
  const int bw = bitmap.Width(), bh = bitmap.Height();
  scaledPicture_ = QImage();
  scaledValid_ = true;
  if (bitmap.IsEmpty() || bitmap.BitsPerPixel() != 32 || width <= 0 || height <= 0) return scaledPicture_;
  // Plain colour-on-colour stretching: each screen pixel takes the bitmap pixel under its
  // centre. The bitmap is bottom-up, so picture row y is bitmap row (height - 1 - y).
  scaledPicture_ = QImage(width, height, QImage::Format_RGB32);
  std::vector<int> column(static_cast<size_t>(width));
  for (int x = 0; x < width; ++x)
    column[x] = static_cast<int>((2 * static_cast<int64_t>(x) + 1) * bw / (2 * static_cast<int64_t>(width)));
  const auto* pixels = reinterpret_cast<const uint32_t*>(bitmap.Pixels());
  for (int y = 0; y < height; ++y) {
    const int sy = static_cast<int>((2 * static_cast<int64_t>(y) + 1) * bh / (2 * static_cast<int64_t>(height)));
    const uint32_t* in = pixels + static_cast<size_t>(bh - 1 - sy) * bw;
    auto* out = reinterpret_cast<uint32_t*>(scaledPicture_.scanLine(y));
    // The fourth byte is not part of the picture.
    for (int x = 0; x < width; ++x) out[x] = in[column[x]] | 0xff000000u;
  }
  return scaledPicture_;
}

void CHushwickView::paintFullCrop(QPainter& p, QImage&, int w, int h) {
  const Rect crop = doc_.CropRect();
  const CropFit fit = FitCrop(crop.width(), crop.height(), w, h);
  if (fit.showsFrame()) {
    const QRect frame(fit.x0 - 8, fit.y0 - 8, fit.n + 16, fit.q + 16);
    p.fillRect(frame.translated(5, 5), kDark);
    p.fillRect(frame, Qt::white);
  }
  if (fit.showsPicture()) {
    // The whole picture at the crop's scale, made once per size: panning only picks another
    // part of it.
    const RasterImage& bitmap = doc_.fullCropBitmap;
    const double sx = static_cast<double>(fit.n) / crop.width();
    const double sy = static_cast<double>(fit.q) / crop.height();
    const QImage& picture = scaledPicture(static_cast<int>(bitmap.Width() * sx + 0.5),
                                          static_cast<int>(bitmap.Height() * sy + 0.5));
    if (!picture.isNull()) {
      const int left = std::min(static_cast<int>(crop.left * sx + 0.5), picture.width() - fit.n);
      const int top = std::min(static_cast<int>(crop.top * sy + 0.5), picture.height() - fit.q);
      p.drawImage(QPoint(fit.x0, fit.y0), picture, QRect(std::max(left, 0), std::max(top, 0), fit.n, fit.q));
    }
    if (showGrid_) {
      const GridLines g = ThirdsGrid(fit);
      p.save();
      p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      p.setPen(QColor(255, 255, 255));
      p.drawLine(g.x1, fit.y0, g.x1, fit.y0 + fit.q - 1);
      p.drawLine(g.x2, fit.y0, g.x2, fit.y0 + fit.q - 1);
      p.drawLine(fit.x0, g.y1, fit.x0 + fit.n - 1, g.y1);
      p.drawLine(fit.x0, g.y2, fit.x0 + fit.n - 1, g.y2);
      p.restore();
    }
  }
  paintLabelBar(p, w, QStringLiteral("Full/Crop Mode"), kTabFullCrop);
}

void CHushwickView::paintPlotFrame(QPainter& p, int w, int h, bool blackBorder) {
  const PlotOrigin o = PlotSquare(w, h);
  const QRect square(o.x0, o.y0, 255, 255);
  const QRect grown = square.adjusted(-5, -5, 5, 5);
  p.fillRect(grown.translated(5, 5), kDark);
  p.fillRect(grown, kPlotFrame);
  if (blackBorder) {
    p.fillRect(square.adjusted(-1, -1, 1, 1), Qt::black);
    p.fillRect(square, Qt::white);
  } else {
    p.fillRect(square.adjusted(-1, -1, 1, 1), Qt::white);
  }
}

void CHushwickView::paintCurves(QPainter& p, int w, int h) {
  paintPlotFrame(p, w, h, false);
  const PlotOrigin o = PlotSquare(w, h);
  const CurveHeights curves = ComputeCurveHeights(doc_.colour());
  const int* heights[3] = {curves.red, curves.green, curves.blue};
  const QColor pens[3] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)};
  for (int k = 0; k < 3; ++k) {
    p.setPen(pens[k]);
    QPoint last(o.x0, o.y0 + 255);
    for (int i = 0; i < 256; ++i) {
      const QPoint next(o.x0 + i, o.y0 + 255 - heights[k][i]);
      p.drawLine(last, next);
      last = next;
    }
  }
  paintLabelBar(p, w, QStringLiteral("Curves"), kTabCurves);
}

void CHushwickView::paintHistogram(QImage& target, int w, int h) {
  const PlotOrigin o = PlotSquare(w, h);
  const HistogramBars& bars = doc_.histogramBars;
  for (int i = 0; i < 256; ++i) {
    const int x = o.x0 + i;
    if (x < 0 || x >= w) continue;
    auto pixel = [&](int k) -> QRgb* {
      const int y = o.y0 + 255 - k;
      if (y < 0 || y >= h) return nullptr;
      return reinterpret_cast<QRgb*>(target.scanLine(y)) + x;
    };
    for (int k = 0; k < bars.red[i]; ++k)
      if (QRgb* px = pixel(k)) *px = qRgb(255, 64, 64);
    for (int k = 0; k < bars.green[i]; ++k)
      if (QRgb* px = pixel(k))
        *px = qRgb((qRed(*px) + 64) / 2, (qGreen(*px) + 255) / 2, (qBlue(*px) + 64) / 2);
    for (int k = 0; k < bars.blue[i]; ++k)
      if (QRgb* px = pixel(k))
        *px = qRgb((qRed(*px) + 64) / 2, (qGreen(*px) + 64) / 2, (qBlue(*px) + 255) / 2);
  }
}

}  // namespace orvane
