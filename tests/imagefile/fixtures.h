// Small fixtures made at test time: pictures, temporary folders, EXIF payloads.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imagefile/raster_image.h"

namespace orvane::test {

// A folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvane-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// A 24-bit picture with smooth colour ramps (compresses well, survives JPEG nearly unchanged).
inline void MakeRamp(RasterImage& image, int w, int h) {
  image.Create(w, h, 24);
  uint8_t* p = image.Pixels();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* q = p + (static_cast<size_t>(y) * w + x) * 3;
      q[0] = static_cast<uint8_t>(x * 255 / (w > 1 ? w - 1 : 1));
      q[1] = static_cast<uint8_t>(y * 255 / (h > 1 ? h - 1 : 1));
      q[2] = static_cast<uint8_t>(128);
    }
  }
}

// A picture whose quadrants have four flat colours, so orientation is easy to see after JPEG.
inline void MakeQuadrants(RasterImage& image, int w, int h) {
  image.Create(w, h, 24);
  static const uint8_t colours[4][3] = {{230, 20, 20}, {20, 230, 20}, {20, 20, 230}, {240, 240, 240}};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int q = (y >= h / 2 ? 2 : 0) + (x >= w / 2 ? 1 : 0);
      uint8_t* p = image.Pixels() + (static_cast<size_t>(y) * w + x) * 3;
      p[0] = colours[q][0];
      p[1] = colours[q][1];
      p[2] = colours[q][2];
    }
  }
}

inline int MaxDifference(const RasterImage& a, const RasterImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitsPerPixel() != b.BitsPerPixel())
    return 999;
  const uint64_t n = RasterImage::ImageBytes(a.Width(), a.Height(), a.BitsPerPixel());
  int worst = 0;
  for (uint64_t i = 0; i < n; ++i) worst = std::max(worst, std::abs(a.Pixels()[i] - b.Pixels()[i]));
  return worst;
}

// Builds an EXIF payload ("Exif\0\0" + little- or big-endian TIFF) from four directories:
// IFD0, the EXIF sub-directory, the interoperability directory and IFD1.
class ExifBuilder {
 public:
  struct Entry {
    uint16_t tag;
    uint16_t type;  // 2 ASCII, 3 SHORT, 4 LONG, 5 RATIONAL, 10 SRATIONAL
    uint32_t count;
    std::vector<uint8_t> data;  // already in the payload's byte order
  };
  enum Dir { kIfd0 = 0, kExif = 1, kIop = 2, kIfd1 = 3 };

  explicit ExifBuilder(bool bigEndian = false) : big_(bigEndian) {}

  ExifBuilder& Ascii(Dir d, uint16_t tag, const std::string& text) {
    std::vector<uint8_t> v(text.begin(), text.end());
    v.push_back(0);
    dirs_[d].push_back({tag, 2, static_cast<uint32_t>(v.size()), v});
    return *this;
  }
  ExifBuilder& Short(Dir d, uint16_t tag, std::vector<uint16_t> values) {
    std::vector<uint8_t> v;
    for (uint16_t x : values) Put16(v, x);
    dirs_[d].push_back({tag, 3, static_cast<uint32_t>(values.size()), v});
    return *this;
  }
  ExifBuilder& Rational(Dir d, uint16_t tag, uint32_t n, uint32_t den) {
    std::vector<uint8_t> v;
    Put32(v, n);
    Put32(v, den);
    dirs_[d].push_back({tag, 5, 1, v});
    return *this;
  }
  ExifBuilder& SRational(Dir d, uint16_t tag, int32_t n, int32_t den) {
    std::vector<uint8_t> v;
    Put32(v, static_cast<uint32_t>(n));
    Put32(v, static_cast<uint32_t>(den));
    dirs_[d].push_back({tag, 10, 1, v});
    return *this;
  }
  // Pads the payload with an unused tag until it has at least bytes bytes.
  ExifBuilder& PadTo(size_t bytes) {
    pad_ = bytes;
    return *this;
  }

  std::vector<uint8_t> Build() const {
    // Directories in the order IFD0, EXIF, interoperability, IFD1, each followed by its data.
    std::vector<std::vector<Entry>> dirs(dirs_, dirs_ + 4);
    const bool hasExif = !dirs[kExif].empty() || !dirs[kIop].empty();
    if (pad_ > 0) {
      std::vector<uint8_t> filler(pad_, 'x');
      filler.push_back(0);
      dirs[kIfd0].push_back({270, 2, static_cast<uint32_t>(filler.size()), filler});  // ImageDescription
    }
    // Pointer entries get their values once the offsets are known.
    if (hasExif) dirs[kIfd0].push_back({34665, 4, 1, std::vector<uint8_t>(4)});
    if (!dirs[kIop].empty()) dirs[kExif].push_back({40965, 4, 1, std::vector<uint8_t>(4)});
    for (auto& d : dirs) std::sort(d.begin(), d.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });

    auto dirSize = [](const std::vector<Entry>& d) {
      size_t size = 2 + d.size() * 12 + 4;
      for (const Entry& e : d) size += e.data.size() > 4 ? (e.data.size() + 1) & ~size_t{1} : 0;
      return size;
    };
    size_t offsets[4] = {};
    size_t at = 8;
    for (int i : {kIfd0, kExif, kIop, kIfd1}) {
      if (dirs[i].empty()) continue;
      offsets[i] = at;
      at += dirSize(dirs[i]);
    }
    auto setPointer = [&](std::vector<Entry>& d, uint16_t tag, size_t value) {
      for (Entry& e : d)
        if (e.tag == tag) {
          e.data.clear();
          Put32(e.data, static_cast<uint32_t>(value));
        }
    };
    setPointer(dirs[kIfd0], 34665, offsets[kExif]);
    setPointer(dirs[kExif], 40965, offsets[kIop]);

    std::vector<uint8_t> tiff;
    if (big_) {
      tiff = {'M', 'M', 0, 42};
    } else {
      tiff = {'I', 'I', 42, 0};
    }
    Put32(tiff, 8);
    for (int i : {kIfd0, kExif, kIop, kIfd1}) {
      if (dirs[i].empty()) continue;
      const std::vector<Entry>& d = dirs[i];
      size_t data = offsets[i] + 2 + d.size() * 12 + 4;
      Put16(tiff, static_cast<uint16_t>(d.size()));
      std::vector<uint8_t> extra;
      for (const Entry& e : d) {
        Put16(tiff, e.tag);
        Put16(tiff, e.type);
        Put32(tiff, e.count);
        if (e.data.size() <= 4) {
          std::vector<uint8_t> v = e.data;
          v.resize(4, 0);
          tiff.insert(tiff.end(), v.begin(), v.end());
        } else {
          Put32(tiff, static_cast<uint32_t>(data + extra.size()));
          extra.insert(extra.end(), e.data.begin(), e.data.end());
          if (extra.size() % 2) extra.push_back(0);
        }
      }
      const size_t next = (i == kIfd0 && !dirs[kIfd1].empty()) ? offsets[kIfd1] : 0;
      Put32(tiff, static_cast<uint32_t>(next));
      tiff.insert(tiff.end(), extra.begin(), extra.end());
    }
    std::vector<uint8_t> payload(6 + tiff.size(), 0);
    std::copy_n("Exif", 4, payload.begin());
    std::copy(tiff.begin(), tiff.end(), payload.begin() + 6);
    return payload;
  }

 private:
  void Put16(std::vector<uint8_t>& v, uint16_t x) const {
    if (big_) {
      v.push_back(static_cast<uint8_t>(x >> 8));
      v.push_back(static_cast<uint8_t>(x));
    } else {
      v.push_back(static_cast<uint8_t>(x));
      v.push_back(static_cast<uint8_t>(x >> 8));
    }
  }
  void Put32(std::vector<uint8_t>& v, uint32_t x) const {
    if (big_) {
      Put16(v, static_cast<uint16_t>(x >> 16));
      Put16(v, static_cast<uint16_t>(x));
    } else {
      Put16(v, static_cast<uint16_t>(x));
      Put16(v, static_cast<uint16_t>(x >> 16));
    }
  }
  bool big_;
  size_t pad_ = 0;
  std::vector<Entry> dirs_[4];
};

// Runs a shell command; returns its exit status.
inline int Shell(const std::string& command) {
  const int rc = std::system(command.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// Runs a command and returns its standard output.
inline std::string Capture(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

}  // namespace orvane::test
