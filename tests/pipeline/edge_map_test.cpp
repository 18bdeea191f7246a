#include "pipeline/edge_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "base/worker_pool.h"
#include "test_images.h"

namespace orvane {
namespace {

using test::FlatPacked;
using test::SetPacked;

TEST(EdgeMap, SingleBrightPixelMarksItsEightNeighbours) {
  for (int bump : {8, 40}) {
    auto img = FlatPacked(9, 9, 100);
    SetPacked(img, 9, 4, 4, static_cast<uint8_t>(100 + bump));
    std::vector<uint8_t> e(81, 1);
    ASSERT_TRUE(ComputeEdgeMap(img.data(), 9, 9, e.data(), 0, kModeDefault));
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 9; ++x) {
        const bool neighbour = std::abs(x - 4) <= 1 && std::abs(y - 4) <= 1 && !(x == 4 && y == 4);
        EXPECT_EQ(e[y * 9 + x], neighbour ? 0 : 255) << bump << " at " << x << "," << y;
      }
  }
}

TEST(EdgeMap, NoGradientGivesZeroEverywhere) {
  auto img = FlatPacked(7, 5, 123);
  std::vector<uint8_t> e(35, 99);
  ASSERT_TRUE(ComputeEdgeMap(img.data(), 7, 5, e.data(), 0, kModeDefault));
  for (uint8_t v : e) EXPECT_EQ(v, 0);
  // A step of 3 vanishes in the integer gradient (2 x 3 / 8 = 0): still no gradient.
  SetPacked(img, 7, 3, 2, 126);
  ASSERT_TRUE(ComputeEdgeMap(img.data(), 7, 5, e.data(), 0, kModeDefault));
  for (uint8_t v : e) EXPECT_EQ(v, 0);
}

TEST(EdgeMap, GradientWrapsAroundTheBorders) {
  // A bright first column: its wrap-around neighbour is the last column, which sees the edge too.
  auto img = FlatPacked(8, 8, 50);
  for (int y = 0; y < 8; ++y) SetPacked(img, 8, 0, y, 200);
  std::vector<uint8_t> e(64);
  ASSERT_TRUE(ComputeEdgeMap(img.data(), 8, 8, e.data(), 0, kModeDefault));
  for (int y = 0; y < 8; ++y) {
    EXPECT_EQ(e[y * 8 + 7], 0);
    EXPECT_EQ(e[y * 8 + 1], 0);
    EXPECT_EQ(e[y * 8 + 0], 255);  // the centre is not part of the kernels
    EXPECT_EQ(e[y * 8 + 4], 255);
  }
}

TEST(EdgeMap, WeightThresholdAndGain) {
  struct Case { int o, threshold, mode, expected; };
  const Case cases[] = {
      {100, 0, kModeDefault, 6},     // 155 x 1.6f is just above 248
      {255, 0, kModeDefault, 255},
      {0, 0, kModeDefault, 0},
      {96, 0, kModeDefault, 0},      // 159 x 1.6 > 255
      {233, 0, kModeNature, 0},      // Nature: o below 234 saturates
      {234, 0, kModeNature, 3},
      {1, 255, kModeDefault, 255},   // every o above 0 counts as flat
      {0, 255, kModeDefault, 0},
      {200, 60, kModeDefault, 255},
      {195, 60, kModeDefault, 158},   // 60 x 1.6f is just above 96
      {100, 0, kModePortrait, 6},
  };
  for (const Case& c : cases)
    EXPECT_EQ(EdgeWeight(c.o, c.threshold, c.mode), c.expected)
        << "o " << c.o << " threshold " << c.threshold << " mode " << c.mode;
}

// The edge map as written down, one pixel at a time with floats, for comparison.
std::vector<uint8_t> PlainEdgeMap(const std::vector<uint8_t>& p, int w, int h, int threshold, int mode) {
  auto g = [&](int x, int y) {
    x = (x + w) % w;
    y = (y + h) % h;
    const uint8_t* px = &p[(static_cast<size_t>(y) * w + x) * 4];
    return (px[0] + px[1] + px[2]) / 3;
  };
  std::vector<float> q(static_cast<size_t>(w) * h);
  float qmax = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int gx = (2 * (g(x + 1, y) - g(x - 1, y)) + (g(x + 1, y - 1) - g(x - 1, y - 1)) +
                      (g(x + 1, y + 1) - g(x - 1, y + 1))) / 8;
      const int gy = (2 * (g(x, y + 1) - g(x, y - 1)) + (g(x - 1, y + 1) - g(x - 1, y - 1)) +
                      (g(x + 1, y + 1) - g(x + 1, y - 1))) / 8;
      q[y * w + x] = static_cast<float>(std::pow(static_cast<double>(gx * gx + gy * gy), 0.25));
      qmax = std::max(qmax, q[y * w + x]);
    }
  std::vector<uint8_t> e(q.size(), 0);
  if (qmax == 0) return e;
  const float gain = mode == kModeNature ? 12.0f : 1.6f;
  for (size_t i = 0; i < q.size(); ++i) {
    int o = static_cast<int>(255.0 * (qmax - q[i]) / qmax);
    if (o > 255 - threshold) o = 255;
    const double t = std::min(255.0, (255 - o) * static_cast<double>(gain));
    e[i] = static_cast<uint8_t>(static_cast<int>(255.0 - t));
  }
  return e;
}

TEST(EdgeMap, MatchesThePlainComputation) {
  for (auto [w, h, seed] : {std::array{61, 47, 1}, {1, 13, 2}, {13, 1, 3}, {200, 120, 4}}) {
    const auto img = test::NoisyPacked(w, h, static_cast<unsigned>(seed));
    for (auto [threshold, mode] : {std::pair{0, kModeDefault}, {40, kModeDefault}, {0, kModeNature}, {255, kModePortrait}}) {
      std::vector<uint8_t> e(static_cast<size_t>(w) * h);
      WorkerPool pool(3);
      ASSERT_TRUE(ComputeEdgeMap(img.data(), w, h, e.data(), threshold, mode, &pool));
      EXPECT_EQ(e, PlainEdgeMap(img, w, h, threshold, mode)) << w << "x" << h << " threshold " << threshold;
    }
  }
}

TEST(EdgeMap, SameBytesForAnyThreadCount) {
  const int w = 257, h = 131;
  const auto img = test::NoisyPacked(w, h, 11);
  std::vector<uint8_t> reference(w * h), e(w * h);
  ASSERT_TRUE(ComputeEdgeMap(img.data(), w, h, reference.data(), 10, kModeNature));
  for (int threads : {2, 4}) {
    WorkerPool pool(threads);
    ASSERT_TRUE(ComputeEdgeMap(img.data(), w, h, e.data(), 10, kModeNature, &pool));
    EXPECT_EQ(e, reference) << threads;
  }
}

// A 4 x 3 picture with the region (1, 1)-(3, 2); region pixel 0 carries the values under test.
struct Scene {
  std::vector<uint8_t> f = FlatPacked(2, 1, 0), o = FlatPacked(2, 1, 0), s = FlatPacked(2, 1, 0);
  std::vector<uint8_t> e = std::vector<uint8_t>(2, 0);
  std::vector<uint8_t> source = std::vector<uint8_t>(4 * 3 * 3, 60);
  std::vector<uint8_t> result = std::vector<uint8_t>(4 * 3 * 3, 7);
  Scene() {
    const std::array<uint8_t, 3> fv{200, 100, 50}, ov{100, 150, 250}, sv{0, 255, 10};
    for (int k = 0; k < 3; ++k) f[k] = fv[k], o[k] = ov[k], s[k] = sv[k];
    e[0] = 128;
  }
  Composition composition(bool withEdges, bool withSharpened, NrMode mode, OutputWindow window) {
    Composition c;
    c.width = 2;
    c.height = 1;
    c.processed = f.data();
    c.unprocessed = o.data();
    c.sharpened = withSharpened ? s.data() : nullptr;
    c.edges = withEdges ? e.data() : nullptr;
    c.nrMode = mode;
    c.outputWindow = window;
    c.source = source.data();
    c.result = result.data();
    c.imageStride = 12;
    c.left = 1;
    c.top = 1;
    return c;
  }
  std::array<int, 3> at(int x, int y) const {
    const uint8_t* p = &result[(y * 4 + x) * 3];
    return {p[0], p[1], p[2]};
  }
};

TEST(Compose, EachCompositionAndWindow) {
  struct Case {
    const char* name;
    bool edges, sharpened;
    NrMode mode;
    OutputWindow window;
    std::array<int, 3> expected;
  };
  const Case cases[] = {
      {"edge window", true, true, kModeDefault, kOutputEdges, {127, 25, 12}},
      {"portrait", true, true, kModePortrait, kOutputResult, {74, 189, 80}},
      {"sharpened at edges", true, true, kModeDefault, kOutputResult, {100, 176, 29}},
      {"portrait without sharpening", true, false, kModePortrait, kOutputResult, {149, 124, 149}},
      {"unprocessed at edges", true, false, kModeNature, kOutputResult, {149, 124, 149}},
      {"processed only", false, true, kModeDefault, kOutputResult, {200, 100, 50}},
      {"edge window needs the map", false, false, kModeDefault, kOutputEdges, {200, 100, 50}},
      // |out - 60| x 10, saturating
      {"filtered noise", true, false, kModeDefault, kOutputNoise, {255, 255, 255}},
      {"filtered noise, small", false, false, kModeDefault, kOutputNoise, {255, 255, 100}},
  };
  for (const Case& c : cases) {
    Scene scene;
    ComposeResult(scene.composition(c.edges, c.sharpened, c.mode, c.window));
    EXPECT_EQ(scene.at(1, 1), c.expected) << c.name;
    // Outside the region nothing moves, in every window.
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x)
        if (y != 1 || (x != 1 && x != 2)) {
          EXPECT_EQ(scene.at(x, y), (std::array<int, 3>{7, 7, 7})) << c.name;
        }
  }
}

TEST(Compose, EdgeWindowOfFlatRegionIsRedAndUnchangedRegionGivesBlackNoise) {
  auto flat = FlatPacked(6, 4, 80);
  std::vector<uint8_t> e(24);
  ASSERT_TRUE(ComputeEdgeMap(flat.data(), 6, 4, e.data(), 0, kModeDefault));
  std::vector<uint8_t> source(6 * 4 * 3, 80), result(6 * 4 * 3, 1);
  Composition c;
  c.width = 6;
  c.height = 4;
  c.processed = flat.data();
  c.unprocessed = flat.data();
  c.edges = e.data();
  c.outputWindow = kOutputEdges;
  c.source = source.data();
  c.result = result.data();
  c.imageStride = 18;
  ComposeResult(c);
  for (size_t i = 0; i < result.size(); i += 3) {
    EXPECT_EQ(result[i], 255);
    EXPECT_EQ(result[i + 1], 20);
  }
  c.edges = nullptr;
  c.outputWindow = kOutputNoise;
  ComposeResult(c);
  for (uint8_t v : result) EXPECT_EQ(v, 0);
}

}  // namespace
}  // namespace orvane
