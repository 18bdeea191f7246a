// File > Save and Save As: the Save dialog with its proposed name, type list and folder, the
// JPEG options for a ".jpg" name, and writing the result. The dialogs themselves belong to the
// host; the sequence around them is here.
#pragma once

#include <cstdint>
#include <string>

#include "imagefile/result_words.h"

namespace orvane {

class CHushwickDoc;
class SettingsStore;

struct SaveDialogRequest {
  std::string title = "Save image";
  std::string startName;         // proposed file name, without folder
  std::string defaultExtension;  // "jpg": a name typed without extension gets the selected type's
  std::string filterList;        // "description|pattern|...||"
  std::string startFolder;
};

struct JpegOptionsRequest {
  int quality = 0;               // in and out
  bool enhancedSampling = true;  // in and out
  const uint8_t* pixels = nullptr;  // the picture the size estimate encodes (24-bit)
  int width = 0;
  int height = 0;
  int64_t targetSize = 0;        // bytes the suggested quality should stay below
};

class SaveDialogs {
 public:
  virtual ~SaveDialogs() = default;
  // The chosen full path, or empty when the dialog was cancelled.
  virtual std::string askSavePath(const SaveDialogRequest& request) = 0;
  // False on Cancel; on OK the request holds the chosen quality and sampling.
  virtual bool askJpegOptions(JpegOptionsRequest& request) = 0;
};

// Whether the Save commands are enabled: not busy and a picture is loaded.
bool CanSave(const CHushwickDoc& doc);

// Runs the whole command. Returns the result of writing, or why nothing was written: the
// command disabled, a dialog cancelled, or the refusal writeResult reports.
Result RunSaveCommand(CHushwickDoc& doc, SettingsStore& settings, SaveDialogs& dialogs);

}  // namespace orvane
