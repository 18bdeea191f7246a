#include "pipeline/filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "base/worker_pool.h"
#include "test_images.h"

namespace orvane {
namespace {

using test::FlatPacked;
using test::Red;
using test::SetPacked;

InterleavedImage View(std::vector<uint8_t>& p, int w, int h) {
  return InterleavedImage{p.data(), w, h, 4, static_cast<ptrdiff_t>(w) * 4};
}

TEST(Sharpen, WorkedExamplesAndAmountLimits) {
  struct Case { int amount; int expected; };
  // A pixel of 100 among eight of 90: h = 100 - e * (720 - 800).
  const Case cases[] = {{0, 100}, {100, 140}, {150, 140}, {-5, 100}, {50, 120}, {25, 110}};
  for (const Case& c : cases) {
    auto src = FlatPacked(3, 3, 90);
    SetPacked(src, 3, 1, 1, 100);
    auto dst = FlatPacked(3, 3, 0);
    ASSERT_TRUE(Sharpen(View(src, 3, 3), View(dst, 3, 3), c.amount, 7));
    EXPECT_EQ(Red(dst, 3, 1, 1), c.expected) << "amount " << c.amount;
  }
}

TEST(Sharpen, FlatPictureUnchangedUpToTheEdgesAndMaskHonoured) {
  auto src = FlatPacked(5, 4, 77);
  auto dst = FlatPacked(5, 4, 0);
  for (size_t i = 3; i < dst.size(); i += 4) dst[i] = 9;  // byte 3 must stay as it was
  ASSERT_TRUE(Sharpen(View(src, 5, 4), View(dst, 5, 4), 100, 7));
  for (size_t i = 0; i < dst.size(); ++i) EXPECT_EQ(dst[i], i % 4 == 3 ? 9 : 77) << i;
}

TEST(Sharpen, ClampsToByteRange) {
  auto src = FlatPacked(3, 3, 250);
  SetPacked(src, 3, 1, 1, 5);
  SetPacked(src, 3, 0, 0, 0);
  auto dst = FlatPacked(3, 3, 1);
  ASSERT_TRUE(Sharpen(View(src, 3, 3), View(dst, 3, 3), 100, 7));
  EXPECT_EQ(Red(dst, 3, 1, 1), 0);    // far below zero
  EXPECT_EQ(Red(dst, 3, 2, 2), 255);  // bright corner next to the dark centre
}

TEST(Sharpen, RefusesBadArguments) {
  auto a = FlatPacked(3, 3, 1);
  auto b = FlatPacked(3, 3, 1);
  EXPECT_FALSE(Sharpen(View(a, 3, 3), View(a, 3, 3), 8, 7));
  EXPECT_FALSE(Sharpen(InterleavedImage{}, View(b, 3, 3), 8, 7));
  InterleavedImage wide = View(a, 1, 1);
  wide.bytesPerPixel = 9;
  wide.stride = 9;
  InterleavedImage wideOut = View(b, 1, 1);
  wideOut.bytesPerPixel = 9;
  wideOut.stride = 9;
  EXPECT_FALSE(Sharpen(wide, wideOut, 8, 7));
}

TEST(RemoveSpeckles, BrightSpeckleFadesSixteenPerCall) {
  auto img = FlatPacked(9, 9, 100);
  SetPacked(img, 9, 4, 4, 200);
  ASSERT_TRUE(RemoveSpeckles(View(img, 9, 9), 7));
  EXPECT_EQ(Red(img, 9, 4, 4), 184);
  // The zero border works as a dark surround.
  for (auto [x, y] : {std::pair{0, 0}, {8, 0}, {0, 8}, {8, 8}}) EXPECT_EQ(Red(img, 9, x, y), 94);
  for (int i = 1; i < 8; ++i)
    for (auto [x, y] : {std::pair{i, 0}, {i, 8}, {0, i}, {8, i}}) {
      const int v = Red(img, 9, x, y);
      EXPECT_TRUE(v == 97 || v == 99) << x << "," << y << " = " << v;
    }
  ASSERT_TRUE(RemoveSpeckles(View(img, 9, 9), 7));
  EXPECT_EQ(Red(img, 9, 4, 4), 168);
  ASSERT_TRUE(RemoveSpeckles(View(img, 9, 9), 7));
  EXPECT_EQ(Red(img, 9, 4, 4), 152);
  for (auto [x, y] : {std::pair{3, 4}, {5, 4}, {4, 3}, {4, 5}, {3, 3}, {5, 5}}) {
    const int v = Red(img, 9, x, y);
    EXPECT_GE(v, 101) << x << "," << y;
    EXPECT_LE(v, 105) << x << "," << y;
  }
  for (size_t i = 3; i < img.size(); i += 4) ASSERT_EQ(img[i], 255);  // byte 3 untouched
}

TEST(RemoveSpeckles, NeighbourOf255IsNotDarkenedByIt) {
  auto img = FlatPacked(15, 15, 255);
  SetPacked(img, 15, 7, 7, 254);
  ASSERT_TRUE(RemoveSpeckles(View(img, 15, 15), 7));
  EXPECT_GE(Red(img, 15, 7, 7), 254);
  EXPECT_EQ(Red(img, 15, 6, 7), 255);
}

TEST(RemoveSpeckles, MaskSelectsChannelsAndMissingImageFails) {
  auto img = FlatPacked(9, 9, 100);
  SetPacked(img, 9, 4, 4, 200);
  ASSERT_TRUE(RemoveSpeckles(View(img, 9, 9), 1));
  EXPECT_EQ(img[(4 * 9 + 4) * 4 + 0], 184);
  EXPECT_EQ(img[(4 * 9 + 4) * 4 + 1], 200);
  EXPECT_EQ(img[(4 * 9 + 4) * 4 + 2], 200);
  EXPECT_FALSE(RemoveSpeckles(InterleavedImage{}, 7));
}

// The filter as written down: clamped neighbours, one channel at a time.
uint8_t PlainSharpen(const std::vector<uint8_t>& p, int w, int h, int bpp, int x, int y, int c, int amount) {
  auto at = [&](int xx, int yy) {
    xx = std::clamp(xx, 0, w - 1);
    yy = std::clamp(yy, 0, h - 1);
    return static_cast<int>(p[(static_cast<size_t>(yy) * w + xx) * bpp + c]);
  };
  int s8 = 0;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (dx != 0 || dy != 0) s8 += at(x + dx, y + dy);
  const double e = std::clamp(amount, 0, 100) * 0.005;
  const int t = static_cast<int>(at(x, y) - e * (s8 - 8 * at(x, y)));
  return static_cast<uint8_t>(std::clamp(t, 0, 255));
}

TEST(Sharpen, MatchesThePlainFilterOnAnySize) {
  for (auto [w, h, bpp, mask] : {std::array{1, 1, 4, 7}, {1, 9, 3, 7}, {9, 1, 4, 5}, {37, 23, 4, 7},
                                 {16, 5, 1, 1}, {5, 4, 8, 0xA5}, {300, 230, 4, 7}}) {
    std::vector<uint8_t> src(static_cast<size_t>(w) * h * bpp);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>((i * 97 + (i >> 3) * 31) & 0xFF);
    for (int amount : {8, 63, 100}) {
      std::vector<uint8_t> dst(src.size(), 0xEE);
      const InterleavedImage in{src.data(), w, h, bpp, static_cast<ptrdiff_t>(w) * bpp};
      const InterleavedImage out{dst.data(), w, h, bpp, static_cast<ptrdiff_t>(w) * bpp};
      ASSERT_TRUE(Sharpen(in, out, amount, static_cast<unsigned>(mask)));
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          for (int c = 0; c < bpp; ++c) {
            const uint8_t expected = (mask >> c) & 1 ? PlainSharpen(src, w, h, bpp, x, y, c, amount) : 0xEE;
            ASSERT_EQ(dst[(static_cast<size_t>(y) * w + x) * bpp + c], expected)
                << w << "x" << h << " bpp " << bpp << " at " << x << "," << y << " c " << c;
          }
    }
  }
}

TEST(Filters, SameBytesForAnyThreadCount) {
  const int w = 301, h = 203;
  const auto src = test::NoisyPacked(w, h, 5);
  std::vector<std::vector<uint8_t>> sharpened, despeckled;
  for (int threads : {1, 2, 4}) {
    WorkerPool pool(threads);
    auto in = src;
    auto out = FlatPacked(w, h, 0);
    ASSERT_TRUE(Sharpen(View(in, w, h), View(out, w, h), 37, 7, &pool));
    sharpened.push_back(out);
    ASSERT_TRUE(RemoveSpeckles(View(in, w, h), 7, &pool));
    despeckled.push_back(in);
  }
  EXPECT_EQ(sharpened[0], sharpened[1]);
  EXPECT_EQ(sharpened[0], sharpened[2]);
  EXPECT_EQ(despeckled[0], despeckled[1]);
  EXPECT_EQ(despeckled[0], despeckled[2]);
  EXPECT_NE(despeckled[0], src);
}

}  // namespace
}  // namespace orvane
