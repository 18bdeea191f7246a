#include "app/install_paths.h"

#include <string>
#include <system_error>

namespace orvane {
namespace {

std::filesystem::path InstalledDataFolder(const std::filesystem::path& programFolder) {
  return programFolder.parent_path() / "share" / "orvane-nr";
}

bool IsFolder(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_directory(p, ec);
}

}  // namespace

std::filesystem::path ProgramDataFolder(const std::filesystem::path& programFolder) {
  if (IsFolder(programFolder / "Help")) return programFolder;
  const std::filesystem::path installed = InstalledDataFolder(programFolder);
  if (IsFolder(installed)) return installed.lexically_normal();
  return programFolder;
}

std::filesystem::path HelpFilePath(const std::filesystem::path& programFolder) {
  return ProgramDataFolder(programFolder) / "Help" / "Help.html";
}

std::filesystem::path ShippedProfileFolder(const std::filesystem::path& programFolder) {
  const std::filesystem::path data = ProgramDataFolder(programFolder);
  return data == programFolder ? programFolder : data / "profiles";
}

std::string HelpViewerFailureWords(const std::string& helpPath, int exitCode) {
  // xdg-open's codes: 3 a tool it needs is missing, 4 the action failed (no browser found).
  const std::string why = exitCode == 3 || exitCode == 4 ? "no web browser was found to show it"
                                                         : "the desktop's opener failed (xdg-open ended with " +
                                                               std::to_string(exitCode) + ")";
  return "Cannot show the help: " + why + ".\nOpen this file in a web browser:\n" + helpPath;
}

std::vector<std::filesystem::path> ProgramIconFiles(const std::filesystem::path& programFolder) {
  const bool buildTree = ProgramDataFolder(programFolder) == programFolder;
  std::vector<std::filesystem::path> files;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    const std::string n = std::to_string(size);
    const std::filesystem::path file =
        buildTree ? programFolder / "icons" / ("orvane-nr-" + n + ".png")
                  : (programFolder.parent_path() / "share" / "icons" / "hicolor" / (n + "x" + n) /
                     "apps" / "orvane-nr.png").lexically_normal();
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec)) files.push_back(file);
  }
  return files;
}

}  // namespace orvane
