#include "imagefile/metadata.h"

#include <algorithm>
#include <cstring>

#include "imagefile/codec/byte_io.h"

namespace orvane {

namespace {

constexpr char kIccSignature[] = "ICC_PROFILE";  // + its NUL: 12 bytes
constexpr char kPhotoshopSignature[] = "Photoshop 3.0";
constexpr size_t kIccHeaderBytes = 128;

bool HasPrefix(std::span<const uint8_t> data, const char* text, size_t bytes) {
  return data.size() >= bytes && std::memcmp(data.data(), text, bytes) == 0;
}

bool IsFourCc(std::span<const uint8_t> d, size_t at, const char* code) {
  return d.size() >= at + 4 && std::memcmp(d.data() + at, code, 4) == 0;
}

}  // namespace

bool IsRgbIccProfile(std::span<const uint8_t> p) {
  if (p.size() < kIccHeaderBytes + 4 || ReadBe32(p, 0) != p.size()) return false;
  if (!IsFourCc(p, 36, "acsp")) return false;
  const unsigned major = p[8];
  if (major < 2 || major > 4) return false;
  if (!IsFourCc(p, 16, "RGB ")) return false;
  // Device links, abstract and named-colour profiles describe no picture's colours.
  if (!IsFourCc(p, 12, "mntr") && !IsFourCc(p, 12, "scnr") && !IsFourCc(p, 12, "spac") &&
      !IsFourCc(p, 12, "prtr"))
    return false;
  const uint64_t count = ReadBe32(p, kIccHeaderBytes);
  if (count == 0 || count > (p.size() - kIccHeaderBytes - 4) / 12) return false;
  for (uint64_t i = 0; i < count; ++i) {
    const size_t entry = kIccHeaderBytes + 4 + static_cast<size_t>(i) * 12;
    const uint64_t offset = ReadBe32(p, entry + 4);
    const uint64_t size = ReadBe32(p, entry + 8);
    if (offset < kIccHeaderBytes || size == 0 || offset + size > p.size()) return false;
  }
  return true;
}

std::vector<std::vector<uint8_t>> SplitIccProfile(std::span<const uint8_t> profile) {
  std::vector<std::vector<uint8_t>> payloads;
  const size_t count = (profile.size() + kIccPieceBytes - 1) / kIccPieceBytes;
  if (count == 0 || count > 255) return payloads;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = i * kIccPieceBytes;
    const size_t bytes = std::min(kIccPieceBytes, profile.size() - at);
    std::vector<uint8_t> payload(kIccSignature, kIccSignature + sizeof kIccSignature);
    payload.push_back(static_cast<uint8_t>(i + 1));
    payload.push_back(static_cast<uint8_t>(count));
    payload.insert(payload.end(), profile.begin() + static_cast<ptrdiff_t>(at),
                   profile.begin() + static_cast<ptrdiff_t>(at + bytes));
    payloads.push_back(std::move(payload));
  }
  return payloads;
}

void IccAssembler::Add(std::span<const uint8_t> payload) {
  if (payload.size() <= kIccMarkerHeader || !HasPrefix(payload, kIccSignature, sizeof kIccSignature))
    return;
  const int number = payload[12], count = payload[13];
  if (number < 1 || number > count || (count_ != 0 && count != count_)) {
    broken_ = true;
    return;
  }
  count_ = count;
  pieces_.resize(static_cast<size_t>(count));
  std::vector<uint8_t>& piece = pieces_[static_cast<size_t>(number - 1)];
  if (!piece.empty()) {
    broken_ = true;
    return;
  }
  piece.assign(payload.begin() + kIccMarkerHeader, payload.end());
}

std::vector<uint8_t> IccAssembler::Profile() const {
  std::vector<uint8_t> profile;
  if (broken_ || count_ == 0) return profile;
  for (const std::vector<uint8_t>& piece : pieces_) {
    if (piece.empty()) return {};
    profile.insert(profile.end(), piece.begin(), piece.end());
  }
  return profile;
}

std::optional<std::string> XmpFromApp1(std::span<const uint8_t> payload) {
  if (!HasPrefix(payload, kXmpSignature, kXmpHeader)) return std::nullopt;
  return std::string(payload.begin() + kXmpHeader, payload.end());
}

bool IsXmpExtensionApp1(std::span<const uint8_t> payload) {
  // The namespace and its NUL, a 32-digit digest, the length and the offset.
  return HasPrefix(payload, kXmpExtensionSignature, sizeof kXmpExtensionSignature) &&
         payload.size() > sizeof kXmpExtensionSignature + 32 + 8;
}

std::vector<uint8_t> XmpApp1(const std::string& packet) {
  if (packet.empty() || packet.size() > 65533 - kXmpHeader) return {};
  std::vector<uint8_t> payload(kXmpSignature, kXmpSignature + kXmpHeader);
  payload.insert(payload.end(), packet.begin(), packet.end());
  return payload;
}

bool IsPhotoshopApp13(std::span<const uint8_t> payload) {
  return HasPrefix(payload, kPhotoshopSignature, sizeof kPhotoshopSignature);
}

}  // namespace orvane
