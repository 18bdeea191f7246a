#include "app/settings_keys.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>


namespace orvane {
namespace {

constexpr const SettingKey* kAll[] = {
    &key::kMaxBlockW,      &key::kMaxBlockH,        &key::kMaxSwapW,       &key::kMaxSwapH,
    &key::kJpegQuality,    &key::kEnhancedSampling, &key::kCropAspect,     &key::kSaveType,
    &key::kSavePath,       &key::kOpenFolder,       &key::kSaveFolder,     &key::kMatchFolder,
    &key::kInterfaceTheme, &key::kPaneTheme,        &key::kFrameStatus,    &key::kFrameTop,
    &key::kFrameLeft,      &key::kFrameBottom,      &key::kFrameRight,     &key::kBarsLayout,
    &key::kPanesLayout,    &key::kStandardButtons,  &key::kCropButtons,    &key::kRecentFiles[0],
    &key::kRecentFiles[1], &key::kRecentFiles[2],   &key::kRecentFiles[3]};

}  // namespace

std::span<const SettingKey* const> SettingKeys() { return kAll; }

const SettingKey* FindSettingKey(std::string_view section, std::string_view name) {
  for (const SettingKey* k : SettingKeys())
    if (k->section == section && k->name == name) return k;
  return nullptr;
}

void UnlistedSettingKey(std::string_view section, std::string_view name) {
  std::fprintf(stderr, "orvane: settings key \"%.*s/%.*s\" is not in the table of keys\n",
               static_cast<int>(section.size()), section.data(), static_cast<int>(name.size()), name.data());
  const char* strict = std::getenv("ORVANE_STRICT_SETTINGS");
  if (strict != nullptr && std::strcmp(strict, "1") == 0) std::abort();
}

}  // namespace orvane
