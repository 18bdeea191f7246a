#include "app/ensure_folder.h"

#include <filesystem>
#include <system_error>

#include "app/host.h"

namespace orvane {
namespace {

std::string Framed(const std::string& path, const char* tail) {
  return "The folder:\n\n" + path + "\n\n" + tail;
}

bool IsValidName(const std::string& name) {
  if (name.empty()) return false;
  const auto edge = [](char c) { return c == ' ' || c == '\t' || c == '.'; };
  if (edge(name.front()) || edge(name.back())) return false;
  return name.find_first_of("\"*:<>?\\|") == std::string::npos;
}

}  // namespace

bool IsValidFolderPath(const std::string& path) {
  if (path.empty() || path.front() != '/') return false;
  if (path == "/") return true;
  if (path.back() == '/') return false;
  size_t start = 1;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (!IsValidName(path.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

int EnsureFolder(const std::string& path, bool ask, UiHost& host) {
  if (!IsValidFolderPath(path)) {
    host.showWarning(Framed(path, "is invalid. Please reenter."));
    return kFolderInvalid;
  }
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::is_directory(path, ec)) return kFolderReady;
  if (ask && host.askYesNo(Framed(path, "does not exist. Do you want the folder to be created?")) !=
                 Answer::Yes)
    return kFolderDeclined;
  // Every level in turn, so the level that fails is the one that is reported.
  fs::path level;
  for (const fs::path& part : fs::path(path)) {
    level /= part;
    if (fs::is_directory(level, ec)) continue;
    fs::create_directory(level, ec);
    if (!fs::is_directory(level, ec)) {
      host.showWarning(Framed(path, "can not be created. Please double check."));
      return kFolderNotCreated;
    }
  }
  return kFolderReady;
}

}  // namespace orvane
