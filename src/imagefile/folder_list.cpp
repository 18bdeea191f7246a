#include "imagefile/folder_list.h"

#include "base/text.h"
#include "imagefile/format_lists.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace orvane {
namespace {

}  // namespace

bool IsFolderPicture(const std::string& path) {
  return EndsWithListedExtension(path, &FormatListing::folderRank);
}

std::vector<std::string> ListFolderPictures(const std::string& currentPath) {
  std::vector<std::string> list;
  const size_t slash = currentPath.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : currentPath.substr(0, slash);
  const std::string prefix = slash == std::string::npos ? std::string() : folder + "/";
  const std::string currentLower = Lower(currentPath);
  std::error_code ec;
  const std::filesystem::path dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : folder);
  std::filesystem::directory_iterator it(dir, ec);
  if (ec) return list;
  for (const std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    const std::string name = it->path().filename().string();
    if (name.empty() || name == "." || name == "..") continue;
    std::error_code typeError;
    if (it->is_directory(typeError)) continue;
    const std::string path = prefix + name;
    if (!IsFolderPicture(path)) continue;
    // The program's results are known by their file name: a folder called trip_nr holds
    // originals like any other.
    if (Lower(name).find("_nr") == std::string::npos || Lower(path) == currentLower) list.push_back(path);
  }
  // Byte-wise order: letter case matters, so "B.jpg" comes before "a.jpg".
  std::sort(list.begin(), list.end());
  return list;
}

FolderStep StepInFolder(const std::string& currentPath, bool next) {
  FolderStep step;
  if (currentPath.empty()) return step;
  const std::vector<std::string> list = ListFolderPictures(currentPath);
  const std::string currentLower = Lower(currentPath);
  // The current file is the entry of its exact name (Photo.jpg and photo.jpg are two files
  // here); only without one, the first that differs in letter case alone.
  const bool exact = std::find(list.begin(), list.end(), currentPath) != list.end();
  for (size_t i = 0; i < list.size(); ++i) {
    if (exact ? list[i] != currentPath : Lower(list[i]) != currentLower) continue;
    if (next) {
      if (i + 1 == list.size())
        step.result = kStepAtLast;
      else
        step.target = list[i + 1];
    } else {
      if (i == 0)
        step.result = kStepAtFirst;
      else
        step.target = list[i - 1];
    }
    if (!step.target.empty()) step.result = kStepDone;
    return step;
  }
  return step;
}

}  // namespace orvane
