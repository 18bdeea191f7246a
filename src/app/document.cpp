#include "app/document.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "colour/colour_correction.h"
#include "imagefile/codec/codec.h"
#include "imagefile/folder_list.h"
#include "imagefile/result_words.h"
#include "pipeline/edge_map.h"
#include "base/worker_pool.h"

namespace orvane {

CHushwickDoc::CHushwickDoc(UiHost& host, SettingsStore& settings)
    : DenoiseDocument(host), ui_(host), settings_(settings) {
  jpegQuality = Read(NoiseSetting::kJpegQuality);
  enhancedSampling = Read(NoiseSetting::kEnhancedSampling);
  cropPreset = settings_.getInt(key::kCropAspect);
  maxBlockW = Read(NoiseSetting::kMaxBlockW);
  maxBlockH = Read(NoiseSetting::kMaxBlockH);
  maxSwapW = Read(NoiseSetting::kMaxSwapW);
  maxSwapH = Read(NoiseSetting::kMaxSwapH);
}

int CHushwickDoc::Read(NoiseSetting id) const { return settings_.getInt(key::RunSetting(id)); }

void CHushwickDoc::Write(NoiseSetting id, int value) { settings_.setInt(key::RunSetting(id), value); }

CHushwickDoc::~CHushwickDoc() { settings_.setInt(key::kCropAspect, cropPreset); }

void CHushwickDoc::storeMemorySettings(int blockW, int blockH, int swapW, int swapH) {
  // Stored as typed; the run takes values below 32 as the defaults.
  maxBlockW = blockW;
  maxBlockH = blockH;
  maxSwapW = swapW;
  maxSwapH = swapH;
  Write(NoiseSetting::kMaxBlockW, blockW);
  Write(NoiseSetting::kMaxBlockH, blockH);
  Write(NoiseSetting::kMaxSwapW, swapW);
  Write(NoiseSetting::kMaxSwapH, swapH);
}

void CHushwickDoc::storeJpegOptions(int quality, int sampling) {
  jpegQuality = quality;
  enhancedSampling = sampling;
  Write(NoiseSetting::kJpegQuality, quality);
  Write(NoiseSetting::kEnhancedSampling, sampling);
}

DenoiseDocument::Pictures CHushwickDoc::pictures() {
  Pictures p;
  if (sourceImage.IsEmpty() || sourceImage.BitsPerPixel() != 24) return p;
  p.source = sourceImage.Pixels();
  p.width = sourceImage.Width();
  p.height = sourceImage.Height();
  // The result must match the source; a run never writes into a picture of another shape.
  if (!resultImage.IsEmpty() && resultImage.BitsPerPixel() == 24 &&
      resultImage.Width() == p.width && resultImage.Height() == p.height)
    p.result = resultImage.Pixels();
  return p;
}

void CHushwickDoc::applyColourChain(uint8_t* packed, int width, int height, WorkerPool* pool) {
  if (pool == nullptr || pool->size() == 1) {
    ColourCorrectionChain::Apply(colour, packed, width, height, PixelLayout::kRgbx4);
    return;
  }
  ParallelFor(*pool, 0, height, 128, [&](int64_t y0, int64_t y1) {
    ColourCorrectionChain::Apply(colour, packed + y0 * width * 4, width, static_cast<int>(y1 - y0),
                                 PixelLayout::kRgbx4);
  });
}

void CHushwickDoc::resetResult() {
  if (resultValid && !fullCropMode) {
    resultImage.CopyFrom(sourceImage);
    resultValid = 0;
  }
}

void CHushwickDoc::startNewPicture(bool keepSwapOrientation) {
  colour.ResetForNewImage();
  enlarge = 1.0;
  cropOffsetX = cropOffsetY = 0;
  panRemainder = PanRemainder{};
  if (!keepSwapOrientation) cropSwapOrientation = 0;
}

void CHushwickDoc::finishNewPicture() {
  resultImage.CopyFrom(sourceImage);
  resultValid = 0;
  if (fullCropMode) {
    EnterFullCropMode(true);
  } else if (views_ != nullptr) {
    views_->selectModeTab(0);
  }
  if (views_ != nullptr) views_->refreshPanes();
  host_.updateAllViews();
}

int CHushwickDoc::openFile(const std::string& filePath) {
  // Read beside the picture shown: a file that cannot be read leaves the document as it was.
  RasterImage loaded;
  int rc = loaded.Load(filePath, ImageFileType::UnknownType, 0);
  if (rc != kOk) return rc;
  // Load leaves bilevel pictures at one bit; everything the document does takes 24 bits.
  if (loaded.BitsPerPixel() != 24) {
    RasterImage wide;
    rc = loaded.ToTrueColour(wide);
    if (rc == kOk) rc = loaded.TakeOver(wide);
    if (rc != kOk) return rc;
  }
  sourceImage = std::move(loaded);
  stepFrom_.clear();
  startNewPicture(false);
  std::error_code ec;
  const auto size = std::filesystem::file_size(filePath, ec);
  fileSize = ec ? 0 : static_cast<int64_t>(size);
  exifCopy = sourceImage.exifBlock;
  exifOrientation = exifCopy.empty() ? 1 : sourceImage.orientation;
  metadataCopy = sourceImage.metadata;
  path = filePath;
  finishNewPicture();
  return kOk;
}

int CHushwickDoc::reloadFile() {
  if (busy) return kInvalidArgument;  // the command is disabled during a run
  std::error_code ec;
  if (path.empty() || !std::filesystem::exists(path, ec)) return kNoFile;
  const int swap = cropSwapOrientation;
  const int rc = openFile(path);
  if (rc == kOk && swap != cropSwapOrientation) {
    cropSwapOrientation = swap;
    if (fullCropMode) EnterFullCropMode(true);
  }
  return rc;
}

std::string FullPath(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(path, ec);
  return ec ? path : full.lexically_normal().string();
}

std::string OpenFailureMessage(const std::string& path, int code) {
  return "Cannot open " + path + ":\n" + LoadFailureWords(path, code);
}

int CHushwickDoc::pastePicture(const uint8_t* rgb, int width, int height) {
  if (busy) return kInvalidArgument;
  if (rgb == nullptr || width <= 0 || height <= 0) return kInvalidArgument;
  RasterImage pasted;
  const int rc = pasted.Create(width, height, 24);
  if (rc != kOk) return rc;
  std::memcpy(pasted.Pixels(), rgb, RasterImage::ImageBytes(width, height, 24));
  sourceImage.TakeOver(pasted);
  sourceImage.exifBlock.clear();
  sourceImage.metadata.clear();
  sourceImage.fileBitsPerSample = 8;
  sourceImage.ResetCameraInfo();
  sourceImage.orientation = 1;
  startNewPicture(false);
  fileSize = static_cast<int64_t>(width) * height * 3;
  exifCopy.clear();
  exifOrientation = 1;
  metadataCopy.clear();
  path = "Untitled";
  finishNewPicture();
  return kOk;
}

int CHushwickDoc::stepInFolder(bool next) {
  if (path.empty() || busy) return kInvalidArgument;
  // After a file that could not be read, the next step goes on from it, not back to it.
  const FolderStep step = StepInFolder(stepFrom_.empty() ? path : stepFrom_, next);
  const std::string words = ResultWords(Result{ResultKind::kFolder, step.result});
  if (!words.empty()) host_.showMessage(words);
  if (step.target.empty()) return kInvalidArgument;
  const int rc = openFile(step.target);
  if (rc != kOk) {
    host_.showMessage(OpenFailureMessage(step.target, rc));
    stepFrom_ = step.target;
    return rc;
  }
  if (views_ != nullptr) {
    views_->addRecentFile(step.target);
    views_->resetView();
  }
  return kOk;
}

int64_t CHushwickDoc::jpegTargetSize() const {
  const int64_t exifSegment = exifCopy.empty() ? 0 : static_cast<int64_t>(exifCopy.size()) + 4;
  return fileSize - exifSegment - JpegMetadataBytes(metadataCopy);
}

CropRectangle CHushwickDoc::CropRect() {
  return ComputeCropRect(sourceImage.Width(), sourceImage.Height(), cropPreset, enlarge,
                         cropSwapOrientation, cropOffsetX, cropOffsetY);
}

int CHushwickDoc::ApplyCrop(const CropRectangle& rect) {
  if (rect.width() <= 0 || rect.height() <= 0) return kInvalidArgument;
  if (sourceImage.IsEmpty() || sourceImage.BitsPerPixel() != 24) return kInvalidArgument;
  RasterImage cropped;
  if (cropped.Create(rect.width(), rect.height(), 24) != kOk) {
    host_.showMessage("Out of memory");
    return kOutOfMemory;
  }
  CropPixels(sourceImage.Pixels(), sourceImage.Width(), sourceImage.Height(), rect,
             cropped.Pixels());
  cropped.CopyInfo(sourceImage);
  return sourceImage.CopyFrom(cropped);
}

void CHushwickDoc::EnterFullCropMode(bool reset) {
  if (reset) {
    enlarge = 1.0;
    cropOffsetX = cropOffsetY = 0;
  }
  fullCropMode = 1;
  viewTab = 0;
  if (views_ != nullptr) views_->selectModeTab(1);
  const int w = sourceImage.Width(), h = sourceImage.Height();
  if (sourceImage.IsEmpty() || fullCropBitmap.Create(w, h, 32) != kOk) {
    fullCropBitmap.Release();
  } else {
    if (resultImage.Width() != w || resultImage.Height() != h) resultImage.CopyFrom(sourceImage);
    const uint8_t* src = sourceImage.Pixels();
    uint8_t* dst = fullCropBitmap.Pixels();
    for (int y = 0; y < h; ++y) {
      const uint8_t* s = src + static_cast<int64_t>(y) * w * 3;
      uint8_t* d = dst + static_cast<int64_t>(h - 1 - y) * w * 4;
      for (int x = 0; x < w; ++x) {
        d[4 * x] = s[3 * x + 2];
        d[4 * x + 1] = s[3 * x + 1];
        d[4 * x + 2] = s[3 * x];
        d[4 * x + 3] = 0;  // not part of the picture; set so the bitmap has no stray bytes
      }
    }
    ColourCorrectionChain::Apply(colour, dst, w, h, PixelLayout::kBgrx4);
  }
  if (views_ != nullptr) views_->updateScrollBars();
  host_.updateAllViews();
}

bool CHushwickDoc::LeaveCropMode(bool ask, bool returnToDetail) {
  if (views_ == nullptr) return false;
  if (!fullCropMode && !ask) return false;
  // Only a crop the user has been shown is applied: outside Full/Crop mode (leaving Curves or
  // Histogram for Detail, say) the remembered preset must not cut the picture unseen.
  bool apply = fullCropMode != 0;
  if (apply && ask && !(enlarge == 1.0 && cropOffsetX == 0 && cropOffsetY == 0)) {
    switch (ui_.askYesNoCancel("Apply Crop to Image?")) {
      case Answer::Cancel:
        views_->selectModeTab(fullCropMode ? 1 : 0);
        return false;
      case Answer::Yes: break;
      case Answer::No: apply = false; break;
    }
  }
  if (apply) {
    ApplyCrop(CropRect());
    cropSwapOrientation = 0;
  }
  enlarge = 1.0;
  cropOffsetX = cropOffsetY = 0;
  fullCropBitmap.Release();
  fullCropMode = 0;
  if (returnToDetail) {
    viewTab = 0;
    resultImage.CopyFrom(sourceImage);
    resultValid = 0;
  }
  if (viewTab == 0) views_->selectModeTab(0);
  views_->updateScrollBars();
  if (returnToDetail) views_->runRegionPreview();
  return true;
}

int CHushwickDoc::RotateImage(bool clockwise) {
  if (fullCropMode || sourceImage.IsEmpty() || sourceImage.BitsPerPixel() != 24)
    return kInvalidArgument;
  host_.setWaitCursor(true);
  const int w = sourceImage.Width(), h = sourceImage.Height();
  if (resultImage.Create(h, w, 24) != kOk) {
    resultImage.CopyFrom(sourceImage);
    host_.setWaitCursor(false);
    host_.showMessage("Out of memory");
    return kOutOfMemory;
  }
  {
    WorkerPool pool(threads > 0 ? threads : DefaultThreadCount());
    RotatePixels(sourceImage.Pixels(), w, h, clockwise, resultImage.Pixels(), &pool);
  }
  resultImage.CopyInfo(sourceImage);
  sourceImage.CopyFrom(resultImage);
  resultValid = 0;
  if (views_ != nullptr) {
    views_->refreshPanes();
    views_->updateScrollBars();
    views_->publishVisibleRegion();
  }
  host_.updateAllViews();
  if (views_ != nullptr) views_->runRegionPreview();
  host_.setWaitCursor(false);
  return kOk;
}

void CHushwickDoc::zoomIn() {
  if (!fullCropMode) return;
  enlarge = ZoomIn(enlarge);
  host_.updateAllViews();
  if (views_ != nullptr) views_->refreshPanes();
}

void CHushwickDoc::zoomOut() {
  if (!fullCropMode) return;
  enlarge = ZoomOut(enlarge);
  host_.updateAllViews();
  if (views_ != nullptr) views_->refreshPanes();
}

void CHushwickDoc::panCrop(int dx, int dy, int clientWidth, int clientHeight) {
  if (!fullCropMode) return;
  PanCrop(CropRect(), clientWidth, clientHeight, dx, dy, panRemainder, cropOffsetX, cropOffsetY);
  CropRect();  // clamps the offsets
  if (views_ != nullptr) views_->publishVisibleRegion();
  host_.updateAllViews();
}

void CHushwickDoc::panCropToFraction(double fx, double fy) {
  if (!fullCropMode) return;
  cropOffsetX = static_cast<int>(sourceImage.Width() * fx);
  cropOffsetY = static_cast<int>(sourceImage.Height() * fy);
  if (views_ != nullptr) views_->refreshPanes();
  host_.updateAllViews();
}

Result CHushwickDoc::writeResult(const std::string& outputPath, bool keepOutputWindow) {
  progressWindow.reset();
  if (!keepOutputWindow && (outputWindow == kOutputEdges || outputWindow == kOutputNoise)) {
    outputWindow = kOutputResult;
    if (views_ != nullptr) views_->refreshPanes();
  }
  if (fullCropMode) LeaveCropMode(false, true);

  progressWindow = host_.createProgressWindow();
  cancelRequested = 0;
  resultValid = 0;
  const Result run = runNoiseReduction(false);
  // Only a run that composed the whole picture is written: a cancelled or failed run has shown
  // its message, and the result then holds at most a preview region.
  if (cancelRequested || !resultValid) {
    progressWindow.reset();
    if (cancelRequested && run.succeeded()) return Result{ResultKind::kEngine, NR_CANCELLED};
    return run;
  }
  auto refuse = [this](int code) {
    progressWindow.reset();
    const Result why{ResultKind::kSave, code};
    host_.showMessage(ResultWords(why));
    return why;
  };
  if (resultImage.IsEmpty()) return refuse(kSaveNoResult);
  struct stat st {};
  if (::stat(outputPath.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0)
    return refuse(kSaveReadOnly);
  if (progressWindow) progressWindow->setText("Saving file...");
  // The whole picture's working buffers are not needed by the region run that follows (it has
  // a size of its own); the writer gets their memory.
  workBuffer.release();
  beforeBuffer.release();
  resultImage.jpegQuality = jpegQuality;
  resultImage.jpegFullChroma = enhancedSampling == 1;
  resultImage.exifBlock = exifCopy;
  resultImage.metadata = metadataCopy;
  resultImage.orientation = exifCopy.empty() ? 1 : exifOrientation;
  // The writers that work in steps move the progress window's bar as they go.
  if (progressWindow) {
    resultImage.saveProgress = [this, ranged = false](int done, int total) mutable {
      if (!progressWindow) return;
      if (!ranged) progressWindow->setRange(0, total);
      ranged = true;
      progressWindow->setPosition(done);
    };
  }
  const int rc = resultImage.Save(outputPath, ImageFileType::UnknownType);
  resultImage.saveProgress = nullptr;
  progressWindow.reset();
  runNoiseReduction(true);
  // A failed write is reported instead of passing for a save.
  if (rc != kOk && rc != kSavedWithoutExif && rc != kInvalidArgument)
    host_.showMessage(ResultWords(Result{ResultKind::kSave, kSaveWriteFailed}));
  return Result{ResultKind::kImage, rc};
}

}  // namespace orvane
