// The streamed transform of one plane: its sizes, its stages and the rows they pass on.
//
// Instead of decomposing the whole plane level by level and then rebuilding it, every level
// works at once on a band of rows that moves down the plane:
//
//   load       row r of the padded plane, read from the pixels, row analysis
//   analysis k output row m of level k: column analysis of nine analysed rows; the detail rows
//              are thresholded and kept for the synthesis, the low-low row is analysed as a row
//              of level k + 1 (at the last level it is thresholded and kept)
//   synthesis k  rows 2s and 2s + 1 of level k: column synthesis from the rows of level k + 1
//              rebuilt so far and the detail rows of level k, then row synthesis; level 0
//              rounds its rows to bytes
//
// A row is kept only while a later stage may still read it, in a ring of rows per edge, so the
// working memory is a band of rows per level rather than the whole plane.
#pragma once

#include <cstdint>

#include "engine/task_schedule.h"
#include "engine/wavelet_1d.h"

namespace orvane {

inline constexpr int kMaxLevels = 5;

struct WaveletStream {
  int levels = 0;
  int width = 0;   // the block
  int height = 0;
  int w[kMaxLevels + 1] = {};  // samples per row of each level's plane (w[0]: padded block)
  int h[kMaxLevels + 1] = {};  // rows of each level's plane
  int64_t firstPair = 0;       // the first pair of rows of level 0 that holds block rows

  // Stages.
  int load = -1;
  int analysis[kMaxLevels] = {};
  int synthesis[kMaxLevels] = {};  // the last stage is synthesis[0]
  // Edges.
  int analysed[kMaxLevels] = {};   // rows of level k after row analysis, read by analysis k
  int lowRight[kMaxLevels] = {};   // the right part of the low rows of analysis k (low-high band)
  int high[kMaxLevels] = {};       // the high rows of analysis k (high-low and high-high bands)
  int deepest = -1;                // the low-low band of the last level, thresholded
  int rebuilt[kMaxLevels] = {};    // rows of level k >= 1 rebuilt by synthesis k
  // An order without a ring: synthesis 0 writes the bytes of a block row only once the load
  // has read that row for the last time (the rows below the block read it again), so that
  // the bytes it writes may replace the bytes the load reads.
  int loaded = -1;

  // Rows of level k that hold a low and a high half (after row analysis, and the high rows of
  // the column analysis) keep the high half from this sample on, on a whole cache line.
  int split(int k) const { return ((w[k] + 1) / 2 + 7) / 8 * 8; }
  // Low and high output rows of level k's column analysis, and how its bands continue past
  // their ends in the synthesis.
  int lowRows(int k) const { return (h[k] + 1) / 2; }
  int highRows(int k) const { return h[k] / 2; }
  LineEnd lowEnd(int k) const { return (h[k] & 1) != 0 ? LineEnd::WS : LineEnd::HS; }
  LineEnd highEnd(int k) const { return (h[k] & 1) != 0 ? LineEnd::HS : LineEnd::WS; }
  // Pair s of synthesis k makes rows 2s and 2s + 1 (only 2s when that is the last row).
  int64_t pairOf(int k, int64_t unit) const { return k == 0 ? firstPair + unit : unit; }
  int64_t rowsEnd(int k) const { return k == 0 ? kBlockPad + height : h[k]; }
};

// Sizes of a width x height block's planes (width and height + 64 must fit in an int).
WaveletStream WaveletGeometry(int width, int height, int levels);

// Adds the stages and edges of the stream to an empty schedule: output rows of level 0 are
// handed out `grain` at a time, of deeper levels proportionally fewer.
void BuildWaveletSchedule(WaveletStream& stream, int grain, TaskSchedule& schedule);

}  // namespace orvane
