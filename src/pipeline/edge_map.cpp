#include "pipeline/edge_map.h"

#include <algorithm>
#include <atomic>
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

namespace {

// Grey values (red + green + blue) / 3 of rows y0 - 1 ... y1 (wrapping around at the top and
// bottom) into grey, rows of width bytes: row y lands at grey + (y - y0 + 1) * width.
void GreyRows(const uint8_t* pixels, int pixelBytes, int width, int height, int64_t y0,
              int64_t y1, uint8_t* grey) {
  for (int64_t y = y0 - 1; y <= y1; ++y) {
    const int64_t from = y < 0 ? height - 1 : (y >= height ? 0 : y);
    const uint8_t* p = pixels + from * width * pixelBytes;
    uint8_t* g = grey + (y - y0 + 1) * width;
    if (pixelBytes == 4) {
      for (int x = 0; x < width; ++x) g[x] = static_cast<uint8_t>((p[4 * x] + p[4 * x + 1] + p[4 * x + 2]) / 3);
    } else {
      for (int x = 0; x < width; ++x) g[x] = static_cast<uint8_t>((p[3 * x] + p[3 * x + 1] + p[3 * x + 2]) / 3);
    }
  }
}

// gx² + gy² of one pixel of the grey row, its neighbours l and r (wrapped by the caller).
inline int SquaredGradient(const uint8_t* prev, const uint8_t* row, const uint8_t* next, int x,
                           int l, int r) {
  const int gx = (2 * (row[r] - row[l]) + (prev[r] - prev[l]) + (next[r] - next[l])) / 8;
  const int gy = (2 * (next[x] - prev[x]) + (next[l] - prev[l]) + (next[r] - prev[r])) / 8;
  return gx * gx + gy * gy;
}

// Squared gradients of one grey row, the picture wrapping around at the left and right; the
// centre pixel is not used. gx and gy lie within -127 ... 127, so the sum fits 16 bits.
void SquaredGradientRow(const uint8_t* prev, const uint8_t* row, const uint8_t* next, int width,
                        uint16_t* out) {
  out[0] = static_cast<uint16_t>(SquaredGradient(prev, row, next, 0, width - 1, width > 1 ? 1 : 0));
  for (int x = 1; x < width - 1; ++x)
    out[x] = static_cast<uint16_t>(SquaredGradient(prev, row, next, x, x - 1, x + 1));
  if (width > 1) out[width - 1] = static_cast<uint16_t>(SquaredGradient(prev, row, next, width - 1, width - 2, 0));
}

// Rows [y0, y1) of squared gradients, one row at a time, handed to use(y, squared row).
// scratch holds EdgeRowsScratchBytes(width, y1 - y0) bytes.
template <typename Use>
void ForSquaredGradientRows(const uint8_t* pixels, int pixelBytes, int width, int height,
                            int64_t y0, int64_t y1, uint8_t* scratch, Use&& use) {
  uint16_t* squared = reinterpret_cast<uint16_t*>(scratch);
  uint8_t* grey = scratch + static_cast<size_t>(width) * sizeof(uint16_t);
  GreyRows(pixels, pixelBytes, width, height, y0, y1, grey);
  for (int64_t y = y0; y < y1; ++y) {
    const uint8_t* row = grey + (y - y0 + 1) * width;
    SquaredGradientRow(row - width, row, row + width, width, squared);
    use(y, squared);
  }
}

}  // namespace

int LargestSquaredGradient(const uint8_t* pixels, int pixelBytes, int width, int height,
                           WorkerPool* pool) {
  if (pixels == nullptr || width <= 0 || height <= 0) return -1;
  const int chunks = pool == nullptr || pool->size() == 1 ? 1 : pool->size() * 4;
  std::vector<int> chunkMax(static_cast<size_t>(chunks), 0);
  std::vector<char> failed(static_cast<size_t>(chunks), 0);
  const int64_t per = (height + chunks - 1) / chunks;
  auto one = [&](int64_t chunk, int) {
    const int64_t y0 = chunk * per, y1 = std::min<int64_t>(y0 + per, height);
    if (y0 >= y1) return;
    auto scratch = TryArray<uint8_t>(EdgeRowsScratchBytes(width, y1 - y0));
    if (!scratch) {
      failed[static_cast<size_t>(chunk)] = 1;
      return;
    }
    int& largest = chunkMax[static_cast<size_t>(chunk)];
    ForSquaredGradientRows(pixels, pixelBytes, width, height, y0, y1, scratch.get(),
                           [&](int64_t, const uint16_t* m) {
      int most = largest;
      for (int x = 0; x < width; ++x) most = m[x] > most ? m[x] : most;
      largest = most;
    });
  };
  if (chunks == 1) {
    one(0, 0);
  } else {
    pool->run(chunks, one);
  }
  if (std::find(failed.begin(), failed.end(), 1) != failed.end()) return -1;
  return *std::max_element(chunkMax.begin(), chunkMax.end());
}

std::vector<uint8_t> EdgeWeightTable(int largest, int edgeThreshold, int nrMode) {
  // No gradient anywhere: every pixel sits at the (equal) strongest edge.
  if (largest <= 0) return std::vector<uint8_t>(1, 0);
  // Strength: the fourth root in double precision, kept in single precision.
  auto strength = [](int v) { return static_cast<float>(std::sqrt(std::sqrt(static_cast<double>(v)))); };
  const float qmax = strength(largest);
  std::vector<uint8_t> weight(static_cast<size_t>(largest) + 1);
  for (int v = 0; v <= largest; ++v) {
    const int o = static_cast<int>(255.0 * (qmax - strength(v)) / qmax);
    weight[static_cast<size_t>(v)] = static_cast<uint8_t>(EdgeWeight(o, edgeThreshold, nrMode));
  }
  return weight;
}

size_t EdgeRowsScratchBytes(int width, int64_t rows) {
  return static_cast<size_t>(width) * (sizeof(uint16_t) + static_cast<size_t>(rows) + 2);
}

void EdgeMapRows(const uint8_t* pixels, int pixelBytes, int width, int height, int64_t y0,
                 int64_t y1, const std::vector<uint8_t>& table, uint8_t* edges, uint8_t* scratch) {
  const uint8_t* weight = table.data();
  const int last = static_cast<int>(table.size()) - 1;
  ForSquaredGradientRows(pixels, pixelBytes, width, height, y0, y1, scratch,
                         [&](int64_t y, const uint16_t* m) {
    uint8_t* e = edges + (y - y0) * width;
    for (int x = 0; x < width; ++x) e[x] = weight[std::min<int>(m[x], last)];
  });
}

bool ComputeEdgeMap(const uint8_t* packed, int width, int height, uint8_t* edges,
                    int edgeThreshold, int nrMode, WorkerPool* pool) {
  if (packed == nullptr || edges == nullptr || width <= 0 || height <= 0) return false;
  const int largest = LargestSquaredGradient(packed, 4, width, height, pool);
  if (largest < 0) return false;
  const std::vector<uint8_t> table = EdgeWeightTable(largest, edgeThreshold, nrMode);
  std::atomic<bool> ok{true};
  ForRows(pool, height, [&](int64_t y0, int64_t y1) {
    auto scratch = TryArray<uint8_t>(EdgeRowsScratchBytes(width, y1 - y0));
    if (!scratch) {
      ok = false;
      return;
    }
    EdgeMapRows(packed, 4, width, height, y0, y1, table, edges + y0 * width, scratch.get());
  });
  return ok.load();
}

namespace {

// Which formula composes a pixel, in the order the rules are tried.
enum class Rule { kEdgeWindow, kPortrait, kSharpened, kEdges, kProcessed };

// One row of the composition by one rule; F has PB bytes per pixel, O and S four.
template <int PB, Rule R, bool Noise>
void ComposeRow(int width, const uint8_t* __restrict__ f, const uint8_t* __restrict__ o,
                const uint8_t* __restrict__ s, const uint8_t* __restrict__ e,
                const uint8_t* __restrict__ src, uint8_t* __restrict__ out) {
  for (int x = 0; x < width; ++x) {
    const uint8_t* fp = f + PB * x;
    int v[3];
    if constexpr (R == Rule::kEdgeWindow) {
      v[0] = 255 - e[x];
      v[1] = fp[1] >> 2;
      v[2] = fp[2] >> 2;
    } else if constexpr (R == Rule::kPortrait) {
      // Dark pixels lean to the processed value, bright ones to the unprocessed.
      int sw = static_cast<int>(255.0 - (0.44 * fp[0] + 0.3 * fp[1] + 0.26 * fp[2]));
      if (sw < 0) sw = 0;
      const int ew = e[x];
      for (int k = 0; k < 3; ++k) {
        const int m = (sw * fp[k] + (255 - sw) * o[4 * x + k]) >> 8;
        v[k] = (m * ew + (255 - ew) * s[4 * x + k]) >> 8;
      }
    } else if constexpr (R == Rule::kSharpened) {
      const int ew = e[x];
      for (int k = 0; k < 3; ++k) v[k] = (fp[k] * ew + s[4 * x + k] * (255 - ew)) >> 8;
    } else if constexpr (R == Rule::kEdges) {
      const int ew = e[x];
      for (int k = 0; k < 3; ++k) v[k] = (o[4 * x + k] * (255 - ew) + fp[k] * ew) >> 8;
    } else {
      for (int k = 0; k < 3; ++k) v[k] = fp[k];
    }
    if constexpr (Noise) {
      for (int k = 0; k < 3; ++k) {
        const int d = std::abs(v[k] - src[3 * x + k]) * 10;
        v[k] = d > 255 ? 255 : d;
      }
    }
    for (int k = 0; k < 3; ++k) out[3 * x + k] = static_cast<uint8_t>(v[k]);
  }
}

// Rows [y0, y1) of the composition by one rule.
template <int PB, Rule R, bool Noise>
void ComposeRowsBy(const Composition& c, int64_t y0, int64_t y1) {
  for (int64_t y = y0; y < y1; ++y) {
    const int64_t rowStart = y * c.width;
    const ptrdiff_t at = (c.top + y) * c.imageStride + static_cast<ptrdiff_t>(c.left) * 3;
    ComposeRow<PB, R, Noise>(c.width, c.processed + rowStart * PB,
                             c.unprocessed != nullptr ? c.unprocessed + rowStart * 4 : nullptr,
                             c.sharpened != nullptr ? c.sharpened + rowStart * 4 : nullptr,
                             c.edges != nullptr ? c.edges + rowStart : nullptr,
                             Noise ? c.source + at : nullptr, c.result + at);
  }
}

template <int PB, Rule R>
void ComposeRowsWindow(const Composition& c, int64_t y0, int64_t y1) {
  if (c.outputWindow == kOutputNoise && c.source != nullptr) {
    ComposeRowsBy<PB, R, true>(c, y0, y1);
  } else {
    ComposeRowsBy<PB, R, false>(c, y0, y1);
  }
}

// Rows [y0, y1) of the composition; F has PB bytes per pixel.
template <int PB>
void ComposeRows(const Composition& c, int64_t y0, int64_t y1) {
  const bool e = c.edges != nullptr, s = c.sharpened != nullptr, o = c.unprocessed != nullptr;
  if (e && c.outputWindow == kOutputEdges) {
    ComposeRowsWindow<PB, Rule::kEdgeWindow>(c, y0, y1);
  } else if (e && s && c.nrMode == kModePortrait && o) {
    ComposeRowsWindow<PB, Rule::kPortrait>(c, y0, y1);
  } else if (e && s) {
    ComposeRowsWindow<PB, Rule::kSharpened>(c, y0, y1);
  } else if (e && o) {
    ComposeRowsWindow<PB, Rule::kEdges>(c, y0, y1);
  } else {
    ComposeRowsWindow<PB, Rule::kProcessed>(c, y0, y1);
  }
}

}  // namespace

void ComposeResult(const Composition& c, WorkerPool* pool) {
  if (c.processed == nullptr || c.result == nullptr || c.width <= 0 || c.height <= 0) return;
  ForRows(pool, c.height, [&](int64_t y0, int64_t y1) {
    if (c.processedBytes == 3) {
      ComposeRows<3>(c, y0, y1);
    } else {
      ComposeRows<4>(c, y0, y1);
    }
  });
}

}  // namespace orvane
