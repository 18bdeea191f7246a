#include "base/file_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace orvane {

bool WriteAll(int fd, const void* data, size_t bytes) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (bytes > 0) {
    const ssize_t n = ::write(fd, p, bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    bytes -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, void* data, size_t bytes) {
  auto* p = static_cast<uint8_t*>(data);
  while (bytes > 0) {
    const ssize_t n = ::read(fd, p, bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    bytes -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace orvane
