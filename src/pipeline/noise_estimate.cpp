#include "pipeline/noise_estimate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "base/worker_pool.h"
#include "imagefile/raster_image.h"

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
  bool usable = false;
};

// One step of the Haar transform (orthonormal, so that white noise keeps its spread in every
// band): the three detail bands' magnitudes and the w/2 x h/2 grid of averages.
struct Bands {
  std::vector<float> diag, horiz, vert, all;
};

void Split(const std::vector<float>& grid, int w, int h, Bands& bands, std::vector<float>& next) {
  const int bw = w / 2, bh = h / 2;
  bands.diag.clear(), bands.horiz.clear(), bands.vert.clear();
  next.assign(static_cast<size_t>(bw) * bh, 0.f);
  for (int by = 0; by < bh; ++by)
    for (int bx = 0; bx < bw; ++bx) {
      const float* q = &grid[static_cast<size_t>(2 * by) * w + 2 * bx];
      const float a = q[0], b = q[1], c = q[w], d = q[w + 1];
      bands.diag.push_back(0.5f * std::abs(a - b - c + d));
      bands.horiz.push_back(0.5f * std::abs(a + b - c - d));
      bands.vert.push_back(0.5f * std::abs(a - b + c - d));
      next[static_cast<size_t>(by) * bw + bx] = 0.5f * (a + b + c + d);
    }
  bands.all = bands.diag;
  bands.all.insert(bands.all.end(), bands.horiz.begin(), bands.horiz.end());
  bands.all.insert(bands.all.end(), bands.vert.begin(), bands.vert.end());
}

class TileMeter {
 public:
  // One channel of one tile (tw x th pixels from p, pixel step 3, row step stride).
  TileFigures measure(const uint8_t* p, int tw, int th, int64_t stride) {
    TileFigures f;
    grid_.resize(static_cast<size_t>(tw) * th);
    int clipped = 0;
    for (int y = 0; y < th; ++y)
      for (int x = 0; x < tw; ++x) {
        const uint8_t v = p[y * stride + 3 * x];
        clipped += v == 0 || v == 255;
        grid_[static_cast<size_t>(y) * tw + x] = v;
      }
    if (tw < 4 || th < 4 || clipped > kClippedShare * tw * th) return f;
    Split(grid_, tw, th, finest_, next_);
    Split(next_, tw / 2, th / 2, coarser_, grid_);
    f.diagonal = Spread(finest_.diag);
    f.fine = std::max(Spread(finest_.horiz), Spread(finest_.vert));
    f.coarse = Spread(coarser_.all);
    f.usable = true;
    return f;
  }

 private:
  std::vector<float> grid_, next_;
  Bands finest_, coarser_;
};

// The level for noise of a standard deviation: measured best levels of the default settings on
// photographs with added Gaussian noise (see noise_calibration in bench/), interpolated.
struct LevelPoint {
  double sigma, level;
};
constexpr std::array<LevelPoint, 9> kLevelTable = {{
    {0, 0}, {3, 3}, {5, 8}, {10, 19.5}, {15, 32}, {20, 46}, {25, 60}, {30, 74}, {40, 100},
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

NoiseEstimate EstimateNoise(const uint8_t* rgb, int width, int height, WorkerPool* pool) {
  NoiseEstimate e;
  if (rgb == nullptr || width < 4 || height < 4) return e;
  const int64_t stride = static_cast<int64_t>(width) * 3;
  const int tilesX = std::max(1, width / kTile), tilesY = std::max(1, height / kTile);
  const int tw = std::min(width, kTile) & ~1, th = std::min(height, kTile) & ~1;
  // Every step-th tile in each direction, so that at most kMaxTiles are measured.
  const int64_t all = static_cast<int64_t>(tilesX) * tilesY;
  int step = 1;
  while (all / (static_cast<int64_t>(step) * step) > kMaxTiles) ++step;

  // The tiles' noise figures per channel, a row of tiles at a time.
  struct Row {
    std::vector<double> quiet[3], every[3];
    int used = 0, seen = 0;
  };
  std::vector<Row> rows(static_cast<size_t>((tilesY - step / 2 + step - 1) / step));
  const double g2 = kTextureGrowth * kTextureGrowth;
  auto measureRow = [&](int64_t index, TileMeter& meter) {
    Row& row = rows[static_cast<size_t>(index)];
    const int ty = step / 2 + static_cast<int>(index) * step;
    for (int tx = step / 2; tx < tilesX; tx += step) {
      ++row.seen;
      bool any = false;
      for (int c = 0; c < 3; ++c) {
        const uint8_t* p = rgb + static_cast<int64_t>(ty) * kTile * stride +
                           static_cast<int64_t>(tx) * kTile * 3 + c;
        const TileFigures f = meter.measure(p, tw, th, stride);
        if (!f.usable) continue;
        const double r = f.coarse / std::max(f.diagonal, 0.25);
        const double noise = f.diagonal * std::sqrt(std::max(0.0, (g2 - r * r) / (g2 - 1)));
        row.every[c].push_back(noise);
        if (f.fine <= kQuietFine * std::max(f.diagonal, kQuietFloor)) {
          row.quiet[c].push_back(noise);
          any = true;
        }
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

  double sumSquares = 0;
  for (int c = 0; c < 3; ++c) {
    std::vector<double> quiet, every;
    for (const Row& row : rows) {
      quiet.insert(quiet.end(), row.quiet[c].begin(), row.quiet[c].end());
      every.insert(every.end(), row.every[c].begin(), row.every[c].end());
    }
    // Too few quiet tiles: a picture of edges or texture from side to side. Its quietest tiles
    // tell the most about the noise.
    const bool enough = quiet.size() >= std::max<size_t>(4, every.size() / 50);
    std::vector<double>& v = enough ? quiet : every;
    if (v.empty()) continue;
    auto at = v.begin() + static_cast<std::ptrdiff_t>(enough ? v.size() / 2 : v.size() / 10);
    std::nth_element(v.begin(), at, v.end());
    e.channelSigma[c] = *at;
    sumSquares += *at * *at;
  }
  for (const Row& row : rows) e.tilesUsed += row.used, e.tilesSeen += row.seen;
  e.sigma = std::sqrt(sumSquares / 3);
  e.level = NoiseLevelForSigma(e.sigma);
  return e;
}

double EstimateNoiseLevel(const RasterImage& picture, NoiseEstimate* detail, int threads) {
  if (picture.IsEmpty()) return -1;
  const RasterImage* rgb = &picture;
  RasterImage widened;
  if (picture.bitsPerPixel != 24) {
    if (picture.ToTrueColour(widened) != kOk) return -1;
    rgb = &widened;
  }
  WorkerPool pool(threads > 0 ? threads : DefaultThreadCount());
  const NoiseEstimate e = EstimateNoise(rgb->Pixels(), rgb->Width(), rgb->Height(), &pool);
  if (detail != nullptr) *detail = e;
  return std::round(e.level * 2) / 2;
}

}  // namespace orvane
