// The desktop program's side of the core's host interfaces: message boxes, the event pump with
// its Escape watch, the wait cursor, the progress displays, and the settings over QSettings.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <functional>
#include <memory>

#include "app/host.h"

class QWidget;
class QStatusBar;

namespace orvane {

inline constexpr const char* kAppTitle = "Orvane NR";

// A message box titled "Orvane NR", wide enough for its title beside the window manager's
// buttons. Not yet shown.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, QMessageBox::Icon icon,
                                            const QString& text,
                                            QMessageBox::StandardButtons buttons);

class QtUiHost : public QObject, public UiHost {
  Q_OBJECT
 public:
  QtUiHost();
  ~QtUiHost() override;

  // The window that message boxes belong to, and the status bar for the run's indicator.
  void setWindow(QWidget* window, QStatusBar* statusBar);

  void showMessage(const std::string& text) override;
  void showWarning(const std::string& text) override;
  Answer askYesNo(const std::string& text) override;
  Answer askYesNoCancel(const std::string& text) override;
  bool drainEvents() override;
  void beginEscapeWatch() override;
  bool escapePressed() override;
  void setWaitCursor(bool on) override;
  std::unique_ptr<StatusBarProgress> createStatusProgress(int total) override;
  std::unique_ptr<ProgressWindow> createProgressWindow() override;

  // True while events are being handled from inside a long operation's own loop.
  bool draining() const { return drainDepth_ > 0; }
  // Set once the application was asked to quit during a drain; the quit is posted again when
  // the outermost drain returns.
  bool quitting() const { return quitPending_; }

  // Answers questions without a dialog (tests): Yes, No or Cancel in turn; empty: ask the user.
  std::function<Answer(const std::string&)> answerQuestion;
  // Messages shown, newest last (kept for tests and for a look in a debugger); the warnings
  // among them once more in shownWarnings.
  std::vector<std::string> shownMessages;
  std::vector<std::string> shownWarnings;
  // Shows no message boxes, only records them (tests).
  bool recordOnly = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Answer ask(const std::string& text, bool withCancel);
  void show(const std::string& text, QMessageBox::Icon icon);
  // What a box or a progress window belongs to: the dialog the user is working in (a progress
  // window behind it could not be seen, nor pressed), else the main window.
  QWidget* owner() const;

  QPointer<QWidget> window_;
  QPointer<QStatusBar> statusBar_;
  int drainDepth_ = 0;
  int waitCursorDepth_ = 0;
  bool watchingEscape_ = false;
  bool escapeSeen_ = false;
  bool quitPending_ = false;
};

// Settings per user: ~/.config/Quillmark/Orvane NR.conf. Sections are groups, names stay.
class QtSettingsStore : public SettingsStore {
 public:
  QtSettingsStore();
  // For tests: a settings file of its own.
  explicit QtSettingsStore(const QString& iniPath);

  // The window and bar layouts are binary.
  QByteArray getBytes(const SettingKey& k) const;
  void setBytes(const SettingKey& k, const QByteArray& value);
  void sync() { settings_.sync(); }
  // Whether what is set can be kept: false for a settings file that is read-only, or a
  // folder in its place.
  bool writable() const { return settings_.isWritable() && settings_.status() == QSettings::NoError; }
  QString fileName() const { return settings_.fileName(); }

 protected:
  int readInt(std::string_view section, std::string_view name, int defaultValue) const override;
  void writeInt(std::string_view section, std::string_view name, int value) override;
  std::string readString(std::string_view section, std::string_view name,
                         const std::string& defaultValue) const override;
  void writeString(std::string_view section, std::string_view name, const std::string& value) override;

 private:
  mutable QSettings settings_;
};

}  // namespace orvane
