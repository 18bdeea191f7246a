// The progress displays of long operations: a modeless window with a status line, a percentage,
// a bar and Cancel, which disables its owner while it is up; and a bar in the status bar's first
// pane for the time of one run.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QStatusBar>
#include <QProgressBar>
#include <QString>

#include "app/dialog_rules.h"
#include "app/host.h"

class QLabel;

class QPushButton;

namespace orvane {

class QtUiHost;

class ProgressWindowDialog : public QDialog, public ProgressWindow {
  Q_OBJECT
 public:
  // caption: empty for "Processing Full Image".
  ProgressWindowDialog(QtUiHost& host, const QString& caption = {});
  ~ProgressWindowDialog() override;

  // Shows the window beside owner and disables the owner while it is up (only when it was
  // enabled). False when nothing could be shown; the owner is then enabled again.
  bool create(QWidget* owner);

  void setText(const std::string& text) override;
  void setRange(int low, int high) override;
  void setPosition(int position) override;
  bool cancelled() const override { return cancelRequested_; }

  QString percentText() const;
  QString statusText() const;
  QPushButton* cancelButton() const { return cancel_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override { cancelRequested_ = true; }
  void accept() override {}

 private:
  QtUiHost& host_;
  QLabel* status_ = nullptr;
  QLabel* percent_ = nullptr;
  QProgressBar* bar_ = nullptr;
  ProgressPacer pacer_;
  QPushButton* cancel_ = nullptr;
  QPointer<QWidget> owner_;
  int min_ = 0;
  int max_ = 100;
  bool cancelRequested_ = false;
  bool disabledOwner_ = false;
};

class StatusBarProgressBar : public StatusBarProgress {
 public:
  // Shows label in the status bar's message pane and a bar over 0 ... maximum to its right.
  StatusBarProgressBar(QStatusBar* statusBar, const QString& label, int maximum);
  // The pane reads "Ready" again.
  ~StatusBarProgressBar() override;
  bool hasBar() const override { return bar_ != nullptr; }
  void setPosition(int position) override;
  QProgressBar* bar() const { return bar_; }

 private:
  QPointer<QStatusBar> statusBar_;
  QPointer<QProgressBar> bar_;
  ProgressPacer pacer_;
};

}  // namespace orvane
