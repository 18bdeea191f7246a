#include "cli/cli_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <system_error>

#include "cli/console_host.h"
#include "app/correction_sliders.h"
#include "app/nr_options_pane.h"
#include "colour/profile_file.h"
#include "colour/reference_store.h"
#include "imagefile/codec/codec.h"
#include "imagefile/format_lists.h"
#include "imagefile/jpeg_options.h"
#include "imagefile/result_words.h"
#include "app/document.h"
#include "app/install_paths.h"
#include "app/profile_list.h"
#include "app/save_names.h"
#include "app/suggest_quality.h"
#include "pipeline/edge_map.h"
#include "pipeline/noise_estimate.h"

namespace orvane::cli {
namespace {

namespace fs = std::filesystem;

// Length of the valid UTF-8 sequence starting at s[i], 0 when the bytes there are not one.
size_t Utf8Length(const std::string& s, size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  if (n == 2 && c < 0xC2) return 0;  // overlong
  if (n == 3) {
    const auto d = static_cast<unsigned char>(s[i + 1]);
    if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d >= 0xA0)) return 0;  // overlong, surrogate
  }
  if (n == 4) {
    const auto d = static_cast<unsigned char>(s[i + 1]);
    if ((c == 0xF0 && d < 0x90) || c > 0xF4 || (c == 0xF4 && d >= 0x90)) return 0;
  }
  return n;
}

// A file name as a terminal line can show it: control characters and bytes that are not
// UTF-8 are written as escapes, so a name cannot break the line or the terminal.
std::string Printable(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t n = Utf8Length(s, i);
    if (n > 1 || (n == 1 && c >= 0x20 && c != 0x7F)) {
      out.append(s, i, n);
      i += n;
      continue;
    }
    char buf[8];
    if (c == '\n') std::snprintf(buf, sizeof buf, "\\n");
    else if (c == '\t') std::snprintf(buf, sizeof buf, "\\t");
    else if (c == '\r') std::snprintf(buf, sizeof buf, "\\r");
    else std::snprintf(buf, sizeof buf, "\\x%02x", c);
    out += buf;
    ++i;
  }
  return out;
}

// JSON text must be UTF-8: a byte that is not part of a valid sequence (names on Linux are
// any bytes) becomes U+FFFD.
std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t n = Utf8Length(s, i);
    if (n == 0) {
      out += "\\ufffd";
      continue;
    }
    if (n > 1) {
      out.append(s, i, n);
      i += n - 1;
      continue;
    }
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

// A number in its shortest form (up to six digits), for JSON and for text alike.
std::string NumberText(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

std::string ImageWords(int code) { return ResultWords(Result{ResultKind::kImage, code}); }

// The processing works in 8 bits per sample; a deeper file loses its extra precision.
std::string DepthNote(const RasterImage& image) {
  return image.fileBitsPerSample > 8
             ? std::to_string(image.fileBitsPerSample) + "-bit picture reduced to 8 bits"
             : std::string();
}

void AddNote(std::string& notes, const std::string& note) {
  if (note.empty()) return;
  notes += (notes.empty() ? "" : ", ") + note;
}

// Where profiles are looked for: the shipped ones (beside the program in the build tree, in
// share/orvane-nr/profiles when installed) and the user's own.
ProfileFolders CliProfileFolders() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return {ec ? fs::path() : ShippedProfileFolder(self.parent_path()),
          UserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"))};
}

// The document's settings records from the flags, applied before the picture is opened.
void ApplySettings(const CliOptions& o, CHushwickDoc& doc) {
  if (o.threads) doc.threads = *o.threads;
  NrSettings nr = doc.nrSettings();
  if (o.level) nr.noiseLevel = *o.level;
  if (o.mode) nr.mode = *o.mode;
  if (o.blockNoise) nr.levels = LevelsForBlockNoise(*o.blockNoise);
  if (o.advanced) nr.advancedProcessing = *o.advanced;
  if (o.sharpen) nr.sharpenEdges = *o.sharpen;
  if (o.sharpenAmount) nr.sharpenAmount = *o.sharpenAmount;
  if (o.edgeThreshold) nr.edgeThreshold = *o.edgeThreshold;
  if (o.outputWindow) nr.outputWindow = *o.outputWindow;
  doc.applyNrSettings(nr);
  MemorySettings memory = doc.memorySettings();
  if (o.blockW) memory.maxBlockW = *o.blockW, memory.maxBlockH = *o.blockH;
  if (o.swapW) memory.maxSwapW = *o.swapW, memory.maxSwapH = *o.swapH;
  doc.applyMemorySettings(memory);
  JpegSettings jpeg = doc.jpegOptions();
  if (o.quality) jpeg.quality = *o.quality;
  if (o.enhancedSampling) jpeg.enhancedSampling = *o.enhancedSampling;
  doc.applyJpegOptions(jpeg);
  if (o.cropPreset) {
    CropState crop = doc.crop();
    crop.preset = *o.cropPreset;
    doc.applyCropState(crop);
  }
}

// The picture-dependent steps: colour, rotation, crop. A failure is a reference picture or a
// profile that cannot be used.
Result PreparePicture(const CliOptions& o, CHushwickDoc& doc, ReferenceStore& store) {
  ColourParams colour = doc.colour();
  if (o.autoLevels) {
    const LevelsResult levels = AutoLevels(doc.sourceImage);
    colour.blackPoint = levels.black;
    colour.whitePoint = levels.white;
  }
  if (o.blackPoint) colour.blackPoint = *o.blackPoint;
  if (o.whitePoint) colour.whitePoint = *o.whitePoint;
  if (o.exposure) colour.exposureEv = *o.exposure;
  if (o.temperature) colour.blueGamma = BlueGammaFromTemperature(*o.temperature + 100);
  if (o.boost) colour.colourBoost = *o.boost;
  doc.applyColour(colour);
  if (!o.matchImage.empty()) {
    const int rc = doc.matchToImage(store, o.matchImage);
    if (rc != kOk) return Result{ResultKind::kReference, rc, o.matchImage};
  } else if (!o.matchProfile.empty()) {
    const std::string file = FindProfile(CliProfileFolders(), o.matchProfile);
    ProfileData data;
    const int rc = ReadProfileFile(file, data);
    if (rc != kProfileOk) return Result{ResultKind::kProfile, rc, o.matchProfile};
    ReferenceSlot slot;
    slot.path = file;
    slot.distributions = data.distributions;
    doc.matchToProfile(slot);
  }
  if (o.fade) {
    colour = doc.colour();
    colour.matchFade = *o.fade;
    doc.applyColour(colour);
  }
  if (o.rotateClockwise) doc.RotateImage(*o.rotateClockwise);
  if (o.cropPreset || o.enlarge || o.cropOffsetX || o.cropSwap) {
    // Writing the result applies the crop of Full/Crop mode before the run.
    doc.EnterFullCropMode(true);
    CropState crop = doc.crop();
    if (o.enlarge) crop.enlarge = *o.enlarge;
    if (o.cropOffsetX) crop.offsetX = *o.cropOffsetX, crop.offsetY = *o.cropOffsetY;
    if (o.cropSwap) crop.swapOrientation = true;
    doc.applyCropState(crop);
  }
  return Result{ResultKind::kImage, kOk};
}

struct FileReport {
  std::string input, output, error;
  bool aboutOutput = false;  // the error concerns the output file, not the input
  int64_t size = 0;
  double seconds = 0;
  int width = 0, height = 0;
  double level = 0;  // the noise level used
  int quality = 0;   // the JPEG quality written, 0 for other types
  std::string note;
  bool skipped = false;  // one of our own results, left alone
};

void PrintReport(const FileReport& r, const CliOptions& o) {
  if (o.json) {
    std::printf("{\"ok\": %s, \"input\": %s, \"output\": %s, \"size\": %lld, \"width\": %d, "
                "\"height\": %d, \"level\": %s, \"quality\": %s, \"time\": %s, \"note\": %s, "
                "\"skipped\": %s, \"result\": %s}\n",
                r.error.empty() ? "true" : "false", JsonString(r.input).c_str(),
                JsonString(r.output).c_str(), static_cast<long long>(r.size), r.width, r.height,
                NumberText(r.level).c_str(), r.quality > 0 ? std::to_string(r.quality).c_str() : "null",
                NumberText(r.seconds).c_str(), JsonString(r.note).c_str(),
                r.skipped ? "true" : "false", JsonString(r.error.empty() ? "ok" : r.error).c_str());
    std::fflush(stdout);
    return;
  }
  if (!r.error.empty()) {
    std::fprintf(stderr, "orvane-nr-cli: %s: %s\n", Printable(r.aboutOutput ? r.output : r.input).c_str(),
                 Printable(r.error).c_str());
    return;
  }
  if (r.skipped) {
    if (!o.quiet) std::fprintf(stderr, "orvane-nr-cli: %s: %s\n", Printable(r.input).c_str(), r.note.c_str());
    return;
  }
  if (!o.quiet) {
    std::printf("%s -> %s (%d x %d, %.2f s%s%s)\n", Printable(r.input).c_str(), Printable(r.output).c_str(),
                r.width, r.height, r.seconds, r.note.empty() ? "" : ", ", r.note.c_str());
    std::fflush(stdout);
  }
}

// Why a write failed, in the system's words when it gave a reason.
std::string WriteFailure(int code) {
  const int error = LastWriteErrno();
  if (error == EEXIST) return "it already exists (use --overwrite to replace it)";
  if (error != 0) return std::strerror(error);
  return ImageWords(code);
}

// Anything but a regular file is refused before it is opened: a FIFO would block for ever.
std::string NotRegular(const std::string& path) { return NotAPictureFileWords(path); }

std::string ReadOnlyWords() { return ResultWords(Result{ResultKind::kSave, kSaveReadOnly}); }

// A file without any write permission: never replaced, not even by the superuser.
bool IsReadOnly(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// No input of the run is replaced by an output, whatever --overwrite says: the run may still
// have to read it, and it is the original the results are made from. (Inputs the run skips as
// its own results are not read, and do not count.)
constexpr char kInputNotReplaced[] = "is an input of this run, which is never replaced";
bool IsAnInput(const std::string& path, const CliOptions& o) {
  std::error_code ec;
  return std::any_of(o.files.begin(), o.files.end(), [&](const std::string& input) {
    return (o.includeOutputs || !IsOwnOutput(input)) && fs::equivalent(path, input, ec);
  });
}

// The same output is never written twice by one run, whatever --overwrite says.
std::string OutputKey(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
  return p.empty() ? path : p.string();
}

FileReport DenoiseOne(const std::string& input, const CliOptions& o, ConsoleHost& host,
                      ReferenceStore& store, int index, int count, std::set<std::string>& written) {
  FileReport report;
  report.input = input;
  if (std::string e = NotRegular(input); !e.empty()) {
    report.error = "cannot read this file: " + e;
    return report;
  }
  if (!o.includeOutputs && IsOwnOutput(input)) {
    report.skipped = true;
    report.note = "skipped: a result of this program (use --include-outputs to process it)";
    return report;
  }
  const auto start = std::chrono::steady_clock::now();
  host.beginFile(fs::path(input).filename().string(), index, count);
  MemorySettingsStore settings;
  CHushwickDoc doc(host, settings);
  NoDocumentObserver observer;
  doc.setObserver(&observer);
  ApplySettings(o, doc);

  const int rc = doc.openFile(input);
  if (rc != kOk) {
    report.error = "cannot read this file: " + ImageWords(rc);
    return report;
  }
  if (o.autoLevel) {
    if (doc.estimateNoiseLevel(doc.nrSettings().mode) >= 0)
      report.note = "level " + NumberText(doc.nrSettings().noiseLevel) + " (estimated)";
  }
  report.level = doc.nrSettings().noiseLevel;
  AddNote(report.note, DepthNote(doc.sourceImage));
  if (const Result prepared = PreparePicture(o, doc, store); !prepared.succeeded()) {
    report.error = ResultWords(prepared);
    return report;
  }
  report.output = OutputPathFor(input, o);
  const std::string key = OutputKey(report.output);
  if (written.count(key) != 0) {
    report.aboutOutput = true;
    report.error = "already written by this run (from another input of the same name); not replaced";
    return report;
  }
  std::error_code ec;
  report.aboutOutput = true;
  const bool exists = fs::exists(report.output, ec);
  if (exists && !o.overwrite) {
    report.error = "already exists (use --overwrite to replace it)";
    return report;
  }
  if (exists && IsAnInput(report.output, o)) {
    report.error = kInputNotReplaced;
    return report;
  }
  if (IsReadOnly(report.output)) {
    report.error = ReadOnlyWords();
    return report;
  }
  report.aboutOutput = false;
  if (NeedsJpegOptions(report.output) && o.suggestQuality) {
    const RasterImage& src = doc.sourceImage;
    const bool sampling = doc.jpegOptions().enhancedSampling;
    const int q = SuggestQualityWithProgress(host, doc.jpegTargetSize(), [&](int quality) {
      return EstimateJpegSize(src, quality, sampling);
    });
    doc.applyJpegOptions(JpegSettings{q, sampling});
    AddNote(report.note, "quality " + std::to_string(q));
  }
  const Result saved = doc.writeResult(report.output, /*keepOutputWindow=*/true);
  if (!saved.succeeded()) {
    // Save's own failure names what went wrong on disk; the others are the window's words.
    if (saved.kind == ResultKind::kImage) {
      report.error = "cannot write: " + WriteFailure(saved.code);
      report.aboutOutput = true;
    } else {
      report.error = ResultWords(saved);
      report.aboutOutput = saved.kind == ResultKind::kSave && saved.code == kSaveReadOnly;
    }
    if (report.error.empty()) report.error = "nothing was written";
    return report;
  }
  written.insert(key);
  if (ImageTypeFromExtension(report.output) == ImageFileType::JpegRgb)
    report.quality = doc.jpegOptions().quality;
  if (saved.code == kSavedWithoutExif) AddNote(report.note, ResultWords(saved));
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
  // The file's name decides its type; a --type that says otherwise is a mistake, not a choice.
  if (!options.output.empty() && !options.type.empty() &&
      ImageTypeFromExtension(options.output) != ImageTypeFromExtension("x." + options.type)) {
    std::fprintf(stderr, "orvane-nr-cli: -o %s and --type %s name different types\n",
                 options.output.c_str(), options.type.c_str());
    return 2;
  }
  std::error_code ec;
  // The output folder of -d is made when missing (-d cleaned *.jpg).
  if (!options.outputDir.empty() && !fs::is_directory(options.outputDir, ec)) {
    std::error_code made;
    fs::create_directories(options.outputDir, made);
    if (!fs::is_directory(options.outputDir, ec)) {
      const std::string why = fs::exists(options.outputDir, ec) ? "a file, not a folder"
                              : made                            ? "cannot make this folder: " + made.message()
                                                                : "cannot make this folder";
      std::fprintf(stderr, "orvane-nr-cli: %s: %s\n", Printable(options.outputDir).c_str(), why.c_str());
      return 2;
    }
  }
  // The folder of -o is checked before any work, not found missing after the run.
  if (!options.output.empty()) {
    const fs::path folder = fs::path(options.output).parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
      std::fprintf(stderr, "orvane-nr-cli: %s: no such folder\n", Printable(folder.string()).c_str());
      return 2;
    }
  }
  if (!options.matchProfile.empty()) {
    std::string e = NotRegular(options.matchProfile);
    const std::string file = e.empty() ? FindProfile(CliProfileFolders(), options.matchProfile) : "";
    if (e.empty() && file.empty()) e = "no such colour profile (orvane-nr-cli profiles lists them)";
    // A profile that cannot be read would fail every picture: once, before the run.
    ProfileData data;
    if (const int rc = e.empty() ? ReadProfileFile(file, data) : kProfileOk; rc != kProfileOk)
      e = ResultWords(Result{ResultKind::kProfile, rc, fs::path(file).filename().string()});
    if (!e.empty()) {
      std::fprintf(stderr, "orvane-nr-cli: %s: %s\n", Printable(options.matchProfile).c_str(), e.c_str());
      return 2;
    }
  }
  // Without --overwrite a file that appears at an output's name during the run (another run
  // writing the same name) is kept: the final rename does not replace.
  SetReplaceExistingFiles(options.overwrite);
  std::set<std::string> written;
  const bool bar = !options.quiet && !options.json && isatty(STDERR_FILENO);
  ConsoleHost host(interrupted, bar);
  ReferenceStore store;
  int status = 0;
  int done = 0, failed = 0, skipped = 0;
  const int count = static_cast<int>(options.files.size());
  for (int index = 1; index <= count; ++index) {
    const std::string& input = options.files[static_cast<size_t>(index - 1)];
    if (interrupted != nullptr && *interrupted) {
      std::fprintf(stderr, "orvane-nr-cli: interrupted\n");
      return 128 + *interrupted;
    }
    const FileReport report = DenoiseOne(input, options, host, store, index, count, written);
    PrintReport(report, options);
    if (!report.error.empty()) status = 1;
    (report.skipped ? skipped : report.error.empty() ? done : failed) += 1;
  }
  // A batch read on a terminal ends with what became of it.
  if (count > 1 && !options.quiet && !options.json && isatty(STDOUT_FILENO))
    std::printf("%d done, %d failed, %d skipped\n", done, failed, skipped);
  // A stop that cost a file says so in the status; a save it let finish does not.
  if (status != 0 && interrupted != nullptr && *interrupted) return 128 + *interrupted;
  return status;
}

int RunInfo(const CliOptions& options) {
  int status = 0;
  for (const std::string& file : options.files) {
    RasterImage img;
    const std::string refused = NotRegular(file);
    const int rc = refused.empty() ? img.Load(file) : kOpenFailed;
    if (rc != kOk) {
      const std::string why = refused.empty() ? ImageWords(rc) : refused;
      std::fprintf(stderr, "orvane-nr-cli: %s: cannot read this file: %s\n", Printable(file).c_str(),
                   why.c_str());
      if (options.json)
        std::printf("{\"ok\": false, \"path\": %s, \"error\": %s}\n", JsonString(file).c_str(),
                    JsonString("cannot read this file: " + why).c_str());
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
        {"width", std::to_string(img.Width()), true},
        {"height", std::to_string(img.Height()), true},
        {"bitsPerPixel", std::to_string(img.BitsPerPixel()), true},
        {"bitsPerSample", std::to_string(img.fileBitsPerSample), true},
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
        {"exposureTime", NumberText(img.exposureTime), true},
        {"shutterTime", NumberText(img.shutterTime), true},
        {"fNumber", NumberText(img.fNumber), true},
        {"isoSpeed", std::to_string(img.isoSpeed), true},
        {"noiseSigma", NumberText(std::round(noise.sigma * 100) / 100), true},
        {"suggestedLevel", NumberText(suggested), true},
    };
    if (options.json) {
      std::string line = "{\"ok\": true";
      for (size_t i = 0; i < fields.size(); ++i) {
        line += ", " + JsonString(fields[i].name) + ": " +
                (fields[i].number ? fields[i].text : JsonString(fields[i].text));
      }
      std::printf("%s}\n", line.c_str());
    } else {
      for (const Field& f : fields) std::printf("%-15s %s\n", f.name, Printable(f.text).c_str());
      std::printf("\n");
    }
  }
  return status;
}

int RunConvert(const CliOptions& options) {
  const std::string& in = options.files[0];
  const std::string& out = options.files[1];
  const std::string inName = Printable(in), outName = Printable(out);
  if (!CanWriteExtension(fs::path(out).extension().string())) {
    std::fprintf(stderr, "orvane-nr-cli: %s: cannot write this type of picture\n", outName.c_str());
    return 2;
  }
  std::error_code ec;
  const fs::path folder = fs::path(out).parent_path();
  if (!folder.empty() && !fs::is_directory(folder, ec)) {
    std::fprintf(stderr, "orvane-nr-cli: %s: no such folder\n", Printable(folder.string()).c_str());
    return 2;
  }
  const bool exists = fs::exists(out, ec);
  if (exists && !options.overwrite) {
    std::fprintf(stderr, "orvane-nr-cli: %s: already exists (use --overwrite to replace it)\n", outName.c_str());
    return 1;
  }
  if (exists && fs::equivalent(out, in, ec)) {
    std::fprintf(stderr, "orvane-nr-cli: %s: %s\n", outName.c_str(), kInputNotReplaced);
    return 1;
  }
  if (IsReadOnly(out)) {
    std::fprintf(stderr, "orvane-nr-cli: %s: %s\n", outName.c_str(), ReadOnlyWords().c_str());
    return 1;
  }
  if (std::string e = NotRegular(in); !e.empty()) {
    std::fprintf(stderr, "orvane-nr-cli: %s: cannot read this file: %s\n", inName.c_str(), e.c_str());
    return 1;
  }
  RasterImage img;
  int rc = img.Load(in);
  if (rc != kOk) {
    std::fprintf(stderr, "orvane-nr-cli: %s: cannot read this file: %s\n", inName.c_str(),
                 ImageWords(rc).c_str());
    return 1;
  }
  // The same JPEG options as a denoised picture's.
  img.jpegQuality = options.quality.value_or(kDefaultJpegQuality);
  if (options.enhancedSampling) img.jpegFullChroma = *options.enhancedSampling;
  SetReplaceExistingFiles(options.overwrite);
  rc = img.Save(out);
  if (rc != kOk && rc != kSavedWithoutExif) {
    std::fprintf(stderr, "orvane-nr-cli: %s: cannot write: %s\n", outName.c_str(), WriteFailure(rc).c_str());
    return 1;
  }
  std::string notes;
  AddNote(notes, DepthNote(img));
  if (rc == kSavedWithoutExif) AddNote(notes, ImageWords(rc));
  if (!options.quiet)
    std::printf("%s -> %s (%d x %d%s%s)\n", inName.c_str(), outName.c_str(), img.Width(), img.Height(),
                notes.empty() ? "" : ", ", notes.c_str());
  return 0;
}

int RunProfiles(const CliOptions& options) {
  const ProfileFolders folders = CliProfileFolders();
  ProfileList list;
  list.Fill(folders);
  if (options.json) {
    for (const std::string& entry : list.Entries())
      std::printf("{\"ok\": true, \"name\": %s, \"path\": %s}\n", JsonString(ShownProfileName(entry)).c_str(),
                  JsonString(entry).c_str());
    return 0;
  }
  for (const std::string& entry : list.Entries())
    std::printf("%-24s %s\n", Printable(ShownProfileName(entry)).c_str(), Printable(entry).c_str());
  if (list.Count() == 0 && !options.quiet)
    std::fprintf(stderr, "orvane-nr-cli: no colour profiles in %s or %s\n",
                 Printable(folders.program.string()).c_str(), Printable(folders.user.string()).c_str());
  return 0;
}

}  // namespace orvane::cli
