// The main window and the application object in a real X window: command enabling and check
// marks, themes and their fall-backs, the close deferral, settings across two starts, Help,
// About, New, the command line, keys typed in a pane.
#include <QClipboard>
#include <QDockWidget>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "app/command_table.h"
#include "app/install_paths.h"
#include "app/save_names.h"
#include "app/view_rules.h"
#include "shell/controls/value_slider.h"
#include "shell/help_viewer.h"
#include "shell/panes/file_properties_pane.h"
#include "view/mode_tab_strip.h"
#include "shell/window_harness.h"

using namespace orvane;
using namespace orvane::test;

class ShellTest : public QObject {
  Q_OBJECT

 private:
  QString photo(QTemporaryDir& dir, const QString& name = "photo.png", int w = 800, int h = 600) {
    return QString::fromStdString(WritePhoto(dir.filePath(name), w, h));
  }
  static QAction* action(WindowHarness& w, int id) { return w.frame()->commands()->action(id); }
  static void settle(WindowHarness& w) {
    QTRY_VERIFY_WITH_TIMEOUT(!w.view()->previewTimerActive() && !w.doc().busy, 10000);
  }

 private slots:
  void startsWithBarsPanesAndTitle() {
    QTemporaryDir dir;
    const QString file = photo(dir);
    WindowHarness w(dir.path(), {"orvane-nr", file});
    QCOMPARE(w.frame()->windowTitle(), QStringLiteral("photo.png - Orvane NR"));
    QStringList menus;
    for (QAction* a : w.frame()->menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, (QStringList{"&File", "&Edit", "&View", "&Mode", "&Settings", "&Help"}));
    QCOMPARE(action(w, cmd::kOpen)->text(), QStringLiteral("&Open...\tCtrl+O"));
    QCOMPARE(action(w, cmd::kOpen)->statusTip(), QStringLiteral("Open an existing document"));
    QCOMPARE(action(w, cmd::kZoomIn)->shortcut(), QKeySequence(Qt::KeypadModifier | Qt::Key_Plus));
    QCOMPARE(action(w, cmd::kPaste)->shortcuts().size(), 2);
    QCOMPARE(w.frame()->standardToolbar()->actions().size(), 13);
    for (const char* indicator : {"CAP", "NUM", "SCRL"})
      QVERIFY(w.frame()->statusBar()->findChild<QLabel*>(indicator) != nullptr);
    const char* titles[4] = {"NR Options", "File Properties", "Color Correction", "Color Match"};
    for (int i = 0; i < 4; ++i) {
      QDockWidget* dock = w.frame()->pane(kPaneNrOptionsId + i);
      QCOMPARE(dock->windowTitle(), QString::fromLatin1(titles[i]));
      QCOMPARE(dock->objectName(), QStringLiteral("pane%1").arg(kPaneNrOptionsId + i));
    }
    QCOMPARE(w.frame()->dockWidgetArea(w.frame()->pane(kPaneNrOptionsId)), Qt::RightDockWidgetArea);
    QCOMPARE(w.frame()->dockWidgetArea(w.frame()->pane(kPaneFilePropertiesId)), Qt::LeftDockWidgetArea);
    QVERIFY(w.frame()->tabifiedDockWidgets(w.frame()->pane(kPaneColorCorrectionId))
                .contains(w.frame()->pane(kPaneColorMatchId)));
    QVERIFY(!w.frame()->cropToolbar()->isVisible());
    QCOMPARE(w.frame()->interfaceTheme(), 2);
    QCOMPARE(w.frame()->paneTheme(), 5);
    // The picture is shown at once.
    QCOMPARE(w.doc().sourceImage.Width(), 800);
    settle(w);
    QVERIFY(w.view()->regionRuns() >= 1);
  }

  void enablingRulesAndCheckMarks() {
    QTemporaryDir dir;
    const QString file = photo(dir);
    WindowHarness w(dir.path());
    w.frame()->updateCommandStates();
    QCOMPARE(w.frame()->windowTitle(), QStringLiteral("Untitled - Orvane NR"));
    QVERIFY(!action(w, cmd::kSave)->isEnabled());
    QVERIFY(!action(w, cmd::kReload)->isEnabled());
    QVERIFY(!action(w, cmd::kNextImage)->isEnabled());
    QVERIFY(!action(w, cmd::kRotateCw)->isEnabled());
    QVERIFY(action(w, cmd::kCustomize)->isEnabled());
    QVERIFY(action(w, cmd::kMemorySettings)->isEnabled());
    QVERIFY(action(w, cmd::kDetailMode)->isChecked());
    QVERIFY(action(w, cmd::kThemeOffice2003)->isChecked());
    QVERIFY(action(w, cmd::kPaneThemeOffice2003)->isChecked());
    QVERIFY(action(w, cmd::kPaneNrOptions)->isChecked());
    QCOMPARE(w.app().openPath(file.toStdString()), int(kOk));
    QVERIFY(action(w, cmd::kSave)->isEnabled());
    QVERIFY(action(w, cmd::kRotateCw)->isEnabled());
    QVERIFY(action(w, cmd::kNextImage)->isEnabled());
    QVERIFY(!action(w, cmd::kZoomIn)->isEnabled());
    w.frame()->runCommand(cmd::kFullCropMode);
    QVERIFY(action(w, cmd::kFullCropMode)->isChecked());
    QVERIFY(!action(w, cmd::kDetailMode)->isChecked());
    QVERIFY(!action(w, cmd::kRotateCw)->isEnabled());
    QVERIFY(action(w, cmd::kZoomIn)->isEnabled());
    QVERIFY(!action(w, cmd::kZoomOut)->isEnabled());
    QVERIFY(w.frame()->cropToolbar()->isVisible());
    w.frame()->runCommand(cmd::kZoomIn);
    QVERIFY(action(w, cmd::kZoomOut)->isEnabled());
    w.frame()->runCommand(cmd::kGrid);
    QVERIFY(action(w, cmd::kGrid)->isChecked());
    // Clicking a checkable item does not flip it by itself: the command decides.
    w.answers = {Answer::No};
    action(w, cmd::kHistogram)->trigger();
    QVERIFY(action(w, cmd::kHistogram)->isChecked());
    QVERIFY(!w.frame()->cropToolbar()->isVisible());
    action(w, cmd::kHistogram)->trigger();
    QVERIFY(action(w, cmd::kHistogram)->isChecked());
    w.doc().busy = 1;
    w.frame()->updateCommandStates();
    QVERIFY(!action(w, cmd::kSave)->isEnabled());
    QVERIFY(!action(w, cmd::kReload)->isEnabled());
    // A click that reaches the window during a run does not change the picture under it;
    // the Grid still toggles.
    w.frame()->runCommand(cmd::kDetailMode);
    QVERIFY(w.doc().viewTab() == ViewTab::kHistogram);
    w.frame()->runCommand(cmd::kGrid);
    QVERIFY(!action(w, cmd::kGrid)->isChecked());
    w.doc().busy = 0;
    // Rotate through its command: 800 x 600 becomes 600 x 800.
    w.frame()->runCommand(cmd::kDetailMode);
    w.frame()->runCommand(cmd::kRotateCw);
    QCOMPARE(w.doc().sourceImage.Width(), 600);
  }

  void paneTogglesAndThemes() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    QDockWidget* match = w.frame()->pane(kPaneColorMatchId);
    QDockWidget* left = w.frame()->pane(kPaneFilePropertiesId);
    w.frame()->runCommand(cmd::kPaneFileProperties);
    QVERIFY(left->isHidden());
    QVERIFY(!action(w, cmd::kPaneFileProperties)->isChecked());
    w.frame()->runCommand(cmd::kPaneFileProperties);
    QVERIFY(!left->isHidden());
    QCOMPARE(w.frame()->dockWidgetArea(left), Qt::LeftDockWidgetArea);
    w.frame()->runCommand(cmd::kPaneColorMatch);
    w.frame()->runCommand(cmd::kPaneColorMatch);
    QVERIFY(w.frame()->tabifiedDockWidgets(match).contains(w.frame()->pane(kPaneColorCorrectionId)));

    w.frame()->runCommand(cmd::kThemeOffice2000);
    QCOMPARE(w.frame()->interfaceTheme(), 1);
    QVERIFY(action(w, cmd::kThemeOffice2000)->isChecked());
    QVERIFY(!action(w, cmd::kThemeOffice2003)->isChecked());
    QCOMPARE(w.settings().getInt("Settings", "IntfTheme", -1), 1);
    w.frame()->runCommand(cmd::kPaneThemeVisio);
    QCOMPARE(w.settings().getInt("Settings", "PaneTheme", -1), 3);
    QVERIFY(left->styleSheet().contains("90,126,190"));
    w.frame()->runCommand(cmd::kPaneThemeDefault);
    QVERIFY(left->styleSheet().isEmpty());
  }

  void themeFallBacks() {
    struct Case {
      int storedInterface, storedPane, interface, pane, paneCommand;
    };
    const Case cases[] = {{9, 4, 2, 5, cmd::kPaneThemeOffice2003},
                          {-3, 77, 2, 5, cmd::kPaneThemeOffice2003},
                          {3, 6, 3, 6, cmd::kPaneThemeNativeXp},
                          {0, 0, 0, 0, cmd::kPaneThemeDefault}};
    for (const Case& c : cases) {
      QTemporaryDir dir;
      {
        QtSettingsStore store(dir.path() + "/settings.ini");
        store.setInt("Settings", "IntfTheme", c.storedInterface);
        store.setInt("Settings", "PaneTheme", c.storedPane);
      }
      WindowHarness w(dir.path());
      QCOMPARE(w.frame()->interfaceTheme(), c.interface);
      QCOMPARE(w.frame()->paneTheme(), c.pane);
      QVERIFY(action(w, c.paneCommand)->isChecked());
    }
  }

  // A hand-edited number beyond an int's range, or no number at all, reads as the default.
  void storedNumbersThatAreNoInt() {
    QTemporaryDir dir;
    const QString file = dir.path() + "/settings.ini";
    {
      std::ofstream ini(file.toStdString());
      ini << "[Settings]\nMaxSwapW=99999999999\nMaxSwapH=-99999999999\nMaxBlockW=12x\nMaxBlockH=2500\n";
    }
    QtSettingsStore store(file);
    QCOMPARE(store.getInt("Settings", "MaxSwapW", -1), -1);
    QCOMPARE(store.getInt("Settings", "MaxSwapH", -1), -1);
    QCOMPARE(store.getInt("Settings", "MaxBlockW", -1), -1);
    QCOMPARE(store.getInt("Settings", "MaxBlockH", -1), 2500);
  }

  // A settings file that cannot be written (a folder in its place) is said at start; the
  // window still opens on the defaults.
  void unwritableSettingsAreSaid() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("settings.ini")));
    WindowHarness w(dir.path());
    QCOMPARE(w.messages().size(), size_t(1));
    QVERIFY(w.messages()[0].find("cannot be written") != std::string::npos);
    QVERIFY(w.frame()->isVisible());
    QCOMPARE(w.doc().jpegOptions().quality, 92);
  }

  // Paste is enabled the moment a picture reaches the clipboard, so that its shortcut works
  // without a menu being opened first.
  void pasteFollowsTheClipboard() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("some text"));
    QTRY_VERIFY_WITH_TIMEOUT(!action(w, cmd::kPaste)->isEnabled(), 2000);
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    clipboard->setImage(picture);
    QTRY_VERIFY_WITH_TIMEOUT(action(w, cmd::kPaste)->isEnabled(), 2000);
  }

  void closingWaitsForARun() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    w.doc().busy = 1;  // as while a run handles events from inside its loop
    w.frame()->close();
    QVERIFY(w.frame()->isVisible());
    QVERIFY(w.frame()->closeRetryPending());
    w.frame()->close();  // a second request adds nothing
    QTest::qWait(600);
    w.doc().busy = 0;
    QVERIFY(w.frame()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!w.frame()->isVisible(), 2000);
    QVERIFY(!w.frame()->closeRetryPending());
  }

  void closingFromInsideADrainAndAQuitKeptPending() {
    QTemporaryDir dir;
    WindowHarness w(dir.path());
    // A close request handled by a long operation's drain is put off.
    QTimer::singleShot(0, w.frame(), [&] { w.frame()->close(); });
    QVERIFY(w.app().host().drainEvents());
    QVERIFY(w.frame()->isVisible());
    QVERIFY(w.frame()->closeRetryPending());
    QTRY_VERIFY_WITH_TIMEOUT(!w.frame()->isVisible(), 2500);
    // A quit arriving during a drain ends the drain's caller and stays pending.
    QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
    QVERIFY(!w.app().host().drainEvents());
    QVERIFY(w.app().host().quitting());
    QVERIFY(!w.app().host().drainEvents());
  }

  void settingsWrittenAtExitAndReadAtNextStart() {
    QTemporaryDir dir;
    const QString file = photo(dir);
    {
      WindowHarness w(dir.path(), {"orvane-nr", file}, QSize(900, 700));
      StoreOutputFolder(w.settings(), {1, "/tmp/out"});
      w.frame()->runCommand(cmd::kThemeOfficeXp);
      w.frame()->runCommand(cmd::kPaneFileProperties);  // closes File Properties
      EditCrop(w.doc(), [&](CropState& cs) { cs.preset = 3; });
      settle(w);
      w.close();
      QtSettingsStore store(dir.path() + "/settings.ini");
      QCOMPARE(store.getInt("Settings", "SaveType", -1), 1);
      QCOMPARE(store.getString("Settings", "SavePath", ""), std::string("/tmp/out"));
      QCOMPARE(store.getInt("Settings", "CropAspect", -1), 3);
      QCOMPARE(store.getString("Recent File List", "File1", ""), file.toStdString());
      QVERIFY(!store.getBytes(key::kPanesLayout).isEmpty());
      QVERIFY(!store.getBytes(key::kBarsLayout).isEmpty());
      const int left = store.getInt("Frame", "Left", -1), right = store.getInt("Frame", "Right", -1);
      QCOMPARE(right - left, 900);
    }
    WindowHarness again(dir.path());
    QVERIFY(again.frame()->filePropertiesPane()->folderRadio()->isChecked());
    QCOMPARE(again.frame()->filePropertiesPane()->outputFolder(), std::string("/tmp/out"));
    QCOMPARE(again.frame()->interfaceTheme(), 0);
    QCOMPARE(again.frame()->recentFiles(), QStringList{file});
    QCOMPARE(again.doc().crop().preset, 3);
    QVERIFY(again.frame()->pane(kPaneFilePropertiesId)->isHidden());
    // NR Options and Color Correction are shown whatever the layout says.
    QVERIFY(!again.frame()->pane(kPaneNrOptionsId)->isHidden());
    QVERIFY(!again.frame()->pane(kPaneColorCorrectionId)->isHidden());
    QVERIFY(!again.frame()->restorePlacement());  // a stored placement: not maximised
    QCOMPARE(again.frame()->width(), 900);
    // A recent entry opens its file.
    again.frame()->openFile(file.toStdString());
    QCOMPARE(again.doc().sourceImage.Width(), 800);
  }

  void placementPulledBackOntoTheScreen() {
    QTemporaryDir dir;
    {
      QtSettingsStore store(dir.path() + "/settings.ini");
      store.setInt("Frame", "Status", 1);
      store.setInt("Frame", "Left", 50000);
      store.setInt("Frame", "Top", 40000);
      store.setInt("Frame", "Right", 50800);
      store.setInt("Frame", "Bottom", 40600);
    }
    WindowHarness w(dir.path());
    QVERIFY(!w.frame()->restorePlacement());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect placed = w.frame()->geometry();
    // Whole on the work area, or where the screen is smaller, its top left corner.
    QVERIFY(screen.contains(placed.topLeft()));
    if (placed.width() <= screen.width()) QVERIFY(placed.right() <= screen.right());
    if (placed.height() <= screen.height()) QVERIFY(placed.bottom() <= screen.bottom());
    QCOMPARE(placed.width(), 800);
  }

  // Started maximised, the window keeps the stored normal size to return to and to store again.
  void maximisedStartKeepsTheNormalPlacement() {
    QTemporaryDir dir;
    const int stored[5] = {3, 60, 80, 860, 1080};  // Status, Top, Left, Bottom, Right
    const char* names[5] = {"Status", "Top", "Left", "Bottom", "Right"};
    {
      QtSettingsStore store(dir.path() + "/settings.ini");
      for (int i = 0; i < 5; ++i) store.setInt("Frame", names[i], stored[i]);
    }
    {
      WindowHarness w(dir.path());
      w.frame()->hide();
      w.app().showWindow();
      QVERIFY(w.frame()->isMaximized());
      QTest::qWait(600);  // the window is made large by then, with or without a window manager
      QVERIFY(w.frame()->width() > 900);
      w.close();
    }
    QtSettingsStore store(dir.path() + "/settings.ini");
    for (int i = 0; i < 5; ++i) QCOMPARE(store.getInt("Frame", names[i], -1), stored[i]);
  }

  void commandLineFileThatCannotBeRead() {
    QTemporaryDir dir;
    QFile bad(dir.filePath("broken.jpg"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture at all");
    bad.close();
    WindowHarness w(dir.path(), {"orvane-nr", dir.filePath("broken.jpg")});
    QCOMPARE(w.messages().size(), size_t(1));
    QVERIFY(w.messages()[0].find("broken.jpg") != std::string::npos);
    QVERIFY(w.doc().sourceImage.IsEmpty());
    QVERIFY(w.frame()->isVisible());
  }

  void helpAboutNewAndOpen() {
    QTemporaryDir dir;
    const QString file = photo(dir);
    WindowHarness w(dir.path());
    // Help: the file beside the program is missing here.
    QString opened;
    w.app().openHelpFile = [&](const QString& path) {
      opened = path;
      return true;
    };
    const QString helpPath = w.app().helpFilePath();
    w.frame()->runCommand(cmd::kHelp);
    if (QFileInfo::exists(helpPath)) {
      QCOMPARE(opened, helpPath);
    } else {
      QCOMPARE(w.messages().back(), "Cannot find " + helpPath.toStdString());
    }
    // About: no buttons, Esc closes it.
    bool sawAbout = false;
    QTimer::singleShot(300, [&] {
      QWidget* about = QApplication::activeModalWidget();
      sawAbout = about != nullptr && about->objectName() == "AboutDialog" &&
                 about->findChildren<QPushButton*>().isEmpty();
      if (about != nullptr) QTest::keyClick(about, Qt::Key_Escape);
    });
    w.frame()->runCommand(cmd::kAbout);
    QVERIFY(sawAbout);
    // Open: the dialog starts in the stored folder, which becomes the chosen file's.
    QString startedIn = "unset";
    w.app().chooseOpenFile = [&](const QString& folder) {
      startedIn = folder;
      return file;
    };
    w.frame()->runCommand(cmd::kOpen);
    QCOMPARE(startedIn, QString());
    QCOMPARE(w.settings().getString("Document", "Path", ""), dir.path().toStdString());
    QCOMPARE(w.doc().sourceImage.Width(), 800);
    w.app().chooseOpenFile = [&](const QString&) { return QString(); };  // Cancel
    w.frame()->runCommand(cmd::kOpen);
    QCOMPARE(w.doc().path, file.toStdString());
    // New keeps the picture and forgets the name.
    w.frame()->runCommand(cmd::kFullCropMode);
    w.frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.frame()));
    QTest::keyClick(w.frame(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(w.frame()->windowTitle(), QStringLiteral("Untitled - Orvane NR"));
    QCOMPARE(w.doc().fullCropMode, 0);
    QCOMPARE(w.doc().sourceImage.Width(), 800);
  }

  void enterInAPaneAppliesTheCrop() {
    QTemporaryDir dir;
    const QString file = photo(dir);
    WindowHarness w(dir.path(), {"orvane-nr", file});
    settle(w);
    w.frame()->runCommand(cmd::kFullCropMode);
    for (int i = 0; i < 20; ++i) w.frame()->runCommand(cmd::kZoomIn);
    QWidget* pane = w.frame()->pane(kPaneColorCorrectionId)->widget();
    pane->setFocus();
    // Esc in a pane: the focus goes to the view, the pane keeps its dialog.
    QTest::keyClick(pane, Qt::Key_Escape);
    QVERIFY(w.frame()->pane(kPaneColorCorrectionId)->isVisible());
    QCOMPARE(w.doc().fullCropMode, 1);
    QTest::keyClick(pane, Qt::Key_Return);
    QCOMPARE(w.doc().fullCropMode, 0);
    QCOMPARE(w.doc().sourceImage.Width(), 400);
    QVERIFY(w.questions.empty());
    // A shortcut typed in a pane reaches the window: Ctrl+PgDn goes to Full/Crop.
    QTest::keyClick(pane, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(w.doc().fullCropMode, 1);
  }

  // The help is handed to xdg-open; one that ends without showing it is reported, one that
  // succeeds (or keeps running with its browser) is not.
  void helpViewerThatFailsIsReported() {
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ":" + path);
    for (const int code : {4, 0}) {
      {
        QFile opener(bin.filePath("xdg-open"));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write(QStringLiteral("#!/bin/sh\necho \"$1\" > \"%1/asked\"\nexit %2\n")
                         .arg(bin.path()).arg(code).toUtf8());
        opener.setPermissions(opener.permissions() | QFileDevice::ExeOwner);
      }
      HelpViewer viewer;
      int failed = -1;
      QVERIFY(viewer.show(QStringLiteral("/usr/share/help/Help.html"), [&](int c) { failed = c; }));
      QTRY_VERIFY(QFile::exists(bin.filePath("asked")));
      if (code != 0) {
        QTRY_COMPARE(failed, code);
      } else {
        QTest::qWait(1000);
        QCOMPARE(failed, -1);
      }
      QFile::remove(bin.filePath("asked"));
    }
    qputenv("PATH", path);
    const std::string words = HelpViewerFailureWords("/usr/share/orvane-nr/Help/Help.html", 4);
    QVERIFY(words.starts_with("Cannot show the help: no web browser"));
    QVERIFY(words.ends_with("\n/usr/share/orvane-nr/Help/Help.html"));
  }

  void aFileThatCannotBeOpenedLeavesTheWindowAsItWas() {
    QTemporaryDir dir;
    const QString file = photo(dir);
    WindowHarness w(dir.path(), {"orvane-nr", file});
    settle(w);
    const QString title = w.frame()->windowTitle();
    const std::string damaged = dir.filePath("damaged.jpg").toStdString();
    std::ofstream(damaged) << "\xff\xd8\xff\xe0 and nothing more";
    const std::string folder = dir.path().toStdString();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {damaged, "Cannot open " + damaged + ":\n"}, {folder, "Cannot open " + folder + ":\nis a folder, not a picture"}};
    for (const auto& [path, words] : cases) {
      QVERIFY(!w.frame()->openFile(path));
      QVERIFY2(w.messages().back().starts_with(words), w.messages().back().c_str());
      QCOMPARE(w.frame()->windowTitle(), title);
      QCOMPARE(w.doc().path, file.toStdString());
      QCOMPARE(w.doc().sourceImage.Width(), 800);
      w.frame()->updateCommandStates();
      QVERIFY(action(w, cmd::kSave)->isEnabled());
      QVERIFY(action(w, cmd::kReload)->isEnabled());
      QCOMPARE(w.frame()->recentFiles(), QStringList{file});
    }
    // A name relative to the working folder is kept in full: once in the list.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QVERIFY(w.frame()->openFile("./photo.png"));
    QDir::setCurrent(before);
    QCOMPARE(w.frame()->recentFiles(), QStringList{file});
    QCOMPARE(w.doc().path, file.toStdString());
  }

  void keypadZoomsAndAltOpensTheMenus() {
    QTemporaryDir dir;
    WindowHarness w(dir.path(), {"orvane-nr", photo(dir)});
    settle(w);
    w.frame()->runCommand(cmd::kFullCropMode);
    w.view()->setFocus();
    QTest::keyClick(w.view(), Qt::Key_Plus, Qt::KeypadModifier);
    QTest::keyClick(w.view(), Qt::Key_Plus, Qt::KeypadModifier);
    const double zoomed = w.doc().crop().enlarge;
    QVERIFY(zoomed > 1.0);
    QTest::keyClick(w.view(), Qt::Key_Minus, Qt::KeypadModifier);
    QVERIFY(w.doc().crop().enlarge < zoomed);
    QVERIFY(w.doc().crop().enlarge > 1.0);
    // Typed in a pane, the keypad's keys zoom as well.
    QWidget* pane = w.frame()->pane(kPaneColorCorrectionId)->widget();
    QTest::keyClick(pane, Qt::Key_Minus, Qt::KeypadModifier);
    QCOMPARE(w.doc().crop().enlarge, 1.0);
    if (!w.active) QSKIP("the window is not active here: Alt+F and Ctrl+Q need the keyboard");
    QTest::keyClick(w.frame(), Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(w.frame()->menuBar()->activeAction() != nullptr);
    QCOMPARE(w.frame()->menuBar()->activeAction()->text(), QStringLiteral("&File"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTest::keyClick(QApplication::activePopupWidget() != nullptr ? QApplication::activePopupWidget() : w.frame(),
                    Qt::Key_Escape);
    QTest::keyClick(w.frame(), Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!w.frame()->isVisible());
  }

  void enterInAPaneEntryOnlyCommitsTheValue() {
    QTemporaryDir dir;
    WindowHarness w(dir.path(), {"orvane-nr", photo(dir)});
    settle(w);
    w.frame()->runCommand(cmd::kFullCropMode);
    QDockWidget* files = w.frame()->pane(kPaneFilePropertiesId);
    files->show();
    files->raise();
    auto* enlarge = files->widget()->findChild<ValueSlider*>(QStringLiteral("enlargeSlider"));
    QVERIFY(enlarge != nullptr);
    QTRY_VERIFY(enlarge->isVisible());
    // The Enlarge slider's typed value: Enter sets the enlargement and stays in Full/Crop.
    QTest::mouseClick(enlarge, Qt::RightButton, {}, enlarge->rect().center());
    QLineEdit* field = enlarge->typedField();
    QVERIFY(field != nullptr);
    QTest::keyClicks(field, QStringLiteral("50"));
    QTest::keyClick(field, Qt::Key_Return);
    QTRY_COMPARE(w.doc().crop().enlarge, 2.0);
    QCOMPARE(w.doc().fullCropMode, 1);
    QCOMPARE(w.doc().sourceImage.Width(), 800);
    QCOMPARE(enlarge->position(), 50);
    // Enter in any entry box of a pane stays there.
    auto* folder = files->widget()->findChild<QLineEdit*>(QStringLiteral("folderBox"));
    QVERIFY(folder != nullptr);
    QTest::mouseClick(folder, Qt::LeftButton);
    QCOMPARE(w.frame()->focusWidget(), folder);
    QTest::keyClick(folder, Qt::Key_Return);
    QCOMPARE(w.doc().fullCropMode, 1);
    QCOMPARE(w.doc().sourceImage.Width(), 800);
    QVERIFY(w.questions.empty());
  }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
