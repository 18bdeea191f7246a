// The metadata a picture carries through a save besides its EXIF block: checks of colour
// profiles and the pieces the formats store profiles, XMP and IPTC data in.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvane {

// Whether an ICC profile is one an RGB picture can carry: the header's size field matches the
// bytes, the "acsp" signature and a version 2 to 4 are there, the data are RGB, the class is
// one an image may embed, and every tag of the table lies inside the profile.
bool IsRgbIccProfile(std::span<const uint8_t> profile);

// JPEG keeps a profile in APP2 markers: "ICC_PROFILE\0", the piece's number (from 1), the
// number of pieces, then up to 65519 bytes of the profile.
inline constexpr size_t kIccMarkerHeader = 14;
inline constexpr size_t kIccPieceBytes = 65533 - kIccMarkerHeader;

// The APP2 payloads for a profile, in order; empty when the profile is empty or needs more
// than the 255 pieces the count byte allows.
std::vector<std::vector<uint8_t>> SplitIccProfile(std::span<const uint8_t> profile);

// Puts a profile together from the APP2 payloads of a file, taken in file order. Pieces may
// come in any order; other APP2 payloads are ignored.
class IccAssembler {
 public:
  void Add(std::span<const uint8_t> payload);
  // The profile; empty when there was none, or a piece is missing or doubled, or the pieces
  // disagree about their count.
  std::vector<uint8_t> Profile() const;

 private:
  std::vector<std::vector<uint8_t>> pieces_;  // by number - 1
  int count_ = 0;
  bool broken_ = false;
};

// XMP in JPEG: an APP1 payload of the namespace, a NUL, and the packet (at most 65504 bytes).
inline constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";  // + its NUL: 29 bytes
inline constexpr size_t kXmpHeader = sizeof kXmpSignature;
// The packet of an APP1 payload; none when the payload is not XMP.
std::optional<std::string> XmpFromApp1(std::span<const uint8_t> payload);
// The APP1 payload for a packet; empty when the packet does not fit one marker.
std::vector<uint8_t> XmpApp1(const std::string& packet);

// Extended XMP in JPEG: APP1 payloads of this namespace, a NUL, the packet's digest, its length
// and the piece's offset, then up to 65458 bytes of the extended packet.
inline constexpr char kXmpExtensionSignature[] = "http://ns.adobe.com/xmp/extension/";
bool IsXmpExtensionApp1(std::span<const uint8_t> payload);

// IPTC in JPEG: Photoshop's image resources in APP13, starting "Photoshop 3.0\0".
bool IsPhotoshopApp13(std::span<const uint8_t> payload);

}  // namespace orvane
