#include "app/host.h"

namespace orvane {

int MemorySettingsStore::getInt(std::string_view section, std::string_view name,
                                int defaultValue) const {
  auto it = ints_.find(Key(section, name));
  return it == ints_.end() ? defaultValue : it->second;
}

void MemorySettingsStore::setInt(std::string_view section, std::string_view name, int value) {
  ints_[Key(section, name)] = value;
}

std::string MemorySettingsStore::getString(std::string_view section, std::string_view name,
                                           const std::string& defaultValue) const {
  auto it = strings_.find(Key(section, name));
  return it == strings_.end() ? defaultValue : it->second;
}

void MemorySettingsStore::setString(std::string_view section, std::string_view name,
                                    const std::string& value) {
  strings_[Key(section, name)] = value;
}

bool MemorySettingsStore::contains(std::string_view section, std::string_view name) const {
  const Key key(section, name);
  return ints_.count(key) != 0 || strings_.count(key) != 0;
}

}  // namespace orvane
