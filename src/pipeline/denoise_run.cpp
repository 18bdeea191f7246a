#include "pipeline/denoise_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>

#include "base/worker_pool.h"
#include "pipeline/edge_map.h"
#include "pipeline/filters.h"

namespace orvane {
namespace {

int EngineProgress(int step, int total, void* context) {
  return static_cast<DenoiseDocument*>(context)->reportProgress(step, total) != 0 ? 1 : 0;
}

// Copies a w x h block into packed pixels: bytes 0..2 of each source pixel (3 or 4 bytes
// wide), byte 3 set to 255. Rows are given in bytes. Packs the region and moves engine blocks.
void CopyPixels(const uint8_t* from, int64_t fromRow, int fromPixel, uint8_t* to, int64_t toRow,
                int w, int h, WorkerPool& pool) {
  ParallelFor(pool, 0, h, 64, [&](int64_t y0, int64_t y1) {
    for (int64_t y = y0; y < y1; ++y) {
      const uint8_t* s = from + y * fromRow;
      uint8_t* d = to + y * toRow;
      for (int x = 0; x < w; ++x) {
        d[4 * x] = s[fromPixel * x];
        d[4 * x + 1] = s[fromPixel * x + 1];
        d[4 * x + 2] = s[fromPixel * x + 2];
        d[4 * x + 3] = 255;
      }
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

// Ends every run the same way, however it ends.
struct RunEnd {
  DenoiseDocument& doc;
  RunHost& host;
  ~RunEnd() {
    doc.busy = 0;
    host.setWaitCursor(false);
  }
};

}  // namespace

DenoiseDocument::DenoiseDocument(RunHost& host)
    : workBuffer(&host), beforeBuffer(&host), host_(host) {}

DenoiseDocument::~DenoiseDocument() = default;

int DenoiseDocument::effectiveMaxBlockW() const {
  return maxBlockW < kMinBlockSide ? kDefaultMaxBlockW : maxBlockW;
}

int DenoiseDocument::effectiveMaxBlockH() const {
  return maxBlockH < kMinBlockSide ? kDefaultMaxBlockH : maxBlockH;
}

int64_t DenoiseDocument::swapThresholdBytes() const {
  const int64_t w = maxSwapW < kMinBlockSide ? kDefaultMaxSwapW : maxSwapW;
  const int64_t h = maxSwapH < kMinBlockSide ? kDefaultMaxSwapH : maxSwapH;
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
  params.levels = std::clamp(levels, 2, 5);
  // Four times the level in High Noise mode, but never past what the engine accepts: a level
  // above 25 there would otherwise end every run as an invalid parameter.
  params.noiseLevel = nrMode == kModeHighNoise ? std::min(noiseLevel * 4.0, kEngineMaxNoiseLevel)
                                               : noiseLevel;
  params.perChannel = perChannel;
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
  if (progressWindow && progressWindow->cancelled()) cancelRequested = 1;
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

int DenoiseDocument::runEngine(uint8_t* work, const NoiseReduceParams& params, WorkerPool& pool) {
  if (engine == nullptr) return NR_INVALID_PARAMETER;
  EngineOptions options;
  options.threads = pool.size();
  const int w = regionWidth, h = regionHeight;
  const BlockGrid g = blockGrid();
  if (g.nx * g.ny == 1) {
    blockStart_ = 0;
    blockShare_ = 1;
    if (w >= kMinBlockSide && h >= kMinBlockSide) return engine(w, h, -1, work, &params, options);
    return NR_OK;
  }
  SwapBuffer block(&host_);
  block.setThreshold(swapThresholdBytes());
  // The run must not hand the engine a buffer it does not have.
  if (!block.allocate(static_cast<int64_t>(g.lastW) * g.lastH * 4) || block.data() == nullptr)
    return NR_OUT_OF_MEMORY;
  int r = NR_OK;
  forEachBlock(g, [&](const Rect& b) {
    const int blockW = b.width(), blockH = b.height();
    uint8_t* origin = work + (static_cast<int64_t>(b.top) * w + b.left) * 4;
    CopyPixels(origin, int64_t{w} * 4, 4, block.data(), int64_t{blockW} * 4, blockW, blockH, pool);
    if (blockW >= kMinBlockSide && blockH >= kMinBlockSide)
      r = engine(blockW, blockH, -1, block.data(), &params, options);
    CopyPixels(block.data(), int64_t{blockW} * 4, 4, origin, int64_t{w} * 4, blockW, blockH, pool);
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

int DenoiseDocument::runPhoto(uint8_t* work, const uint8_t* before, const Pictures& pics,
                              WorkerPool& pool) {
  PhotoDenoiseParams params;
  params.noise = PhotoNoiseShape(pictureNoise(pics, pool));
  params.strength = noiseLevel;
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
  cancelRequested = 0;
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

  busy = 1;
  host_.updateAllViews();
  host_.drainEvents();

  // The drain may have run the event loop; take the pictures again.
  const Pictures pics = pictures();
  if (pics.source == nullptr || pics.result == nullptr || pics.width != first.width ||
      pics.height != first.height)
    return notStarted;

  const int64_t threshold = swapThresholdBytes();
  const int64_t bytes = static_cast<int64_t>(regionWidth) * regionHeight * 4;
  workBuffer.setThreshold(threshold);
  beforeBuffer.setThreshold(threshold);
  workBuffer.allocate(bytes);
  beforeBuffer.allocate(bytes);
  uint8_t* work = workBuffer.data();
  if (work == nullptr) return fail(Result{ResultKind::kRun, kRunNoWorkBuffer});

  StageClock clock(timings);
  WorkerPool pool(threads > 0 ? threads : DefaultThreadCount());
  packRegion(pics, area, work, pool);
  clock.mark(&RunTimings::pack);

  releaseQuickPreview();
  if (outputWindow != kOutputNoise) applyColourChain(work, regionWidth, regionHeight, &pool);
  clock.mark(&RunTimings::colour);

  uint8_t* before = beforeBuffer.data();
  if (before == nullptr) return fail(Result{ResultKind::kRun, kRunNoCopyBuffer});
  std::memcpy(before, work, static_cast<size_t>(bytes));
  if (progressWindow) progressWindow->setText("Preparing buffers...");

  const bool photo = nrMode == kModePhoto;
  SwapBuffer sharpened(&host_);
  sharpened.setThreshold(threshold);
  // Photo mode cleans edges itself: no sharpened copy, no edge weighting.
  const bool haveSharpened = !photo && prepareSharpened(work, sharpened, pool);
  clock.mark(&RunTimings::sharpen);

  if (nrMode == kModeScanner) {
    params = engineParams();
    removeSpeckles(work, pool);
  }
  clock.mark(&RunTimings::speckle);

  const int result = photo ? runPhoto(work, before, pics, pool) : runEngine(work, params, pool);
  clock.mark(&RunTimings::engine);

  SwapBuffer edges(&host_);
  edges.setThreshold(threshold);
  const bool haveEdges = computeEdges(work, edges, pool);
  clock.mark(&RunTimings::edges);

  if (progressWindow) progressWindow->setText("Finishing...");
  busy = 0;
  Result outcome{ResultKind::kEngine, result};
  if (result == NR_OK) {
    const Composition c = composition(area, pics, work, before,
                                      haveSharpened ? sharpened.data() : nullptr,
                                      haveEdges ? edges.data() : nullptr);
    outcome = composeRegion(c, pics, pool) ? Result{ResultKind::kEngine, NR_OK} : notStarted;
  } else {
    host_.showMessage(ResultWords(outcome));
  }
  clock.mark(&RunTimings::compose);
  statusProgress.reset();
  host_.updateAllViews();
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

void DenoiseDocument::packRegion(const Pictures& pics, const Region& area, uint8_t* work,
                                 WorkerPool& pool) {
  const int64_t imageRow = static_cast<int64_t>(pics.width) * 3;
  const uint8_t* origin = pics.source + area.top * imageRow + static_cast<int64_t>(area.left) * 3;
  CopyPixels(origin, imageRow, 3, work, static_cast<int64_t>(regionWidth) * 4, regionWidth,
             regionHeight, pool);
}

bool DenoiseDocument::prepareSharpened(uint8_t* work, SwapBuffer& sharpened, WorkerPool& pool) {
  const int w = regionWidth, h = regionHeight;
  if (!sharpenEdges || sharpenAmount <= 0 ||
      !sharpened.allocate(static_cast<int64_t>(w) * h * 4) || !sharpened.data())
    return false;
  // Colour bytes sharpened; byte 3 is 255 everywhere, which sharpening leaves at 255, so
  // taking it through the filter too spares copying the region first.
  const InterleavedImage in{work, w, h, 4, static_cast<ptrdiff_t>(w) * 4};
  const InterleavedImage out{sharpened.data(), w, h, 4, static_cast<ptrdiff_t>(w) * 4};
  return Sharpen(in, out, sharpenAmount, 0xF, &pool);
}

void DenoiseDocument::removeSpeckles(uint8_t* work, WorkerPool& pool) {
  const InterleavedImage image{work, regionWidth, regionHeight, 4,
                               static_cast<ptrdiff_t>(regionWidth) * 4};
  const int passes = static_cast<int>(noiseLevel / 6.0 + 1.0);
  for (int i = 0; i < passes; ++i)
    if (!RemoveSpeckles(image, 7, &pool)) break;
}

bool DenoiseDocument::computeEdges(const uint8_t* work, SwapBuffer& edges, WorkerPool& pool) {
  const int w = regionWidth, h = regionHeight;
  const bool weighted = advancedProcessing && nrMode != kModePhoto;
  if (!(weighted || outputWindow == kOutputEdges)) return false;
  if (!edges.allocate(static_cast<int64_t>(w) * h) || !edges.data()) return false;
  return ComputeEdgeMap(work, w, h, edges.data(), edgeThreshold, nrMode, &pool);
}

Composition DenoiseDocument::composition(const Region& area, const Pictures& pics,
                                         const uint8_t* work, const uint8_t* before,
                                         const uint8_t* sharpened, const uint8_t* edges) const {
  Composition c;
  c.width = regionWidth;
  c.height = regionHeight;
  c.processed = work;
  c.unprocessed = before;
  c.sharpened = sharpened;
  c.edges = edges;
  c.nrMode = nrMode;
  c.outputWindow = outputWindow;
  c.imageStride = static_cast<int64_t>(pics.width) * 3;
  c.left = area.left;
  c.top = area.top;
  return c;
}

bool DenoiseDocument::composeRegion(Composition c, const Pictures& pics, WorkerPool& pool) {
  // Only into the pictures the run began with.
  const Pictures out = pictures();
  if (out.result == nullptr || out.width != pics.width || out.height != pics.height) return false;
  c.source = out.source;
  c.result = out.result;
  ComposeResult(c, &pool);
  resultValid = 1;
  return true;
}

}  // namespace orvane
