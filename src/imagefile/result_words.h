// Every result the core reports and the words the user reads for it, in one table so that the
// window and the command line say the same thing for the same fault. The engine, the image
// operations, the colour profiles, the run, the folder steps and the document's sequences each
// number their results from 0, so a code travels together with the list it comes from.
#pragma once

#include <string>
#include <utility>

namespace orvane {

enum class ResultKind {
  kImage,    // the image operations (raster_image.h)
  kEngine,   // NoiseReduce's NR_* codes
  kProfile,  // the colour profile reader and writer
  kRun,      // the noise-reduction run's own failures
  kSave,     // the steps of writing the result around Save
  kFolder,   // stepping to the next or previous picture of a folder
  kReference,  // a picture given as a colour reference: the image codes, naming the picture
};

// Colour profile files. 0 is success; the others follow the image codes where they mean the same.
inline constexpr int kProfileOk = 0;
inline constexpr int kProfileNoMemory = 1;
inline constexpr int kProfileWriteError = 4;
inline constexpr int kProfileInvalidArgument = 5;
inline constexpr int kProfileCannotOpen = 38;
inline constexpr int kProfileTruncated = 100;  // the data ends before the announced content
inline constexpr int kProfileDamaged = 101;    // an absurd size or a malformed name field
// Saving and deleting a profile from the Color Match pane.
inline constexpr int kProfileNoReference = 102;  // nothing to save: no reference picture loaded
inline constexpr int kProfileNoName = 103;       // the name typed is empty
inline constexpr int kProfileBadName = 104;      // ... cannot be a file name (the subject)
inline constexpr int kProfileNotDeleted = 105;

// The run's failures that are not the engine's.
inline constexpr int kRunDone = 0;
inline constexpr int kRunNotStarted = 1;       // busy, no picture, Full/Crop mode, empty region
inline constexpr int kRunNoWorkBuffer = 2;
inline constexpr int kRunNoCopyBuffer = 3;
inline constexpr int kRunNoMemory = 4;         // a swap buffer could not be had (it says so itself)

// Writing the result: what stops it before Save is called.
inline constexpr int kSaveDone = 0;
inline constexpr int kSaveDisabled = 1;        // busy or no picture
inline constexpr int kSaveDialogCancelled = 2;
inline constexpr int kSaveOptionsCancelled = 3;
inline constexpr int kSaveNoResult = 4;        // the picture vanished during the run
inline constexpr int kSaveReadOnly = 5;
inline constexpr int kSaveWriteFailed = 6;     // Save failed; its own code says how

// Stepping through a folder (StepInFolder, folder_list.h).
inline constexpr int kStepDone = 0;            // there is a picture to open
inline constexpr int kStepAtLast = 1;          // the current picture is the folder's last
inline constexpr int kStepAtFirst = 2;         // ... its first
inline constexpr int kStepNotListed = 3;       // the current file is not among them: quietly nothing

struct Result {
  Result() = default;
  Result(ResultKind k, int c, std::string s = {}) : kind(k), code(c), subject(std::move(s)) {}

  ResultKind kind = ResultKind::kImage;
  int code = 0;
  std::string subject;  // the file (or profile name) a profile or reference result names

  // Success, including a picture saved without its oversized camera data.
  bool succeeded() const;
  bool operator==(const Result& other) const { return kind == other.kind && code == other.code; }
};

// The user's words for a result: the program's message texts where the program shows one,
// plain words otherwise. Empty for plain success, a cancelled dialog and a folder step from a
// file the folder does not list, which say nothing.
std::string ResultWords(const Result& result);

// What a path is when it cannot be a picture file: "is a folder, not a picture" or "not a
// regular file" (a FIFO, a device, a socket). Empty for a regular file or a missing path.
std::string NotAPictureFileWords(const std::string& path);

// Why a picture file could not be loaded, in the words the window and the command line share:
// what the path is when it is no regular file, else the words of the load's result code.
std::string LoadFailureWords(const std::string& path, int code);

}  // namespace orvane
