// The view in a real X window: scrolling, dragging, the region timer, keys, drops, paste, the
// four displays.
#include <QBuffer>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QUrl>

#include "app/command_table.h"
#include "hostile_fixtures.h"
#include "app/view_rules.h"
#include "shell/window_harness.h"
#include "view/mode_tab_strip.h"

using namespace orvane;
using namespace orvane::test;

class ViewTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string photo_;
  std::unique_ptr<WindowHarness> w_;

  // Lets the start-up timer and its run finish.
  void settle() {
    QTRY_VERIFY_WITH_TIMEOUT(!w_->view()->previewTimerActive() && !w_->doc().busy, 10000);
  }
  void clickTab(int tab) {
    ModeTabStrip* strip = w_->frame()->tabStrip();
    const QPoint at = strip->tabRect(tab).center();
    QTest::mousePress(strip, Qt::LeftButton, {}, at);
    QTest::mouseRelease(strip, Qt::LeftButton, {}, at);
  }
  QSize client() { return w_->view()->viewport()->size(); }

 private slots:
  void init() {
    photo_ = WritePhoto(dir_.filePath("photo.png"), 3000, 2000);
    QVERIFY(!photo_.empty());
    w_ = std::make_unique<WindowHarness>(dir_.path(), QStringList{"orvane-nr", QString::fromStdString(photo_)});
    QVERIFY(w_->exposed);
    settle();
  }
  void cleanup() { w_.reset(); }

  void scrollRangesAndVisibleRegion() {
    CHushwickView* v = w_->view();
    const QSize c = client();
    QCOMPARE(v->horizontalScrollBar()->maximum(), 3000 - c.width());
    QCOMPARE(v->verticalScrollBar()->maximum(), 2000 - c.height() / 2);
    v->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(v->scrollY(), 5);
    v->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(v->scrollY(), 25);
    v->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(v->scrollX(), 0);
    QCOMPARE(v->previewTimerDelay(), kPreviewDelayScrolled);
    v->PublishVisibleRegion();
    QCOMPARE(v->visibleRegion(), (Rect{0, 25, c.width(), 25 + c.height() / 2 - 2}));
    // While a run is busy the bars do nothing.
    w_->doc().busy = 1;
    v->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    w_->doc().busy = 0;
    QCOMPARE(v->scrollY(), 25);
    // Curves hides the bars; Detail brings them back with the old position.
    clickTab(kTabCurves);
    QVERIFY(w_->doc().viewTab() == ViewTab::kCurves);
    QCOMPARE(v->verticalScrollBar()->maximum(), 0);
    clickTab(kTabDetail);
    QCOMPARE(v->verticalScrollBar()->maximum(), 2000 - c.height() / 2);
    QCOMPARE(v->scrollY(), 25);
  }

  void oneRegionRunAfterABurst() {
    CHushwickView* v = w_->view();
    const int before = v->regionRuns();
    for (int i = 0; i < 8; ++i) {
      v->setPreviewTimer(kPreviewDelayScrolled);
      QTest::qWait(25);
    }
    QCOMPARE(v->regionRuns(), before);
    QTRY_COMPARE_WITH_TIMEOUT(v->regionRuns(), before + 1, 5000);
    QTest::qWait(400);
    QCOMPARE(v->regionRuns(), before + 1);
    QVERIFY(w_->doc().resultValid);
  }

  // An arrow of the scroll bar held down repeats its step; the run waits for the release.
  void heldScrollBarRunsOnlyAfterTheRelease() {
    CHushwickView* v = w_->view();
    QScrollBar* bar = v->verticalScrollBar();
    const int before = v->regionRuns();
    const QPoint arrow(bar->width() / 2, bar->height() - 3);
    QTest::mousePress(bar, Qt::LeftButton, {}, arrow);
    QTest::qWait(kPreviewDelayScrolled + 700);
    QVERIFY(v->scrollY() > 0);
    QCOMPARE(v->regionRuns(), before);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, arrow);
    QTRY_COMPARE_WITH_TIMEOUT(v->regionRuns(), before + 1, 5000);
  }

  void dragStopsAtTheEdgesAndRunsOnceAfter() {
    CHushwickView* v = w_->view();
    QWidget* vp = v->viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(500, 200));
    QVERIFY(v->dragging());
    QTest::mouseMove(vp, QPoint(400, 150));
    QCOMPARE(v->scrollX(), 100);
    QCOMPARE(v->scrollY(), 50);
    QTest::mouseMove(vp, QPoint(5000, 5000));
    QCOMPARE(v->scrollX(), 0);
    QCOMPARE(v->scrollY(), 0);
    QTest::mouseMove(vp, QPoint(-9000, -9000));
    const QSize c = client();
    QCOMPARE(v->scrollX(), 3000 - c.width());
    QCOMPARE(v->scrollY(), 2000 - c.height() / 2);
    const int before = v->regionRuns();
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(-9000, -9000));
    QVERIFY(!v->dragging());
    QVERIFY(v->previewTimerActive());
    QCOMPARE(v->previewTimerDelay(), kPreviewDelayDragged);
    QTRY_COMPARE_WITH_TIMEOUT(v->regionRuns(), before + 1, 5000);
    QCOMPARE(w_->doc().region.left, 3000 - c.width());
  }

  void escapeAndEnterInEachMode() {
    CHushwickView* v = w_->view();
    auto press = [&](int key) {
      QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(v, &e);
      return e.isAccepted();
    };
    // Detail: consumed, nothing happens.
    QVERIFY(press(Qt::Key_Escape));
    QVERIFY(press(Qt::Key_Return));
    QCOMPARE(w_->doc().sourceImage.Width(), 3000);
    // Full/Crop, enlarged: Esc asks; No keeps the picture and leaves the mode.
    w_->frame()->runCommand(cmd::kFullCropMode);
    QVERIFY(w_->frame()->cropToolbar()->isVisible());
    for (int i = 0; i < 20; ++i) w_->frame()->runCommand(cmd::kZoomIn);
    QCOMPARE(w_->doc().crop().enlarge, 2.0);
    w_->answers = {Answer::No};
    QVERIFY(press(Qt::Key_Escape));
    QCOMPARE(w_->questions, std::vector<std::string>{"Apply Crop to Image?"});
    QCOMPARE(w_->doc().fullCropMode, 0);
    QCOMPARE(w_->doc().sourceImage.Width(), 3000);
    QCOMPARE(w_->frame()->tabStrip()->currentIndex(), int(kTabDetail));
    QVERIFY(!w_->frame()->cropToolbar()->isVisible());
    // Enter applies at once.
    w_->frame()->runCommand(cmd::kFullCropMode);
    for (int i = 0; i < 20; ++i) w_->frame()->runCommand(cmd::kZoomIn);
    QVERIFY(press(Qt::Key_Enter));
    QCOMPARE(w_->questions.size(), size_t(1));
    QCOMPARE(w_->doc().sourceImage.Width(), 1500);
    QCOMPARE(w_->doc().sourceImage.Height(), 1000);
    // Curves: consumed, nothing happens.
    clickTab(kTabCurves);
    QVERIFY(press(Qt::Key_Escape));
    QVERIFY(w_->doc().viewTab() == ViewTab::kCurves);
  }

  void cancelledSwitchKeepsTheTab() {
    w_->frame()->runCommand(cmd::kFullCropMode);
    w_->frame()->runCommand(cmd::kZoomIn);
    w_->answers = {Answer::Cancel};
    clickTab(kTabHistogram);
    QCOMPARE(w_->frame()->tabStrip()->currentIndex(), int(kTabFullCrop));
    QCOMPARE(w_->doc().fullCropMode, 1);
    QVERIFY(w_->doc().viewTab() == ViewTab::kPicture);
    // Ctrl+PgDn from Full/Crop goes to Curves (asking again), Ctrl+PgUp from Curves to Full/Crop.
    w_->answers = {Answer::Yes};
    QTest::keyClick(w_->frame(), Qt::Key_PageDown, Qt::ControlModifier);
    QVERIFY(w_->doc().viewTab() == ViewTab::kCurves);
    QCOMPARE(w_->frame()->tabStrip()->currentIndex(), int(kTabCurves));
    QTest::keyClick(w_->frame(), Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(w_->doc().fullCropMode, 1);
    QCOMPARE(w_->frame()->tabStrip()->currentIndex(), int(kTabFullCrop));
    QTest::keyClick(w_->frame(), Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(w_->frame()->tabStrip()->currentIndex(), int(kTabDetail));
    // A press on one tab and a release on another does nothing.
    ModeTabStrip* strip = w_->frame()->tabStrip();
    QTest::mousePress(strip, Qt::LeftButton, {}, strip->tabRect(kTabCurves).center());
    QTest::mouseRelease(strip, Qt::LeftButton, {}, strip->tabRect(kTabHistogram).center());
    QVERIFY(w_->doc().viewTab() == ViewTab::kPicture);
  }

  void curveEditsKeepTheirLimits() {
    clickTab(kTabCurves);
    const QSize c = client();
    const PlotOrigin o = PlotSquare(c.width(), c.height());
    QWidget* vp = w_->view()->viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(o.x0 + 250, o.y0 + 200));
    QCOMPARE(w_->doc().colour().blackPoint, 100);
    QTest::mouseMove(vp, QPoint(o.x0 + 10, o.y0 + 20));
    QCOMPARE(w_->doc().colour().whitePoint, 155);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(o.x0 + 10, o.y0 + 20));
    QTest::mousePress(vp, Qt::LeftButton, Qt::ShiftModifier, QPoint(o.x0, o.y0 + 20));
    QCOMPARE(w_->doc().colour().exposureEv, 1.28);
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::ShiftModifier, QPoint(o.x0, o.y0 + 20));
    QVERIFY(!w_->doc().busy);  // no run from the Curves display
  }

  void dropFilter() {
    const std::string other = WritePhoto(dir_.filePath("drop.JPG"), 320, 200);
    const std::string refused = WritePhoto(dir_.filePath("drop.jpeg"), 330, 200);
    QVERIFY(!other.empty() && !refused.empty());
    auto drop = [&](const std::string& file) {
      QMimeData mime;
      mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
      // Qt delivers a drop only after an accepted enter.
      QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(w_->view()->viewport(), &enter);
      QDropEvent e(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(w_->view()->viewport(), &e);
    };
    drop(refused);
    QCOMPARE(w_->doc().sourceImage.Width(), 3000);
    drop(other);
    QCOMPARE(w_->doc().sourceImage.Width(), 320);
    QCOMPARE(w_->doc().path, other);
    QCOMPARE(w_->view()->previewTimerDelay(), kPreviewDelayDropped);
    QCOMPARE(w_->frame()->recentFiles().first(), QString::fromStdString(other));
    QCOMPARE(w_->frame()->windowTitle(), QStringLiteral("drop.JPG - Orvane NR"));
  }

  void pasteBitmapAndImage() {
    // A bitmap in the clipboard's own form, through our converter.
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 30));
    picture.setPixelColor(0, 0, QColor(250, 1, 2));
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(picture.save(&buffer, "BMP"));
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/bmp"), bmp);
    QGuiApplication::clipboard()->setMimeData(mime);
    QTRY_VERIFY(CHushwickView::clipboardHasImage());
    w_->frame()->updateCommandStates();
    QVERIFY(w_->frame()->commands()->action(cmd::kPaste)->isEnabled());
    w_->frame()->runCommand(cmd::kPaste);
    QCOMPARE(w_->doc().sourceImage.Width(), 64);
    QCOMPARE(w_->doc().path, std::string("Untitled"));
    const uint8_t* px = w_->doc().sourceImage.Pixels();
    QCOMPARE(int(px[0]), 250);
    QCOMPARE(int(px[3 * 64 * 47 + 1]), 200);
    QCOMPARE(w_->view()->previewTimerDelay(), kPreviewDelayPasted);
    // Any other image.
    QImage other(30, 20, QImage::Format_ARGB32);
    other.fill(QColor(5, 6, 7));
    QGuiApplication::clipboard()->setImage(other);
    QTRY_VERIFY(CHushwickView::clipboardHasImage());
    w_->frame()->runCommand(cmd::kPaste);
    QCOMPARE(w_->doc().sourceImage.Width(), 30);
    QCOMPARE(int(w_->doc().sourceImage.Pixels()[2]), 7);
    // A bitmap our converter refuses (2000 x 2000 whose data is only its end marker) is not
    // made a black picture by Qt's reader either: the document keeps its picture.
    const std::vector<uint8_t> empty = test::BmpRleClaiming(2000, 2000, false, 3000);
    auto* damaged = new QMimeData;
    damaged->setData(QStringLiteral("image/bmp"),
                     QByteArray(reinterpret_cast<const char*>(empty.data()), qsizetype(empty.size())));
    QGuiApplication::clipboard()->setMimeData(damaged);
    QTRY_VERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/bmp")));
    w_->frame()->runCommand(cmd::kPaste);
    QCOMPARE(w_->doc().sourceImage.Width(), 30);
  }

  // Each display drawn as the window shows it, kept as a picture for a look.
  void displays() {
    CHushwickView* v = w_->view();
    const QSize c = client();
    const uint8_t* src = w_->doc().sourceImage.Pixels();
    QImage detail = v->render();
    QVERIFY(detail.save(ArtefactDir() + "/view_detail.png"));
    QCOMPARE(detail.pixelColor(0, 0), QColor(src[0], src[1], src[2]));
    QCOMPARE(detail.pixelColor(7, 3), QColor(src[(3 * 3000 + 7) * 3], src[(3 * 3000 + 7) * 3 + 1],
                                             src[(3 * 3000 + 7) * 3 + 2]));
    QCOMPARE(detail.pixelColor(5, c.height() / 2 - 1), QColor(192, 192, 192));  // separator
    // While a run is busy the lower half says so, on its own background, in the middle.
    w_->doc().busy = 1;
    const QImage busy = v->render();
    w_->doc().busy = 0;
    QVERIFY(busy.save(ArtefactDir() + "/view_detail_busy.png"));
    const int middle = c.height() / 2 + (c.height() - c.height() / 2) / 2;
    int tinted = 0;
    for (int x = c.width() / 2 - 60; x < c.width() / 2 + 60; ++x)
      tinted += busy.pixelColor(x, middle - 7) == QColor(255, 255, 224);
    QVERIFY(tinted > 20);
    QCOMPARE(detail.pixelColor(c.width() / 2, middle - 7) == QColor(255, 255, 224), false);
    // The edges window labels the lower half.
    EditNrSettings(w_->doc(), [&](NrSettings& nr) { nr.outputWindow = kOutputEdges; });
    const QImage edges = v->render();
    EditNrSettings(w_->doc(), [&](NrSettings& nr) { nr.outputWindow = kOutputResult; });
    QCOMPARE(edges.pixelColor(c.width() - 10, c.height() / 2 + 10), QColor(255, 192, 192));

    w_->frame()->runCommand(cmd::kFullCropMode);
    w_->frame()->runCommand(cmd::kGrid);
    QImage full = v->render();
    QVERIFY(full.save(ArtefactDir() + "/view_fullcrop.png"));
    const CropFit fit = FitCrop(3000, 2000, c.width(), c.height());
    QCOMPARE(full.pixelColor(fit.x0 - 4, fit.y0 - 4), QColor(Qt::white));
    QCOMPARE(full.pixelColor(fit.x0 + fit.n + 10, fit.y0 + fit.q + 10), QColor(64, 64, 64));
    QCOMPARE(full.pixelColor(2, 10), QColor(255, 219, 117));  // label bar
    // The grid inverts what lies under it.
    const GridLines g = ThirdsGrid(fit);
    const QColor under = full.pixelColor(g.x1 + 1, fit.y0 + 5);
    w_->frame()->runCommand(cmd::kGrid);
    const QImage plain = v->render();
    const QColor before = plain.pixelColor(g.x1, fit.y0 + 5);
    QCOMPARE(full.pixelColor(g.x1, fit.y0 + 5), QColor(255 - before.red(), 255 - before.green(), 255 - before.blue()));
    QCOMPARE(plain.pixelColor(g.x1 + 1, fit.y0 + 5), under);
    // The top-left of the picture lands at the fit's corner, upright: red 30, green 40 and
    // blue 70 give or take the noise (the bottom-left is green 220).
    const QColor corner = plain.pixelColor(fit.x0, fit.y0);
    QVERIFY(std::abs(corner.red() - 30) <= 16 && std::abs(corner.green() - 40) <= 16 &&
            std::abs(corner.blue() - 70) <= 16);

    w_->answers = {Answer::Yes};
    clickTab(kTabCurves);
    QImage curves = v->render();
    QVERIFY(curves.save(ArtefactDir() + "/view_curves.png"));
    const PlotOrigin o = PlotSquare(c.width(), c.height());
    QCOMPARE(curves.pixelColor(o.x0 + 128, o.y0 + 255 - 128), QColor(0, 0, 255));
    QCOMPARE(curves.pixelColor(o.x0 + 20, o.y0 + 200), QColor(Qt::white));
    QCOMPARE(curves.pixelColor(o.x0 - 3, o.y0 + 100), QColor(200, 200, 200));

    clickTab(kTabHistogram);
    QImage histogram = v->render();
    QVERIFY(histogram.save(ArtefactDir() + "/view_histogram.png"));
    int bars = 0;
    for (int i = 0; i < 256; ++i) {
      const int full = w_->doc().histogramBars.red[i];
      if (full > 2) {
        ++bars;
        QCOMPARE(histogram.pixelColor(o.x0 + i, o.y0 + 255 - full + 1).green() < 255, true);
      }
    }
    QVERIFY(bars > 10);
    QCOMPARE(histogram.pixelColor(o.x0 - 1, o.y0 + 100), QColor(Qt::black));
  }

  void noPictureIsGrey() {
    w_.reset();
    w_ = std::make_unique<WindowHarness>(dir_.path());
    const QImage empty = w_->view()->render();
    QCOMPARE(empty.pixelColor(10, 10), QColor(128, 128, 128));
    QCOMPARE(empty.pixelColor(empty.width() - 1, empty.height() - 1), QColor(128, 128, 128));
    QTest::mousePress(w_->view()->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
    QVERIFY(!w_->view()->dragging());
    QTest::mouseRelease(w_->view()->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
  }
};

QTEST_MAIN(ViewTest)
#include "view_test.moc"
