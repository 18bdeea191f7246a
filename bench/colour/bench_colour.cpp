// Speed of the colour stages on a 6000 x 4000 picture: the whole chain (match, tone curve, boost)
// on the run's 4-byte layout, each step alone, the histogram bars, automatic levels and building
// the match tables. Prints megapixels per second (best of three).
//
//   bench_colour [--quick]    --quick: a 2000 x 1500 picture
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "colour/colour_correction.h"
#include "colour/colour_match.h"
#include "colour/histogram.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> MakePicture(int width, int height, int bytesPerPixel) {
  std::vector<uint8_t> buf(static_cast<size_t>(width) * height * bytesPerPixel);
  uint32_t state = 2026;
  for (size_t i = 0; i < buf.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    buf[i] = static_cast<uint8_t>((i / bytesPerPixel % width) * 200 / width + (state >> 27));
  }
  return buf;
}

void Report(const char* what, double megapixels, const std::function<void()>& body) {
  double best = 1e30;
  for (int r = 0; r < 3; ++r) {
    const auto start = Clock::now();
    body();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::printf("%-34s %8.1f MP/s  (%.3f s)\n", what, megapixels / best, best);
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  const int width = quick ? 2000 : 6000;
  const int height = quick ? 1500 : 4000;
  const double mp = width * static_cast<double>(height) / 1e6;
  std::printf("colour stages on %d x %d (%.1f MP)\n", width, height, mp);

  const auto rgbx = MakePicture(width, height, 4);
  const auto rgb = MakePicture(width, height, 3);
  std::vector<uint8_t> work;

  orvane::ColourParams all;
  all.matchMode = orvane::MatchMode::kReferenceImage;
  all.matchFade = 60;
  all.blackPoint = 10;
  all.whitePoint = 240;
  all.blueGamma = 0.9f;
  all.exposureEv = 0.7;
  all.colourBoost = 40;
  auto chain = [&](const orvane::ColourParams& p) {
    return [&, p] {
      work = rgbx;
      orvane::ColourCorrectionChain::Apply(p, work.data(), width, height,
                                           orvane::PixelLayout::kRgbx4);
    };
  };
  Report("copy only (baseline)", mp, [&] { work = rgbx; });
  Report("chain, every step (RGBX4)", mp, chain(all));
  orvane::ColourParams match;
  match.matchMode = orvane::MatchMode::kReferenceImage;
  Report("chain, colour match only", mp, chain(match));
  orvane::ColourParams tone;
  tone.exposureEv = 0.7;
  Report("chain, tone curve only", mp, chain(tone));
  orvane::ColourParams boost;
  boost.colourBoost = 40;
  Report("chain, colour boost only", mp, chain(boost));

  orvane::HistogramBars bars;
  Report("histogram bars (copy + chain)", mp,
         [&] { orvane::ComputeHistogramBars(rgb.data(), width, height, all, bars); });
  Report("automatic levels", mp, [&] { orvane::AutoLevels(rgb.data(), width, height); });
  Report("distributions + match tables", mp, [&] {
    orvane::ChannelDistributions src;
    orvane::ComputeDistributions(rgb.data(), width, height, src);
    orvane::ChannelDistributions ref = src;
    for (double& v : ref.red) v = v * v;
    orvane::MatchTablesFrom(src, ref);
  });
  return 0;
}
