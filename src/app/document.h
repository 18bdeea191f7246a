// CHushwickDoc: the one document. It owns the source and result pictures, every setting of the
// noise reduction, colour and crop tools, the run's state and buffers (DenoiseDocument), and the
// sequences that bring a picture in and write the result out.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "colour/colour_on_image.h"
#include "colour/colour_params.h"
#include "colour/histogram.h"
#include "imagefile/raster_image.h"
#include "pipeline/crop_rotate.h"
#include "pipeline/denoise_run.h"
#include "app/host.h"
#include "app/view_tab.h"
#include "colour/reference_store.h"

namespace orvane {

// What changed in the document, for whoever shows it; one notification may name several.
enum DocumentChange : unsigned {
  kChangePicture = 1u << 0,   // another picture, or the source's pixels or shape changed
  kChangeSettings = 1u << 1,  // noise-reduction, colour or JPEG settings
  kChangeCrop = 1u << 2,      // the crop record (preset, enlargement, offsets, orientation)
  kChangeMode = 1u << 3,      // the mode shown: Detail, Full/Crop, Curves or Histogram
  kChangeRunState = 1u << 4,  // a run started or ended
  kChangePixels = 1u << 5,    // something shown must be drawn again (histogram, quick preview)
  kChangeRegion = 1u << 6,    // the part of the picture shown moved (a pan, a rotation)
  kChangeStale = 1u << 7,     // the region's result no longer holds: run the region again
  kChangeFile = 1u << 8,      // stepped to another file of the folder: recent list, top-left
};

// Whoever shows the document (the main window) hears of every change through this one call.
// origin is the pane or control that made the change, when one did: it already shows it.
class DocumentObserver {
 public:
  virtual ~DocumentObserver() = default;
  virtual void documentChanged(unsigned changes, const void* origin) = 0;
};

// The command line shows nothing, but its document behaves as one with a window (Full/Crop
// mode's crop is applied on the way out).
class NoDocumentObserver : public DocumentObserver {
 public:
  void documentChanged(unsigned, const void*) override {}
};

// The crop tool's state: Full/Crop mode's preset, enlargement and offsets, and whether the
// preset's orientation is swapped.
struct CropState {
  int preset = kCropPresetKeep;
  double enlarge = 1.0;
  int offsetX = 0;
  int offsetY = 0;
  bool swapOrientation = false;
  bool operator==(const CropState&) const = default;
};

// The JPEG options handed to saved pictures.
struct JpegSettings {
  int quality = DefaultInt(NoiseSetting::kJpegQuality);
  bool enhancedSampling = DefaultInt(NoiseSetting::kEnhancedSampling) != 0;
  bool operator==(const JpegSettings&) const = default;
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

  // Whoever shows the document, when there is one. Without one LeaveCropMode does nothing.
  void setObserver(DocumentObserver* observer) { observer_ = observer; }
  // Tells the observer; the rules of the panes and views call it for what they redraw.
  void notify(unsigned changes, const void* origin = nullptr);

  // The settings records. A front end edits a copy and applies it; every apply tells the
  // observer (origin: the control that made the change).
  void applyNrSettings(const NrSettings& settings) override { applyNrSettings(settings, nullptr); }
  void applyNrSettings(const NrSettings& settings, const void* origin);
  // The noise level alone (the slider, the box, Auto).
  void applyNoiseLevel(double level, const void* origin = nullptr);
  const ColourParams& colour() const { return colour_; }
  void applyColour(const ColourParams& colour, const void* origin = nullptr);
  const CropState& crop() const { return crop_; }
  void applyCropState(const CropState& crop, const void* origin = nullptr);
  const JpegSettings& jpegOptions() const { return jpeg_; }
  // For this document only; storeJpegOptions also writes the keys.
  void applyJpegOptions(const JpegSettings& options) { jpeg_ = options; }
  // The mode shown besides Detail and Full/Crop: 0 none, 1 Curves, 2 Histogram.
  ViewTab viewTab() const { return viewTab_; }

  // "Auto" and --level auto: the level the picture asks for in a mode, applied. -1 (and the
  // level left as it was) when the picture gives none.
  double estimateNoiseLevel(int mode, const void* origin = nullptr);
  // Colour match to a reference picture file (into the store's reference slot) or to a
  // profile's distributions. Returns the reference's load code.
  int matchToImage(ReferenceStore& store, const std::string& file);
  void matchToProfile(const ReferenceSlot& profile);
  // Curves (1) and Histogram (2) of the View menu; leaving Full/Crop mode first asks whether to
  // apply the crop.
  void showPlot(ViewTab target);
  // File > New: an empty document, out of Full/Crop mode.
  void newDocument();

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
  // A bitmap from the clipboard, with or without its file header. kUnsupportedFile when the
  // bytes are no bitmap of a kind the converter knows.
  int pasteBitmap(std::span<const uint8_t> bitmap);

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
  void storeJpegOptions(int quality, bool enhancedSampling);

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
  bool canZoomIn() const { return fullCropMode && crop_.enlarge < kEnlargeMax; }
  bool canZoomOut() const { return fullCropMode && crop_.enlarge > kEnlargeMin; }
  // The view's wheel in Full/Crop mode.
  void setEnlarge(double enlarge);
  // A press of the mouse on the picture: a drag starts afresh.
  void beginDrag() { panRemainder_ = PanRemainder{}; }
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
  // What the colour tools show.
  HistogramBars histogramBars{};
  QuickPreviewBuffer quickPreview;

 protected:
  Pictures pictures() override;
  void applyColourChain(uint8_t* packed, int width, int height, WorkerPool* pool) override;
  void releaseQuickPreview() override { quickPreview.Release(); }
  void runStateChanged() override { notify(kChangeRunState); }

 private:
  // What a new picture does to the colour, colour-match and crop settings.
  void startNewPicture(bool keepSwapOrientation);
  // The result follows the new source; the views and the Full/Crop display catch up.
  void finishNewPicture(unsigned changes);
  // openFile without telling the observer.
  int loadFile(const std::string& filePath);

  // A persisted setting of the table, read with its default or written.
  int Read(NoiseSetting id) const;
  void Write(NoiseSetting id, int value);

  UiHost& ui_;  // the run's host, with the questions
  SettingsStore& settings_;
  DocumentObserver* observer_ = nullptr;
  ColourParams colour_;
  CropState crop_;
  JpegSettings jpeg_;
  ViewTab viewTab_ = ViewTab::kPicture;
  PanRemainder panRemainder_;  // the part of a drag too small to move the crop yet
  std::string stepFrom_;  // a neighbour stepped to that could not be read
};

template <class Edit>
void EditColour(CHushwickDoc& doc, Edit edit) {
  ColourParams colour = doc.colour();
  edit(colour);
  doc.applyColour(colour);
}
template <class Edit>
void EditCrop(CHushwickDoc& doc, Edit edit) {
  CropState crop = doc.crop();
  edit(crop);
  doc.applyCropState(crop);
}
template <class Edit>
void EditJpegOptions(CHushwickDoc& doc, Edit edit) {
  JpegSettings options = doc.jpegOptions();
  edit(options);
  doc.applyJpegOptions(options);
}

}  // namespace orvane
