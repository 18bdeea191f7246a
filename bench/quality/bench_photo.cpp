// Photo mode's speed: the Detail view's region preview (1500 x 480 pixels, the part of a
// 24-megapixel photograph a maximised window shows) and the whole road of that photograph
// (load the JPEG, Photo mode over the whole picture at the automatic level, save JPEG q92),
// with ImageMagick's plain decode and encode of the same file timed in the same run.
//
// bench_photo [WIDTH HEIGHT]
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/document.h"
#include "base/worker_pool.h"
#include "pipeline/noise_estimate.h"
#include "quiet_host.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

int Shell(const std::string& command) {
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  int w = 6000, h = 4000;
  if (argc == 3) w = std::atoi(argv[1]), h = std::atoi(argv[2]);
  char folder[] = "/tmp/orvane_bench_XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  const std::string dir = folder;
  const std::string in = dir + "/photo.jpg", out = dir + "/photo_NR.jpg", yard = dir + "/yard.jpg";
  if (Shell(std::string(ORVANE_MAKE_SAMPLE) + " " + in + " " + std::to_string(w) + " " +
            std::to_string(h)) != 0) {
    std::fprintf(stderr, "cannot make the sample picture\n");
    return 1;
  }
  std::printf("picture: %d x %d (%.1f megapixels), %d threads, Photo mode\n", w, h, w * h / 1e6,
              orvane::DefaultThreadCount());

  double bestFirst = 1e9, bestRegion = 1e9, bestRoad = 1e9, bestYard = 1e9, level = 0;
  for (int round = 0; round < 3; ++round) {
    orvane::bench::QuietHost host;
    orvane::MemorySettingsStore settings;
    orvane::CHushwickDoc doc(host, settings);
    auto t = Clock::now();
    if (doc.openFile(in) != orvane::kOk) return 1;
    orvane::EditNrSettings(doc, [&](orvane::NrSettings& nr) { nr.mode = orvane::kModePhoto; });
    level = orvane::AutomaticNoiseLevel(doc.sourceImage, orvane::kModePhoto);
    orvane::EditNrSettings(doc, [&](orvane::NrSettings& nr) { nr.noiseLevel = level; });
    doc.runNoiseReduction(false);
    if (!doc.resultValid) return 1;
    doc.resultImage.jpegQuality = 92;
    if (doc.resultImage.Save(out) != orvane::kOk) return 1;
    bestRoad = std::min(bestRoad, Since(t));

    // The first preview of a picture measures its noise; the later ones reuse it.
    orvane::CHushwickDoc view(host, settings);
    if (view.openFile(in) != orvane::kOk) return 1;
    orvane::EditNrSettings(view, [&](orvane::NrSettings& nr) {
      nr.mode = orvane::kModePhoto;
      nr.noiseLevel = level;
    });
    const int rw = std::min(1500, w), rh = std::min(480, h);
    view.setRegion((w - rw) / 2, (h - rh) / 2, (w - rw) / 2 + rw, (h - rh) / 2 + rh);
    t = Clock::now();
    view.runNoiseReduction(true);
    bestFirst = std::min(bestFirst, Since(t));
    for (int i = 0; i < 3; ++i) {
      t = Clock::now();
      view.runNoiseReduction(true);
      bestRegion = std::min(bestRegion, Since(t));
    }

    t = Clock::now();
    if (Shell("convert " + in + " -quality 92 " + yard + " 2>/dev/null") == 0)
      bestYard = std::min(bestYard, Since(t));
  }
  std::printf("automatic level      %g\n", level);
  std::printf("region preview       %7.3f s  (first of a picture %.3f s; target <= 0.120)\n",
              bestRegion, bestFirst);
  std::printf("whole road           %7.3f s  (%.1f megapixels per second)\n", bestRoad,
              w * h / 1e6 / bestRoad);
  if (bestYard < 1e9)
    std::printf("ImageMagick convert decode+encode %.3f s; road / yardstick = %.2f (target <= 3)\n",
                bestYard, bestRoad / bestYard);
  else
    std::printf("ImageMagick convert not available: no yardstick\n");
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return 0;
}
