#include "app/document.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "colour/colour_correction.h"
#include "imagefile/codec/bmp.h"
#include "imagefile/codec/codec.h"
#include "imagefile/folder_list.h"
#include "imagefile/jpeg_options.h"
#include "imagefile/result_words.h"
#include "app/nr_options_pane.h"
#include "pipeline/noise_estimate.h"
#include "pipeline/edge_map.h"
#include "base/worker_pool.h"

namespace orvane {

CHushwickDoc::CHushwickDoc(UiHost& host, SettingsStore& settings)
    : DenoiseDocument(host), ui_(host), settings_(settings) {
  // A hand-edited or damaged store: a quality beyond what the front ends offer is brought into
  // their range, a preset that does not exist is the default.
  jpeg_.quality = std::clamp(Read(NoiseSetting::kJpegQuality), kJpegQualityMin, kJpegQualityMax);
  jpeg_.enhancedSampling = Read(NoiseSetting::kEnhancedSampling) != 0;
  crop_.preset = settings_.getInt(key::kCropAspect);
  if (crop_.preset < 0 || crop_.preset >= kCropPresetCount) crop_.preset = kCropPresetKeep;
  memory_.maxBlockW = Read(NoiseSetting::kMaxBlockW);
  memory_.maxBlockH = Read(NoiseSetting::kMaxBlockH);
  memory_.maxSwapW = Read(NoiseSetting::kMaxSwapW);
  memory_.maxSwapH = Read(NoiseSetting::kMaxSwapH);
}

int CHushwickDoc::Read(NoiseSetting id) const { return settings_.getInt(key::RunSetting(id)); }

void CHushwickDoc::Write(NoiseSetting id, int value) { settings_.setInt(key::RunSetting(id), value); }

CHushwickDoc::~CHushwickDoc() { settings_.setInt(key::kCropAspect, crop_.preset); }

void CHushwickDoc::notify(unsigned changes, const void* origin) {
  if (observer_ != nullptr) observer_->documentChanged(changes, origin);
}

void CHushwickDoc::applyNrSettings(const NrSettings& settings, const void* origin) {
  nr_ = settings;
  notify(kChangeSettings, origin);
}

void CHushwickDoc::applyNoiseLevel(double level, const void* origin) {
  NrSettings s = nr_;
  s.noiseLevel = level;
  applyNrSettings(s, origin);
}

void CHushwickDoc::applyColour(const ColourParams& colour, const void* origin) {
  colour_ = colour;
  notify(kChangeSettings, origin);
}

void CHushwickDoc::applyCropState(const CropState& crop, const void* origin) {
  crop_ = crop;
  notify(kChangeCrop, origin);
}

double CHushwickDoc::estimateNoiseLevel(int mode, const void* origin) {
  const double estimated = AutomaticNoiseLevel(sourceImage, mode, threads);
  if (estimated < 0) return -1;
  const double level = AutoNoiseLevel(estimated);
  applyNoiseLevel(level, origin);
  return level;
}

int CHushwickDoc::matchToImage(ReferenceStore& store, const std::string& file) {
  const int rc = LoadReferenceImage(store, file, sourceImage, colour_);
  notify(kChangeSettings);
  return rc;
}

void CHushwickDoc::matchToProfile(const ReferenceSlot& profile) {
  BuildMatchTables(sourceImage, profile, colour_.matchTables);
  colour_.matchMode = MatchMode::kProfile;
  notify(kChangeSettings);
}

void CHushwickDoc::setEnlarge(double enlarge) {
  crop_.enlarge = enlarge;
  notify(kChangeCrop);
}

void CHushwickDoc::showPlot(ViewTab target) {
  if (observer_ == nullptr) return;  // nothing shows a plot
  // Leaving Full/Crop mode for a plot asks first; a cancel stays where the view was.
  if (viewTab_ != ViewTab::kPicture || LeaveCropMode(true, false)) {
    viewTab_ = target;
    if (target == ViewTab::kHistogram) ComputeHistogramBars(sourceImage, colour_, histogramBars);
  } else {
    viewTab_ = ViewTab::kPicture;
  }
  notify(kChangeMode);
}

void CHushwickDoc::newDocument() {
  path.clear();
  if (fullCropMode) {
    fullCropMode = false;
    fullCropBitmap.Release();
  }
  notify(kChangeMode | kChangeSettings);
}

void CHushwickDoc::storeMemorySettings(int blockW, int blockH, int swapW, int swapH) {
  // Stored as typed; the run takes values below 32 as the defaults.
  memory_ = MemorySettings{blockW, blockH, swapW, swapH};
  Write(NoiseSetting::kMaxBlockW, blockW);
  Write(NoiseSetting::kMaxBlockH, blockH);
  Write(NoiseSetting::kMaxSwapW, swapW);
  Write(NoiseSetting::kMaxSwapH, swapH);
}

void CHushwickDoc::storeJpegOptions(int quality, bool enhancedSampling) {
  jpeg_ = JpegSettings{quality, enhancedSampling};
  Write(NoiseSetting::kJpegQuality, quality);
  Write(NoiseSetting::kEnhancedSampling, enhancedSampling ? 1 : 0);
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
    ColourCorrectionChain::Apply(colour_, packed, width, height, PixelLayout::kRgbx4);
    return;
  }
  ParallelFor(*pool, 0, height, 128, [&](int64_t y0, int64_t y1) {
    ColourCorrectionChain::Apply(colour_, packed + y0 * width * 4, width, static_cast<int>(y1 - y0),
                                 PixelLayout::kRgbx4);
  });
}

void CHushwickDoc::resetResult() {
  if (resultValid && !fullCropMode) {
    resultImage.CopyFrom(sourceImage);
    resultValid = false;
  }
}

void CHushwickDoc::startNewPicture(bool keepSwapOrientation) {
  colour_.ResetForNewImage();
  crop_.enlarge = 1.0;
  crop_.offsetX = crop_.offsetY = 0;
  panRemainder_ = PanRemainder{};
  if (!keepSwapOrientation) crop_.swapOrientation = false;
}

void CHushwickDoc::finishNewPicture(unsigned changes) {
  resultImage.CopyFrom(sourceImage);
  resultValid = false;
  if (fullCropMode) EnterFullCropMode(true);
  notify(kChangePicture | kChangeSettings | kChangeCrop | kChangeMode | kChangeRegion | changes);
}

int CHushwickDoc::openFile(const std::string& filePath) {
  const int rc = loadFile(filePath);
  if (rc == kOk) finishNewPicture(0);
  return rc;
}

int CHushwickDoc::loadFile(const std::string& filePath) {
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
  return kOk;
}

int CHushwickDoc::reloadFile() {
  if (busy) return kInvalidArgument;  // the command is disabled during a run
  std::error_code ec;
  if (path.empty() || !std::filesystem::exists(path, ec)) return kNoFile;
  const bool swap = crop_.swapOrientation;
  const int rc = openFile(path);
  if (rc == kOk && swap != crop_.swapOrientation) {
    crop_.swapOrientation = swap;
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
  finishNewPicture(0);
  return kOk;
}

int CHushwickDoc::pasteBitmap(std::span<const uint8_t> bitmap) {
  // The clipboard holds the bitmap without its 14-byte file header; some programs add it.
  if (bitmap.size() > 14 && bitmap[0] == 'B' && bitmap[1] == 'M') bitmap = bitmap.subspan(14);
  RasterImage pasted;
  const int rc = ConvertClipboardDib(bitmap, pasted);
  if (rc != kOk) return rc;
  return pastePicture(pasted.Pixels(), pasted.Width(), pasted.Height());
}

int CHushwickDoc::stepInFolder(bool next) {
  if (path.empty() || busy) return kInvalidArgument;
  // After a file that could not be read, the next step goes on from it, not back to it.
  const FolderStep step = StepInFolder(stepFrom_.empty() ? path : stepFrom_, next);
  const std::string words = ResultWords(Result{ResultKind::kFolder, step.result});
  if (!words.empty()) host_.showMessage(words);
  if (step.target.empty()) return kInvalidArgument;
  const int rc = loadFile(step.target);
  if (rc != kOk) {
    host_.showMessage(OpenFailureMessage(step.target, rc));
    stepFrom_ = step.target;
    return rc;
  }
  finishNewPicture(kChangeFile);
  return kOk;
}

int64_t CHushwickDoc::jpegTargetSize() const {
  const int64_t exifSegment = exifCopy.empty() ? 0 : static_cast<int64_t>(exifCopy.size()) + 4;
  return fileSize - exifSegment - JpegMetadataBytes(metadataCopy);
}

CropRectangle CHushwickDoc::CropRect() {
  return ComputeCropRect(sourceImage.Width(), sourceImage.Height(), crop_.preset, crop_.enlarge,
                         crop_.swapOrientation, crop_.offsetX, crop_.offsetY);
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
    crop_.enlarge = 1.0;
    crop_.offsetX = crop_.offsetY = 0;
  }
  fullCropMode = true;
  viewTab_ = ViewTab::kPicture;
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
    ColourCorrectionChain::Apply(colour_, dst, w, h, PixelLayout::kBgrx4);
  }
  notify(kChangeMode | kChangeCrop);
}

bool CHushwickDoc::LeaveCropMode(bool ask, bool returnToDetail) {
  if (observer_ == nullptr) return false;
  if (!fullCropMode && !ask) return false;
  // Only a crop the user has been shown is applied: outside Full/Crop mode (leaving Curves or
  // Histogram for Detail, say) the remembered preset must not cut the picture unseen.
  bool apply = fullCropMode;
  if (apply && ask && !(crop_.enlarge == 1.0 && crop_.offsetX == 0 && crop_.offsetY == 0)) {
    switch (ui_.askYesNoCancel("Apply Crop to Image?")) {
      case Answer::Cancel:
        notify(kChangeMode);
        return false;
      case Answer::Yes: break;
      case Answer::No: apply = false; break;
    }
  }
  if (apply) {
    ApplyCrop(CropRect());
    crop_.swapOrientation = false;
  }
  crop_.enlarge = 1.0;
  crop_.offsetX = crop_.offsetY = 0;
  fullCropBitmap.Release();
  fullCropMode = false;
  // The result keeps the source's shape: a crop applied on the way to a plot leaves no result
  // of the old size behind for the next run (or save) to refuse.
  if (apply || returnToDetail) {
    resultImage.CopyFrom(sourceImage);
    resultValid = false;
  }
  if (returnToDetail) viewTab_ = ViewTab::kPicture;
  notify(kChangeMode | kChangeCrop | (apply ? kChangePicture : 0u) |
         (returnToDetail ? kChangeStale : 0u));
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
  resultValid = false;
  notify(kChangePicture | kChangeRegion | kChangeStale);
  host_.setWaitCursor(false);
  return kOk;
}

void CHushwickDoc::zoomIn() {
  if (!fullCropMode) return;
  crop_.enlarge = ZoomIn(crop_.enlarge);
  notify(kChangeCrop);
}

void CHushwickDoc::zoomOut() {
  if (!fullCropMode) return;
  crop_.enlarge = ZoomOut(crop_.enlarge);
  notify(kChangeCrop);
}

void CHushwickDoc::panCrop(int dx, int dy, int clientWidth, int clientHeight) {
  if (!fullCropMode) return;
  PanCrop(CropRect(), clientWidth, clientHeight, dx, dy, panRemainder_, crop_.offsetX, crop_.offsetY);
  CropRect();  // clamps the offsets
  notify(kChangeRegion);
}

void CHushwickDoc::panCropToFraction(double fx, double fy) {
  if (!fullCropMode) return;
  crop_.offsetX = static_cast<int>(sourceImage.Width() * fx);
  crop_.offsetY = static_cast<int>(sourceImage.Height() * fy);
  notify(kChangeCrop);
}

Result CHushwickDoc::writeResult(const std::string& outputPath, bool keepOutputWindow) {
  progressWindow.reset();
  if (!keepOutputWindow && (nr_.outputWindow == kOutputEdges || nr_.outputWindow == kOutputNoise)) {
    nr_.outputWindow = kOutputResult;
    notify(kChangeSettings);
  }
  if (fullCropMode) LeaveCropMode(false, true);

  progressWindow = host_.createProgressWindow();
  cancelRequested = false;
  resultValid = false;
  const Result run = runNoiseReduction(false);
  // Only a run that composed the whole picture is written: a cancelled or failed run has shown
  // its message, and the result then holds at most a preview region.
  auto refuse = [this](int code) {
    progressWindow.reset();
    const Result why{ResultKind::kSave, code};
    host_.showMessage(ResultWords(why));
    return why;
  };
  if (cancelRequested || !resultValid) {
    progressWindow.reset();
    if (cancelRequested && run.succeeded()) return Result{ResultKind::kEngine, NR_CANCELLED};
    // A run that never started has said nothing; the save must not pass in silence.
    if (run == Result{ResultKind::kRun, kRunNotStarted}) return refuse(kSaveNoResult);
    return run;
  }
  if (resultImage.IsEmpty()) return refuse(kSaveNoResult);
  struct stat st {};
  if (::stat(outputPath.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0)
    return refuse(kSaveReadOnly);
  if (progressWindow) progressWindow->setText("Saving file...");
  // The whole picture's working buffers are not needed by the region run that follows (it has
  // a size of its own); the writer gets their memory.
  workBuffer.release();
  beforeBuffer.release();
  resultImage.jpegQuality = jpeg_.quality;
  resultImage.jpegFullChroma = jpeg_.enhancedSampling;
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
