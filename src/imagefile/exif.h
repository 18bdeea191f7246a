// EXIF: the tag texts of a captured APP1 payload, and the camera fields made from them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace orvane {

// Tag numbers the camera fields come from.
inline constexpr uint16_t kTagMake = 271;
inline constexpr uint16_t kTagModel = 272;
inline constexpr uint16_t kTagOrientation = 274;
inline constexpr uint16_t kTagDateTime = 306;
inline constexpr uint16_t kTagExposureTime = 33434;
inline constexpr uint16_t kTagFNumber = 33437;
inline constexpr uint16_t kTagIsoSpeedRatings = 34855;
inline constexpr uint16_t kTagDateTimeOriginal = 36867;
inline constexpr uint16_t kTagShutterSpeedValue = 37377;

// Parsed EXIF data of one payload ("Exif\0\0" followed by the TIFF-structured data).
class ExifReader {
 public:
  ExifReader();
  ~ExifReader();
  ExifReader(const ExifReader&) = delete;
  ExifReader& operator=(const ExifReader&) = delete;

  // Parses the payload; false (and no tags) when it is not EXIF data or cannot be parsed.
  bool Open(std::span<const uint8_t> payload);

  // Text of a tag, searched in IFD0, the EXIF directory, the interoperability directory and
  // IFD1, in that order: ASCII as its text, rationals as "n/d", integers in decimal, several
  // values joined by ", ". None when no directory holds the tag.
  std::optional<std::string> TagText(uint16_t tag) const;

 private:
  struct Data;
  std::unique_ptr<Data> data_;
};

// Seconds for an APEX shutter speed value, by the camera step table (30 s … 1/2000 s).
double ShutterStep(double apex);

// The rational rules of the camera fields: "n/d" with the "/" after the first character and
// d > 0 gives n / d; anything else gives nothing.
std::optional<double> ParseRational(const std::string& text);

// The text's leading decimal integer (after blanks, with an optional sign); 0 when none.
int64_t LeadingInteger(const std::string& text);

}  // namespace orvane
