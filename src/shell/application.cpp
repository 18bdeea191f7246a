#include "shell/application.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QUrl>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/command_table.h"
#include "app/document.h"
#include "app/dialog_rules.h"
#include "app/install_paths.h"
#include "app/view_rules.h"
#include "imagefile/format_lists.h"
#include "imagefile/result_words.h"
#include "shell/dialogs/prev_file_dlg.h"
#include "shell/main_frame.h"
#include "shell/panes/file_properties_pane.h"
#include "shell/qt_host.h"
#include "shell/quit_signals.h"
#include "view/hushwick_view.h"

namespace orvane {
OrvaneApp::OrvaneApp(QtSettingsStore& settings)
    : settings_(settings), host_(std::make_unique<QtUiHost>()) {
  saveType = settings_.getInt("Settings", "SaveType", 0);
  savePath = settings_.getString("Settings", "SavePath", "");
  chooseOpenFile = [this](const QString& startFolder) {
    CPrevFileDlg dialog(frame_.get(), QString::fromLatin1(kOpenDialogTitle), OpenDialogFilter(),
                        startFolder);
    return dialog.choose();
  };
  openHelpFile = [](const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  };
}

OrvaneApp::~OrvaneApp() {
  settings_.setInt("Settings", "SaveType", saveType);
  settings_.setString("Settings", "SavePath", savePath);
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
  doc_->setViews(frame_.get());
  frame_->applicationCommand = [this](int id) { runApplicationCommand(id); };
  frame_->openFile = [this](const std::string& path) { return openPath(path) == kOk; };
  // The File Properties pane edits the default output folder the save dialog starts in.
  FilePropertiesPane* files = frame_->filePropertiesPane();
  files->setOutputFolder(saveType, savePath);
  files->onOutputFolderChanged = [this](int mode, const std::string& folder) {
    saveType = mode;
    savePath = folder;
  };
  QStringList recent;
  for (int i = 1; i <= 4; ++i) {
    const std::string f = settings_.getString("Recent File List", "File" + std::to_string(i), "");
    if (!f.empty()) recent << QString::fromStdString(f);
  }
  frame_->setRecentFiles(recent);
  if (arguments.size() > 1) {
    const std::string path = arguments.at(1).toStdString();
    if (const int rc = openPath(path); rc != kOk) {
      host_->showMessage("Cannot open " + path + ":\n" + LoadFailureWords(path, rc));
    }
  }
  return true;
}

void OrvaneApp::closeOnSignal() {
  // As the close box would; a run under way puts the close off and the window tries again. A
  // dialog left open must not keep the program alive once the window has gone.
  if (frame_->close()) QCoreApplication::quit();
}

void OrvaneApp::showWindow() {
  if (frame_->restorePlacement()) {
    // Without a window manager nothing would make the window large: give it the work area.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      frame_->setGeometry(screen->availableGeometry());
    frame_->showMaximized();
  } else {
    frame_->show();
  }
  frame_->repaint();
}

int OrvaneApp::openPath(const std::string& path) {
  if (doc_->busy) return kInvalidArgument;
  const int rc = doc_->openFile(path);
  frame_->updateTitle();
  if (rc != kOk) return rc;
  frame_->addRecentFile(path);
  CHushwickView* view = frame_->view();
  view->UpdateScrollBars();
  view->PublishVisibleRegion();
  view->setPreviewTimer(kPreviewDelayShown);
  frame_->updateCommandStates();
  return kOk;
}

void OrvaneApp::open() {
  const std::string folder = settings_.getString("Document", "Path", "");
  const QString chosen = chooseOpenFile(QString::fromStdString(folder));
  if (chosen.isEmpty()) return;
  const std::string path = chosen.toStdString();
  openPath(path);
  settings_.setString("Document", "Path", FolderOfPath(path));
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

void OrvaneApp::newDocument() {
  doc_->path.clear();
  if (doc_->fullCropMode) {
    doc_->fullCropMode = 0;
    doc_->fullCropBitmap.Release();
  }
  frame_->AttachDocument(doc_.get());
  frame_->SelectModeTab(ModeTabOf(doc_->fullCropMode, doc_->viewTab), doc_.get());
  frame_->updateTitle();
  frame_->view()->viewport()->update();
}

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
  // Answered before any window system is needed (scripts and the install check ask it).
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("orvane-nr %s\n", ORVANE_VERSION);
    return 0;
  }
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Quillmark"));
  QCoreApplication::setApplicationName(QStringLiteral("Orvane NR"));
  QtSettingsStore settings;
  OrvaneApp orvane(settings);
  // Set up first: a signal that comes while the picture loads is handled once the loop runs.
  const QuitSignals quitSignals([&orvane] { orvane.closeOnSignal(); });
  if (!orvane.start(QCoreApplication::arguments())) return 1;
  orvane.showWindow();
  return QApplication::exec();
}

}  // namespace orvane
