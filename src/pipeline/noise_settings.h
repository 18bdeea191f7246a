// The table of the run's settings: name, range, default and, for the persisted ones, the key
// under "Settings". The document's defaults, the settings store, the command line's options and
// help, and the NR Options pane all read their numbers here.
#pragma once

#include <span>
#include <string_view>

#include "pipeline/edge_map.h"

namespace orvane {

enum class NoiseSetting {
  kNoiseLevel,
  kBlockNoise,        // "Remove Block Noise": levels 5 when on, 3 when off
  kAdvancedProcessing,
  kSharpenEdges,
  kSharpenAmount,
  kEdgeThreshold,
  kMode,              // NrMode
  kOutputWindow,      // OutputWindow
  kMaxBlockW,
  kMaxBlockH,
  kMaxSwapW,
  kMaxSwapH,
  kJpegQuality,
  kEnhancedSampling,
};

struct NoiseSettingRow {
  NoiseSetting id;
  std::string_view option;  // the command line's option without "--"
  double low, high;         // what a typed value may be; switches are 0 ... 1
  double byDefault;
  std::string_view key;     // the persisted key under "Settings", or empty
  std::string_view what;    // for the command line's help
};

inline constexpr NoiseSettingRow kNoiseSettings[] = {
    {NoiseSetting::kNoiseLevel, "level", 0, 100, 8.0, "", "noise level"},
    {NoiseSetting::kBlockNoise, "block-noise", 0, 1, 1, "",
     "remove block noise: 5 levels instead of 3"},
    {NoiseSetting::kAdvancedProcessing, "advanced", 0, 1, 1, "",
     "edge map and edge-weighted result"},
    {NoiseSetting::kSharpenEdges, "sharpen", 0, 1, 1, "", "sharpen edges"},
    {NoiseSetting::kSharpenAmount, "sharpen-amount", 0, 100, 8, "", "sharpening"},
    {NoiseSetting::kEdgeThreshold, "edge-threshold", 0, 255, 0, "", "edge threshold"},
    {NoiseSetting::kMode, "mode", kModeDefault, kModePhoto, kModeDefault, "", "mode"},
    {NoiseSetting::kOutputWindow, "output-window", kOutputResult, kOutputNoise, kOutputResult, "",
     "what the result shows"},
    {NoiseSetting::kMaxBlockW, "block-size", 32, 1 << 20, 3100, "MaxBlockW",
     "largest block processed at once"},
    {NoiseSetting::kMaxBlockH, "block-size", 32, 1 << 20, 2100, "MaxBlockH",
     "largest block processed at once"},
    {NoiseSetting::kMaxSwapW, "swap-threshold", 32, 1 << 20, 2000, "MaxSwapW",
     "size above which buffers are mapped"},
    {NoiseSetting::kMaxSwapH, "swap-threshold", 32, 1 << 20, 2000, "MaxSwapH",
     "size above which buffers are mapped"},
    {NoiseSetting::kJpegQuality, "quality", 40, 100, 92, "JPGq", "JPEG quality"},
    {NoiseSetting::kEnhancedSampling, "enhanced-sampling", 0, 1, 1, "JPGES",
     "every JPEG component at full resolution"},
};

constexpr const NoiseSettingRow& SettingRow(NoiseSetting id) {
  return kNoiseSettings[static_cast<int>(id)];
}
constexpr int DefaultInt(NoiseSetting id) { return static_cast<int>(SettingRow(id).byDefault); }

// The names of the modes and output windows on the command line, in enum order.
inline constexpr std::string_view kModeNames[] = {"default", "nature", "portrait", "high-noise",
                                                  "scanner", "photo"};
inline constexpr std::string_view kOutputWindowNames[] = {"result", "edges", "noise"};

// The table's order is the enum's; checked here so that SettingRow() can index it.
constexpr bool TableFollowsEnum() {
  for (int i = 0; i < static_cast<int>(std::size(kNoiseSettings)); ++i)
    if (static_cast<int>(kNoiseSettings[i].id) != i) return false;
  return true;
}
static_assert(TableFollowsEnum());

// "Remove Block Noise" is the engine's depth: five levels when on, three when off.
constexpr int LevelsForBlockNoise(bool removeBlockNoise) { return removeBlockNoise ? 5 : 3; }
constexpr bool RemovesBlockNoise(int levels) { return levels >= 4; }

// The noise reduction's settings as one record: the NR Options pane edits a copy and applies
// it, the command line builds one from its flags, the run reads the document's.
struct NrSettings {
  double noiseLevel = SettingRow(NoiseSetting::kNoiseLevel).byDefault;
  int levels = LevelsForBlockNoise(DefaultInt(NoiseSetting::kBlockNoise) != 0);  // 2 ... 5
  bool perChannel = true;
  bool advancedProcessing = DefaultInt(NoiseSetting::kAdvancedProcessing) != 0;
  bool sharpenEdges = DefaultInt(NoiseSetting::kSharpenEdges) != 0;
  int sharpenAmount = DefaultInt(NoiseSetting::kSharpenAmount);
  int edgeThreshold = DefaultInt(NoiseSetting::kEdgeThreshold);
  NrMode mode = static_cast<NrMode>(DefaultInt(NoiseSetting::kMode));
  OutputWindow outputWindow = static_cast<OutputWindow>(DefaultInt(NoiseSetting::kOutputWindow));
  bool operator==(const NrSettings&) const = default;
};

// The Memory Settings dialog's four values, as stored: the run takes values below its smallest
// block side as the defaults.
struct MemorySettings {
  int maxBlockW = DefaultInt(NoiseSetting::kMaxBlockW);
  int maxBlockH = DefaultInt(NoiseSetting::kMaxBlockH);
  int maxSwapW = DefaultInt(NoiseSetting::kMaxSwapW);
  int maxSwapH = DefaultInt(NoiseSetting::kMaxSwapH);
  bool operator==(const MemorySettings&) const = default;
};

}  // namespace orvane
