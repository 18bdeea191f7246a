// What the core asks of whoever runs it: messages and questions, the event pump, the wait
// cursor, progress displays and the settings store. The desktop program implements these over
// its toolkit, the command-line program over a terminal, the tests with a scripted host.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

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

enum class Answer { Yes, No, Cancel };

class UiHost {
 public:
  virtual ~UiHost() = default;

  // A modal message titled "Orvane NR" with an OK button.
  virtual void showMessage(const std::string& text) = 0;
  // Yes/No and Yes/No/Cancel questions titled "Orvane NR".
  virtual Answer askYesNo(const std::string& text) = 0;
  virtual Answer askYesNoCancel(const std::string& text) = 0;

  // Handles every pending event. Returns false when the application is quitting (the host keeps
  // the quit request pending so that the outer loop still sees it).
  virtual bool drainEvents() = 0;
  // Starts watching for Escape; escapePressed() then tells whether it was pressed since.
  virtual void beginEscapeWatch() = 0;
  virtual bool escapePressed() = 0;

  virtual void setWaitCursor(bool on) = 0;
  virtual void updateAllViews() = 0;

  virtual std::unique_ptr<StatusBarProgress> createStatusProgress(int total) = 0;
  virtual std::unique_ptr<ProgressWindow> createProgressWindow() = 0;
};

// Per-user settings: integer and string values by section and name.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual int getInt(std::string_view section, std::string_view name, int defaultValue) const = 0;
  virtual void setInt(std::string_view section, std::string_view name, int value) = 0;
  virtual std::string getString(std::string_view section, std::string_view name,
                                const std::string& defaultValue) const = 0;
  virtual void setString(std::string_view section, std::string_view name,
                         const std::string& value) = 0;
};

// Settings that live as long as the object: the command-line program's and the tests'.
class MemorySettingsStore : public SettingsStore {
 public:
  int getInt(std::string_view section, std::string_view name, int defaultValue) const override;
  void setInt(std::string_view section, std::string_view name, int value) override;
  std::string getString(std::string_view section, std::string_view name,
                        const std::string& defaultValue) const override;
  void setString(std::string_view section, std::string_view name,
                 const std::string& value) override;
  bool contains(std::string_view section, std::string_view name) const;

 private:
  using Key = std::pair<std::string, std::string>;
  std::map<Key, int> ints_;
  std::map<Key, std::string> strings_;
};

}  // namespace orvane
