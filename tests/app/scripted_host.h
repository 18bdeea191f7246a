// A host for tests: records what the core shows and answers questions from a script.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/host.h"

namespace orvane::test {

// Everything shown by every window and indicator, in order, as "kind:value" lines.
struct HostLog {
  std::vector<std::string> messages;
  std::vector<std::string> warnings;  // the messages that were shown as warnings
  std::vector<std::string> questions;
  std::vector<std::string> events;
  std::vector<double> overall;  // the run's share done, as the window was told it
};

class ScriptedProgressWindow : public ProgressWindow {
 public:
  ScriptedProgressWindow(HostLog& log, std::function<void(int)> onPosition, bool& cancelFlag)
      : log_(log), onPosition_(std::move(onPosition)), cancel_(cancelFlag) {}
  ~ScriptedProgressWindow() override { log_.events.push_back("window:closed"); }
  void setText(const std::string& text) override { log_.events.push_back("text:" + text); }
  void setRange(int low, int high) override {
    log_.events.push_back("range:" + std::to_string(low) + "-" + std::to_string(high));
  }
  void setPosition(int position) override {
    log_.events.push_back("position:" + std::to_string(position));
    if (onPosition_) onPosition_(position);
  }
  bool cancelled() const override { return cancel_; }
  void setOverall(double share) override { log_.overall.push_back(share); }

 private:
  HostLog& log_;
  std::function<void(int)> onPosition_;
  bool& cancel_;
};

class ScriptedStatusProgress : public StatusBarProgress {
 public:
  explicit ScriptedStatusProgress(HostLog& log) : log_(log) {}
  ~ScriptedStatusProgress() override { log_.events.push_back("status:removed"); }
  bool hasBar() const override { return true; }
  void setPosition(int position) override {
    log_.events.push_back("status:" + std::to_string(position));
  }

 private:
  HostLog& log_;
};

class ScriptedHost : public UiHost {
 public:
  HostLog log;
  std::deque<Answer> answers;      // consumed by questions; Cancel when empty
  bool escape = false;             // what escapePressed() reports
  bool quitting = false;           // drainEvents() returns !quitting
  bool windowCancel = false;       // the progress windows' cancel flag
  int drains = 0;
  int escapeWatches = 0;
  bool waitCursor = false;
  // Called on every drain and every progress-window position, so a test can act mid-run.
  std::function<void()> onDrain;
  std::function<void(int)> onWindowPosition;

  void showMessage(const std::string& text) override { log.messages.push_back(text); }
  void showWarning(const std::string& text) override {
    log.messages.push_back(text);
    log.warnings.push_back(text);
  }
  Answer askYesNo(const std::string& text) override { return next(text); }
  Answer askYesNoCancel(const std::string& text) override { return next(text); }
  bool drainEvents() override {
    ++drains;
    if (onDrain) onDrain();
    return !quitting;
  }
  void beginEscapeWatch() override { ++escapeWatches; }
  bool escapePressed() override { return escape; }
  void setWaitCursor(bool on) override { waitCursor = on; }
  std::unique_ptr<StatusBarProgress> createStatusProgress(int total) override {
    log.events.push_back("status:created " + std::to_string(total));
    return std::make_unique<ScriptedStatusProgress>(log);
  }
  std::unique_ptr<ProgressWindow> createProgressWindow() override {
    log.events.push_back("window:opened");
    return std::make_unique<ScriptedProgressWindow>(log, onWindowPosition, windowCancel);
  }

  // The events whose text starts with prefix, prefix removed.
  std::vector<std::string> eventsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& e : log.events)
      if (e.rfind(prefix, 0) == 0) out.push_back(e.substr(prefix.size()));
    return out;
  }

 private:
  Answer next(const std::string& text) {
    log.questions.push_back(text);
    if (answers.empty()) return Answer::Cancel;
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
};

}  // namespace orvane::test
