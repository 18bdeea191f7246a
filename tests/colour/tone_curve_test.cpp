#include "colour/tone_curve.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace orvane {
namespace {

TEST(ToneCurveTest, FreshObjectAndZeroExposureAreIdentity) {
  ToneCurve curve;
  curve.ApplyExposure(0.0);
  for (int k = 0; k < 3; ++k) {
    auto table = curve.Table(k);
    ASSERT_EQ(table.size(), 256u);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(table[i], i);
  }
  EXPECT_TRUE(curve.Table(3).empty());
  EXPECT_TRUE(curve.Table(-1).empty());
}

TEST(ToneCurveTest, NeutralLevelsKeepAnExistingCurve) {
  ToneCurve curve;
  curve.SetLevels(1, 20, 235, 0, 255, 1.0);
  const std::vector<int32_t> before(curve.Table(1).begin(), curve.Table(1).end());
  curve.SetLevels(1, 0, 255, 0, 255, 1.0);
  EXPECT_EQ(std::vector<int32_t>(curve.Table(1).begin(), curve.Table(1).end()), before);
  EXPECT_EQ(curve.Table(1)[10], 0);
}

struct LevelsCase {
  int inLow, inHigh;
  double gamma;
  std::vector<std::pair<int, int>> entries;  // (input, expected output)
};

TEST(ToneCurveTest, SetLevelsEntries) {
  const std::vector<LevelsCase> cases = {
      {20, 235, 1.0, {{0, 0}, {20, 0}, {21, 1}, {128, 128}, {234, 254}, {235, 255}, {255, 255}}},
      {0, 255, static_cast<double>(0.6f), {{64, 25}, {128, 81}, {192, 159}, {0, 0}, {255, 255}}},
      {0, 255, static_cast<double>(1.4f), {{64, 95}, {128, 156}, {192, 208}}},
      // Empty input range: not normalised, a hard step.
      {100, 100, 1.0, {{0, 0}, {100, 0}, {101, 255}, {255, 255}}},
      // Gamma 0 skips the power.
      {0, 255, 0.0, {{0, 0}, {77, 77}, {255, 255}}},
      // Sign kept under the power: below inLow stays at 0, not mirrored upwards.
      {100, 200, 0.5, {{50, 0}, {150, 64}, {200, 255}}},
  };
  for (const auto& c : cases) {
    for (int k = 0; k < 3; ++k) {
      ToneCurve curve;
      curve.SetLevels(k, c.inLow, c.inHigh, 0, 255, c.gamma);
      for (auto [in, out] : c.entries) {
        EXPECT_EQ(curve.Table(k)[in], out)
            << "levels " << c.inLow << ".." << c.inHigh << " gamma " << c.gamma << " at " << in;
      }
      // The other tables stay the identity.
      EXPECT_EQ(curve.Table((k + 1) % 3)[50], 50);
    }
  }
}

TEST(ToneCurveTest, EveryEntryStaysInByteRange) {
  ToneCurve curve;
  curve.SetLevels(0, 200, 10, 0, 255, 3.0);   // reversed range
  curve.SetLevels(1, -50, 400, 255, 0, 0.2);  // reversed output
  curve.SetLevels(2, 0, 1, 0, 255, 1e-9);
  curve.ApplyExposure(17.0);
  for (int k = 0; k < 3; ++k) {
    for (int v : curve.Table(k)) {
      EXPECT_GE(v, 0);
      EXPECT_LE(v, 255);
    }
  }
}

TEST(ToneCurveTest, ExposureValues) {
  struct Case {
    double ev;
    std::vector<std::pair<int, int>> entries;
  };
  const std::vector<Case> cases = {
      {1.0, {{64, 88}, {128, 160}, {192, 216}}},
      {-1.0, {{64, 40}, {128, 96}, {192, 168}}},
      {2.0, {{128, 192}}},
      {4.0, {{128, 240}}},
      {6.0, {{128, 240}}},  // beyond 4 acts as 4
      {-4.0, {{128, 16}, {192, 81}}},
      {0.5, {{128, 144}}},
  };
  for (const auto& c : cases) {
    ToneCurve curve;
    curve.ApplyExposure(c.ev);
    for (int k = 0; k < 3; ++k) {
      for (auto [in, out] : c.entries) EXPECT_EQ(curve.Table(k)[in], out) << "ev " << c.ev;
      EXPECT_EQ(curve.Table(k)[0], 0) << "ev " << c.ev;
      EXPECT_EQ(curve.Table(k)[255], 255) << "ev " << c.ev;
    }
  }
}

TEST(ToneCurveTest, ApplyPackedUsesTablePerBytePositionAndKeepsFourthByte) {
  ToneCurve curve;
  curve.SetLevels(0, 0, 255, 0, 255, 0.5);
  curve.SetLevels(2, 100, 100, 0, 255, 1.0);
  std::vector<uint8_t> three = {128, 128, 128, 10, 20, 200};
  curve.ApplyPacked3(three.data(), 2, 1);
  EXPECT_EQ(three, (std::vector<uint8_t>{static_cast<uint8_t>(curve.Table(0)[128]), 128, 255,
                                         static_cast<uint8_t>(curve.Table(0)[10]), 20, 255}));
  std::vector<uint8_t> four = {128, 128, 128, 7, 10, 20, 200, 9};
  curve.ApplyPacked4(four.data(), 1, 2);
  EXPECT_EQ(four[3], 7);
  EXPECT_EQ(four[7], 9);
  EXPECT_EQ(four[2], 255);
  EXPECT_EQ(four[5], 20);

  // Degenerate sizes and a null buffer do nothing.
  std::vector<uint8_t> untouched = {1, 2, 3};
  curve.ApplyPacked3(untouched.data(), 0, 1);
  curve.ApplyPacked3(untouched.data(), 1, -1);
  curve.ApplyPacked3(nullptr, 1, 1);
  EXPECT_EQ(untouched, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(ToneCurveTest, BoostColours) {
  std::vector<uint8_t> px = {200, 100, 50, 128, 128, 128};
  ToneCurve::BoostColours(px.data(), 2, 1, 100, 3);
  EXPECT_EQ(px, (std::vector<uint8_t>{255, 83, 0, 128, 128, 128}));

  // Symmetric: the same pixel in another order, with a fourth byte left alone.
  std::vector<uint8_t> bgrx = {50, 100, 200, 77};
  ToneCurve::BoostColours(bgrx.data(), 1, 1, 100, 4);
  EXPECT_EQ(bgrx, (std::vector<uint8_t>{0, 83, 255, 77}));

  for (int amount : {0, 255}) {
    std::vector<uint8_t> same = {200, 100, 50};
    ToneCurve::BoostColours(same.data(), 1, 1, amount, 3);
    EXPECT_EQ(same, (std::vector<uint8_t>{200, 100, 50})) << amount;
  }
}

TEST(ToneCurveTest, BoostOfALargePictureMatchesThePixelFormula) {
  // Large enough for the table path; every result is checked against the formula.
  const int width = 512;
  const int height = 160;
  std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>((i * 97 + i / 7) % 256);
  const auto before = px;
  for (int amount : {1, 60, 100, 200, 254, 300}) {
    px = before;
    ToneCurve::BoostColours(px.data(), width, height, amount, 4);
    for (size_t n = 0; n < px.size(); n += 4) {
      const int c[3] = {before[n], before[n + 1], before[n + 2]};
      for (int k = 0; k < 3; ++k) {
        int v = (510 * c[k] - amount * (c[(k + 1) % 3] + c[(k + 2) % 3])) / (2 * (255 - amount));
        v = v > 255 ? 255 : (v <= 0 ? 0 : v);
        ASSERT_EQ(px[n + k], v) << "amount " << amount << " pixel " << n / 4;
      }
      ASSERT_EQ(px[n + 3], before[n + 3]);
    }
  }
}

}  // namespace
}  // namespace orvane
