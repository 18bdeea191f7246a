#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "engine/photo_denoise.h"
#include "pipeline/denoise_run.h"
#include "pipeline/noise_estimate.h"
#include "scripted_host.h"

namespace orvane {
namespace {

// A small photograph-like scene (shading, hard-edged shapes, fine stripes) with noise that
// grows with brightness.
struct Scene {
  int w, h;
  std::vector<uint8_t> clean, noisy;
  Scene(int width, int height, double gain = 1.2, double floor = 30) : w(width), h(height) {
    clean.resize(static_cast<size_t>(w) * h * 3);
    std::mt19937 rng(7);
    std::normal_distribution<double> gauss(0, 1);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        double rgb[3] = {60 + 0.5 * x, 90 + 0.4 * y, 170 - 0.3 * x};
        if (std::hypot(x - w / 2, y - h / 2) < h / 4) rgb[0] = 220, rgb[1] = 70, rgb[2] = 50;
        if (x < w / 4 && y > h / 2) rgb[0] = rgb[1] = rgb[2] = 40 + 30 * ((x / 3) % 2);
        uint8_t* d = &clean[(static_cast<size_t>(y) * w + x) * 3];
        for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(std::clamp(std::lround(rgb[c]), 0l, 255l));
      }
    noisy = clean;
    for (uint8_t& v : noisy) {
      const long n = std::lround(v + std::sqrt(gain * v + floor) * gauss(rng));
      v = static_cast<uint8_t>(std::clamp(n, 0l, 255l));
    }
  }
};

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
  return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / sum);
}

class PhotoDocument : public DenoiseDocument {
 public:
  PhotoDocument(UiHost& host, const Scene& s) : DenoiseDocument(host), scene(s) {
    source = s.noisy;
    result = source;
    EditNrSettings(*this, [](NrSettings& nr) { nr.mode = kModePhoto; });
  }
  Pictures pictures() override { return {source.data(), result.data(), scene.w, scene.h}; }
  void applyColourChain(uint8_t*, int, int, WorkerPool*) override {}
  const Scene& scene;
  std::vector<uint8_t> source, result;
};

std::vector<uint8_t> RunPhoto(const Scene& s, int threads, int maxBlock, double level = -1,
                              OutputWindow window = kOutputResult) {
  test::ScriptedHost host;
  PhotoDocument doc(host, s);
  doc.threads = threads;
  EditMemorySettings(doc, [&](MemorySettings& mem) { mem.maxBlockW = mem.maxBlockH = maxBlock; });
  EditNrSettings(doc, [&](NrSettings& nr) { nr.outputWindow = window; });
  EditNrSettings(doc, [&](NrSettings& nr) { nr.noiseLevel = level; });
  if (level < 0) {
    const PictureNoise n = MeasurePictureNoise(s.noisy.data(), s.w, s.h);
    EditNrSettings(doc, [&](NrSettings& nr) { nr.noiseLevel = PhotoNoiseLevel(n); });
  }
  EXPECT_EQ(doc.runNoiseReduction(false).code, NR_OK);
  EXPECT_TRUE(host.log.messages.empty());
  return doc.result;
}

TEST(PhotoMode, CleansNoiseAtTheAutomaticLevel) {
  const Scene s(200, 150);
  const std::vector<uint8_t> out = RunPhoto(s, 2, 3100);
  EXPECT_GT(Psnr(s.clean, out), Psnr(s.clean, s.noisy) + 6);
  // Level 0 leaves the picture as it is.
  EXPECT_EQ(RunPhoto(s, 2, 3100, 0), s.noisy);
}

// Blocks are read with their surroundings, so the seams cannot be seen: the same bytes as the
// picture cleaned whole, for any thread count.
TEST(PhotoMode, BlocksAndThreadsGiveTheSameBytesAsWhole) {
  const Scene s(230, 170);
  const std::vector<uint8_t> whole = RunPhoto(s, 1, 3100);
  EXPECT_EQ(RunPhoto(s, 3, 3100), whole);
  EXPECT_EQ(RunPhoto(s, 2, 64), whole);   // 4 x 3 blocks
  EXPECT_EQ(RunPhoto(s, 1, 100), whole);  // 3 x 2, blocks of odd sizes
}

TEST(PhotoMode, DirectCallOnPartsMatchesTheWhole) {
  const Scene s(120, 90);
  std::vector<uint8_t> packed(static_cast<size_t>(s.w) * s.h * 4, 255);
  for (size_t i = 0; i < s.noisy.size(); ++i) packed[i / 3 * 4 + i % 3] = s.noisy[i];
  PhotoDenoiseParams p;
  p.noise = PhotoNoiseShape(MeasurePictureNoise(s.noisy.data(), s.w, s.h));
  p.strength = 12;
  std::vector<uint8_t> whole(packed.size(), 0), parts(packed.size(), 0);
  const int64_t stride = int64_t{s.w} * 4;
  ASSERT_EQ(PhotoDenoise(packed.data(), whole.data(), s.w, s.h, stride, Rect{0, 0, s.w, s.h}, p), NR_OK);
  for (const Rect& r : {Rect{0, 0, 37, 90}, Rect{37, 0, 120, 41}, Rect{37, 41, 120, 90}})
    ASSERT_EQ(PhotoDenoise(packed.data(), parts.data(), s.w, s.h, stride, r, p), NR_OK);
  EXPECT_EQ(parts, whole);
  // The fourth byte is never written.
  for (size_t i = 3; i < whole.size(); i += 4) ASSERT_EQ(whole[i], 0);
  // Bad arguments.
  EXPECT_EQ(PhotoDenoise(packed.data(), packed.data(), s.w, s.h, stride, Rect{0, 0, 8, 8}, p),
            NR_INVALID_PARAMETER);
  EXPECT_EQ(PhotoDenoise(packed.data(), whole.data(), s.w, s.h, stride, Rect{0, 0, s.w + 1, 8}, p),
            NR_INVALID_PARAMETER);
}

TEST(PhotoMode, FilteredNoiseShowsWhatWasTakenAway) {
  const Scene s(96, 64);
  const std::vector<uint8_t> out = RunPhoto(s, 1, 3100, 10);
  const std::vector<uint8_t> noise = RunPhoto(s, 1, 3100, 10, kOutputNoise);
  for (size_t i = 0; i < out.size(); ++i)
    ASSERT_EQ(noise[i], std::min(255, std::abs(out[i] - s.noisy[i]) * 10)) << i;
}

TEST(PhotoMode, CancelLeavesTheResultAsItWas) {
  const Scene s(160, 120);
  test::ScriptedHost host;
  PhotoDocument doc(host, s);
  EditNrSettings(doc, [&](NrSettings& nr) { nr.noiseLevel = 10; });
  host.onDrain = [&] { host.escape = doc.busy != 0; };
  EXPECT_EQ(doc.runNoiseReduction(false).code, NR_CANCELLED);
  EXPECT_EQ(host.log.messages, std::vector<std::string>{"Operation cancelled"});
  EXPECT_EQ(doc.result, doc.source);
}

}  // namespace
}  // namespace orvane
