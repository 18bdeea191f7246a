#include "app/install_paths.h"

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

}  // namespace orvane
