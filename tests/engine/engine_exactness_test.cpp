// The fast engine against the plain algorithm: every output byte must be the same, for any
// block shape, stride, level count, noise level, mode, thread count and instruction-set build.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/engine_options.h"
#include "engine/wavelet_kernels.h"
#include "engine_test_util.h"
#include "reference_engine.h"

namespace orvane {
namespace {

struct Case {
  int width, height, extraStride, levels;
  double noiseLevel;
  int perChannel;
};

std::string Describe(const Case& c) {
  return std::to_string(c.width) + "x" + std::to_string(c.height) + " stride+" +
         std::to_string(c.extraStride) + " levels " + std::to_string(c.levels) + " noise " +
         std::to_string(c.noiseLevel) + (c.perChannel ? " per-channel" : " single-channel");
}

const Case kCases[] = {
    {32, 32, 0, 5, 10.0, 1},    // smallest block: 6-sample lines at the coarsest level
    {33, 47, 0, 5, 7.5, 1},     // odd sizes
    {64, 40, 12, 2, 3.0, 1},    // stride wider than the row
    {101, 77, 4, 3, 25.0, 1},
    {150, 33, 0, 4, 100.0, 1},  // the largest noise level
    {45, 120, 0, 5, 0.3, 1},
    {37, 35, 0, 5, 12.0, 0},    // single-channel
    {96, 61, 8, 3, 40.0, 0},
    {333, 259, 0, 5, 9.0, 1},   // big enough to be split across threads
};

void CheckAgainstReference(const EngineOptions& options, const char* label) {
  uint32_t seed = 1;
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(label) + " " + Describe(c));
    const int64_t stride = static_cast<int64_t>(c.width) * 4 + c.extraStride;
    auto expected = testing::NoisyBlock(c.width, c.height, stride, seed++);
    auto actual = expected;
    reference::NoiseReduce(expected.data(), c.width, c.height, stride, c.levels, c.noiseLevel,
                           c.perChannel == 1);
    const NoiseReduceParams params = testing::Params(c.levels, c.noiseLevel, c.perChannel);
    ASSERT_EQ(NoiseReduceWith(c.width, c.height, c.extraStride ? static_cast<int>(stride) : -1,
                              actual.data(), &params, options),
              NR_OK);
    int64_t differing = 0;
    for (size_t i = 0; i < actual.size(); ++i) differing += actual[i] != expected[i];
    EXPECT_EQ(differing, 0);
  }
}

TEST(EngineExactness, BaselineBuildOneThread) {
  EngineOptions options;
  options.threads = 1;
  options.kernels = &BaselineWaveletKernels();
  CheckAgainstReference(options, "baseline, 1 thread");
}

TEST(EngineExactness, BestBuildSeveralThreads) {
  EngineOptions options;
  options.threads = 5;  // more threads than cores, so chunks interleave
  CheckAgainstReference(options, SelectWaveletKernels().name);
}

// Each vector build on its own, with one thread and with more threads than cores: the cases'
// lines run through the vector bodies and the scalar tails of every kernel.
void CheckBuild(const WaveletKernels* build, const char* missing) {
  if (!build) GTEST_SKIP() << missing;
  for (int threads : {1, 3}) {
    EngineOptions options;
    options.threads = threads;
    options.kernels = build;
    CheckAgainstReference(options, (std::string(build->name) + ", " + std::to_string(threads) + " threads").c_str());
  }
}

TEST(EngineExactness, Avx2Build) { CheckBuild(Avx2WaveletKernels(), "no AVX2 on this processor"); }

TEST(EngineExactness, Avx512Build) { CheckBuild(Avx512WaveletKernels(), "no AVX-512 on this processor"); }

// Rows that share bytes (a stride shorter than the row, not a whole number of pixels, so that the
// store of a later row changes the next colour byte of an earlier one): each plane must see the
// bytes that the whole store of the plane before left.
TEST(EngineExactness, RowsThatShareBytes) {
  const int width = 40, height = 36, stride = width * 4 - 5;
  std::vector<uint8_t> original(static_cast<size_t>(height - 1) * stride + width * 4);
  std::mt19937 rng(7);
  for (uint8_t& b : original) b = static_cast<uint8_t>(60 + rng() % 120);
  auto expected = original;
  reference::NoiseReduce(expected.data(), width, height, stride, 3, 12.0, true);
  for (int threads : {1, 2}) {
    auto actual = original;
    EngineOptions options;
    options.threads = threads;
    const NoiseReduceParams params = testing::Params(3, 12.0, 1);
    ASSERT_EQ(NoiseReduceWith(width, height, stride, actual.data(), &params, options), NR_OK);
    EXPECT_TRUE(actual == expected) << threads << " threads";
  }
}

// Large enough that every level is split into many chunks on several threads.
TEST(EngineExactness, LargeBlockSameBytesForAnyThreadCount) {
  const int width = 700, height = 530;
  auto original = testing::NoisyBlock(width, height, width * 4, 99);
  auto expected = original;
  reference::NoiseReduce(expected.data(), width, height, width * 4, 5, 18.0, true);
  const NoiseReduceParams params = testing::Params(5, 18.0, 1);
  for (int threads : {1, 2, 3, 8}) {
    SCOPED_TRACE(threads);
    auto actual = original;
    EngineOptions options;
    options.threads = threads;
    ASSERT_EQ(NoiseReduceWith(width, height, -1, actual.data(), &params, options), NR_OK);
    EXPECT_TRUE(actual == expected);
  }
}

}  // namespace
}  // namespace orvane
