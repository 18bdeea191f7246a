// The dialogs in a real X window: the progress window and the status-bar bar, the folder
// chooser with its typed path, the open dialog's preview, the JPEG options with their number
// corrections and the quality suggestion, the save sequence cancelled at each step, Memory
// Settings, the profile name and Customize.
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QMenu>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QAbstractProxyModel>
#include <QFileSystemModel>
#include <QListView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QDockWidget>
#include <QHeaderView>
#include <QScreen>
#include <QSignalSpy>
#include <QWindow>
#include <functional>

#include "app/command_table.h"
#include "app/correction_sliders.h"
#include "app/dialog_rules.h"
#include "app/file_properties_pane.h"
#include "app/save_sequence.h"
#include "imagefile/jpeg_options.h"
#include "shell/dialogs/customize_dialog.h"
#include "shell/dialogs/folder_browser.h"
#include "shell/dialogs/jpeg_options_dialog.h"
#include "shell/dialogs/memory_settings_dialog.h"
#include "shell/dialogs/prev_file_dlg.h"
#include "shell/dialogs/profile_name_dialog.h"
#include "shell/dialogs/progress_window.h"
#include "shell/dialogs/save_dialogs.h"
#include "shell/panes/file_properties_pane.h"
#include "shell/window_harness.h"

using namespace orvane;
using namespace orvane::test;

namespace {

// Runs what once a modal dialog of the class is up (a dialog's exec() does not return until
// then); any class when none is named.
void WhenModal(std::function<void(QWidget*)> what, const char* className = nullptr, int tries = 100) {
  QTimer::singleShot(50, [what, className, tries] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible() && (className == nullptr || modal->inherits(className))) {
      what(modal);
    } else if (tries > 0) {
      WhenModal(what, className, tries - 1);
    }
  });
}

// Makes path the current file of a file dialog's list, as a click on it does.
void ClickFile(QFileDialog& dialog, const QString& path) {
  auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
  QVERIFY(list != nullptr);
  auto* model = dialog.findChild<QFileSystemModel*>();
  QVERIFY(model != nullptr);
  QTRY_VERIFY(model->index(path).isValid());
  QModelIndex index = model->index(path);
  if (auto* proxy = dialog.proxyModel()) index = proxy->mapFromSource(index);
  list->setCurrentIndex(index);
}

// What the X server shows of a widget, read back without handling any event.
QImage OnScreen(QWidget* w) {
  QWidget* top = w->window();
  const QPoint at = w->mapTo(top, QPoint(0, 0));
  return top->screen()->grabWindow(top->winId(), at.x(), at.y(), w->width(), w->height()).toImage();
}

// The visible progress window, if any.
QWidget* ShownProgressWindow() {
  for (QWidget* t : QApplication::topLevelWidgets())
    if (t->objectName() == "ProgressWindow" && t->isVisible()) return t;
  return nullptr;
}

// The width a window manager's title needs for this text (bold, as most draw it).
int TitleWidth(const QWidget* w) {
  QFont bold = w->font();
  bold.setBold(true);
  return QFontMetrics(bold).horizontalAdvance(w->windowTitle());
}

void Screenshot(QWidget* w, const QString& name) {
  w->grab().save(ArtefactDir() + "/" + name + ".png");
}

// Types into a file dialog's name box and presses Enter.
void ChooseInFileDialog(QWidget* modal, const QString& path) {
  auto* dialog = qobject_cast<QFileDialog*>(modal);
  QVERIFY(dialog != nullptr);
  auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  QVERIFY(name != nullptr);
  name->setText(path);
  QTest::keyClick(name, Qt::Key_Return);
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void progressWindowPercentCancelAndOwner() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    {
      ProgressWindowDialog window(w.app().host());
      QVERIFY(window.create(w.frame()));
      QVERIFY(!w.frame()->isEnabled());
      QVERIFY(window.cancelButton()->isEnabled());
      QCOMPARE(window.windowTitle(), QStringLiteral("Processing Full Image"));
      QCOMPARE(window.percentText(), QStringLiteral(" 0 %"));
      window.setRange(0, 200);
      window.setText("Saving file...");
      window.setPosition(100);
      QCOMPARE(window.percentText(), QStringLiteral("50%"));
      Screenshot(&window, "progress_window");
      window.setPosition(200);
      QCOMPARE(window.percentText(), QStringLiteral("100%"));
      QCOMPARE(window.statusText(), QStringLiteral("Saving file..."));
      // Enter does nothing; Cancel and Esc only set the flag.
      QTest::keyClick(&window, Qt::Key_Return);
      QVERIFY(!window.cancelled());
      QVERIFY(window.isVisible());
      QTest::mouseClick(window.cancelButton(), Qt::LeftButton);
      QVERIFY(window.cancelled());
      QVERIFY(window.isVisible());
      ProgressWindowDialog second(w.app().host());
      QVERIFY(second.create(nullptr));
      QTest::keyClick(&second, Qt::Key_Escape);
      QVERIFY(second.cancelled());
      QVERIFY(second.isVisible());
    }
    QVERIFY(w.frame()->isEnabled());
    // An owner that was already disabled stays so.
    w.frame()->setEnabled(false);
    { ProgressWindowDialog window(w.app().host()); QVERIFY(window.create(w.frame())); }
    QVERIFY(!w.frame()->isEnabled());
    w.frame()->setEnabled(true);
  }

  // A new text and the percentage are on the screen as soon as they are set, before any event
  // is handled: the work that follows "Finishing..." or "Saving file..." (composing a large
  // picture, writing it) may not give the window an event for seconds.
  void progressTextsAreOnTheScreenWhenSet() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    ProgressWindowDialog window(w.app().host());
    QVERIFY(window.create(w.frame()));
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* status = window.findChild<QLabel*>(QStringLiteral("ProgressStatus"));
    auto* percent = window.findChild<QLabel*>(QStringLiteral("ProgressPercent"));
    QVERIFY(status != nullptr && percent != nullptr);
    window.setRange(0, 9);
    window.setText("Processing block 9/9...");
    window.setPosition(8);
    QTest::qWait(100);
    const QImage blockLine = OnScreen(status);
    const QImage eightyEight = OnScreen(percent);

    window.setPosition(9);  // the last step: "100%"
    const QImage hundred = OnScreen(percent);
    window.setText("Finishing...");
    const QImage finishing = OnScreen(status);
    QVERIFY(finishing != blockLine);
    QVERIFY(hundred != eightyEight);
    // What was on the screen at once is what the window shows once it has handled its events.
    QTest::qWait(100);
    QCOMPARE(finishing, OnScreen(status));
    QCOMPARE(hundred, OnScreen(percent));
    window.setText("Saving file...");
    QVERIFY(OnScreen(status) != finishing);
  }

  // The quality suggestion's progress window belongs to the JPEG Options dialog that started it:
  // kept above it (not behind it under the main window) and not locked out by its modality.
  // Messages shown meanwhile belong to the dialog as well.
  void progressWindowAndBoxesBelongToTheDialogInUse() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    RasterImage picture;
    QVERIFY(picture.Create(1500, 1000, 24) == kOk);
    for (uint32_t i = 0; i < 1500u * 1000u * 3u; ++i) picture.Pixels()[i] = static_cast<uint8_t>((i * 7919u) >> 5);
    JpegOptionsRequest request;
    request.pixels = picture.Pixels();
    request.width = 1500;
    request.height = 1000;
    request.targetSize = 1;
    JpegOptionsDialog options(w.app().host(), request, w.frame());
    QWindow* parentSeen = nullptr;
    bool ownerDisabled = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
      if (QWidget* window = ShownProgressWindow(); window != nullptr && parentSeen == nullptr) {
        parentSeen = window->windowHandle()->transientParent();
        ownerDisabled = !options.isEnabled();
      }
    });
    poll.start(1);
    QWidget* boxParent = nullptr;
    int boxWidth = 0, boxTitle = 0;
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    WhenModal([&](QWidget* modal) {
      auto* dialog = static_cast<JpegOptionsDialog*>(modal);
      dialog->suggestQuality();
      WhenModal([&](QWidget* box) {
        auto* b = qobject_cast<QMessageBox*>(box);
        QVERIFY(b != nullptr);
        boxParent = b->parentWidget();
        boxIcon = b->icon();
        boxWidth = b->width();
        boxTitle = TitleWidth(b);
        Screenshot(b, "warning_box");
        b->accept();
      }, "QMessageBox");
      w.app().host().recordOnly = false;
      w.app().host().showWarning("Not much.");
      w.app().host().recordOnly = true;
      dialog->reject();
    }, "orvane::JpegOptionsDialog");
    options.exec();
    poll.stop();
    QVERIFY(parentSeen != nullptr);
    QCOMPARE(parentSeen, options.windowHandle());
    QVERIFY(ownerDisabled);
    QVERIFY(options.isEnabled());
    QCOMPARE(boxParent, &options);
    QCOMPARE(boxIcon, QMessageBox::Warning);
    // Wide enough for its title beside the window manager's buttons, however short its text.
    QVERIFY(boxWidth >= TitledBoxMinimumWidth(boxTitle));
    QCOMPARE(w.app().host().shownWarnings.back(), std::string("Not much."));
  }

  void statusBarProgressBesideItsLabel() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    QStatusBar* bar = w.frame()->statusBar();
    {
      StatusBarProgressBar progress(bar, QStringLiteral("Working"), 40);
      QCOMPARE(bar->currentMessage(), QStringLiteral("Working"));
      QVERIFY(progress.hasBar());
      const QRect r = progress.bar()->geometry();
      QVERIFY(r.left() > bar->fontMetrics().horizontalAdvance(QStringLiteral("Working")));
      QVERIFY(r.top() > 0 && r.bottom() < bar->height() - 1);
      progress.setPosition(20);
      QCOMPARE(progress.bar()->value(), 20);
      QCOMPARE(progress.bar()->maximum(), 40);
      Screenshot(bar, "status_progress");
    }
    QCOMPARE(bar->currentMessage(), QStringLiteral("Ready"));
    QVERIFY(bar->findChild<QProgressBar*>(QStringLiteral("StatusProgress")) == nullptr);
  }

  void folderBrowserTypedPaths() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    w.answers = {Answer::Yes};
    FolderBrowser browser(w.app().host(), QStringLiteral("Output Folder"),
                          QStringLiteral("Choose the folder"), dir.path(), w.frame());
    browser.show();
    QCOMPARE(browser.pathEdit()->text(), dir.path());
    QVERIFY(browser.okButton()->isEnabled());
    Screenshot(&browser, "folder_browser");
    // An invalid name and a trailing separator: the message, and the chooser stays.
    for (const QString& bad : {dir.path() + "/what?", dir.path() + "/sub/"}) {
      browser.pathEdit()->setText(bad);
      browser.accept();
      QVERIFY(browser.isVisible());
      QCOMPARE(w.messages().back(), "The folder:\n\n" + bad.toStdString() + "\n\nis invalid. Please reenter.");
      QCOMPARE(w.app().host().shownWarnings.back(), w.messages().back());
    }
    QVERIFY(w.questions.empty());
    // A missing two-level path: one question, both levels made.
    const QString twoLevels = dir.path() + "/new folder/sub";
    QTest::keyClicks(browser.pathEdit(), "x");  // typing enables OK
    browser.pathEdit()->setText(twoLevels);
    browser.accept();
    QCOMPARE(w.questions.size(), size_t(1));
    QVERIFY(QDir(twoLevels).exists());
    QCOMPARE(browser.result(), int(QDialog::Accepted));
    QCOMPARE(browser.chosenPath(), twoLevels);
    // Emptying the typed path disables OK.
    FolderBrowser again(w.app().host(), "c", "p", dir.path(), w.frame());
    again.pathEdit()->clear();
    QTest::keyClicks(again.pathEdit(), "/");
    QVERIFY(again.okButton()->isEnabled());
    QTest::keyClick(again.pathEdit(), Qt::Key_Backspace);
    QVERIFY(!again.okButton()->isEnabled());
  }

  // The chooser of File Properties' "...": its prompt, and the start folder in view even when
  // the folders above it have many entries that the model reads only after the dialog opened.
  void folderBrowserFromThePaneShowsItsStartFolder() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    for (int i = 0; i < 80; ++i) QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("d%1").arg(i, 2, 10, QLatin1Char('0'))));
    const QString start = dir.filePath("d77");
    w.frame()->filePropertiesPane()->setOutputFolder(1, start.toStdString());
    QString prompt;
    bool inView = false;
    WhenModal([&](QWidget* modal) {
      auto* browser = qobject_cast<FolderBrowser*>(modal);
      QVERIFY(browser != nullptr);
      QCOMPARE(browser->windowTitle(), QString::fromLatin1(kFolderBrowserTitle));
      for (QLabel* label : browser->findChildren<QLabel*>()) prompt += label->text();
      QTreeView* tree = browser->tree();
      QCOMPARE(browser->pathEdit()->text(), start);
      // Given time to read the folders, the start folder is (still) where the user can see it.
      QTest::qWait(1500);
      const QRect row = tree->visualRect(tree->currentIndex());
      inView = !row.isEmpty() && tree->viewport()->rect().contains(row);
      Screenshot(browser, "folder_browser_start");
      browser->reject();
    }, "orvane::FolderBrowser");
    w.frame()->filePropertiesPane()->browseFolder();
    QCOMPARE(prompt, QString::fromLatin1(kFolderBrowserPrompt));
    QVERIFY(inView);
  }

  void openDialogPreview() {
    QTemporaryDir dir;
    const QString big = QString::fromStdString(WritePhoto(dir.filePath("big.jpg"), 2400, 1600));
    const QString small = QString::fromStdString(WritePhoto(dir.filePath("small.png"), 120, 90));
    QVERIFY(!big.isEmpty() && !small.isEmpty());
    CPrevFileDlg::setPreviewOn(true);
    CPrevFileDlg dialog(nullptr, "Load image file", "All|*.jpg;*.png||", dir.path());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.sizeText()->text(), QStringLiteral("No Image"));
    QVERIFY(dialog.previewCheck()->isChecked());
    ClickFile(dialog, big);
    // The click returns at once; the picture is decoded away from the dialog.
    QVERIFY(dialog.previewPending());
    QVERIFY(dialog.previewArea()->image().isNull());
    QTRY_COMPARE(dialog.sizeText()->text(), QStringLiteral("2400 x 1600\nPixels"));
    QVERIFY(!dialog.previewPending());
    const QImage& shown = dialog.previewArea()->image();
    const QRect area = dialog.previewArea()->contentsRect();
    QVERIFY(!shown.isNull());
    QVERIFY(shown.width() <= area.width() && shown.height() <= area.height());
    QVERIFY(shown.width() == area.width() || shown.height() == area.height());
    Screenshot(&dialog, "open_dialog");
    // Preview off: another file leaves the area empty and the size text as it was.
    dialog.previewCheck()->click();
    QVERIFY(!CPrevFileDlg::previewOn());
    QVERIFY(dialog.previewArea()->image().isNull());
    ClickFile(dialog, small);
    QTest::qWait(200);
    QVERIFY(dialog.previewArea()->image().isNull());
    QCOMPARE(dialog.sizeText()->text(), QStringLiteral("2400 x 1600\nPixels"));
    // The state holds for the next dialog of the run; turning it on previews the selection.
    CPrevFileDlg next(nullptr, "Load Source Image", "All|*.jpg;*.png||", dir.path());
    QVERIFY(!next.previewCheck()->isChecked());
    dialog.previewCheck()->click();
    QTRY_COMPARE(dialog.sizeText()->text(), QStringLiteral("120 x 90\nPixels"));
    QCOMPARE(dialog.previewArea()->image().size(), QSize(120, 90));
    // A file that is no picture: the area empties, the last size stays.
    QFile junk(dir.filePath("junk.jpg"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    ClickFile(dialog, junk.fileName());
    QTRY_VERIFY(!dialog.previewPending());
    QVERIFY(dialog.previewArea()->image().isNull());
    QCOMPARE(dialog.sizeText()->text(), QStringLiteral("120 x 90\nPixels"));
    // A folder typed into the name box empties the preview, as entering a folder does.
    ClickFile(dialog, small);
    QTRY_VERIFY(!dialog.previewArea()->image().isNull());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name != nullptr);
    name->setText(QStringLiteral("sub"));
    QVERIFY(dialog.previewArea()->image().isNull());
    QCOMPARE(dialog.sizeText()->text(), QStringLiteral("120 x 90\nPixels"));
    dialog.reject();
  }

  // A large PNG clicked and then a small picture at once: the small one is shown, the large
  // one's preview never is, and the dialog is free meanwhile.
  void openDialogPreviewGivesWayToTheNextClick() {
    QTemporaryDir dir;
    const QString large = QString::fromStdString(WritePhoto(dir.filePath("large.png"), 4000, 3000));
    const QString small = QString::fromStdString(WritePhoto(dir.filePath("small.png"), 120, 90));
    QVERIFY(!large.isEmpty() && !small.isEmpty());
    CPrevFileDlg::setPreviewOn(true);
    CPrevFileDlg dialog(nullptr, "Load image file", "All|*.png||", dir.path());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy shown(&dialog, &CPrevFileDlg::previewShown);
    ClickFile(dialog, large);
    ClickFile(dialog, small);
    QTRY_COMPARE(dialog.sizeText()->text(), QStringLiteral("120 x 90\nPixels"));
    QTest::qWait(500);  // whatever the large decode still delivers comes in now
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.at(0).at(0).toSize(), QSize(120, 90));
    // Once more, waiting for it: the large picture's preview does arrive.
    ClickFile(dialog, large);
    QTRY_COMPARE_WITH_TIMEOUT(dialog.sizeText()->text(), QStringLiteral("4000 x 3000\nPixels"), 20000);
    QVERIFY(std::abs(dialog.previewArea()->image().width() - dialog.previewArea()->room().width()) <= 1);
    dialog.reject();
  }

  // The open and save dialogs start at the size for the screen, with the list's size, type and
  // date columns whole.
  void fileDialogsSizedForTheScreen() {
    QTemporaryDir dir;
    QVERIFY(!WritePhoto(dir.filePath("a rather long picture name.png"), 64, 48).empty());
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const DialogSize expected = FileDialogSize(work.width(), work.height());
    CPrevFileDlg open(nullptr, "Load image file", "All|*.png||", dir.path());
    SaveDialogRequest request;
    request.startName = "x_NR";
    request.defaultExtension = "png";
    request.filterList = "Portable Graphics (*.PNG)|*.png||";
    request.startFolder = dir.path().toStdString();
    QFileDialog save;
    SetUpSaveDialog(save, request);
    for (QFileDialog* dialog : {static_cast<QFileDialog*>(&open), &save}) {
      dialog->show();
      QVERIFY(QTest::qWaitForWindowExposed(dialog));
      QCOMPARE(dialog->size(), QSize(expected.width, expected.height));
      auto* list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
      QVERIFY(list != nullptr);
      auto* model = dialog->findChild<QFileSystemModel*>();
      QTRY_VERIFY(model->index(dir.filePath("a rather long picture name.png")).isValid());
      const QModelIndex file = model->index(dir.filePath("a rather long picture name.png"));
      QTRY_VERIFY(!model->data(file.siblingAtColumn(3)).toString().isEmpty());
      const QFontMetrics metrics(list->font());
      for (int column = 0; column < 4; ++column) {
        const QString text = model->data(file.siblingAtColumn(column)).toString();
        const int room = list->header()->sectionSize(column) - (column == 0 ? 2 * list->indentation() : 0);
        QVERIFY2(metrics.horizontalAdvance(text) + 8 <= room, qPrintable(text));
      }
      Screenshot(dialog, dialog == &save ? "save_dialog_columns" : "open_dialog_columns");
      dialog->reject();
    }
  }

  // Help > About: the icon, the version, the year and the licence; the title whole; Esc ends it.
  void aboutBox() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    const QIcon before = QApplication::windowIcon();
    QApplication::setWindowIcon(ProgramIcon(QStringLiteral(ORVANE_PROGRAM_DIR)));
    QString text;
    bool hasIcon = false, closed = false;
    int width = 0, title = 0;
    WhenModal([&](QWidget* modal) {
      QCOMPARE(modal->objectName(), QStringLiteral("AboutDialog"));
      QCOMPARE(modal->windowTitle(), QStringLiteral("About Orvane NR"));
      QVERIFY(modal->findChildren<QPushButton*>().isEmpty());
      auto* label = modal->findChild<QLabel*>(QStringLiteral("AboutText"));
      QVERIFY(label != nullptr);
      text = label->text();
      auto* icon = modal->findChild<QLabel*>(QStringLiteral("AboutIcon"));
      hasIcon = icon != nullptr && !icon->pixmap().isNull();
      width = modal->width();
      title = TitleWidth(modal);
      Screenshot(modal, "about");
      QTest::keyClick(modal, Qt::Key_Escape);
      closed = !modal->isVisible();
    }, "QDialog");
    w.frame()->runCommand(cmd::kAbout);
    QApplication::setWindowIcon(before);
    QVERIFY(closed);
    QVERIFY(hasIcon);
    QVERIFY(text.contains(QStringLiteral("Version " ORVANE_VERSION_TEXT)));
    QVERIFY(text.contains(QStringLiteral("2026 Quillmark")));
    QVERIFY(text.contains(QStringLiteral("without warranty")));
    QVERIFY(width >= TitledBoxMinimumWidth(title));
  }

  // The window icon comes in every size shipped, from beside the built program.
  void programIconInEverySize() {
    const QIcon icon = ProgramIcon(QStringLiteral(ORVANE_PROGRAM_DIR));
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (const int n : {16, 24, 32, 48, 64, 128, 256}) QVERIFY2(sizes.contains(QSize(n, n)), qPrintable(QString::number(n)));
  }

  // With every pane theme the float and close buttons stand out from their caption (on the
  // blue and dark grey ones: a light ground under the mark). The captions are kept as pictures.
  void dockButtonsVisibleWithEveryPaneTheme() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    for (const int command : {cmd::kPaneThemeNativeXp, cmd::kPaneThemeVisio, cmd::kPaneThemeOffice2003,
                              cmd::kPaneThemeVsNet, cmd::kPaneThemeVs6, cmd::kPaneThemeDefault}) {
      w.frame()->runCommand(command);
      QTest::qWait(50);
      QDockWidget* dock = w.frame()->pane(kPaneNrOptionsId);
      for (const char* name : {"qt_dockwidget_closebutton", "qt_dockwidget_floatbutton"}) {
        auto* button = dock->findChild<QAbstractButton*>(QString::fromLatin1(name));
        QVERIFY(button != nullptr);
        const QImage image = OnScreen(button);
        int lightest = 0, darkest = 255;
        for (int y = 0; y < image.height(); ++y)
          for (int x = 0; x < image.width(); ++x) {
            const int g = qGray(image.pixel(x, y));
            lightest = std::max(lightest, g);
            darkest = std::min(darkest, g);
          }
        // The style's grey mark on the theme's caption measured 71 for the blue and dark grey
        // ones, 102 or more for the light ones.
        QVERIFY2(lightest - darkest >= 100, qPrintable(QStringLiteral("%1 theme %2: %3..%4")
                                                           .arg(name).arg(command).arg(darkest).arg(lightest)));
      }
      OnScreen(dock).copy(0, 0, dock->width(), 30).save(ArtefactDir() + QStringLiteral("/dock_theme_%1.png").arg(command));
    }
  }

  void jpegOptionsNumberSliderAndSuggestion() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    RasterImage picture;
    QVERIFY(picture.Create(3000, 2000, 24) == kOk);
    for (uint32_t i = 0; i < 3000u * 2000u * 3u; ++i) picture.Pixels()[i] = static_cast<uint8_t>((i * 7919u) >> 5);
    JpegOptionsRequest request;
    request.quality = 92;
    request.enhancedSampling = 1;
    request.pixels = picture.Pixels();
    request.width = 3000;
    request.height = 2000;
    request.targetSize = 1;  // smaller than any JPEG
    JpegOptionsDialog dialog(w.app().host(), request, w.frame());
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("JPEG Options"));
    QCOMPARE(dialog.sizeLine()->text(), QStringLiteral("Image 3000 x 2000 , uncompressed size 22.89 MB"));
    QCOMPARE(dialog.slider()->minimum(), 40);
    QCOMPARE(dialog.slider()->maximum(), 100);
    QCOMPARE(dialog.slider()->value(), 92);
    QCOMPARE(dialog.number()->text(), QStringLiteral("92"));
    QVERIFY(dialog.samplingBox()->isChecked());
    Screenshot(&dialog, "jpeg_options");
    // The number's corrections, on every change.
    struct Case {
      const char* typed;
      const char* shown;
      int quality;
    } const cases[] = {{"-5", "100", 100}, {"250", "100", 100}, {"", "40", 40}, {"77", "77", 77}};
    for (const Case& c : cases) {
      dialog.number()->selectAll();
      if (*c.typed == '\0') {
        QTest::keyClick(dialog.number(), Qt::Key_Backspace);
      } else {
        dialog.number()->insert(QString::fromLatin1(c.typed));  // as a paste
      }
      QCOMPARE(dialog.number()->text(), QString::fromLatin1(c.shown));
      QCOMPARE(dialog.quality(), c.quality);
      QCOMPARE(dialog.slider()->value(), c.quality);
    }
    // A single digit typed into an emptied box becomes 40 at once.
    dialog.number()->selectAll();
    QTest::keyClick(dialog.number(), Qt::Key_Backspace);
    QTest::keyClicks(dialog.number(), "7");
    QCOMPARE(dialog.number()->text(), QStringLiteral("40"));
    // Replacing the last digit of 40 by 5.
    dialog.number()->setSelection(1, 1);
    QTest::keyClicks(dialog.number(), "5");
    QCOMPARE(dialog.number()->text(), QStringLiteral("45"));
    QCOMPARE(dialog.slider()->value(), 45);
    // The slider writes the number.
    dialog.slider()->setValue(63);
    QCOMPARE(dialog.number()->text(), QStringLiteral("63"));
    // A target below every probe suggests 59, its probes shown in a progress window.
    dialog.suggestQuality();
    QCOMPARE(dialog.number()->text(), QStringLiteral("59"));
    QCOMPARE(dialog.slider()->value(), 59);
    QVERIFY(dialog.isEnabled());
    // A target above the size at 92 suggests 91.
    request.targetSize = 1LL << 40;
    JpegOptionsDialog roomy(w.app().host(), request, w.frame());
    roomy.suggestQuality();
    QCOMPARE(roomy.number()->text(), QStringLiteral("91"));
    // A target between two probes ends between them.
    const int64_t at80 = EstimateJpegSize(picture.Pixels(), 3000, 2000, 80, 1);
    request.targetSize = at80 + 1;
    JpegOptionsDialog between(w.app().host(), request, w.frame());
    between.suggestQuality();
    const int suggested = between.number()->text().toInt();
    QVERIFY(suggested >= 79 && suggested <= 80);
    QVERIFY(EstimateJpegSize(picture.Pixels(), 3000, 2000, suggested, 1) < request.targetSize);
    // OK hands back the controls' values.
    dialog.samplingBox()->setChecked(false);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.quality(), 59);
    QCOMPARE(dialog.enhancedSampling(), 0);
  }

  void saveDialogStartsWithTheCoresProposal() {
    QTemporaryDir dir;
    SaveDialogRequest request;
    request.startName = "x_NR";
    request.defaultExtension = "tif";
    request.filterList = "Last File Extension (*.TIF)|*.tif|Windows Bitmap (*.BMP)|*.bmp|JPEG File (*.JPG)|*.jpg||";
    request.startFolder = dir.path().toStdString();
    QFileDialog dialog;
    SetUpSaveDialog(dialog, request);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Save image"));
    QCOMPARE(dialog.nameFilters().size(), 3);
    QCOMPARE(dialog.nameFilters().first(), QStringLiteral("Last File Extension (*.TIF) (*.tif *.TIF)"));
    QCOMPARE(dialog.directory().absolutePath(), dir.path());
    QCOMPARE(dialog.defaultSuffix(), QStringLiteral("tif"));
    QVERIFY(!dialog.testOption(QFileDialog::DontConfirmOverwrite));
    dialog.selectNameFilter(dialog.nameFilters().at(2));
    emit dialog.filterSelected(dialog.nameFilters().at(2));
    QCOMPARE(dialog.defaultSuffix(), QStringLiteral("jpg"));
  }

  // Cancel at each step, a read-only target, then a real save with the chosen options.
  void saveSequenceInTheWindow() {
    QTemporaryDir dir;
    const QString file = QString::fromStdString(WritePhoto(dir.filePath("photo.png"), 400, 300));
    WindowHarness w(dir.path(), {"orvane-nr", file});
    w.settings().setString("Document", "outPath", dir.path().toStdString());
    const QString target = dir.filePath("photo_NR.jpg");
    auto written = [&] { return QFile::exists(target); };

    // Cancel in the Save dialog.
    QString proposed;
    WhenModal([&](QWidget* modal) {
      auto* d = qobject_cast<QFileDialog*>(modal);
      if (d != nullptr) {
        proposed = d->selectedFiles().value(0);
        Screenshot(d, "save_dialog");
      }
      modal->close();
    });
    w.frame()->runCommand(cmd::kSave);
    QCOMPARE(QFileInfo(proposed).fileName(), QStringLiteral("photo_NR.png"));
    QVERIFY(!written());

    // Cancel in the JPEG options: "Nothing was saved!".
    WhenModal([&](QWidget* modal) {
      ChooseInFileDialog(modal, target);
      WhenModal([](QWidget* options) {
        QCOMPARE(options->objectName(), QStringLiteral("JpegOptions"));
        options->close();
      }, "orvane::JpegOptionsDialog");
    });
    w.frame()->runCommand(cmd::kSave);
    QCOMPARE(w.messages().back(), std::string("Nothing was saved!"));
    QVERIFY(!written());

    // Cancel in the progress window while the picture is processed.
    bool pressed = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
      auto* window = QApplication::topLevelWidgets().isEmpty() ? nullptr : [] {
        for (QWidget* t : QApplication::topLevelWidgets())
          if (t->objectName() == "ProgressWindow" && t->isVisible()) return t;
        return static_cast<QWidget*>(nullptr);
      }();
      if (window != nullptr && !pressed) {
        pressed = true;
        window->findChild<QPushButton*>()->click();
      }
    });
    poll.start(1);
    EditNrSettings(w.doc(), [&](NrSettings& nr) { nr.noiseLevel = 8; });
    WhenModal([&](QWidget* modal) {
      ChooseInFileDialog(modal, dir.filePath("photo_NR.png"));
    });
    // Twenty blocks keep the run going long enough to be cancelled.
    EditMemorySettings(w.doc(), [&](MemorySettings& mem) { mem.maxBlockW = mem.maxBlockH = 100; });
    w.frame()->runCommand(cmd::kSave);
    poll.stop();
    QVERIFY(pressed);
    QVERIFY(!QFile::exists(dir.filePath("photo_NR.png")));
    QVERIFY(w.frame()->isEnabled());
    EditMemorySettings(w.doc(), [&](MemorySettings& mem) { mem.maxBlockW = mem.maxBlockH = 3000; });

    // A read-only file is not overwritten.
    const QString locked = dir.filePath("locked.bmp");
    { QFile f(locked); QVERIFY(f.open(QIODevice::WriteOnly)); f.write("keep"); }
    QFile::setPermissions(locked, QFile::ReadOwner);
    w.answers.clear();
    WhenModal([&](QWidget* modal) {
      // Qt asks before replacing an existing file (inside the Enter below): yes.
      WhenModal([](QWidget* question) {
        auto* box = qobject_cast<QMessageBox*>(question);
        QVERIFY(box != nullptr);
        box->button(QMessageBox::Yes)->click();
      }, "QMessageBox");
      ChooseInFileDialog(modal, locked);
    });
    w.frame()->runCommand(cmd::kSave);
    QCOMPARE(w.messages().back(), std::string("The existing file is read only and it can't be overwritten."));
    QFile f(locked);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep"));

    // A real save with quality 70 and no enhanced sampling, remembered afterwards.
    WhenModal([&](QWidget* modal) {
      ChooseInFileDialog(modal, target);
      WhenModal([](QWidget* options) {
        auto* dialog = qobject_cast<JpegOptionsDialog*>(options);
        QVERIFY(dialog != nullptr);
        dialog->slider()->setValue(70);
        dialog->samplingBox()->setChecked(false);
        dialog->accept();
      }, "orvane::JpegOptionsDialog");
    });
    w.frame()->runCommand(cmd::kSave);
    QVERIFY(written());
    QCOMPARE(w.doc().jpegOptions().quality, 70);
    QCOMPARE(w.settings().getInt("Settings", "JPGq", 0), 70);
    QCOMPARE(w.settings().getInt("Settings", "JPGES", 1), 0);
    QCOMPARE(w.settings().getString("Document", "outPath", ""), dir.path().toStdString());
    RasterImage saved;
    QCOMPARE(saved.Load(target.toStdString()), kOk);
    QCOMPARE(saved.Width(), 400);
  }

  void memorySettingsAndProfileName() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    bool seen = false;
    WhenModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<MemorySettingsDialog*>(modal);
      QVERIFY(dialog != nullptr);
      seen = true;
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Memory Settings"));
      QCOMPARE(dialog->box(0)->text(), QStringLiteral("3100"));
      QCOMPARE(dialog->box(3)->text(), QStringLiteral("2000"));
      Screenshot(dialog, "memory_settings");
      dialog->box(1)->setText("12a");
      dialog->accept();
      QVERIFY(dialog->isVisible());
      dialog->box(1)->setText(" 1500 ");
      dialog->box(2)->setText("-1");
      dialog->accept();
    });
    w.frame()->runCommand(cmd::kMemorySettings);
    QVERIFY(seen);
    QCOMPARE(w.messages().back(), std::string("Please enter an integer."));
    QCOMPARE(w.doc().memorySettings().maxBlockH, 1500);
    QCOMPARE(w.doc().memorySettings().maxSwapW, -1);
    QCOMPARE(w.settings().getInt("Settings", "MaxBlockH", 0), 1500);
    // Cancel changes nothing.
    WhenModal([](QWidget* modal) {
      static_cast<MemorySettingsDialog*>(modal)->box(1)->setText("99");
      modal->close();
    });
    w.frame()->runCommand(cmd::kMemorySettings);
    QCOMPARE(w.doc().memorySettings().maxBlockH, 1500);

    QString name;
    WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<ProfileNameDialog*>(modal);
      QVERIFY(dialog != nullptr);
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Profile Name"));
      QCOMPARE(dialog->nameEdit()->text(), QStringLiteral("Profile"));
      Screenshot(dialog, "profile_name");
      dialog->nameEdit()->setText("Sunset");
      dialog->accept();
    });
    QVERIFY(ProfileNameDialog::ask(w.frame(), &name));
    QCOMPARE(name, QStringLiteral("Sunset"));
    WhenModal([](QWidget* modal) { modal->close(); });
    QVERIFY(!ProfileNameDialog::ask(w.frame(), &name));
  }

  // Customize through its command: a command put on the Standard toolbar, a button taken off the
  // Crop toolbar; the toolbars change, and the next start has the same buttons. Reset restores.
  void customizeToolbars() {
    QTemporaryDir dir;
    {
      WindowHarness w(dir.path());
      QVERIFY(w.frame()->commands()->action(cmd::kCustomize)->isEnabled());
      bool seen = false;
      WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<CustomizeDialog*>(modal);
        QVERIFY(dialog != nullptr);
        seen = true;
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Customize"));
        QCOMPARE(dialog->categories()->count(), 9);
        dialog->categories()->setCurrentItem(
            dialog->categories()->findItems(QStringLiteral("Settings"), Qt::MatchExactly).value(0));
        const auto items = dialog->commandList()->findItems(QStringLiteral("Memory Settings"), Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        dialog->commandList()->setCurrentItem(items[0]);
        QTest::mouseClick(dialog->addButton(), Qt::LeftButton);
        // A menu of the menu bar goes on as a drop-down button.
        dialog->categories()->setCurrentItem(
            dialog->categories()->findItems(QStringLiteral("Built-in Menus"), Qt::MatchExactly).value(0));
        QCOMPARE(dialog->commandList()->item(0)->text(), QStringLiteral("File"));
        dialog->commandList()->setCurrentRow(0);
        QTest::mouseClick(dialog->addButton(), Qt::LeftButton);
        Screenshot(dialog, "customize_commands");
        dialog->pages()->setCurrentIndex(1);
        dialog->toolbarList()->setCurrentRow(1);  // Crop: Apply Crop, |, Grid, |, Zoom In, Zoom Out
        QCOMPARE(dialog->buttonList()->count(), 6);
        dialog->buttonList()->setCurrentRow(2);
        QTest::mouseClick(dialog->pageButton(QStringLiteral("&Remove")), Qt::LeftButton);
        QCOMPARE(dialog->buttonList()->count(), 4);  // the separators around the Grid merged
        Screenshot(dialog, "customize_toolbars");
        dialog->close();
      }, "orvane::CustomizeDialog");
      w.frame()->runCommand(cmd::kCustomize);
      QVERIFY(seen);
      QToolBar* standard = w.frame()->standardToolbar();
      const QList<QAction*> buttons = standard->actions();
      QCOMPARE(buttons.at(buttons.size() - 2), w.frame()->commands()->action(cmd::kMemorySettings));
      QVERIFY(buttons.back()->menu() != nullptr);  // File drops down with Open in it
      QVERIFY(buttons.back()->menu()->actions().contains(w.frame()->commands()->action(cmd::kOpen)));
      auto* drop = qobject_cast<QToolButton*>(standard->widgetForAction(buttons.back()));
      QVERIFY(drop != nullptr);
      QCOMPARE(drop->popupMode(), QToolButton::InstantPopup);
      QTest::qWait(100);  // the refilled bar lays its buttons out
      Screenshot(standard, "customized_toolbar");
      QVERIFY(!w.frame()->cropToolbar()->actions().contains(w.frame()->commands()->action(cmd::kGrid)));
      QCOMPARE(w.frame()->cropToolbar()->actions().size(), 4);
    }
    WindowHarness next(dir.path());
    QCOMPARE(next.frame()->toolbarButtons().standard.back(), -1);
    QVERIFY(next.frame()->standardToolbar()->actions().back()->menu() != nullptr);
    QCOMPARE(next.frame()->toolbarButtons().crop,
             (std::vector<int>{cmd::kApplyCrop, 0, cmd::kZoomIn, cmd::kZoomOut}));
    WhenModal([](QWidget* modal) {
      auto* dialog = static_cast<CustomizeDialog*>(modal);
      dialog->pages()->setCurrentIndex(1);
      dialog->toolbarList()->setCurrentRow(1);
      QTest::mouseClick(dialog->pageButton(QStringLiteral("R&eset")), Qt::LeftButton);
      dialog->close();
    }, "orvane::CustomizeDialog");
    next.frame()->runCommand(cmd::kCustomize);
    QCOMPARE(next.frame()->toolbarButtons().crop, DefaultToolbarButtons().crop);
    QCOMPARE(next.frame()->cropToolbar()->actions().size(), 6);
  }

  // The road of one picture: a camera JPEG opened through the dialog, the level and a colour
  // slider changed, saved as JPEG with a suggested quality; the written file is smaller than the
  // original and carries the same EXIF block. The window's pictures are kept for the guide.
  void endToEndCameraJpeg() {
    QTemporaryDir dir;
    const QString original = dir.filePath("IMG_0412.jpg");
    QCOMPARE(QProcess::execute(QStringLiteral(ORVANE_MAKE_SAMPLE), {original, "1600", "1067"}), 0);
    WindowHarness w(dir.path(), {"orvane-nr"}, QSize(1280, 860));
    w.settings().setString("Document", "Path", dir.path().toStdString());
    WhenModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<CPrevFileDlg*>(modal);
      QVERIFY(dialog != nullptr);
      ClickFile(*dialog, original);
      QTRY_COMPARE(dialog->sizeText()->text(), QStringLiteral("1600 x 1067\nPixels"));
      Screenshot(dialog, "guide_open");
      ChooseInFileDialog(modal, original);
    }, "orvane::CPrevFileDlg");
    w.frame()->runCommand(cmd::kOpen);
    QCOMPARE(w.doc().path, original.toStdString());
    QTRY_VERIFY_WITH_TIMEOUT(!w.view()->previewTimerActive() && !w.doc().busy, 20000);
    Screenshot(w.frame(), "guide_window");

    EditNrSettings(w.doc(), [&](NrSettings& nr) { nr.noiseLevel = 14; });
    EditColour(w.doc(), [](ColourParams& cp) { ApplySliderPosition(CorrectionSlider::kBoost, 30, cp); });
    w.frame()->runCommand(cmd::kFullCropMode);
    QTest::qWait(300);
    Screenshot(w.frame(), "guide_fullcrop");
    w.frame()->runCommand(cmd::kDetailMode);

    const QString saved = dir.filePath("IMG_0412_NR.jpg");
    int suggested = 0;
    WhenModal([&](QWidget* modal) {
      QCOMPARE(QFileInfo(qobject_cast<QFileDialog*>(modal)->selectedFiles().value(0)).fileName(),
               QStringLiteral("IMG_0412_NR.jpg"));
      Screenshot(modal, "guide_save");
      ChooseInFileDialog(modal, saved);
      WhenModal([&](QWidget* options) {
        auto* dialog = static_cast<JpegOptionsDialog*>(options);
        dialog->suggestQuality();
        suggested = dialog->quality();
        Screenshot(dialog, "guide_jpeg_options");
        dialog->accept();
      }, "orvane::JpegOptionsDialog");
    });
    w.frame()->runCommand(cmd::kSave);
    QVERIFY(suggested >= 59 && suggested <= 91);
    QCOMPARE(w.doc().jpegOptions().quality, suggested);
    QVERIFY(QFileInfo::exists(saved));
    QVERIFY(QFileInfo(saved).size() < QFileInfo(original).size());
    QCOMPARE(w.doc().path, original.toStdString());  // saving keeps the document's name

    // The EXIF block, tag by tag, as an independent reader sees it.
    auto exif = [](const QString& file) {
      QProcess tool;
      tool.start(QStringLiteral(ORVANE_EXIFTOOL), {"-a", "-G1", "-s", "-EXIF:all", file});
      tool.waitForFinished(30000);
      return tool.readAllStandardOutput();
    };
    const QByteArray before = exif(original);
    QVERIFY(before.contains("Quillmark Test Optics"));
    QCOMPARE(exif(saved), before);
  }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
