#include "imagefile/jpeg_options.h"
#include "app/suggest_quality.h"

#include <gtest/gtest.h>

#include <vector>

#include "scripted_host.h"

namespace orvane {
namespace {

TEST(FormatSize, UnitsAndDecimals) {
  struct Case { int64_t bytes; int decimals; const char* text; };
  const Case cases[] = {
      {12000000, 2, "11.44 MB"}, {1000, 2, "1000.00 bytes"}, {1001, 2, "0.98 KB"},
      {0, 0, "0 bytes"},         {5, 1, "5.0 bytes"},        {1024000, 1, "1000.0 KB"},
      {1024001, 3, "0.977 MB"},  {int64_t{3} << 40, 2, "3.00 TB"},
      {int64_t{5000} << 40, 0, "5000 TB"},  // no unit beyond TB
  };
  for (const Case& c : cases) EXPECT_EQ(FormatSize(c.bytes, c.decimals), c.text) << c.bytes;
  EXPECT_EQ(ImageSizeLine(3000, 2000), "Image 3000 x 2000 , uncompressed size 22.89 MB");
}

TEST(QualityBox, CorrectsOnEveryChange) {
  struct Case { const char* text; int quality; const char* rewrite; };
  const Case cases[] = {
      {"-5", 100, "100"}, {"250", 100, "100"}, {"", 40, "40"},   {"4", 40, "40"},
      {"45", 45, ""},     {"92abc", 92, ""},   {"abc", 40, "40"}, {"100", 100, ""},
      {"40", 40, ""},     {"99999999999999999999", 100, "100"},
  };
  for (const Case& c : cases) {
    std::string rewrite = "stale";
    EXPECT_EQ(QualityFromText(c.text, &rewrite), c.quality) << c.text;
    EXPECT_EQ(rewrite, c.rewrite) << c.text;
  }
}

// A fake encoder: sizes grow with quality; probes are recorded.
struct FakeEstimate {
  std::vector<int> probes;
  std::function<int64_t(int)> size;
  JpegSizeEstimate fn() {
    return [this](int q) {
      probes.push_back(q);
      return size(q);
    };
  }
};

TEST(QualitySearch, TracesOfTheBisection) {
  struct Case {
    const char* name;
    int64_t target;
    std::vector<int> probes;
    int result;
  };
  // Size = 1000 x quality.
  const Case cases[] = {
      {"every probe below", 1000000, {76, 84, 88, 90, 91, 92}, 92},
      {"every probe above", 0, {76, 68, 64, 62, 61}, 60},
      {"exact hit ends the search", 84000, {76, 84}, 84},
      {"between 80 and 81", 80500, {76, 84, 80, 82, 81}, 80},
  };
  for (const Case& c : cases) {
    FakeEstimate fake;
    fake.size = [](int q) { return int64_t{1000} * q; };
    EXPECT_EQ(SuggestQuality(c.target, 60, fake.fn(), {}), c.result) << c.name;
    EXPECT_EQ(fake.probes, c.probes) << c.name;
  }
}

TEST(QualitySearch, EndsAndLimits) {
  FakeEstimate fake;
  fake.size = [](int) { return int64_t{1}; };
  EXPECT_EQ(QualitySearch(50, 50, 10, fake.fn(), {}), 50);
  EXPECT_EQ(QualitySearch(50, 51, 10, fake.fn(), {}), 50);
  EXPECT_EQ(QualitySearch(50, 20, 10, fake.fn(), {}), 50);
  EXPECT_TRUE(fake.probes.empty());
  EXPECT_EQ(SuggestQuality(10, 120, fake.fn(), {}), 99);
  EXPECT_EQ(SuggestQuality(10, 95, fake.fn(), {}), 95);
  EXPECT_EQ(SuggestQuality(10, 93, fake.fn(), {}), 93);
  EXPECT_TRUE(fake.probes.empty());
}

TEST(QualitySearch, RealEstimateGrowsWithQualityAndSampling) {
  const int w = 64, h = 48;
  std::vector<uint8_t> rgb(w * h * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>((i * 37) ^ (i >> 5));
  const int64_t q60 = EstimateJpegSize(rgb.data(), w, h, 60, 1);
  const int64_t q95 = EstimateJpegSize(rgb.data(), w, h, 95, 1);
  const int64_t q95sub = EstimateJpegSize(rgb.data(), w, h, 95, 0);
  EXPECT_GT(q60, 0);
  EXPECT_GT(q95, q60);
  EXPECT_GT(q95, q95sub);
  EXPECT_EQ(EstimateJpegSize(nullptr, w, h, 90, 1), -1);
  EXPECT_EQ(EstimateJpegSize(rgb.data(), 0, h, 90, 1), -1);
  // The search over the real encoder ends below the target.
  const int64_t target = EstimateJpegSize(rgb.data(), w, h, 80, 1) + 1;
  const int q = SuggestQuality(target, 60, [&](int quality) {
    return EstimateJpegSize(rgb.data(), w, h, quality, 1);
  }, {});
  EXPECT_GE(q, 80);
  EXPECT_LE(EstimateJpegSize(rgb.data(), w, h, q, 1), target);
}

TEST(QualitySearch, SuggestButtonShowsProbesAndSuggestsOneLess) {
  struct Case { int64_t target; int suggestion; };
  // Below the size at 61: 59. Above the size at 92: 91.
  for (const Case& c : {Case{60500, 59}, Case{10000000, 91}}) {
    test::ScriptedHost host;
    FakeEstimate fake;
    fake.size = [](int q) { return int64_t{1000} * q; };
    EXPECT_EQ(SuggestQualityWithProgress(host, c.target, fake.fn()), c.suggestion);
    const auto& events = host.log.events;
    ASSERT_GE(events.size(), 5u);
    EXPECT_EQ(events[0], "window:opened");
    EXPECT_EQ(events[1], "text:Estimating Best Quality For Size");
    EXPECT_EQ(events[2], "range:60-100");
    EXPECT_EQ(events[3], "text:Quality Probe: 76");
    EXPECT_EQ(events[4], "position:76");
    EXPECT_EQ(events.back(), "window:closed");
  }
}

}  // namespace
}  // namespace orvane
