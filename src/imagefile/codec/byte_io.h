// Bounds-checked little- and big-endian reads for the format units. Reads past the end give 0;
// callers check sizes first, this is the second line of defence.
#pragma once

#include <cstdint>
#include <span>

namespace orvane {

inline uint32_t ReadLe16(std::span<const uint8_t> d, size_t at) {
  if (at > d.size() || d.size() - at < 2) return 0;
  return static_cast<uint32_t>(d[at] | (d[at + 1] << 8));
}
inline uint32_t ReadLe32(std::span<const uint8_t> d, size_t at) {
  if (at > d.size() || d.size() - at < 4) return 0;
  return static_cast<uint32_t>(d[at]) | (static_cast<uint32_t>(d[at + 1]) << 8) |
         (static_cast<uint32_t>(d[at + 2]) << 16) | (static_cast<uint32_t>(d[at + 3]) << 24);
}
inline uint32_t ReadBe16(std::span<const uint8_t> d, size_t at) {
  if (at > d.size() || d.size() - at < 2) return 0;
  return static_cast<uint32_t>((d[at] << 8) | d[at + 1]);
}
inline uint32_t ReadBe32(std::span<const uint8_t> d, size_t at) {
  if (at > d.size() || d.size() - at < 4) return 0;
  return (static_cast<uint32_t>(d[at]) << 24) | (static_cast<uint32_t>(d[at + 1]) << 16) |
         (static_cast<uint32_t>(d[at + 2]) << 8) | static_cast<uint32_t>(d[at + 3]);
}
inline void PutLe16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
inline void PutBe16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void PutBe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

}  // namespace orvane
