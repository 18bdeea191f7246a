#include "pipeline/denoise_run.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

#include "base/worker_pool.h"
#include "engine/engine_memory.h"
#include "pipeline/edge_map.h"
#include "pipeline/filters.h"

namespace orvane {
namespace {

int EngineProgress(int step, int total, void* context) {
  return static_cast<DenoiseDocument*>(context)->reportProgress(step, total) != 0 ? 1 : 0;
}

// Copies a w x h block into packed pixels: bytes 0..2 of each source pixel (3 or 4 bytes
// wide), byte 3 set to 255. Rows are given in bytes. Packs the region and moves engine blocks.
void CopyRows(const uint8_t* from, int64_t fromRow, int fromPixel, uint8_t* to, int64_t toRow,
              int w, int64_t y0, int64_t y1) {
  for (int64_t y = y0; y < y1; ++y) {
    const uint8_t* s = from + y * fromRow;
    uint8_t* d = to + y * toRow;
    int x = 0;
    if constexpr (std::endian::native == std::endian::little) {
      // Four bytes at a time; the byte read past the pixel is replaced by 255. The last pixel
      // of a row of 3-byte pixels has no fourth byte to read, so it goes the slow way.
      for (const int end = fromPixel == 4 ? w : w - 1; x < end; ++x) {
        uint32_t v;
        std::memcpy(&v, s + fromPixel * x, 4);
        v |= 0xFF000000u;
        std::memcpy(d + 4 * x, &v, 4);
      }
    }
    for (; x < w; ++x) {
      d[4 * x] = s[fromPixel * x];
      d[4 * x + 1] = s[fromPixel * x + 1];
      d[4 * x + 2] = s[fromPixel * x + 2];
      d[4 * x + 3] = 255;
    }
  }
}

void CopyPixels(const uint8_t* from, int64_t fromRow, int fromPixel, uint8_t* to, int64_t toRow,
                int w, int h, WorkerPool* pool) {
  ForRows(pool, h, [&](int64_t y0, int64_t y1) { CopyRows(from, fromRow, fromPixel, to, toRow, w, y0, y1); });
}

// Copies bytes 0..2 of a w x h block of packed pixels into pixels of 3 bytes.
void StorePixels(const uint8_t* from, int64_t fromRow, uint8_t* to, int64_t toRow, int w, int h,
                 WorkerPool* pool) {
  ForRows(pool, h, [&](int64_t y0, int64_t y1) {
    for (int64_t y = y0; y < y1; ++y) {
      const uint8_t* s = from + y * fromRow;
      uint8_t* d = to + y * toRow;
      // Four bytes at a time; the fourth is overwritten by the next pixel.
      int x = 0;
      for (; x < w - 1; ++x) std::memcpy(d + 3 * x, s + 4 * x, 4);
      for (; x < w; ++x) std::memcpy(d + 3 * x, s + 4 * x, 3);
    }
  });
}

// Stands in when the host offers no status-bar indicator, so that the first report stays the
// only one that sets up the progress window.
class NoStatusBar : public StatusBarProgress {
 public:
  bool hasBar() const override { return false; }
  void setPosition(int) override {}
};

}  // namespace

// Adds the time since the last mark to a stage's total when timings are wanted.
class StageClock {
 public:
  explicit StageClock(RunTimings* timings) : timings_(timings) {
    if (timings_ != nullptr) *timings_ = RunTimings{};
  }
  void mark(double RunTimings::*stage) {
    if (timings_ == nullptr) return;
    const auto now = std::chrono::steady_clock::now();
    timings_->*stage += std::chrono::duration<double>(now - last_).count();
    last_ = now;
  }

 private:
  RunTimings* timings_;
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

namespace {

// Ends every run the same way, however it ends.
struct RunEnd {
  DenoiseDocument& doc;
  RunHost& host;
  ~RunEnd() {
    doc.busy = false;
    host.setWaitCursor(false);
    doc.runStateChanged();
  }
};

}  // namespace

DenoiseDocument::DenoiseDocument(RunHost& host)
    : workBuffer(&host), beforeBuffer(&host), host_(host) {}

DenoiseDocument::~DenoiseDocument() = default;

int DenoiseDocument::effectiveMaxBlockW() const {
  return memory_.maxBlockW < kMinBlockSide ? kDefaultMaxBlockW : memory_.maxBlockW;
}

int DenoiseDocument::effectiveMaxBlockH() const {
  return memory_.maxBlockH < kMinBlockSide ? kDefaultMaxBlockH : memory_.maxBlockH;
}

int64_t DenoiseDocument::swapThresholdBytes() const {
  const int64_t w = memory_.maxSwapW < kMinBlockSide ? kDefaultMaxSwapW : memory_.maxSwapW;
  const int64_t h = memory_.maxSwapH < kMinBlockSide ? kDefaultMaxSwapH : memory_.maxSwapH;
  return w * h * 4;
}

void DenoiseDocument::setRegion(int left, int top, int right, int bottom) {
  const Pictures p = pictures();
  const int w = right - left, h = bottom - top;
  if (right > p.width) {
    right = p.width - 1;
    left = right - w;
  }
  if (bottom > p.height) {
    bottom = p.height - 1;
    top = bottom - h;
  }
  region = Region{std::max(left, 0), std::max(top, 0), right, bottom};
}

NoiseReduceParams DenoiseDocument::engineParams() {
  NoiseReduceParams params{};
  params.version = 1;
  params.levels = std::clamp(nr_.levels, 2, 5);
  // Four times the level in High Noise mode, but never past what the engine accepts: a level
  // above 25 there would otherwise end every run as an invalid parameter.
  params.noiseLevel = nr_.mode == kModeHighNoise ? std::min(nr_.noiseLevel * 4.0, kEngineMaxNoiseLevel)
                                               : nr_.noiseLevel;
  params.perChannel = nr_.perChannel;
  params.progress = &EngineProgress;
  params.progressContext = this;
  return params;
}

int DenoiseDocument::reportProgress(int step, int total) {
  if (!statusProgress) {
    statusProgress = host_.createStatusProgress(total);
    if (!statusProgress) statusProgress = std::make_unique<NoStatusBar>();
    if (progressWindow) {
      progressWindow->setRange(0, total);
      progressWindow->setText("Denoising...");
    }
  } else if (statusProgress->hasBar()) {
    statusProgress->setPosition(step);
  }
  if (progressWindow) {
    if (total > 0) progressWindow->setOverall(blockStart_ + blockShare_ * step / total);
    progressWindow->setPosition(step);
  }
  // Escape stays noted for the rest of the run, so every later report cancels as well.
  if (host_.escapePressed()) return 1;
  if (!host_.drainEvents()) return 1;  // quitting
  if (host_.escapePressed()) return 1;
  if (progressWindow && progressWindow->cancelled()) cancelRequested = true;
  return cancelRequested;
}

BlockGrid DenoiseDocument::blockGrid() const {
  const int maxW = effectiveMaxBlockW(), maxH = effectiveMaxBlockH();
  const int w = regionWidth, h = regionHeight;
  BlockGrid g;
  if (w <= maxW && h <= maxH) {
    g.bw = g.lastW = w;
    g.bh = g.lastH = h;
    return g;
  }
  // Both dimensions use the formula once either exceeds its limit; a dimension equal to a
  // multiple of its limit gets one block more than it needs. A limit just above the engine's
  // smallest side would make blocks it cannot take (99 pixels with a limit of 33: four of 24,
  // left undenoised), so a dimension never gets more blocks than it has 32-pixel lengths.
  g.nx = std::min(w / maxW + 1, std::max(1, w / kMinBlockSide));
  g.ny = std::min(h / maxH + 1, std::max(1, h / kMinBlockSide));
  g.bw = w / g.nx, g.bh = h / g.ny;
  g.lastW = g.bw + (w - g.nx * g.bw), g.lastH = g.bh + (h - g.ny * g.bh);
  return g;
}

void DenoiseDocument::forEachBlock(const BlockGrid& g, const std::function<void(const Rect&)>& body) {
  const int total = g.nx * g.ny;
  int counter = 1;
  blockStart_ = 0;
  blockShare_ = 1;
  for (int ix = 0; ix < g.nx; ++ix) {
    const int x0 = ix * g.bw;
    const int blockW = ix == g.nx - 1 ? g.lastW : g.bw;
    for (int iy = 0; iy < g.ny; ++iy) {
      const int y0 = iy * g.bh;
      const int blockH = iy == g.ny - 1 ? g.lastH : g.bh;
      if (progressWindow && total > 1) {
        char text[64];
        std::snprintf(text, sizeof text, "Processing block %d/%d...", counter, total);
        progressWindow->setText(text);
      }
      ++counter;
      blockShare_ = static_cast<double>(blockW) * blockH /
                    (static_cast<double>(regionWidth) * regionHeight);
      body(Rect{x0, y0, x0 + blockW, y0 + blockH});
      blockStart_ += blockShare_;
    }
  }
}

void DenoiseDocument::packColoured(const Pictures& pics, const Region& area, int x, int y, int w,
                                   int h, uint8_t* to, WorkerPool* pool) {
  const int64_t imageRow = static_cast<int64_t>(pics.width) * 3;
  const uint8_t* origin =
      pics.source + (area.top + y) * imageRow + static_cast<int64_t>(area.left + x) * 3;
  CopyPixels(origin, imageRow, 3, to, static_cast<int64_t>(w) * 4, w, h, pool);
  // The filtered-noise window shows what the noise reduction alone changed.
  if (nr_.outputWindow != kOutputNoise) applyColourChain(to, w, h, pool);
}

bool DenoiseDocument::packWithSpeckles(const Pictures& pics, const Region& area, uint8_t* store,
                                       WorkerPool& pool) {
  const int w = regionWidth, h = regionHeight;
  constexpr int kStripe = 64;
  std::vector<std::vector<uint8_t>> scratch(static_cast<size_t>(pool.size()));
  try {
    for (auto& one : scratch) one.resize(static_cast<size_t>(w) * kStripe * 4);
  } catch (const std::bad_alloc&) {
    return false;
  }
  pool.run((h + kStripe - 1) / kStripe, [&](int64_t stripe, int worker) {
    const int y0 = static_cast<int>(stripe) * kStripe, rows = std::min(kStripe, h - y0);
    uint8_t* packed = scratch[static_cast<size_t>(worker)].data();
    packColoured(pics, area, 0, y0, w, rows, packed, nullptr);
    StorePixels(packed, int64_t{w} * 4, store + int64_t{y0} * w * 3, int64_t{w} * 3, w, rows, nullptr);
  });
  const InterleavedImage image{store, w, h, 3, static_cast<ptrdiff_t>(w) * 3};
  const int passes = static_cast<int>(nr_.noiseLevel / 6.0 + 1.0);
  for (int i = 0; i < passes; ++i)
    if (!RemoveSpeckles(image, 7, &pool)) break;
  return true;
}

int DenoiseDocument::denoiseBlock(uint8_t* block, int width, int height,
                                  const NoiseReduceParams& params, const EngineOptions& options) {
  return engine(width, height, -1, block, &params, options);
}

int DenoiseDocument::runEngine(const Pictures& pics, const Region& area, bool speckled,
                               uint8_t* block, uint8_t* store, const NoiseReduceParams& params,
                               WorkerPool& pool, StageClock& clock) {
  if (engine == nullptr) return NR_INVALID_PARAMETER;
  EngineMemory memory;
  EngineOptions options;
  options.threads = pool.size();
  options.allocator = memory.allocator();
  const int w = regionWidth;
  int r = NR_OK;
  forEachBlock(blockGrid(), [&](const Rect& b) {
    const int blockW = b.width(), blockH = b.height();
    uint8_t* stored = store + (static_cast<int64_t>(b.top) * w + b.left) * 3;
    // The block as the working buffer holds it: packed and colour-corrected, or after the
    // speckle passes, which needed the whole region.
    if (speckled) {
      CopyPixels(stored, int64_t{w} * 3, 3, block, int64_t{blockW} * 4, blockW, blockH, &pool);
    } else {
      packColoured(pics, area, b.left, b.top, blockW, blockH, block, &pool);
    }
    clock.mark(&RunTimings::pack);
    if (blockW >= kMinBlockSide && blockH >= kMinBlockSide)
      r = denoiseBlock(block, blockW, blockH, params, options);
    clock.mark(&RunTimings::engine);
    StorePixels(block, int64_t{blockW} * 4, stored, int64_t{w} * 3, blockW, blockH, &pool);
    clock.mark(&RunTimings::pack);
  });
  return r;
}

const PictureNoise& DenoiseDocument::pictureNoise(const Pictures& pics, WorkerPool& pool) {
  // Measured once per picture: a sample of its pixels tells whether it is still the same one.
  uint64_t print = 1469598103934665603ull;
  const int64_t bytes = static_cast<int64_t>(pics.width) * pics.height * 3;
  const int64_t step = std::max<int64_t>(1, bytes / 4099);
  for (int64_t i = 0; i < bytes; i += step) print = (print ^ pics.source[i]) * 1099511628211ull;
  if (!noiseKnown_ || noiseKey_ != std::make_tuple(pics.source, pics.width, pics.height, print)) {
    noise_ = MeasurePictureNoise(pics.source, pics.width, pics.height, &pool);
    noiseKey_ = std::make_tuple(pics.source, pics.width, pics.height, print);
    noiseKnown_ = true;
  }
  return noise_;
}

int DenoiseDocument::runPhotoRegion(const Pictures& pics, const Region& area, uint8_t* before,
                                    uint8_t* store, WorkerPool& pool) {
  const int w = regionWidth, h = regionHeight;
  packColoured(pics, area, 0, 0, w, h, before, &pool);
  SwapBuffer work(&host_);
  work.setThreshold(swapThresholdBytes());
  if (!work.allocate(static_cast<int64_t>(w) * h * 4) || work.data() == nullptr)
    return NR_OUT_OF_MEMORY;
  // The blocks cover the region, so every colour byte of work is written before it is stored.
  const int r = runPhoto(work.data(), before, pics, pool);
  StorePixels(work.data(), int64_t{w} * 4, store, int64_t{w} * 3, w, h, &pool);
  return r;
}

int DenoiseDocument::runPhoto(uint8_t* work, const uint8_t* before, const Pictures& pics,
                              WorkerPool& pool) {
  PhotoDenoiseParams params;
  params.noise = PhotoNoiseShape(pictureNoise(pics, pool));
  params.strength = nr_.noiseLevel;
  params.threads = pool.size();
  params.progress = &EngineProgress;
  params.progressContext = this;
  const int64_t stride = int64_t{regionWidth} * 4;
  int r = NR_OK;
  PhotoScratch scratch;
  // Every block is read from the unprocessed copy with its surroundings, so blocks join
  // without seams.
  forEachBlock(blockGrid(), [&](const Rect& b) {
    if (r == NR_OK || r == NR_CANCELLED)
      r = PhotoDenoise(before, work, regionWidth, regionHeight, stride, b, params, &scratch);
  });
  return r;
}

// The run, stage by stage. Each stage reads the document's settings; the buffers live here.
Result DenoiseDocument::runNoiseReduction(bool regionOnly) {
  const Result notStarted{ResultKind::kRun, kRunNotStarted};
  host_.setWaitCursor(true);
  cancelRequested = false;
  const Pictures first = pictures();
  if (busy || fullCropMode || first.source == nullptr || first.result == nullptr ||
      first.width <= 0 || first.height <= 0) {
    host_.setWaitCursor(false);
    return notStarted;
  }
  RunEnd end{*this, host_};
  auto fail = [this](const Result& why) {
    host_.showMessage(ResultWords(why));
    return why;
  };
  host_.beginEscapeWatch();
  if (progressWindow) progressWindow->setText("Starting process...");
  NoiseReduceParams params = engineParams();

  const Region area = runArea(regionOnly, first);
  // An empty region has nothing to process (and is not a memory failure).
  if (regionWidth <= 0 || regionHeight <= 0) return notStarted;

  busy = true;
  runStateChanged();
  host_.drainEvents();

  // The drain may have run the event loop; take the pictures again.
  const Pictures pics = pictures();
  if (pics.source == nullptr || pics.result == nullptr || pics.width != first.width ||
      pics.height != first.height)
    return notStarted;

  // The working buffer holds the region after the engine, three bytes per pixel; the block
  // buffer one block at a time on its way through the engine, packed. Neither the packed
  // region before the engine nor the sharpened copy or the edge map is kept whole: the
  // composition makes them a stripe at a time from the source picture.
  const BlockGrid grid = blockGrid();
  const int64_t threshold = swapThresholdBytes();
  workBuffer.setThreshold(threshold);
  beforeBuffer.setThreshold(threshold);
  // Photo mode reads every block with its surroundings: the packed region is held whole.
  const bool photo = nr_.mode == kModePhoto;
  workBuffer.allocate(static_cast<int64_t>(regionWidth) * regionHeight * 3);
  beforeBuffer.allocate(photo ? static_cast<int64_t>(regionWidth) * regionHeight * 4
                              : static_cast<int64_t>(grid.lastW) * grid.lastH * 4);
  uint8_t* store = workBuffer.data();
  if (store == nullptr) return fail(Result{ResultKind::kRun, kRunNoWorkBuffer});
  uint8_t* block = beforeBuffer.data();
  if (block == nullptr) return fail(Result{ResultKind::kRun, kRunNoCopyBuffer});

  StageClock clock(timings);
  WorkerPool pool(threads > 0 ? threads : DefaultThreadCount());
  releaseQuickPreview();
  if (progressWindow) progressWindow->setText("Preparing buffers...");
  // Photo mode cleans edges itself: no sharpened copy, no edge weighting.
  const int sharpenWith = !photo && nr_.sharpenEdges && nr_.sharpenAmount > 0 ? nr_.sharpenAmount : 0;

  bool speckled = false;
  if (nr_.mode == kModeScanner) {
    params = engineParams();
    speckled = packWithSpeckles(pics, area, store, pool);
    if (!speckled) return fail(Result{ResultKind::kRun, kRunNoWorkBuffer});
  }
  clock.mark(&RunTimings::speckle);

  const int result = photo ? runPhotoRegion(pics, area, block, store, pool)
                           : runEngine(pics, area, speckled, block, store, params, pool, clock);
  clock.mark(&RunTimings::engine);

  if (progressWindow) progressWindow->setText("Finishing...");
  busy = 0;
  Result outcome{ResultKind::kEngine, result};
  if (result == NR_OK) {
    if (!composeRegion(area, pics, store, sharpenWith, pool, clock)) outcome = notStarted;
  } else {
    host_.showMessage(ResultWords(outcome));
  }
  clock.mark(&RunTimings::compose);
  statusProgress.reset();
  return outcome;
}

Region DenoiseDocument::runArea(bool regionOnly, const Pictures& pics) {
  Region r = regionOnly ? region : Region{0, 0, pics.width, pics.height};
  r.right = std::clamp(r.right, 0, pics.width);
  r.left = std::clamp(r.left, 0, pics.width);
  r.bottom = std::clamp(r.bottom, 0, pics.height);
  r.top = std::clamp(r.top, 0, pics.height);
  regionWidth = r.right - r.left;
  regionHeight = r.bottom - r.top;
  return r;
}

bool DenoiseDocument::composeRegion(const Region& area, const Pictures& pics, const uint8_t* store,
                                    int sharpenWith, WorkerPool& pool, StageClock& clock) {
  // Only into the pictures the run began with.
  const Pictures out = pictures();
  if (out.result == nullptr || out.width != pics.width || out.height != pics.height) return false;
  const int w = regionWidth, h = regionHeight;
  std::vector<uint8_t> table;
  const bool weighted = nr_.advancedProcessing && nr_.mode != kModePhoto;
  if (weighted || nr_.outputWindow == kOutputEdges) {
    const int largest = LargestSquaredGradient(store, 3, w, h, &pool);
    // Without the memory for it the result is composed without the edge map.
    if (largest >= 0) table = EdgeWeightTable(largest, nr_.edgeThreshold, nr_.mode);
  }
  clock.mark(&RunTimings::edges);
  const bool edges = !table.empty();
  // Which of the unprocessed and sharpened pixels the composition reads.
  const bool needSharpened = edges && sharpenWith > 0;
  const bool needBefore = edges && (sharpenWith == 0 || nr_.mode == kModePortrait);

  // A stripe of rows at a time: the unprocessed rows with one more above and below for the
  // sharpening, the sharpened rows, the edge rows, composed into the result.
  constexpr int kStripe = 32;
  const size_t rowBytes = static_cast<size_t>(w) * 4;
  struct Scratch {
    std::vector<uint8_t> before, sharp, edge, edgeWork;
  };
  std::vector<Scratch> scratch(static_cast<size_t>(pool.size()));
  try {
    for (Scratch& one : scratch) {
      if (needBefore || needSharpened) one.before.resize(rowBytes * (kStripe + 2));
      if (needSharpened) one.sharp.resize(rowBytes * kStripe);
      if (edges) {
        one.edge.resize(static_cast<size_t>(w) * kStripe);
        one.edgeWork.resize(EdgeRowsScratchBytes(w, kStripe));
      }
    }
  } catch (const std::bad_alloc&) {
    host_.showMessage(ResultWords(Result{ResultKind::kRun, kRunNoWorkBuffer}));
    return false;
  }
  Composition base;
  base.width = w;
  base.nrMode = nr_.mode;
  base.outputWindow = nr_.outputWindow;
  base.source = out.source;
  base.result = out.result;
  base.imageStride = static_cast<int64_t>(pics.width) * 3;
  base.left = area.left;
  base.processedBytes = 3;
  pool.run((h + kStripe - 1) / kStripe, [&](int64_t stripe, int worker) {
    Scratch& mine = scratch[static_cast<size_t>(worker)];
    const int y0 = static_cast<int>(stripe) * kStripe, y1 = std::min(y0 + kStripe, h);
    Composition c = base;
    c.height = y1 - y0;
    c.top = area.top + y0;
    c.processed = store + static_cast<int64_t>(y0) * w * 3;
    if (needBefore || needSharpened) {
      const int b0 = needSharpened ? std::max(y0 - 1, 0) : y0;
      const int b1 = needSharpened ? std::min(y1 + 1, h) : y1;
      packColoured(pics, area, 0, b0, w, b1 - b0, mine.before.data(), nullptr);
      const uint8_t* at = mine.before.data() + (y0 - b0) * rowBytes;  // row y0
      c.unprocessed = at;
      if (needSharpened) {
        for (int y = y0; y < y1; ++y) {
          const uint8_t* row = at + (y - y0) * rowBytes;
          SharpenRow(y > 0 ? row - rowBytes : row, row, y + 1 < h ? row + rowBytes : row,
                     mine.sharp.data() + (y - y0) * rowBytes, w, 4, sharpenWith);
        }
        c.sharpened = mine.sharp.data();
      }
    }
    if (edges) {
      EdgeMapRows(store, 3, w, h, y0, y1, table, mine.edge.data(), mine.edgeWork.data());
      c.edges = mine.edge.data();
    }
    ComposeResult(c, nullptr);
  });
  resultValid = true;
  return true;
}

}  // namespace orvane
