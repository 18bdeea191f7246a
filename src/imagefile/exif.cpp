#include "imagefile/exif.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

#include "imagefile/raster_image.h"

namespace orvane {

struct ExifReader::Data {
  Exiv2::ExifData exif;
};

ExifReader::ExifReader() = default;
ExifReader::~ExifReader() = default;

bool ExifReader::Open(std::span<const uint8_t> payload) {
  data_.reset();
  static std::once_flag quiet;
  // The library reports damaged directories on stderr; a damaged block simply has fewer tags.
  std::call_once(quiet, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
  if (payload.size() <= 6 || std::memcmp(payload.data(), "Exif\0\0", 6) != 0) return false;
  if (payload.size() - 6 > UINT32_MAX) return false;
  try {
    auto data = std::make_unique<Data>();
    Exiv2::ExifParser::decode(data->exif, payload.data() + 6,
                              static_cast<uint32_t>(payload.size() - 6));
    if (data->exif.empty()) return false;
    data_ = std::move(data);
    return true;
  } catch (...) {
    return false;
  }
}

namespace {

std::string TextOf(const Exiv2::Exifdatum& d) {
  const Exiv2::Value& v = d.value();
  if (d.typeId() == Exiv2::asciiString) {
    std::string s = v.toString();
    const size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
  }
  std::string text;
  const long count = v.count();
  for (long i = 0; i < count; ++i) {
    if (i > 0) text += ", ";
    text += v.toString(i);
  }
  return text;
}

}  // namespace

std::optional<std::string> ExifReader::TagText(uint16_t tag) const {
  if (!data_) return std::nullopt;
  static const char* const kOrder[] = {"Image", "Photo", "Iop", "Thumbnail"};
  try {
    for (const char* group : kOrder) {
      for (const Exiv2::Exifdatum& d : data_->exif) {
        if (d.tag() == tag && d.groupName() == group) return TextOf(d);
      }
    }
  } catch (...) {
  }
  return std::nullopt;
}

double ShutterStep(double v) {
  static const double kLimits[] = {-4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  static const double kTimes[] = {30,       15,        8,         4,          2,
                                  1,        1.0 / 2,   1.0 / 4,   1.0 / 8,    1.0 / 15,
                                  1.0 / 30, 1.0 / 60,  1.0 / 125, 1.0 / 250,  1.0 / 500,
                                  1.0 / 1000};
  for (size_t i = 0; i < std::size(kLimits); ++i) {
    if (v < kLimits[i]) return kTimes[i];
  }
  return 1.0 / 2000;
}

int64_t LeadingInteger(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    if (value < (int64_t{1} << 40)) value = value * 10 + (text[i] - '0');  // far past any tag
  }
  return negative ? -value : value;
}

std::optional<double> ParseRational(const std::string& text) {
  const size_t slash = text.find('/');
  if (slash == std::string::npos || slash == 0) return std::nullopt;
  const int64_t n = LeadingInteger(text.substr(0, slash));
  const int64_t d = LeadingInteger(text.substr(slash + 1));
  if (d <= 0) return std::nullopt;
  return static_cast<double>(n) / static_cast<double>(d);
}

void RasterImage::ReadCameraInfo(std::span<const uint8_t> exifPayload) {
  ExifReader reader;
  if (!reader.Open(exifPayload)) return;
  if (auto t = reader.TagText(kTagModel)) cameraModel = *t;
  if (auto t = reader.TagText(kTagMake)) cameraMake = *t;
  if (auto t = reader.TagText(kTagOrientation)) {
    const int64_t o = LeadingInteger(*t);
    // Only the eight defined orientations mean anything; others are treated as upright.
    orientation = (o >= 1 && o <= 8) ? static_cast<int32_t>(o) : 1;
  }
  if (auto t = reader.TagText(kTagDateTimeOriginal)) {
    dateTaken = *t;
  } else if (auto t2 = reader.TagText(kTagDateTime)) {
    dateTaken = *t2;
  }
  if (auto t = reader.TagText(kTagExposureTime)) {
    if (auto r = ParseRational(*t)) exposureTime = *r;
  }
  if (auto t = reader.TagText(kTagShutterSpeedValue)) {
    const size_t slash = t->find('/');
    if (slash != std::string::npos && slash > 0) {
      const std::optional<double> v = ParseRational(*t);
      shutterTime = ShutterStep(v ? *v : 1.0);
    }
  }
  if (auto t = reader.TagText(kTagFNumber)) {
    if (auto r = ParseRational(*t)) fNumber = *r;
  }
  const std::optional<std::string> iso = reader.TagText(kTagIsoSpeedRatings);
  const int64_t isoValue = iso ? LeadingInteger(*iso) : 0;
  isoSpeed = static_cast<int32_t>(std::clamp<int64_t>(isoValue, INT32_MIN, INT32_MAX));
}

}  // namespace orvane
