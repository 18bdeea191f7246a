#include "colour/profile_file.h"

#include <cstring>
#include <fstream>
#include <new>
#include <system_error>

#include "imagefile/codec/codec.h"

namespace orvane {

namespace {

// Sequential little-endian reader over a byte span; every read checks what is left.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  bool Skip(uint64_t count) {
    if (count > bytes_.size() - pos_) return false;
    pos_ += static_cast<size_t>(count);
    return true;
  }
  bool U8(uint8_t& v) {
    if (bytes_.size() - pos_ < 1) return false;
    v = bytes_[pos_++];
    return true;
  }
  bool U16(uint16_t& v) {
    if (bytes_.size() - pos_ < 2) return false;
    v = static_cast<uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool U32(uint32_t& v) {
    if (bytes_.size() - pos_ < 4) return false;
    v = static_cast<uint32_t>(bytes_[pos_]) | (static_cast<uint32_t>(bytes_[pos_ + 1]) << 8) |
        (static_cast<uint32_t>(bytes_[pos_ + 2]) << 16) |
        (static_cast<uint32_t>(bytes_[pos_ + 3]) << 24);
    pos_ += 4;
    return true;
  }
  bool Double(double& v) {
    if (bytes_.size() - pos_ < 8) return false;
    uint64_t bits = 0;
    for (int b = 7; b >= 0; --b) bits = (bits << 8) | bytes_[pos_ + b];
    std::memcpy(&v, &bits, sizeof v);
    pos_ += 8;
    return true;
  }
  size_t Remaining() const { return bytes_.size() - pos_; }
  const uint8_t* Here() const { return bytes_.data() + pos_; }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

// Skips a length-prefixed text: one byte below 255; else FF and a 16-bit length below 0xFFFE;
// else FF FFFF and a 32-bit length. FF FFFE marks 2-byte characters and the prefix follows.
int SkipName(ByteReader& in) {
  uint64_t charSize = 1;
  for (int round = 0; round < 2; ++round) {
    uint8_t b = 0;
    if (!in.U8(b)) return kProfileTruncated;
    uint64_t length = b;
    if (b == 0xFF) {
      uint16_t w = 0;
      if (!in.U16(w)) return kProfileTruncated;
      if (w == 0xFFFE) {
        if (charSize != 1) return kProfileDamaged;  // a second wide-text mark
        charSize = 2;
        continue;
      }
      length = w;
      if (w == 0xFFFF) {
        uint32_t d = 0;
        if (!in.U32(d)) return kProfileTruncated;
        length = d;
      }
    }
    return in.Skip(length * charSize) ? kProfileOk : kProfileTruncated;
  }
  return kProfileDamaged;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int b = 0; b < 4; ++b) out.push_back(static_cast<uint8_t>(v >> (8 * b)));
}

void PutDouble(std::vector<uint8_t>& out, double v) {
  uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  for (int b = 0; b < 8; ++b) out.push_back(static_cast<uint8_t>(bits >> (8 * b)));
}

}  // namespace

size_t ProfileFileSize(int width, int height) {
  return 4 + 1 + 4 + 4 + static_cast<size_t>(width) * static_cast<size_t>(height) * 3 +
         kProfileDistributionBytes + 4;
}

int ParseProfile(std::span<const uint8_t> bytes, ProfileData& out) {
  ByteReader in(bytes);
  uint32_t leading = 0;
  if (!in.U32(leading)) return kProfileTruncated;  // the value itself is not checked
  if (const int r = SkipName(in); r != kProfileOk) return r;
  uint32_t w = 0;
  uint32_t h = 0;
  if (!in.U32(w) || !in.U32(h)) return kProfileTruncated;
  const auto width = static_cast<int32_t>(w);
  const auto height = static_cast<int32_t>(h);
  if (width < 0 || height < 0 || width > kMaxProfileSide || height > kMaxProfileSide) {
    return kProfileDamaged;
  }
  const size_t pixelBytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
  // Pixels, distributions and end marker must all be there before anything is taken.
  if (in.Remaining() < pixelBytes + kProfileDistributionBytes + 4) return kProfileTruncated;
  ProfileData data;
  try {
    data.pixels.assign(in.Here(), in.Here() + pixelBytes);
  } catch (const std::bad_alloc&) {
    return kProfileNoMemory;
  }
  in.Skip(pixelBytes);
  data.width = width;
  data.height = height;
  for (int i = 0; i < 256; ++i) {
    in.Double(data.distributions.red[i]);
    in.Double(data.distributions.green[i]);
    in.Double(data.distributions.blue[i]);
  }
  // The end marker is present (checked above) and, as ever, ignored.
  out = std::move(data);
  return kProfileOk;
}

std::vector<uint8_t> SerializeProfile(int width, int height, const uint8_t* pixels,
                                      const ChannelDistributions& distributions) {
  std::vector<uint8_t> out;
  out.reserve(ProfileFileSize(width, height));
  PutU32(out, kProfileLeadingValue);
  out.push_back(0);  // empty name
  PutU32(out, static_cast<uint32_t>(width));
  PutU32(out, static_cast<uint32_t>(height));
  const size_t pixelBytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
  if (pixelBytes > 0) out.insert(out.end(), pixels, pixels + pixelBytes);
  for (int i = 0; i < 256; ++i) {
    PutDouble(out, distributions.red[i]);
    PutDouble(out, distributions.green[i]);
    PutDouble(out, distributions.blue[i]);
  }
  PutU32(out, 0xFFFFFFFFu);
  return out;
}

int ReadProfileFile(const std::filesystem::path& path, ProfileData& out) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return kProfileCannotOpen;
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  file.seekg(0, std::ios::beg);
  if (size < 0 || !file) return kProfileCannotOpen;
  if (static_cast<uint64_t>(size) > kMaxProfileFileBytes) return kProfileDamaged;
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return kProfileNoMemory;
  }
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (file.bad()) return kProfileCannotOpen;
  // A file that shrank meanwhile is parsed as far as it goes.
  bytes.resize(static_cast<size_t>(file.gcount()));
  return ParseProfile(bytes, out);
}

int WriteProfileFile(const std::filesystem::path& path, int width, int height,
                     const uint8_t* pixels, const ChannelDistributions& distributions) {
  if (width < 0 || height < 0 || width > kMaxProfileSide || height > kMaxProfileSide ||
      (pixels == nullptr && width > 0 && height > 0) || path.empty()) {
    return kProfileInvalidArgument;
  }
  std::vector<uint8_t> bytes;
  try {
    bytes = SerializeProfile(width, height, pixels, distributions);
  } catch (const std::bad_alloc&) {
    return kProfileNoMemory;
  }
  // The pictures' atomic write; its codes are the profile codes of the same meaning.
  switch (WriteFileAtomically(path.string(), bytes)) {
    case kOk: return kProfileOk;
    case kOpenFailed: return kProfileCannotOpen;
    case kOutOfMemory: return kProfileNoMemory;
    case kNoFile: return kProfileInvalidArgument;
    default: return kProfileWriteError;
  }
}

}  // namespace orvane
