#include "cli/cli_options.h"

#include "imagefile/format_lists.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <algorithm>
#include <cstdio>
#include <map>
#include <span>

namespace orvane::cli {
namespace {

bool ParseInt(const std::string& text, int low, int high, int& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < low || v > high) return false;
  out = static_cast<int>(v);
  return true;
}

bool ParseDouble(const std::string& text, double low, double high, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < low || v > high) return false;
  out = v;
  return true;
}

bool ParseSwitch(const std::string& text, bool& out) {
  if (text == "on" || text == "yes" || text == "1") return out = true, true;
  if (text == "off" || text == "no" || text == "0") return out = false, true;
  return false;
}

bool ParsePair(const std::string& text, char separator, int low, int high, int& a, int& b) {
  const size_t at = text.find(separator);
  if (at == std::string::npos) return false;
  return ParseInt(text.substr(0, at), low, high, a) && ParseInt(text.substr(at + 1), low, high, b);
}

// "a, b or c".
std::string NameList(std::span<const std::string_view> names) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i)
    out += std::string(i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + std::string(names[i]);
  return out;
}

std::string Number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// An option's help: the option, then its text broken at spaces so that no line is wider than
// 80 columns; continued lines start in the text's column.
std::string Wrapped(const std::string& option, const std::string& text) {
  constexpr size_t kWidth = 80, kColumn = 27;
  std::string out = option;
  size_t used = option.size();
  for (size_t at = 0; at < text.size();) {
    // A word, or a whole "(default ...)" that reads badly when broken.
    size_t end = text.find(text[at] == '(' ? ')' : ' ', at);
    if (end != std::string::npos && text[end] == ')') ++end;
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(at, end - at);
    const bool first = used == option.size();
    if (!first && used + 1 + word.size() > kWidth) {
      out += "\n" + std::string(kColumn, ' ');
      used = kColumn;
    } else if (!first) {
      out += ' ';
      ++used;
    }
    out += word;
    used += word.size();
    at = end + 1;
  }
  return out + "\n";
}

// One help line of a setting of the table: option, value, what it does, range and default.
std::string HelpLine(NoiseSetting id, std::string_view value) {
  const NoiseSettingRow& row = SettingRow(id);
  std::string line = "  --" + std::string(row.option) + " " + std::string(value);
  line.resize(std::max<size_t>(line.size() + 1, 27), ' ');
  std::string text = std::string(row.what);
  if (id == NoiseSetting::kMode) {
    text = NameList(kModeNames);
  } else if (id == NoiseSetting::kOutputWindow) {
    text = NameList(kOutputWindowNames) + " (default " +
           std::string(kOutputWindowNames[DefaultInt(id)]) + ")";
  } else if (value == "on|off") {
    text += std::string(" (default ") + (row.byDefault != 0 ? "on" : "off") + ")";
  } else {
    text.append(" ").append(Number(row.low)).append("..").append(Number(row.high));
    text.append(" (default ").append(Number(row.byDefault)).append(")");
  }
  return Wrapped(line, text);
}

// The pair options give width and height from two rows of the table.
std::string PairHelpLine(NoiseSetting w, NoiseSetting h) {
  std::string line = "  --" + std::string(SettingRow(w).option) + " WxH";
  line.resize(std::max<size_t>(line.size() + 1, 27), ' ');
  return Wrapped(line, std::string(SettingRow(w).what) + " (default " +
                          Number(SettingRow(w).byDefault) + "x" + Number(SettingRow(h).byDefault) + ")");
}

bool ParseSetting(const std::string& text, NoiseSetting id, int& out) {
  return ParseInt(text, static_cast<int>(SettingRow(id).low), static_cast<int>(SettingRow(id).high), out);
}

// A name of the list gives its index.
bool ParseName(const std::string& text, std::span<const std::string_view> names, int& out) {
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == text) return out = static_cast<int>(i), true;
  return false;
}

}  // namespace

std::string UsageText() {
  return
      "Usage:\n"
      "  orvane-nr-cli [options] FILE...        denoise each FILE and save the result\n"
      "  orvane-nr-cli info [--json] FILE...    type, size, bit depth, camera data\n"
      "  orvane-nr-cli convert IN OUT           IN written in the type OUT names\n"
      "  orvane-nr-cli profiles                 the profiles --match-profile finds\n"
      "  orvane-nr-cli --help | --version\n"
      "\n"
      "Noise reduction:\n" +
      HelpLine(NoiseSetting::kNoiseLevel, "X|auto") +
      "                           auto: estimated from each picture's noise\n" +
      HelpLine(NoiseSetting::kMode, "M") +
      HelpLine(NoiseSetting::kBlockNoise, "on|off") +
      HelpLine(NoiseSetting::kAdvancedProcessing, "on|off") +
      HelpLine(NoiseSetting::kSharpenEdges, "on|off") +
      HelpLine(NoiseSetting::kSharpenAmount, "N") + HelpLine(NoiseSetting::kEdgeThreshold, "N") +
      HelpLine(NoiseSetting::kOutputWindow, "W") +
      "Tone and colour:\n"
      "  --black-point N, --white-point N   0..255\n"
      "  --exposure EV            -4..4\n"
      "  --temperature T          -100 (warmer) .. 100 (colder)\n"
      "  --boost N                colour boost 0..100\n"
      "  --auto-levels            black and white points from the picture\n"
      "  --match-image FILE       match the colours to a reference picture\n"
      "  --match-profile NAME     match the colours to a colour profile: a .cpf file,\n"
      "                           or a profile's name (\"Sunset Glow\") in the installed\n"
      "                           profiles folder or ~/.local/share/Quillmark/Orvane NR\n"
      "  --fade N                 weaken the colour match, 0..255\n"
      "Crop and rotate:\n"
      "  --rotate cw|ccw\n"
      "  --crop-preset N          0 square, 1 3:1, 2 3:2, 3 4:3, 4 letter, 5 legal,\n"
      "                           6 A4, 7 16:9, 8 keep (default)\n"
      "  --enlarge X              1..3: the crop is the picture's side divided by this\n"
      "  --crop-offset X,Y        top-left corner of the crop\n"
      "  --crop-swap              swap the crop between landscape and portrait\n"
      "Saving:\n"
      "  -o FILE                  output file (one input only)\n"
      "  -d DIR                   output folder (made when missing)\n"
      "  --type EXT               output type: " + TypeOptionList() + "\n" +
      "  --overwrite              replace an existing output (never a read-only one)\n"
      "  --include-outputs        also process inputs that are this program's results\n"
      "                           (NAME_NR beside NAME, skipped otherwise)\n" +
      HelpLine(NoiseSetting::kJpegQuality, "N") +
      HelpLine(NoiseSetting::kEnhancedSampling, "on|off") +
      "  --suggest-quality        highest quality keeping a JPEG below the input's size\n" +
      PairHelpLine(NoiseSetting::kMaxBlockW, NoiseSetting::kMaxBlockH) +
      PairHelpLine(NoiseSetting::kMaxSwapW, NoiseSetting::kMaxSwapH) +
      "Other:\n"
      "  --quiet                  no progress and no summary lines\n"
      "  --json                   one JSON object per file\n"
      "  --threads N              threads for the engine and the per-pixel work\n"
      "                           (default: every core)\n"
      "\n"
      "Every run starts from the defaults above: the desktop program's remembered\n"
      "settings (crop preset, JPEG quality, output folder) are not read or changed.\n"
      "A picture is rotated first, then cropped, then processed.\n"
      "Output names follow the program's save dialog: NAME_NR with the input's type\n"
      "when it can be written, else JPEG. Exit status: 0 all files done, 1 some failed,\n"
      "2 usage error, 128 + N stopped by signal N (130 for Ctrl-C).\n";
}

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
  ParseResult result;
  CliOptions& o = result.options;
  size_t i = 0;
  if (!args.empty()) {
    if (args[0] == "info") {
      o.command = Command::Info;
      i = 1;
    } else if (args[0] == "convert") {
      o.command = Command::Convert;
      i = 1;
    } else if (args[0] == "profiles") {
      o.command = Command::Profiles;
      i = 1;
    }
  }
  auto fail = [&](const std::string& message) {
    result.ok = false;
    result.error = message;
    return result;
  };
  using Handler = std::function<bool(const std::string&)>;
  const std::map<std::string, Handler> valued = {
      {"--level", [&](const std::string& v) {
         if (v == "auto") return o.level.reset(), o.autoLevel = true;
         const NoiseSettingRow& level = SettingRow(NoiseSetting::kNoiseLevel);
         double d;
         return ParseDouble(v, level.low, level.high, d) && (o.level = d, o.autoLevel = false, true);
       }},
      {"--mode", [&](const std::string& v) {
         int n;
         return ParseName(v, kModeNames, n) && (o.mode = static_cast<NrMode>(n), true);
       }},
      {"--block-noise", [&](const std::string& v) { bool b; return ParseSwitch(v, b) && (o.blockNoise = b, true); }},
      {"--advanced", [&](const std::string& v) { bool b; return ParseSwitch(v, b) && (o.advanced = b, true); }},
      {"--sharpen", [&](const std::string& v) { bool b; return ParseSwitch(v, b) && (o.sharpen = b, true); }},
      {"--sharpen-amount", [&](const std::string& v) { int n; return ParseSetting(v, NoiseSetting::kSharpenAmount, n) && (o.sharpenAmount = n, true); }},
      {"--edge-threshold", [&](const std::string& v) { int n; return ParseSetting(v, NoiseSetting::kEdgeThreshold, n) && (o.edgeThreshold = n, true); }},
      {"--output-window", [&](const std::string& v) {
         int n;
         return ParseName(v, kOutputWindowNames, n) && (o.outputWindow = static_cast<OutputWindow>(n), true);
       }},
      {"--black-point", [&](const std::string& v) { int n; return ParseInt(v, 0, 255, n) && (o.blackPoint = n, true); }},
      {"--white-point", [&](const std::string& v) { int n; return ParseInt(v, 0, 255, n) && (o.whitePoint = n, true); }},
      {"--exposure", [&](const std::string& v) { double d; return ParseDouble(v, -4, 4, d) && (o.exposure = d, true); }},
      {"--temperature", [&](const std::string& v) { int n; return ParseInt(v, -100, 100, n) && (o.temperature = n, true); }},
      {"--boost", [&](const std::string& v) { int n; return ParseInt(v, 0, 100, n) && (o.boost = n, true); }},
      {"--match-image", [&](const std::string& v) { return !v.empty() && (o.matchImage = v, true); }},
      {"--match-profile", [&](const std::string& v) { return !v.empty() && (o.matchProfile = v, true); }},
      {"--fade", [&](const std::string& v) { int n; return ParseInt(v, 0, 255, n) && (o.fade = n, true); }},
      {"--rotate", [&](const std::string& v) {
         if (v == "cw") return o.rotateClockwise = true, true;
         if (v == "ccw") return o.rotateClockwise = false, true;
         return false;
       }},
      {"--crop-preset", [&](const std::string& v) { int n; return ParseInt(v, 0, 8, n) && (o.cropPreset = n, true); }},
      {"--enlarge", [&](const std::string& v) { double d; return ParseDouble(v, 1, 3, d) && (o.enlarge = d, true); }},
      {"--crop-offset", [&](const std::string& v) {
         int x, y;
         return ParsePair(v, ',', 0, 1 << 30, x, y) && (o.cropOffsetX = x, o.cropOffsetY = y, true);
       }},
      {"--quality", [&](const std::string& v) { int n; return ParseSetting(v, NoiseSetting::kJpegQuality, n) && (o.quality = n, true); }},
      {"--enhanced-sampling", [&](const std::string& v) { bool b; return ParseSwitch(v, b) && (o.enhancedSampling = b, true); }},
      {"--block-size", [&](const std::string& v) {
         int w, h;
         const NoiseSettingRow& range = SettingRow(NoiseSetting::kMaxBlockW);
         return ParsePair(v, 'x', static_cast<int>(range.low), static_cast<int>(range.high), w, h) &&
                (o.blockW = w, o.blockH = h, true);
       }},
      {"--swap-threshold", [&](const std::string& v) {
         int w, h;
         const NoiseSettingRow& range = SettingRow(NoiseSetting::kMaxSwapW);
         return ParsePair(v, 'x', static_cast<int>(range.low), static_cast<int>(range.high), w, h) &&
                (o.swapW = w, o.swapH = h, true);
       }},
      {"-o", [&](const std::string& v) { return !v.empty() && (o.output = v, true); }},
      {"-d", [&](const std::string& v) { return !v.empty() && (o.outputDir = v, true); }},
      {"--type", [&](const std::string& v) {
         std::string t = v;
         if (!t.empty() && t[0] == '.') t.erase(0, 1);
         return !t.empty() && (o.type = t, true);
       }},
      {"--threads", [&](const std::string& v) { int n; return ParseInt(v, 1, 1024, n) && (o.threads = n, true); }},
  };
  // What a number out of its range is told: the range it must lie in.
  auto range = [](NoiseSetting id) {
    const NoiseSettingRow& row = SettingRow(id);
    return std::to_string(static_cast<int64_t>(row.low)) + ".." +
           std::to_string(static_cast<int64_t>(row.high));
  };
  const std::map<std::string, std::string> ranges = {
      {"--level", range(NoiseSetting::kNoiseLevel) + " or auto"},
      {"--sharpen-amount", range(NoiseSetting::kSharpenAmount)},
      {"--edge-threshold", range(NoiseSetting::kEdgeThreshold)},
      {"--black-point", "0..255"}, {"--white-point", "0..255"}, {"--exposure", "-4..4"},
      {"--temperature", "-100..100"}, {"--boost", "0..100"}, {"--fade", "0..255"},
      {"--crop-preset", "0..8"}, {"--enlarge", "1..3"},
      {"--quality", range(NoiseSetting::kJpegQuality)},
      {"--block-size", "WxH with each side " + range(NoiseSetting::kMaxBlockW)},
      {"--swap-threshold", "WxH with each side " + range(NoiseSetting::kMaxSwapW)},
      {"--crop-offset", "X,Y, two numbers from 0"}, {"--threads", "1..1024"},
  };
  bool onlyFiles = false;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (onlyFiles || a.empty() || a[0] != '-' || a == "-") {
      o.files.push_back(a);
      continue;
    }
    if (a == "--") { onlyFiles = true; continue; }
    if (a == "--help" || a == "-h") { o.command = Command::Help; result.ok = true; return result; }
    if (a == "--version") { o.command = Command::Version; result.ok = true; return result; }
    if (a == "--auto-levels") { o.autoLevels = true; continue; }
    if (a == "--crop-swap") { o.cropSwap = true; continue; }
    if (a == "--suggest-quality") { o.suggestQuality = true; continue; }
    if (a == "--overwrite") { o.overwrite = true; continue; }
    if (a == "--include-outputs") { o.includeOutputs = true; continue; }
    if (a == "--quiet" || a == "-q") { o.quiet = true; continue; }
    if (a == "--json") { o.json = true; continue; }
    std::string name = a, value;
    bool inlineValue = false;
    if (const size_t eq = a.find('='); eq != std::string::npos && a.rfind("--", 0) == 0) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      inlineValue = true;
    }
    auto it = valued.find(name);
    if (it == valued.end()) return fail("unknown option " + name);
    if (!inlineValue) {
      if (i + 1 >= args.size()) return fail(name + " needs a value");
      value = args[++i];
    }
    if (!it->second(value)) {
      if (const auto r = ranges.find(name); r != ranges.end())
        return fail(name + " " + value + ": must be " + r->second);
      return fail("invalid value \"" + value + "\" for " + name);
    }
  }
  if (o.command == Command::Convert && o.files.size() != 2)
    return fail("convert needs exactly one input and one output file");
  if (o.command == Command::Profiles) {
    if (!o.files.empty()) return fail("profiles takes no file");
    result.ok = true;
    return result;
  }
  if (o.files.empty()) return fail("no input file given");
  if (!o.output.empty() && o.files.size() != 1) return fail("-o can only be used with one input file");
  if (!o.output.empty() && !o.outputDir.empty()) return fail("-o and -d cannot be used together");
  result.ok = true;
  return result;
}

}  // namespace orvane::cli
