// Stepping through the pictures of a folder: the sorted list of its picture files (leaving out
// the program's own "_NR" outputs) and the neighbour of the current file.
#pragma once

#include <string>
#include <vector>

#include "imagefile/result_words.h"

namespace orvane {

// True when the path's last four characters, lowercased, are a picture extension of the list.
bool IsFolderPicture(const std::string& path);

// The picture files beside currentPath, as full paths sorted byte by byte. Paths containing
// "_nr" in any case are left out, except the current file itself.
std::vector<std::string> ListFolderPictures(const std::string& currentPath);

struct FolderStep {
  std::string target;           // the file to open when result is kStepDone, else empty
  int result = kStepNotListed;  // a kFolder result (result_words.h): why there is none
};

// Next or previous picture: kStepDone with the target, kStepAtLast or kStepAtFirst at the
// ends of the list, kStepNotListed when the current file is not in it (or there is none).
FolderStep StepInFolder(const std::string& currentPath, bool next);

}  // namespace orvane
