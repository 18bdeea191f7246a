// The working plane is decomposed and rebuilt line by line rather than pass by pass:
//
// - A forward level makes each row's analysis once, keeps the latest rows in a small per-thread
//   cache, and forms each output row of the column analysis from nine cached rows, lane by lane
//   across the columns. Detail bands are thresholded as they are written; the low-low band goes
//   to a smaller buffer that feeds the next level (or, at the last level, is thresholded into
//   the plane). Level 0 reads its rows straight from the pixels, padding them on the fly.
// - An inverse level forms each output row from the rows of its bands (column synthesis), then
//   synthesises that row and writes it to the buffer that feeds the next finer level; level 0
//   rounds it straight into a byte plane that is copied into the pixels once the last progress
//   invocation has let the plane through.
//
// Every sample is computed with the same operations in the same order as the plain
// pass-by-pass algorithm, so the bytes are identical to it, whatever the number of threads.
#include "engine/wavelet_shrinker.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include <sys/mman.h>

#include "engine/wavelet_1d.h"
#include "engine/wavelet_kernels.h"
#include "base/worker_pool.h"

namespace orvane {
namespace {

constexpr int kCacheRows = 16;  // power of two; one output row needs at most 9 distinct rows
constexpr double kLumaWeight0 = 0.1139984;
constexpr double kLumaWeight1 = 0.5869903;
constexpr double kLumaWeight2 = 0.298995;

// Large blocks are mapped directly and asked for huge pages: the plane of a big block is
// hundreds of megabytes, and faulting it in 4 KiB pages costs more than a transform level.
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

struct Worker {
  double* cache = nullptr;  // kCacheRows rows of the widest level
  int64_t cacheTag[kCacheRows];
  uint64_t cacheStamp = 0;
  LineScratch line{};
  double* bands[2] = {};         // an even and an odd row after column synthesis, each split
                                 // into its extended low and high halves
  double* outputLine = nullptr;  // one synthesised row of level 0
};

uint8_t ClampTruncate(double v) {
  if (v < 0.0) return 0;
  if (v > 255.0) return 255;
  return static_cast<uint8_t>(static_cast<int>(v));
}

class PlaneRun {
 public:
  PlaneRun(const WaveletKernels& kernels, PixelView& view, int levels, bool perChannel)
      : k_(kernels), view_(view), levels_(levels), perChannel_(perChannel) {
    width_ = view.width();
    height_ = view.height();
    a_ = static_cast<int64_t>(width_) + 2 * kBlockPad;
    b_ = static_cast<int64_t>(height_) + 2 * kBlockPad;
    w_[0] = static_cast<int>(a_);
    h_[0] = static_cast<int>(b_);
    for (int i = 0; i < levels_; ++i) {
      w_[i + 1] = (w_[i] + 1) / 2;
      h_[i + 1] = (h_[i] + 1) / 2;
    }
  }

  // Allocates everything the run needs; false when any allocation fails.
  bool allocate(const EngineAllocator* allocator, int threads) {
    // Line lengths are ints; a padded side beyond that is a block no memory could hold anyway.
    if (a_ > std::numeric_limits<int>::max() || b_ > std::numeric_limits<int>::max()) return false;
    std::size_t bytes = 0;
    if (!SizeOf(static_cast<uint64_t>(a_) * static_cast<uint64_t>(b_), sizeof(double), bytes)) return false;
    plane_ = Block(allocator, bytes);
    if (!plane_) return false;
    // Low-low bands that feed the next level alternate between two buffers: the first holds
    // level 1's band, the second level 2's, which only exists with three levels or more.
    for (int s = 0; s < (levels_ >= 3 ? 2 : 1); ++s) {
      if (!SizeOf(static_cast<uint64_t>(w_[s + 1]) * static_cast<uint64_t>(h_[s + 1]), sizeof(double), bytes)) return false;
      low_[s] = Block(allocator, bytes);
      if (!low_[s]) return false;
    }
    const uint64_t channels = perChannel_ ? 1 : 3;
    if (!SizeOf(static_cast<uint64_t>(width_) * static_cast<uint64_t>(height_), channels, bytes)) return false;
    result_ = Block(allocator, bytes);
    if (!result_) return false;
    const uint64_t bandDoubles = static_cast<uint64_t>(a_) + 64;
    const uint64_t perWorker = kCacheRows * static_cast<uint64_t>(a_) + LineScratch::Doubles(a_) +
                               2 * bandDoubles + static_cast<uint64_t>(a_) + 8;
    if (!SizeOf(perWorker * static_cast<uint64_t>(threads), sizeof(double), bytes)) return false;
    workerStore_ = Block(allocator, bytes);
    if (!workerStore_) return false;
    workers_.resize(threads);
    double* p = workerStore_.as<double>();
    for (auto& w : workers_) {
      w.cache = p;
      w.line.assign(p + kCacheRows * a_, a_);
      w.bands[0] = p + kCacheRows * a_ + LineScratch::Doubles(a_);
      w.bands[1] = w.bands[0] + bandDoubles;
      w.outputLine = w.bands[1] + bandDoubles;
      p += perWorker;
    }
    return true;
  }

  void setPlane(int channel, double t) {
    channel_ = channel;
    threshold_ = t;
  }

  void forwardLevel(WorkerPool& pool, int level) {
    ++stamp_;
    const int h = h_[level];
    const int64_t outputs = (h + 1) / 2;
    const int64_t grain = std::max<int64_t>(16, (outputs + 8 * pool.size() - 1) / (8 * pool.size()));
    pool.run((outputs + grain - 1) / grain, [&](int64_t chunk, int worker) {
      const int64_t from = chunk * grain;
      const int64_t to = std::min(outputs, from + grain);
      forwardRows(workers_[worker], level, from, to);
    });
  }

  void inverseLevel(WorkerPool& pool, int level) {
    const int64_t first = level == 0 ? kBlockPad : 0;
    const int64_t last = level == 0 ? kBlockPad + height_ : h_[level];
    const int64_t rows = last - first;
    // Rows go in even-odd pairs that share their input rows, so chunks start on even rows.
    int64_t grain = std::max<int64_t>(16, (rows + 8 * pool.size() - 1) / (8 * pool.size()));
    grain += grain & 1;
    pool.run((rows + grain - 1) / grain, [&](int64_t chunk, int worker) {
      const int64_t from = first + chunk * grain;
      const int64_t to = std::min(last, from + grain);
      inverseRows(workers_[worker], level, from, to);
    });
  }

  // Writes the finished plane into the pixels.
  void store(WorkerPool& pool) {
    const bool overlapping = std::abs(view_.stride()) < static_cast<int64_t>(width_) * 4;
    auto storeRows = [&](int64_t from, int64_t to) {
      for (int64_t y = from; y < to; ++y) {
        uint8_t* px = view_.rowPointer(static_cast<int>(y));
        if (perChannel_) {
          k_.storeChannel(result_.as<uint8_t>() + y * width_, width_, channel_, px);
        } else {
          const uint8_t* src = result_.as<uint8_t>() + y * width_ * 3;
          for (int x = 0; x < width_; ++x) {
            px[4 * x] = src[3 * x];
            px[4 * x + 1] = src[3 * x + 1];
            px[4 * x + 2] = src[3 * x + 2];
          }
        }
      }
    };
    if (overlapping) {
      storeRows(0, height_);  // rows share bytes: keep the plain order, last row wins
    } else {
      ParallelFor(pool, 0, height_, 64, storeRows);
    }
  }

 private:
  // Row r of the padded plane of level 0, loaded from the pixels into x[0 .. a).
  void loadPaddedRow(int64_t r, double* x) const {
    const int64_t pad = kBlockPad;
    const bool marginRow = r < pad || r >= pad + height_;
    const int64_t y = r < pad ? pad - 1 - r : (r >= pad + height_ ? 2 * height_ + pad - 1 - r : r - pad);
    const uint8_t* px = view_.rowPointer(static_cast<int>(y));
    double* mid = x + pad;
    if (perChannel_) {
      k_.loadChannel(px, width_, channel_, mid);
    } else {
      k_.loadLuminance(px, width_, mid);
    }
    if (marginRow) {
      std::fill(x, x + pad, 0.0);
      std::fill(mid + width_, mid + width_ + pad, 0.0);
    } else {
      for (int j = 0; j < pad; ++j) {
        x[pad - 1 - j] = mid[j];
        mid[width_ + j] = mid[width_ - 1 - j];
      }
    }
  }

  // The row analysis of input row r of a level, from the worker's cache or made now.
  const double* analysedRow(Worker& wk, int level, int64_t r) {
    if (wk.cacheStamp != stamp_) {
      std::fill(wk.cacheTag, wk.cacheTag + kCacheRows, -1);
      wk.cacheStamp = stamp_;
    }
    const int slot = static_cast<int>(r & (kCacheRows - 1));
    double* row = wk.cache + slot * a_;
    if (wk.cacheTag[slot] == r) return row;
    const int w = w_[level];
    double* x = wk.line.extended + 16;
    if (level == 0) {
      loadPaddedRow(r, x);
    } else {
      const double* src = low_[(level - 1) % 2].as<double>() + r * w;
      std::memcpy(x, src, sizeof(double) * w);
    }
    extendSymmetric(x, w, LineEnd::WS, LineEnd::WS);
    k_.analyzeExtended(x, w, row, wk.line.even, wk.line.odd);
    wk.cacheTag[slot] = r;
    return row;
  }

  void forwardRows(Worker& wk, int level, int64_t from, int64_t to) {
    const int w = w_[level];
    const int h = h_[level];
    const int cw = (w + 1) / 2;
    const int ch = (h + 1) / 2;
    const int nh = h / 2;
    const bool last = level == levels_ - 1;
    double* plane = plane_.as<double>();
    double* lowOut = last ? plane : low_[level % 2].as<double>();
    const int64_t lowStride = last ? a_ : cw;
    const double* rows[9];
    const double* rightRows[9];
    for (int64_t m = from; m < to; ++m) {
      for (int k = 0; k < 9; ++k) {
        rows[k] = analysedRow(wk, level, ReflectIndex(2 * m - 4 + k, h, LineEnd::WS, LineEnd::WS));
        rightRows[k] = rows[k] + cw;
      }
      // The high row m, when there is one, comes from the last seven of these rows.
      double* high = m < nh ? plane + (ch + m) * a_ : nullptr;
      k_.columnsAnalyze(rows, cw, lowOut + m * lowStride, high, last, threshold_);
      k_.columnsAnalyze(rightRows, w - cw, plane + m * a_ + cw, high ? high + cw : nullptr, true,
                        threshold_);
    }
  }

  void inverseRows(Worker& wk, int level, int64_t from, int64_t to) {
    const int w = w_[level];
    const int h = h_[level];
    const int cw = (w + 1) / 2;
    const int nwh = w / 2;
    const int ch = (h + 1) / 2;
    const int nh = h / 2;
    const bool hOdd = (h & 1) != 0;
    const bool wOdd = (w & 1) != 0;
    const LineEnd lowEnd = hOdd ? LineEnd::WS : LineEnd::HS;
    const LineEnd highEnd = hOdd ? LineEnd::HS : LineEnd::WS;
    double* plane = plane_.as<double>();
    const bool deepest = level == levels_ - 1;
    const double* llSource = deepest ? plane : low_[level % 2].as<double>();
    const int64_t llStride = deepest ? a_ : cw;
    double* out = level == 0 ? nullptr : low_[(level + 1) % 2].as<double>();

    const double* lowRows[4];
    const double* highRows[5];
    const double* lowRight[4];
    const double* highRight[5];
    double* lowLine[2];
    double* highLine[2];
    for (int r = 0; r < 2; ++r) {
      lowLine[r] = wk.bands[r] + 16;
      highLine[r] = lowLine[r] + cw + 24;
    }
    for (int64_t t = from; t < to; t += 2) {
      const int64_t s = t / 2;
      const bool pair = t + 1 < to;
      for (int k = 0; k < 4; ++k) {
        const int i = ReflectIndex(s - 1 + k, ch, LineEnd::WS, lowEnd);
        lowRows[k] = llSource + i * llStride;
        lowRight[k] = plane + i * a_ + cw;
      }
      for (int k = 0; k < 5; ++k) {
        const int i = ReflectIndex(s - 2 + k, nh, LineEnd::HS, highEnd);
        highRows[k] = plane + (ch + i) * a_;
        highRight[k] = highRows[k] + cw;
      }
      // Column synthesis straight into the row bands of the even and the odd row.
      k_.columnsSynthesize(lowRows, highRows, cw, lowLine[0], pair ? lowLine[1] : nullptr);
      k_.columnsSynthesize(lowRight, highRight, nwh, highLine[0], pair ? highLine[1] : nullptr);
      for (int r = 0; r < (pair ? 2 : 1); ++r) {
        extendSymmetric(lowLine[r], cw, LineEnd::WS, wOdd ? LineEnd::WS : LineEnd::HS);
        extendSymmetric(highLine[r], nwh, LineEnd::HS, wOdd ? LineEnd::HS : LineEnd::WS);
        if (level > 0) {
          k_.synthesizeExtended(lowLine[r], highLine[r], w, out + (t + r) * w, wk.line.even,
                                wk.line.odd);
        } else {
          k_.synthesizeExtended(lowLine[r], highLine[r], w, wk.outputLine, wk.line.even,
                                wk.line.odd);
          storeRow(t + r - kBlockPad, wk.outputLine + kBlockPad);
        }
      }
    }
  }

  // Rounds row y of the block (plane values v) into the byte plane.
  void storeRow(int64_t y, const double* v) {
    if (perChannel_) {
      k_.roundToBytes(v, width_, result_.as<uint8_t>() + y * width_);
      return;
    }
    // One luminance plane: each colour byte keeps its difference from the old luminance.
    const uint8_t* px = view_.rowPointer(static_cast<int>(y));
    uint8_t* dst = result_.as<uint8_t>() + y * width_ * 3;
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
  int64_t a_ = 0;
  int64_t b_ = 0;
  int w_[6] = {};
  int h_[6] = {};
  int channel_ = 0;
  double threshold_ = 0.0;
  uint64_t stamp_ = 0;
  Block plane_;
  Block low_[2];
  Block result_;
  Block workerStore_;
  std::vector<Worker> workers_;
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

  WorkerPool pool(threads);
  PlaneRun plane(kernels, view, levels, perChannel);
  if (!plane.allocate(allocator, pool.size())) {
    outOfMemory = true;
    return 0;
  }

  for (int p = 0; p < planes; ++p) {
    const double t = planeThreshold[p];
    if (!(t > 0.0)) continue;
    if (!report()) return 0;
    plane.setPlane(p, t);
    for (int level = 0; level < levels; ++level) {
      if (!report()) return 0;
      plane.forwardLevel(pool, level);
    }
    for (int level = levels - 1; level >= 0; --level) {
      if (!report()) return 0;
      plane.inverseLevel(pool, level);
    }
    if (!report()) return 0;
    plane.store(pool);
  }
  return 0;
}

}  // namespace orvane
