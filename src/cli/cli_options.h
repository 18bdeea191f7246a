// The command line of orvane-nr-cli, parsed into one record.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pipeline/noise_settings.h"

namespace orvane::cli {

enum class Command { Denoise, Info, Convert, Profiles, Help, Version };

struct CliOptions {
  Command command = Command::Denoise;
  std::vector<std::string> files;

  // Noise reduction (the document's defaults when not given).
  std::optional<double> level;
  bool autoLevel = false;             // --level auto: estimated for each file
  std::optional<NrMode> mode;
  std::optional<bool> blockNoise;
  std::optional<bool> advanced;
  std::optional<bool> sharpen;
  std::optional<int> sharpenAmount;
  std::optional<int> edgeThreshold;
  std::optional<OutputWindow> outputWindow;
  // Tone and colour.
  std::optional<int> blackPoint;
  std::optional<int> whitePoint;
  std::optional<double> exposure;
  std::optional<int> temperature;     // -100 ... 100
  std::optional<int> boost;
  bool autoLevels = false;
  std::string matchImage;
  std::string matchProfile;
  std::optional<int> fade;
  // Crop and rotate.
  std::optional<bool> rotateClockwise;
  std::optional<int> cropPreset;
  std::optional<double> enlarge;
  std::optional<int> cropOffsetX, cropOffsetY;
  bool cropSwap = false;
  // Saving.
  std::optional<int> quality;
  std::optional<bool> enhancedSampling;
  bool suggestQuality = false;
  std::optional<int> blockW, blockH;
  std::optional<int> swapW, swapH;
  std::string output;                 // -o: one input only
  std::string outputDir;              // -d
  std::string type;                   // --type: extension without the dot
  bool overwrite = false;
  bool includeOutputs = false;        // --include-outputs: also inputs that are our own results
  bool quiet = false;
  bool json = false;
  std::optional<int> threads;
};

struct ParseResult {
  bool ok = false;
  std::string error;  // plain words, for a usage error
  CliOptions options;
};

ParseResult ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace orvane::cli
