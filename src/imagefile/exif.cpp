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

std::vector<uint8_t> ExifWithOrientation(std::span<const uint8_t> payload, int orientation) {
  std::vector<uint8_t> out(payload.begin(), payload.end());
  // "Exif\0\0", then the TIFF header: byte order, 42, the offset of IFD0.
  constexpr size_t kTiff = 6;
  if (out.size() < kTiff + 8) return out;
  const bool little = out[kTiff] == 'I' && out[kTiff + 1] == 'I';
  if (!little && !(out[kTiff] == 'M' && out[kTiff + 1] == 'M')) return out;
  auto u16 = [&](size_t at) -> uint32_t {
    return little ? out[at] | (out[at + 1] << 8) : (out[at] << 8) | out[at + 1];
  };
  auto u32 = [&](size_t at) -> uint64_t {
    return little ? (uint64_t{u16(at + 2)} << 16) | u16(at) : (uint64_t{u16(at)} << 16) | u16(at + 2);
  };
  const uint64_t ifd = kTiff + u32(kTiff + 4);
  if (ifd + 2 > out.size()) return out;
  const uint32_t count = u16(static_cast<size_t>(ifd));
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t entry = ifd + 2 + uint64_t{i} * 12;
    if (entry + 12 > out.size()) break;
    const auto e = static_cast<size_t>(entry);
    // Orientation is one SHORT, stored in the entry itself.
    if (u16(e) != kTagOrientation || u16(e + 2) != 3 || u32(e + 4) != 1) continue;
    const auto v = static_cast<uint8_t>(orientation);
    out[e + 8] = little ? v : 0;
    out[e + 9] = little ? 0 : v;
    break;
  }
  return out;
}

namespace {

// Tags of a camera's IFD0 that describe its own stored picture (or point to other
// directories): a TIFF written here keeps its own.
bool DescribesStoredPicture(uint16_t tag) {
  switch (tag) {
    case 254: case 255: case 256: case 257: case 258: case 259: case 262: case 266:
    case 273: case 274: case 277: case 278: case 279: case 280: case 281: case 282:
    case 283: case 284: case 296: case 317: case 320: case 322: case 323: case 324:
    case 325: case 330: case 338: case 339: case 340: case 341: case 513: case 514:
    case 529: case 530: case 531: case 532: case 700: case 34665: case 34675: case 34853:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool AddExifToTiff(std::vector<uint8_t>& tiff, std::span<const uint8_t> payload) {
  ExifReader camera;
  if (!camera.Open(payload) || tiff.empty()) return false;
  try {
    auto image = Exiv2::ImageFactory::open(tiff.data(), static_cast<long>(tiff.size()));
    if (image.get() == nullptr) return false;
    image->readMetadata();
    Exiv2::ExifData& exif = image->exifData();
    for (const Exiv2::Exifdatum& d : camera.data_->exif) {
      const std::string group = d.groupName();
      // The camera's thumbnail (IFD1) belongs to its JPEG, not to this file.
      if (group == "Thumbnail") continue;
      if (group == "Image" && DescribesStoredPicture(d.tag())) continue;
      exif[d.key()] = d.value();
    }
    exif["Exif.Image.Orientation"] = uint16_t{1};
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    Exiv2::DataBuf written = io.read(static_cast<long>(io.size()));
    if (written.size_ <= 0) return false;
    tiff.assign(written.pData_, written.pData_ + written.size_);
    return true;
  } catch (...) {
    return false;
  }
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
