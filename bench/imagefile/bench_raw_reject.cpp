// What the camera raw attempt adds to opening an ordinary picture: Load runs the raw decoder
// first on every file, so a file that is not raw must be given up right after its header.
// Prints the time of the raw attempt on a large JPEG and on a large TIFF next to a full Load.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imagefile/codec/codec.h"
#include "imagefile/raw_adapter.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class F>
double MillisecondsPerCall(int calls, F f) {
  const auto start = Clock::now();
  for (int i = 0; i < calls; ++i) f();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / calls;
}

}  // namespace

int main() {
  using namespace orvane;
  const int w = 4000, h = 3000;
  RasterImage image;
  if (image.Create(w, h, 24) != kOk) return 1;
  for (size_t i = 0; i < size_t(w) * h * 3; ++i) image.Pixels()[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
  const auto dir = std::filesystem::temp_directory_path() / "orvane-bench-raw";
  std::filesystem::create_directories(dir);
  int failures = 0;
  for (const char* name : {"large.jpg", "large.tif"}) {
    const std::string path = (dir / name).string();
    if (image.Save(path) != kOk) return 1;
    const double size = std::filesystem::file_size(path) / 1e6;
    int rw = 0, rh = 0;
    const double reject = MillisecondsPerCall(20, [&] { (void)DecodeRawFile(path, rw, rh); });
    RasterImage loaded;
    const double load = MillisecondsPerCall(3, [&] { (void)loaded.Load(path); });
    std::printf("%s (%d x %d, %.1f MB): raw attempt %.2f ms, whole Load %.1f ms (%.1f%%)%s\n",
                name, w, h, size, reject, load, 100 * reject / load,
                rw != 0 ? "  RAW DECODER ACCEPTED IT" : "");
    failures += rw != 0;
  }
  std::filesystem::remove_all(dir);
  return failures;
}
