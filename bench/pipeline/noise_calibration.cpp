// Measures which noise level suits which noise: adds Gaussian noise of known strength to clean
// photographs, denoises each with the default settings at every level, and prints the level with
// the best PSNR beside the level the estimator chooses. The estimator's table comes from here.
//
// noise_calibration [--jpeg Q [--half-chroma]] [--red-scale X] [--shot | --camera] [--estimate]
//                   [--curves DIR] [--sigmas 5,10,...] PICTURE...
//   --jpeg Q       compress the noisy picture as JPEG quality Q before measuring
//   --half-chroma  with --jpeg: colour stored at half resolution (4:2:0), as cameras store it
//   --red-scale X  the red channel's noise is X times the others'
//   --shot         noise grows with brightness: sigma at mid-grey, sqrt-scaled
//   --camera       as a sensor's: variance = a * value + b, sigma at mid-grey, b = (sigma / 3)^2
//   --estimate     only the estimate, no search for the best level
//   --curves DIR   for each case DIR/NAME_KIND.png, the noisy picture (KIND: g10, cam15, g10j90,
//                  g10h90, ...), and DIR/NAME_KIND.txt, the PSNR at every level from 0 to 100 in
//                  steps of 0.5 (as the automatic level is rounded); any estimate of the same
//                  pictures can then be judged without denoising them again
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/document.h"
#include "pipeline/noise_estimate.h"
#include "quality_metrics.h"
#include "quiet_host.h"

namespace {

using orvane::bench::QuietHost;

using orvane::bench::Psnr;

struct Settings {
  int jpeg = 0;
  bool halfChroma = false;
  double redScale = 1;
  bool shot = false;
  bool camera = false;
  bool estimateOnly = false;
  std::string curves;
};

std::vector<uint8_t> AddNoise(const orvane::RasterImage& clean, double sigma, const Settings& s,
                              const std::string& dir) {
  const size_t n = static_cast<size_t>(clean.Width()) * clean.Height() * 3;
  std::vector<uint8_t> out(n);
  std::mt19937 rng(12345);
  std::normal_distribution<double> gauss(0, 1);
  for (size_t i = 0; i < n; ++i) {
    const int v = clean.Pixels()[i];
    double sd = sigma * (i % 3 == 0 ? s.redScale : 1);
    if (s.shot) sd *= std::sqrt((v + 8) / 128.0);
    if (s.camera) {
      const double b = sigma * sigma / 9, a = (sigma * sigma - b) / 128;
      sd = std::sqrt(a * v + b);
    }
    const long r = std::lround(v + sd * gauss(rng));
    out[i] = static_cast<uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
  }
  if (s.jpeg > 0) {
    orvane::RasterImage img;
    img.Create(clean.Width(), clean.Height(), 24);
    std::copy(out.begin(), out.end(), img.Pixels());
    img.jpegQuality = s.jpeg;
    img.jpegFullChroma = !s.halfChroma;
    const std::string path = dir + "/noisy.jpg";
    orvane::RasterImage back;
    if (img.Save(path) != orvane::kOk || back.Load(path) != orvane::kOk) std::exit(1);
    std::copy(back.Pixels(), back.Pixels() + n, out.begin());
  }
  return out;
}

double Denoised(const std::vector<uint8_t>& noisy, const orvane::RasterImage& clean, double level) {
  QuietHost host;
  orvane::MemorySettingsStore settings;
  orvane::CHushwickDoc doc(host, settings);
  doc.pastePicture(noisy.data(), clean.Width(), clean.Height());
  orvane::EditNrSettings(doc, [&](orvane::NrSettings& nr) { nr.noiseLevel = level; });
  doc.runNoiseReduction(false);
  return Psnr(doc.resultImage.Pixels(), clean.Pixels(), noisy.size());
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  std::vector<double> sigmas = {0, 5, 10, 15, 20, 25, 30};
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--jpeg" && i + 1 < argc) s.jpeg = std::atoi(argv[++i]);
    else if (a == "--red-scale" && i + 1 < argc) s.redScale = std::atof(argv[++i]);
    else if (a == "--half-chroma") s.halfChroma = true;
    else if (a == "--shot") s.shot = true;
    else if (a == "--camera") s.camera = true;
    else if (a == "--estimate") s.estimateOnly = true;
    else if (a == "--curves" && i + 1 < argc) s.curves = argv[++i];
    else if (a == "--sigmas" && i + 1 < argc) {
      sigmas.clear();
      std::stringstream list(argv[++i]);
      for (std::string item; std::getline(list, item, ',');) sigmas.push_back(std::atof(item.c_str()));
    } else files.push_back(a);
  }
  std::error_code made;
  if (!s.curves.empty()) std::filesystem::create_directories(s.curves, made);
  char folder[] = "/tmp/orvane_calib_XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  std::printf("%-22s %5s %7s %7s %7s %6s %7s %6s %7s %7s\n", "picture", "sigma", "noisy", "level8",
              "estim", "auto", "psnr", "best", "psnr", "loss");
  for (const std::string& file : files) {
    orvane::RasterImage clean;
    if (clean.Load(file) != orvane::kOk || clean.BitsPerPixel() != 24) {
      std::fprintf(stderr, "%s: not a 24-bit picture\n", file.c_str());
      continue;
    }
    const std::string name = file.substr(file.rfind('/') + 1);
    for (double sigma : sigmas) {
      const std::vector<uint8_t> noisy = AddNoise(clean, sigma, s, folder);
      const orvane::NoiseEstimate e = orvane::EstimateNoise(noisy.data(), clean.Width(), clean.Height());
      const double autoLevel = std::round(e.level * 2) / 2;
      if (!s.curves.empty()) {
        const std::string kind = std::string(s.camera ? "cam" : s.shot ? "shot" : "g") +
                                 std::to_string(static_cast<int>(sigma)) +
                                 (s.jpeg > 0 ? (s.halfChroma ? "h" : "j") + std::to_string(s.jpeg) : "");
        const std::string stem = s.curves + "/" + name.substr(0, name.rfind('.')) + "_" + kind;
        orvane::RasterImage img;
        if (img.Create(clean.Width(), clean.Height(), 24) != orvane::kOk) return 1;
        std::copy(noisy.begin(), noisy.end(), img.Pixels());
        if (img.Save(stem + ".png") != orvane::kOk) return 1;
        FILE* out = std::fopen((stem + ".txt").c_str(), "w");
        if (out == nullptr) return 1;
        for (int step = 0; step <= 200; ++step)
          std::fprintf(out, "%.4f\n", Denoised(noisy, clean, step / 2.0));
        std::fclose(out);
        std::printf("%s\n", stem.c_str());
        std::fflush(stdout);
        continue;
      }
      if (s.estimateOnly) {
        std::printf("%-22s %5.1f %7.2f %7.2f %6.1f  (%.2f %.2f %.2f) quiet %.3f\n", name.c_str(),
                    sigma, Psnr(noisy.data(), clean.Pixels(), noisy.size()), e.levelSigma,
                    autoLevel, e.channelSigma[0], e.channelSigma[1], e.channelSigma[2],
                    e.tilesSeen > 0 ? static_cast<double>(e.tilesUsed) / e.tilesSeen : 0.0);
        continue;
      }
      const double autoPsnr = Denoised(noisy, clean, autoLevel);
      // Coarse search every 4 levels, then every level around the best.
      double bestLevel = 0, bestPsnr = Denoised(noisy, clean, 0);
      for (int level = 4; level <= 100; level += 4) {
        const double p = Denoised(noisy, clean, level);
        if (p > bestPsnr) bestPsnr = p, bestLevel = level;
      }
      const int centre = static_cast<int>(bestLevel);
      for (int level = std::max(1, centre - 3); level <= std::min(100, centre + 3); ++level) {
        const double p = Denoised(noisy, clean, level);
        if (p > bestPsnr) bestPsnr = p, bestLevel = level;
      }
      std::printf("%-22s %5.1f %7.2f %7.2f %7.2f %6.1f %7.2f %6.0f %7.2f %7.2f\n", name.c_str(), sigma,
                  Psnr(noisy.data(), clean.Pixels(), noisy.size()), Denoised(noisy, clean, 8), e.levelSigma,
                  autoLevel, autoPsnr,
                  bestLevel, bestPsnr, bestPsnr - autoPsnr);
      std::fflush(stdout);
    }
  }
  std::string cleanup = std::string("rm -rf ") + folder;
  return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
