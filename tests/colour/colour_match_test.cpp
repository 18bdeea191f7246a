#include "colour/colour_match.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvane {
namespace {

TEST(ColourMatchTest, DistributionsOfATinyImage) {
  // Red 0,0,10,255; green all 7; blue 1..4.
  const std::vector<uint8_t> px = {0, 7, 1, 0, 7, 2, 10, 7, 3, 255, 7, 4};
  ChannelDistributions d;
  ASSERT_TRUE(ComputeDistributions(px.data(), 2, 2, d));
  EXPECT_DOUBLE_EQ(d.red[0], 0.5);
  EXPECT_DOUBLE_EQ(d.red[9], 0.5);
  EXPECT_DOUBLE_EQ(d.red[10], 0.75);
  EXPECT_DOUBLE_EQ(d.red[254], 0.75);
  EXPECT_DOUBLE_EQ(d.red[255], 1.0);
  EXPECT_DOUBLE_EQ(d.green[6], 0.0);
  EXPECT_DOUBLE_EQ(d.green[7], 1.0);
  EXPECT_DOUBLE_EQ(d.blue[2], 0.5);

  // No pixels: nothing produced, the caller's arrays keep their contents.
  ChannelDistributions kept;
  kept.red.fill(0.25);
  EXPECT_FALSE(ComputeDistributions(px.data(), 0, 2, kept));
  EXPECT_EQ(kept.red[100], 0.25);
}

TEST(ColourMatchTest, SearchIsMonotoneAndPrefersTheLowestOfEqualCandidates) {
  CumulativeDistribution src{};
  CumulativeDistribution ref{};
  for (int i = 0; i < 256; ++i) {
    src[i] = (i + 1) / 256.0;
    ref[i] = i < 128 ? 0.5 : 1.0;  // a two-valued reference
  }
  std::array<uint8_t, 256> table{};
  MatchChannel(src, ref, table);
  for (int i = 1; i < 256; ++i) EXPECT_GE(table[i], table[i - 1]) << i;
  EXPECT_EQ(table[0], 0);      // 0.5 at j = 0 is the first of many equal candidates
  EXPECT_EQ(table[127], 0);    // src 0.5 exactly
  EXPECT_EQ(table[255], 128);  // src 1.0: first j with 1.0

  // A source whose distribution decreases still gives a non-decreasing table.
  CumulativeDistribution wild{};
  for (int i = 0; i < 256; ++i) wild[i] = (i % 2) ? 0.1 : 0.9;
  for (int i = 0; i < 256; ++i) ref[i] = i / 255.0;
  MatchChannel(wild, ref, table);
  for (int i = 1; i < 256; ++i) EXPECT_GE(table[i], table[i - 1]) << i;
}

TEST(ColourMatchTest, SmoothingOfIdentityAndConstantTables) {
  MatchTables t;  // identity
  SmoothMatchTables(t);
  for (const auto* table : {&t.red, &t.green, &t.blue}) {
    EXPECT_EQ((*table)[0], 3);
    EXPECT_EQ((*table)[255], 251);
    for (int i = 19; i <= 236; ++i) {
      EXPECT_TRUE((*table)[i] == i - 1 || (*table)[i] == i) << i << " -> " << int((*table)[i]);
    }
  }
  for (int q : {1, 100, 255}) {
    MatchTables c;
    c.red.fill(static_cast<uint8_t>(q));
    c.green.fill(static_cast<uint8_t>(q));
    c.blue.fill(0);
    SmoothMatchTables(c);
    for (int i = 0; i < 256; ++i) {
      ASSERT_EQ(c.red[i], q - 1) << q << " at " << i;
      ASSERT_EQ(c.blue[i], 0);
    }
  }
}

TEST(ColourMatchTest, MatchingAnImageToItselfIsNearIdentity) {
  std::vector<uint8_t> px(64 * 64 * 3);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>((i * 7) % 256);
  ChannelDistributions d;
  ASSERT_TRUE(ComputeDistributions(px.data(), 64, 64, d));
  const MatchTables t = MatchTablesFrom(d, d);
  for (int i = 20; i < 236; ++i) EXPECT_NEAR(t.green[i], i, 1) << i;
}

TEST(ColourMatchTest, MatchingADarkImageToABrightOneBrightens) {
  std::vector<uint8_t> dark(32 * 32 * 3);
  std::vector<uint8_t> bright(32 * 32 * 3);
  for (size_t i = 0; i < dark.size(); ++i) {
    dark[i] = static_cast<uint8_t>(i % 128);
    bright[i] = static_cast<uint8_t>(128 + i % 128);
  }
  ChannelDistributions src;
  ChannelDistributions ref;
  ASSERT_TRUE(ComputeDistributions(dark.data(), 32, 32, src));
  ASSERT_TRUE(ComputeDistributions(bright.data(), 32, 32, ref));
  const MatchTables t = MatchTablesFrom(src, ref);
  for (int i = 20; i < 108; ++i) EXPECT_NEAR(t.red[i], i + 128, 2) << i;
}

}  // namespace
}  // namespace orvane
