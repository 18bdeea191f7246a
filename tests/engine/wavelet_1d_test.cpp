// The one-dimensional pieces and the arithmetic at the ends of the road.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/wavelet_1d.h"
#include "engine/wavelet_kernels.h"
#include "reference_engine.h"

namespace orvane {
namespace {

std::vector<double> RandomLine(int n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> d(0.0, 255.0);
  std::vector<double> v(n);
  for (double& x : v) x = d(rng);
  return v;
}

TEST(Wavelet1D, ExtensionMatchesThePeriodicContinuation) {
  const LineEnd ends[] = {LineEnd::WS, LineEnd::HS};
  for (int n = 1; n <= 12; ++n) {
    for (LineEnd start : ends) {
      for (LineEnd end : ends) {
        SCOPED_TRACE("n=" + std::to_string(n) + " start " + std::to_string(start == LineEnd::WS) +
                     " end " + std::to_string(end == LineEnd::WS));
        std::vector<double> ours(n + 18), theirs(n + 18);
        for (int i = 0; i < n; ++i) ours[9 + i] = theirs[9 + i] = 10.0 + i;
        extendSymmetric(ours.data() + 9, n, start, end);
        reference::ExtendSymmetric(theirs.data() + 9, n, start == LineEnd::WS ? reference::End::WS : reference::End::HS,
                                   end == LineEnd::WS ? reference::End::WS : reference::End::HS);
        EXPECT_EQ(ours, theirs);
      }
    }
  }
  // Spot values: WS repeats no end sample, HS repeats it.
  std::vector<double> line = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  extendSymmetric(line.data() + 9, 4, LineEnd::WS, LineEnd::HS);
  EXPECT_EQ(line[8], 2);   // x[-1] = x[1]
  EXPECT_EQ(line[13], 4);  // x[4] = x[3]
  EXPECT_EQ(line[14], 3);
}

TEST(Wavelet1D, LinesMatchThePlainFiltersBitForBit) {
  std::vector<double> scratchStore(LineScratch::Doubles(2000));
  LineScratch scratch;
  scratch.assign(scratchStore.data(), 2000);
  for (int n : {2, 3, 4, 5, 6, 7, 8, 9, 13, 16, 31, 64, 97, 1000, 1001}) {
    SCOPED_TRACE(n);
    const auto x = RandomLine(n, n);
    std::vector<double> ours(n), theirs(n), back(n), theirsBack(n);
    analyze1D(x.data(), n, ours.data(), scratch);
    reference::Analyze1D(x.data(), n, theirs.data());
    EXPECT_EQ(ours, theirs);
    synthesize1D(ours.data(), n, back.data(), scratch);
    reference::Synthesize1D(theirs.data(), n, theirsBack.data());
    EXPECT_EQ(back, theirsBack);
  }
}

TEST(Wavelet1D, SynthesisUndoesAnalysis) {
  std::vector<double> scratchStore(LineScratch::Doubles(7000));
  LineScratch scratch;
  scratch.assign(scratchStore.data(), 7000);
  for (int n = 3; n <= 40; ++n) {
    for (int len : {n, n == 40 ? 6064 : n, n == 40 ? 6065 : n}) {
      const auto x = RandomLine(len, 7 * len);
      std::vector<double> coeff(len), back(len);
      analyze1D(x.data(), len, coeff.data(), scratch);
      synthesize1D(coeff.data(), len, back.data(), scratch);
      for (int i = 0; i < len; ++i) ASSERT_NEAR(back[i], x[i], 0.002) << "n=" << len << " i=" << i;
    }
  }
}

TEST(Wavelet1D, PlaneRoundTripWithoutShrinking) {
  for (auto [w, h] : {std::pair{32, 32}, std::pair{33, 47}, std::pair{64, 35}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    std::vector<uint8_t> block(w * h * 4);
    std::mt19937 rng(w * h);
    for (auto& b : block) b = static_cast<uint8_t>(rng());
    auto plane = reference::LoadPlane(block.data(), w, h, w * 4, 1);
    const auto original = plane.v;
    reference::ForwardTransform(plane, 5);
    reference::InverseTransform(plane, 5);
    for (size_t i = 0; i < original.size(); ++i) ASSERT_NEAR(plane.v[i], original[i], 0.002);
  }
}

TEST(Wavelet1D, MarginCornersAreZero) {
  const int w = 40, h = 33;
  std::vector<uint8_t> block(w * h * 4, 200);
  const auto p = reference::LoadPlane(block.data(), w, h, w * 4, 0);
  for (int64_t r = 0; r < p.b; ++r) {
    for (int64_t c = 0; c < p.a; ++c) {
      const bool cornerRow = r < 32 || r >= h + 32;
      const bool cornerCol = c < 32 || c >= w + 32;
      ASSERT_EQ(p.v[r * p.a + c], cornerRow && cornerCol ? 0.0 : 200.0) << r << "," << c;
    }
  }
}

TEST(Wavelet1D, SoftThresholdArithmetic) {
  reference::Plane p;
  p.a = 6;
  p.b = 1;
  p.v = {4.0, -4.0, -10.0, 10.0, 3.99, 0.0};
  reference::SoftThreshold(p, 4.0);
  EXPECT_EQ(p.v, (std::vector<double>{0.0, 0.0, -6.0, 6.0, 0.0, 0.0}));
}

TEST(Wavelet1D, StoreRoundsHalfUpAndClamps) {
  const double values[] = {254.5, 254.49, -3.2, 300.0, 0.49999, 127.5, -0.5, 255.0};
  const uint8_t expected[] = {255, 254, 0, 255, 0, 128, 0, 255};
  std::vector<const WaveletKernels*> builds = {&BaselineWaveletKernels()};
  if (Avx2WaveletKernels()) builds.push_back(Avx2WaveletKernels());
  if (Avx512WaveletKernels()) builds.push_back(Avx512WaveletKernels());
  for (const WaveletKernels* k : builds) {
    SCOPED_TRACE(k->name);
    // Long enough to run through the vector body as well as the tail.
    std::vector<double> in;
    std::vector<uint8_t> want;
    for (int rep = 0; rep < 5; ++rep) {
      in.insert(in.end(), std::begin(values), std::end(values));
      want.insert(want.end(), std::begin(expected), std::end(expected));
    }
    std::vector<uint8_t> out(in.size());
    k->roundToBytes(in.data(), static_cast<int64_t>(in.size()), out.data());
    EXPECT_EQ(out, want);
  }
}

// Every vector build gives the baseline build's bits for every length of line, vector bodies and
// ends alike, and writes nothing past the positions asked for.
TEST(WaveletKernels, BuildsAgreeOnEveryLength) {
  std::vector<const WaveletKernels*> builds;
  if (Avx2WaveletKernels()) builds.push_back(Avx2WaveletKernels());
  if (Avx512WaveletKernels()) builds.push_back(Avx512WaveletKernels());
  if (builds.empty()) GTEST_SKIP() << "no vector build on this processor";
  const WaveletKernels& plain = BaselineWaveletKernels();
  constexpr int kMax = 40;  // past two whole steps of the widest build
  constexpr int kSpare = 24;
  const double kUntouched = 12345.0;
  auto fresh = [&](int n) { return std::vector<double>(2 * n + 2 * kSpare, kUntouched); };
  auto same = [](const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
  };
  // Nine input lines, valid well past both ends; some values below the threshold.
  std::vector<std::vector<double>> lines;
  for (int i = 0; i < 9; ++i) {
    auto line = RandomLine(2 * kMax + 2 * kSpare, 100 + i);
    for (double& v : line) v = (v - 127.5) * 0.1;
    lines.push_back(line);
  }
  const double* rows[9];
  for (int i = 0; i < 9; ++i) rows[i] = lines[i].data() + kSpare;
  for (const WaveletKernels* k : builds) {
    for (int n = 1; n <= kMax; ++n) {
      SCOPED_TRACE(std::string(k->name) + " n=" + std::to_string(n));
      for (int variant = 0; variant < 4; ++variant) {
        const bool withHigh = (variant & 1) != 0, shrinkLow = (variant & 2) != 0;
        auto low = fresh(n), high = fresh(n), wantLow = fresh(n), wantHigh = fresh(n);
        plain.columnsAnalyze(rows, n, wantLow.data() + kSpare, withHigh ? wantHigh.data() + kSpare : nullptr,
                             shrinkLow, 1.5);
        k->columnsAnalyze(rows, n, low.data() + kSpare, withHigh ? high.data() + kSpare : nullptr, shrinkLow, 1.5);
        EXPECT_TRUE(same(low, wantLow) && same(high, wantHigh)) << "column analysis, variant " << variant;
      }
      for (bool withOdd : {false, true}) {
        auto even = fresh(n), odd = fresh(n), wantEven = fresh(n), wantOdd = fresh(n);
        plain.columnsSynthesize(rows, rows + 4, n, wantEven.data() + kSpare, withOdd ? wantOdd.data() + kSpare : nullptr,
                                nullptr);
        k->columnsSynthesize(rows, rows + 4, n, even.data() + kSpare, withOdd ? odd.data() + kSpare : nullptr, rows);
        EXPECT_TRUE(same(even, wantEven) && same(odd, wantOdd)) << "column synthesis, odd rows " << withOdd;
      }
      // Whole lines of n + 1 samples (at least two): analysis from the even and odd samples and
      // from the line itself, and synthesis from two extended bands.
      const int len = n + 1;
      auto low = fresh(n), high = fresh(n), wantLow = fresh(n), wantHigh = fresh(n);
      plain.analyzeSplit(rows[0], rows[1], len, wantLow.data() + kSpare, wantHigh.data() + kSpare);
      k->analyzeSplit(rows[0], rows[1], len, low.data() + kSpare, high.data() + kSpare);
      EXPECT_TRUE(same(low, wantLow) && same(high, wantHigh)) << "split analysis";
      std::vector<double> even(kMax + kSpare), odd(kMax + kSpare);
      low = fresh(n), high = fresh(n), wantLow = fresh(n), wantHigh = fresh(n);
      plain.analyzeExtended(rows[2], len, wantLow.data() + kSpare, wantHigh.data() + kSpare, even.data(), odd.data());
      k->analyzeExtended(rows[2], len, low.data() + kSpare, high.data() + kSpare, even.data(), odd.data());
      EXPECT_TRUE(same(low, wantLow) && same(high, wantHigh)) << "line analysis";
      auto out = fresh(n), wantOut = fresh(n);
      plain.synthesizeExtended(rows[3], rows[4], len, wantOut.data() + kSpare);
      k->synthesizeExtended(rows[3], rows[4], len, out.data() + kSpare);
      EXPECT_TRUE(same(out, wantOut)) << "line synthesis";
    }
  }
}

// The build the engine takes: the best one, or the one named in the environment when this
// processor runs it.
TEST(WaveletKernelChoice, BestOrTheNamedBuild) {
  const WaveletKernels* best = Avx512WaveletKernels();
  if (!best) best = Avx2WaveletKernels();
  if (!best) best = &BaselineWaveletKernels();
  const struct {
    const char* wanted;
    const WaveletKernels* expected;
  } cases[] = {
      {nullptr, best},
      {"baseline", &BaselineWaveletKernels()},
      {"avx2", Avx2WaveletKernels() ? Avx2WaveletKernels() : best},
      {"avx512", Avx512WaveletKernels() ? Avx512WaveletKernels() : best},
      {"sse9", best},
      {"", best},
  };
  const char* before = std::getenv("ORVANE_WAVELET_KERNELS");
  const std::string saved = before ? before : "";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wanted ? c.wanted : "(unset)");
    if (c.wanted) {
      setenv("ORVANE_WAVELET_KERNELS", c.wanted, 1);
    } else {
      unsetenv("ORVANE_WAVELET_KERNELS");
    }
    EXPECT_EQ(&SelectWaveletKernels(), c.expected) << SelectWaveletKernels().name;
  }
  if (before) {
    setenv("ORVANE_WAVELET_KERNELS", saved.c_str(), 1);
  } else {
    unsetenv("ORVANE_WAVELET_KERNELS");
  }
}

}  // namespace
}  // namespace orvane
