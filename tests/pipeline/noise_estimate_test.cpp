#include "pipeline/noise_estimate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

#include "document_fixtures.h"
#include "base/worker_pool.h"
#include "imagefile/raster_image.h"

namespace orvane {
namespace {

constexpr int kW = 512, kH = 384;

// A clean "photograph": smooth shading, a few hard-edged shapes in other colours, a sky.
std::vector<uint8_t> CleanScene() {
  std::vector<uint8_t> p(static_cast<size_t>(kW) * kH * 3);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      double rgb[3] = {90 + 0.2 * x, 120 + 0.15 * y, 160 - 0.1 * x};
      if (y < kH / 4) rgb[0] = 150, rgb[1] = 190, rgb[2] = 235;                        // sky
      if (std::hypot(x - 300, y - 200) < 70) rgb[0] = 210, rgb[1] = 60, rgb[2] = 40;     // disc
      if (x > 60 && x < 180 && y > 220 && y < 330) rgb[0] = 30, rgb[1] = 40, rgb[2] = 50;  // box
      uint8_t* d = &p[(static_cast<size_t>(y) * kW + x) * 3];
      for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(std::lround(rgb[c]));
    }
  return p;
}

// Strong texture with no noise: sums of waves at several scales and directions, as bark, cloth or
// foliage have, with an amplitude far above any noise below.
std::vector<uint8_t> TexturedScene(double amplitude = 1) {
  std::vector<uint8_t> p(static_cast<size_t>(kW) * kH * 3);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const double t = 25 * std::sin(x * 0.9 + 2 * std::sin(y * 0.21)) + 20 * std::sin(y * 0.7 + x * 0.33) +
                       15 * std::sin((x + y) * 0.45) + 12 * std::sin(x * 0.17 - y * 0.52);
      uint8_t* d = &p[(static_cast<size_t>(y) * kW + x) * 3];
      for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(std::lround(128 + amplitude * t * (1 - 0.2 * c)));
    }
  return p;
}

// Fine texture with no noise, as foliage far away or gravel: detail at the scale of single
// pixels (part of it white, part smoothed over a pixel's neighbours) that changes the three
// channels together in the proportions of the surface's colour, over smooth shading. Measured on
// its detail alone it reads as noise of sigma 6.
std::vector<uint8_t> FineTexture() {
  std::mt19937 rng(11);
  std::normal_distribution<double> gauss(0, 1);
  std::vector<double> field(static_cast<size_t>(kW + 2) * (kH + 2)), white(static_cast<size_t>(kW) * kH);
  for (double& v : field) v = gauss(rng);
  for (double& v : white) v = gauss(rng);
  auto at = [&](int x, int y) { return field[static_cast<size_t>(y + 1) * (kW + 2) + x + 1]; };
  std::vector<double> t(white.size());
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const double smooth = (2 * at(x, y) + at(x - 1, y) + at(x + 1, y) + at(x, y - 1) + at(x, y + 1)) / 6;
      // The smoothed field's spread is sqrt(8) / 6 of the white one's.
      t[static_cast<size_t>(y) * kW + x] = 0.3 * white[static_cast<size_t>(y) * kW + x] + 0.7 * smooth * 6 / std::sqrt(8.0);
    }
  std::vector<uint8_t> p(static_cast<size_t>(kW) * kH * 3);
  const double gains[3] = {0.7, 1.0, 0.5};
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const double base[3] = {60 + 0.1 * x, 100 + 0.1 * y, 50 + 0.05 * x};
      const double v = 18 * t[static_cast<size_t>(y) * kW + x];
      uint8_t* d = &p[(static_cast<size_t>(y) * kW + x) * 3];
      for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(std::clamp(std::lround(base[c] + gains[c] * v), 0L, 255L));
    }
  return p;
}

// Gaussian noise; scale gives each channel's standard deviation for a pixel value.
template <typename Scale>
std::vector<uint8_t> WithNoise(std::vector<uint8_t> p, Scale scale, unsigned seed = 5) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> gauss(0, 1);
  for (size_t i = 0; i < p.size(); ++i) {
    const long v = std::lround(p[i] + scale(static_cast<int>(i % 3), p[i]) * gauss(rng));
    p[i] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
  }
  return p;
}

std::vector<uint8_t> WithNoise(const std::vector<uint8_t>& p, double sigma) {
  return WithNoise(p, [sigma](int, int) { return sigma; });
}

// Noise that the three channels share: one draw per pixel, added to red, green and blue alike.
std::vector<uint8_t> WithSharedNoise(std::vector<uint8_t> p, double sigma) {
  std::mt19937 rng(8);
  std::normal_distribution<double> gauss(0, sigma);
  for (size_t i = 0; i < p.size(); i += 3) {
    const double n = gauss(rng);
    for (size_t c = 0; c < 3; ++c) p[i + c] = static_cast<uint8_t>(std::clamp(std::lround(p[i + c] + n), 0L, 255L));
  }
  return p;
}

NoiseEstimate Estimate(const std::vector<uint8_t>& p) { return EstimateNoise(p.data(), kW, kH); }

// The picture saved as JPEG and read back into `back`. fullChroma false: the colour stored at
// half resolution, as cameras store it.
bool SavedAsJpeg(const std::vector<uint8_t>& p, int quality, bool fullChroma, RasterImage& back) {
  test::TempFolder dir;
  RasterImage img;
  if (img.Create(kW, kH, 24) != kOk) return false;
  std::copy(p.begin(), p.end(), img.Pixels());
  img.jpegQuality = quality;
  img.jpegFullChroma = fullChroma;
  const std::string path = dir.path("picture.jpg");
  return img.Save(path) == kOk && back.Load(path) == kOk;
}

TEST(NoiseEstimate, KnownNoiseIsMeasuredWithinFifteenPercent) {
  const std::vector<uint8_t> clean = CleanScene(), textured = TexturedScene(0.5);
  for (double sigma : {3.0, 5.0, 10.0, 20.0, 30.0}) {
    EXPECT_NEAR(Estimate(WithNoise(clean, sigma)).sigma, sigma, 0.15 * sigma) << sigma;
    // Texture under the noise does not add to it. (Weak noise in strong texture is measured
    // low, which keeps the texture: the safe side.)
    if (sigma >= 10) {
      EXPECT_NEAR(Estimate(WithNoise(textured, sigma)).sigma, sigma, 0.15 * sigma) << "textured " << sigma;
    }
    EXPECT_LE(Estimate(WithNoise(textured, sigma)).sigma, 1.1 * sigma) << "textured " << sigma;
  }
  // Spread over threads, the same figures.
  const std::vector<uint8_t> noisy = WithNoise(clean, 7.0);
  WorkerPool pool(3);
  const NoiseEstimate alone = Estimate(noisy), shared = EstimateNoise(noisy.data(), kW, kH, &pool);
  EXPECT_EQ(alone.sigma, shared.sigma);
  EXPECT_EQ(alone.tilesUsed, shared.tilesUsed);
  EXPECT_EQ(alone.tilesSeen, shared.tilesSeen);
}

TEST(NoiseEstimate, CleanAndTexturedPicturesGetALowLevel) {
  for (const auto& picture : {CleanScene(), TexturedScene()}) {
    const NoiseEstimate e = Estimate(picture);
    EXPECT_LT(e.sigma, 1.5);
    EXPECT_LE(e.level, 4);
  }
}

// Texture at the scale of single pixels looks like noise to the detail of one channel; the
// colour test sees that the channels share it. Noise over it is still measured.
TEST(NoiseEstimate, FineTextureIsNotNoise) {
  const std::vector<uint8_t> texture = FineTexture();
  const NoiseEstimate clean = Estimate(texture);
  EXPECT_LT(clean.levelSigma, 1.0);
  EXPECT_LE(clean.level, 1.0);
  EXPECT_LT(PhotoNoiseLevel(MeasurePictureNoise(texture.data(), kW, kH)), 1.0);
  // (Measured on the detail alone: 5.9, and 7.5 with noise of sigma 5.)
  for (double sigma : {5.0, 10.0, 20.0}) {
    const NoiseEstimate e = Estimate(WithNoise(texture, sigma));
    EXPECT_NEAR(e.levelSigma, sigma, 0.12 * sigma) << sigma;
    EXPECT_NEAR(e.channelSigma[1], sigma, 0.2 * sigma) << sigma;
  }
}

// Noise the channels share (JPEG's colour at half resolution, grey noise) escapes the colour
// test; over most of a picture it is taken for what it is.
TEST(NoiseEstimate, NoiseTheChannelsShare) {
  for (double sigma : {4.0, 8.0, 16.0}) {
    const NoiseEstimate e = Estimate(WithSharedNoise(CleanScene(), sigma));
    EXPECT_NEAR(e.levelSigma, sigma, 0.15 * sigma) << sigma;
  }
  RasterImage back;
  ASSERT_TRUE(SavedAsJpeg(WithNoise(CleanScene(), 12.0), 90, false, back));
  // What JPEG left of the noise: about 0.6 of it, most of it in the brightness.
  NoiseEstimate e;
  EXPECT_GE(EstimateNoiseLevel(back, &e), NoiseLevelForSigma(6));
  EXPECT_LE(e.levelSigma, 12);
}

TEST(NoiseEstimate, ColourNoiseAndBrightnessDependentNoise) {
  // Red twice as noisy as green and blue.
  const NoiseEstimate red = Estimate(WithNoise(CleanScene(), [](int c, int) { return c == 0 ? 16.0 : 8.0; }));
  EXPECT_NEAR(red.channelSigma[0], 16, 2.4);
  EXPECT_NEAR(red.channelSigma[1], 8, 1.2);
  EXPECT_NEAR(red.channelSigma[2], 8, 1.2);
  EXPECT_NEAR(red.sigma, std::sqrt((256 + 64 + 64) / 3.0), 1.7);
  // Noise growing with brightness, as a sensor's: the figure lies within the picture's range.
  const NoiseEstimate shot =
      Estimate(WithNoise(CleanScene(), [](int, int v) { return 12 * std::sqrt((v + 8) / 128.0); }));
  EXPECT_GT(shot.sigma, 12 * std::sqrt(38 / 128.0));
  EXPECT_LT(shot.sigma, 12 * std::sqrt(243 / 128.0));
}

// Photo mode's model: variance = gain * value + floor per channel, and the typical sigma over
// the picture. Flat and textured pictures, Gaussian and brightness-dependent noise.
TEST(NoiseEstimate, ModelOfNoiseByBrightness) {
  struct Case {
    const char* name;
    std::vector<uint8_t> clean;
    double gain, floor;
  };
  const Case cases[] = {
      {"flat, Gaussian", CleanScene(), 0, 100},
      {"textured, Gaussian", TexturedScene(0.3), 0, 144},
      {"flat, grows with brightness", CleanScene(), 1.5, 16},
      {"textured, grows with brightness", TexturedScene(0.3), 1.5, 16},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> noisy =
        WithNoise(c.clean, [&](int, int v) { return std::sqrt(c.gain * v + c.floor); });
    const PictureNoise n = MeasurePictureNoise(noisy.data(), kW, kH);
    // The typical sigma: the modelled noise over the picture's own values.
    double sum = 0;
    for (uint8_t v : c.clean) sum += c.gain * v + c.floor;
    const double typical = std::sqrt(sum / static_cast<double>(c.clean.size()));
    EXPECT_NEAR(n.sigma, typical, 0.15 * typical) << c.name;
    // At a dark and a bright value of the picture the model is within a fifth of the noise.
    std::vector<uint8_t> values = c.clean;
    std::sort(values.begin(), values.end());
    const double dark = values[values.size() / 10], bright = values[values.size() * 9 / 10];
    for (int ch = 0; ch < 3; ++ch) {
      for (double v : {dark, bright}) {
        const double want = std::sqrt(c.gain * v + c.floor);
        EXPECT_NEAR(n.model.channel[ch].sigmaAt(v), want, 0.2 * want) << c.name << " at " << v;
      }
    }
    // The classic modes' figure leans to the strongest noise: the typical sigma for Gaussian
    // noise, more for noise that grows with brightness.
    if (c.gain == 0) {
      EXPECT_NEAR(n.levelSigma, n.sigma, 0.03 * n.sigma) << c.name;
    } else {
      EXPECT_GT(n.levelSigma, n.sigma) << c.name;
    }
    // The level follows the typical sigma, and the shape it scales has a typical sigma of 1.
    EXPECT_NEAR(PhotoNoiseLevel(n), n.sigma, 0.5) << c.name;
    const NoiseModel shape = PhotoNoiseShape(n);
    EXPECT_NEAR(shape.channel[1].sigmaAt(128) * n.sigma, n.model.channel[1].sigmaAt(128), 1e-9);
  }
  // A clean picture reads as clean, and its shape is even.
  const std::vector<uint8_t> clean = CleanScene();
  const PictureNoise none = MeasurePictureNoise(clean.data(), kW, kH);
  EXPECT_LT(PhotoNoiseLevel(none), 1.0);
  EXPECT_EQ(PhotoNoiseShape(none).channel[0].sigmaAt(0), PhotoNoiseShape(none).channel[0].sigmaAt(255));
}

// Strong noise clips a channel that is near black all over in every tile; what that channel's
// noise is cannot be measured there, but it is not nothing.
TEST(NoiseEstimate, AChannelClippedEverywhereTakesTheOthersModel) {
  std::vector<uint8_t> dark = CleanScene();
  for (size_t i = 2; i < dark.size(); i += 3) dark[i] = 6;
  const std::vector<uint8_t> noisy = WithNoise(dark, 25.0);
  const PictureNoise n = MeasurePictureNoise(noisy.data(), kW, kH);
  EXPECT_NEAR(n.model.channel[2].sigmaAt(128), 25, 4);
  EXPECT_NEAR(n.sigma, 25, 4);
  EXPECT_NEAR(Estimate(noisy).levelSigma, 25, 4);
}

// Noise so strong that it clips a tenth of every tile in every channel is measured on those
// tiles: it reads low, but never as a clean picture.
TEST(NoiseEstimate, NoiseClippingEveryTileStillReadsAsNoise) {
  for (const double sigma : {70.0, 85.0, 120.0}) {
    const std::vector<uint8_t> grey = WithNoise(std::vector<uint8_t>(size_t{kW} * kH * 3, 128), sigma);
    const std::vector<uint8_t> scene = WithNoise(CleanScene(), sigma);
    for (const auto* p : {&grey, &scene}) {
      const NoiseEstimate e = Estimate(*p);
      EXPECT_GT(e.sigma, 40) << sigma;
      EXPECT_LE(e.sigma, sigma) << sigma;
      EXPECT_GT(e.tilesUsed, 0) << sigma;
      EXPECT_EQ(NoiseLevelForSigma(e.levelSigma), 100) << sigma;
    }
  }
  // A picture clipped flat is still clean.
  const std::vector<uint8_t> black(size_t{kW} * kH * 3, 0);
  EXPECT_EQ(Estimate(black).sigma, 0);
}

// One rule for "Auto" and --level auto: High Noise mode's engine threshold is four times the
// level, Photo mode's level is the typical sigma.
TEST(NoiseEstimate, AutomaticLevelForEachMode) {
  const std::vector<uint8_t> noisy = WithNoise(CleanScene(), 12.0);
  RasterImage img;
  ASSERT_EQ(img.Create(kW, kH, 24), kOk);
  std::copy(noisy.begin(), noisy.end(), img.Pixels());
  const double classic = AutomaticNoiseLevel(img, kModeDefault);
  EXPECT_EQ(classic, EstimateNoiseLevel(img));
  EXPECT_EQ(AutomaticNoiseLevel(img, kModeNature), classic);
  EXPECT_EQ(AutomaticNoiseLevel(img, kModeHighNoise), classic / 4);
  EXPECT_NEAR(AutomaticNoiseLevel(img, kModePhoto), 12, 1.5);
  EXPECT_EQ(AutomaticNoiseLevel(RasterImage{}, kModePhoto), -1);
}

// JPEG removes much of the finest noise; what it leaves still asks for denoising, and the level
// stays below the one for the same noise uncompressed.
TEST(NoiseEstimate, JpegCompressedNoise) {
  const std::vector<uint8_t> noisy = WithNoise(CleanScene(), 12.0);
  RasterImage back;
  ASSERT_TRUE(SavedAsJpeg(noisy, 85, true, back));
  NoiseEstimate e;
  const double level = EstimateNoiseLevel(back, &e);
  EXPECT_GE(level, 8);
  EXPECT_LE(level, NoiseLevelForSigma(Estimate(noisy).sigma) + 2);
}

TEST(NoiseEstimate, LevelTableAndOddPictures) {
  EXPECT_EQ(NoiseLevelForSigma(0), 0);
  EXPECT_EQ(NoiseLevelForSigma(-1), 0);
  EXPECT_EQ(NoiseLevelForSigma(1000), 100);
  double previous = 0;
  for (double s = 0.5; s < 60; s += 0.5) {
    EXPECT_GE(NoiseLevelForSigma(s), previous) << s;
    previous = NoiseLevelForSigma(s);
  }
  // Tiny pictures, a picture narrower than a tile, an empty one and a palette picture.
  const std::vector<uint8_t> noise = WithNoise(std::vector<uint8_t>(40 * 40 * 3, 128), 10.0);
  EXPECT_EQ(EstimateNoise(noise.data(), 1, 1).sigma, 0);
  EXPECT_EQ(EstimateNoise(nullptr, 40, 40).sigma, 0);
  EXPECT_NEAR(EstimateNoise(noise.data(), 40, 40).sigma, 10, 3);
  EXPECT_NEAR(EstimateNoise(noise.data(), 7, 200).sigma, 10, 4);
  RasterImage empty;
  EXPECT_EQ(EstimateNoiseLevel(empty), -1);
  RasterImage grey;
  ASSERT_EQ(grey.Create(64, 64, 8), kOk);
  std::fill(grey.Pixels(), grey.Pixels() + 64 * 64, 0);
  EXPECT_EQ(EstimateNoiseLevel(grey), 0);
}

}  // namespace
}  // namespace orvane
