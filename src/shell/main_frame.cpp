#include "shell/main_frame.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/command_table.h"
#include "app/save_sequence.h"
#include "app/view_rules.h"
#include "colour/reference_store.h"
#include "shell/command_registry.h"
#include "shell/file_filter.h"
#include "shell/panes/colour_correction_pane.h"
#include "shell/panes/colour_match_pane.h"
#include "shell/panes/file_properties_pane.h"
#include "shell/panes/nr_options_pane.h"
#include "shell/dialogs/customize_dialog.h"
#include "shell/dialogs/folder_browser.h"
#include "shell/dialogs/memory_settings_dialog.h"
#include "shell/dialogs/prev_file_dlg.h"
#include "shell/dialogs/profile_name_dialog.h"
#include "shell/dialogs/save_dialogs.h"
#include "shell/qt_host.h"
#include "view/hushwick_view.h"
#include "view/mode_tab_strip.h"

namespace orvane {
namespace {

constexpr int kCloseRetryMs = 1000;

// A control that takes typed text.
bool IsEntryBox(const QWidget* w) {
  if (w == nullptr) return false;
  if (qobject_cast<const QLineEdit*>(w) != nullptr || qobject_cast<const QAbstractSpinBox*>(w) != nullptr ||
      qobject_cast<const QPlainTextEdit*>(w) != nullptr)
    return true;
  const auto* combo = qobject_cast<const QComboBox*>(w);
  return combo != nullptr && combo->isEditable();
}
// Layout blobs carry a version so that a layout of another build is not half applied.
constexpr int kLayoutVersion = 1;

struct PaneSpec {
  int id;
  const char* title;
  int width, height;
};
constexpr PaneSpec kPanes[4] = {{kPaneNrOptionsId, "NR Options", kPaneDefaultWidth, 130},
                                {kPaneFilePropertiesId, "File Properties", kPaneDefaultWidth, 120},
                                {kPaneColorCorrectionId, "Color Correction", kPaneDefaultWidth, 200},
                                {kPaneColorMatchId, "Color Match", kPaneDefaultWidth, 200}};

}  // namespace

CMainFrame::CMainFrame(CHushwickDoc& doc, QtUiHost& host, QtSettingsStore& settings)
    : doc_(doc), host_(host), settings_(settings), referenceStore_(std::make_unique<ReferenceStore>()) {
  setObjectName(QStringLiteral("MainFrame"));
  setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);

  view_ = new CHushwickView(doc_, this);
  tabStrip_ = new ModeTabStrip(this);
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(view_, 1);
  layout->addWidget(tabStrip_);
  setCentralWidget(central);
  connect(tabStrip_, &ModeTabStrip::commandRequested, this, [this](int id) { runCommand(id); });
  view_->onVisibleRegionChanged = [this] {
    if (fileProperties_ != nullptr) fileProperties_->showVisibleRegion(view_->visibleRegion());
  };
  view_->openDroppedFile = [this](const std::string& path) { return openFile && openFile(path); };

  createStatusBar();
  createBars();
  applyInterfaceTheme(InterfaceThemeFromStored(settings_.getInt(key::kInterfaceTheme)));
  createPanes();
  applyPaneTheme(PaneThemeFromStored(settings_.getInt(key::kPaneTheme)));
  // Stored bar and pane layouts replace the first arrangement.
  restoreState(settings_.getBytes(key::kBarsLayout), kLayoutVersion);
  restoreState(settings_.getBytes(key::kPanesLayout), kLayoutVersion);
  panes_[kPaneNrOptionsId - kPaneNrOptionsId]->show();
  panes_[kPaneColorCorrectionId - kPaneNrOptionsId]->show();
  cropBar_->hide();

  host_.setWindow(this, statusBar());
  // Paste follows the clipboard at once: its shortcut works only while the action is enabled.
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
    clipboardHasImage_ = CHushwickView::clipboardHasImage();
    updateCommandStates();
  });
  clipboardHasImage_ = CHushwickView::clipboardHasImage();
  closeRetry_.setSingleShot(true);
  connect(&closeRetry_, &QTimer::timeout, this, [this] { close(); });
  refreshPanes();
  updateCommandStates();
  updateTitle();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::createStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
    auto* label = new QLabel(QString::fromLatin1(indicator), bar);
    label->setObjectName(QString::fromLatin1(indicator));
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 10);
    label->setEnabled(false);
    bar->addPermanentWidget(label);
  }
  bar->showMessage(QStringLiteral("Ready"));
  // The run's progress bar comes and goes; the bar's height must not, or the view would be
  // resized (and its region run started again) by every run.
  bar->setFixedHeight(std::max(bar->sizeHint().height(), QProgressBar().sizeHint().height() + 4));
}

void CMainFrame::createBars() {
  commands_ = new CommandRegistry(this, [this](int id) { runCommand(id); });
  menuBar()->setObjectName(QStringLiteral("Menu Bar"));
  commands_->buildMenuBar(menuBar(), &recentMenu_);
  for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
    connect(menu, &QMenu::aboutToShow, this, [this] { updateCommandStates(); });
  }
  standardBar_ = addToolBar(QStringLiteral("Standard"));
  standardBar_->setObjectName(QStringLiteral("Standard"));
  standardBar_->setIconSize(QSize(16, 15));
  cropBar_ = addToolBar(QStringLiteral("Crop"));
  cropBar_->setObjectName(QStringLiteral("Crop"));
  cropBar_->setIconSize(QSize(16, 15));
  const ToolbarButtons defaults = DefaultToolbarButtons();
  toolbarButtons_.standard =
      ButtonsFromText(settings_.getString(key::kStandardButtons), defaults.standard);
  toolbarButtons_.crop =
      ButtonsFromText(settings_.getString(key::kCropButtons), defaults.crop);
  commands_->fillToolbar(standardBar_, toolbarButtons_.standard);
  commands_->fillToolbar(cropBar_, toolbarButtons_.crop);
  setRecentFiles({});
}

void CMainFrame::setToolbarButtons(const ToolbarButtons& buttons) {
  toolbarButtons_ = buttons;
  commands_->fillToolbar(standardBar_, buttons.standard);
  commands_->fillToolbar(cropBar_, buttons.crop);
  settings_.setString(key::kStandardButtons, ButtonsText(buttons.standard));
  settings_.setString(key::kCropButtons, ButtonsText(buttons.crop));
}

void CMainFrame::createPanes() {
  for (const PaneSpec& paneEntry : kPanes) {
    auto* dock = new QDockWidget(QString::fromLatin1(paneEntry.title), this);
    dock->setObjectName(QStringLiteral("pane%1").arg(paneEntry.id));
    PaneWidget* body = nullptr;
    switch (paneEntry.id) {
      case kPaneNrOptionsId: body = nrOptions_ = new NrOptionsPane(dock); break;
      case kPaneFilePropertiesId: body = fileProperties_ = new FilePropertiesPane(dock); break;
      case kPaneColorCorrectionId: body = colourCorrection_ = new ColourCorrectionPane(dock); break;
      default:
        body = colourMatch_ = new ColourMatchPane(*referenceStore_, settings_, DefaultProfileFolders(), dock);
        break;
    }
    body->installEventFilter(this);
    dock->setWidget(body);
    panes_[paneEntry.id - kPaneNrOptionsId] = dock;
  }
  // What the panes ask of the view.
  connect(nrOptions_, &NrOptionsPane::previewRequested, this, [this] { view_->RunRegionPreview(); });
  connect(fileProperties_, &FilePropertiesPane::previewRequested, this, [this] {
    view_->RunRegionPreview();
    view_->PublishVisibleRegion();
  });
  connect(fileProperties_, &FilePropertiesPane::scrollRequested, this,
          [this](double fx, double fy) { view_->ScrollToFraction(fx, fy); });
  // The panes ask through the program's own dialogs: the open dialog with its preview, the
  // "Profile Name" box and the folder chooser that takes a typed path.
  colourMatch_->chooseReference = [this] { return ChooseReferenceImage(this, settings_).toStdString(); };
  colourMatch_->askProfileName = [this](std::string& name) {
    QString chosen;
    if (!ProfileNameDialog::ask(this, &chosen)) return false;
    name = chosen.toStdString();
    return true;
  };
  fileProperties_->browseFolder = [this] {
    FolderBrowser browser(host_, QString::fromLatin1(kFolderBrowserTitle),
                          QString::fromLatin1(kFolderBrowserPrompt),
                          QString::fromStdString(fileProperties_->outputFolder()), this);
    QString chosen;
    return browser.run(&chosen) ? chosen.toStdString() : std::string();
  };
  QDockWidget* nr = pane(kPaneNrOptionsId);
  QDockWidget* cc = pane(kPaneColorCorrectionId);
  QDockWidget* cm = pane(kPaneColorMatchId);
  QDockWidget* fp = pane(kPaneFilePropertiesId);
  addDockWidget(Qt::RightDockWidgetArea, nr);
  splitDockWidget(nr, cc, Qt::Vertical);
  tabifyDockWidget(cc, cm);
  cc->raise();
  addDockWidget(Qt::LeftDockWidgetArea, fp);
  resizeDocks({nr, fp}, {kPaneDefaultWidth, kPaneDefaultWidth}, Qt::Horizontal);
  resizeDocks({nr, cc}, {130, 200}, Qt::Vertical);
}

QDockWidget* CMainFrame::pane(int id) const {
  const int i = id - kPaneNrOptionsId;
  return i >= 0 && i < 4 ? panes_[i] : nullptr;
}

void CMainFrame::togglePane(int paneId) {
  QDockWidget* dock = pane(paneId);
  if (dock == nullptr) return;
  if (dock->isHidden()) {
    dock->show();
    dock->raise();
  } else {
    dock->close();
  }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->objectName().startsWith(QLatin1String("paneBody"))) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (ForwardPaneKey(key, static_cast<QWidget*>(watched))) return true;
    // A pane never closes on Esc or Enter.
    if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
      return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::ForwardPaneKey(QKeyEvent* event, const QWidget* origin) {
  if (view_ == nullptr) return false;
  if (event->type() != QEvent::KeyPress) return false;
  const int key = event->key();
  const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  if (key == Qt::Key_Escape && mods == 0) view_->setFocus();
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  // Enter in an entry box commits what was typed and nothing more: passed on, it would leave
  // Full/Crop mode and crop the picture.
  if (enter && origin != nullptr && IsEntryBox(origin->window()->focusWidget())) return false;
  // Only the window's shortcuts go on to the view's side.
  if (!enter) return triggerShortcut(event);
  view_->handleKey(key);
  return true;
}

bool CMainFrame::triggerShortcut(const QKeyEvent* event) {
  const Qt::KeyboardModifiers mods =
      event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier);
  const QKeySequence typed(QKeyCombination(mods, static_cast<Qt::Key>(event->key())));
  for (QAction* a : actions()) {
    if (!a->shortcuts().contains(typed)) continue;
    if (a->isEnabled()) a->trigger();
    return true;
  }
  return false;
}

void CMainFrame::keyPressEvent(QKeyEvent* event) {
  // Qt's shortcut matching drops the keypad modifier, so the keypad's own shortcuts (Zoom In
  // and Out on + and -) arrive here, from the view, unmatched.
  if ((event->modifiers() & Qt::KeypadModifier) && triggerShortcut(event)) {
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void CMainFrame::documentChanged(unsigned changes, const void* origin) {
  if (changes & kChangeMode) showModeTab(ModeTabOf(doc_.fullCropMode, doc_.viewTab()));
  if (changes & (kChangePicture | kChangeSettings | kChangeCrop | kChangeMode)) {
    refreshPanes(origin);
  } else if (changes & kChangeRunState) {
    nrOptions_->UpdateEnabling();  // Auto waits for the run
  }
  if (changes & (kChangePicture | kChangeMode)) view_->UpdateScrollBars();
  if (changes & kChangeRegion) view_->PublishVisibleRegion();
  if (changes & kChangeFile) {
    addRecentFile(doc_.path);
    view_->ScrollToFraction(0.0, 0.0);
  }
  if (changes & (kChangeStale | kChangeFile)) view_->RunRegionPreview();
  view_->viewport()->update();
  updateCommandStates();
  if (changes & (kChangePicture | kChangeMode)) updateTitle();
}

void CMainFrame::showModeTab(int tab) {
  tabStrip_->setCurrentIndex(tab);
  cropBar_->setVisible(tab == kTabFullCrop);
}

void CMainFrame::refreshPanes(const void* origin) {
  for (PaneWidget* pane : std::initializer_list<PaneWidget*>{nrOptions_, fileProperties_, colourCorrection_, colourMatch_})
    if (pane != origin) pane->AttachDocument(&doc_);
}

void CMainFrame::addRecentFile(const std::string& path) {
  QStringList files = recent_;
  const QString p = QString::fromStdString(path);
  files.removeAll(p);
  files.prepend(p);
  while (files.size() > 4) files.removeLast();
  setRecentFiles(files);
  for (int i = 0; i < 4; ++i) {
    settings_.setString(key::kRecentFiles[i],
                        i < files.size() ? files[i].toStdString() : std::string());
  }
}

void CMainFrame::setRecentFiles(const QStringList& files) {
  recent_ = files;
  QAction* placeholder = commands_->action(cmd::kRecentFile);
  for (QAction* a : recentActions_) {
    recentMenu_->removeAction(a);
    a->deleteLater();
  }
  recentActions_.clear();
  placeholder->setVisible(files.isEmpty());
  for (int i = 0; i < files.size(); ++i) {
    const QString path = files[i];
    auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()), this);
    a->setStatusTip(QStringLiteral("Open this document"));
    a->setData(path);
    connect(a, &QAction::triggered, this, [this, path] {
      if (openFile) openFile(path.toStdString());
    });
    recentMenu_->insertAction(placeholder, a);
    recentActions_.append(a);
  }
}

CommandFacts CMainFrame::facts() const {
  CommandFacts f;
  f.hasImage = !doc_.sourceImage.IsEmpty();
  f.hasPath = !doc_.path.empty();
  f.busy = doc_.busy;
  f.fullCropMode = doc_.fullCropMode;
  f.viewTab = doc_.viewTab();
  f.canZoomIn = doc_.canZoomIn();
  f.canZoomOut = doc_.canZoomOut();
  f.showGrid = view_->showGrid();
  f.clipboardHasImage = clipboardHasImage_;
  f.statusBarVisible = !statusBar()->isHidden();
  f.toolbarVisible = !standardBar_->isHidden();
  for (int i = 0; i < 4; ++i) f.paneOpen[i] = !panes_[i]->isHidden();
  f.interfaceTheme = interfaceTheme_;
  f.paneTheme = paneTheme_;
  return f;
}

void CMainFrame::updateCommandStates() { commands_->applyStates(facts()); }

void CMainFrame::updateTitle() {
  QString name = QString::fromStdString(doc_.path);
  name = name.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(name).fileName();
  setWindowTitle(name + QStringLiteral(" - ") + QString::fromLatin1(kAppTitle));
}

void CMainFrame::runCommand(int id) {
  if (doc_.busy && RefusedWhileBusy(id)) return;
  if (const int paneId = PaneOfToggle(id); paneId != 0) {
    togglePane(paneId);
  } else if (const int t = InterfaceThemeOfCommand(id); t >= 0) {
    applyInterfaceTheme(t);
    settings_.setInt(key::kInterfaceTheme, t);
  } else if (const int t = PaneThemeOfCommand(id); t >= 0) {
    applyPaneTheme(t);
    settings_.setInt(key::kPaneTheme, t);
  } else {
    switch (id) {
      case cmd::kOpen:
      case cmd::kHelp:
      case cmd::kAbout:
      case cmd::kNew:
        if (applicationCommand) applicationCommand(id);
        break;
      case cmd::kReload:
        if (const int rc = doc_.reloadFile(); rc == kOk)
          view_->setPreviewTimer(kPreviewDelayShown);
        else
          host_.showMessage(OpenFailureMessage(doc_.path, rc));
        break;
      case cmd::kSave:
      case cmd::kSaveAs: {
        QtSaveDialogs dialogs(host_, this);
        RunSaveCommand(doc_, settings_, dialogs);
        break;
      }
      case cmd::kExit: close(); break;
      case cmd::kPaste: view_->paste(); break;
      case cmd::kStatusBar: statusBar()->setVisible(statusBar()->isHidden()); break;
      case cmd::kToolbar: standardBar_->setVisible(standardBar_->isHidden()); break;
      case cmd::kDetailMode:
      case cmd::kFullCropMode:
      case cmd::kCurves:
      case cmd::kHistogram: RunModeCommand(doc_, id); break;
      case cmd::kNextMode: RunModeCommand(doc_, NextModeCommand(tabStrip_->currentIndex())); break;
      case cmd::kPreviousMode:
        RunModeCommand(doc_, PreviousModeCommand(tabStrip_->currentIndex()));
        break;
      case cmd::kPreviousImage: doc_.stepInFolder(false); break;
      case cmd::kNextImage: doc_.stepInFolder(true); break;
      case cmd::kRotateCcw: doc_.RotateImage(false); break;
      case cmd::kRotateCw: doc_.RotateImage(true); break;
      case cmd::kApplyCrop: doc_.LeaveCropMode(false, true); break;
      case cmd::kEstimateNoise: nrOptions_->EstimateNoiseLevel(); break;
      case cmd::kGrid: view_->toggleGrid(); break;
      case cmd::kZoomIn: doc_.zoomIn(); break;
      case cmd::kZoomOut: doc_.zoomOut(); break;
      case cmd::kCustomize: {
        CustomizeDialog dialog(*commands_, toolbarButtons_, this);
        dialog.exec();
        if (dialog.buttons() != toolbarButtons_) setToolbarButtons(dialog.buttons());
        break;
      }
      case cmd::kMemorySettings: {
        MemorySettingsDialog dialog(doc_, host_, this);
        dialog.exec();
        break;
      }
      default: break;  // disabled until their dialogs exist
    }
  }
  updateCommandStates();
  updateTitle();
}

// Themes: a Qt style and palette per interface theme, a dock title look per pane theme.
void CMainFrame::applyInterfaceTheme(int code) {
  interfaceTheme_ = InterfaceThemeFromStored(code);
  static const QString nativeStyle = QApplication::style()->name();
  QString styleName = QStringLiteral("Fusion");
  QPalette palette;
  switch (interfaceTheme_) {
    case 0: {  // Office XP: light grey bars, lilac highlight
      palette = QPalette(QColor(246, 246, 246));
      palette.setColor(QPalette::Highlight, QColor(182, 189, 210));
      palette.setColor(QPalette::HighlightedText, Qt::black);
      break;
    }
    case 1: {  // Office 2000: the classic grey, raised
      styleName = QStringLiteral("Windows");
      palette = QPalette(QColor(212, 208, 200));
      palette.setColor(QPalette::Highlight, QColor(10, 36, 106));
      break;
    }
    case 3: {  // Native: the desktop's own style
      styleName = nativeStyle;
      break;
    }
    default: {  // Office 2003: pale blue bars, orange highlight
      palette = QPalette(QColor(221, 236, 254));
      palette.setColor(QPalette::Highlight, QColor(255, 213, 140));
      palette.setColor(QPalette::HighlightedText, Qt::black);
      break;
    }
  }
  if (QStyle* style = QStyleFactory::create(styleName)) {
    QApplication::setStyle(style);
    if (interfaceTheme_ == 3) palette = style->standardPalette();
  }
  QApplication::setPalette(palette);
  update();
}

void CMainFrame::applyPaneTheme(int code) {
  // On a blue or dark grey caption the style's grey float and close marks all but vanish:
  // light squares under them.
  static const QString kLightCaptionButtons = QStringLiteral(
      "QDockWidget::close-button, QDockWidget::float-button { background: rgb(236,242,255); "
      "border: 1px solid white; border-radius: 3px; }"
      "QDockWidget::close-button:hover, QDockWidget::float-button:hover { background: white; }");
  paneTheme_ = PaneThemeFromStored(code);
  QString sheet;
  switch (paneTheme_) {
    case 1:  // Visual Studio .NET: flat grey caption
      sheet = QStringLiteral("QDockWidget::title { background: rgb(212,208,200); padding: 3px; }");
      break;
    case 2:  // Visual Studio 6: darker raised caption
      sheet = QStringLiteral(
                  "QDockWidget::title { background: rgb(160,160,160); border: 1px outset white; "
                  "padding: 3px; }") +
              kLightCaptionButtons;
      break;
    case 3:  // Visio: blue caption, white text
      sheet = QStringLiteral(
                  "QDockWidget { color: white; } QDockWidget::title { background: rgb(90,126,190); "
                  "padding: 3px; }") +
              kLightCaptionButtons;
      break;
    case 6:  // Native: the blue gradient caption
      sheet = QStringLiteral(
                  "QDockWidget { color: white; font-weight: bold; } QDockWidget::title { background: "
                  "qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 rgb(0,84,227), stop:1 rgb(61,149,255)); "
                  "padding: 3px; }") +
              kLightCaptionButtons;
      break;
    case 5:  // Office 2003: pale-to-mid blue gradient caption
      sheet = QStringLiteral(
          "QDockWidget::title { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 "
          "rgb(227,239,255), stop:1 rgb(135,173,228)); padding: 3px; }");
      break;
    default:  // Default: the style's own caption
      break;
  }
  for (QDockWidget* dock : panes_) {
    if (dock != nullptr) dock->setStyleSheet(sheet);
  }
}

bool CMainFrame::restorePlacement() {
  const SettingKey* keys[5] = {&key::kFrameStatus, &key::kFrameTop, &key::kFrameLeft, &key::kFrameBottom,
                               &key::kFrameRight};
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect work = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  int v[5];
  for (int i = 0; i < 5; ++i) {
    v[i] = settings_.getInt(*keys[i]);
    if (v[i] == -1) {
      // Any missing value: maximised, with three quarters of the work area, centred, as the
      // size to return to.
      const QSize size = work.size() * 3 / 4;
      setGeometry(QRect(work.center() - QPoint(size.width() / 2, size.height() / 2), size));
      return true;
    }
  }
  // The size the window will have: the stored one, but never below what the window allows.
  const QSize least = minimumSize().expandedTo(minimumSizeHint()).expandedTo(QSize(100, 100));
  const int width = std::max(v[4] - v[2], least.width()), height = std::max(v[3] - v[1], least.height());
  const int left = v[2] + work.left(), top = v[1] + work.top();
  const Rect placed = PlaceOnWorkArea(Rect{left, top, left + width, top + height},
                                      Rect{work.left(), work.top(), work.left() + work.width(),
                                           work.top() + work.height()});
  const int x = placed.left, y = placed.top;
  setGeometry(x, y, width, height);
  // Stored as it was set: the window system's idea of it may differ by its frame.
  normalPlacement_ = v[0] == 3 ? QRect(x, y, width, height) : QRect();
  return v[0] == 3;
}

void CMainFrame::savePlacementAndLayout() {
  settings_.setBytes(key::kBarsLayout, saveState(kLayoutVersion));
  settings_.setBytes(key::kPanesLayout, saveState(kLayoutVersion));
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect work = screen != nullptr ? screen->availableGeometry() : QRect();
  const QRect normal = normalPlacement_.isValid() ? normalPlacement_ : normalGeometry();
  const QRect r = isMaximized() || isMinimized() ? normal : geometry();
  settings_.setInt(key::kFrameStatus, isMaximized() ? 3 : isMinimized() ? 2 : 1);
  settings_.setInt(key::kFrameTop, r.top() - work.top());
  settings_.setInt(key::kFrameLeft, r.left() - work.left());
  settings_.setInt(key::kFrameBottom, r.top() + r.height() - work.top());
  settings_.setInt(key::kFrameRight, r.left() + r.width() - work.left());
}

void CMainFrame::changeEvent(QEvent* event) {
  // Back to the normal state: the window system's geometry is the normal one again.
  if (event->type() == QEvent::WindowStateChange && windowState() == Qt::WindowNoState)
    normalPlacement_ = QRect();
  QMainWindow::changeEvent(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // A long operation is handling events from inside its own loop: closing now would destroy
  // the document under it. Try again a second later.
  if (host_.draining() || doc_.busy) {
    event->ignore();
    if (!closeRetry_.isActive()) closeRetry_.start(kCloseRetryMs);
    return;
  }
  savePlacementAndLayout();
  event->accept();
}

}  // namespace orvane
