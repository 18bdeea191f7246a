#include "app/memory_settings.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace orvane {

bool ReadIntegerBox(const std::string& text, int& value) {
  const char* s = text.c_str();
  while (*s == ' ' || *s == '\t') ++s;
  if (*s == '\0') return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(s, &end, 10);
  if (end == s || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return false;
  value = static_cast<int>(v);
  return true;
}

bool ReadMemorySettingsBoxes(const std::array<std::string, 4>& boxes, std::array<int, 4>& values) {
  std::array<int, 4> read{};
  for (size_t i = 0; i < boxes.size(); ++i) {
    if (!ReadIntegerBox(boxes[i], read[i])) return false;
  }
  values = read;
  return true;
}

}  // namespace orvane
