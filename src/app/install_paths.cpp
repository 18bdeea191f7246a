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

}  // namespace orvane
