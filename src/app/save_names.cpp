#include "app/save_names.h"

#include <filesystem>
#include <string_view>

#include "base/text.h"
#include "imagefile/codec/codec.h"
#include "imagefile/format_lists.h"
#include "app/host.h"

namespace orvane {
namespace {

}  // namespace

SaveProposal SaveStartName(const std::string& documentPath, const std::string& title) {
  std::string name = documentPath;
  if (name.empty()) {
    name = title.substr(0, title.find_first_of(" #%;/\\"));
    name += ".jpg";
  }
  const size_t slash = name.rfind('/');
  if (slash != std::string::npos) name = name.substr(slash + 1);
  SaveProposal proposal;
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) {
    proposal.keptExtension = Lower(name.substr(dot));
    name = name.substr(0, dot) + "_NR";
  }
  proposal.name = name;
  return proposal;
}

std::string SaveDefaultPattern(const std::string& keptExtension) {
  if (keptExtension.empty()) return "*.jpg";
  const std::string pattern = "*" + keptExtension;
  if (ImageTypeFromExtension(pattern) == ImageFileType::UnknownType) return "*.jpg";
  return pattern;
}

std::string ProposedSaveName(const std::string& documentPath, const std::string& title) {
  const SaveProposal proposal = SaveStartName(documentPath, title);
  return proposal.name + SaveDefaultPattern(proposal.keptExtension).substr(1);
}

std::string SaveFilterList(const std::string& pattern) { return SaveDialogFilter(pattern); }

OutputFolderChoice ReadOutputFolder(const SettingsStore& settings) {
  return {settings.getInt(key::kSaveType), settings.getString(key::kSavePath)};
}

void StoreOutputFolder(SettingsStore& settings, const OutputFolderChoice& choice) {
  settings.setInt(key::kSaveType, choice.mode);
  settings.setString(key::kSavePath, choice.folder);
}

std::string SaveStartFolder(const SettingsStore& settings, bool& isDefaultFolder) {
  const OutputFolderChoice choice = ReadOutputFolder(settings);
  isDefaultFolder = choice.mode == 1 && !choice.folder.empty();
  return isDefaultFolder ? choice.folder : settings.getString(key::kSaveFolder);
}

void RememberSaveFolder(SettingsStore& settings, const std::string& chosenPath,
                        bool startedInDefaultFolder) {
  if (startedInDefaultFolder) return;
  const size_t slash = chosenPath.rfind('/');
  settings.setString(key::kSaveFolder,
                     slash == std::string::npos ? std::string() : chosenPath.substr(0, slash));
}

bool NeedsJpegOptions(const std::string& chosenPath) {
  return chosenPath.size() >= 3 && Lower(chosenPath.substr(chosenPath.size() - 3)) == "jpg";
}

bool IsOwnOutput(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path p(path);
  const std::string stem = p.stem().string();
  constexpr std::string_view kSuffix = "_NR";
  if (stem.size() <= kSuffix.size() || !stem.ends_with(kSuffix) || !p.has_extension()) return false;
  const std::string original = stem.substr(0, stem.size() - kSuffix.size());
  std::error_code ec;
  const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().stem() == original && it->is_regular_file(ec)) return true;
  }
  return false;
}

}  // namespace orvane
