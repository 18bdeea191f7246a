// The noise-reduction run: packs the region (or the whole picture) into 32-bit pixels, applies
// the colour work, prepares the sharpened copy and Scanner mode's speckle passes, drives the
// engine in one piece or block by block with progress and cancellation, and composes the result.
//
// DenoiseDocument holds the state the run reads and writes; the document class derives from it
// and supplies the pictures and the colour chain.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <tuple>

#include "base/rect.h"
#include "engine/engine_options.h"
#include "engine/noise_reduce.h"
#include "imagefile/result_words.h"
#include "pipeline/run_host.h"
#include "engine/photo_denoise.h"
#include "pipeline/edge_map.h"
#include "pipeline/noise_estimate.h"
#include "pipeline/noise_settings.h"
#include "pipeline/swap_buffer.h"

namespace orvane {

class WorkerPool;

using Region = Rect;

// The engine entry point; the document uses NoiseReduceWith, tests a recording fake. The
// options carry the run's thread count.
using EngineFunction = int (*)(int width, int height, int stride, uint8_t* buffer,
                               const NoiseReduceParams* params, const EngineOptions& options);

// The largest threshold the engine accepts; High Noise mode's factor is capped to it.
inline constexpr double kEngineMaxNoiseLevel = 100.0;

inline constexpr int kDefaultMaxBlockW = DefaultInt(NoiseSetting::kMaxBlockW);
inline constexpr int kDefaultMaxBlockH = DefaultInt(NoiseSetting::kMaxBlockH);
inline constexpr int kDefaultMaxSwapW = DefaultInt(NoiseSetting::kMaxSwapW);
inline constexpr int kDefaultMaxSwapH = DefaultInt(NoiseSetting::kMaxSwapH);
// Blocks narrower or shorter than this are not given to the engine; stored block or swap sizes
// below it are taken as the defaults so that no stored value can break the block grid.
inline constexpr int kMinBlockSide = 32;

// Seconds spent in each stage of the last run, for the benchmark.
struct RunTimings {
  double pack = 0, colour = 0, sharpen = 0, speckle = 0, engine = 0, edges = 0, compose = 0;
};

// How the run cuts the region into blocks: nx x ny blocks of bw x bh pixels, those of the last
// column lastW wide and of the last row lastH tall. A region within the block limits is one
// block of 1 x 1, which shows no block texts.
struct BlockGrid {
  int nx = 1, ny = 1, bw = 0, bh = 0, lastW = 0, lastH = 0;
};

class StageClock;

class DenoiseDocument {
 public:
  explicit DenoiseDocument(RunHost& host);
  virtual ~DenoiseDocument();
  DenoiseDocument(const DenoiseDocument&) = delete;
  DenoiseDocument& operator=(const DenoiseDocument&) = delete;

  // Runs over the region or the whole picture; see denoise_run.cpp for the steps. Failures
  // have been shown to the user; the result says which it was (an engine code when the
  // engine ran, otherwise one of the run's own).
  Result runNoiseReduction(bool regionOnly);
  // The engine's progress report; nonzero asks the engine to stop.
  int reportProgress(int step, int total);

  RunHost& host() { return host_; }

  // Stores the region, then keeps it inside the source picture by moving it left and up.
  void setRegion(int left, int top, int right, int bottom);

  // The block and swap sizes the run uses: stored values below 32 count as the defaults.
  int effectiveMaxBlockW() const;
  int effectiveMaxBlockH() const;
  int64_t swapThresholdBytes() const;

  // The settings the run reads. Changing them goes through apply..., which the document
  // overrides to tell whoever shows it.
  const NrSettings& nrSettings() const { return nr_; }
  const MemorySettings& memorySettings() const { return memory_; }
  virtual void applyNrSettings(const NrSettings& settings) { nr_ = settings; }
  virtual void applyMemorySettings(const MemorySettings& settings) { memory_ = settings; }
  // The run's state changed: it started, or it ended (with or without a result).
  virtual void runStateChanged() {}

  // Run state.
  bool busy = false;
  bool cancelRequested = false;
  bool resultValid = false;
  bool fullCropMode = false;
  int regionWidth = 0;
  int regionHeight = 0;
  Region region;
  std::unique_ptr<ProgressWindow> progressWindow;   // put there by whoever starts a long run
  std::unique_ptr<StatusBarProgress> statusProgress;
  // Kept between runs so that a run over a region of the same size reuses their memory:
  // workBuffer holds the region after the engine (red, green, blue: three bytes per pixel),
  // beforeBuffer one block at a time, packed, on its way through the engine.
  SwapBuffer workBuffer;
  SwapBuffer beforeBuffer;

  // Filled by every run when set.
  RunTimings* timings = nullptr;
  // Threads for the per-pixel stages and the engine; 0 means DefaultThreadCount().
  int threads = 0;
  EngineFunction engine = &NoiseReduceWith;

 protected:
  // The source and result pictures: 24-bit, rows of width x 3 bytes, equal sizes. Null pixels
  // or a zero size mean no picture.
  struct Pictures {
    const uint8_t* source = nullptr;
    uint8_t* result = nullptr;
    int width = 0;
    int height = 0;
  };
  virtual Pictures pictures() = 0;
  // The colour-correction chain on packed pixels (red, green, blue, 255); pool may be used to
  // split the work (the chain is per pixel, so any split gives the same bytes). The run calls
  // it for a block or a stripe of rows at a time, from several threads at once for different
  // pixels.
  virtual void applyColourChain(uint8_t* packed, int width, int height, WorkerPool* pool) = 0;
  // Drops the quick colour preview of the region; every run does.
  virtual void releaseQuickPreview() {}

  RunHost& host_;
  NrSettings nr_;
  MemorySettings memory_;

 private:
  // The stages of a run, in the order runNoiseReduction calls them.
  Region runArea(bool regionOnly, const Pictures& pics);  // also sets regionWidth, regionHeight
  NoiseReduceParams engineParams();
  BlockGrid blockGrid() const;
  // Visits the blocks column by column with the progress window's block texts and shares.
  void forEachBlock(const BlockGrid& grid, const std::function<void(const Rect&)>& body);
  // Packs w x h pixels of the region from (x, y) into rows of w x 4 bytes, with the colour work
  // unless the output window is the filtered noise.
  void packColoured(const Pictures& pics, const Region& area, int x, int y, int w, int h,
                    uint8_t* to, WorkerPool* pool);
  // Scanner mode: the packed region into the working buffer, and the speckle passes over it.
  bool packWithSpeckles(const Pictures& pics, const Region& area, uint8_t* store,
                        WorkerPool& pool);
  int runEngine(const Pictures& pics, const Region& area, bool speckled, uint8_t* block,
                uint8_t* store, const NoiseReduceParams& params, WorkerPool& pool,
                StageClock& clock);
  // Denoises one block of packed pixels (rows of width x 4 bytes); an engine result code.
  int denoiseBlock(uint8_t* block, int width, int height, const NoiseReduceParams& params,
                   const EngineOptions& options);
  // Photo mode: the packed region whole in before (which must hold it), cleaned block by
  // block with the surroundings of each, into the working buffer.
  int runPhotoRegion(const Pictures& pics, const Region& area, uint8_t* before, uint8_t* store,
                     WorkerPool& pool);
  // Photo mode: cleans work from the unprocessed copy, block by block.
  int runPhoto(uint8_t* work, const uint8_t* before, const Pictures& pics, WorkerPool& pool);
  // The edge map, the sharpened copy (sharpenWith > 0: its amount) and the composition into
  // the result picture, a stripe of rows at a time.
  bool composeRegion(const Region& area, const Pictures& pics, const uint8_t* store,
                     int sharpenWith, WorkerPool& pool, StageClock& clock);

  // The part of the run that the engine call in progress covers: the share of pixels done
  // before it and its own share, so that progress adds up over blocks.
  double blockStart_ = 0, blockShare_ = 1;

  // The picture's noise for Photo mode, measured once per picture.
  const PictureNoise& pictureNoise(const Pictures& pics, WorkerPool& pool);
  PictureNoise noise_;
  bool noiseKnown_ = false;
  std::tuple<const uint8_t*, int, int, uint64_t> noiseKey_;
};

// Edits a copy of a document's settings record and applies it.
template <class Edit>
void EditNrSettings(DenoiseDocument& doc, Edit edit) {
  NrSettings settings = doc.nrSettings();
  edit(settings);
  doc.applyNrSettings(settings);
}
template <class Edit>
void EditMemorySettings(DenoiseDocument& doc, Edit edit) {
  MemorySettings settings = doc.memorySettings();
  edit(settings);
  doc.applyMemorySettings(settings);
}

}  // namespace orvane
