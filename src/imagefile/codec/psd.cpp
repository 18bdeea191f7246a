// Photoshop document: only the merged picture at the end of the file is read; layers are
// skipped. Channels are stored one after another, raw or PackBits-coded row by row.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "imagefile/codec/byte_view.h"
#include "imagefile/codec/codec.h"
#include "imagefile/codec/picture.h"
#include "imagefile/metadata.h"

namespace orvane {
namespace {

enum Mode { kBitmap = 0, kGrey = 1, kIndexed = 2, kRgb = 3, kCmyk = 4, kMultichannel = 7,
            kDuotone = 8, kLab = 9 };

struct PsdHeader {
  int channels = 0;
  int64_t height = 0;
  int64_t width = 0;
  int depth = 0;
  int mode = 0;
};

int ParseHeader(const ByteView& v, PsdHeader& h) {
  if (v.size() < 26 || std::memcmp(v.data(), "8BPS", 4) != 0) return kBadFile;
  if (v.U16be(4) != 1) return kUnsupportedFile;  // large-document variant
  h.channels = v.U16be(12);
  h.height = v.U32be(14);
  h.width = v.U32be(18);
  h.depth = v.U16be(22);
  h.mode = v.U16be(24);
  if (h.channels < 1 || h.channels > 56 || h.width < 1 || h.height < 1) return kBadFile;
  if (h.depth != 1 && h.depth != 8 && h.depth != 16) return kUnsupportedFile;
  if ((h.depth == 1) != (h.mode == kBitmap)) return kBadFile;
  switch (h.mode) {
    case kBitmap: case kGrey: case kIndexed: case kDuotone: case kMultichannel:
      break;
    case kRgb: case kLab:
      if (h.channels < 3) return kBadFile;
      break;
    case kCmyk:
      if (h.channels < 4) return kBadFile;
      break;
    default:
      return kUnsupportedFile;
  }
  if (h.width > kMaxPixels || h.height > kMaxPixels || h.width * h.height > kMaxPixels)
    return kOutOfMemory;
  return kOk;
}

// Expands one PackBits row into exactly `want` bytes.
bool UnpackBits(const uint8_t* s, size_t n, uint8_t* d, size_t want) {
  size_t pos = 0, out = 0;
  while (out < want) {
    if (pos >= n) return false;
    const int8_t c = static_cast<int8_t>(s[pos++]);
    if (c >= 0) {
      const size_t count = size_t(c) + 1;
      if (pos + count > n || out + count > want) return false;
      std::memcpy(d + out, s + pos, count);
      pos += count;
      out += count;
    } else if (c != -128) {
      const size_t count = size_t(1 - c);
      if (pos >= n || out + count > want) return false;
      std::memset(d + out, s[pos++], count);
      out += count;
    }
  }
  return true;
}

// Lab with 8-bit L, a, b to sRGB through XYZ under D50, adapted to D65.
void LabToRgb(uint8_t L8, uint8_t a8, uint8_t b8, uint8_t* d) {
  const double L = L8 * 100.0 / 255.0, a = a8 - 128.0, b = b8 - 128.0;
  const double fy = (L + 16.0) / 116.0, fx = fy + a / 500.0, fz = fy - b / 200.0;
  auto finv = [](double t) { return t > 6.0 / 29.0 ? t * t * t : 3.0 * (6.0 / 29.0) * (6.0 / 29.0) * (t - 4.0 / 29.0); };
  const double X = 0.9642 * finv(fx), Y = finv(fy), Z = 0.8249 * finv(fz);
  const double lin[3] = {3.1338561 * X - 1.6168667 * Y - 0.4906146 * Z,
                         -0.9787684 * X + 1.9161415 * Y + 0.0334540 * Z,
                         0.0719453 * X - 0.2289914 * Y + 1.4052427 * Z};
  for (int i = 0; i < 3; ++i) {
    double c = std::clamp(lin[i], 0.0, 1.0);
    c = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
    d[i] = static_cast<uint8_t>(c * 255.0 + 0.5);
  }
}

// The pixels and palette of the composite image.
int DecodePixels(std::span<const uint8_t> file, Picture& p) {
  const ByteView v(file);
  PsdHeader h;
  int rc = ParseHeader(v, h);
  if (rc != kOk) return rc;

  uint64_t pos = 26;
  const uint64_t modeDataLength = v.U32be(pos);
  if (!v.Has(pos + 4, modeDataLength)) return kBadFile;
  const uint64_t modeDataAt = pos + 4;
  pos += 4 + modeDataLength;
  if (!v.Has(pos, 4)) return kBadFile;
  pos += 4 + uint64_t(v.U32be(pos));  // image resources
  if (!v.Has(pos, 4)) return kBadFile;
  pos += 4 + uint64_t(v.U32be(pos));  // layers and masks
  if (!v.Has(pos, 2)) return kBadFile;
  const int compression = v.U16be(pos);
  pos += 2;
  if (compression > 1) return kUnsupportedFile;  // zip-coded data

  // Only the channels the picture needs are decoded: up to four.
  const int used = h.mode == kCmyk ? 4 : (h.mode == kRgb || h.mode == kLab ||
                                          (h.mode == kMultichannel && h.channels >= 3))
                                             ? 3
                                             : 1;
  const uint64_t rowBytes = (uint64_t(h.width) * h.depth + 7) / 8;
  const uint64_t planeBytes = rowBytes * h.height;
  std::vector<uint8_t> planes;
  if (compression == 0) {
    if (!v.Has(pos, planeBytes * used)) return kBadFile;
  } else {
    const uint64_t countsBytes = uint64_t(h.height) * h.channels * 2;
    if (!v.Has(pos, countsBytes)) return kBadFile;
    // Each row costs at least two bytes per 128 bytes it expands to.
    if (planeBytes * used > (v.size() - pos) * 64) return kBadFile;
  }
  if (!FileMayHold(h.width * h.height, v.size())) return kOutOfMemory;
  try {
    planes.resize(planeBytes * used);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  if (compression == 0) {
    std::memcpy(planes.data(), v.data() + pos, planes.size());
  } else {
    const uint64_t rows = uint64_t(h.height) * h.channels;
    uint64_t dataAt = pos + rows * 2;
    for (uint64_t r = 0; r < uint64_t(h.height) * used; ++r) {
      const uint64_t count = v.U16be(pos + 2 * r);
      if (!v.Has(dataAt, count)) return kBadFile;
      if (!UnpackBits(v.data() + dataAt, count, planes.data() + r * rowBytes, rowBytes))
        return kBadFile;
      dataAt += count;
    }
  }

  const uint64_t w = h.width;
  const uint64_t pixels = w * h.height;
  // 16-bit samples are big-endian: the first byte is the high one.
  auto sample = [&](int channel, uint64_t i) -> uint8_t {
    return planes[channel * planeBytes + (h.depth == 16 ? 2 * i : i)];
  };
  if (h.mode == kBitmap) {
    rc = AllocatePicture(p, h.width, h.height, 8);
    if (rc != kOk) return rc;
    for (uint64_t y = 0; y < uint64_t(h.height); ++y)
      for (uint64_t x = 0; x < w; ++x)
        p.pixels[y * w + x] = (planes[y * rowBytes + (x >> 3)] >> (7 - (x & 7))) & 1;
    p.palette[0] = Rgb(255, 255, 255);  // a set bit is black ink
    p.palette[1] = Rgb(0, 0, 0);
    p.paletteSize = 2;
    return kOk;
  }
  if (used == 1) {  // greyscale, duotone, indexed, single-channel multichannel
    rc = AllocatePicture(p, h.width, h.height, 8);
    if (rc != kOk) return rc;
    for (uint64_t i = 0; i < pixels; ++i) p.pixels[i] = sample(0, i);
    if (h.mode == kIndexed) {
      if (modeDataLength < 768) return kBadFile;
      for (int i = 0; i < 256; ++i)
        p.palette[i] = Rgb(v.U8(modeDataAt + i), v.U8(modeDataAt + 256 + i),
                           v.U8(modeDataAt + 512 + i));
    } else {
      for (int i = 0; i < 256; ++i)
        p.palette[i] = Rgb(static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i));
    }
    p.paletteSize = 256;
    return kOk;
  }
  rc = AllocatePicture(p, h.width, h.height, 24);
  if (rc != kOk) return rc;
  uint8_t* d = p.pixels.get();
  for (uint64_t i = 0; i < pixels; ++i, d += 3) {
    if (h.mode == kCmyk) {
      // Stored values are 255 minus the ink.
      const unsigned k = sample(3, i);
      d[0] = static_cast<uint8_t>((sample(0, i) * k + 127) / 255);
      d[1] = static_cast<uint8_t>((sample(1, i) * k + 127) / 255);
      d[2] = static_cast<uint8_t>((sample(2, i) * k + 127) / 255);
    } else if (h.mode == kLab) {
      LabToRgb(sample(0, i), sample(1, i), sample(2, i), d);
    } else {  // RGB; multichannel inks are stored inverted, which reads as red, green, blue
      d[0] = sample(0, i);
      d[1] = sample(1, i);
      d[2] = sample(2, i);
    }
  }
  return kOk;
}

}  // namespace

namespace {

constexpr int kIccResource = 1039;
constexpr int kXmpResource = 1060;

// The colour profile and XMP packet among the image resources: each "8BIM", its number, a
// name padded to an even length, a 32-bit size and the data, padded to an even length.
void ReadPsdMetadata(const ByteView& v, PictureMetadata& metadata) {
  uint64_t pos = 26 + 4 + uint64_t(v.U32be(26));
  if (!v.Has(pos, 4)) return;
  const uint64_t end = pos + 4 + v.U32be(pos);
  pos += 4;
  while (pos + 12 <= end && v.Has(pos, 12) && std::memcmp(v.data() + pos, "8BIM", 4) == 0) {
    const int id = v.U16be(pos + 4);
    const uint64_t nameBytes = (uint64_t(v.U8(pos + 6)) + 2) & ~uint64_t{1};
    const uint64_t sizeAt = pos + 6 + nameBytes;
    const uint64_t size = v.U32be(sizeAt);
    const uint64_t dataAt = sizeAt + 4;
    if (dataAt + size > end || !v.Has(dataAt, size)) return;
    const uint8_t* data = v.data() + dataAt;
    if (id == kIccResource) metadata.iccProfile.assign(data, data + size);
    if (id == kXmpResource) metadata.xmpPacket.assign(reinterpret_cast<const char*>(data), size);
    pos = dataAt + ((size + 1) & ~uint64_t{1});
  }
}

void PutResource(std::vector<uint8_t>& out, int id, std::span<const uint8_t> data) {
  out.insert(out.end(), {'8', 'B', 'I', 'M'});
  PutU16be(out, static_cast<uint16_t>(id));
  PutU16be(out, 0);  // empty name, padded
  PutU32be(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  if (data.size() % 2 != 0) out.push_back(0);
}

// The image resources section for the picture's colour profile and XMP packet. False when a
// profile had to be left out.
bool PutPsdMetadata(std::vector<uint8_t>& out, const PictureMetadata& metadata) {
  const size_t lengthAt = out.size();
  PutU32be(out, 0);
  bool kept = true;
  if (!metadata.iccProfile.empty()) {
    if (IsRgbIccProfile(metadata.iccProfile)) PutResource(out, kIccResource, metadata.iccProfile);
    else kept = false;
  }
  if (!metadata.xmpPacket.empty() && metadata.xmpPacket.size() < UINT32_MAX / 2) {
    const auto* xmp = reinterpret_cast<const uint8_t*>(metadata.xmpPacket.data());
    PutResource(out, kXmpResource, {xmp, metadata.xmpPacket.size()});
  }
  const auto length = static_cast<uint32_t>(out.size() - lengthAt - 4);
  for (int i = 0; i < 4; ++i) out[lengthAt + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
  // A JPEG's extended XMP has no place here; its leaving is noted.
  return kept && metadata.xmpExtension.empty();
}

}  // namespace

int DecodePsd(std::span<const uint8_t> file, const DecodeRequest&, Picture& picture) {
  const int rc = DecodePixels(file, picture);
  if (rc != kOk) return rc;
  const ByteView v(file);
  picture.fileBitsPerSample = v.U16be(22);
  ReadPsdMetadata(v, picture.metadata);
  return kOk;
}

ImageFileType RefinePsd(std::span<const uint8_t> file) {
  const ByteView v(file);
  if (v.size() < 26) return ImageFileType::PsdRgb;
  switch (v.U16be(24)) {
    case kBitmap: case kGrey: case kIndexed: case kDuotone:
      return ImageFileType::PsdIndexed;
    default:
      return ImageFileType::PsdRgb;
  }
}

int WritePsd(const RasterImage& image, std::vector<uint8_t>& out) {
  if (image.IsEmpty() || image.BitsPerPixel() != 24) return kInvalidArgument;
  const uint64_t w = image.Width(), h = image.Height();
  if (w > 30000 || h > 30000) return kInvalidArgument;  // the format's limit
  out.clear();
  out.reserve(26 + 14 + w * h * 3);
  out.insert(out.end(), {'8', 'B', 'P', 'S'});
  PutU16be(out, 1);
  out.insert(out.end(), 6, 0);
  PutU16be(out, 3);
  PutU32be(out, static_cast<uint32_t>(h));
  PutU32be(out, static_cast<uint32_t>(w));
  PutU16be(out, 8);
  PutU16be(out, kRgb);
  PutU32be(out, 0);  // colour mode data
  const bool kept = PutPsdMetadata(out, image.metadata);
  PutU32be(out, 0);  // layers and masks
  PutU16be(out, 0);  // raw data
  const uint8_t* px = image.Pixels();
  for (int c = 0; c < 3; ++c)
    for (uint64_t i = 0; i < w * h; ++i) out.push_back(px[3 * i + c]);
  return kept ? kOk : kSavedWithoutExif;
}

}  // namespace orvane
