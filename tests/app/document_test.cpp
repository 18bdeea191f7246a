#include "app/document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <span>

#include "document_fixtures.h"
#include "imagefile/codec/codec.h"
#include "imagefile/jpeg_options.h"
#include "pipeline/edge_map.h"
#include "app/colour_timer_work.h"
#include "app/memory_settings.h"
#include "scripted_host.h"

namespace orvane {
namespace {

using test::RecordingObserver;
using test::ScriptedHost;
using test::TempFolder;

bool SamePixels(const RasterImage& a, const RasterImage& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && !a.IsEmpty() && !b.IsEmpty() &&
         std::memcmp(a.Pixels(), b.Pixels(), RasterImage::ImageBytes(a.Width(), a.Height(), 24)) == 0;
}

std::string WritePng(const TempFolder& dir, const std::string& name, int w, int h, unsigned seed = 1) {
  RasterImage img;
  test::FillPhoto(img, w, h, seed);
  const std::string p = dir.path(name);
  EXPECT_EQ(img.Save(p, ImageFileType::UnknownType), kOk);
  return p;
}

TEST(Document, SettingsDefaultsAndPersistedKeys) {
  ScriptedHost host;
  MemorySettingsStore store;
  {
    CHushwickDoc doc(host, store);
    EXPECT_EQ(doc.memorySettings().maxBlockW, 3100);
    EXPECT_EQ(doc.memorySettings().maxBlockH, 2100);
    EXPECT_EQ(doc.memorySettings().maxSwapW, 2000);
    EXPECT_EQ(doc.memorySettings().maxSwapH, 2000);
    EXPECT_EQ(doc.jpegOptions().quality, 92);
    EXPECT_EQ(doc.jpegOptions().enhancedSampling, 1);
    EXPECT_EQ(doc.crop().preset, 8);
    EXPECT_EQ(doc.nrSettings().noiseLevel, 8.0);
    EXPECT_EQ(doc.nrSettings().levels, 5);
    EXPECT_EQ(doc.nrSettings().sharpenAmount, 8);
    EXPECT_EQ(doc.colour().whitePoint, 255);
    EXPECT_FALSE(store.contains("Settings", "CropAspect"));
    EditCrop(doc, [&](CropState& cs) { cs.preset = 2; });
    doc.storeMemorySettings(0, -4, 1000, 900);
    doc.storeJpegOptions(77, 0);
  }
  EXPECT_EQ(store.getInt("Settings", "CropAspect", -1), 2);  // written when the document goes
  EXPECT_EQ(store.getInt("Settings", "MaxBlockW", -1), 0);   // stored as typed
  EXPECT_EQ(store.getInt("Settings", "MaxBlockH", -1), -4);
  CHushwickDoc again(host, store);
  EXPECT_EQ(again.crop().preset, 2);
  EXPECT_EQ(again.memorySettings().maxSwapH, 900);
  EXPECT_EQ(again.jpegOptions().quality, 77);
  EXPECT_EQ(again.jpegOptions().enhancedSampling, 0);
  // Unusable block sizes run as the defaults; the swap threshold follows the stored values.
  EXPECT_EQ(again.effectiveMaxBlockW(), 3100);
  EXPECT_EQ(again.effectiveMaxBlockH(), 2100);
  EXPECT_EQ(again.swapThresholdBytes(), int64_t{1000} * 900 * 4);
}

// A hand-edited store: a JPEG quality beyond the front ends' range is brought into it, a crop
// preset that does not exist reads as the default.
TEST(Document, StoredValuesOutOfRange) {
  struct Case {
    int quality, preset, readQuality, readPreset;
  };
  const Case cases[] = {{5000, 999, 100, 8}, {10, -3, 40, 8}, {-7, 9, 40, 8}, {77, 0, 77, 0}};
  for (const Case& c : cases) {
    ScriptedHost host;
    MemorySettingsStore store;
    store.setInt("Settings", "JPGq", c.quality);
    store.setInt("Settings", "CropAspect", c.preset);
    CHushwickDoc doc(host, store);
    EXPECT_EQ(doc.jpegOptions().quality, c.readQuality) << c.quality;
    EXPECT_EQ(doc.crop().preset, c.readPreset) << c.preset;
  }
}

TEST(Document, MemorySettingsBoxes) {
  std::array<int, 4> values{1, 2, 3, 4};
  EXPECT_TRUE(ReadMemorySettingsBoxes({" 3100", "2100 ", "-5", "0"}, values));
  EXPECT_EQ(values, (std::array<int, 4>{3100, 2100, -5, 0}));  // no range check
  for (const char* bad : {"", "12a", "1.5", "99999999999", "x"}) {
    std::array<int, 4> kept{1, 2, 3, 4};
    EXPECT_FALSE(ReadMemorySettingsBoxes({"10", bad, "10", "10"}, kept)) << bad;
    EXPECT_EQ(kept, (std::array<int, 4>{1, 2, 3, 4}));
  }
}

TEST(Document, OpenResetsColourAndCropButKeepsNoiseSettings) {
  TempFolder dir;
  const std::string file = WritePng(dir, "a.png", 120, 80);
  ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc(host, store);
  RecordingObserver views;
  doc.setObserver(&views);
  EditNrSettings(doc, [&](NrSettings& nr) { nr.noiseLevel = 12.5; });
  EditNrSettings(doc, [&](NrSettings& nr) { nr.mode = kModeNature; });
  EditColour(doc, [&](ColourParams& cp) { cp.blackPoint = 20; });
  EditColour(doc, [&](ColourParams& cp) { cp.whitePoint = 200; });
  EditColour(doc, [&](ColourParams& cp) { cp.exposureEv = 1.0; });
  EditColour(doc, [&](ColourParams& cp) { cp.matchMode = MatchMode::kReferenceImage; });
  EditCrop(doc, [&](CropState& cs) { cs.enlarge = 2.0; });
  EditCrop(doc, [&](CropState& cs) { cs.offsetX = 30; });
  EditCrop(doc, [&](CropState& cs) { cs.swapOrientation = 1; });
  ASSERT_EQ(doc.openFile(file), kOk);
  EXPECT_EQ(doc.sourceImage.Width(), 120);
  EXPECT_TRUE(SamePixels(doc.sourceImage, doc.resultImage));
  EXPECT_EQ(doc.fileSize, static_cast<int64_t>(std::filesystem::file_size(file)));
  EXPECT_EQ(doc.path, file);
  EXPECT_EQ(doc.nrSettings().noiseLevel, 12.5);
  EXPECT_EQ(doc.nrSettings().mode, kModeNature);
  EXPECT_EQ(doc.colour().blackPoint, 0);
  EXPECT_EQ(doc.colour().whitePoint, 255);
  EXPECT_EQ(doc.colour().matchMode, MatchMode::kNone);
  EXPECT_EQ(doc.colour().exposureEv, 1.0);  // exposure survives a new picture
  EXPECT_EQ(doc.crop().enlarge, 1.0);
  EXPECT_EQ(doc.crop().offsetX, 0);
  EXPECT_EQ(doc.crop().swapOrientation, 0);
  EXPECT_TRUE(doc.exifCopy.empty());
  EXPECT_EQ(doc.exifOrientation, 1);

  // Reloading keeps the swap setting.
  EditCrop(doc, [&](CropState& cs) { cs.swapOrientation = 1; });
  EditCrop(doc, [&](CropState& cs) { cs.enlarge = 1.5; });
  ASSERT_EQ(doc.reloadFile(), kOk);
  EXPECT_EQ(doc.crop().swapOrientation, 1);
  EXPECT_EQ(doc.crop().enlarge, 1.0);

  // A failed open leaves the picture, its path and result as they were; the caller tells.
  std::ofstream(dir.path("broken.png")) << "not a picture";
  const int width = doc.sourceImage.Width();
  EXPECT_NE(doc.openFile(dir.path("broken.png")), kOk);
  EXPECT_TRUE(host.log.messages.empty());
  EXPECT_EQ(doc.path, file);
  EXPECT_EQ(doc.sourceImage.Width(), width);
  EXPECT_EQ(doc.resultImage.Width(), width);
  EXPECT_EQ(doc.openFile(dir.root()), kOpenFailed);
  EXPECT_EQ(OpenFailureMessage(dir.root(), kOpenFailed), "Cannot open " + dir.root() + ":\nis a folder, not a picture");
  EXPECT_EQ(doc.path, file);
  std::filesystem::remove(file);
  EXPECT_EQ(doc.reloadFile(), kNoFile);
}

TEST(Document, FullPathOfANamedFile) {
  const std::string here = std::filesystem::current_path().string();
  EXPECT_EQ(FullPath("img/./photo.jpg"), here + "/img/photo.jpg");
  EXPECT_EQ(FullPath("img/../photo.jpg"), here + "/photo.jpg");
  EXPECT_EQ(FullPath("/a/b/../c.png"), "/a/c.png");
  EXPECT_EQ(FullPath(""), "");
}

TEST(Document, StepsThroughTheFolder) {
  TempFolder dir;
  const std::string a = WritePng(dir, "a.png", 40, 30, 1);
  WritePng(dir, "a_NR.png", 40, 30, 2);
  const std::string b = dir.path("b.png");
  std::ofstream(b) << "damaged";
  const std::string c = WritePng(dir, "c.png", 50, 30, 3);
  ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc(host, store);
  doc.stepInFolder(true);  // no path yet: nothing
  EXPECT_TRUE(host.log.messages.empty());
  ASSERT_EQ(doc.openFile(a), kOk);
  doc.stepInFolder(false);
  EXPECT_EQ(host.log.messages, std::vector<std::string>{"This is already the first file in the directory"});
  // b cannot be read: it is reported, a stays, and the next step goes on past b.
  const int rc = doc.stepInFolder(true);
  EXPECT_NE(rc, kOk);
  EXPECT_EQ(doc.path, a);
  EXPECT_EQ(doc.sourceImage.Width(), 40);
  ASSERT_EQ(host.log.messages.size(), 2u);
  EXPECT_EQ(host.log.messages[1], OpenFailureMessage(b, rc));
  EXPECT_EQ(doc.stepInFolder(true), kOk);
  EXPECT_EQ(doc.path, c);
  EXPECT_EQ(doc.sourceImage.Width(), 50);
  // Back from c: b again, then a.
  EXPECT_NE(doc.stepInFolder(false), kOk);
  EXPECT_EQ(doc.path, c);
  EXPECT_EQ(doc.stepInFolder(false), kOk);
  EXPECT_EQ(doc.path, a);
  doc.busy = 1;  // refused while a run is busy
  doc.stepInFolder(true);
  EXPECT_EQ(doc.path, a);
}

TEST(Document, ColourChainSameForAnyThreadCount) {
  std::vector<std::vector<uint8_t>> results;
  for (int threads : {1, 3}) {
    ScriptedHost host;
    MemorySettingsStore store;
    CHushwickDoc doc(host, store);
    RasterImage pic;
    test::FillPhoto(pic, 300, 500);
    ASSERT_EQ(doc.pastePicture(pic.Pixels(), 300, 500), kOk);
    doc.threads = threads;
    EditColour(doc, [&](ColourParams& cp) { cp.blackPoint = 12; });
    EditColour(doc, [&](ColourParams& cp) { cp.exposureEv = 0.7; });
    EditColour(doc, [&](ColourParams& cp) { cp.blueGamma = 1.2f; });
    EditColour(doc, [&](ColourParams& cp) { cp.colourBoost = 35; });
    doc.runNoiseReduction(false);
    ASSERT_EQ(doc.resultValid, 1);
    results.emplace_back(doc.resultImage.Pixels(), doc.resultImage.Pixels() + 300 * 500 * 3);
  }
  EXPECT_TRUE(results[0] == results[1]);
}

// Colour work that would show Full/Crop mode (matching with Auto Switch) does nothing without
// a picture, and shows it with one.
TEST(Document, ColourTimerWorkLeavesAnEmptyDocumentInDetail) {
  ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc(host, store);
  test::RecordingObserver views;
  doc.setObserver(&views);
  DoColourTimerWork(doc, TimerWork::kRebuildFullCrop);
  EXPECT_EQ(doc.fullCropMode, 0);
  EXPECT_TRUE(views.changes.empty());
  std::vector<uint8_t> rgb(50 * 40 * 3, 99);
  ASSERT_EQ(doc.pastePicture(rgb.data(), 50, 40), kOk);
  DoColourTimerWork(doc, TimerWork::kRebuildFullCrop);
  EXPECT_EQ(doc.fullCropMode, 1);
}

TEST(Document, PasteBecomesUntitled) {
  ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc(host, store);
  std::vector<uint8_t> rgb(50 * 40 * 3, 99);
  doc.exifCopy = {1, 2, 3};
  doc.exifOrientation = 6;
  ASSERT_EQ(doc.pastePicture(rgb.data(), 50, 40), kOk);
  EXPECT_EQ(doc.path, "Untitled");
  EXPECT_EQ(doc.fileSize, 50 * 40 * 3);
  EXPECT_TRUE(doc.exifCopy.empty());
  EXPECT_EQ(doc.exifOrientation, 1);
  EXPECT_TRUE(SamePixels(doc.sourceImage, doc.resultImage));
  EXPECT_EQ(doc.jpegTargetSize(), 50 * 40 * 3);
  EXPECT_NE(doc.pastePicture(nullptr, 5, 5), kOk);
}

// A clipboard bitmap pastes the same with or without the file header some programs put in
// front of it; damaged bytes change nothing.
TEST(Document, PastedBitmapWithOrWithoutItsFileHeader) {
  TempFolder dir;
  RasterImage pic;
  test::FillPhoto(pic, 30, 20);
  ASSERT_EQ(pic.Save(dir.path("p.bmp")), kOk);
  std::ifstream in(dir.path("p.bmp"), std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(file.size(), 14u);
  ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc(host, store);
  for (const std::span<const uint8_t> bytes :
       {std::span<const uint8_t>(file), std::span<const uint8_t>(file).subspan(14)}) {
    doc.sourceImage.Release();
    ASSERT_EQ(doc.pasteBitmap(bytes), kOk);
    EXPECT_TRUE(SamePixels(doc.sourceImage, pic));
    EXPECT_EQ(doc.path, "Untitled");
  }
  const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_NE(doc.pasteBitmap(text), kOk);
  EXPECT_EQ(doc.sourceImage.Width(), 30);  // the document is as it was
}

// Every operation tells the observer what changed, once, and names the control that made a
// change so that it is not refreshed from under the user.
TEST(Document, OneNotificationSaysWhatChanged) {
  TempFolder dir;
  const std::string a = WritePng(dir, "a.png", 40, 30, 1);
  const std::string b = WritePng(dir, "b.png", 60, 30, 2);
  ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc(host, store);
  struct Told : DocumentObserver {
    std::vector<std::pair<unsigned, const void*>> calls;
    void documentChanged(unsigned what, const void* origin) override { calls.emplace_back(what, origin); }
  } told;
  doc.setObserver(&told);
  const int pane = 0;  // stands for a control
  struct Case {
    const char* name;
    std::function<void()> act;
    unsigned must, mustNot;
    const void* origin;
  };
  const Case cases[] = {
      {"open", [&] { ASSERT_EQ(doc.openFile(a), kOk); },
       kChangePicture | kChangeSettings | kChangeMode, kChangeFile | kChangeStale, nullptr},
      {"settings", [&] { EditNrSettings(doc, [](NrSettings& nr) { nr.noiseLevel = 3; }); },
       kChangeSettings, kChangePicture, nullptr},
      {"level from a pane", [&] { doc.applyNoiseLevel(4, &pane); }, kChangeSettings, 0, &pane},
      {"colour from a pane", [&] { doc.applyColour(doc.colour(), &pane); }, kChangeSettings, 0, &pane},
      {"crop", [&] { EditCrop(doc, [](CropState& c) { c.preset = 1; }); }, kChangeCrop, 0, nullptr},
      {"rotate", [&] { ASSERT_EQ(doc.RotateImage(true), kOk); },
       kChangePicture | kChangeRegion | kChangeStale, 0, nullptr},
      {"next in folder", [&] { ASSERT_EQ(doc.stepInFolder(true), kOk); },
       kChangePicture | kChangeFile, 0, nullptr},
      {"new", [&] { doc.newDocument(); }, kChangeMode, kChangePicture, nullptr},
  };
  for (const Case& c : cases) {
    told.calls.clear();
    c.act();
    ASSERT_EQ(told.calls.size(), 1u) << c.name;
    EXPECT_EQ(told.calls[0].first & c.must, c.must) << c.name;
    EXPECT_EQ(told.calls[0].first & c.mustNot, 0u) << c.name;
    EXPECT_EQ(told.calls[0].second, c.origin) << c.name;
  }
  EXPECT_EQ(doc.nrSettings().noiseLevel, 4);
  EXPECT_EQ(doc.crop().preset, 1);
  EXPECT_TRUE(doc.path.empty());
  // A run is told as it starts and as it ends, so that the commands follow without polling.
  ASSERT_EQ(doc.openFile(b), kOk);
  doc.setRegion(0, 0, 30, 20);
  told.calls.clear();
  doc.runNoiseReduction(true);
  ASSERT_EQ(told.calls.size(), 2u);
  EXPECT_EQ(told.calls[0].first, kChangeRunState);
  EXPECT_EQ(told.calls[1].first, kChangeRunState);
  EXPECT_FALSE(doc.busy);
  EXPECT_TRUE(doc.resultValid);
}

// A bilevel picture is widened to 24 bits as the document, so the run, the save, the JPEG
// estimate, crop and rotate all take it; its file type stays what it was.
TEST(Document, BilevelPictureIsWidenedWhenOpened) {
  TempFolder dir;
  const std::string in = dir.path("mono.bmp");
  test::WriteBilevelBmp(in, 37, 29);
  RasterImage loaded;
  ASSERT_EQ(loaded.Load(in), kOk);
  ASSERT_EQ(loaded.BitsPerPixel(), 1);  // Load itself keeps one bit
  EXPECT_EQ(EstimateJpegSize(loaded, 90, 1), -1);  // and a 1-bit block is refused, not read past

  ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc(host, store);
  ASSERT_EQ(doc.openFile(in), kOk);
  EXPECT_EQ(doc.sourceImage.BitsPerPixel(), 24);
  EXPECT_EQ(doc.sourceImage.fileType, ImageFileType::BmpBilevel);
  ASSERT_EQ(doc.sourceImage.Width(), 37);
  for (int y = 0; y < 29; ++y)
    for (int x = 0; x < 37; ++x) {
      const uint8_t expected = ((x / 4) + (y / 4)) % 2 ? 255 : 0;
      const uint8_t* p = doc.sourceImage.Pixels() + (y * 37 + x) * 3;
      ASSERT_TRUE(p[0] == expected && p[1] == expected && p[2] == expected) << x << "," << y;
    }
  EXPECT_TRUE(SamePixels(doc.sourceImage, doc.resultImage));
  EXPECT_GT(EstimateJpegSize(doc.sourceImage, 90, 1), 0);

  EXPECT_EQ(doc.RotateImage(true), kOk);
  EXPECT_EQ(doc.sourceImage.Width(), 29);
  EXPECT_EQ(doc.ApplyCrop(CropRectangle{2, 3, 20, 30}), kOk);
  EXPECT_EQ(doc.sourceImage.Width(), 18);
  EXPECT_EQ(doc.sourceImage.Height(), 27);
  doc.resultImage.CopyFrom(doc.sourceImage);
  const std::string out = dir.path("mono_NR.png");
  EXPECT_EQ(doc.writeResult(out), (Result{ResultKind::kImage, kOk}));
  RasterImage written;
  ASSERT_EQ(written.Load(out), kOk);
  EXPECT_EQ(written.Width(), 18);

  // Anything but 24 bits is refused with a code, never read as if it were.
  ASSERT_EQ(doc.sourceImage.Load(in), kOk);
  ASSERT_EQ(doc.sourceImage.BitsPerPixel(), 1);
  EXPECT_EQ(doc.RotateImage(false), kInvalidArgument);
  EXPECT_EQ(doc.ApplyCrop(CropRectangle{0, 0, 8, 8}), kInvalidArgument);
  EXPECT_EQ(doc.sourceImage.BitsPerPixel(), 1);
}

TEST(Document, RegionRunAndResetResult) {
  ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc(host, store);
  RasterImage pic;
  test::FillPhoto(pic, 200, 150);
  ASSERT_EQ(doc.pastePicture(pic.Pixels(), 200, 150), kOk);
  doc.resetResult();  // nothing composed yet: nothing to do
  EXPECT_TRUE(SamePixels(doc.sourceImage, doc.resultImage));
  doc.setRegion(50, 40, 150, 120);
  doc.runNoiseReduction(true);
  ASSERT_EQ(doc.resultValid, 1);
  EXPECT_FALSE(SamePixels(doc.sourceImage, doc.resultImage));
  // Outside the region the result is still the source.
  EXPECT_EQ(0, std::memcmp(doc.resultImage.Pixels(), doc.sourceImage.Pixels(), 200 * 3 * 40));
  doc.resetResult();
  EXPECT_EQ(doc.resultValid, 0);
  EXPECT_TRUE(SamePixels(doc.sourceImage, doc.resultImage));
}

TEST(Document, LeavingCropMode) {
  struct Case {
    const char* name;
    bool enterFirst;
    double enlarge;
    int offsetX;
    bool ask;
    std::vector<Answer> answers;
    bool expectedReturn;
    int questions;
    int width;  // source width afterwards
    int fullCropMode;
  };
  // A 400 x 300 picture, preset 0 (square): the crop is 300 x 300, or 200 x 200 at enlarge 2.
  const Case cases[] = {
      {"preset only: applied without a question", true, 1.0, 0, true, {}, true, 0, 300, 0},
      {"enlarged: asked, Yes", true, 2.0, 0, true, {Answer::Yes}, true, 1, 200, 0},
      {"moved: asked, No leaves uncropped", true, 1.0, 50, true, {Answer::No}, true, 1, 400, 0},
      {"asked, Cancel stays", true, 2.0, 0, true, {Answer::Cancel}, false, 1, 400, 1},
      {"Apply Crop (no question)", true, 2.0, 0, false, {}, true, 0, 200, 0},
      {"Apply Crop outside the mode does nothing", false, 1.0, 0, false, {}, false, 0, 400, 0},
      // Switching displays outside the mode must not crop to a preset nobody was shown.
      {"asked outside the mode leaves the picture whole", false, 1.0, 0, true, {}, true, 0, 400, 0},
  };
  for (const Case& c : cases) {
    ScriptedHost host;
    MemorySettingsStore store;
    CHushwickDoc doc(host, store);
    RecordingObserver views;
    doc.setObserver(&views);
    RasterImage pic;
    test::FillPhoto(pic, 400, 300);
    ASSERT_EQ(doc.pastePicture(pic.Pixels(), 400, 300), kOk);
    EditCrop(doc, [&](CropState& cs) { cs.preset = 0; });
    if (c.enterFirst) doc.EnterFullCropMode(true);
    EditCrop(doc, [&](CropState& cs) { cs.enlarge = c.enlarge; });
    EditCrop(doc, [&](CropState& cs) { cs.offsetX = c.offsetX; });
    host.answers.assign(c.answers.begin(), c.answers.end());
    views.changes.clear();
    EXPECT_EQ(doc.LeaveCropMode(c.ask, true), c.expectedReturn) << c.name;
    EXPECT_EQ(static_cast<int>(host.log.questions.size()), c.questions) << c.name;
    if (c.questions > 0) {
      EXPECT_EQ(host.log.questions[0], "Apply Crop to Image?");
    }
    EXPECT_EQ(doc.sourceImage.Width(), c.width) << c.name;
    EXPECT_EQ(doc.fullCropMode, c.fullCropMode) << c.name;
    if (c.expectedReturn) {
      EXPECT_EQ(doc.crop().enlarge, 1.0) << c.name;
      EXPECT_TRUE(doc.fullCropBitmap.IsEmpty()) << c.name;
      EXPECT_TRUE(SamePixels(doc.sourceImage, doc.resultImage)) << c.name;
      // Back in Detail, with the region run again.
      EXPECT_TRUE(views.told(kChangeMode | kChangeCrop | kChangeStale)) << c.name;
    } else if (c.questions > 0) {
      EXPECT_EQ(views.changes, std::vector<unsigned>{kChangeMode}) << c.name;  // Full/Crop stays
      EXPECT_EQ(doc.crop().enlarge, c.enlarge) << c.name;
    }
  }
  // Without a main window nothing happens.
  ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc(host, store);
  doc.fullCropMode = 1;
  EXPECT_FALSE(doc.LeaveCropMode(false, true));
  EXPECT_EQ(doc.fullCropMode, 1);
}

TEST(Document, FullCropBitmapIsBottomUpBlueGreenRedWithTheChain) {
  ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc(host, store);
  RecordingObserver views;
  doc.setObserver(&views);
  std::vector<uint8_t> rgb(3 * 2 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(10 * i + 5);
  ASSERT_EQ(doc.pastePicture(rgb.data(), 3, 2), kOk);
  EditCrop(doc, [&](CropState& cs) { cs.enlarge = 2.0; });
  doc.EnterFullCropMode(true);
  EXPECT_EQ(doc.crop().enlarge, 1.0);
  EXPECT_EQ(doc.fullCropMode, 1);
  ASSERT_EQ(doc.fullCropBitmap.BitsPerPixel(), 32);
  const uint8_t* bmp = doc.fullCropBitmap.Pixels();
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      for (int c = 0; c < 3; ++c)
        EXPECT_EQ(bmp[((1 - y) * 3 + x) * 4 + c], rgb[(y * 3 + x) * 3 + (2 - c)]);
  // The colour chain works on the display copy: with a black point of 100 the bottom-left
  // pixel (95, 105, 115) loses its red and most of its green.
  EditColour(doc, [&](ColourParams& cp) { cp.blackPoint = 100; });
  doc.EnterFullCropMode(false);
  EXPECT_EQ(doc.fullCropBitmap.Pixels()[2], 0);
  EXPECT_LT(doc.fullCropBitmap.Pixels()[1], 20);
  EXPECT_EQ(doc.sourceImage.Pixels()[9], 95);  // the source itself is untouched
  // The run refuses in this mode.
  doc.setRegion(0, 0, 3, 2);
  doc.runNoiseReduction(true);
  EXPECT_EQ(doc.resultValid, 0);
}

TEST(Document, ZoomAndPanOnlyInFullCropMode) {
  ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc(host, store);
  RasterImage pic;
  test::FillPhoto(pic, 400, 300);
  ASSERT_EQ(doc.pastePicture(pic.Pixels(), 400, 300), kOk);
  doc.zoomIn();
  doc.panCrop(-10, -10, 440, 340);
  EXPECT_EQ(doc.crop().enlarge, 1.0);
  EXPECT_FALSE(doc.canZoomOut());
  doc.EnterFullCropMode(true);
  EXPECT_TRUE(doc.canZoomIn());
  for (int i = 0; i < 20; ++i) doc.zoomIn();
  EXPECT_NEAR(doc.crop().enlarge, 2.0, 1e-9);  // crop 200 x 150, shown 400 wide: 0.5 source pixels a step
  doc.panCrop(-10, -7, 440, 340);
  EXPECT_EQ(doc.crop().offsetX, 5);
  EXPECT_EQ(doc.crop().offsetY, 3);
  doc.panCrop(-1000, -1000, 440, 340);  // held inside the picture
  EXPECT_EQ(doc.CropRect(), (CropRectangle{200, 150, 400, 300}));
  doc.panCropToFraction(0.25, 0.1);
  EXPECT_EQ(doc.crop().offsetX, 100);
  EXPECT_EQ(doc.crop().offsetY, 30);
  for (int i = 0; i < 60; ++i) doc.zoomIn();
  EXPECT_EQ(doc.crop().enlarge, 3.0);
  EXPECT_FALSE(doc.canZoomIn());
}

TEST(Document, RotateBothWays) {
  ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc(host, store);
  RecordingObserver views;
  doc.setObserver(&views);
  RasterImage pic;
  test::FillPhoto(pic, 300, 200);
  ASSERT_EQ(doc.pastePicture(pic.Pixels(), 300, 200), kOk);
  doc.RotateImage(true);
  ASSERT_EQ(doc.sourceImage.Width(), 200);
  ASSERT_EQ(doc.sourceImage.Height(), 300);
  // The former top-left pixel is at the top right.
  EXPECT_EQ(0, std::memcmp(doc.sourceImage.Pixels() + 199 * 3, pic.Pixels(), 3));
  EXPECT_TRUE(SamePixels(doc.sourceImage, doc.resultImage));
  doc.RotateImage(false);
  EXPECT_TRUE(SamePixels(doc.sourceImage, pic));
  EXPECT_TRUE(views.changes.back() & kChangeStale);  // the region runs again
  doc.fullCropMode = 1;  // not in Full/Crop mode
  doc.RotateImage(true);
  EXPECT_EQ(doc.sourceImage.Width(), 300);
}

class WriteResultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RasterImage pic;
    test::FillPhoto(pic, 160, 120);
    ASSERT_EQ(doc.pastePicture(pic.Pixels(), 160, 120), kOk);
    doc.setObserver(&views);
  }
  TempFolder dir;
  ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc{host, store};
  RecordingObserver views;
};

TEST_F(WriteResultTest, WritesTheWholeProcessedPicture) {
  EditNrSettings(doc, [&](NrSettings& nr) { nr.outputWindow = kOutputEdges; });
  const std::string out = dir.path("out.png");
  EXPECT_EQ(doc.writeResult(out), (Result{ResultKind::kImage, kOk}));
  EXPECT_EQ(doc.nrSettings().outputWindow, kOutputResult);
  RasterImage back;
  ASSERT_EQ(back.Load(out), kOk);
  EXPECT_TRUE(SamePixels(back, doc.resultImage));
  EXPECT_FALSE(SamePixels(back, doc.sourceImage));
  EXPECT_TRUE(host.log.messages.empty());
  const auto texts = host.eventsStartingWith("text:");
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.front(), "Starting process...");
  EXPECT_EQ(texts.back(), "Saving file...");
  EXPECT_EQ(doc.progressWindow, nullptr);
  // The PNG writer moves the bar while it writes: its range over the pieces, then to the end.
  const auto& events = host.log.events;
  const auto saving = std::find(events.begin(), events.end(), "text:Saving file...");
  ASSERT_NE(saving, events.end());
  const std::vector<std::string> after(saving + 1, events.end());
  const std::vector<std::string> expected = {"range:0-1", "position:0", "position:1"};
  EXPECT_TRUE(std::search(after.begin(), after.end(), expected.begin(), expected.end()) != after.end())
      << ::testing::PrintToString(after);
}

// Without a view, the chosen output window is what gets written: the edge map in red over the
// quarter-bright result, and the filtered noise as ten times the difference from the source.
TEST_F(WriteResultTest, KeptOutputWindowIsWritten) {
  const std::string plain = dir.path("plain.png"), edges = dir.path("edges.png"),
                    noise = dir.path("noise.png"), silent = dir.path("silent.png");
  ASSERT_EQ(doc.writeResult(plain), (Result{ResultKind::kImage, kOk}));
  EditNrSettings(doc, [&](NrSettings& nr) { nr.outputWindow = kOutputEdges; });
  ASSERT_EQ(doc.writeResult(edges, true), (Result{ResultKind::kImage, kOk}));
  EXPECT_EQ(doc.nrSettings().outputWindow, kOutputEdges);
  EditNrSettings(doc, [&](NrSettings& nr) { nr.outputWindow = kOutputNoise; });
  ASSERT_EQ(doc.writeResult(noise, true), (Result{ResultKind::kImage, kOk}));
  RasterImage a, e, n;
  ASSERT_EQ(a.Load(plain), kOk);
  ASSERT_EQ(e.Load(edges), kOk);
  ASSERT_EQ(n.Load(noise), kOk);
  const uint8_t* src = doc.sourceImage.Pixels();
  const size_t bytes = static_cast<size_t>(a.Width()) * a.Height() * 3;
  int redPixels = 0;
  for (size_t i = 0; i < bytes; ++i) {
    const int expected = std::min(255, 10 * std::abs(a.Pixels()[i] - src[i]));
    ASSERT_EQ(n.Pixels()[i], expected) << "byte " << i;
    if (i % 3 != 0) ASSERT_LE(e.Pixels()[i], 63) << "byte " << i;
    else redPixels += e.Pixels()[i] > 0;
  }
  EXPECT_GT(redPixels, 0);

  // Nothing removed, nothing sharpened, no edge weighting: the noise window is black.
  EditNrSettings(doc, [&](NrSettings& nr) { nr.noiseLevel = 0; });
  EditNrSettings(doc, [&](NrSettings& nr) { nr.advancedProcessing = 0; });
  EditNrSettings(doc, [&](NrSettings& nr) { nr.sharpenEdges = 0; });
  ASSERT_EQ(doc.writeResult(silent, true), (Result{ResultKind::kImage, kOk}));
  RasterImage s;
  ASSERT_EQ(s.Load(silent), kOk);
  EXPECT_EQ(*std::max_element(s.Pixels(), s.Pixels() + bytes), 0);
}

// Leaving Full/Crop for a plot applies the preset crop; a save from there writes the cropped
// picture instead of stopping without a word at a result of the old size.
TEST_F(WriteResultTest, CropAppliedOnTheWayToAPlotIsSaved) {
  for (const ViewTab plot : {ViewTab::kCurves, ViewTab::kHistogram}) {
    RasterImage pic;
    test::FillPhoto(pic, 160, 120);
    ASSERT_EQ(doc.pastePicture(pic.Pixels(), 160, 120), kOk);
    EditCrop(doc, [&](CropState& cs) { cs.preset = 0; });
    doc.EnterFullCropMode(true);
    doc.showPlot(plot);
    ASSERT_FALSE(doc.fullCropMode);
    ASSERT_EQ(doc.sourceImage.Width(), 120);
    const std::string out = dir.path(plot == ViewTab::kCurves ? "curves.png" : "histogram.png");
    EXPECT_EQ(doc.writeResult(out), (Result{ResultKind::kImage, kOk}));
    EXPECT_TRUE(host.log.messages.empty()) << ::testing::PrintToString(host.log.messages);
    RasterImage back;
    ASSERT_EQ(back.Load(out), kOk);
    EXPECT_EQ(back.Width(), 120);
    EXPECT_EQ(back.Height(), 120);
    EXPECT_TRUE(SamePixels(back, doc.resultImage));
  }
}

TEST_F(WriteResultTest, RefusalsAndFailures) {
  struct Case {
    const char* name;
    std::function<std::string()> prepare;  // returns the path to write
    std::vector<std::string> messages;
    bool fileExpected;
  };
  const Case cases[] = {
      {"read-only target", [&] {
         const std::string p = dir.path("ro.png");
         std::ofstream(p) << "keep me";
         chmod(p.c_str(), 0444);
         return p;
       }, {"The existing file is read only and it can't be overwritten."}, true},
      {"cancelled from the progress window", [&] {
         host.onWindowPosition = [&](int) { host.windowCancel = true; };
         return dir.path("cancel.png");
       }, {"Operation cancelled"}, false},
      {"Escape", [&] {
         host.escape = true;
         return dir.path("escape.png");
       }, {"Operation cancelled"}, false},
      {"unknown extension", [&] { return dir.path("out.xyz"); }, {}, false},
      {"missing folder", [&] { return dir.path("no/such/folder/out.png"); }, {"Can't save..."}, false},
  };
  for (const Case& c : cases) {
    host.log.messages.clear();
    host.escape = host.windowCancel = false;
    host.onWindowPosition = nullptr;
    const std::string p = c.prepare();
    const Result r = doc.writeResult(p);
    EXPECT_FALSE(r.succeeded()) << c.name;
    EXPECT_EQ(host.log.messages, c.messages) << c.name;
    // What the sequence returns says what the window showed (a failed Save names its cause).
    if (!c.messages.empty() && r.kind != ResultKind::kImage) {
      EXPECT_EQ(ResultWords(r), c.messages.back()) << c.name;
    }
    EXPECT_EQ(std::filesystem::exists(p), c.fileExpected) << c.name;
    if (c.fileExpected) {
      std::ifstream in(p);
      std::string content;
      std::getline(in, content);
      EXPECT_EQ(content, "keep me") << c.name;
    }
  }
}

TEST_F(WriteResultTest, JpegCarriesTheExifBlockAndOrientation) {
  // A JPEG whose camera turned it: stored 160 x 120 with orientation 6 opens as 120 x 160.
  RasterImage stored;
  test::FillPhoto(stored, 160, 120, 3);
  stored.exifBlock = test::ExifWithOrientation(6);
  stored.orientation = 1;  // write the pixels as they are; the block says 6
  const std::string in = dir.path("camera.jpg");
  ASSERT_EQ(stored.Save(in), kOk);
  ASSERT_EQ(doc.openFile(in), kOk);
  ASSERT_EQ(doc.sourceImage.Width(), 120);
  ASSERT_EQ(doc.sourceImage.Height(), 160);
  EXPECT_EQ(doc.exifOrientation, 6);
  EXPECT_EQ(doc.exifCopy, stored.exifBlock);
  EXPECT_EQ(doc.jpegTargetSize(),
            static_cast<int64_t>(std::filesystem::file_size(in)) - static_cast<int64_t>(stored.exifBlock.size()) - 4);
  doc.storeJpegOptions(90, 1);
  const std::string out = dir.path("camera_NR.jpg");
  ASSERT_EQ(doc.writeResult(out), (Result{ResultKind::kImage, kOk}));
  RasterImage back;
  ASSERT_EQ(back.Load(out), kOk);
  EXPECT_EQ(back.exifBlock, stored.exifBlock);
  EXPECT_EQ(back.orientation, 6);
  EXPECT_EQ(back.Width(), 120);  // upright again after loading
  EXPECT_EQ(back.cameraMake, "Test");
}

}  // namespace
}  // namespace orvane
