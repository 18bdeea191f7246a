#include "app/host.h"

namespace orvane {

bool SettingsStore::Listed(std::string_view section, std::string_view name, SettingType type) {
  const SettingKey* k = FindSettingKey(section, name);
  if (k != nullptr && k->type == type) return true;
  UnlistedSettingKey(section, name);
  return false;
}

int SettingsStore::getInt(std::string_view section, std::string_view name, int defaultValue) const {
  return Listed(section, name, SettingType::kInt) ? readInt(section, name, defaultValue) : defaultValue;
}

void SettingsStore::setInt(std::string_view section, std::string_view name, int value) {
  if (Listed(section, name, SettingType::kInt)) writeInt(section, name, value);
}

std::string SettingsStore::getString(std::string_view section, std::string_view name,
                                     const std::string& defaultValue) const {
  return Listed(section, name, SettingType::kText) ? readString(section, name, defaultValue) : defaultValue;
}

void SettingsStore::setString(std::string_view section, std::string_view name, const std::string& value) {
  if (Listed(section, name, SettingType::kText)) writeString(section, name, value);
}

int MemorySettingsStore::readInt(std::string_view section, std::string_view name, int defaultValue) const {
  auto it = ints_.find(Key(section, name));
  return it == ints_.end() ? defaultValue : it->second;
}

void MemorySettingsStore::writeInt(std::string_view section, std::string_view name, int value) {
  ints_[Key(section, name)] = value;
}

std::string MemorySettingsStore::readString(std::string_view section, std::string_view name,
                                            const std::string& defaultValue) const {
  auto it = strings_.find(Key(section, name));
  return it == strings_.end() ? defaultValue : it->second;
}

void MemorySettingsStore::writeString(std::string_view section, std::string_view name,
                                      const std::string& value) {
  strings_[Key(section, name)] = value;
}

bool MemorySettingsStore::contains(std::string_view section, std::string_view name) const {
  const Key key(section, name);
  return ints_.count(key) != 0 || strings_.count(key) != 0;
}

}  // namespace orvane
