#include "app/save_names.h"

#include "imagefile/codec/codec.h"
#include "app/host.h"

namespace orvane {
namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

constexpr const char* kBmp = "Windows Bitmap (*.BMP)|*.bmp|";
constexpr const char* kJpg = "JPEG File (*.JPG)|*.jpg|";
constexpr const char* kPng = "Portable Graphics (*.PNG)|*.png|";
constexpr const char* kPsd = "Adobe Photoshop (*.PSD)|*.psd|";
constexpr const char* kTga = "Targa (*.TGA)|*.tga|";
constexpr const char* kTif = "TIFF File (*.TIF)|*.tif|";

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

std::string SaveFilterList(const std::string& pattern) {
  std::string list;
  if (pattern == "*.bmp") {
    list = std::string(kBmp) + kJpg + kPng + kPsd + kTga + kTif;
  } else if (pattern == "*.jpg") {
    list = std::string(kJpg) + kBmp + kPng + kPsd + kTga + kTif;
  } else if (pattern == "*.png") {
    list = std::string(kPng) + kBmp + kJpg + kPsd + kTga + kTif;
  } else if (pattern == "*.psd") {
    list = std::string(kPsd) + kBmp + kJpg + kPng + kTga + kTif;
  } else {
    list = "Last File Extension (" + Upper(pattern) + ")|" + pattern + "|" + kBmp + kJpg + kPng +
           kPsd + kTga + kTif;
  }
  return list + "|";
}

std::string SaveStartFolder(const SettingsStore& settings, bool& isDefaultFolder) {
  const std::string savePath = settings.getString("Settings", "SavePath", "");
  isDefaultFolder = settings.getInt("Settings", "SaveType", 0) == 1 && !savePath.empty();
  return isDefaultFolder ? savePath : settings.getString("Document", "outPath", "");
}

void RememberSaveFolder(SettingsStore& settings, const std::string& chosenPath,
                        bool startedInDefaultFolder) {
  if (startedInDefaultFolder) return;
  const size_t slash = chosenPath.rfind('/');
  settings.setString("Document", "outPath",
                     slash == std::string::npos ? std::string() : chosenPath.substr(0, slash));
}

bool NeedsJpegOptions(const std::string& chosenPath) {
  return chosenPath.size() >= 3 && Lower(chosenPath.substr(chosenPath.size() - 3)) == "jpg";
}

}  // namespace orvane
