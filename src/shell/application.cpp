#include "shell/application.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/command_table.h"
#include "app/document.h"
#include "app/desktop_start.h"
#include "app/dialog_rules.h"
#include "app/install_paths.h"
#include "app/save_names.h"
#include "app/view_rules.h"
#include "imagefile/format_lists.h"
#include "shell/dialogs/prev_file_dlg.h"
#include "shell/help_viewer.h"
#include "shell/main_frame.h"
#include "shell/panes/file_properties_pane.h"
#include "shell/qt_host.h"
#include "shell/quit_signals.h"
#include "view/hushwick_view.h"

namespace orvane {
namespace {

// How long a window manager may take to maximise the window.
constexpr int kMaximiseWaitMs = 400;

}  // namespace

OrvaneApp::OrvaneApp(QtSettingsStore& settings)
    : settings_(settings), host_(std::make_unique<QtUiHost>()), helpViewer_(new HelpViewer(this)) {
  chooseOpenFile = [this](const QString& startFolder) {
    CPrevFileDlg dialog(frame_.get(), QString::fromLatin1(kOpenDialogTitle), OpenDialogFilter(),
                        startFolder);
    return dialog.choose();
  };
  openHelpFile = [this](const QString& path) {
    return helpViewer_->show(path, [this, path](int code) {
      host_->showMessage(HelpViewerFailureWords(path.toStdString(), code));
    });
  };
}

OrvaneApp::~OrvaneApp() {
  frame_.reset();
  doc_.reset();  // writes "CropAspect"
  settings_.sync();
}

QIcon ProgramIcon(const QString& programFolder) {
  QIcon icon;
  for (const std::filesystem::path& file : ProgramIconFiles(programFolder.toStdString()))
    icon.addFile(QString::fromStdString(file.string()));
  return icon.isNull() ? QIcon::fromTheme(QStringLiteral("orvane-nr")) : icon;
}

bool OrvaneApp::start(const QStringList& arguments) {
  // The window, its dialogs and the window manager's lists show the installed icon.
  QApplication::setWindowIcon(ProgramIcon(QCoreApplication::applicationDirPath()));
  doc_ = std::make_unique<CHushwickDoc>(*host_, settings_);
  frame_ = std::make_unique<CMainFrame>(*doc_, *host_, settings_);
  doc_->setObserver(frame_.get());
  frame_->applicationCommand = [this](int id) { runApplicationCommand(id); };
  frame_->openFile = [this](const std::string& path) { return openPath(path) == kOk; };
  // The File Properties pane edits the default output folder the save dialog starts in.
  FilePropertiesPane* files = frame_->filePropertiesPane();
  const OutputFolderChoice output = ReadOutputFolder(settings_);
  files->setOutputFolder(output.mode, output.folder);
  files->onOutputFolderChanged = [this](int mode, const std::string& folder) {
    StoreOutputFolder(settings_, {mode, folder});
  };
  QStringList recent;
  for (int i = 1; i <= 4; ++i) {
    const std::string f = settings_.getString(key::kRecentFiles[i - 1]);
    if (!f.empty()) recent << QString::fromStdString(f);
  }
  frame_->setRecentFiles(recent);
  // Said once, before anything is changed in vain.
  if (!settings_.writable())
    host_->showMessage("The settings file " + settings_.fileName().toStdString() +
                       " cannot be written: settings changed now will not be kept.");
  if (arguments.size() > 1) openPath(arguments.at(1).toStdString());
  return true;
}

void OrvaneApp::closeOnSignal() {
  quitRequested_ = true;
  // Message boxes and dialogs first (one may be open before the window is shown, from the
  // file named at start): each ends as its close box would end it.
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<QDialog*>(w); dialog != nullptr && dialog->isVisible() && dialog->isModal())
      dialog->reject();
  }
  // Then the window, as the close box would; a run under way puts the close off and the window
  // tries again. A window not shown yet stores no placement; RunDesktopProgram sees
  // quitRequested and does not show it.
  if (frame_ != nullptr && frame_->isVisible() && frame_->close()) QCoreApplication::quit();
}

void OrvaneApp::showWindow() {
  // The placement sets the normal geometry, which un-maximising returns to and exit stores.
  if (frame_->restorePlacement()) {
    const QRect normal = frame_->geometry();
    frame_->showMaximized();
    // Without a window manager nothing makes the window large: give it the work area then,
    // keeping the normal geometry for later.
    QTimer::singleShot(kMaximiseWaitMs, frame_.get(), [this, normal] {
      const QScreen* screen = QGuiApplication::primaryScreen();
      if (screen == nullptr || !frame_->isMaximized() || frame_->size() != normal.size()) return;
      frame_->setGeometry(screen->availableGeometry());
      frame_->setWindowState(frame_->windowState() | Qt::WindowMaximized);  // as it was
      frame_->setNormalPlacement(normal);
    });
  } else {
    frame_->show();
  }
  frame_->repaint();
}

int OrvaneApp::openPath(const std::string& named) {
  if (doc_->busy) return kInvalidArgument;
  // Kept as a full path: the recent-file list must work from any folder.
  const std::string path = FullPath(named);
  const int rc = doc_->openFile(path);
  if (rc != kOk) {
    host_->showMessage(OpenFailureMessage(path, rc));
    return rc;
  }
  // The document has told the window of the new picture; the recent list and the first
  // preview are the window's own.
  frame_->addRecentFile(path);
  frame_->view()->setPreviewTimer(kPreviewDelayShown);
  return kOk;
}

void OrvaneApp::open() {
  const std::string folder = settings_.getString(key::kOpenFolder);
  const QString chosen = chooseOpenFile(QString::fromStdString(folder));
  if (chosen.isEmpty()) return;
  const std::string path = chosen.toStdString();
  openPath(path);
  settings_.setString(key::kOpenFolder, FolderOfPath(path));
}

QString OrvaneApp::helpFilePath() const {
  const std::filesystem::path program = QCoreApplication::applicationDirPath().toStdString();
  return QString::fromStdString(HelpFilePath(program).string());
}

void OrvaneApp::help() {
  const QString path = helpFilePath();
  if (!QFileInfo::exists(path)) {
    host_->showMessage("Cannot find " + path.toStdString());
    return;
  }
  if (!openHelpFile(path)) {
    host_->showMessage(
        "There is no application associated with the HTML filename extension.\nYou need Netscape "
        "Navigator or Internet Explorer to view the help files.");
  }
}

void OrvaneApp::about() {
  QDialog dialog(frame_.get());
  dialog.setObjectName(QStringLiteral("AboutDialog"));
  dialog.setWindowTitle(QString::fromLatin1(kAboutTitle));
  auto* layout = new QHBoxLayout(&dialog);
  layout->setContentsMargins(20, 20, 20, 20);
  layout->setSpacing(20);
  const QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) {
    auto* picture = new QLabel(&dialog);
    picture->setObjectName(QStringLiteral("AboutIcon"));
    picture->setPixmap(icon.pixmap(64, 64));
    layout->addWidget(picture, 0, Qt::AlignTop);
  }
  const auto html = [](const char* text) { return QString::fromUtf8(text).toHtmlEscaped(); };
  auto* text = new QLabel(QStringLiteral("<p><span style=\"font-size:x-large; font-weight:bold\">%1</span>"
                                         "<br>Version %2<br>%3</p><p>%4</p><p><small>%5</small></p>")
                              .arg(html(kAppTitle), QStringLiteral(ORVANE_VERSION), html(kAboutTagline),
                                   html(kAboutCopyright), html(kAboutLicence)),
                          &dialog);
  text->setObjectName(QStringLiteral("AboutText"));
  text->setWordWrap(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text->setFixedWidth(text->fontMetrics().averageCharWidth() * 56);
  layout->addWidget(text, 1);
  QFont titleFont = dialog.font();
  titleFont.setBold(true);
  dialog.setMinimumWidth(TitledBoxMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(dialog.windowTitle())));
  // No buttons: Esc or the close box ends it.
  dialog.exec();
}

void OrvaneApp::newDocument() { doc_->newDocument(); }

void OrvaneApp::runApplicationCommand(int id) {
  switch (id) {
    case cmd::kOpen: open(); break;
    case cmd::kHelp: help(); break;
    case cmd::kAbout: about(); break;
    case cmd::kNew: newDocument(); break;
    default: break;
  }
}

int RunDesktopProgram(int argc, char** argv) {
  // Answered before any window system is needed (scripts and the install check ask them).
  const DesktopStartChoice choice = ChooseDesktopStart(
      std::vector<std::string>(argv, argv + argc), [](const char* name) { return std::getenv(name); },
      [](const std::string& name) {
        std::error_code ec;
        return std::filesystem::exists(name, ec);
      });
  switch (choice.what) {
    case DesktopStart::kVersion: std::printf("orvane-nr %s\n", ORVANE_VERSION); return 0;
    case DesktopStart::kHelp: std::fputs(choice.text.c_str(), stdout); return 0;
    case DesktopStart::kNoDisplay: std::fputs(choice.text.c_str(), stderr); return 1;
    case DesktopStart::kUnknownOption: std::fputs(choice.text.c_str(), stderr); return 2;
    case DesktopStart::kWindow: break;
  }
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Quillmark"));
  QCoreApplication::setApplicationName(QStringLiteral("Orvane NR"));
  QtSettingsStore settings;
  OrvaneApp orvane(settings);
  // Set up first: a signal that comes while the picture loads is handled once the loop runs.
  const QuitSignals quitSignals([&orvane] { orvane.closeOnSignal(); });
  if (!orvane.start(QCoreApplication::arguments())) return 1;
  if (orvane.quitRequested()) return 0;  // a signal came while a start-up message was shown
  orvane.showWindow();
  return QApplication::exec();
}

}  // namespace orvane
