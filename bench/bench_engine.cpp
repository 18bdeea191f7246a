// Engine speed: one call on a 6000 x 4000 block of a noisy picture (5 levels, per-channel) with
// one thread and with every core (and on every core with the builds of the inner loops below the
// best one), and the plain reference algorithm on a smaller block, so that the ratios can be read
// off one run. Prints megapixels per second. Each time is the best of a few calls that keep the
// engine's working memory from one call to the next, as a run over a grid of blocks does; one
// line gives calls on fresh memory instead, which fault in every page they touch. On a shared
// machine the same calls vary by a third or more from one to the next (the caches and the
// memory are shared with whatever else runs), so one more line gives the median and the
// slowest of a longer series on every core.
//
//   bench_engine [--quick]    --quick: a 2000 x 1500 block, for a fast look
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/engine_memory.h"
#include "engine/engine_options.h"
#include "engine/noise_reduce.h"
#include "engine/wavelet_kernels.h"
#include "base/worker_pool.h"
#include "reference_engine.h"

namespace {

using Clock = std::chrono::steady_clock;

// A noisy picture: gradients, a hard edge and a cheap pseudo-random noise.
std::vector<uint8_t> MakeBlock(int width, int height) {
  std::vector<uint8_t> buf(static_cast<size_t>(width) * height * 4);
  uint32_t state = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* px = &buf[(static_cast<size_t>(y) * width + x) * 4];
      const int base[3] = {60 + 120 * x / width, 200 - 150 * y / height, x > width / 2 ? 200 : 40};
      for (int c = 0; c < 3; ++c) {
        state = state * 1664525u + 1013904223u;
        const int v = base[c] + static_cast<int>((state >> 24) % 41) - 20;
        px[c] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
      }
      px[3] = 255;
    }
  }
  return buf;
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The best time of `repeats` calls; allocator null: fresh memory for every call. Every time,
// in order, into `times` when it is given.
double TimeEngine(const std::vector<uint8_t>& original, int width, int height, int threads,
                  const orvane::WaveletKernels* kernels, int repeats,
                  const orvane::EngineAllocator* allocator, std::vector<double>* times = nullptr) {
  orvane::NoiseReduceParams params{};
  params.version = 1;
  params.levels = 5;
  params.noiseLevel = 10.0;
  params.perChannel = 1;
  orvane::EngineOptions options;
  options.threads = threads;
  options.kernels = kernels;
  options.allocator = allocator;
  double best = 1e30;
  for (int r = 0; r < repeats; ++r) {
    std::vector<uint8_t> work = original;
    const auto start = Clock::now();
    const int rc = orvane::NoiseReduceWith(width, height, -1, work.data(), &params, options);
    const double s = Seconds(start);
    if (rc != orvane::NR_OK) {
      std::fprintf(stderr, "NoiseReduce failed with %d\n", rc);
      return -1;
    }
    best = s < best ? s : best;
    if (times) times->push_back(s);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  const int width = quick ? 2000 : 6000, height = quick ? 1500 : 4000;
  const int refWidth = quick ? 1000 : 2000, refHeight = quick ? 800 : 1500;
  const int cores = orvane::DefaultThreadCount();
  const double mp = width * static_cast<double>(height) / 1e6;
  const double refMp = refWidth * static_cast<double>(refHeight) / 1e6;
  const auto& best = orvane::SelectWaveletKernels();

  std::printf("engine benchmark: %d x %d block, 5 levels, per-channel, noise level 10\n", width, height);
  std::printf("inner loops: %s build; cores: %d\n", best.name, cores);

  const auto block = MakeBlock(width, height);
  orvane::EngineMemory memory;
  const orvane::EngineAllocator* kept = memory.allocator();
  const double one = TimeEngine(block, width, height, 1, nullptr, quick ? 2 : 3, kept);
  const double all = TimeEngine(block, width, height, cores, nullptr, 3, kept);
  const double fresh = TimeEngine(block, width, height, cores, nullptr, 3, nullptr);
  double baseline = -1;
  if (!quick && &best != &orvane::BaselineWaveletKernels()) {
    baseline = TimeEngine(block, width, height, cores, &orvane::BaselineWaveletKernels(), 1, kept);
  }
  // Where the AVX-512 build runs, the AVX2 build beside it, as many times as the best.
  const orvane::WaveletKernels* avx2 = orvane::Avx2WaveletKernels();
  double avx2Time = -1;
  if (!quick && avx2 && &best != avx2) avx2Time = TimeEngine(block, width, height, cores, avx2, 3, kept);

  std::vector<double> series;
  const int seriesCalls = quick ? 5 : 11;
  if (TimeEngine(block, width, height, cores, nullptr, seriesCalls, kept, &series) < 0) return 1;
  std::sort(series.begin(), series.end());

  auto refBlock = MakeBlock(refWidth, refHeight);
  const auto start = Clock::now();
  orvane::reference::NoiseReduce(refBlock.data(), refWidth, refHeight, refWidth * 4, 5, 10.0, true);
  const double ref = Seconds(start);

  std::printf("%-44s %8.3f s %8.1f MP/s\n", "engine, 1 thread", one, mp / one);
  std::printf("%-44s %8.3f s %8.1f MP/s\n", ("engine, " + std::to_string(cores) + " threads").c_str(), all, mp / all);
  std::printf("%-44s %8.3f s %8.1f MP/s  (slowest %.3f s)\n",
              ("engine, " + std::to_string(cores) + " threads, median of " + std::to_string(seriesCalls) + " calls").c_str(),
              series[series.size() / 2], mp / series[series.size() / 2], series.back());
  std::printf("%-44s %8.3f s %8.1f MP/s\n", ("engine, " + std::to_string(cores) + " threads, fresh memory").c_str(), fresh, mp / fresh);
  if (avx2Time > 0) {
    std::printf("%-44s %8.3f s %8.1f MP/s\n", ("engine, avx2 build, " + std::to_string(cores) + " threads").c_str(), avx2Time, mp / avx2Time);
  }
  if (baseline > 0) {
    std::printf("%-44s %8.3f s %8.1f MP/s\n", ("engine, baseline build, " + std::to_string(cores) + " threads").c_str(), baseline, mp / baseline);
  }
  std::printf("%-44s %8.3f s %8.1f MP/s  (%d x %d block)\n", "plain reference, 1 thread", ref, refMp / ref, refWidth, refHeight);
  std::printf("speed-up of the engine on all cores over the plain reference: %.1fx\n", (mp / all) / (refMp / ref));
  return 0;
}
