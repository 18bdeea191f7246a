// What the core asks of whoever runs it: messages and questions, the event pump, the wait
// cursor, progress displays and the settings store. The desktop program implements these over
// its toolkit, the command-line program over a terminal, the tests with a scripted host.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "app/settings_keys.h"
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

// Per-user settings: integer and string values by section and name, for the keys of the table
// in settings_keys.h only (any other is refused, see UnlistedSettingKey). Code names its keys by
// the table's constants; the defaults then come from the table as well.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  int getInt(const SettingKey& k) const { return getInt(k.section, k.name, k.defaultInt); }
  void setInt(const SettingKey& k, int value) { setInt(k.section, k.name, value); }
  std::string getString(const SettingKey& k) const { return getString(k.section, k.name, std::string()); }
  void setString(const SettingKey& k, const std::string& value) { setString(k.section, k.name, value); }

  int getInt(std::string_view section, std::string_view name, int defaultValue) const;
  void setInt(std::string_view section, std::string_view name, int value);
  std::string getString(std::string_view section, std::string_view name, const std::string& defaultValue) const;
  void setString(std::string_view section, std::string_view name, const std::string& value);

 protected:
  // Whether section/name is a key of the table of that type; reports it when not.
  static bool Listed(std::string_view section, std::string_view name, SettingType type);

  virtual int readInt(std::string_view section, std::string_view name, int defaultValue) const = 0;
  virtual void writeInt(std::string_view section, std::string_view name, int value) = 0;
  virtual std::string readString(std::string_view section, std::string_view name,
                                 const std::string& defaultValue) const = 0;
  virtual void writeString(std::string_view section, std::string_view name, const std::string& value) = 0;
};

// Settings that live as long as the object: the command-line program's and the tests'.
class MemorySettingsStore : public SettingsStore {
 public:
  bool contains(std::string_view section, std::string_view name) const;

 protected:
  int readInt(std::string_view section, std::string_view name, int defaultValue) const override;
  void writeInt(std::string_view section, std::string_view name, int value) override;
  std::string readString(std::string_view section, std::string_view name,
                         const std::string& defaultValue) const override;
  void writeString(std::string_view section, std::string_view name, const std::string& value) override;

 private:
  using Key = std::pair<std::string, std::string>;
  std::map<Key, int> ints_;
  std::map<Key, std::string> strings_;
};

}  // namespace orvane
