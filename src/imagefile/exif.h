// EXIF: the tag texts of a captured APP1 payload, and the camera fields made from them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

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
  friend bool AddExifToTiff(std::vector<uint8_t>& tiff, std::span<const uint8_t> payload);
  struct Data;
  std::unique_ptr<Data> data_;
};

// A copy of an EXIF payload whose orientation tag (in IFD0) says orientation; a payload
// without the tag, or one that does not parse, is copied as it is.
std::vector<uint8_t> ExifWithOrientation(std::span<const uint8_t> payload, int orientation);

// The TIFF file in tiff with the EXIF tags of payload added (orientation set to 1, as the
// pixels are written upright); the tags describing the stored picture stay the file's own.
// False, and tiff unchanged, when the payload does not parse or the file cannot be rewritten.
bool AddExifToTiff(std::vector<uint8_t>& tiff, std::span<const uint8_t> payload);

// Seconds for an APEX shutter speed value, by the camera step table (30 s … 1/2000 s).
double ShutterStep(double apex);

// The rational rules of the camera fields: "n/d" with the "/" after the first character and
// d > 0 gives n / d; anything else gives nothing.
std::optional<double> ParseRational(const std::string& text);

// The text's leading decimal integer (after blanks, with an optional sign); 0 when none.
int64_t LeadingInteger(const std::string& text);

}  // namespace orvane
