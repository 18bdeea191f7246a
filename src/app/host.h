// What the core asks of whoever runs it: messages and questions, the event pump, the wait
// cursor, progress displays and the settings store. The desktop program implements these over
// its toolkit, the command-line program over a terminal, the tests with a scripted host.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "pipeline/run_host.h"

namespace orvane {

enum class Answer { Yes, No, Cancel };

// The run's host (pipeline/run_host.h) with the questions the document asks.
class UiHost : public RunHost {
 public:
  // Yes/No and Yes/No/Cancel questions titled "Orvane NR".
  virtual Answer askYesNo(const std::string& text) = 0;
  virtual Answer askYesNoCancel(const std::string& text) = 0;
  // A message that warns (a warning icon where the host has icons); otherwise as showMessage.
  virtual void showWarning(const std::string& text) { showMessage(text); }
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
