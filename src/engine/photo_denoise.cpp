#include "engine/photo_denoise.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <vector>

#include "base/worker_pool.h"
#include "engine/photo_kernels.h"

namespace orvane {

double ChannelNoise::sigmaAt(double v) const {
  const double variance = gain * v + floor;
  return variance > 0 ? std::sqrt(variance) : 0.0;
}

namespace {

constexpr int kB = 8;                   // block side
constexpr int kStripe = 64;             // rows of output one task accumulates
// Grid steps of the two passes: the pilot is as good on a coarser grid (measured: 0.002 dB).
constexpr int kPilotStep = 3;
constexpr int kFinalStep = 2;
// The second pass over the colour differences: half the time of the step above for 0.06 dB.
constexpr int kChromaStep = 4;
constexpr float kHardThreshold = 2.7f;  // pilot pass: coefficients below this many sigmas go

const float kRoot3 = 0.57735026918962576f;   // 1/sqrt(3)
const float kRoot2 = 0.70710678118654752f;   // 1/sqrt(2)
const float kRoot6 = 0.40824829046386302f;   // 1/sqrt(6)

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

int Mirror(int x, int n) {
  while (x < 0 || x >= n) x = x < 0 ? -x - 1 : 2 * n - x - 1;
  return x;
}

// Three float planes over one rectangle of region coordinates.
struct Planes {
  Rect area;
  int w = 0, h = 0;
  float* data = nullptr;
  // Takes the memory from store, which grows when it is too small.
  bool allocate(const Rect& r, PhotoScratch::Store& store) {
    area = r;
    w = r.width(), h = r.height();
    const size_t n = static_cast<size_t>(w) * h * 3;
    if (store.size < n) {
      store.data.reset();
      store.data.reset(new (std::nothrow) float[n]);
      store.size = store.data ? n : 0;
    }
    data = store.data.get();
    return data != nullptr;
  }
  float* plane(int c) { return data + static_cast<size_t>(c) * w * h; }
  PhotoPlanes view() {
    PhotoPlanes v;
    for (int c = 0; c < 3; ++c) v.plane[c] = plane(c);
    v.left = area.left, v.top = area.top, v.stride = w;
    return v;
  }
};

// Sums of weighted block estimates over a stripe of rows, for the three planes.
struct Accumulator {
  std::vector<float> sum, weight;
  // Prepares rows [top, top + rows) of columns [left, left + width) in pass.
  void reset(PhotoBlockPass& pass, int left, int top, int width, int rows) {
    const size_t n = static_cast<size_t>(width) * rows;
    sum.assign(n * 3, 0.f);
    weight.assign(n * 3, 0.f);
    for (int c = 0; c < 3; ++c) pass.sum[c] = sum.data() + c * n, pass.weight[c] = weight.data() + c * n;
    pass.accLeft = left, pass.accTop = top, pass.accRows = rows, pass.accStride = width;
  }
};

class Denoiser {
 public:
  Denoiser(const PhotoDenoiseParams& p, PhotoScratch& scratch) : params_(p), scratch_(scratch) {}

  int run(const uint8_t* src, uint8_t* dst, int width, int height, int64_t stride, const Rect& out) {
    const Rect padded{out.left - kPhotoHalo, out.top - kPhotoHalo, out.right + kPhotoHalo,
                      out.bottom + kPhotoHalo};
    const Rect pilotArea{out.left - kB, out.top - kB, out.right + kB, out.bottom + kB};
    if (!noisy_.allocate(padded, scratch_.noisy) || !pilot_.allocate(padded, scratch_.pilot))
      return NR_OUT_OF_MEMORY;
    noisyView_ = noisy_.view();
    pilotView_ = pilot_.view();
    WorkerPool pool(params_.threads > 0 ? params_.threads : DefaultThreadCount());
    fillPlanes(src, width, height, stride, pool);

    const int pilotStripes = (pilotArea.height() + kStripe - 1) / kStripe;
    const int finalStripes = (out.height() + kStripe - 1) / kStripe;
    const int batch = std::max(1, pool.size() * 2);
    const int total = (pilotStripes + batch - 1) / batch + (finalStripes + batch - 1) / batch;
    int step = 0;
    std::vector<Accumulator> acc(static_cast<size_t>(pool.size()));

    auto pass = [&](int stripes, auto&& body) -> bool {
      for (int first = 0; first < stripes; first += batch) {
        const int n = std::min(batch, stripes - first);
        pool.run(n, [&](int64_t i, int worker) {
          body(first + static_cast<int>(i), acc[static_cast<size_t>(worker)]);
        });
        ++step;
        if (params_.progress != nullptr && params_.progress(step, total, params_.progressContext))
          return false;
      }
      return true;
    };

    if (!pass(pilotStripes, [&](int s, Accumulator& a) { pilotStripe(pilotArea, s, a); }))
      return NR_CANCELLED;
    if (!pass(finalStripes, [&](int s, Accumulator& a) { finalStripe(out, s, a, dst, stride); }))
      return NR_CANCELLED;
    return NR_OK;
  }

 private:
  void fillPlanes(const uint8_t* src, int width, int height, int64_t stride, WorkerPool& pool) {
    const Rect& r = noisy_.area;
    std::vector<int> columns(static_cast<size_t>(r.width()));
    for (int x = r.left; x < r.right; ++x) columns[static_cast<size_t>(x - r.left)] = Mirror(x, width);
    ForRows(&pool, r.height(), [&](int64_t y0, int64_t y1) {
      for (int64_t yy = y0; yy < y1; ++yy) {
        const uint8_t* row = src + Mirror(r.top + static_cast<int>(yy), height) * stride;
        float* p0 = noisy_.plane(0) + yy * r.width();
        float* p1 = noisy_.plane(1) + yy * r.width();
        float* p2 = noisy_.plane(2) + yy * r.width();
        for (int x = 0; x < r.width(); ++x) {
          const uint8_t* px = row + columns[static_cast<size_t>(x)] * 4;
          const float red = px[0], green = px[1], blue = px[2];
          p0[x] = (red + green + blue) * kRoot3;
          p1[x] = (red - blue) * kRoot2;
          p2[x] = (red - 2 * green + blue) * kRoot6;
        }
      }
    });
  }

  // Block positions on a grid of this step that touch [lo, hi).
  static void GridRange(int lo, int hi, int gridStep, int& first, int& last) {
    first = FloorDiv(lo - kB + 1 + gridStep - 1, gridStep) * gridStep;
    last = FloorDiv(hi - 1, gridStep) * gridStep;
  }

  PhotoBlockPass passOver(int left, int right, int y0, int y1, int gridStep, Accumulator& a) {
    PhotoBlockPass pass;
    pass.noisy = &noisyView_;
    pass.model = &params_.noise;
    pass.strength = params_.strength;
    pass.hardThreshold = kHardThreshold;
    pass.step = gridStep;
    GridRange(left, right, gridStep, pass.bx0, pass.bx1);
    GridRange(y0, y1, gridStep, pass.by0, pass.by1);
    a.reset(pass, left - kB, y0, right - left + 2 * kB, y1 - y0);
    return pass;
  }

  void pilotStripe(const Rect& area, int s, Accumulator& a) {
    const int y0 = area.top + s * kStripe, y1 = std::min(area.bottom, y0 + kStripe);
    const PhotoBlockPass pass = passOver(area.left, area.right, y0, y1, kPilotStep, a);
    kernels_.pilotPass(pass);
    for (int c = 0; c < 3; ++c)
      for (int y = y0; y < y1; ++y) {
        float* p = pilot_.plane(c) + static_cast<size_t>(y - pilot_.area.top) * pilot_.w +
                   (area.left - pilot_.area.left);
        const int64_t base = (y - y0) * pass.accStride + kB;
        const float* sum = pass.sum[c] + base;
        const float* wgt = pass.weight[c] + base;
        for (int x = 0; x < area.width(); ++x) p[x] = sum[x] / wgt[x];
      }
  }

  void finalStripe(const Rect& out, int s, Accumulator& a, uint8_t* dst, int64_t stride) {
    const int y0 = out.top + s * kStripe, y1 = std::min(out.bottom, y0 + kStripe);
    PhotoBlockPass pass = passOver(out.left, out.right, y0, y1, kFinalStep, a);
    pass.pilot = &pilotView_;
    // Luminance on the fine grid; the colour differences, smoother, on a coarser one.
    pass.endPlane = 1;
    kernels_.wienerPass(pass);
    PhotoBlockPass chroma = pass;
    chroma.step = kChromaStep;
    GridRange(out.left, out.right, kChromaStep, chroma.bx0, chroma.bx1);
    GridRange(y0, y1, kChromaStep, chroma.by0, chroma.by1);
    chroma.firstPlane = 1, chroma.endPlane = 3;
    kernels_.wienerPass(chroma);
    for (int y = y0; y < y1; ++y) {
      uint8_t* row = dst + static_cast<int64_t>(y) * stride + static_cast<int64_t>(out.left) * 4;
      const int64_t base = (y - y0) * pass.accStride + kB;
      for (int x = 0; x < out.width(); ++x) {
        const int64_t i = base + x;
        const float lum = pass.sum[0][i] / pass.weight[0][i] * kRoot3;
        const float c1 = pass.sum[1][i] / pass.weight[1][i] * kRoot2;
        const float c2 = pass.sum[2][i] / pass.weight[2][i] * kRoot6;
        const float rgb[3] = {lum + c1 + c2, lum - 2 * c2, lum - c1 + c2};
        for (int c = 0; c < 3; ++c)
          row[4 * x + c] = static_cast<uint8_t>(std::clamp(rgb[c], 0.f, 255.f) + 0.5f);
      }
    }
  }

  const PhotoDenoiseParams& params_;
  PhotoScratch& scratch_;
  const PhotoKernels& kernels_ = SelectPhotoKernels();
  Planes noisy_, pilot_;
  PhotoPlanes noisyView_, pilotView_;
};

}  // namespace

int PhotoDenoise(const uint8_t* src, uint8_t* dst, int width, int height, int64_t stride,
                 const Rect& out, const PhotoDenoiseParams& params, PhotoScratch* scratch) {
  if (src == nullptr || dst == nullptr || src == dst || width <= 0 || height <= 0 ||
      stride < static_cast<int64_t>(width) * 4 || out.left < 0 || out.top < 0 ||
      out.right > width || out.bottom > height || out.left >= out.right || out.top >= out.bottom ||
      !(params.strength >= 0))
    return NR_INVALID_PARAMETER;
  if (params.strength == 0) {
    for (int y = out.top; y < out.bottom; ++y)
      for (int x = out.left; x < out.right; ++x)
        for (int c = 0; c < 3; ++c) dst[y * stride + 4 * x + c] = src[y * stride + 4 * x + c];
    return NR_OK;
  }
  try {
    PhotoScratch own;
    Denoiser d(params, scratch != nullptr ? *scratch : own);
    return d.run(src, dst, width, height, stride, out);
  } catch (const std::bad_alloc&) {
    return NR_OUT_OF_MEMORY;
  }
}

}  // namespace orvane
