// A host that answers nothing and shows nothing: the benchmarks and measurements run the
// document without a window. Messages go to stderr so that a failed run is seen.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "app/host.h"

namespace orvane::bench {

class QuietHost : public orvane::UiHost {
 public:
  void showMessage(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
  orvane::Answer askYesNo(const std::string&) override { return orvane::Answer::No; }
  orvane::Answer askYesNoCancel(const std::string&) override { return orvane::Answer::No; }
  bool drainEvents() override { return true; }
  void beginEscapeWatch() override {}
  bool escapePressed() override { return false; }
  void setWaitCursor(bool) override {}
  std::unique_ptr<orvane::StatusBarProgress> createStatusProgress(int) override { return nullptr; }
  std::unique_ptr<orvane::ProgressWindow> createProgressWindow() override { return nullptr; }
};

}  // namespace orvane::bench
