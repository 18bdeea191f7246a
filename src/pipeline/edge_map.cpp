#include "pipeline/edge_map.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/worker_pool.h"

namespace orvane {
namespace {

template <typename T>
std::unique_ptr<T[]> TryArray(size_t count) {
  try {
    return std::make_unique_for_overwrite<T[]>(count);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

int EdgeWeight(int o, int edgeThreshold, int nrMode) {
  if (o > 255 - edgeThreshold) o = 255;
  const double gain = static_cast<double>(nrMode == kModeNature ? 12.0f : 1.6f);
  double t = (255 - o) * gain;
  if (t > 255.0) t = 255.0;
  return static_cast<int>(255.0 - t);
}

bool ComputeEdgeMap(const uint8_t* packed, int width, int height, uint8_t* edges,
                    int edgeThreshold, int nrMode, WorkerPool* pool) {
  if (packed == nullptr || edges == nullptr || width <= 0 || height <= 0) return false;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  auto grey = TryArray<uint8_t>(count);
  // gx and gy lie within -127 ... 127, so gx² + gy² fits 16 bits; the strength is a function of
  // it, which lets every per-pixel step after the gradient be a table look-up.
  auto squared = TryArray<uint16_t>(count);
  if (!grey || !squared) return false;

  ForRows(pool, height, [&](int64_t y0, int64_t y1) {
    for (int64_t y = y0; y < y1; ++y) {
      const uint8_t* p = packed + y * width * 4;
      uint8_t* g = grey.get() + y * width;
      for (int x = 0; x < width; ++x) g[x] = static_cast<uint8_t>((p[4 * x] + p[4 * x + 1] + p[4 * x + 2]) / 3);
    }
  });

  // Gradient with the picture wrapping around at all four sides; the centre pixel is not used.
  const int chunks = pool == nullptr ? 1 : pool->size() * 4;
  std::vector<int> chunkMax(static_cast<size_t>(std::max(chunks, 1)), 0);
  auto gradientRows = [&](int64_t y0, int64_t y1, int& largest) {
    for (int64_t y = y0; y < y1; ++y) {
      const uint8_t* row = grey.get() + y * width;
      const uint8_t* prev = grey.get() + (y == 0 ? height - 1 : y - 1) * static_cast<int64_t>(width);
      const uint8_t* next = grey.get() + (y == height - 1 ? 0 : y + 1) * static_cast<int64_t>(width);
      uint16_t* m = squared.get() + y * width;
      for (int x = 0; x < width; ++x) {
        const int l = x == 0 ? width - 1 : x - 1;
        const int r = x == width - 1 ? 0 : x + 1;
        const int gx = (2 * (row[r] - row[l]) + (prev[r] - prev[l]) + (next[r] - next[l])) / 8;
        const int gy = (2 * (next[x] - prev[x]) + (next[l] - prev[l]) + (next[r] - prev[r])) / 8;
        const int v = gx * gx + gy * gy;
        m[x] = static_cast<uint16_t>(v);
        largest = v > largest ? v : largest;
      }
    }
  };
  if (pool == nullptr || pool->size() == 1) {
    gradientRows(0, height, chunkMax[0]);
  } else {
    const int64_t per = (height + chunks - 1) / chunks;
    pool->run(chunks, [&](int64_t chunk, int) {
      const int64_t y0 = chunk * per, y1 = std::min<int64_t>(y0 + per, height);
      if (y0 < y1) gradientRows(y0, y1, chunkMax[static_cast<size_t>(chunk)]);
    });
  }
  int largest = 0;
  for (int v : chunkMax) largest = std::max(largest, v);

  if (largest == 0) {
    // No gradient anywhere: every pixel sits at the (equal) strongest edge.
    std::memset(edges, 0, count);
    return true;
  }
  // Strength: the fourth root in double precision, kept in single precision.
  auto strength = [](int v) { return static_cast<float>(std::sqrt(std::sqrt(static_cast<double>(v)))); };
  const float qmax = strength(largest);
  std::vector<uint8_t> weight(static_cast<size_t>(largest) + 1);
  for (int v = 0; v <= largest; ++v) {
    const int o = static_cast<int>(255.0 * (qmax - strength(v)) / qmax);
    weight[static_cast<size_t>(v)] = static_cast<uint8_t>(EdgeWeight(o, edgeThreshold, nrMode));
  }
  ForRows(pool, height, [&](int64_t y0, int64_t y1) {
    for (int64_t i = y0 * width; i < y1 * width; ++i) edges[i] = weight[squared[i]];
  });
  return true;
}

void ComposeResult(const Composition& c, WorkerPool* pool) {
  if (c.processed == nullptr || c.result == nullptr || c.width <= 0 || c.height <= 0) return;
  const bool edgeWindow = c.edges != nullptr && c.outputWindow == kOutputEdges;
  const bool noiseWindow = c.outputWindow == kOutputNoise && c.source != nullptr;
  ForRows(pool, c.height, [&](int64_t y0, int64_t y1) {
    for (int64_t y = y0; y < y1; ++y) {
      const int64_t rowStart = y * c.width;
      const uint8_t* f = c.processed + rowStart * 4;
      const uint8_t* o = c.unprocessed != nullptr ? c.unprocessed + rowStart * 4 : nullptr;
      const uint8_t* s = c.sharpened != nullptr ? c.sharpened + rowStart * 4 : nullptr;
      const uint8_t* e = c.edges != nullptr ? c.edges + rowStart : nullptr;
      uint8_t* out = c.result + (c.top + y) * c.imageStride + static_cast<ptrdiff_t>(c.left) * 3;
      const uint8_t* src =
          noiseWindow ? c.source + (c.top + y) * c.imageStride + static_cast<ptrdiff_t>(c.left) * 3
                      : nullptr;
      for (int x = 0; x < c.width; ++x) {
        const uint8_t* fp = f + 4 * x;
        int v[3];
        if (edgeWindow) {
          v[0] = 255 - e[x];
          v[1] = fp[1] >> 2;
          v[2] = fp[2] >> 2;
        } else if (e != nullptr && s != nullptr && c.nrMode == kModePortrait && o != nullptr) {
          // Dark pixels lean to the processed value, bright ones to the unprocessed.
          int sw = static_cast<int>(255.0 - (0.44 * fp[0] + 0.3 * fp[1] + 0.26 * fp[2]));
          if (sw < 0) sw = 0;
          const int ew = e[x];
          for (int k = 0; k < 3; ++k) {
            const int m = (sw * fp[k] + (255 - sw) * o[4 * x + k]) >> 8;
            v[k] = (m * ew + (255 - ew) * s[4 * x + k]) >> 8;
          }
        } else if (e != nullptr && s != nullptr) {
          const int ew = e[x];
          for (int k = 0; k < 3; ++k) v[k] = (fp[k] * ew + s[4 * x + k] * (255 - ew)) >> 8;
        } else if (e != nullptr && o != nullptr) {
          const int ew = e[x];
          for (int k = 0; k < 3; ++k) v[k] = (o[4 * x + k] * (255 - ew) + fp[k] * ew) >> 8;
        } else {
          for (int k = 0; k < 3; ++k) v[k] = fp[k];
        }
        if (src != nullptr) {
          for (int k = 0; k < 3; ++k) {
            const int d = std::abs(v[k] - src[3 * x + k]) * 10;
            v[k] = d > 255 ? 255 : d;
          }
        }
        for (int k = 0; k < 3; ++k) out[3 * x + k] = static_cast<uint8_t>(v[k]);
      }
    }
  });
}

}  // namespace orvane
