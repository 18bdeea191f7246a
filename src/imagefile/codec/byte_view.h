// Bounds-checked reading of little- and big-endian fields from a byte span. Every access that
// would leave the span yields false or zero instead of touching memory outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orvane {

class ByteView {
 public:
  ByteView() = default;
  explicit ByteView(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t size() const { return bytes_.size(); }
  const uint8_t* data() const { return bytes_.data(); }
  std::span<const uint8_t> span() const { return bytes_; }

  // True when [offset, offset + count) lies inside the span (no overflow).
  bool Has(uint64_t offset, uint64_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }
  // The sub-span [offset, offset + count), empty when it does not fit.
  std::span<const uint8_t> Sub(uint64_t offset, uint64_t count) const {
    if (!Has(offset, count)) return {};
    return bytes_.subspan(static_cast<size_t>(offset), static_cast<size_t>(count));
  }
  // From offset to the end, empty when offset is past the end.
  std::span<const uint8_t> From(uint64_t offset) const {
    if (offset > bytes_.size()) return {};
    return bytes_.subspan(static_cast<size_t>(offset));
  }

  uint8_t U8(uint64_t at) const { return Has(at, 1) ? bytes_[at] : 0; }
  uint16_t U16le(uint64_t at) const {
    if (!Has(at, 2)) return 0;
    return static_cast<uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
  }
  uint32_t U32le(uint64_t at) const {
    if (!Has(at, 4)) return 0;
    return uint32_t{bytes_[at]} | (uint32_t{bytes_[at + 1]} << 8) |
           (uint32_t{bytes_[at + 2]} << 16) | (uint32_t{bytes_[at + 3]} << 24);
  }
  int16_t S16le(uint64_t at) const { return static_cast<int16_t>(U16le(at)); }
  int32_t S32le(uint64_t at) const { return static_cast<int32_t>(U32le(at)); }
  uint16_t U16be(uint64_t at) const {
    if (!Has(at, 2)) return 0;
    return static_cast<uint16_t>((bytes_[at] << 8) | bytes_[at + 1]);
  }
  uint32_t U32be(uint64_t at) const {
    if (!Has(at, 4)) return 0;
    return (uint32_t{bytes_[at]} << 24) | (uint32_t{bytes_[at + 1]} << 16) |
           (uint32_t{bytes_[at + 2]} << 8) | uint32_t{bytes_[at + 3]};
  }

 private:
  std::span<const uint8_t> bytes_;
};

// Appends little-endian fields to a byte vector (the writers build whole files in memory).
template <class Vec>
inline void PutU8(Vec& out, uint32_t v) { out.push_back(static_cast<uint8_t>(v)); }
template <class Vec>
inline void PutU16le(Vec& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
template <class Vec>
inline void PutU32le(Vec& out, uint32_t v) {
  PutU16le(out, v & 0xFFFF);
  PutU16le(out, v >> 16);
}
template <class Vec>
inline void PutU16be(Vec& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}
template <class Vec>
inline void PutU32be(Vec& out, uint32_t v) {
  PutU16be(out, v >> 16);
  PutU16be(out, v & 0xFFFF);
}

}  // namespace orvane
