// A plane is decomposed and rebuilt as one stream over its rows rather than level by level over
// the whole plane (wavelet_stream.h has the stages):
//
// - Level 0 loads each padded row straight from the pixels and makes its row analysis. Each
//   forward level forms its output rows from nine analysed rows (column analysis, lane by lane
//   across the columns), thresholds the detail rows as it writes them, and passes the low-low
//   row on to the next level's row analysis; the last level thresholds and keeps it.
// - Each inverse level forms its rows from the rows of its bands (column synthesis) and
//   synthesises each row; level 0 rounds it to bytes. The pixels take a plane only once the last
//   progress invocation of the plane has let it through, so each colour byte but the last goes
//   into a byte plane of its own; the last plane writes its rows straight into the pixels, with
//   the bytes of the planes before it, and restores them from its source bytes after a stop.
//   The first plane puts the later planes' colour bytes into their byte planes as it loads the
//   pixels, so that a call reads the pixels twice and writes them once, rather than reading and
//   writing them again for every plane.
// - Every stage keeps the rows a later stage reads in a ring of rows, for as long as they are
//   read: the working memory is a band of rows per level, and what one level writes is read
//   while it is still in the caches. A task schedule (task_schedule.h) hands out a few rows of
//   one stage at a time to whichever thread is free.
//
// Every sample is computed with the same operations in the same order as the plain
// pass-by-pass algorithm, so the bytes are identical to it, whatever the number of threads.
#include "engine/wavelet_shrinker.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include <sys/mman.h>

#include "engine/wavelet_1d.h"
#include "engine/wavelet_kernels.h"
#include "engine/wavelet_stream.h"
#include "base/worker_pool.h"

namespace orvane {
namespace {

constexpr double kLumaWeight0 = 0.1139984;
constexpr double kLumaWeight1 = 0.5869903;
constexpr double kLumaWeight2 = 0.298995;

// Large blocks are mapped directly and asked for huge pages: the byte plane and the rings of a
// big block are tens of megabytes, and faulting them in 4 KiB pages costs as much as a level.
constexpr std::size_t kMapThreshold = std::size_t{4} << 20;

void* DefaultAllocate(std::size_t bytes, void*) {
  if (bytes >= kMapThreshold) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(p, bytes, MADV_HUGEPAGE);
#endif
    return p;
  }
  const std::size_t rounded = (bytes + 63) / 64 * 64;
  return std::aligned_alloc(64, rounded == 0 ? 64 : rounded);
}

void DefaultRelease(void* block, std::size_t bytes, void*) {
  if (bytes >= kMapThreshold) {
    munmap(block, bytes);
  } else {
    std::free(block);
  }
}
const EngineAllocator kDefaultAllocator = {DefaultAllocate, DefaultRelease, nullptr};

// One block from the engine's allocator, released when it goes out of scope.
class Block {
 public:
  Block() = default;
  Block(const EngineAllocator* allocator, std::size_t bytes)
      : allocator_(allocator), data_(allocator->allocate(bytes, allocator->context)), bytes_(bytes) {}
  Block(Block&& other) noexcept
      : allocator_(other.allocator_), data_(other.data_), bytes_(other.bytes_) {
    other.data_ = nullptr;
  }
  Block& operator=(Block&& other) noexcept {
    std::swap(allocator_, other.allocator_);
    std::swap(data_, other.data_);
    std::swap(bytes_, other.bytes_);
    return *this;
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  ~Block() {
    if (data_) allocator_->release(data_, bytes_, allocator_->context);
  }
  explicit operator bool() const { return data_ != nullptr; }
  template <typename T>
  T* as() const {
    return static_cast<T*>(data_);
  }

 private:
  const EngineAllocator* allocator_ = nullptr;
  void* data_ = nullptr;
  std::size_t bytes_ = 0;
};

// bytes = count * size, or false when that does not fit in a size_t.
bool SizeOf(uint64_t count, uint64_t size, std::size_t& bytes) {
  if (size != 0 && count > std::numeric_limits<std::size_t>::max() / size) return false;
  bytes = static_cast<std::size_t>(count * size);
  return true;
}

// A ring of rows: row r lives in slot r % slots.
struct RowRing {
  double* base = nullptr;
  int64_t stride = 0;  // doubles from one slot to the next
  int64_t slots = 1;
  double* row(int64_t r) const { return base + (r % slots) * stride; }
};

// Doubles from one ring slot to the next for rows of n samples: whole cache lines, and never a
// multiple of 4 KiB, so that the nine rows a column pass reads do not share cache sets.
int64_t RowStride(int64_t n) {
  int64_t stride = (n + 7) / 8 * 8;
  if (stride % 512 == 0) stride += 8;
  return stride;
}

struct Worker {
  LineScratch line{};
  double* bands[2] = {};         // an even and an odd row after column synthesis, each split
                                 // into its extended low and high halves
  double* outputLine = nullptr;  // one synthesised row of level 0
  uint8_t* byteLine = nullptr;   // that row rounded to bytes
};

uint8_t ClampTruncate(double v) {
  if (v < 0.0) return 0;
  if (v > 255.0) return 255;
  return static_cast<uint8_t>(static_cast<int>(v));
}

// Output rows of level 0 per task; deeper levels take proportionally fewer. With several
// threads the tasks are twice as large: every task that follows one of another thread reads
// rows that the other core wrote, and fewer, larger tasks measured about a tenth faster on two
// threads despite the larger rings; one thread runs faster with the smaller rings.
int GrainFor(int threads) { return threads > 1 ? 8 : 4; }
// Tasks each ring holds beyond what one thread needs, per thread, so that threads can work
// ahead of one another instead of waiting. More would push the rings out of the caches.
constexpr int kSlackTasksPerThread = 1;

class PlaneRun {
 public:
  // The planes run in the order of `channels` (colour bytes, or the luminance as 0), `planes`
  // of them (1 ... 3).
  PlaneRun(const WaveletKernels& kernels, PixelView& view, int levels, bool perChannel,
           const int* channels, int planes)
      : k_(kernels), view_(view), levels_(levels), perChannel_(perChannel), planeCount_(planes) {
    width_ = view.width();
    height_ = view.height();
    for (int i = 0; i < planes; ++i) channels_[i] = channels[i];
    // Rows that share bytes keep the plain order: each plane is stored before the next loads.
    // So does a single colour plane, which has no later plane to keep its bytes for it.
    overlapping_ = std::abs(view_.stride()) < static_cast<int64_t>(width_) * 4;
    direct_ = perChannel_ && !overlapping_ && planes > 1;
  }

  // Plans the stream and allocates everything the run needs; false when any allocation fails.
  bool allocate(const EngineAllocator* allocator, int threads) {
    // Line lengths are ints; a padded side beyond that is a block no memory could hold anyway.
    const int64_t a = static_cast<int64_t>(width_) + 2 * kBlockPad;
    const int64_t b = static_cast<int64_t>(height_) + 2 * kBlockPad;
    if (a > std::numeric_limits<int>::max() || b > std::numeric_limits<int>::max()) return false;
    // The byte planes first: they are the largest block, and a size that cannot be had fails
    // here before any planning. One luminance plane keeps three bytes per pixel; colour bytes
    // one plane each (only one when every plane is stored before the next).
    std::size_t bytes = 0;
    const uint64_t planeBytes = perChannel_ ? (direct_ ? planeCount_ : 1) : 3;
    if (!SizeOf(static_cast<uint64_t>(width_) * static_cast<uint64_t>(height_), planeBytes, bytes)) return false;
    bytes_ = Block(allocator, bytes);
    if (!bytes_) return false;

    stream_ = WaveletGeometry(width_, height_, levels_);
    BuildWaveletSchedule(stream_, GrainFor(threads), schedule_);
    schedule_.plan(kSlackTasksPerThread * threads);

    // Samples per row of each edge's rows.
    const WaveletStream& s = stream_;
    std::vector<int64_t> widths(static_cast<size_t>(schedule_.edges()), 0);
    for (int k = 0; k < levels_; ++k) {
      const int cw = (s.w[k] + 1) / 2;
      widths[s.analysed[k]] = s.split(k) + s.w[k] - cw;
      widths[s.lowRight[k]] = s.w[k] - cw;
      widths[s.high[k]] = s.split(k) + s.w[k] - cw;
      if (k > 0) widths[s.rebuilt[k]] = s.w[k];
    }
    widths[s.deepest] = (s.w[levels_ - 1] + 1) / 2;

    uint64_t doubles = 0;
    rings_.assign(widths.size(), RowRing{});
    for (size_t e = 0; e < widths.size(); ++e) {
      if (widths[e] == 0) continue;  // an order, not a ring
      rings_[e].stride = RowStride(widths[e]);
      rings_[e].slots = schedule_.slots(static_cast<int>(e));
      doubles += static_cast<uint64_t>(rings_[e].stride) * static_cast<uint64_t>(rings_[e].slots);
    }
    const uint64_t bandDoubles = static_cast<uint64_t>(LineScratch::Whole(a + 64));
    const uint64_t byteLine = (static_cast<uint64_t>(width_) + 63) / 64 * 8;  // in doubles
    const uint64_t perWorker = RowStride(LineScratch::Doubles(a) + 2 * bandDoubles + a + 8 + byteLine);
    doubles += perWorker * static_cast<uint64_t>(threads) + 8;
    if (!SizeOf(doubles, sizeof(double), bytes)) return false;
    work_ = Block(allocator, bytes);
    if (!work_) return false;

    // The rings on whole cache lines of the block, then the workers' lines.
    double* p = work_.as<double>();
    p += (8 - reinterpret_cast<uintptr_t>(p) / sizeof(double) % 8) % 8;
    for (RowRing& ring : rings_) {
      ring.base = p;
      p += ring.stride * ring.slots;
    }
    workers_.resize(threads);
    for (auto& w : workers_) {
      w.line.assign(p, a);
      w.bands[0] = p + LineScratch::Doubles(a);
      w.bands[1] = w.bands[0] + bandDoubles;
      w.outputLine = w.bands[1] + bandDoubles;
      w.byteLine = reinterpret_cast<uint8_t*>(w.outputLine + a + 8);
      p += perWorker;
    }
    return true;
  }

  // Starts plane `index` of the order with threshold t.
  void startPlane(int index, double t) {
    planeIndex_ = index;
    channel_ = channels_[index];
    threshold_ = t;
    if (direct_ && index == planeCount_ - 1) pixelsWritten_ = true;
    schedule_.restart();
  }

  // After the plane in progress has run to its end: stores it into the pixels unless it went
  // there row by row (colour bytes: the last plane, with those before it).
  void finishPlane(WorkerPool& pool) {
    ++finished_;
    if (!direct_) store(pool);
  }

  // After a stop: the planes finished stay written, the plane in progress does not. Colour
  // bytes: the finished planes go into the pixels now; once the last plane has started writing
  // rows, every row is written again, its colour byte from the plane's source bytes (which the
  // first plane put in place for every row).
  void stop(WorkerPool& pool) {
    if (!direct_) return;
    const int planes = pixelsWritten_ ? planeCount_ : finished_;
    if (planes == 0) return;
    ParallelFor(pool, 0, height_, 64, [&](int64_t from, int64_t to) {
      for (int64_t y = from; y < to; ++y) {
        const uint8_t* rows[3];
        for (int i = 0; i < planes; ++i) rows[i] = plane(i) + y * width_;
        k_.mergeChannels(view_.rowPointer(static_cast<int>(y)), width_, rows, channels_, planes);
      }
    });
  }

  // Where the n-th of `parts` equal parts of the plane's work ends (n from 1).
  int64_t partEnd(int n, int parts) const {
    const int64_t tasks = schedule_.tasks(stream_.synthesis[0]);
    return (tasks * n + parts - 1) / parts;
  }

  // Runs tasks on every thread of the pool until the first `limit` tasks of the last stage
  // are finished; then nothing runs until the next call.
  void runUntil(WorkerPool& pool, int64_t limit) {
    limit_ = limit;
    pool.run(pool.size(), [&](int64_t, int worker) { work(workers_[worker]); });
  }

  // Byte plane i of the order.
  uint8_t* plane(int i) const {
    return bytes_.as<uint8_t>() + static_cast<int64_t>(i) * width_ * height_;
  }

 private:
  // Writes the finished plane into the pixels: the luminance plane's three bytes, or the colour
  // byte of a plane whose rows share bytes with other rows.
  void store(WorkerPool& pool) {
    auto storeRows = [&](int64_t from, int64_t to) {
      for (int64_t y = from; y < to; ++y) {
        uint8_t* px = view_.rowPointer(static_cast<int>(y));
        if (perChannel_) {
          const uint8_t* row = plane(0) + y * width_;
          k_.mergeChannels(px, width_, &row, &channel_, 1);
        } else {
          const uint8_t* src = plane(0) + y * width_ * 3;
          for (int x = 0; x < width_; ++x) {
            px[4 * x] = src[3 * x];
            px[4 * x + 1] = src[3 * x + 1];
            px[4 * x + 2] = src[3 * x + 2];
          }
        }
      }
    };
    if (overlapping_) {
      storeRows(0, height_);  // rows share bytes: keep the plain order, last row wins
    } else {
      ParallelFor(pool, 0, height_, 64, storeRows);
    }
  }

  // One thread's share of runUntil: claim a task, run it, report it done, until the limit.
  void work(Worker& wk) {
    const int last = stream_.synthesis[0];
    std::unique_lock lock(mutex_);
    TaskSchedule::Task task;
    for (;;) {
      if (schedule_.finishedTasks(last) >= limit_) break;
      if (!schedule_.claim(task, limit_)) {
        // Another thread holds a task whose end lets more run (the schedule never stalls).
        ++waiting_;
        wake_.wait(lock);
        --waiting_;
        continue;
      }
      lock.unlock();
      execute(task, wk);
      lock.lock();
      schedule_.finish(task);
      if (waiting_ > 0) wake_.notify_all();
    }
  }

  void execute(const TaskSchedule::Task& task, Worker& wk) {
    const WaveletStream& s = stream_;
    if (task.stage == s.load) {
      for (int64_t r = task.begin; r < task.end; ++r) loadRow(wk, r);
      return;
    }
    for (int k = 0; k < levels_; ++k) {
      if (task.stage == s.analysis[k]) {
        analyseRows(wk, k, task.begin, task.end);
        return;
      }
      if (task.stage == s.synthesis[k]) {
        synthesizeRows(wk, k, task.begin, task.end);
        return;
      }
    }
  }

  // Block row y of the plane, padded: row r of level 0.
  int64_t blockRow(int64_t r) const {
    const int64_t pad = kBlockPad;
    return r < pad ? pad - 1 - r : (r >= pad + height_ ? 2 * height_ + pad - 1 - r : r - pad);
  }
  bool marginRow(int64_t r) const { return r < kBlockPad || r >= kBlockPad + height_; }

  // Row r of the padded luminance plane, loaded from the pixels into x[0 .. a).
  void loadLuminanceRow(int64_t r, double* x) const {
    const int64_t pad = kBlockPad;
    double* mid = x + pad;
    k_.loadLuminance(view_.rowPointer(static_cast<int>(blockRow(r))), width_, mid);
    if (marginRow(r)) {
      std::fill(x, x + pad, 0.0);
      std::fill(mid + width_, mid + width_ + pad, 0.0);
    } else {
      for (int j = 0; j < pad; ++j) {
        x[pad - 1 - j] = mid[j];
        mid[width_ + j] = mid[width_ - 1 - j];
      }
    }
  }

  // Loads row r of level 0 and makes its row analysis.
  void loadRow(Worker& wk, int64_t r) {
    const int w = stream_.w[0];
    double* out = rings_[stream_.analysed[0]].row(r);
    if (!perChannel_) {
      double* x = wk.line.extended + 16;
      loadLuminanceRow(r, x);
      extendSymmetric(x, w, LineEnd::WS, LineEnd::WS);
      k_.analyzeExtended(x, w, out, out + stream_.split(0), wk.line.even, wk.line.odd);
      return;
    }
    // A colour byte goes straight into the even and odd samples the analysis reads,
    // even[j] = x[2j - 4] and odd[j] = x[2j - 3] of the padded and extended row x; only the few
    // samples of the margins and past the ends are placed one by one.
    const int64_t pad = kBlockPad;
    const bool margin = marginRow(r);
    const int64_t y = blockRow(r);
    // Colour bytes: the first plane loads from the pixels and, from each block row as it passes,
    // puts the colour bytes of the later planes into their byte planes; they load from there.
    const bool fromBytes = direct_ && planeIndex_ > 0;
    const uint8_t* bytes = fromBytes ? plane(planeIndex_) + y * width_ : nullptr;
    const uint8_t* px = view_.rowPointer(static_cast<int>(y));
    if (direct_ && planeIndex_ == 0 && !margin) {
      for (int i = 1; i < planeCount_; ++i) k_.extractChannel(px, width_, channels_[i], plane(i) + y * width_);
    }
    double* even = wk.line.even;
    double* odd = wk.line.odd;
    // Pixels 2i and 2i + 1 are x[pad + 2i] and x[pad + 2i + 1]: even and odd [first + i].
    const int64_t first = (pad + 4) / 2;
    const int64_t pixelPairs = width_ / 2;
    if (fromBytes) {
      k_.loadBytePairs(bytes, pixelPairs, even + first, odd + first);
    } else {
      k_.loadChannelPairs(px, pixelPairs, channel_, even + first, odd + first);
    }
    auto pixel = [&](int64_t q) {
      return static_cast<double>(fromBytes ? bytes[q] : px[4 * q + channel_]);
    };
    // x[p]: the row continues past its ends by whole-sample symmetry; the margins mirror the
    // block's columns (the end column repeated), or are 0 beside the block's top and bottom.
    auto sample = [&](int64_t p) {
      p = ReflectIndex(p, w, LineEnd::WS, LineEnd::WS);
      if (p < pad) return margin ? 0.0 : pixel(pad - 1 - p);
      if (p >= pad + width_) return margin ? 0.0 : pixel(2 * width_ + pad - 1 - p);
      return pixel(p - pad);
    };
    auto place = [&](int64_t from, int64_t to) {
      for (int64_t j = from; j < to; ++j) {
        even[j] = sample(2 * j - 4);
        odd[j] = sample(2 * j - 3);
      }
    };
    place(0, first);
    place(first + pixelPairs, (w + 1) / 2 + 5);
    k_.analyzeSplit(even, odd, w, out, out + stream_.split(0));
  }

  // Output rows [from, to) of level k's column analysis.
  void analyseRows(Worker& wk, int k, int64_t from, int64_t to) {
    const WaveletStream& s = stream_;
    const int w = s.w[k];
    const int h = s.h[k];
    const int cw = (w + 1) / 2;
    const int split = s.split(k);
    const int nh = s.highRows(k);
    const bool last = k == levels_ - 1;
    const RowRing& in = rings_[s.analysed[k]];
    const double* rows[9];
    const double* rightRows[9];
    for (int64_t m = from; m < to; ++m) {
      for (int i = 0; i < 9; ++i) {
        rows[i] = in.row(ReflectIndex(2 * m - 4 + i, h, LineEnd::WS, LineEnd::WS));
        rightRows[i] = rows[i] + split;
      }
      // The high row m, when there is one, comes from the last seven of these rows.
      double* high = m < nh ? rings_[s.high[k]].row(m) : nullptr;
      // The low-low row goes on as a row of the next level, or at the last level is kept.
      double* low = last ? rings_[s.deepest].row(m) : wk.line.extended + 16;
      k_.columnsAnalyze(rows, cw, low, high, last, threshold_);
      k_.columnsAnalyze(rightRows, w - cw, rings_[s.lowRight[k]].row(m),
                        high ? high + split : nullptr, true, threshold_);
      if (!last) {
        extendSymmetric(low, cw, LineEnd::WS, LineEnd::WS);
        double* out = rings_[s.analysed[k + 1]].row(m);
        k_.analyzeExtended(low, cw, out, out + s.split(k + 1), wk.line.even, wk.line.odd);
      }
    }
  }

  // Pairs [from, to) of level k's synthesis.
  void synthesizeRows(Worker& wk, int k, int64_t from, int64_t to) {
    const WaveletStream& s = stream_;
    const int w = s.w[k];
    const int cw = (w + 1) / 2;
    const int nwh = w / 2;
    const int split = s.split(k);
    const int ch = s.lowRows(k);
    const int nh = s.highRows(k);
    const bool wOdd = (w & 1) != 0;
    const LineEnd lowEnd = s.lowEnd(k);
    const LineEnd highEnd = s.highEnd(k);
    const RowRing& lowLeft = k == levels_ - 1 ? rings_[s.deepest] : rings_[s.rebuilt[k + 1]];
    const RowRing& lowRight = rings_[s.lowRight[k]];
    const RowRing& highIn = rings_[s.high[k]];
    const int64_t rowsEnd = s.rowsEnd(k);

    const double* lowRows[4];
    const double* highRows[5];
    const double* lowRightRows[4];
    const double* highRight[5];
    double* lowLine[2];
    double* highLine[2];
    for (int r = 0; r < 2; ++r) {
      lowLine[r] = wk.bands[r] + 16;
      highLine[r] = lowLine[r] + (cw + 24 + 7) / 8 * 8;
    }
    for (int64_t u = from; u < to; ++u) {
      const int64_t sp = s.pairOf(k, u);
      const int64_t t = 2 * sp;
      const bool pair = t + 1 < rowsEnd;
      for (int i = 0; i < 4; ++i) {
        const int64_t j = ReflectIndex(sp - 1 + i, ch, LineEnd::WS, lowEnd);
        lowRows[i] = lowLeft.row(j);
        lowRightRows[i] = lowRight.row(j);
      }
      for (int i = 0; i < 5; ++i) {
        highRows[i] = highIn.row(ReflectIndex(sp - 2 + i, nh, LineEnd::HS, highEnd));
        highRight[i] = highRows[i] + split;
      }
      // The rows the next pair reads first come from far back in their rings: fetch them while
      // this pair is made.
      const int64_t nextLow = ReflectIndex(sp + 3, ch, LineEnd::WS, lowEnd);
      const double* nextHigh = highIn.row(ReflectIndex(sp + 3, nh, LineEnd::HS, highEnd));
      const double* aheadLeft[2] = {lowLeft.row(nextLow), nextHigh};
      const double* aheadRight[2] = {lowRight.row(nextLow), nextHigh + split};
      // Column synthesis straight into the row bands of the even and the odd row.
      k_.columnsSynthesize(lowRows, highRows, cw, lowLine[0], pair ? lowLine[1] : nullptr, aheadLeft);
      k_.columnsSynthesize(lowRightRows, highRight, nwh, highLine[0], pair ? highLine[1] : nullptr,
                           aheadRight);
      for (int r = 0; r < (pair ? 2 : 1); ++r) {
        extendSymmetric(lowLine[r], cw, LineEnd::WS, wOdd ? LineEnd::WS : LineEnd::HS);
        extendSymmetric(highLine[r], nwh, LineEnd::HS, wOdd ? LineEnd::HS : LineEnd::WS);
        if (k > 0) {
          k_.synthesizeExtended(lowLine[r], highLine[r], w, rings_[s.rebuilt[k]].row(t + r));
        } else {
          k_.synthesizeExtended(lowLine[r], highLine[r], w, wk.outputLine);
          storeRow(wk, t + r - kBlockPad, wk.outputLine + kBlockPad);
        }
      }
    }
  }

  // Rounds row y of the block (plane values v) into the plane's bytes: into its byte plane, or
  // for the last of the colour planes straight into the pixels, with the rows of the planes
  // before it.
  void storeRow(Worker& wk, int64_t y, const double* v) {
    if (perChannel_) {
      if (!direct_ || planeIndex_ < planeCount_ - 1) {
        k_.roundToBytes(v, width_, plane(direct_ ? planeIndex_ : 0) + y * width_);
        return;
      }
      k_.roundToLine(v, width_, wk.byteLine);
      const uint8_t* rows[3];
      for (int i = 0; i < planeIndex_; ++i) rows[i] = plane(i) + y * width_;
      rows[planeIndex_] = wk.byteLine;
      k_.mergeChannels(view_.rowPointer(static_cast<int>(y)), width_, rows, channels_, planeCount_);
      return;
    }
    // One luminance plane: each colour byte keeps its difference from the old luminance.
    const uint8_t* px = view_.rowPointer(static_cast<int>(y));
    uint8_t* dst = plane(0) + y * width_ * 3;
    for (int x = 0; x < width_; ++x) {
      const double b0 = px[4 * x], b1 = px[4 * x + 1], b2 = px[4 * x + 2];
      const double luma = v[x];
      dst[3 * x + 2] = ClampTruncate(luma + 0.701005 * b2 - kLumaWeight1 * b1 - kLumaWeight0 * b0);
      dst[3 * x] = ClampTruncate(luma + 0.8860016 * b0 - kLumaWeight1 * b1 - kLumaWeight2 * b2);
      dst[3 * x + 1] = ClampTruncate(luma + 0.4130097 * b1 - kLumaWeight0 * b0 - kLumaWeight2 * b2);
    }
  }

  const WaveletKernels& k_;
  PixelView& view_;
  int levels_;
  bool perChannel_;
  int width_ = 0;
  int height_ = 0;
  int planeCount_ = 1;
  bool overlapping_ = false;  // rows share bytes (a stride shorter than a row)
  int channels_[3] = {};  // the colour byte of each plane, in the order they run
  bool direct_ = false;   // colour bytes in a byte plane each, the last plane into the pixels
  int planeIndex_ = 0;    // the plane in progress
  int channel_ = 0;       // its colour byte
  int finished_ = 0;      // planes run to their end
  bool pixelsWritten_ = false;  // the last plane of a direct run has started
  double threshold_ = 0.0;
  WaveletStream stream_;
  TaskSchedule schedule_;
  std::vector<RowRing> rings_;  // per edge of the schedule
  Block work_;                  // the rings and the workers' lines
  Block bytes_;                 // the byte planes
  std::vector<Worker> workers_;

  std::mutex mutex_;  // guards schedule_, limit_ and waiting_
  std::condition_variable wake_;
  int64_t limit_ = 0;
  int waiting_ = 0;
};

}  // namespace

const EngineAllocator& DefaultEngineAllocator() { return kDefaultAllocator; }

bool WaveletShrinker::report() {
  const int current = step++;
  if (progress && progress(current, total, progressContext) != 0) {
    cancelled = true;
    return false;
  }
  return true;
}

int WaveletShrinker::run(PixelView& view) {
  outOfMemory = false;
  cancelled = false;
  step = 1;
  total = perChannel ? 2 * (levels + 1) * 3 : 2 * (levels + 1) + 2;

  double planeThreshold[3];
  int planes = 0;
  if (perChannel) {
    for (int p = 0; p < 3; ++p) planeThreshold[planes++] = threshold[p];
  } else {
    planeThreshold[planes++] = (threshold[2] + threshold[1] + threshold[0]) * 0.3333333333333333;
  }
  bool anyWork = false;
  for (int p = 0; p < planes; ++p) anyWork = anyWork || planeThreshold[p] > 0.0;
  if (!anyWork) return 0;

  const WaveletKernels& kernels = options_.kernels ? *options_.kernels : SelectWaveletKernels();
  const EngineAllocator* allocator = options_.allocator ? options_.allocator : &kDefaultAllocator;

  // Small blocks are not worth waking threads for.
  int threads = options_.threads > 0 ? options_.threads : DefaultThreadCount();
  const int64_t samples = (static_cast<int64_t>(view.width()) + 64) * (static_cast<int64_t>(view.height()) + 64);
  threads = static_cast<int>(std::min<int64_t>(threads, std::max<int64_t>(1, samples / (128 * 1024))));

  int order[3];
  int count = 0;
  for (int p = 0; p < planes; ++p) {
    if (planeThreshold[p] > 0.0) order[count++] = p;
  }

  WorkerPool pool(threads);
  PlaneRun plane(kernels, view, levels, perChannel, order, count);
  if (!plane.allocate(allocator, pool.size())) {
    outOfMemory = true;
    return 0;
  }

  // Progress as the plain algorithm reports it: before the load, at the start of each forward
  // and inverse level, before the store. The stream runs every level at once, so the steps
  // after the first two mark equal parts of the plane's work instead.
  const int parts = 2 * levels;
  for (int i = 0; i < count; ++i) {
    bool go = report();
    if (go) {
      plane.startPlane(i, planeThreshold[order[i]]);
      go = report();
    }
    for (int part = 1; go && part <= parts; ++part) {
      plane.runUntil(pool, plane.partEnd(part, parts));
      go = report();
    }
    if (!go) {
      plane.stop(pool);
      return 0;
    }
    plane.finishPlane(pool);
  }
  return 0;
}

}  // namespace orvane
