#include "pipeline/denoise_run.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "pipeline/edge_map.h"
#include "pipeline/filters.h"
#include "scripted_host.h"

namespace orvane {
namespace {

struct EngineCall {
  int width, height, stride, levels, perChannel, threads;
  double noiseLevel;
  uint8_t firstRed, firstGreen;  // where the block starts (see the source pattern)
  std::vector<uint8_t> pixels;   // kept only when asked
};

// A document over plain vectors with a counting colour chain and a recording fake engine.
class TestDocument : public DenoiseDocument {
 public:
  TestDocument(UiHost& host, int w, int h) : DenoiseDocument(host), width(w), height(h) {
    source.resize(static_cast<size_t>(w) * h * 3);
    // Red and green carry the block origin's x and y (mod 256); blue some texture.
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t* p = &source[(static_cast<size_t>(y) * w + x) * 3];
        p[0] = static_cast<uint8_t>(x);
        p[1] = static_cast<uint8_t>(y);
        p[2] = static_cast<uint8_t>((x * 7 + y * 3) % 200);
      }
    result = source;
    engine = &Fake;
  }

  static int Fake(int w, int h, int stride, uint8_t* buffer, const NoiseReduceParams* p,
                  const EngineOptions& options) {
    auto* doc = static_cast<TestDocument*>(p->progressContext);
    EngineCall call{w,          h,          stride,    p->levels, p->perChannel, options.threads,
                    p->noiseLevel, buffer[0], buffer[1], {}};
    if (doc->keepPixels) call.pixels.assign(buffer, buffer + static_cast<size_t>(w) * h * 4);
    doc->calls.push_back(std::move(call));
    if (doc->onEngine) doc->onEngine();
    if (p->noiseLevel > 100.0 || p->version != 1) return NR_INVALID_PARAMETER;
    for (int step = 1; step <= doc->engineSteps; ++step)
      if (p->progress && p->progress(step, doc->engineSteps, p->progressContext)) return NR_CANCELLED;
    if (doc->forcedResult != 0) return doc->forcedResult;
    for (int64_t i = 0; i < static_cast<int64_t>(w) * h * 4; i += 4) buffer[i + 2] = 255 - buffer[i + 2];
    return NR_OK;
  }

  Pictures pictures() override { return {source.data(), result.data(), width, height}; }
  void applyColourChain(uint8_t* packed, int w, int h, WorkerPool*) override {
    ++colourCalls;
    if (colourShift != 0)
      for (int64_t i = 0; i < static_cast<int64_t>(w) * h * 4; i += 4) packed[i + 2] += colourShift;
  }
  void releaseQuickPreview() override { ++quickPreviewReleases; }
  // Whoever shows the document hears when a run starts and ends.
  void runStateChanged() override {
    if (auto* scripted = dynamic_cast<test::ScriptedHost*>(&host()))
      scripted->log.events.push_back(busy ? "busy" : "idle");
  }

  int width, height;
  std::vector<uint8_t> source, result;
  std::vector<EngineCall> calls;
  std::function<void()> onEngine;
  bool keepPixels = false;
  int engineSteps = 3;
  int forcedResult = 0;
  std::atomic<int> colourCalls{0};  // the run calls the chain from several threads
  uint8_t colourShift = 0;
  int quickPreviewReleases = 0;
};

// Plain settings so that the result is just the fake engine's output.
void Plain(TestDocument& doc) {
  EditNrSettings(doc, [&](NrSettings& nr) { nr.advancedProcessing = 0; });
  EditNrSettings(doc, [&](NrSettings& nr) { nr.sharpenEdges = 0; });
}

TEST(DenoiseRun, BlockGridSizesAndOrder) {
  struct Case {
    const char* name;
    int w, h, maxW, maxH;
    std::vector<std::array<int, 4>> blocks;  // width, height, x0, y0 in visiting order
  };
  const Case cases[] = {
      {"limit exactly: one piece", 3100, 2100, 3100, 2100, {{3100, 2100, 0, 0}}},
      {"one row too many: 2 x 2", 3100, 2101, 3100, 2100,
       {{1550, 1050, 0, 0}, {1550, 1051, 0, 1050}, {1550, 1050, 1550, 0}, {1550, 1051, 1550, 1050}}},
      {"6201 wide", 6201, 40, 3100, 2100, {{2067, 40, 0, 0}, {2067, 40, 2067, 0}, {2067, 40, 4134, 0}}},
      {"6200 wide, wider last column", 6200, 40, 3100, 2100,
       {{2066, 40, 0, 0}, {2066, 40, 2066, 0}, {2068, 40, 4132, 0}}},
      {"stored sizes below 32 count as the defaults", 3100, 40, 0, -5, {{3100, 40, 0, 0}}},
      {"limits just above 32 never give blocks too small to denoise", 99, 99, 33, 33,
       {{33, 33, 0, 0}, {33, 33, 0, 33}, {33, 33, 0, 66}, {33, 33, 33, 0}, {33, 33, 33, 33},
        {33, 33, 33, 66}, {33, 33, 66, 0}, {33, 33, 66, 33}, {33, 33, 66, 66}}},
  };
  for (const Case& c : cases) {
    test::ScriptedHost host;
    TestDocument doc(host, c.w, c.h);
    Plain(doc);
    EditMemorySettings(doc, [&](MemorySettings& mem) { mem.maxBlockW = c.maxW; });
    EditMemorySettings(doc, [&](MemorySettings& mem) { mem.maxBlockH = c.maxH; });
    doc.progressWindow = host.createProgressWindow();
    doc.runNoiseReduction(false);
    ASSERT_EQ(doc.calls.size(), c.blocks.size()) << c.name;
    std::vector<std::string> expectedTexts;
    for (size_t i = 0; i < c.blocks.size(); ++i) {
      const auto& b = c.blocks[i];
      EXPECT_EQ(doc.calls[i].width, b[0]) << c.name << " block " << i;
      EXPECT_EQ(doc.calls[i].height, b[1]) << c.name << " block " << i;
      EXPECT_EQ(doc.calls[i].firstRed, static_cast<uint8_t>(b[2])) << c.name << " block " << i;
      EXPECT_EQ(doc.calls[i].firstGreen, static_cast<uint8_t>(b[3])) << c.name << " block " << i;
      EXPECT_EQ(doc.calls[i].stride, -1);
      if (c.blocks.size() > 1)
        expectedTexts.push_back("Processing block " + std::to_string(i + 1) + "/" +
                                std::to_string(c.blocks.size()) + "...");
    }
    std::vector<std::string> blockTexts;
    for (const auto& t : host.eventsStartingWith("text:"))
      if (t.rfind("Processing block", 0) == 0) blockTexts.push_back(t);
    EXPECT_EQ(blockTexts, expectedTexts) << c.name;
    // Every block went back into place: the fake engine flipped every blue byte once.
    bool allFlipped = true;
    for (size_t i = 2; i < doc.result.size(); i += 3)
      allFlipped = allFlipped && doc.result[i] == 255 - doc.source[i];
    EXPECT_TRUE(allFlipped) << c.name;
    EXPECT_EQ(doc.resultValid, 1);
    EXPECT_EQ(doc.busy, 0);
    EXPECT_TRUE(host.log.messages.empty()) << c.name;
  }
}

TEST(DenoiseRun, ProgressTextsIndicatorAndWindow) {
  test::ScriptedHost host;
  TestDocument doc(host, 100, 70);
  Plain(doc);
  EditMemorySettings(doc, [&](MemorySettings& mem) { mem.maxBlockW = 64; }); // 2 x 1 blocks of 50 x 70
  doc.progressWindow = host.createProgressWindow();
  host.log.events.clear();
  doc.runNoiseReduction(false);
  const std::vector<std::string> expected = {
      "text:Starting process...", "busy", "text:Preparing buffers...",
      "text:Processing block 1/2...", "status:created 3", "range:0-3", "text:Denoising...",
      "position:1", "status:2", "position:2", "status:3", "position:3",
      "text:Processing block 2/2...", "status:1", "position:1", "status:2", "position:2",
      "status:3", "position:3", "text:Finishing...", "status:removed", "idle"};
  EXPECT_EQ(host.log.events, expected);
  // The window's bar starts again for each block; the share of the whole run adds up over them.
  const std::vector<double> overall = host.log.overall;
  const std::vector<double> expectedOverall = {1 / 6., 2 / 6., 3 / 6., 4 / 6., 5 / 6., 1};
  ASSERT_EQ(overall.size(), expectedOverall.size());
  for (size_t i = 0; i < overall.size(); ++i) EXPECT_NEAR(overall[i], expectedOverall[i], 1e-9) << i;
  EXPECT_FALSE(host.waitCursor);
  EXPECT_EQ(doc.statusProgress, nullptr);
  EXPECT_EQ(doc.quickPreviewReleases, 1);
}

TEST(DenoiseRun, ModesReachTheEngine) {
  struct Case {
    const char* name;
    NrMode mode;
    double level;
    int levels;
    double engineLevel;
    int engineLevels;
    int speckPasses;
  };
  const Case cases[] = {
      {"default", kModeDefault, 8.0, 5, 8.0, 5, 0},
      {"high noise x4", kModeHighNoise, 8.0, 3, 32.0, 3, 0},
      {"scanner", kModeScanner, 8.0, 5, 8.0, 5, 2},
      {"scanner, level 12", kModeScanner, 12.0, 5, 12.0, 5, 3},
      {"levels clamped up", kModeNature, 1.0, 1, 1.0, 2, 0},
      {"levels clamped down", kModePortrait, 1.0, 9, 1.0, 5, 0},
  };
  for (const Case& c : cases) {
    test::ScriptedHost host;
    TestDocument doc(host, 40, 36);
    EditNrSettings(doc, [&](NrSettings& nr) { nr.mode = c.mode; });
    EditNrSettings(doc, [&](NrSettings& nr) { nr.noiseLevel = c.level; });
    EditNrSettings(doc, [&](NrSettings& nr) { nr.levels = c.levels; });
    doc.keepPixels = true;
    doc.runNoiseReduction(false);
    ASSERT_EQ(doc.calls.size(), 1u) << c.name;
    EXPECT_EQ(doc.calls[0].noiseLevel, c.engineLevel) << c.name;
    EXPECT_EQ(doc.calls[0].levels, c.engineLevels) << c.name;
    EXPECT_EQ(doc.calls[0].perChannel, 1) << c.name;
    // What the engine saw: the packed source after the given number of speckle passes.
    std::vector<uint8_t> packed(40 * 36 * 4);
    for (size_t i = 0; i < 40 * 36; ++i) {
      std::memcpy(&packed[i * 4], &doc.source[i * 3], 3);
      packed[i * 4 + 3] = 255;
    }
    for (int i = 0; i < c.speckPasses; ++i)
      RemoveSpeckles(InterleavedImage{packed.data(), 40, 36, 4, 160}, 7);
    EXPECT_EQ(doc.calls[0].pixels, packed) << c.name;
  }
}

// Four times a level above 25 would pass the engine's limit; the threshold stops at 100.
TEST(DenoiseRun, HighNoiseThresholdIsCappedAtTheEngineLimit) {
  for (double level : {25.0, 26.0, 30.0, 100.0}) {
    test::ScriptedHost host;
    TestDocument doc(host, 40, 40);
    EditNrSettings(doc, [&](NrSettings& nr) { nr.mode = kModeHighNoise; });
    EditNrSettings(doc, [&](NrSettings& nr) { nr.noiseLevel = level; });
    doc.runNoiseReduction(false);
    EXPECT_TRUE(host.log.messages.empty()) << level;
    ASSERT_EQ(doc.calls.size(), 1u) << level;
    EXPECT_EQ(doc.calls[0].noiseLevel, 100.0) << level;
    EXPECT_EQ(doc.resultValid, 1) << level;
  }
}

TEST(DenoiseRun, ThreadCountReachesTheEngine) {
  for (int threads : {1, 3}) {
    test::ScriptedHost host;
    TestDocument doc(host, 100, 70);
    EditMemorySettings(doc, [&](MemorySettings& mem) { mem.maxBlockW = 64; }); // the block-by-block road as well as the single call
    doc.threads = threads;
    doc.runNoiseReduction(false);
    ASSERT_EQ(doc.calls.size(), 2u);
    for (const EngineCall& call : doc.calls) EXPECT_EQ(call.threads, threads);
    doc.calls.clear();
    EditMemorySettings(doc, [&](MemorySettings& mem) { mem.maxBlockW = kDefaultMaxBlockW; });
    doc.runNoiseReduction(false);
    ASSERT_EQ(doc.calls.size(), 1u);
    EXPECT_EQ(doc.calls[0].threads, threads);
  }
}

TEST(DenoiseRun, EngineResultsBecomeMessagesAndLeaveTheResult) {
  struct Case { int code; const char* message; };
  for (const Case& c : {Case{1, "Operation cancelled"}, Case{2, "Operation failed"},
                        Case{3, "Invalid parameter given"}, Case{7, "Unknown Noise Reduce error"}}) {
    test::ScriptedHost host;
    TestDocument doc(host, 40, 40);
    doc.forcedResult = c.code;
    doc.runNoiseReduction(false);
    EXPECT_EQ(host.log.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(doc.result, doc.source);
    EXPECT_EQ(doc.resultValid, 0);
    EXPECT_EQ(doc.busy, 0);
    EXPECT_FALSE(host.waitCursor);
  }
}

TEST(DenoiseRun, NarrowRegionIsColouredAndComposedWithoutTheEngine) {
  test::ScriptedHost host;
  TestDocument doc(host, 60, 600);
  Plain(doc);
  doc.colourShift = 10;
  doc.setRegion(5, 50, 25, 550);  // 20 x 500
  doc.runNoiseReduction(true);
  EXPECT_TRUE(doc.calls.empty());
  EXPECT_TRUE(host.eventsStartingWith("status:").empty());
  EXPECT_EQ(doc.colourCalls.load(), 1);
  EXPECT_EQ(doc.resultValid, 1);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 60; ++x) {
      const size_t i = (static_cast<size_t>(y) * 60 + x) * 3 + 2;
      const bool inside = x >= 5 && x < 25 && y >= 50 && y < 550;
      ASSERT_EQ(doc.result[i], static_cast<uint8_t>(doc.source[i] + (inside ? 10 : 0))) << x << "," << y;
    }
}

TEST(DenoiseRun, FilteredNoiseSkipsTheColourWork) {
  test::ScriptedHost host;
  TestDocument doc(host, 40, 40);
  Plain(doc);
  doc.colourShift = 10;
  EditNrSettings(doc, [&](NrSettings& nr) { nr.outputWindow = kOutputNoise; });
  EditNrSettings(doc, [&](NrSettings& nr) { nr.noiseLevel = 0; });
  doc.forcedResult = 0;
  doc.engine = [](int, int, int, uint8_t*, const NoiseReduceParams*, const EngineOptions&) {
    return 0;
  };
  doc.runNoiseReduction(false);
  EXPECT_EQ(doc.colourCalls.load(), 0);
  for (uint8_t v : doc.result) ASSERT_EQ(v, 0);  // an unchanged picture has no noise to show
}

TEST(DenoiseRun, EscapeQuitAndWindowCancel) {
  struct Case { const char* name; bool window, escape, quitting, windowCancel; };
  const Case cases[] = {
      {"escape without a window", false, true, false, false},
      {"escape with a window", true, true, false, false},
      {"quitting", false, false, true, false},
      {"window's cancel button", true, false, false, true},
  };
  for (const Case& c : cases) {
    test::ScriptedHost host;
    TestDocument doc(host, 100, 70);
    EditMemorySettings(doc, [&](MemorySettings& mem) { mem.maxBlockW = 64; }); // two blocks: the second is cancelled at its first report too
    if (c.window) doc.progressWindow = host.createProgressWindow();
    doc.onEngine = [&] {
      host.escape = c.escape;
      host.quitting = c.quitting;
      host.windowCancel = c.windowCancel;
    };
    doc.runNoiseReduction(false);
    EXPECT_EQ(host.log.messages, std::vector<std::string>{"Operation cancelled"}) << c.name;
    EXPECT_EQ(doc.calls.size(), 2u) << c.name;
    EXPECT_EQ(doc.result, doc.source) << c.name;
    EXPECT_EQ(doc.cancelRequested, c.windowCancel ? 1 : 0) << c.name;
    EXPECT_EQ(doc.busy, 0);
  }
}

TEST(DenoiseRun, SecondRunWhileBusyOnlyClearsTheCancelFlag) {
  test::ScriptedHost host;
  TestDocument doc(host, 40, 40);
  int nestedCalls = -1;
  doc.onEngine = [&] {
    if (nestedCalls >= 0) return;
    nestedCalls = 0;
    doc.cancelRequested = 1;
    const size_t before = doc.calls.size();
    doc.runNoiseReduction(true);
    nestedCalls = static_cast<int>(doc.calls.size() - before);
    EXPECT_EQ(doc.cancelRequested, 0);
    EXPECT_EQ(doc.busy, 1);
  };
  doc.runNoiseReduction(false);
  EXPECT_EQ(nestedCalls, 0);
  EXPECT_EQ(doc.resultValid, 1);
  EXPECT_TRUE(host.log.messages.empty());
  // Full/Crop mode refuses too.
  doc.fullCropMode = 1;
  doc.calls.clear();
  doc.runNoiseReduction(false);
  EXPECT_TRUE(doc.calls.empty());
}

TEST(DenoiseRun, BuffersAreKeptForTheSameRegion) {
  test::ScriptedHost host;
  TestDocument doc(host, 80, 60);
  doc.setRegion(10, 10, 50, 50);
  doc.runNoiseReduction(true);
  const uint8_t* work = doc.workBuffer.data();
  const uint8_t* before = doc.beforeBuffer.data();
  ASSERT_NE(work, nullptr);
  doc.runNoiseReduction(true);
  EXPECT_EQ(doc.workBuffer.data(), work);
  EXPECT_EQ(doc.beforeBuffer.data(), before);
  EXPECT_EQ(doc.workBuffer.size(), 40 * 40 * 3);
  // A new threshold leaves memory of the same size alone; the next new size is mapped.
  EditMemorySettings(doc, [&](MemorySettings& mem) { mem.maxSwapW = mem.maxSwapH = 32; });
  doc.runNoiseReduction(true);
  EXPECT_EQ(doc.workBuffer.data(), work);
  EXPECT_FALSE(doc.workBuffer.isMapped());
  doc.setRegion(10, 10, 51, 50);
  doc.runNoiseReduction(true);
  EXPECT_TRUE(doc.workBuffer.isMapped());
  EXPECT_TRUE(doc.beforeBuffer.isMapped());
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__has_feature)
#define ORVANE_CAN_LIMIT_MEMORY 1
#elif defined(__has_feature)
#if !__has_feature(address_sanitizer)
#define ORVANE_CAN_LIMIT_MEMORY 1
#endif
#endif

#ifdef ORVANE_CAN_LIMIT_MEMORY
// Runs a 3000 x 3000 whole-picture run with the address space capped at what the process uses
// plus extra bytes, and exits 0 when the messages are the expected ones.
void RunWithAddressSpace(size_t extra, const std::vector<std::string>& expected) {
  test::ScriptedHost host;
  TestDocument doc(host, 3000, 3000);
  Plain(doc);
  doc.threads = 1;
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0;
  statm >> pages;
  const rlimit limit{pages * static_cast<size_t>(sysconf(_SC_PAGESIZE)) + extra, RLIM_INFINITY};
  if (setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(3);
  doc.runNoiseReduction(false);
  const bool ok = host.log.messages == expected && doc.busy == 0 && doc.calls.empty() &&
                  doc.result == doc.source;
  if (!ok) {
    for (const auto& m : host.log.messages) std::fprintf(stderr, "message: %s\n", m.c_str());
    std::fprintf(stderr, "busy %d, engine calls %zu\n", doc.busy, doc.calls.size());
  }
  std::_Exit(ok ? 0 : 1);
}

TEST(DenoiseRunDeathTest, OutOfMemoryEndsTheRunWithItsMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The region's working buffer takes 27 MB, the block buffer (3000 x 1500 pixels) 18 MB: neither
  // fits in 10 MB (each buffer says so), only the first in 35 MB.
  EXPECT_EXIT(RunWithAddressSpace(size_t{10} << 20, {"Out of memory", "Out of memory", "Out of memeory #2"}),
              ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(RunWithAddressSpace(size_t{35} << 20, {"Out of memory", "Memory Error (out of memeory)"}),
              ::testing::ExitedWithCode(0), "");
}
#endif

TEST(DenoiseRun, EmptyRegionDoesNothingQuietly) {
  test::ScriptedHost host;
  TestDocument doc(host, 40, 40);
  doc.runNoiseReduction(true);  // no region set yet
  EXPECT_TRUE(host.log.messages.empty());
  EXPECT_TRUE(doc.calls.empty());
  EXPECT_EQ(doc.resultValid, 0);
}

TEST(DenoiseRun, SetRegionKeepsInsideThePicture) {
  test::ScriptedHost host;
  TestDocument doc(host, 1000, 800);
  struct Case { Region in, out; };
  const Case cases[] = {
      {{900, 100, 1100, 300}, {799, 100, 999, 300}},
      {{-10, -10, 90, 90}, {0, 0, 90, 90}},
      {{100, 700, 300, 900}, {100, 599, 300, 799}},
      {{0, 0, 1000, 800}, {0, 0, 1000, 800}},
      {{-100, 0, 1200, 50}, {0, 0, 999, 50}},
  };
  for (const Case& c : cases) {
    doc.setRegion(c.in.left, c.in.top, c.in.right, c.in.bottom);
    EXPECT_EQ(doc.region, c.out) << c.in.left << "," << c.in.top;
  }
}

TEST(DenoiseRun, SameResultForAnyThreadCount) {
  std::vector<std::vector<uint8_t>> results;
  for (int threads : {1, 3}) {
    for (NrMode mode : {kModeScanner, kModePortrait}) {
      test::ScriptedHost host;
      TestDocument doc(host, 150, 120);
      doc.threads = threads;
      EditNrSettings(doc, [&](NrSettings& nr) { nr.mode = mode; });
      EditNrSettings(doc, [&](NrSettings& nr) { nr.sharpenAmount = 60; });
      EditMemorySettings(doc, [&](MemorySettings& mem) { mem.maxBlockW = 64; });
      doc.runNoiseReduction(false);
      results.push_back(doc.result);
    }
  }
  EXPECT_EQ(results[0], results[2]);
  EXPECT_EQ(results[1], results[3]);
  EXPECT_NE(results[0], results[1]);
}

}  // namespace
}  // namespace orvane
