#include "engine/wavelet_stream.h"

#include <algorithm>

namespace orvane {
namespace {

// The rows that `count` taps starting at virtual row `start` read from a band of n rows.
RowSpan Reach(int64_t start, int count, int n, LineEnd first, LineEnd last) {
  RowSpan span{n, -1};
  for (int i = 0; i < count; ++i) {
    const int64_t r = ReflectIndex(start + i, n, first, last);
    span.first = std::min(span.first, r);
    span.last = std::max(span.last, r);
  }
  return span;
}

}  // namespace

WaveletStream WaveletGeometry(int width, int height, int levels) {
  WaveletStream s;
  s.levels = levels;
  s.width = width;
  s.height = height;
  s.w[0] = width + 2 * kBlockPad;
  s.h[0] = height + 2 * kBlockPad;
  for (int i = 0; i < levels; ++i) {
    s.w[i + 1] = (s.w[i] + 1) / 2;
    s.h[i + 1] = (s.h[i] + 1) / 2;
  }
  s.firstPair = kBlockPad / 2;
  return s;
}

void BuildWaveletSchedule(WaveletStream& s, int grain, TaskSchedule& schedule) {
  const int levels = s.levels;
  auto grainOf = [&](int k) { return std::max(1, grain >> k); };
  s.load = schedule.addStage(s.h[0], 2 * grain);
  for (int k = 0; k < levels; ++k) s.analysis[k] = schedule.addStage(s.lowRows(k), grainOf(k));
  for (int k = levels - 1; k >= 0; --k) {
    const int64_t pairs = k == 0 ? (s.rowsEnd(0) - 1) / 2 - s.firstPair + 1 : s.lowRows(k);
    s.synthesis[k] = schedule.addStage(pairs, grainOf(k));
  }

  const WaveletStream g = s;  // what the edges' read functions need
  for (int k = 0; k < levels; ++k) {
    const int h = g.h[k];
    const int from = k == 0 ? g.load : g.analysis[k - 1];
    s.analysed[k] = schedule.addEdge(from, g.analysis[k], 1, h, [h](int64_t m) {
      return Reach(2 * m - 4, 9, h, LineEnd::WS, LineEnd::WS);
    });
  }
  auto lowReach = [g](int k) {
    return [g, k](int64_t u) {
      return Reach(g.pairOf(k, u) - 1, 4, g.lowRows(k), LineEnd::WS, g.lowEnd(k));
    };
  };
  for (int k = 0; k < levels; ++k) {
    s.lowRight[k] = schedule.addEdge(g.analysis[k], g.synthesis[k], 1, g.lowRows(k), lowReach(k));
    s.high[k] = schedule.addEdge(g.analysis[k], g.synthesis[k], 1, g.highRows(k), [g, k](int64_t u) {
      return Reach(g.pairOf(k, u) - 2, 5, g.highRows(k), LineEnd::HS, g.highEnd(k));
    });
  }
  s.deepest = schedule.addEdge(g.analysis[levels - 1], g.synthesis[levels - 1], 1,
                               g.lowRows(levels - 1), lowReach(levels - 1));
  for (int k = 1; k < levels; ++k)
    s.rebuilt[k] = schedule.addEdge(g.synthesis[k], g.synthesis[k - 1], 2, g.h[k], lowReach(k - 1));
  s.loaded = schedule.addOrder(g.load, g.synthesis[0], g.h[0], [g](int64_t u) {
    // Padded row r of a block row y is y + pad, and a row below the block reads y again at
    // 2 * height + pad - 1 - y when y is among the last pad rows.
    int64_t last = 0;
    const int64_t first = 2 * g.pairOf(0, u) - kBlockPad;
    for (int64_t y = first; y < std::min<int64_t>(first + 2, g.height); ++y)
      last = std::max(last, y >= g.height - kBlockPad ? 2 * g.height + kBlockPad - 1 - y : y + kBlockPad);
    return RowSpan{0, last};
  });
}

}  // namespace orvane
