// Photo mode's denoiser on photographs with added noise of three kinds: Gaussian of sigma 10
// and 20, and camera-like noise whose variance grows with brightness (sigma 15 at mid-grey).
// Prints the PSNR of the noisy picture and of the result at each strength, per picture and
// as a mean. The noise is either the one that was added (--model true) or the one the
// program measures on the noisy picture (the default), as Photo mode does.
//
// photo_quality [--model true|measured] [--strength 0.8,1,1.2] [--noise g10,g20,cam] PNG...
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/photo_denoise.h"
#include "imagefile/raster_image.h"
#include "pipeline/noise_estimate.h"
#include "quality_metrics.h"

namespace {

using namespace orvane;

struct Noise {
  std::string name;
  double gain, floor;  // variance = gain * v + floor
};

Noise NoiseNamed(const std::string& n) {
  if (n == "g10") return {n, 0, 100};
  if (n == "g20") return {n, 0, 400};
  if (n == "g5") return {n, 0, 25};
  if (n == "g30") return {n, 0, 900};
  if (n == "cam") return {n, 200.0 / 128, 25};
  std::fprintf(stderr, "unknown noise %s\n", n.c_str());
  std::exit(2);
}

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> out;
  std::stringstream in(s);
  for (std::string item; std::getline(in, item, ',');) out.push_back(item);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  bool trueModel = false;
  std::vector<double> strengths = {1.0};
  std::vector<std::string> noises = {"g10", "g20", "cam"};
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--model" && i + 1 < argc) trueModel = std::string(argv[++i]) == "true";
    else if (a == "--strength" && i + 1 < argc) {
      strengths.clear();
      for (auto& s : Split(argv[++i])) strengths.push_back(std::stod(s));
    } else if (a == "--noise" && i + 1 < argc) noises = Split(argv[++i]);
    else files.push_back(a);
  }
  std::vector<double> sums(strengths.size(), 0), ssims(strengths.size(), 0);
  int cases = 0;
  for (const std::string& file : files) {
    RasterImage clean;
    if (clean.Load(file) != kOk || clean.BitsPerPixel() != 24) {
      std::fprintf(stderr, "cannot read %s as a 24-bit picture\n", file.c_str());
      return 1;
    }
    const int w = clean.Width(), h = clean.Height();
    const size_t n = static_cast<size_t>(w) * h;
    for (size_t k = 0; k < noises.size(); ++k) {
      const Noise noise = NoiseNamed(noises[k]);
      std::mt19937 rng(1000 + static_cast<unsigned>(k));
      std::normal_distribution<double> gauss(0, 1);
      std::vector<uint8_t> noisy(n * 4, 255), rgb(n * 3);
      for (size_t i = 0; i < n * 3; ++i) {
        const int v = clean.Pixels()[i];
        const double sd = std::sqrt(noise.gain * v + noise.floor);
        const long r = std::lround(v + sd * gauss(rng));
        rgb[i] = static_cast<uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
        noisy[i / 3 * 4 + i % 3] = rgb[i];
      }
      PhotoDenoiseParams p;
      if (trueModel) {
        for (auto& c : p.noise.channel) c = {noise.gain, noise.floor};
      } else {
        p.noise = MeasurePictureNoise(rgb.data(), w, h).model;
      }
      std::printf("%-14s %-4s noisy %6.2f", file.substr(file.rfind('/') + 1).c_str(),
                  noise.name.c_str(), bench::Psnr(clean.Pixels(), rgb.data(), n * 3));
      std::vector<uint8_t> out(n * 4, 255), out3(n * 3);
      for (size_t s = 0; s < strengths.size(); ++s) {
        p.strength = strengths[s];
        if (PhotoDenoise(noisy.data(), out.data(), w, h, int64_t{w} * 4, Rect{0, 0, w, h}, p) != NR_OK)
          return 1;
        for (size_t i = 0; i < n * 3; ++i) out3[i] = out[i / 3 * 4 + i % 3];
        const double psnr = bench::Psnr(clean.Pixels(), out3.data(), n * 3);
        const double ssim = bench::Ssim(clean.Pixels(), out3.data(), w, h);
        sums[s] += psnr, ssims[s] += ssim;
        std::printf("  %.2f: %6.2f %.4f", strengths[s], psnr, ssim);
      }
      std::printf("\n");
      ++cases;
    }
  }
  std::printf("mean over %d cases:", cases);
  for (size_t s = 0; s < strengths.size(); ++s)
    std::printf("  %.2f: %6.3f %.4f", strengths[s], sums[s] / cases, ssims[s] / cases);
  std::printf("\n");
}
