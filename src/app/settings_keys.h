// Every key of the settings store, in one table: its section and name, what it holds, its
// default, and the one part of the program that owns it (reads it and writes it back). Code names
// keys through the constants below; the store refuses a key that is not in the table.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "pipeline/crop_rotate.h"
#include "pipeline/noise_settings.h"

namespace orvane {

enum class SettingType { kInt, kText, kBlock };  // kBlock: the window's binary layouts

struct SettingKey {
  std::string_view section;
  std::string_view name;
  SettingType type;
  int defaultInt;          // kInt keys; text keys default to empty
  std::string_view owner;  // who reads and writes it
};

namespace key {

// The document: noise-reduction settings the window keeps (memory, JPEG options) and the crop
// preset.
constexpr SettingKey RunSetting(NoiseSetting id) {
  return {"Settings", SettingRow(id).key, SettingType::kInt, DefaultInt(id), "document"};
}
inline constexpr SettingKey kMaxBlockW = RunSetting(NoiseSetting::kMaxBlockW);
inline constexpr SettingKey kMaxBlockH = RunSetting(NoiseSetting::kMaxBlockH);
inline constexpr SettingKey kMaxSwapW = RunSetting(NoiseSetting::kMaxSwapW);
inline constexpr SettingKey kMaxSwapH = RunSetting(NoiseSetting::kMaxSwapH);
inline constexpr SettingKey kJpegQuality = RunSetting(NoiseSetting::kJpegQuality);
inline constexpr SettingKey kEnhancedSampling = RunSetting(NoiseSetting::kEnhancedSampling);
inline constexpr SettingKey kCropAspect{"Settings", "CropAspect", SettingType::kInt, kCropPresetKeep, "document"};
// The default output folder: written by the File Properties pane, read by the save sequence.
inline constexpr SettingKey kSaveType{"Settings", "SaveType", SettingType::kInt, 0, "output folder"};
inline constexpr SettingKey kSavePath{"Settings", "SavePath", SettingType::kText, 0, "output folder"};
// Folders the dialogs start in.
inline constexpr SettingKey kOpenFolder{"Document", "Path", SettingType::kText, 0, "open dialog"};
inline constexpr SettingKey kSaveFolder{"Document", "outPath", SettingType::kText, 0, "save sequence"};
inline constexpr SettingKey kMatchFolder{"Document", "MatchPath", SettingType::kText, 0,
                                         "reference picture dialog"};
// The main window.
inline constexpr SettingKey kInterfaceTheme{"Settings", "IntfTheme", SettingType::kInt, 2, "main window"};
inline constexpr SettingKey kPaneTheme{"Settings", "PaneTheme", SettingType::kInt, 5, "main window"};
inline constexpr SettingKey kFrameStatus{"Frame", "Status", SettingType::kInt, -1, "main window"};
inline constexpr SettingKey kFrameTop{"Frame", "Top", SettingType::kInt, -1, "main window"};
inline constexpr SettingKey kFrameLeft{"Frame", "Left", SettingType::kInt, -1, "main window"};
inline constexpr SettingKey kFrameBottom{"Frame", "Bottom", SettingType::kInt, -1, "main window"};
inline constexpr SettingKey kFrameRight{"Frame", "Right", SettingType::kInt, -1, "main window"};
inline constexpr SettingKey kBarsLayout{"CommandBars", "State", SettingType::kBlock, 0, "main window"};
inline constexpr SettingKey kPanesLayout{"NormalLayout", "State", SettingType::kBlock, 0, "main window"};
inline constexpr SettingKey kStandardButtons{"CommandBars", "Standard Buttons", SettingType::kText, 0,
                                             "main window"};
inline constexpr SettingKey kCropButtons{"CommandBars", "Crop Buttons", SettingType::kText, 0, "main window"};
inline constexpr SettingKey kRecentFiles[4] = {
    {"Recent File List", "File1", SettingType::kText, 0, "main window"},
    {"Recent File List", "File2", SettingType::kText, 0, "main window"},
    {"Recent File List", "File3", SettingType::kText, 0, "main window"},
    {"Recent File List", "File4", SettingType::kText, 0, "main window"},
};

}  // namespace key

// Every key above.
std::span<const SettingKey* const> SettingKeys();
// The table's key of that section and name, or null.
const SettingKey* FindSettingKey(std::string_view section, std::string_view name);

// Called with a key that is not in the table, or used as another type; the store then reads the
// default and writes nothing. It warns on the error stream; with ORVANE_STRICT_SETTINGS=1 in the
// environment (as every test runs) it ends the program, so that a test using such a key fails.
void UnlistedSettingKey(std::string_view section, std::string_view name);

}  // namespace orvane
