// The application object: reads the settings, creates the document, the main window and the
// view, opens a file named on the command line, and carries out Open, Help, About and New.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

namespace orvane {

class CHushwickDoc;
class CMainFrame;
class QtSettingsStore;
class QtUiHost;
class HelpViewer;

class OrvaneApp : public QObject {
  Q_OBJECT
 public:
  explicit OrvaneApp(QtSettingsStore& settings);
  ~OrvaneApp() override;

  // Creates the window and opens the file named on the command line, if any. A file that
  // cannot be read is reported; the program then starts with no picture.
  bool start(const QStringList& arguments);
  // Shows the window (maximised unless a placement is stored) and paints it at once.
  void showWindow();
  // The program was asked to end by a signal: the window is closed as by its close box, so the
  // settings are written on the way out.
  void closeOnSignal();
  bool quitRequested() const { return quitRequested_; }

  // File > Open with its dialog; openPath without it.
  void open();
  // Load's result code (0 when the picture loaded). A file that cannot be read is reported and
  // leaves the window as it was.
  int openPath(const std::string& path);
  void help();
  void about();
  void newDocument();

  // Help/Help.html beside the program, else in the installed data folder. When neither exists,
  // the path beside the program (the one named in the message).
  QString helpFilePath() const;

  CMainFrame* frame() const { return frame_.get(); }
  CHushwickDoc* document() const { return doc_.get(); }
  QtUiHost& host() const { return *host_; }

  // Replaceable for tests: the open dialog (empty: cancelled) and the help viewer (false when
  // nothing could be started; a viewer that fails later reports it itself).
  std::function<QString(const QString& startFolder)> chooseOpenFile;
  std::function<bool(const QString& path)> openHelpFile;

 private:
  void runApplicationCommand(int id);

  QtSettingsStore& settings_;
  bool quitRequested_ = false;
  std::unique_ptr<QtUiHost> host_;
  HelpViewer* helpViewer_;  // a child of this object
  std::unique_ptr<CHushwickDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;
};

// The program's icon in every size installed with it (or beside it in the build tree), else
// the desktop's icon theme's; null when there is none.
QIcon ProgramIcon(const QString& programFolder);

// The program's main: the Qt application, the settings in the per-user place, the window.
int RunDesktopProgram(int argc, char** argv);

}  // namespace orvane
