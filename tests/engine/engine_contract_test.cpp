// The call contract: version query, validation, progress protocol, cancellation, out of memory.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/engine_options.h"
#include "engine_test_util.h"
#include "reference_engine.h"

extern "C" int CallerVersionQuery(uint8_t* out);
extern "C" int CallerInvalidBlock(uint8_t* buffer);

namespace orvane {
namespace {

TEST(EngineContract, VersionQuery) {
  struct Case {
    int height, stride;
    bool withParams;
    int expected;
  };
  const Case cases[] = {{0, 0, false, NR_OK}, {5, 0, false, NR_INVALID_PARAMETER},
                        {0, 4, false, NR_INVALID_PARAMETER}, {0, -1, false, NR_INVALID_PARAMETER},
                        {0, 0, true, NR_INVALID_PARAMETER}};
  const NoiseReduceParams params = testing::Params(5, 10.0, 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.height) + " " + std::to_string(c.stride));
    uint8_t buf[8];
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(NoiseReduce(0, c.height, c.stride, buf, c.withParams ? &params : nullptr), c.expected);
    if (c.expected == NR_OK) {
      EXPECT_EQ(std::memcmp(buf, "1.0.0", 6), 0);  // the zero byte too
      EXPECT_EQ(buf[6], 0xEE);
    } else {
      for (uint8_t b : buf) EXPECT_EQ(b, 0xEE);
    }
  }
}

TEST(EngineContract, UsableFromC) {
  uint8_t version[6] = {};
  EXPECT_EQ(CallerVersionQuery(version), NR_OK);
  EXPECT_STREQ(reinterpret_cast<char*>(version), "1.0.0");
  std::vector<uint8_t> block(31 * 100 * 4, 7);
  EXPECT_EQ(CallerInvalidBlock(block.data()), NR_INVALID_PARAMETER);
}

int CountCalls(int, int, void* context) {
  ++*static_cast<int*>(context);
  return 0;
}

TEST(EngineContract, Validation) {
  struct Case {
    const char* what;
    int width, height;
    int version, levels, perChannel;
    double noiseLevel;
    int expected;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {"31 wide", 31, 100, 1, 5, 1, 10, NR_INVALID_PARAMETER},
      {"31 high", 100, 31, 1, 5, 1, 10, NR_INVALID_PARAMETER},
      {"negative width", -40, 40, 1, 5, 1, 10, NR_INVALID_PARAMETER},
      {"smallest block", 32, 32, 1, 5, 1, 10, NR_OK},
      {"noise 100", 40, 40, 1, 5, 1, 100.0, NR_OK},
      {"noise above 100", 40, 40, 1, 5, 1, 100.0001, NR_INVALID_PARAMETER},
      {"negative noise", 40, 40, 1, 5, 1, -0.0001, NR_INVALID_PARAMETER},
      {"NaN noise", 40, 40, 1, 5, 1, nan, NR_INVALID_PARAMETER},
      {"perChannel 2", 40, 40, 1, 5, 2, 10, NR_INVALID_PARAMETER},
      {"1 level", 40, 40, 1, 1, 1, 10, NR_INVALID_PARAMETER},
      {"6 levels", 40, 40, 1, 6, 1, 10, NR_INVALID_PARAMETER},
      {"2 levels", 40, 40, 1, 2, 0, 10, NR_OK},
      {"version 0", 40, 40, 0, 5, 1, 10, NR_INVALID_PARAMETER},
      {"version 2", 40, 40, 2, 5, 1, 10, NR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int w = std::max(c.width, 1), h = std::max(c.height, 1);
    auto block = testing::NoisyBlock(w, h, static_cast<int64_t>(w) * 4, 3);
    const auto before = block;
    int calls = 0;
    NoiseReduceParams params = testing::Params(c.levels, c.noiseLevel, c.perChannel);
    params.version = c.version;
    params.progress = CountCalls;
    params.progressContext = &calls;
    EXPECT_EQ(NoiseReduce(c.width, c.height, -1, block.data(), &params), c.expected);
    if (c.expected == NR_INVALID_PARAMETER) {
      EXPECT_EQ(calls, 0);
      EXPECT_TRUE(block == before);
    } else {
      EXPECT_GT(calls, 0);
    }
  }
  uint8_t pixel[4] = {};
  EXPECT_EQ(NoiseReduce(32, 32, -1, pixel, nullptr), NR_INVALID_PARAMETER);
}

struct Recorder {
  std::vector<int> steps;
  std::vector<int> totals;
  int cancelAt = -1;
  static int Callback(int step, int total, void* context) {
    auto* r = static_cast<Recorder*>(context);
    r->steps.push_back(step);
    r->totals.push_back(total);
    return step == r->cancelAt ? 1 : 0;
  }
};

TEST(EngineContract, ProgressStepsAndTotals) {
  struct Case {
    int perChannel, levels, total, lastStep;
  };
  const Case cases[] = {{1, 3, 24, 24}, {0, 3, 10, 8}, {1, 5, 36, 36}, {0, 5, 14, 12}, {1, 2, 18, 18}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.perChannel) + "/" + std::to_string(c.levels));
    auto block = testing::NoisyBlock(40, 36, 160, 5);
    Recorder rec;
    NoiseReduceParams params = testing::Params(c.levels, 8.0, c.perChannel);
    params.progress = Recorder::Callback;
    params.progressContext = &rec;
    ASSERT_EQ(NoiseReduce(40, 36, -1, block.data(), &params), NR_OK);
    ASSERT_EQ(static_cast<int>(rec.steps.size()), c.lastStep);
    for (int i = 0; i < c.lastStep; ++i) {
      EXPECT_EQ(rec.steps[i], i + 1);
      EXPECT_EQ(rec.totals[i], c.total);
    }
  }
}

TEST(EngineContract, NoiseLevelZeroChangesNothing) {
  for (int perChannel : {0, 1}) {
    auto block = testing::NoisyBlock(50, 40, 200, 8);
    const auto before = block;
    Recorder rec;
    NoiseReduceParams params = testing::Params(5, 0.0, perChannel);
    params.progress = Recorder::Callback;
    params.progressContext = &rec;
    EXPECT_EQ(NoiseReduce(50, 40, -1, block.data(), &params), NR_OK);
    EXPECT_TRUE(rec.steps.empty());
    EXPECT_TRUE(block == before);
  }
}

// Per-channel, 3 levels: each colour byte takes 8 steps (load, 3 forward, 3 inverse, store).
// Stopping keeps the bytes already finished and leaves the rest as they were.
TEST(EngineContract, CancelKeepsFinishedPlanesOnly) {
  struct Case {
    int cancelAt;
    int finishedBytes;
  };
  const Case cases[] = {{1, 0}, {9, 1}, {12, 1}, {16, 1}, {17, 2}, {24, 2}};
  const int w = 48, h = 40;
  const auto original = testing::NoisyBlock(w, h, w * 4, 11);
  auto processed = original;
  reference::NoiseReduce(processed.data(), w, h, w * 4, 3, 15.0, true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cancelAt);
    auto block = original;
    Recorder rec;
    rec.cancelAt = c.cancelAt;
    NoiseReduceParams params = testing::Params(3, 15.0, 1);
    params.progress = Recorder::Callback;
    params.progressContext = &rec;
    EXPECT_EQ(NoiseReduce(w, h, -1, block.data(), &params), NR_CANCELLED);
    EXPECT_EQ(rec.steps.back(), c.cancelAt);
    for (size_t i = 0; i < block.size(); ++i) {
      const int byte = static_cast<int>(i % 4);
      const auto& expected = byte < c.finishedBytes ? processed : original;
      ASSERT_EQ(block[i], expected[i]) << "at byte " << i;
    }
  }
}

// The last colour plane writes its rows straight into the pixels as it makes them: a stop while
// it runs (after its first part, in the middle, after its last) must leave its colour byte as it
// was in every row, the rows it wrote and those it had not reached, on one thread and on two.
TEST(EngineContract, CancelInTheLastPlaneLeavesItsByteAsItWas) {
  const int w = 520, h = 460;  // big enough for two threads and many rows per part
  const auto original = testing::NoisyBlock(w, h, w * 4, 13);
  auto processed = original;
  reference::NoiseReduce(processed.data(), w, h, w * 4, 3, 15.0, true);
  for (int threads : {1, 2}) {
    for (int cancelAt : {19, 21, 24}) {
      SCOPED_TRACE(std::to_string(threads) + " threads, stop at " + std::to_string(cancelAt));
      auto block = original;
      Recorder rec;
      rec.cancelAt = cancelAt;
      NoiseReduceParams params = testing::Params(3, 15.0, 1);
      params.progress = Recorder::Callback;
      params.progressContext = &rec;
      EngineOptions options;
      options.threads = threads;
      EXPECT_EQ(NoiseReduceWith(w, h, -1, block.data(), &params, options), NR_CANCELLED);
      int64_t wrong = 0;
      for (size_t i = 0; i < block.size(); ++i) {
        const auto& expected = i % 4 < 2 ? processed : original;
        wrong += block[i] != expected[i];
      }
      EXPECT_EQ(wrong, 0);
    }
  }
}

// The mended single-channel store: every colour byte moves by the luminance change, so the
// differences between the colour bytes of a pixel survive (up to truncation).
TEST(EngineContract, SingleChannelKeepsColourDifferences) {
  const int w = 64, h = 48;
  auto block = testing::NoisyBlock(w, h, w * 4, 21);
  const auto before = block;
  const NoiseReduceParams params = testing::Params(4, 20.0, 0);
  ASSERT_EQ(NoiseReduce(w, h, -1, block.data(), &params), NR_OK);
  int checked = 0;
  for (size_t i = 0; i < block.size(); i += 4) {
    const uint8_t* n = &block[i];
    const uint8_t* o = &before[i];
    if (std::min({n[0], n[1], n[2]}) == 0 || std::max({n[0], n[1], n[2]}) == 255) continue;
    EXPECT_LE(std::abs((n[0] - n[1]) - (o[0] - o[1])), 1);
    EXPECT_LE(std::abs((n[2] - n[1]) - (o[2] - o[1])), 1);
    ++checked;
  }
  EXPECT_GT(checked, w * h / 2);
  EXPECT_FALSE(block == before);
}

struct CountingAllocator {
  int failAt = -1;  // index of the allocation that fails
  int allocations = 0;
  int live = 0;
  static void* Allocate(std::size_t bytes, void* context) {
    auto* self = static_cast<CountingAllocator*>(context);
    if (self->allocations++ == self->failAt) return nullptr;
    ++self->live;
    return std::malloc(bytes);
  }
  static void Release(void* block, std::size_t, void* context) {
    --static_cast<CountingAllocator*>(context)->live;
    std::free(block);
  }
};

TEST(EngineContract, OutOfMemoryAtEveryAllocation) {
  const int w = 40, h = 40;
  const auto original = testing::NoisyBlock(w, h, w * 4, 2);
  const NoiseReduceParams params = testing::Params(5, 10.0, 1);
  // First count the allocations of a good run, then fail each one in turn.
  CountingAllocator counter;
  EngineAllocator hook{CountingAllocator::Allocate, CountingAllocator::Release, &counter};
  EngineOptions options;
  options.allocator = &hook;
  auto block = original;
  ASSERT_EQ(NoiseReduceWith(w, h, -1, block.data(), &params, options), NR_OK);
  const int total = counter.allocations;
  ASSERT_GT(total, 1);
  EXPECT_EQ(counter.live, 0);
  for (int failAt = 0; failAt < total; ++failAt) {
    SCOPED_TRACE(failAt);
    CountingAllocator failing;
    failing.failAt = failAt;
    EngineAllocator failingHook{CountingAllocator::Allocate, CountingAllocator::Release, &failing};
    options.allocator = &failingHook;
    block = original;
    EXPECT_EQ(NoiseReduceWith(w, h, -1, block.data(), &params, options), NR_OUT_OF_MEMORY);
    EXPECT_EQ(failing.live, 0);
    EXPECT_TRUE(block == original);
  }
}

TEST(EngineContract, SizesThatCannotBeHadAreOutOfMemory) {
  // The plane of these blocks overflows or cannot be mapped; nothing of the buffer is touched,
  // so a small buffer is enough.
  uint8_t pixel[16] = {};
  const NoiseReduceParams params = testing::Params(5, 10.0, 1);
  EXPECT_EQ(NoiseReduce(INT_MAX, INT_MAX, -1, pixel, &params), NR_OUT_OF_MEMORY);
  EXPECT_EQ(NoiseReduce(1 << 30, 1 << 30, -1, pixel, &params), NR_OUT_OF_MEMORY);
  EXPECT_EQ(NoiseReduce(INT_MAX - 10, 32, -1, pixel, &params), NR_OUT_OF_MEMORY);
  for (uint8_t b : pixel) EXPECT_EQ(b, 0);
}

}  // namespace
}  // namespace orvane
