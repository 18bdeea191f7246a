// CHushwickDoc: the one document. It owns the source and result pictures, every setting of the
// noise reduction, colour and crop tools, the run's state and buffers (DenoiseDocument), and the
// sequences that bring a picture in and write the result out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "colour/colour_on_image.h"
#include "colour/colour_params.h"
#include "colour/histogram.h"
#include "imagefile/raster_image.h"
#include "pipeline/crop_rotate.h"
#include "pipeline/denoise_run.h"
#include "app/host.h"

namespace orvane {

// What the document asks of the view and the main window. The command-line program has none of
// these, and gives the document a DocumentViews that does nothing.
class DocumentViews {
 public:
  virtual ~DocumentViews() = default;
  virtual void selectModeTab(int tab) = 0;      // 0 Details, 1 Full/Crop
  virtual void updateScrollBars() = 0;
  virtual void publishVisibleRegion() = 0;
  virtual void runRegionPreview() = 0;
  virtual void refreshPanes() = 0;              // AttachDocument on every pane
  // After stepping to another file of the folder: the path joins the recent-file list, and the
  // view goes back to the top-left, fitted.
  virtual void addRecentFile(const std::string&) {}
  virtual void resetView() {}
};

class NoDocumentViews : public DocumentViews {
 public:
  void selectModeTab(int) override {}
  void updateScrollBars() override {}
  void publishVisibleRegion() override {}
  void runRegionPreview() override {}
  void refreshPanes() override {}
};

// path made absolute (against the working folder) and without "." or ".." parts; links are
// not followed. Empty stays empty.
std::string FullPath(const std::string& path);

// "Cannot open NAME:" and why, as the window tells of a file it could not open.
std::string OpenFailureMessage(const std::string& path, int code);

inline constexpr int kDefaultJpegQuality = DefaultInt(NoiseSetting::kJpegQuality);

class CHushwickDoc : public DenoiseDocument {
 public:
  // Reads the seven persisted keys of section "Settings" (missing keys give the defaults).
  CHushwickDoc(UiHost& host, SettingsStore& settings);
  // Writes "CropAspect".
  ~CHushwickDoc() override;

  // The host with its questions (the run sees it as a RunHost).
  UiHost& host() { return ui_; }

  // The main window and view, when there are any. Without them LeaveCropMode does nothing.
  void setViews(DocumentViews* views) { views_ = views; }

  // Opening a file as the document: on success the picture becomes sourceImage, the colour
  // and crop settings start afresh, the file size, EXIF block and orientation are recorded, and
  // the result becomes a copy of the source. On failure nothing changes (picture, path, result).
  // Returns Load's code; the caller tells the user (OpenFailureMessage).
  int openFile(const std::string& filePath);
  // Opens the document's file again, keeping cropSwapOrientation. 2 when it no longer exists,
  // 5 while a run is busy.
  int reloadFile();
  // A pasted 24-bit picture (rows of width x 3 bytes) becomes the document "Untitled".
  int pastePicture(const uint8_t* rgb, int width, int height);

  // "Load Next/Previous Image in Folder": opens the neighbour in the folder's sorted picture
  // list, or shows that the first or last file is reached. Nothing happens without a path or
  // while a run is busy. A neighbour that cannot be read is reported and the document stays as
  // it was; the next step then goes on from that neighbour. Returns the open's code.
  int stepInFolder(bool next);

  // Copies the source into the result when a result was composed and Full/Crop mode is off.
  void resetResult();
  // The Memory Settings dialog's OK: stores the four values and writes their keys.
  void storeMemorySettings(int blockW, int blockH, int swapW, int swapH);
  // The JPEG options' OK: quality and Enhanced Sampling, written to "JPGq" and "JPGES".
  void storeJpegOptions(int quality, int sampling);

  // Crop and rotate.
  CropRectangle CropRect();
  // Both take the 24-bit source: 5 for an empty rectangle or picture or another depth, 1 when
  // memory is short (after the message "Out of memory").
  int ApplyCrop(const CropRectangle& rect);
  void EnterFullCropMode(bool reset);
  bool LeaveCropMode(bool ask, bool returnToDetail);
  int RotateImage(bool clockwise);
  // Zoom In and Zoom Out of the Crop toolbar: only in Full/Crop mode.
  void zoomIn();
  void zoomOut();
  bool canZoomIn() const { return fullCropMode && enlarge < kEnlargeMax; }
  bool canZoomOut() const { return fullCropMode && enlarge > kEnlargeMin; }
  // Dragging the picture in Full/Crop mode by (dx, dy) client pixels.
  void panCrop(int dx, int dy, int clientWidth, int clientHeight);
  // The File Properties thumbnail's fractions for the crop's top-left corner (Full/Crop mode).
  void panCropToFraction(double fx, double fy);

  // Target size for the quality search: the file size at open minus the EXIF segment and the
  // markers of the other metadata a saved JPEG carries again.
  int64_t jpegTargetSize() const;

  // Writing the result to a chosen path: the whole-picture run with a progress window, the
  // checks, the hand-over of the JPEG options and the EXIF block, Save, and the preview run
  // that follows. Returns Save's code as an image result, or why nothing was written: the run's
  // result when it composed nothing, or the check that refused the file (each already shown).
  // The window's Save writes the result whatever the view shows; the command line, which has no
  // view, keeps the chosen output window so that the edge map or the filtered noise is written.
  Result writeResult(const std::string& outputPath, bool keepOutputWindow = false);

  // The picture.
  RasterImage sourceImage;
  RasterImage resultImage;
  RasterImage fullCropBitmap;  // 32 bits: blue, green, red, x; bottom row first
  std::string path;            // the file the document came from, or "Untitled"
  int64_t fileSize = 0;        // bytes of that file when it was opened
  std::vector<uint8_t> exifCopy;
  int exifOrientation = 1;
  PictureMetadata metadataCopy;  // colour profile, XMP, IPTC and comments of that file
  // JPEG options handed to saved pictures.
  int jpegQuality = kDefaultJpegQuality;
  int enhancedSampling = DefaultInt(NoiseSetting::kEnhancedSampling);
  // Colour tools.
  ColourParams colour;
  HistogramBars histogramBars{};
  QuickPreviewBuffer quickPreview;
  // Crop and view state.
  int cropPreset = kCropPresetKeep;
  double enlarge = 1.0;
  int cropOffsetX = 0;
  int cropOffsetY = 0;
  int cropSwapOrientation = 0;
  int viewTab = 0;
  PanRemainder panRemainder;

 protected:
  Pictures pictures() override;
  void applyColourChain(uint8_t* packed, int width, int height, WorkerPool* pool) override;
  void releaseQuickPreview() override { quickPreview.Release(); }

 private:
  // What a new picture does to the colour, colour-match and crop settings.
  void startNewPicture(bool keepSwapOrientation);
  // The result follows the new source; the views and the Full/Crop display catch up.
  void finishNewPicture();

  // A persisted setting of the table, read with its default or written.
  int Read(NoiseSetting id) const;
  void Write(NoiseSetting id, int value);

  UiHost& ui_;  // the run's host, with the questions
  SettingsStore& settings_;
  DocumentViews* views_ = nullptr;
  std::string stepFrom_;  // a neighbour stepped to that could not be read
};

}  // namespace orvane
