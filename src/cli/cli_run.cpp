#include "cli/cli_run.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "cli/console_host.h"
#include "app/correction_sliders.h"
#include "colour/profile_file.h"
#include "colour/reference_store.h"
#include "imagefile/codec/codec.h"
#include "imagefile/format_lists.h"
#include "imagefile/jpeg_options.h"
#include "imagefile/result_words.h"
#include "app/document.h"
#include "app/save_names.h"
#include "app/suggest_quality.h"
#include "pipeline/edge_map.h"
#include "pipeline/noise_estimate.h"

namespace orvane::cli {
namespace {

namespace fs = std::filesystem;

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string JsonNumber(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

std::string ImageWords(int code) { return ResultWords(Result{ResultKind::kImage, code}); }

// Settles the document's settings from the flags, before the picture is opened.
void ApplySettings(const CliOptions& o, CHushwickDoc& doc) {
  if (o.threads) doc.threads = *o.threads;
  if (o.level) doc.noiseLevel = *o.level;
  if (o.mode) doc.nrMode = *o.mode;
  if (o.blockNoise) doc.levels = *o.blockNoise ? 5 : 3;
  if (o.advanced) doc.advancedProcessing = *o.advanced ? 1 : 0;
  if (o.sharpen) doc.sharpenEdges = *o.sharpen ? 1 : 0;
  if (o.sharpenAmount) doc.sharpenAmount = *o.sharpenAmount;
  if (o.edgeThreshold) doc.edgeThreshold = *o.edgeThreshold;
  if (o.outputWindow) doc.outputWindow = *o.outputWindow;
  if (o.blockW) doc.maxBlockW = *o.blockW, doc.maxBlockH = *o.blockH;
  if (o.swapW) doc.maxSwapW = *o.swapW, doc.maxSwapH = *o.swapH;
  if (o.quality) doc.jpegQuality = *o.quality;
  if (o.enhancedSampling) doc.enhancedSampling = *o.enhancedSampling ? 1 : 0;
  if (o.cropPreset) doc.cropPreset = *o.cropPreset;
}

// The picture-dependent steps: colour, rotation, crop. Returns an error text or empty.
std::string PreparePicture(const CliOptions& o, CHushwickDoc& doc, ReferenceStore& store) {
  if (o.autoLevels) {
    const LevelsResult levels = AutoLevels(doc.sourceImage);
    doc.colour.blackPoint = levels.black;
    doc.colour.whitePoint = levels.white;
  }
  if (o.blackPoint) doc.colour.blackPoint = *o.blackPoint;
  if (o.whitePoint) doc.colour.whitePoint = *o.whitePoint;
  if (o.exposure) doc.colour.exposureEv = *o.exposure;
  if (o.temperature) doc.colour.blueGamma = BlueGammaFromTemperature(*o.temperature + 100);
  if (o.boost) doc.colour.colourBoost = *o.boost;
  if (!o.matchImage.empty()) {
    const int rc = LoadReferenceImage(store, o.matchImage, doc.sourceImage, doc.colour);
    if (rc != kOk) return "cannot use " + o.matchImage + " as a colour reference: " + ImageWords(rc);
  } else if (!o.matchProfile.empty()) {
    ProfileData data;
    const int rc = ReadProfileFile(o.matchProfile, data, nullptr);
    if (rc != kProfileOk) return ResultWords(Result{ResultKind::kProfile, rc, o.matchProfile});
    ReferenceSlot slot;
    slot.path = o.matchProfile;
    slot.distributions = data.distributions;
    BuildMatchTables(doc.sourceImage, slot, doc.colour.matchTables);
    doc.colour.matchMode = 2;
  }
  if (o.fade) doc.colour.matchFade = *o.fade;
  if (o.rotateClockwise) doc.RotateImage(*o.rotateClockwise);
  if (o.cropPreset || o.enlarge || o.cropOffsetX || o.cropSwap) {
    // Writing the result applies the crop of Full/Crop mode before the run.
    doc.EnterFullCropMode(true);
    if (o.enlarge) doc.enlarge = *o.enlarge;
    if (o.cropOffsetX) doc.cropOffsetX = *o.cropOffsetX, doc.cropOffsetY = *o.cropOffsetY;
    if (o.cropSwap) doc.cropSwapOrientation = 1;
  }
  return {};
}

struct FileReport {
  std::string input, output, error;
  int64_t size = 0;
  double seconds = 0;
  int width = 0, height = 0;
  double level = 0;  // the noise level used
  std::string note;
};

std::string LevelText(double level) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", level);
  return text;
}

void PrintReport(const FileReport& r, const CliOptions& o) {
  if (o.json) {
    std::printf("{\"input\": %s, \"output\": %s, \"size\": %lld, \"width\": %d, \"height\": %d, "
                "\"level\": %s, \"time\": %s, \"result\": %s}\n",
                JsonString(r.input).c_str(), JsonString(r.output).c_str(),
                static_cast<long long>(r.size), r.width, r.height, JsonNumber(r.level).c_str(),
                JsonNumber(r.seconds).c_str(),
                JsonString(r.error.empty() ? "ok" : r.error).c_str());
    std::fflush(stdout);
    return;
  }
  if (!r.error.empty()) {
    std::fprintf(stderr, "orvane-nr-cli: %s: %s\n", r.input.c_str(), r.error.c_str());
    return;
  }
  if (!o.quiet) {
    std::printf("%s -> %s (%d x %d, %.2f s%s%s)\n", r.input.c_str(), r.output.c_str(), r.width,
                r.height, r.seconds, r.note.empty() ? "" : ", ", r.note.c_str());
    std::fflush(stdout);
  }
}

FileReport DenoiseOne(const std::string& input, const CliOptions& o, ConsoleHost& host,
                      ReferenceStore& store, int index, int count) {
  FileReport report;
  report.input = input;
  const auto start = std::chrono::steady_clock::now();
  host.beginFile(fs::path(input).filename().string(), index, count);
  MemorySettingsStore settings;
  CHushwickDoc doc(host, settings);
  NoDocumentViews views;
  doc.setViews(&views);
  ApplySettings(o, doc);

  const int rc = doc.openFile(input);
  if (rc != kOk) {
    report.error = "cannot read this file: " + ImageWords(rc);
    return report;
  }
  if (o.autoLevel) {
    // The estimate is for the engine's threshold; High Noise mode multiplies the level by 4.
    const double estimated = EstimateNoiseLevel(doc.sourceImage, nullptr, doc.threads);
    if (estimated >= 0) {
      doc.noiseLevel = doc.nrMode == kModeHighNoise ? std::round(estimated / 4 * 10) / 10 : estimated;
      report.note = "level " + LevelText(doc.noiseLevel) + " (estimated)";
    }
  }
  report.level = doc.noiseLevel;
  if (std::string e = PreparePicture(o, doc, store); !e.empty()) {
    report.error = e;
    return report;
  }
  report.output = OutputPathFor(input, o);
  std::error_code ec;
  if (fs::exists(report.output, ec) && !o.overwrite) {
    report.error = "the output " + report.output + " already exists (use --overwrite to replace it)";
    return report;
  }
  if (NeedsJpegOptions(report.output) && o.suggestQuality) {
    const RasterImage& src = doc.sourceImage;
    const int sampling = doc.enhancedSampling;
    const int q = SuggestQualityWithProgress(host, doc.jpegTargetSize(), [&](int quality) {
      return EstimateJpegSize(src, quality, sampling);
    });
    doc.storeJpegOptions(q, sampling);
    report.note += std::string(report.note.empty() ? "" : ", ") + "quality " + std::to_string(q);
  }
  const Result written = doc.writeResult(report.output, /*keepOutputWindow=*/true);
  if (!written.succeeded()) {
    // The window's words for the same fault; Save's own code names what went wrong on disk.
    report.error = written.kind == ResultKind::kImage
                       ? "cannot write " + report.output + ": " + ResultWords(written)
                       : ResultWords(written);
    return report;
  }
  if (written.code == kSavedWithoutExif)
    report.note += std::string(report.note.empty() ? "" : ", ") + ResultWords(written);
  report.width = doc.resultImage.Width();
  report.height = doc.resultImage.Height();
  report.size = static_cast<int64_t>(fs::file_size(report.output, ec));
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return report;
}

}  // namespace

bool CanWriteExtension(const std::string& extension) {
  std::string ext = extension;
  if (!ext.empty() && ext[0] != '.') ext = "." + ext;
  const ImageFileType t = ImageTypeFromExtension("x" + ext);
  if (t == ImageFileType::UnknownType) return false;
  for (const ImageFormat& f : ImageFormats())
    if (f.baseType == t && f.write != nullptr) return true;
  return false;
}

std::string OutputPathFor(const std::string& input, const CliOptions& options) {
  if (!options.output.empty()) return options.output;
  // The save dialog's proposal; a type we cannot write falls back to JPEG, as --type overrides.
  fs::path name = ProposedSaveName(input);
  if (!options.type.empty())
    name.replace_extension("." + options.type);
  else if (!CanWriteExtension(name.extension().string()))
    name.replace_extension(".jpg");
  const fs::path folder =
      options.outputDir.empty() ? fs::path(input).parent_path() : fs::path(options.outputDir);
  return (folder / name).string();
}

int RunDenoise(const CliOptions& options, const volatile std::sig_atomic_t* interrupted) {
  if (!options.type.empty() && !CanWriteExtension(options.type)) {
    std::fprintf(stderr, "orvane-nr-cli: cannot write pictures of type \"%s\"\n", options.type.c_str());
    return 2;
  }
  if (!options.output.empty() && !CanWriteExtension(fs::path(options.output).extension().string())) {
    std::fprintf(stderr, "orvane-nr-cli: %s: cannot write this type of picture\n", options.output.c_str());
    return 2;
  }
  std::error_code ec;
  if (!options.outputDir.empty() && !fs::is_directory(options.outputDir, ec)) {
    std::fprintf(stderr, "orvane-nr-cli: %s: no such folder\n", options.outputDir.c_str());
    return 2;
  }
  const bool bar = !options.quiet && !options.json && isatty(STDERR_FILENO);
  ConsoleHost host(interrupted, bar);
  ReferenceStore store;
  int status = 0;
  const int count = static_cast<int>(options.files.size());
  for (int index = 1; index <= count; ++index) {
    const std::string& input = options.files[static_cast<size_t>(index - 1)];
    if (interrupted != nullptr && *interrupted) {
      std::fprintf(stderr, "orvane-nr-cli: interrupted\n");
      return 1;
    }
    const FileReport report = DenoiseOne(input, options, host, store, index, count);
    PrintReport(report, options);
    if (!report.error.empty()) status = 1;
  }
  return status;
}

int RunInfo(const CliOptions& options) {
  int status = 0;
  for (const std::string& file : options.files) {
    RasterImage img;
    const int rc = img.Load(file);
    if (rc != kOk) {
      std::fprintf(stderr, "orvane-nr-cli: %s: cannot read this file: %s\n", file.c_str(),
                   ImageWords(rc).c_str());
      status = 1;
      continue;
    }
    std::error_code ec;
    const auto bytes = fs::file_size(file, ec);
    NoiseEstimate noise;
    const double suggested = EstimateNoiseLevel(img, &noise, options.threads.value_or(0));
    struct Field { const char* name; std::string text; bool number; };
    const std::vector<Field> fields = {
        {"path", file, false},
        {"fileSize", std::to_string(ec ? 0 : bytes), true},
        {"fileType", ImageTypeName(img.fileType), false},
        {"width", std::to_string(img.width), true},
        {"height", std::to_string(img.height), true},
        {"bitsPerPixel", std::to_string(img.bitsPerPixel), true},
        {"originalWidth", std::to_string(img.originalWidth), true},
        {"originalHeight", std::to_string(img.originalHeight), true},
        {"orientation", std::to_string(img.orientation), true},
        {"resolutionX", std::to_string(img.resolutionX), true},
        {"resolutionY", std::to_string(img.resolutionY), true},
        {"resolutionUnit", std::to_string(img.resolutionUnit), true},
        {"exifBlockSize", std::to_string(img.exifBlockSize()), true},
        {"cameraMake", img.cameraMake, false},
        {"cameraModel", img.cameraModel, false},
        {"dateTaken", img.dateTaken, false},
        {"exposureTime", JsonNumber(img.exposureTime), true},
        {"shutterTime", JsonNumber(img.shutterTime), true},
        {"fNumber", JsonNumber(img.fNumber), true},
        {"isoSpeed", std::to_string(img.isoSpeed), true},
        {"noiseSigma", JsonNumber(std::round(noise.sigma * 100) / 100), true},
        {"suggestedLevel", JsonNumber(suggested), true},
    };
    if (options.json) {
      std::string line = "{";
      for (size_t i = 0; i < fields.size(); ++i) {
        line += (i ? ", " : "") + JsonString(fields[i].name) + ": " +
                (fields[i].number ? fields[i].text : JsonString(fields[i].text));
      }
      std::printf("%s}\n", line.c_str());
    } else {
      for (const Field& f : fields) std::printf("%-15s %s\n", f.name, f.text.c_str());
      std::printf("\n");
    }
  }
  return status;
}

int RunConvert(const CliOptions& options) {
  const std::string& in = options.files[0];
  const std::string& out = options.files[1];
  if (!CanWriteExtension(fs::path(out).extension().string())) {
    std::fprintf(stderr, "orvane-nr-cli: %s: cannot write this type of picture\n", out.c_str());
    return 2;
  }
  std::error_code ec;
  if (fs::exists(out, ec) && !options.overwrite) {
    std::fprintf(stderr, "orvane-nr-cli: %s: already exists (use --overwrite to replace it)\n", out.c_str());
    return 1;
  }
  RasterImage img;
  int rc = img.Load(in);
  if (rc != kOk) {
    std::fprintf(stderr, "orvane-nr-cli: %s: cannot read this file: %s\n", in.c_str(),
                 ImageWords(rc).c_str());
    return 1;
  }
  if (options.quality) img.jpegQuality = *options.quality;
  rc = img.Save(out);
  if (rc != kOk && rc != kSavedWithoutExif) {
    std::fprintf(stderr, "orvane-nr-cli: %s: cannot write: %s\n", out.c_str(), ImageWords(rc).c_str());
    return 1;
  }
  if (!options.quiet) std::printf("%s -> %s (%d x %d)\n", in.c_str(), out.c_str(), img.width, img.height);
  return 0;
}

}  // namespace orvane::cli
