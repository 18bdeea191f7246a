// What the noise-reduction run asks of whoever runs it: messages, the event pump and Escape,
// the wait cursor, redrawing, and the progress displays. The application's host (app/host.h)
// extends it with questions and settings; the run itself needs no more than this.
#pragma once

#include <memory>
#include <string>

namespace orvane {

// The modal progress window of long operations (saving, the quality search).
class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;
  virtual void setText(const std::string& text) = 0;
  virtual void setRange(int low, int high) = 0;
  // Moves the bar and lets the interface handle pending events.
  virtual void setPosition(int position) = 0;
  // True once the user asked to stop.
  virtual bool cancelled() const = 0;
  // The share of the whole run done so far (0 ... 1), blocks weighted by their pixels; the
  // window's bar follows setRange/setPosition, a terminal may prefer this one figure.
  virtual void setOverall(double) {}
};

// The status-bar indicator of a run: "Working" followed by a bar over 0 ... total.
class StatusBarProgress {
 public:
  virtual ~StatusBarProgress() = default;
  // False when the host could not make a bar; the indicator then just exists.
  virtual bool hasBar() const = 0;
  virtual void setPosition(int position) = 0;
};

class RunHost {
 public:
  virtual ~RunHost() = default;

  // A modal message titled "Orvane NR" with an OK button.
  virtual void showMessage(const std::string& text) = 0;

  // Handles every pending event. Returns false when the application is quitting (the host keeps
  // the quit request pending so that the outer loop still sees it).
  virtual bool drainEvents() = 0;
  // Starts watching for Escape; escapePressed() then tells whether it was pressed since.
  virtual void beginEscapeWatch() = 0;
  virtual bool escapePressed() = 0;

  virtual void setWaitCursor(bool on) = 0;

  virtual std::unique_ptr<StatusBarProgress> createStatusProgress(int total) = 0;
  virtual std::unique_ptr<ProgressWindow> createProgressWindow() = 0;
};


}  // namespace orvane
