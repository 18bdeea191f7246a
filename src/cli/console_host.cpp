#include "cli/console_host.h"

#include <cstdio>

namespace orvane::cli {
namespace {

class SilentStatus : public StatusBarProgress {
 public:
  bool hasBar() const override { return false; }
  void setPosition(int) override {}
};

// "[3/50] name [#######.............]  35% Denoising..." redrawn in place on stderr. The
// percentage covers the whole file when the run reports its overall share (every block of a
// large picture), else the current range.
class TerminalProgress : public ProgressWindow {
 public:
  TerminalProgress(std::string name, bool draw) : name_(std::move(name)), draw_(draw) {}
  ~TerminalProgress() override {
    if (drawn_) std::fputs("\r\033[K", stderr);
  }
  void setText(const std::string& text) override {
    text_ = text;
    redraw();
  }
  void setRange(int low, int high) override {
    low_ = low;
    high_ = high;
    redraw();
  }
  void setPosition(int position) override {
    position_ = position;
    redraw();
  }
  bool cancelled() const override { return false; }
  void setOverall(double share) override {
    overall_ = share;
    redraw();
  }

 private:
  void redraw() {
    if (!draw_) return;
    const int span = high_ - low_;
    int percent = overall_ >= 0 ? static_cast<int>(overall_ * 100)
                  : span > 0    ? (position_ - low_) * 100 / span
                                : 0;
    percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    char bar[31];
    const int filled = percent * 30 / 100;
    for (int i = 0; i < 30; ++i) bar[i] = i < filled ? '#' : '.';
    bar[30] = '\0';
    std::fprintf(stderr, "\r\033[K%s [%s] %3d%% %s", name_.c_str(), bar, percent, text_.c_str());
    std::fflush(stderr);
    drawn_ = true;
  }
  std::string name_;
  bool draw_;
  bool drawn_ = false;
  std::string text_;
  int low_ = 0, high_ = 0, position_ = 0;
  double overall_ = -1;
};

}  // namespace

void ConsoleHost::beginFile(const std::string& name, int index, int count) {
  file_.clear();
  if (count > 1)
    file_.append("[").append(std::to_string(index)).append("/").append(std::to_string(count)).append("] ");
  file_ += name;
  messages_.clear();
}

std::unique_ptr<StatusBarProgress> ConsoleHost::createStatusProgress(int) {
  return std::make_unique<SilentStatus>();
}

std::unique_ptr<ProgressWindow> ConsoleHost::createProgressWindow() {
  return std::make_unique<TerminalProgress>(file_, bar_);
}

}  // namespace orvane::cli
