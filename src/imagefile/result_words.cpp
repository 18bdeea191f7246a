#include "imagefile/result_words.h"

#include <filesystem>

#include "engine/noise_reduce.h"
#include "imagefile/codec/codec.h"
#include "imagefile/raster_image.h"

namespace orvane {
namespace {

std::string ImageWords(int code) {
  switch (code) {
    case kOk: return "";
    case kOutOfMemory: return "not enough memory (or the picture is too large)";
    case kNoFile: return "no such file, or it cannot be accessed";
    case kWriteError: return "writing failed";
    case kInvalidArgument: return "not a picture type this program handles";
    case kCancelled: return "cancelled";
    case kOpenFailed: return "the file could not be opened";
    case kBadFile: return "the file is damaged or truncated";
    case kUnsupportedFile: return "the file uses a feature this program cannot read";
    case kSavedWithoutExif: return "camera data or colour profile not kept (too large or damaged)";
    default: return "error " + std::to_string(code);
  }
}

std::string EngineWords(int code) {
  switch (code) {
    case NR_OK: return "";
    case NR_CANCELLED: return "Operation cancelled";
    case NR_OUT_OF_MEMORY: return "Operation failed";
    case NR_INVALID_PARAMETER: return "Invalid parameter given";
    default: return "Unknown Noise Reduce error";
  }
}

std::string ProfileWords(int code, const std::string& file) {
  switch (code) {
    case kProfileOk: return "";
    case kProfileTruncated: return "An attempt was made to access " + file + " past its end.";
    case kProfileDamaged: return "The colour profile " + file + " is damaged and was not read.";
    case kProfileNoMemory: return "Not enough memory to read the colour profile " + file + ".";
    case kProfileCannotOpen: return "cannot open the colour profile " + file;
    case kProfileWriteError: return "Cannot write the colour profile " + file + ".";
    case kProfileNoReference: return "You have to first load reference image";
    case kProfileNoName: return "Please enter a name for the profile.";
    case kProfileBadName: return "\"" + file + "\" is not a valid file name for a profile.";
    case kProfileNotDeleted: return "Cannot delete the colour profile " + file + ".";
    default: return "the colour profile " + file + " cannot be used";
  }
}

std::string RunWords(int code) {
  switch (code) {
    case kRunDone: return "";
    case kRunNotStarted: return "there is no picture to process";
    case kRunNoWorkBuffer: return "Out of memeory #2";
    case kRunNoCopyBuffer: return "Memory Error (out of memeory)";
    case kRunNoMemory: return "Out of memory";
    default: return "Unknown Noise Reduce error";
  }
}

std::string SaveWords(int code) {
  switch (code) {
    case kSaveDone: return "";
    case kSaveDisabled: return "there is no picture to save";
    case kSaveDialogCancelled: return "";
    case kSaveOptionsCancelled: return "Nothing was saved!";
    case kSaveNoResult: return "Can't save...";
    case kSaveReadOnly: return "The existing file is read only and it can't be overwritten.";
    default: return "Can't save...";
  }
}

std::string FolderWords(int code) {
  switch (code) {
    case kStepDone: return "";
    case kStepAtLast: return "This is already the last file in the directory";
    case kStepAtFirst: return "This is already the first file in the directory";
    case kStepNotListed: return "";
    default: return "error " + std::to_string(code);
  }
}

}  // namespace

bool Result::succeeded() const {
  return code == 0 || (kind == ResultKind::kImage && code == kSavedWithoutExif);
}

std::string ResultWords(const Result& result) {
  switch (result.kind) {
    case ResultKind::kImage: return ImageWords(result.code);
    case ResultKind::kEngine: return EngineWords(result.code);
    case ResultKind::kProfile: return ProfileWords(result.code, result.subject);
    case ResultKind::kRun: return RunWords(result.code);
    case ResultKind::kSave: return SaveWords(result.code);
    case ResultKind::kFolder: return FolderWords(result.code);
    case ResultKind::kReference:
      if (result.succeeded()) return {};
      return "cannot use " + result.subject + " as a colour reference: " + ImageWords(result.code);
  }
  return {};
}

std::string NotAPictureFileWords(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (path.empty() || !fs::exists(fs::status(path, ec)) || IsRegularFile(path)) return {};
  return fs::is_directory(path, ec) ? "is a folder, not a picture" : "not a regular file";
}

std::string LoadFailureWords(const std::string& path, int code) {
  std::string words = NotAPictureFileWords(path);
  return words.empty() ? ResultWords(Result{ResultKind::kImage, code}) : words;
}

}  // namespace orvane
