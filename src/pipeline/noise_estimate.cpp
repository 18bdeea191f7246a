#include "pipeline/noise_estimate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "base/worker_pool.h"
#include "imagefile/raster_image.h"
#include "pipeline/edge_map.h"

namespace orvane {
namespace {

constexpr int kTile = 32;                  // pixels; 16 x 16 finest coefficients per band
constexpr int kMaxTiles = 4096;            // tiles measured at most, spread over the picture
constexpr double kMadToSigma = 1.4826;     // 1 / 0.6745
// Noise spreads evenly over the detail bands. A tile whose horizontal or vertical detail is
// stronger than this times its diagonal detail holds an edge or a gradient.
constexpr double kQuietFine = 1.3;
// A tile with less detail than this (in 8-bit steps) is quiet whatever its bands say: below it
// lie flat areas with faint noise, and flat areas whose finest noise JPEG has flattened.
constexpr double kQuietFloor = 3.0;
// Texture gains strength towards coarser scales, noise does not. Taking texture to be at most
// this much stronger one scale up, the coarser band tells how much of the diagonal detail is
// texture: its share is removed, and a tile whose coarser detail is this much stronger still
// holds no measurable noise.
constexpr double kTextureGrowth = 3.0;
constexpr double kClippedShare = 0.1;
// The colour test. Picture detail moves the three channels together; sensor noise is drawn
// for each channel apart. The part of a channel's finest detail that the other two do not
// share is noise, texture taken out (see OwnDetail). On noise alone that figure reads 1/1.04
// of the detail's.
constexpr double kOwnToSigma = 1.04;
// Noise can be shared by the channels too: JPEG stores colour at half resolution, and scanners
// and in-camera processing mix the channels. Then a flat tile shows fine detail like noise's
// (not stronger one scale up, kNoiseLikeGrowth) that the colour test finds almost all shared
// (own detail below kSharedOwn of it). Such tiles appear in clean photographs too, on fine grey
// texture (at most 2% of the tile channels of the calibration photographs, 3% in a JPEG of one),
// but shared noise of sigma 10 or 20 covers 10 to 91% of them, and grey noise 99%. From
// kSharedFrom to kSharedTo of the picture the figures go over from the colour test's to the
// detail's alone.
constexpr double kNoiseLikeGrowth = 1.3;
constexpr double kSharedOwn = 0.25;
constexpr double kSharedMinNoise = 1.5;
constexpr double kSharedFrom = 0.02, kSharedTo = 0.05;
// Photo mode: below this typical sigma a picture counts as clean; the level for a sigma.
constexpr double kPhotoMinSigma = 0.5;
constexpr double kPhotoLevelPerSigma = 1.0;
// The noise over the lower quartile of tiles' noise figures: with it the calibration
// photographs' Gaussian noise reads its sigma (median 0.99 of it).
constexpr double kLowerQuartileToSigma = 1.07;

// Robust spread of values around zero.
double Spread(std::vector<float>& v) {
  if (v.empty()) return 0;
  auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
  std::nth_element(v.begin(), mid, v.end());
  return kMadToSigma * *mid;
}

// What one channel of one tile shows at one scale.
struct TileFigures {
  double diagonal = 0;   // noise figure from the diagonal band
  double fine = 0;       // the stronger of the horizontal and vertical bands
  double coarse = 0;     // the three bands one scale coarser
  double mean = 0;       // the tile's mean value
  bool usable = false;
  bool clipped = false;  // measured, but mostly clipped to black or white
};

// One step of the Haar transform (orthonormal, so that white noise keeps its spread in every
// band): the three detail bands' magnitudes and the w/2 x h/2 grid of averages.
struct Bands {
  std::vector<float> diag, horiz, vert, all;
  std::vector<float> signedDiag;  // the diagonal detail itself, for the colour test
};

void Split(const std::vector<float>& grid, int w, int h, Bands& bands, std::vector<float>& next) {
  const int bw = w / 2, bh = h / 2;
  bands.diag.clear(), bands.horiz.clear(), bands.vert.clear(), bands.signedDiag.clear();
  next.assign(static_cast<size_t>(bw) * bh, 0.f);
  for (int by = 0; by < bh; ++by)
    for (int bx = 0; bx < bw; ++bx) {
      const float* q = &grid[static_cast<size_t>(2 * by) * w + 2 * bx];
      const float a = q[0], b = q[1], c = q[w], d = q[w + 1];
      bands.signedDiag.push_back(0.5f * (a - b - c + d));
      bands.diag.push_back(std::abs(bands.signedDiag.back()));
      bands.horiz.push_back(0.5f * std::abs(a + b - c - d));
      bands.vert.push_back(0.5f * std::abs(a - b + c - d));
      next[static_cast<size_t>(by) * bw + bx] = 0.5f * (a + b + c + d);
    }
  bands.all = bands.diag;
  bands.all.insert(bands.all.end(), bands.horiz.begin(), bands.horiz.end());
  bands.all.insert(bands.all.end(), bands.vert.begin(), bands.vert.end());
}

// The largest eigenvalue of a symmetric 3 x 3 matrix and its unit eigenvector (Jacobi
// rotations, until what is off the diagonal is rounding).
double LargestEigen(const double m[3][3], double vector[3]) {
  double a[3][3], v[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) a[i][j] = m[i][j];
  constexpr int kPairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  const double scale = std::abs(a[0][0]) + std::abs(a[1][1]) + std::abs(a[2][2]) + 1e-30;
  for (int sweep = 0; sweep < 8; ++sweep) {
    if (std::abs(a[0][1]) + std::abs(a[0][2]) + std::abs(a[1][2]) < 1e-14 * scale) break;
    for (const auto& pair : kPairs) {
      const int p = pair[0], q = pair[1];
      if (std::abs(a[p][q]) < 1e-12) continue;
      const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
      const double t = (theta >= 0 ? 1.0 : -1.0) / (std::abs(theta) + std::sqrt(theta * theta + 1));
      const double c = 1 / std::sqrt(t * t + 1), s = t * c;
      for (int k = 0; k < 3; ++k) {
        const double kp = a[k][p], kq = a[k][q];
        a[k][p] = c * kp - s * kq, a[k][q] = s * kp + c * kq;
      }
      for (int k = 0; k < 3; ++k) {
        const double pk = a[p][k], qk = a[q][k];
        a[p][k] = c * pk - s * qk, a[q][k] = s * pk + c * qk;
      }
      for (int k = 0; k < 3; ++k) {
        const double kp = v[k][p], kq = v[k][q];
        v[k][p] = c * kp - s * kq, v[k][q] = s * kp + c * kq;
      }
    }
  }
  int top = 0;
  for (int i = 1; i < 3; ++i)
    if (a[i][i] > a[top][top]) top = i;
  for (int k = 0; k < 3; ++k) vector[k] = v[k][top];
  return a[top][top];
}

// The spread of each channel's finest diagonal detail that the other two channels do not
// share. The three channels' detail is taken as one common part, which changes the channels in
// fixed proportions (texture, shading, edges), plus a part of each channel's own (noise): its
// covariance C = a a^T + D with D diagonal, fitted by principal axis factoring from what the
// other two channels do not predict. Returns sqrt(D) per channel.
void OwnDetail(const std::vector<float> (&detail)[3], double own[3]) {
  const size_t n = detail[0].size();
  double c[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j <= i; ++j) {
      double sum = 0;
      for (size_t k = 0; k < n; ++k) sum += static_cast<double>(detail[i][k]) * detail[j][k];
      c[i][j] = c[j][i] = sum / static_cast<double>(std::max<size_t>(n, 1)) + (i == j ? 0.01 : 0.0);
    }
  // What the other two do not predict: det C / the minor of the channel's own entry.
  const double det = c[0][0] * (c[1][1] * c[2][2] - c[1][2] * c[2][1]) -
                     c[0][1] * (c[1][0] * c[2][2] - c[1][2] * c[2][0]) +
                     c[0][2] * (c[1][0] * c[2][1] - c[1][1] * c[2][0]);
  double d[3];
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3, k = (i + 2) % 3;
    const double minor = c[j][j] * c[k][k] - c[j][k] * c[k][j];
    d[i] = minor > 0 ? std::clamp(det / minor, 0.0, c[i][i]) : c[i][i];
  }
  for (int iteration = 0; iteration < 8; ++iteration) {
    double shared[3][3], v[3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) shared[i][j] = c[i][j] - (i == j ? d[i] : 0.0);
    const double lambda = std::max(0.0, LargestEigen(shared, v));
    for (int i = 0; i < 3; ++i) d[i] = std::max(0.0, c[i][i] - lambda * v[i] * v[i]);
  }
  for (int i = 0; i < 3; ++i) own[i] = std::sqrt(d[i]);
}

class TileMeter {
 public:
  // One channel of one tile (tw x th pixels from p, pixel step 3, row step stride); its finest
  // diagonal detail is kept for ownDetail.
  TileFigures measure(const uint8_t* p, int tw, int th, int64_t stride, int channel) {
    TileFigures f;
    grid_.resize(static_cast<size_t>(tw) * th);
    int clipped = 0;
    int64_t sum = 0;
    for (int y = 0; y < th; ++y)
      for (int x = 0; x < tw; ++x) {
        const uint8_t v = p[y * stride + 3 * x];
        clipped += v == 0 || v == 255;
        sum += v;
        grid_[static_cast<size_t>(y) * tw + x] = v;
      }
    f.mean = static_cast<double>(sum) / (static_cast<double>(tw) * th);
    detail_[channel].clear();
    if (tw < 4 || th < 4) return f;
    Split(grid_, tw, th, finest_, next_);
    detail_[channel] = finest_.signedDiag;
    Split(next_, tw / 2, th / 2, coarser_, grid_);
    f.diagonal = Spread(finest_.diag);
    f.fine = std::max(Spread(finest_.horiz), Spread(finest_.vert));
    f.coarse = Spread(coarser_.all);
    f.clipped = clipped > kClippedShare * tw * th;
    f.usable = !f.clipped;
    return f;
  }

  // The three channels of the tile last measured (each at least 4 x 4 pixels).
  void ownDetail(double own[3]) const { OwnDetail(detail_, own); }

 private:
  std::vector<float> grid_, next_;
  Bands finest_, coarser_;
  std::vector<float> detail_[3];
};

// The level for noise of a standard deviation: measured best levels of the default settings on
// photographs with added Gaussian noise (see noise_calibration in bench/), interpolated.
struct LevelPoint {
  double sigma, level;
};
constexpr std::array<LevelPoint, 9> kLevelTable = {{
    {0, 0}, {3, 3}, {5, 8.5}, {10, 20.5}, {15, 34.5}, {20, 48}, {25, 62.5}, {30, 81}, {40, 100},
}};

}  // namespace

double NoiseLevelForSigma(double sigma) {
  if (!(sigma > 0)) return 0;
  for (size_t i = 1; i < kLevelTable.size(); ++i) {
    const LevelPoint lo = kLevelTable[i - 1], hi = kLevelTable[i];
    if (sigma <= hi.sigma)
      return lo.level + (hi.level - lo.level) * (sigma - lo.sigma) / (hi.sigma - lo.sigma);
  }
  const LevelPoint a = kLevelTable[kLevelTable.size() - 2], b = kLevelTable.back();
  return std::min(100.0, b.level + (b.level - a.level) * (sigma - b.sigma) / (b.sigma - a.sigma));
}

namespace {

// What the sampled tiles show, per channel, in the order the tiles were visited.
struct TileSample {
  double mean = 0;    // the tile's mean value in this channel
  double noise = 0;   // its noise figure, texture taken out; meaningful when usable
  double detail = 0;  // the figure from the detail alone (noise before SettleFigures)
  double own = 0;     // the colour test's figure: the detail the other channels do not share
  bool usable = false;
  bool clipped = false;  // left out for its clipping (figures as if usable)
  bool quiet = false;
  bool shared = false;  // looks like noise, but the channels share it
};

struct TileSamples {
  std::vector<TileSample> channel[3];
  int used = 0, seen = 0;
};

// The tiles' noise figures: the detail's, unless the colour test finds less. Pictures whose
// noise the channels share (see kSharedFrom) keep the detail's.
void SettleFigures(TileSamples& tiles) {
  int64_t usable = 0, shared = 0;
  for (const auto& v : tiles.channel)
    for (const TileSample& t : v) usable += t.usable, shared += t.usable && t.shared;
  const double share = usable > 0 ? static_cast<double>(shared) / static_cast<double>(usable) : 0;
  const double colour = std::clamp((kSharedTo - share) / (kSharedTo - kSharedFrom), 0.0, 1.0);
  for (auto& v : tiles.channel)
    for (TileSample& t : v)
      if (t.usable)
        t.noise = colour * std::min(t.detail, kOwnToSigma * t.own) + (1 - colour) * t.detail;
}

TileSamples MeasureTiles(const uint8_t* rgb, int width, int height, WorkerPool* pool) {
  TileSamples all;
  const int64_t stride = static_cast<int64_t>(width) * 3;
  const int tilesX = std::max(1, width / kTile), tilesY = std::max(1, height / kTile);
  const int tw = std::min(width, kTile) & ~1, th = std::min(height, kTile) & ~1;
  // Every step-th tile in each direction, so that at most kMaxTiles are measured.
  const int64_t count = static_cast<int64_t>(tilesX) * tilesY;
  int step = 1;
  while (count / (static_cast<int64_t>(step) * step) > kMaxTiles) ++step;

  // A row of tiles at a time.
  std::vector<TileSamples> rows(static_cast<size_t>((tilesY - step / 2 + step - 1) / step));
  const double g2 = kTextureGrowth * kTextureGrowth;
  auto measureRow = [&](int64_t index, TileMeter& meter) {
    TileSamples& row = rows[static_cast<size_t>(index)];
    const int ty = step / 2 + static_cast<int>(index) * step;
    for (int tx = step / 2; tx < tilesX; tx += step) {
      ++row.seen;
      bool any = false;
      TileFigures f[3];
      for (int c = 0; c < 3; ++c) {
        const uint8_t* p = rgb + static_cast<int64_t>(ty) * kTile * stride +
                           static_cast<int64_t>(tx) * kTile * 3 + c;
        f[c] = meter.measure(p, tw, th, stride, c);
      }
      double own[3] = {};
      bool measured = false;
      for (const TileFigures& figures : f) measured = measured || figures.usable || figures.clipped;
      if (measured) meter.ownDetail(own);
      for (int c = 0; c < 3; ++c) {
        TileSample t;
        t.mean = f[c].mean;
        if (f[c].usable || f[c].clipped) {
          const double r = f[c].coarse / std::max(f[c].diagonal, 0.25);
          t.detail = f[c].diagonal * std::sqrt(std::max(0.0, (g2 - r * r) / (g2 - 1)));
          t.noise = t.detail;
          t.own = own[c];
          t.usable = f[c].usable;
          t.clipped = f[c].clipped;
          t.quiet = f[c].fine <= kQuietFine * std::max(f[c].diagonal, kQuietFloor);
          t.shared = t.quiet && r <= kNoiseLikeGrowth && t.detail >= kSharedMinNoise &&
                     t.own < kSharedOwn * t.detail;
          any = any || (t.usable && t.quiet);
        }
        row.channel[c].push_back(t);
      }
      row.used += any;
    }
  };
  if (pool != nullptr && pool->size() > 1) {
    std::vector<TileMeter> meters(static_cast<size_t>(pool->size()));
    pool->run(static_cast<int64_t>(rows.size()),
              [&](int64_t index, int worker) { measureRow(index, meters[static_cast<size_t>(worker)]); });
  } else {
    TileMeter meter;
    for (size_t i = 0; i < rows.size(); ++i) measureRow(static_cast<int64_t>(i), meter);
  }
  for (const TileSamples& row : rows) {
    for (int c = 0; c < 3; ++c)
      all.channel[c].insert(all.channel[c].end(), row.channel[c].begin(), row.channel[c].end());
    all.used += row.used, all.seen += row.seen;
  }
  // Noise strong enough to clip a tenth of every tile in every channel is still noise: with
  // nothing else to go by the clipped tiles are measured. Clipping takes part of the noise with
  // it, so they read low, but far from clean.
  bool anyUsable = false;
  for (const auto& v : all.channel)
    for (const TileSample& t : v) anyUsable = anyUsable || t.usable;
  if (!anyUsable) {
    all.used = 0;
    for (size_t i = 0; i < all.channel[0].size(); ++i) {
      bool quiet = false;
      for (auto& v : all.channel) {
        v[i].usable = v[i].clipped;
        quiet = quiet || (v[i].usable && v[i].quiet);
      }
      all.used += quiet;
    }
  }
  SettleFigures(all);
  return all;
}

// The channel's noise: the median over the quiet tiles, or, with too few of them (a picture
// of edges or texture from side to side), the quietest tenth of all, which tells the most.
double ChannelNoiseFigure(const std::vector<TileSample>& tiles) {
  std::vector<double> quiet, every;
  for (const TileSample& t : tiles) {
    if (!t.usable) continue;
    every.push_back(t.noise);
    if (t.quiet) quiet.push_back(t.noise);
  }
  const bool enough = quiet.size() >= std::max<size_t>(4, every.size() / 50);
  std::vector<double>& v = enough ? quiet : every;
  if (v.empty()) return 0;
  auto at = v.begin() + static_cast<std::ptrdiff_t>(enough ? v.size() / 2 : v.size() / 10);
  std::nth_element(v.begin(), at, v.end());
  return *at;
}

}  // namespace

namespace {

PictureNoise FitPictureNoise(const TileSamples& tiles) {
  PictureNoise result;
  bool measured[3] = {};
  for (int c = 0; c < 3; ++c) {
    const std::vector<TileSample>& v = tiles.channel[c];
    // The quiet tiles by brightness: the lower quartile of each band's noise figures, which
    // leans to the flattest tiles (texture only adds to a figure) and, scaled, is the noise.
    constexpr int kBands = 8;
    std::vector<double> band[kBands];
    std::vector<double> bandMean[kBands];
    for (const TileSample& t : v) {
      // Noise near black or white is partly clipped away and reads low.
      if (!t.usable || !t.quiet || t.mean < 2 * t.noise || t.mean > 255 - 2 * t.noise) continue;
      const int b = std::clamp(static_cast<int>(t.mean * kBands / 256), 0, kBands - 1);
      band[b].push_back(t.noise);
      bandMean[b].push_back(t.mean);
    }
    // Fit variance = gain * value + floor through the bands' medians, weighted by how many
    // tiles each band holds.
    double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    int bandsUsed = 0;
    const size_t minTiles = 4;
    for (int b = 0; b < kBands; ++b) {
      if (band[b].size() < minTiles) continue;
      auto at = band[b].begin() + static_cast<std::ptrdiff_t>(band[b].size() / 4);
      std::nth_element(band[b].begin(), at, band[b].end());
      const double sigma = *at * kLowerQuartileToSigma;
      double m = 0;
      for (double x : bandMean[b]) m += x;
      m /= static_cast<double>(bandMean[b].size());
      const double w = std::sqrt(static_cast<double>(band[b].size()));
      sw += w, sx += w * m, sy += w * sigma * sigma, sxx += w * m * m, sxy += w * m * sigma * sigma;
      ++bandsUsed;
    }
    ChannelNoise& model = result.model.channel[c];
    const double overall = ChannelNoiseFigure(v);
    if (bandsUsed >= 2 && sw * sxx - sx * sx > 1e-9) {
      model.gain = (sw * sxy - sx * sy) / (sw * sxx - sx * sx);
      model.floor = (sy - model.gain * sx) / sw;
      if (model.gain < 0) model.gain = 0, model.floor = sy / sw;
      if (model.floor < 0) {
        model.gain = sxy / std::max(sxx, 1e-9);
        model.floor = 0;
      }
    } else {
      model.gain = 0;
      model.floor = overall * overall;
    }
    measured[c] = std::any_of(v.begin(), v.end(), [](const TileSample& t) { return t.usable; });
  }
  // A channel clipped in every tile (dark blue under strong noise) tells nothing of its noise,
  // which is not nothing: it takes the others' model.
  ChannelNoise others;
  const int count = measured[0] + measured[1] + measured[2];
  for (int c = 0; c < 3; ++c)
    if (measured[c]) {
      others.gain += result.model.channel[c].gain / count;
      others.floor += result.model.channel[c].floor / count;
    }
  for (int c = 0; c < 3; ++c)
    if (!measured[c] && count > 0) result.model.channel[c] = others;
  // The typical noise: the root mean square over the picture's tiles and channels; for the
  // level, the fourth root of the mean squared variance, which leans to where the noise is
  // strongest, as a single level's error does.
  double variance = 0, squared = 0;
  int64_t n = 0;
  for (int c = 0; c < 3; ++c)
    for (const TileSample& t : tiles.channel[c]) {
      const double s = result.model.channel[c].sigmaAt(t.mean);
      variance += s * s, squared += s * s * s * s;
      ++n;
    }
  if (n > 0) {
    result.sigma = std::sqrt(variance / static_cast<double>(n));
    result.levelSigma = std::sqrt(std::sqrt(squared / static_cast<double>(n)));
  }
  return result;
}

}  // namespace

PictureNoise MeasurePictureNoise(const uint8_t* rgb, int width, int height, WorkerPool* pool) {
  if (rgb == nullptr || width < 4 || height < 4) return PictureNoise{};
  return FitPictureNoise(MeasureTiles(rgb, width, height, pool));
}

NoiseEstimate EstimateNoise(const uint8_t* rgb, int width, int height, WorkerPool* pool) {
  NoiseEstimate e;
  if (rgb == nullptr || width < 4 || height < 4) return e;
  const TileSamples tiles = MeasureTiles(rgb, width, height, pool);
  double sumSquares = 0;
  for (int c = 0; c < 3; ++c) {
    e.channelSigma[c] = ChannelNoiseFigure(tiles.channel[c]);
    sumSquares += e.channelSigma[c] * e.channelSigma[c];
  }
  e.tilesUsed = tiles.used, e.tilesSeen = tiles.seen;
  e.sigma = std::sqrt(sumSquares / 3);
  // The level suits the noise where most of the picture is, not its darkest quiet parts.
  const PictureNoise picture = FitPictureNoise(tiles);
  e.typicalSigma = picture.sigma;
  e.levelSigma = picture.levelSigma;
  e.level = NoiseLevelForSigma(e.levelSigma);
  return e;
}

NoiseModel PhotoNoiseShape(const PictureNoise& noise) {
  NoiseModel shape;
  if (!(noise.sigma >= kPhotoMinSigma)) {
    for (ChannelNoise& c : shape.channel) c = {0, 1};
    return shape;
  }
  const double v = noise.sigma * noise.sigma;
  for (int c = 0; c < 3; ++c)
    shape.channel[c] = {noise.model.channel[c].gain / v, noise.model.channel[c].floor / v};
  return shape;
}

double PhotoNoiseLevel(const PictureNoise& noise) {
  return noise.sigma >= kPhotoMinSigma ? std::min(100.0, noise.sigma * kPhotoLevelPerSigma) : 0;
}

namespace {

// The picture as 24-bit pixels: itself, or widened into `widened`; null when it cannot be.
const RasterImage* TrueColour(const RasterImage& picture, RasterImage& widened) {
  if (picture.IsEmpty()) return nullptr;
  if (picture.BitsPerPixel() == 24) return &picture;
  return picture.ToTrueColour(widened) == kOk ? &widened : nullptr;
}

}  // namespace

double AutomaticNoiseLevel(const RasterImage& picture, int nrMode, int threads) {
  if (nrMode != kModePhoto) {
    const double level = EstimateNoiseLevel(picture, nullptr, threads);
    // The engine's threshold is four times the level in High Noise mode.
    return level >= 0 && nrMode == kModeHighNoise ? level / 4 : level;
  }
  RasterImage widened;
  const RasterImage* rgb = TrueColour(picture, widened);
  if (rgb == nullptr) return -1;
  WorkerPool pool(threads > 0 ? threads : DefaultThreadCount());
  return PhotoNoiseLevel(MeasurePictureNoise(rgb->Pixels(), rgb->Width(), rgb->Height(), &pool));
}

double EstimateNoiseLevel(const RasterImage& picture, NoiseEstimate* detail, int threads) {
  RasterImage widened;
  const RasterImage* rgb = TrueColour(picture, widened);
  if (rgb == nullptr) return -1;
  WorkerPool pool(threads > 0 ? threads : DefaultThreadCount());
  const NoiseEstimate e = EstimateNoise(rgb->Pixels(), rgb->Width(), rgb->Height(), &pool);
  if (detail != nullptr) *detail = e;
  return std::round(e.level * 2) / 2;
}

}  // namespace orvane
