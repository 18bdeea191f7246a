// The command line's host: messages go to the caller (and stderr), a progress bar is drawn on
// stderr when it is a terminal, Ctrl-C cancels the running file like Escape does in the window.
#pragma once

#include <csignal>
#include <string>
#include <vector>

#include "app/host.h"

namespace orvane::cli {

class ConsoleHost : public UiHost {
 public:
  // interrupted is set by the program's SIGINT handler; bar draws progress on stderr.
  ConsoleHost(const volatile std::sig_atomic_t* interrupted, bool bar)
      : interrupted_(interrupted), bar_(bar) {}

  // The file the following messages and progress belong to (number index of count in a
  // batch); clears the collected messages.
  void beginFile(const std::string& name, int index = 1, int count = 1);
  const std::vector<std::string>& messages() const { return messages_; }

  void showMessage(const std::string& text) override { messages_.push_back(text); }
  // Nothing here asks questions; a question is answered No.
  Answer askYesNo(const std::string&) override { return Answer::No; }
  Answer askYesNoCancel(const std::string&) override { return Answer::No; }
  bool drainEvents() override { return true; }
  void beginEscapeWatch() override {}
  bool escapePressed() override { return interrupted_ != nullptr && *interrupted_ != 0; }
  void setWaitCursor(bool) override {}
  std::unique_ptr<StatusBarProgress> createStatusProgress(int total) override;
  std::unique_ptr<ProgressWindow> createProgressWindow() override;

 private:
  const volatile std::sig_atomic_t* interrupted_;
  bool bar_;
  std::string file_;
  std::vector<std::string> messages_;
};

}  // namespace orvane::cli
