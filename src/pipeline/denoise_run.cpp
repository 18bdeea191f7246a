#include "pipeline/denoise_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

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

int DenoiseDocument::runEngine(uint8_t* work, const NoiseReduceParams& params, WorkerPool& pool) {
  if (engine == nullptr) return NR_INVALID_PARAMETER;
  EngineOptions options;
  options.threads = pool.size();
  const int maxW = effectiveMaxBlockW(), maxH = effectiveMaxBlockH();
  const int w = regionWidth, h = regionHeight;
  blockStart_ = 0;
  blockShare_ = 1;
  if (w <= maxW && h <= maxH) {
    if (w >= kMinBlockSide && h >= kMinBlockSide) return engine(w, h, -1, work, &params, options);
    return NR_OK;
  }
  // Both dimensions use the formula once either exceeds its limit; a dimension equal to a
  // multiple of its limit gets one block more than it needs. A limit just above the engine's
  // smallest side would make blocks it cannot take (99 pixels with a limit of 33: four of 24,
  // left undenoised), so a dimension never gets more blocks than it has 32-pixel lengths.
  const int nx = std::min(w / maxW + 1, std::max(1, w / kMinBlockSide));
  const int ny = std::min(h / maxH + 1, std::max(1, h / kMinBlockSide));
  const int bw = w / nx, bh = h / ny;
  const int lastW = bw + (w - nx * bw), lastH = bh + (h - ny * bh);
  SwapBuffer block(&host_);
  block.setThreshold(swapThresholdBytes());
  // The run must not hand the engine a buffer it does not have.
  if (!block.allocate(static_cast<int64_t>(lastW) * lastH * 4) || block.data() == nullptr)
    return NR_OUT_OF_MEMORY;
  int r = NR_OK;
  int counter = 1;
  const int total = nx * ny;
  for (int ix = 0; ix < nx; ++ix) {
    const int x0 = ix * bw;
    const int blockW = ix == nx - 1 ? lastW : bw;
    for (int iy = 0; iy < ny; ++iy) {
      const int y0 = iy * bh;
      const int blockH = iy == ny - 1 ? lastH : bh;
      uint8_t* origin = work + (static_cast<int64_t>(y0) * w + x0) * 4;
      CopyPixels(origin, int64_t{w} * 4, 4, block.data(), int64_t{blockW} * 4, blockW, blockH, pool);
      if (progressWindow) {
        char text[64];
        std::snprintf(text, sizeof text, "Processing block %d/%d...", counter, total);
        progressWindow->setText(text);
      }
      ++counter;
      blockShare_ = static_cast<double>(blockW) * blockH / (static_cast<double>(w) * h);
      if (blockW >= kMinBlockSide && blockH >= kMinBlockSide)
        r = engine(blockW, blockH, -1, block.data(), &params, options);
      CopyPixels(block.data(), int64_t{blockW} * 4, 4, origin, int64_t{w} * 4, blockW, blockH, pool);
      blockStart_ += blockShare_;
    }
  }
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

  SwapBuffer sharpened(&host_);
  sharpened.setThreshold(threshold);
  const bool haveSharpened = prepareSharpened(work, sharpened, pool);
  clock.mark(&RunTimings::sharpen);

  if (nrMode == kModeScanner) {
    params = engineParams();
    removeSpeckles(work, pool);
  }
  clock.mark(&RunTimings::speckle);

  const int result = runEngine(work, params, pool);
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
  if (!(advancedProcessing || outputWindow == kOutputEdges)) return false;
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
