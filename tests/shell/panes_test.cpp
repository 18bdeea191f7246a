// The four panes and their controls in a real X window: the slider's wrap, typed values and
// drag notifications, the popup button's value, the NR Options limits, one run for a burst of
// clicks and the Auto button, the colour sliders' round trips, the Color Match visibility,
// profile deletion and dropped files, and the File Properties thumbnail, summary and enabling.
// Each pane is kept as a picture in the artefacts folder.
#include <algorithm>
#include <cmath>
#include <random>

#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTabBar>
#include <QStyleOptionComboBox>
#include <QWheelEvent>

#include "app/command_table.h"
#include "app/profile_list.h"
#include "app/save_names.h"
#include "app/view_rules.h"
#include "colour/profile_file.h"
#include "colour/reference_store.h"
#include "pipeline/noise_estimate.h"
#include "shell/controls/navigator_thumbnail.h"
#include "shell/controls/popup_value_button.h"
#include "shell/controls/value_slider.h"
#include "shell/panes/colour_correction_pane.h"
#include "shell/panes/colour_match_pane.h"
#include "shell/panes/file_properties_pane.h"
#include "shell/panes/nr_options_pane.h"
#include "shell/panes/profile_list_box.h"
#include "shell/window_harness.h"
#include "view/mode_tab_strip.h"

using namespace orvane;
using namespace orvane::test;

namespace {

// The codes a slider posted, in order.
QList<int> Codes(const QSignalSpy& spy) {
  QList<int> codes;
  for (const QList<QVariant>& call : spy) codes << call.at(0).toInt();
  return codes;
}

void KeepPicture(QWidget* widget, const QString& name) {
  QVERIFY(widget->grab().save(ArtefactDir() + "/" + name + ".png"));
}

}  // namespace

class PanesTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir data_;

  QString photo(QTemporaryDir& dir, const QString& name = "photo.png", int w = 800, int h = 600) {
    return QString::fromStdString(WritePhoto(dir.filePath(name), w, h));
  }
  static void settle(WindowHarness& w) {
    QTRY_VERIFY_WITH_TIMEOUT(!w.view()->previewTimerActive() && !w.doc().busy, 10000);
  }
  static void showPane(WindowHarness& w, int id) {
    QDockWidget* dock = w.frame()->pane(id);
    dock->show();
    dock->raise();
    QTRY_VERIFY(dock->widget()->isVisible());
  }
  std::filesystem::path userFolder() const {
    return UserDataFolder(qgetenv("XDG_DATA_HOME").constData(), nullptr);
  }

 private slots:
  void initTestCase() {
    // Profiles the panes write go to a folder of the test's own.
    qputenv("XDG_DATA_HOME", data_.path().toUtf8());
  }

  // At the default width every text of the panes shows whole (list entries, their tabs) and the
  // noise slider has a pixel for each position, on a large and on a small screen.
  void panesShowTheirTextsWholeAtTheDefaultWidth() {
    for (const QSize screen : {QSize(1920, 1080), QSize(1366, 768)}) {
      QTemporaryDir dir;
      WindowHarness w(dir.path(), {"orvane-nr", photo(dir)}, screen);
      settle(w);
      for (int id = kPaneNrOptionsId; id <= kPaneColorMatchId; ++id) {
        QWidget* body = w.frame()->pane(id)->widget();
        QCOMPARE(body->sizeHint().width(), kPaneDefaultWidth);
        // The controls squeeze into about the default width.
        QVERIFY2(body->minimumSizeHint().width() <= kPaneDefaultWidth + 30,
                 qPrintable(QStringLiteral("pane %1: %2").arg(id).arg(body->minimumSizeHint().width())));
      }
      for (const int id : {kPaneNrOptionsId, kPaneFilePropertiesId, kPaneColorCorrectionId}) {
        QWidget* body = w.frame()->pane(id)->widget();
        QVERIFY(body->width() >= kPaneDefaultWidth - 10);
        for (QComboBox* list : body->findChildren<QComboBox*>()) {
          QStyleOptionComboBox option;
          option.initFrom(list);
          const int room = list->style()
                               ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list)
                               .width();
          for (int i = 0; i < list->count(); ++i)
            for (const QString& line : list->itemText(i).split('\n'))
              QVERIFY2(list->fontMetrics().horizontalAdvance(line) <= room,
                       qPrintable(QStringLiteral("%1: \"%2\" in %3 px").arg(list->objectName(), line).arg(room)));
        }
      }
      ValueSlider* noise = w.frame()->nrOptionsPane()->findChild<ValueSlider*>(QStringLiteral("noiseSlider"));
      QVERIFY2(noise->width() - 12 >= noise->maximum() - noise->minimum() + 1, qPrintable(QString::number(noise->width())));
      // The tabs of Color Correction and Color Match.
      bool sawTabs = false;
      for (QTabBar* tabs : w.frame()->findChildren<QTabBar*>()) {
        if (!tabs->isVisible()) continue;
        for (int i = 0; i < tabs->count(); ++i) {
          sawTabs = true;
          QVERIFY2(tabs->tabRect(i).width() >= tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)) + 8,
                   qPrintable(tabs->tabText(i)));
        }
      }
      QVERIFY(sawTabs);
    }
  }

  void sliderKeysWrapAndPostTheirCodes() {
    ValueSlider s;
    s.setRange(0, 100);
    s.setSteps(1, 10);
    s.setPosition(3);
    s.resize(214, 26);
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    QSignalSpy spy(&s, &ValueSlider::scrolled);
    QTest::keyClick(&s, Qt::Key_PageUp);
    QCOMPARE(s.position(), 94);
    s.setPosition(100);
    QTest::keyClick(&s, Qt::Key_Right);
    QCOMPARE(s.position(), 0);
    QTest::keyClick(&s, Qt::Key_Home);
    QCOMPARE(s.position(), 0);
    QTRY_COMPARE(spy.size(), 4);
    QCOMPARE(Codes(spy), (QList<int>{kPageLeft, kEndScroll, kLineRight, kEndScroll}));
    // Setting the position from code posts nothing.
    s.setPosition(500);
    QCOMPARE(s.position(), 100);
    QTest::qWait(20);
    QCOMPARE(spy.size(), 4);
  }

  void sliderWheelStepsAndStopsAtTheEnds() {
    ValueSlider s;
    s.setRange(0, 100);
    s.setSteps(2, 10);
    s.setPosition(50);
    s.resize(214, 26);
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    QSignalSpy spy(&s, &ValueSlider::scrolled);
    const auto turn = [&](int angle) {
      QWheelEvent e(QPointF(20, 13), s.mapToGlobal(QPointF(20, 13)), QPoint(), QPoint(0, angle), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(&s, &e);
    };
    turn(120);  // away from the user: up the range
    QCOMPARE(s.position(), 52);
    turn(-240);
    QCOMPARE(s.position(), 48);
    turn(60);  // half a notch (a touchpad): nothing yet, the next half steps
    QCOMPARE(s.position(), 48);
    turn(60);
    QCOMPARE(s.position(), 50);
    s.setPosition(100);
    turn(120);  // no wrap at the end
    QCOMPARE(s.position(), 100);
    QTRY_COMPARE(spy.size(), 6);
    QCOMPARE(Codes(spy), (QList<int>{kLineRight, kEndScroll, kLineLeft, kEndScroll, kLineRight, kEndScroll}));
    s.setEnabled(false);
    turn(-120);
    QCOMPARE(s.position(), 100);
  }

  void sliderDragPostsEndOfScrollOnlyWhenMoved() {
    ValueSlider s;
    s.setRange(0, 100);
    s.resize(214, 26);
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    s.setPosition(50);
    QSignalSpy spy(&s, &ValueSlider::scrolled);
    const int x = s.knobX();
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(x, 18));
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(x, 18));
    QTest::qWait(20);
    QCOMPARE(spy.size(), 0);
    // Press, move away and back: the position changed on the way, so the end is posted once.
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(x, 18));
    QMouseEvent away(QEvent::MouseMove, QPointF(x + 40, 18), s.mapToGlobal(QPointF(x + 40, 18)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&s, &away);
    QVERIFY(s.dragging());
    QCOMPARE(s.position(), 70);
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(x, 18));
    QTRY_COMPARE(spy.size(), 3);
    QCOMPARE(Codes(spy), (QList<int>{kThumbTrack, kThumbTrack, kEndScroll}));
    QCOMPARE(s.position(), 50);
  }

  void sliderTypedValueIsLimitedCommittedOrDropped() {
    ValueSlider s;
    s.setRange(0, 100);
    s.setPosition(40);
    s.resize(214, 26);
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    QSignalSpy spy(&s, &ValueSlider::scrolled);
    QTest::mouseClick(&s, Qt::RightButton, {}, QPoint(30, 13));
    QLineEdit* field = s.typedField();
    QVERIFY(field != nullptr);
    QCOMPARE(field->text(), QStringLiteral("40"));
    QCOMPARE(field->selectedText(), QStringLiteral("40"));
    QTest::keyClicks(field, "250");
    QCOMPARE(field->text(), QStringLiteral("100"));  // before it is committed
    QCOMPARE(s.position(), 40);
    QTest::keyClick(field, Qt::Key_Return);
    QVERIFY(s.typedField() == nullptr);
    QCOMPARE(s.position(), 100);
    QTRY_COMPARE(Codes(spy), (QList<int>{kEndScroll}));
    // Esc closes without committing.
    QTest::mouseClick(&s, Qt::RightButton, {}, QPoint(30, 13));
    QTest::keyClicks(s.typedField(), "7");
    QTest::keyClick(s.typedField(), Qt::Key_Escape);
    QVERIFY(s.typedField() == nullptr);
    QCOMPARE(s.position(), 100);
    // The same value committed posts nothing.
    QTest::mouseClick(&s, Qt::RightButton, {}, QPoint(30, 13));
    QTest::keyClick(s.typedField(), Qt::Key_Return);
    QTest::qWait(20);
    QCOMPARE(spy.size(), 1);
    // A disabled slider takes no typed value.
    s.setEnabled(false);
    QTest::mouseClick(&s, Qt::RightButton, {}, QPoint(30, 13));
    QVERIFY(s.typedField() == nullptr);
  }

  void sliderLabelAndListMode() {
    ValueSlider s;
    s.setRange(0, 800);
    s.setLabel(400, 100.0);
    s.setShowValue(true, true);
    s.setPosition(450);
    QCOMPARE(s.labelText(), QStringLiteral("0.5"));
    s.resize(214, 26);
    KeepPicture(&s, "control_value_slider");

    ValueSlider list;
    list.setRange(0, 2);
    list.setListMode(true, {"Low", "Mid"}, {QColor(255, 200, 200)});
    list.resize(160, 20);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy spy(&list, &ValueSlider::scrolled);
    QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(5, 10));  // left arrow at the bottom
    QCOMPARE(list.position(), 0);                                // no wrap
    QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(155, 10));
    QCOMPARE(list.position(), 1);
    QTRY_COMPARE(Codes(spy), (QList<int>{kEndScroll, kEndScroll}));
    KeepPicture(&list, "control_list_slider");
  }

  void popupButtonWritesTheValue() {
    QWidget host;
    auto* field = new QLineEdit(QStringLiteral("2"), &host);
    auto* button = new PopupValueButton(field, &host);
    button->setValueRange(PopupValueRange{0.0, 10.0, true, 6, 1.0});
    field->setGeometry(0, 40, 40, 20);
    button->setGeometry(42, 40, 14, 20);
    host.resize(100, 100);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QSignalSpy spy(button, &PopupValueButton::fieldCommand);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(7, 10));
    QCOMPARE(button->percent(), 20);
    QWidget* popup = button->popup();
    QVERIFY(popup != nullptr);
    QCOMPARE(popup->size(), QSize(kPopupWidth, kPopupHeight));
    // The row of 55 percent, seen from the button.
    const QPoint global = popup->mapToGlobal(QPoint(8, PopupRowOf(55)));
    for (int i = 0; i < 2; ++i) {  // the first move at the starting row is ignored
      QMouseEvent move(QEvent::MouseMove, button->mapFromGlobal(QPointF(global)), QPointF(global),
                       Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(button, &move);
    }
    QCOMPARE(button->percent(), 55);
    QCOMPARE(field->text(), QStringLiteral("5"));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(7, 10));
    QCOMPARE(spy.size(), 1);
    QVERIFY(button->popup() == nullptr);
  }

  void nrOptionsSliderBoxesAndOneRunForABurst() {
    QTemporaryDir dir;
    WindowHarness w(dir.path(), {"orvane-nr", photo(dir)});
    settle(w);
    NrOptionsPane* pane = w.frame()->nrOptionsPane();
    QCOMPARE(pane->modeList()->count(), 6);
    QCOMPARE(pane->modeList()->itemText(4), QStringLiteral("Scanner Mode\n(Remove Moire form scans)"));
    QCOMPARE(pane->modeList()->itemText(5), QStringLiteral("Photo Mode\n(Luminance and colour apart)"));
    // The slider moves: the box and the level follow at once, the run waits for the end.
    const int runs = pane->timerRuns();
    ValueSlider* slider = pane->slider();
    slider->setPosition(84);
    slider->setFocus();
    QTest::keyPress(slider, Qt::Key_Right);
    QTRY_COMPARE(pane->levelBox()->text(), QStringLiteral("8.5"));
    QCOMPARE(w.doc().nrSettings().noiseLevel, 8.5);
    QVERIFY(!pane->timer().isActive());
    QTest::keyRelease(slider, Qt::Key_Right);
    QTRY_VERIFY(pane->timer().isActive());
    QCOMPARE(pane->timer().interval(), 100);
    QTRY_COMPARE(pane->timerRuns(), runs + 1);
    settle(w);

    // Typed levels: limited at once, and the slider truncates.
    QLineEdit* box = pane->levelBox();
    box->selectAll();
    QTest::keyClicks(box, "150");
    QCOMPARE(box->text(), QStringLiteral("100"));
    QCOMPARE(w.doc().nrSettings().noiseLevel, 100.0);
    QCOMPARE(slider->position(), kNoiseSliderMax);
    QCOMPARE(pane->timer().interval(), 800);
    box->selectAll();
    QTest::keyClicks(box, "7.25");
    QCOMPARE(w.doc().nrSettings().noiseLevel, 7.25);
    QCOMPARE(slider->position(), 72);

    // Three clicks inside 100 ms start one run.
    const int before = pane->timerRuns();
    const int regionRuns = w.view()->regionRuns();
    pane->blockNoise()->click();
    pane->advanced()->click();
    pane->advanced()->click();
    QTRY_COMPARE(pane->timerRuns(), before + 1);
    QTest::qWait(300);
    QCOMPARE(pane->timerRuns(), before + 1);
    QCOMPARE(w.view()->regionRuns(), regionRuns + 1);
    QCOMPARE(w.doc().nrSettings().levels, 3);

    // Default leaves the check boxes and the level.
    pane->amountBox()->setText("40");
    pane->modeList()->setCurrentIndex(3);
    QTest::mouseClick(pane->defaultButton(), Qt::LeftButton);
    QCOMPARE(pane->amountBox()->text(), QStringLiteral("8"));
    QCOMPARE(pane->modeList()->currentIndex(), 0);
    QVERIFY(!pane->blockNoise()->isChecked());
    QCOMPARE(w.doc().nrSettings().noiseLevel, 7.25);
    settle(w);
    showPane(w, kPaneNrOptionsId);
    KeepPicture(w.frame()->pane(kPaneNrOptionsId), "pane_nr_options");
  }

  void nrOptionsEnablingAndTheAutoButton() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    NrOptionsPane* pane = w.frame()->nrOptionsPane();
    QVERIFY(!pane->autoButton()->isEnabled());
    QVERIFY(!pane->slider()->isEnabled());
    QCOMPARE(w.app().openPath(photo(dir).toStdString()), kOk);
    settle(w);
    QVERIFY(pane->autoButton()->isEnabled());
    QVERIFY(pane->slider()->isEnabled());
    QVERIFY(pane->amountBox()->isEnabled());
    pane->sharpen()->click();
    QVERIFY(!pane->amountBox()->isEnabled());
    QVERIFY(pane->modeList()->isEnabled());
    pane->advanced()->click();
    QVERIFY(!pane->modeList()->isEnabled());
    QVERIFY(!pane->defaultButton()->isEnabled());

    EditNrSettings(w.doc(), [&](NrSettings& nr) { nr.noiseLevel = 0.0; });
    const int runs = pane->timerRuns();
    QTest::mouseClick(pane->autoButton(), Qt::LeftButton);
    QVERIFY(w.doc().nrSettings().noiseLevel > 0.5);  // the photograph carries noise of about 9 levels
    QCOMPARE(pane->levelBox()->text(), QString::fromStdString(NoiseBoxText(w.doc().nrSettings().noiseLevel)));
    QCOMPARE(pane->slider()->position(), NoiseSliderPosition(w.doc().nrSettings().noiseLevel));
    QTRY_COMPARE(pane->timerRuns(), runs + 1);
    settle(w);
    // The level is the one the command line's --level auto sets for the mode shown.
    for (int mode : {kModeHighNoise, kModePhoto}) {
      pane->modeList()->setCurrentIndex(mode);
      QTest::mouseClick(pane->autoButton(), Qt::LeftButton);
      QCOMPARE(w.doc().nrSettings().noiseLevel, AutoNoiseLevel(AutomaticNoiseLevel(w.doc().sourceImage, mode)));
      settle(w);
    }
    // Full/Crop mode disables it again.
    w.frame()->runCommand(cmd::kFullCropMode);
    QVERIFY(!pane->autoButton()->isEnabled());
  }

  // Auto and Settings > Estimate Noise Level on strong noise choose a level beyond the slider's
  // 20: the box shows it, the slider stays at its end, and the level is not cut to 20.
  void nrOptionsAutoAboveTheSlider() {
    QTemporaryDir dir;
    RasterImage noisy;
    QCOMPARE(noisy.Create(640, 480, 24), kOk);
    std::mt19937 rng(3);
    std::normal_distribution<double> gauss(0, 20);
    uint8_t* p = noisy.Pixels();
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        for (int c = 0; c < 3; ++c)
          *p++ = static_cast<uint8_t>(std::clamp(std::lround(60 + x / 5 + 40 * c + gauss(rng)), 0L, 255L));
    const QString file = dir.filePath("noisy.png");
    QCOMPARE(noisy.Save(file.toStdString()), kOk);
    WindowHarness w(dir.path(), {"orvane-nr", file});
    settle(w);
    NrOptionsPane* pane = w.frame()->nrOptionsPane();
    const double level = AutoNoiseLevel(AutomaticNoiseLevel(w.doc().sourceImage, kModeDefault));
    QVERIFY2(level > 40, qPrintable(QString::number(level)));
    for (bool command : {false, true}) {
      EditNrSettings(w.doc(), [&](NrSettings& nr) { nr.noiseLevel = 5; });
      pane->slider()->setPosition(50);
      if (command) {
        w.frame()->runCommand(cmd::kEstimateNoise);
      } else {
        QTest::mouseClick(pane->autoButton(), Qt::LeftButton);
      }
      QCOMPARE(w.doc().nrSettings().noiseLevel, level);
      QCOMPARE(pane->levelBox()->text(), QString::fromStdString(NoiseBoxText(level)));
      QCOMPARE(pane->slider()->position(), kNoiseSliderMax);
      settle(w);
      QCOMPARE(w.doc().nrSettings().noiseLevel, level);  // the run left it as it is
    }
    showPane(w, kPaneNrOptionsId);
    KeepPicture(w.frame()->pane(kPaneNrOptionsId), "pane_nr_options_auto_above_slider");
  }

  void colourCorrectionRoundTrips() {
    QTemporaryDir dir;
    WindowHarness w(dir.path(), {"orvane-nr", photo(dir)});
    settle(w);
    ColourCorrectionPane* pane = w.frame()->colourCorrectionPane();
    ValueSlider* temperature = pane->slider(CorrectionSlider::kTemperature);
    ValueSlider* ev = pane->slider(CorrectionSlider::kExposure);
    temperature->setPosition(109);
    temperature->setFocus();
    QTest::keyPress(temperature, Qt::Key_Right);
    QTRY_COMPARE(pane->valueLabel(CorrectionSlider::kTemperature)->text(), QStringLiteral("10"));
    QCOMPARE(w.doc().colour().blueGamma, 1.04f);
    // While dragging: timer 2 makes the quick preview of the region.
    QVERIFY(pane->timer(2).isActive());
    QTRY_COMPARE(pane->timerRuns(2), 1);
    QCOMPARE(w.doc().quickPreview.width, w.doc().region.right - w.doc().region.left);
    QTest::keyRelease(temperature, Qt::Key_Right);
    QTRY_VERIFY(pane->timer(1).isActive());
    // Refreshed from the document, 1.04 in single precision lies just below position 110.
    pane->RefreshFromDocument();
    QCOMPARE(temperature->position(), 109);
    QCOMPARE(pane->valueLabel(CorrectionSlider::kTemperature)->text(), QStringLiteral("9"));

    ev->setPosition(449);
    ev->setFocus();
    QTest::keyClick(ev, Qt::Key_Right);
    QTRY_COMPARE(pane->valueLabel(CorrectionSlider::kExposure)->text(), QStringLiteral("0.5"));
    QCOMPARE(w.doc().colour().exposureEv, 0.5);
    pane->RefreshFromDocument();
    QVERIFY(std::abs(ev->position() - 450) <= 1);
    QTRY_VERIFY(pane->timerRuns(1) >= 1);
    settle(w);

    // Auto sets the levels from the picture and leaves the rest; Reset clears everything.
    QTest::mouseClick(pane->autoButton(), Qt::LeftButton);
    QCOMPARE(pane->timer(1).interval(), 20);
    QVERIFY(w.doc().colour().whitePoint < 255);
    QCOMPARE(pane->slider(CorrectionSlider::kHighlights)->position(), 255 - w.doc().colour().whitePoint);
    QCOMPARE(w.doc().colour().exposureEv, 0.5);
    settle(w);
    showPane(w, kPaneColorCorrectionId);
    KeepPicture(w.frame()->pane(kPaneColorCorrectionId), "pane_color_correction");
    QTest::mouseClick(pane->resetButton(), Qt::LeftButton);
    QCOMPARE(w.doc().colour().exposureEv, 0.0);
    QCOMPARE(w.doc().colour().blueGamma, 1.0f);
    QCOMPARE(ev->position(), 400);
    QCOMPARE(pane->valueLabel(CorrectionSlider::kHighlights)->text(), QStringLiteral("0"));
    settle(w);
  }

  void colourMatchVisibilityDropsAndProfiles() {
    QTemporaryDir dir;
    // Five profiles in the per-user folder, made from one reference.
    const std::filesystem::path user = userFolder();
    std::filesystem::remove_all(user);
    {
      ReferenceStore store;
      ColourParams params;
      RasterImage source;
      QVERIFY(LoadReferenceImage(store, photo(dir, "ref.png", 300, 200).toStdString(), source, params) == kOk);
      ProfileList list;
      for (const char* name : {"a", "b", "c", "d", "e"})
        QVERIFY(SaveProfile(list, store.reference, {user, user}, name).succeeded());
    }
    WindowHarness w(dir.path(), {"orvane-nr", photo(dir)});
    settle(w);
    ColourMatchPane* pane = w.frame()->colourMatchPane();
    showPane(w, kPaneColorMatchId);
    QCOMPARE(pane->profiles().Count(), 5);
    QCOMPARE(pane->profileBox()->count(), 5);
    QCOMPARE(pane->profileBox()->currentText(), QString::fromStdString((user / "a.cpf").string()));

    // The visibility table, as the window shows it.
    struct Row {
      int mode;
      bool name, nameEnabled, load, save, list, del, fade;
    } rows[] = {{0, true, false, true, false, false, false, false},
                {1, true, true, true, true, false, false, true},
                {2, false, false, false, false, true, true, true}};
    pane->autoSwitch()->setChecked(false);
    for (const Row& r : rows) {
      pane->modeButton(r.mode)->click();
      QCOMPARE(static_cast<int>(w.doc().colour().matchMode), r.mode);
      QCOMPARE(pane->nameField()->isVisible(), r.name);
      if (r.name) QCOMPARE(pane->nameField()->isEnabled(), r.nameEnabled);
      QCOMPARE(pane->loadButton()->isVisible(), r.load);
      QCOMPARE(pane->saveButton()->isVisible(), r.save);
      QCOMPARE(pane->profileBox()->isVisible(), r.list);
      QCOMPARE(pane->deleteButton()->isVisible(), r.del);
      QCOMPARE(pane->fade()->isEnabled(), r.fade);
    }
    QCOMPARE(pane->saveButton()->toolTip(), QStringLiteral("Save To Profile"));
    settle(w);
    KeepPicture(w.frame()->pane(kPaneColorMatchId), "pane_color_match_profiles");

    // Deleting the third of five selects the one that was fourth.
    pane->profiles().Select(2);
    pane->profileBox()->setCurrentIndex(2);
    w.answers.push_back(Answer::Yes);
    QTest::mouseClick(pane->deleteButton(), Qt::LeftButton);
    QCOMPARE(w.questions.back(), std::string(kDeleteProfileQuestion));
    QVERIFY(!std::filesystem::exists(user / "c.cpf"));
    QCOMPARE(pane->profiles().Count(), 4);
    QCOMPARE(pane->profiles().Selection(), 2);
    QCOMPARE(pane->profileBox()->currentText(), QString::fromStdString((user / "d.cpf").string()));
    QCOMPARE(w.doc().colour().matchMode, MatchMode::kProfile);
    // No answers Yes: nothing is deleted.
    w.answers.push_back(Answer::No);
    QTest::mouseClick(pane->deleteButton(), Qt::LeftButton);
    QCOMPARE(pane->profiles().Count(), 4);
    settle(w);

    // A dropped picture becomes the reference whatever the case of its ending; .jpeg is ignored.
    pane->modeButton(0)->click();
    const QString ignored = photo(dir, "sky.jpeg", 120, 80);
    const QString taken = photo(dir, "sky.JPG", 300, 176);
    auto drop = [&](const QString& file) {
      QMimeData mime;
      mime.setUrls({QUrl::fromLocalFile(file)});
      NavigatorThumbnail* box = pane->previewBox();
      QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(box, &enter);
      QVERIFY(enter.isAccepted());
      QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(box, &dropped);
    };
    drop(ignored);
    QCOMPARE(w.doc().colour().matchMode, MatchMode::kNone);
    QVERIFY(pane->previewBox()->picture().isNull());
    drop(taken);
    QCOMPARE(w.doc().colour().matchMode, MatchMode::kReferenceImage);
    QCOMPARE(pane->modeButton(1)->isChecked(), true);
    QCOMPARE(pane->nameField()->text(), QStringLiteral("sky.JPG"));
    QCOMPARE(pane->previewBox()->picture().size(), QSize(170, 99));
    QCOMPARE(w.app().document()->colour().matchFade, 0);
    QTRY_VERIFY(pane->timerRuns() > 0);
    settle(w);
    KeepPicture(w.frame()->pane(kPaneColorMatchId), "pane_color_match_reference");

    // Save To Profile: the name dialog, then the list grows and the selection stays.
    pane->askProfileName = [](std::string& name) {
      name = "Sky";
      return true;
    };
    QTest::mouseClick(pane->saveButton(), Qt::LeftButton);
    QVERIFY(std::filesystem::exists(user / "Sky.cpf"));
    QCOMPARE(pane->profiles().Count(), 5);
    QCOMPARE(pane->profiles().Selection(), 2);
  }

  void shippedProfilesAreReadable() {
    ProfileList list;
    list.Fill({ORVANE_PROGRAM_DIR, {}});
    QVERIFY(list.Count() >= 3);
    for (const std::string& path : list.Entries()) {
      ProfileData data;
      const int rc = ReadProfileFile(path, data);
      QVERIFY2(rc == kProfileOk, ResultWords(Result{ResultKind::kProfile, rc, path}).c_str());
      QCOMPARE(data.width, 150);  // the thumbnail of a 600 x 400 picture
      QCOMPARE(data.height, 100);
      // A real spread of colours: the red distribution climbs over many levels.
      int levels = 0;
      for (int i = 1; i < 256; ++i) levels += data.distributions.red[i] > data.distributions.red[i - 1];
      QVERIFY(levels > 40);
    }
  }

  void keysTypedInAPaneGoToTheWindow() {
    QTemporaryDir dir;
    WindowHarness w(dir.path(), {"orvane-nr", photo(dir)});
    settle(w);
    showPane(w, kPaneColorCorrectionId);
    ValueSlider* slider = w.frame()->colourCorrectionPane()->slider(CorrectionSlider::kBoost);
    slider->setFocus();
    QTRY_VERIFY(slider->hasFocus());
    // Esc leaves the pane for the view; the pane stays open.
    QTest::keyClick(slider, Qt::Key_Escape);
    QTRY_VERIFY(w.view()->hasFocus());
    QVERIFY(w.frame()->pane(kPaneColorCorrectionId)->isVisible());
  }

  void colourMatchSaveWithoutReferenceSaysSo() {
    QTemporaryDir dir;
    WindowHarness w(dir.path(), {"orvane-nr", photo(dir)});
    settle(w);
    ColourMatchPane* pane = w.frame()->colourMatchPane();
    bool asked = false;
    pane->askProfileName = [&](std::string&) { return asked = true; };
    pane->saveProfile();
    QVERIFY(!asked);
    QCOMPARE(w.messages().back(), std::string("You have to first load reference image"));
    // A cancelled reference dialog still leaves "Match Colors to Image" with the fade at 0.
    EditColour(w.doc(), [&](ColourParams& cp) { cp.matchFade = 90; });
    pane->chooseReference = [] { return std::string(); };
    pane->loadReference();
    QCOMPARE(w.doc().colour().matchMode, MatchMode::kReferenceImage);
    QCOMPARE(w.doc().colour().matchFade, 0);
    QCOMPARE(pane->fade()->position(), 0);
  }

  void filePropertiesThumbnailInfoAndEnabling() {
    QTemporaryDir dir;
    WindowHarness w(dir.path(), {"orvane-nr", photo(dir, "photo.png", 1000, 750)});
    settle(w);
    FilePropertiesPane* pane = w.frame()->filePropertiesPane();
    showPane(w, kPaneFilePropertiesId);
    const QSize control = pane->thumbnail()->size();
    QCOMPARE(pane->thumbSize(), NavigatorThumbnailSize(1000, 750, control.width(), control.height()));
    QCOMPARE(pane->thumbnail()->picture().size(), QSize(pane->thumbSize().width, pane->thumbSize().height));
    QCOMPARE(pane->infoBox()->toPlainText(), QStringLiteral("No EXIF\n1000 x 750"));
    // The red frame is the visible region scaled.
    const Region r = w.view()->visibleRegion();
    QCOMPARE(pane->thumbnail()->frame(), ScaleToThumbnail(r, 1000, 750, pane->thumbSize()));
    QVERIFY(pane->outputList()->isEnabled());
    QVERIFY(!pane->presetList()->isEnabled());
    KeepPicture(w.frame()->pane(kPaneFilePropertiesId), "pane_file_properties");

    // Curves disables the output list; Detail enables it again.
    w.frame()->runCommand(cmd::kCurves);
    QVERIFY(!pane->outputList()->isEnabled());
    w.frame()->runCommand(cmd::kDetailMode);
    QVERIFY(pane->outputList()->isEnabled());

    // Full/Crop mode: the crop controls, and the crop size while Enlarge moves.
    w.frame()->runCommand(cmd::kFullCropMode);
    QVERIFY(pane->presetList()->isEnabled());
    QVERIFY(!pane->outputList()->isEnabled());
    QCOMPARE(pane->infoBox()->toPlainText(), QStringLiteral("Crop Image: 1000 x 750"));
    ValueSlider* enlarge = pane->enlargeSlider();
    enlarge->setFocus();
    QTest::keyClick(enlarge, Qt::Key_PageDown);  // 10 steps: enlarge 1.2
    QTRY_COMPARE(w.doc().crop().enlarge, 1.2);
    const CropRectangle crop = w.doc().CropRect();
    QCOMPARE(pane->infoBox()->toPlainText(),
             QString::fromStdString(CropInfoText(crop.width(), crop.height())));
    KeepPicture(w.frame()->pane(kPaneFilePropertiesId), "pane_file_properties_crop");
    QTest::mouseClick(pane->applyCropButton(), Qt::LeftButton);
    QCOMPARE(w.doc().fullCropMode, 0);
    QCOMPARE(w.doc().sourceImage.Width(), crop.width());
    QVERIFY(pane->infoBox()->toPlainText().startsWith(QStringLiteral("No EXIF")));
    settle(w);

    // Choosing the output window sets the document's and enables the threshold rules.
    pane->SelectOutput(1);
    QCOMPARE(static_cast<int>(w.doc().nrSettings().outputWindow), 1);
    settle(w);
    pane->SelectOutput(0);
    settle(w);

    // The radio beside an empty folder box opens the browser; cancelling returns.
    int browsed = 0;
    pane->browseFolder = [&] {
      ++browsed;
      return std::string();
    };
    pane->folderRadio()->click();
    QCOMPARE(browsed, 1);
    QVERIFY(pane->recentlyUsed()->isChecked());
    QCOMPARE(ReadOutputFolder(w.settings()).mode, 0);
    QTemporaryDir out;
    pane->browseFolder = [&] { return out.path().toStdString(); };
    pane->folderRadio()->click();
    QVERIFY(pane->folderRadio()->isChecked());
    QCOMPARE(ReadOutputFolder(w.settings()).mode, 1);
    QCOMPARE(ReadOutputFolder(w.settings()).folder, out.path().toStdString());
    // The next save starts in the chosen folder, without a restart.
    QString startedIn;
    QTimer::singleShot(0, [&] {
      QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr);
      auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      startedIn = d->directory().absolutePath();
      d->reject();
    });
    w.frame()->runCommand(cmd::kSave);
    QCOMPARE(startedIn, QDir(out.path()).absolutePath());
  }

  // Without a picture: the stored crop preset shows, and matching to a profile (Auto Switch on)
  // leaves the view in Detail.
  void withoutAPictureThePanesShowTheSettingsAndStayPut() {
    QTemporaryDir dir;
    {
      QtSettingsStore store(dir.path() + "/settings.ini");
      store.setInt("Settings", "CropAspect", 8);
    }
    WindowHarness w(dir.path());
    QCOMPARE(w.frame()->filePropertiesPane()->presetList()->currentIndex(), 8);
    showPane(w, kPaneColorMatchId);
    ColourMatchPane* match = w.frame()->colourMatchPane();
    match->modeButton(2)->click();
    QTest::qWait(300);  // past the pane's timer
    QCOMPARE(w.doc().fullCropMode, 0);
    QCOMPARE(w.frame()->tabStrip()->currentIndex(), 0);
  }

  void filePropertiesThumbnailMovesTheView() {
    QTemporaryDir dir;
    WindowHarness w(dir.path(), {"orvane-nr", photo(dir, "wide.png", 3000, 2000)});
    settle(w);
    FilePropertiesPane* pane = w.frame()->filePropertiesPane();
    showPane(w, kPaneFilePropertiesId);
    NavigatorThumbnail* thumb = pane->thumbnail();
    const QPoint o = thumb->pictureOrigin();
    const int runs = w.view()->regionRuns();
    const QPoint at = o + QPoint(thumb->picture().width() / 2, thumb->picture().height() / 2);
    QTest::mousePress(thumb, Qt::LeftButton, {}, at);
    QVERIFY(thumb->pressed());
    QTest::mouseRelease(thumb, Qt::LeftButton, {}, at);
    QVERIFY(w.view()->scrollX() > 0);
    QVERIFY(w.view()->scrollY() > 0);
    QCOMPARE(w.view()->regionRuns(), runs + 1);
    settle(w);
  }
};

QTEST_MAIN(PanesTest)
#include "panes_test.moc"
