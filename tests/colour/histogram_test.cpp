#include "colour/histogram.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvane {
namespace {

TEST(HistogramTest, UniformGreyFillsOneBar) {
  std::vector<uint8_t> px(10 * 10 * 3, 100);
  HistogramBars bars;
  ASSERT_TRUE(ComputeHistogramBars(px.data(), 10, 10, ColourParams{}, bars));
  for (const auto* channel : {&bars.red, &bars.green, &bars.blue}) {
    for (int i = 0; i < 256; ++i) EXPECT_EQ((*channel)[i], i == 100 ? 255 : 0) << i;
  }
}

TEST(HistogramTest, OnlyExtremesGiveNoBars) {
  std::vector<uint8_t> px = {0, 0, 0, 255, 255, 255, 0, 255, 0};
  HistogramBars bars;
  bars.red[5] = 9;
  ASSERT_TRUE(ComputeHistogramBars(px.data(), 3, 1, ColourParams{}, bars));
  EXPECT_EQ(bars, HistogramBars{});
}

TEST(HistogramTest, EndsDoNotSetTheScale) {
  std::array<std::array<uint32_t, 256>, 3> counts{};
  counts[0][0] = 300;    // three times the interior maximum
  counts[0][50] = 100;
  counts[1][60] = 50;
  counts[2][255] = 1000;
  counts[2][70] = 1;
  const HistogramBars bars = ScaleHistogram(counts);
  EXPECT_EQ(bars.red[0], 255);
  EXPECT_EQ(bars.red[50], 255);
  EXPECT_EQ(bars.green[60], 127);  // trunc(0.5 * 255)
  EXPECT_EQ(bars.blue[255], 255);
  EXPECT_EQ(bars.blue[70], 2);     // trunc(2.55)
}

TEST(HistogramTest, BlackPointSendsDarkPixelsToBinZero) {
  // Half the pixels at 50 (below the black point), half spread over 150..249.
  std::vector<uint8_t> px;
  for (int i = 0; i < 100; ++i) px.insert(px.end(), {50, 50, 50});
  for (int i = 0; i < 100; ++i) {
    const auto v = static_cast<uint8_t>(150 + i);
    px.insert(px.end(), {v, v, v});
  }
  ColourParams params;
  params.blackPoint = 100;
  HistogramBars bars;
  ASSERT_TRUE(ComputeHistogramBars(px.data(), 200, 1, params, bars));
  EXPECT_EQ(bars.red[0], 255);
  int interiorMax = 0;
  for (int i = 1; i < 255; ++i) interiorMax = std::max<int>(interiorMax, bars.red[i]);
  EXPECT_EQ(interiorMax, 255);  // the interior keeps its own scale
  // The source is not changed by the computation.
  EXPECT_EQ(px[0], 50);
}

TEST(HistogramTest, NoPixelsKeepsTheBars) {
  HistogramBars bars;
  bars.green[3] = 42;
  EXPECT_FALSE(ComputeHistogramBars(nullptr, 0, 0, ColourParams{}, bars));
  EXPECT_EQ(bars.green[3], 42);
}

}  // namespace
}  // namespace orvane
