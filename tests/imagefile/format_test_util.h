// Helpers shared by the format tests: temporary folders, files, external tools, PNM pictures.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "imagefile/raster_image.h"

namespace orvane::testing {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "orvane-fmt-XXXXXX").string();
    path_ = mkdtemp(tmpl.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Runs a shell command; its exit status (-1 when it could not run).
inline int RunTool(const std::string& command) {
  const int status = std::system((command + " 2>/dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline bool HaveTool(const std::string& name) {
  return RunTool("command -v " + name + " >/dev/null") == 0;
}

// An RGB picture with rows from the top.
struct Rgb24 {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  bool operator==(const Rgb24&) const = default;
};

inline void PrintTo(const Rgb24& p, std::ostream* os) {
  *os << p.width << "x" << p.height << " {";
  for (size_t i = 0; i < p.pixels.size() && i < 48; ++i) *os << (i ? "," : "") << int(p.pixels[i]);
  *os << (p.pixels.size() > 48 ? ",...}" : "}");
}

// Reads a binary PNM file (P4, P5 or P6 with maxval 255) as RGB.
inline bool ReadPnm(const std::string& path, Rgb24& out) {
  const std::vector<uint8_t> d = ReadBytes(path);
  size_t pos = 0;
  auto token = [&]() -> std::string {
    std::string t;
    while (pos < d.size()) {
      if (d[pos] == '#') {
        while (pos < d.size() && d[pos] != '\n') ++pos;
      } else if (isspace(d[pos])) {
        ++pos;
      } else {
        break;
      }
    }
    while (pos < d.size() && !isspace(d[pos])) t.push_back(static_cast<char>(d[pos++]));
    return t;
  };
  const std::string magic = token();
  if (magic != "P4" && magic != "P5" && magic != "P6") return false;
  out.width = std::atoi(token().c_str());
  out.height = std::atoi(token().c_str());
  if (magic != "P4" && std::atoi(token().c_str()) != 255) return false;
  ++pos;  // the single whitespace before the raster
  const size_t n = static_cast<size_t>(out.width) * out.height;
  out.pixels.assign(n * 3, 0);
  if (magic == "P6") {
    if (d.size() < pos + n * 3) return false;
    std::copy(d.begin() + pos, d.begin() + pos + n * 3, out.pixels.begin());
  } else if (magic == "P5") {
    if (d.size() < pos + n) return false;
    for (size_t i = 0; i < n; ++i) out.pixels[3 * i] = out.pixels[3 * i + 1] = out.pixels[3 * i + 2] = d[pos + i];
  } else {
    const size_t row = (out.width + 7) / 8;
    if (d.size() < pos + row * out.height) return false;
    for (int y = 0; y < out.height; ++y)
      for (int x = 0; x < out.width; ++x) {
        const bool black = (d[pos + y * row + x / 8] >> (7 - x % 8)) & 1;
        for (int c = 0; c < 3; ++c) out.pixels[(y * out.width + x) * 3 + c] = black ? 0 : 255;
      }
  }
  return true;
}

inline void WritePpm(const std::string& path, const Rgb24& picture) {
  std::vector<uint8_t> bytes;
  const std::string head =
      "P6\n" + std::to_string(picture.width) + " " + std::to_string(picture.height) + "\n255\n";
  bytes.assign(head.begin(), head.end());
  bytes.insert(bytes.end(), picture.pixels.begin(), picture.pixels.end());
  WriteBytes(path, bytes);
}

// A picture with many colours, steps and gradients, reproducible.
inline Rgb24 TestPicture(int width, int height, unsigned seed = 7) {
  Rgb24 p{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
  std::mt19937 rng(seed);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* d = &p.pixels[(static_cast<size_t>(y) * width + x) * 3];
      d[0] = static_cast<uint8_t>(x * 255 / std::max(1, width - 1));
      d[1] = static_cast<uint8_t>(y * 255 / std::max(1, height - 1));
      d[2] = static_cast<uint8_t>(rng());
    }
  return p;
}

// The 24-bit pixels of an image (widened when it is 1 or 8 bits).
inline Rgb24 PixelsOf(const RasterImage& image) {
  RasterImage wide;
  if (image.ToTrueColour(wide) != kOk) return {};
  Rgb24 p{wide.Width(), wide.Height(), {}};
  p.pixels.assign(wide.Pixels(),
                  wide.Pixels() + static_cast<size_t>(wide.Width()) * wide.Height() * 3);
  return p;
}

inline void FillImage(RasterImage& image, const Rgb24& picture) {
  image.Create(picture.width, picture.height, 24);
  std::copy(picture.pixels.begin(), picture.pixels.end(), image.Pixels());
}

// Largest difference of any channel; -1 when the sizes differ.
inline int MaxDifference(const Rgb24& a, const Rgb24& b) {
  if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) return -1;
  int worst = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i)
    worst = std::max(worst, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
  return worst;
}

}  // namespace orvane::testing
