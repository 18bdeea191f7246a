#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "cli/cli_run.h"
#include "cli_test_support.h"
#include "document_fixtures.h"
#include "fixtures.h"
#include "colour/profile_file.h"
#include "colour/reference_store.h"
#include "imagefile/raster_image.h"

namespace orvane {
namespace {

using test::Cli;
using test::CliFolder;
using test::Quote;

std::vector<uint8_t> PixelsOf(const std::string& file, int* w = nullptr, int* h = nullptr) {
  RasterImage img;
  if (img.Load(file) != kOk) return {};
  if (w) *w = img.Width();
  if (h) *h = img.Height();
  return std::vector<uint8_t>(img.Pixels(), img.Pixels() + RasterImage::ImageBytes(img.Width(), img.Height(), 24));
}

TEST_F(CliFolder, DefaultSettingsWriteNameNRBesideTheInput) {
  const std::string in = sample("photo.jpg");
  const auto r = Cli(Quote(in));
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string out = path("photo_NR.jpg");
  EXPECT_NE(r.out.find("photo_NR.jpg (320 x 240"), std::string::npos) << r.out;
  int w = 0, h = 0;
  const auto after = PixelsOf(out, &w, &h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  EXPECT_NE(after, PixelsOf(in));
  // A second run does not replace it, with --overwrite it does.
  EXPECT_EQ(Cli(Quote(in)).status, 1);
  EXPECT_EQ(Cli("--overwrite " + Quote(in)).status, 0);
}

TEST_F(CliFolder, EachModeRunsAndMattersWhereItShould) {
  const std::string in = sample("m.png", 200, 150, 3);
  std::vector<std::vector<uint8_t>> results;
  for (const char* mode : {"default", "nature", "portrait", "high-noise", "scanner", "photo"}) {
    const std::string out = path(std::string(mode) + ".png");
    const auto r = Cli("--mode " + std::string(mode) + " -o " + Quote(out) + " " + Quote(in));
    ASSERT_EQ(r.status, 0) << mode << ": " << r.out;
    results.push_back(PixelsOf(out));
    ASSERT_FALSE(results.back().empty()) << mode;
  }
  for (size_t i = 0; i < results.size(); ++i)
    for (size_t j = i + 1; j < results.size(); ++j) EXPECT_FALSE(results[i] == results[j]) << i << " " << j;
}

TEST_F(CliFolder, EveryWritableType) {
  const std::string in = sample("t.jpg", 96, 64);
  int written = 0;
  for (const char* ext : {"jpg", "png", "tif", "bmp", "tga", "pcx", "psd"}) {
    if (!cli::CanWriteExtension(ext)) continue;
    const auto r = Cli("--type " + std::string(ext) + " -d " + Quote(root_) + " " + Quote(in));
    ASSERT_EQ(r.status, 0) << ext << ": " << r.out;
    const std::string out = path(std::string("t_NR.") + ext);
    ASSERT_GT(std::filesystem::file_size(out), 54u) << ext;
    // Read back where this build has a reader for the type.
    int w = 0, h = 0;
    if (!PixelsOf(out, &w, &h).empty()) {
      EXPECT_EQ(w, 96) << ext;
      EXPECT_EQ(h, 64) << ext;
    }
    ++written;
  }
  EXPECT_GE(written, 4);
  // Lossless types keep exactly what the run produced.
  EXPECT_EQ(PixelsOf(path("t_NR.png")), PixelsOf(path("t_NR.tif")));
}

TEST_F(CliFolder, BatchWithOneDamagedFile) {
  const std::string a = sample("a.jpg"), c = sample("c.jpg", 100, 80, 9);
  const std::string b = path("b.jpg");
  {
    std::ifstream src(a, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(src)), std::istreambuf_iterator<char>());
    std::ofstream(b, std::ios::binary) << bytes.substr(0, bytes.size() / 3);  // cut short
  }
  std::ofstream(path("d.jpg")) << "this is not a picture";
  const auto r = Cli("--json " + Quote(a) + " " + Quote(b) + " " + Quote(path("d.jpg")) + " " + Quote(c));
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(std::filesystem::exists(path("a_NR.jpg")));
  EXPECT_TRUE(std::filesystem::exists(path("c_NR.jpg")));
  EXPECT_FALSE(std::filesystem::exists(path("d_NR.jpg")));
  EXPECT_NE(r.out.find("\"input\": \"" + path("d.jpg") + "\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("cannot read this file"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"result\": \"ok\""), std::string::npos) << r.out;
}

// Four times a level above 25 is more than the engine takes; the threshold stops at its limit.
TEST_F(CliFolder, HighNoiseAboveLevel25StillRuns) {
  const std::string in = sample("hn.png", 120, 90, 3);
  const auto r = Cli("--mode high-noise --level 30 -o " + Quote(path("hn30.png")) + " " + Quote(in));
  ASSERT_EQ(r.status, 0) << r.out;
  Cli("--mode high-noise --level 25 -o " + Quote(path("hn25.png")) + " " + Quote(in));
  EXPECT_EQ(PixelsOf(path("hn30.png")), PixelsOf(path("hn25.png")));
}

// One-bit pictures are denoised and saved like any other, the quality search included.
TEST_F(CliFolder, BilevelPicturesAreDenoised) {
  const std::string in = path("mono.bmp");
  test::WriteBilevelBmp(in, 203, 150);
  auto r = Cli("-o " + Quote(path("mono.png")) + " " + Quote(in));
  ASSERT_EQ(r.status, 0) << r.out;
  int w = 0, h = 0;
  EXPECT_FALSE(PixelsOf(path("mono.png"), &w, &h).empty());
  EXPECT_EQ(w, 203);
  r = Cli("--suggest-quality --type jpg " + Quote(in));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("quality "), std::string::npos) << r.out;
  EXPECT_FALSE(PixelsOf(path("mono_NR.jpg")).empty());
}

TEST_F(CliFolder, ReadOnlyOutputIsNeverReplaced) {
  const std::string in = sample("r.jpg");
  const std::string out = path("r_NR.jpg");
  std::ofstream(out) << "keep";
  chmod(out.c_str(), 0444);
  const auto r = Cli("--overwrite " + Quote(in));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("The existing file is read only and it can't be overwritten."), std::string::npos) << r.out;
  std::ifstream check(out);
  std::string content;
  check >> content;
  EXPECT_EQ(content, "keep");
}

TEST_F(CliFolder, FailedWriteIsReportedInPlainWords) {
  const std::string in = sample("u.jpg");
  const std::string out = path("no/such/folder/u.jpg");
  const auto r = Cli("-o " + Quote(out) + " " + Quote(in));
  // The missing folder is found before any work, and named.
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find(path("no/such/folder") + ": no such folder"), std::string::npos) << r.out;
}

TEST_F(CliFolder, RotateCropAndColourFlags) {
  const std::string in = sample("g.png", 300, 200);
  struct Case { std::string flags; int w, h; };
  const Case cases[] = {
      {"--rotate cw", 200, 300},
      {"--crop-preset 0", 200, 200},
      {"--crop-preset 8 --enlarge 2 --crop-offset 500,500", 150, 100},
      {"--crop-preset 2 --crop-swap", 133, 200},
      {"--auto-levels --temperature 50 --boost 30 --exposure 0.5", 300, 200},
      {"--block-size 100x100 --swap-threshold 64x64 --threads 2", 300, 200},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string out = path("out" + std::to_string(n++) + ".png");
    const auto r = Cli(c.flags + " -o " + Quote(out) + " " + Quote(in));
    ASSERT_EQ(r.status, 0) << c.flags << ": " << r.out;
    int w = 0, h = 0;
    PixelsOf(out, &w, &h);
    EXPECT_EQ(w, c.w) << c.flags;
    EXPECT_EQ(h, c.h) << c.flags;
  }
}

TEST_F(CliFolder, ColourMatchToAPictureOrAProfile) {
  const std::string in = sample("s.png", 160, 120, 1);
  RasterImage warm;
  warm.Create(40, 30, 24);
  for (int i = 0; i < 40 * 30; ++i) {
    warm.Pixels()[3 * i] = static_cast<uint8_t>(150 + i % 100);
    warm.Pixels()[3 * i + 1] = static_cast<uint8_t>(60 + i % 50);
    warm.Pixels()[3 * i + 2] = static_cast<uint8_t>(20 + i % 30);
  }
  ASSERT_EQ(warm.Save(path("warm.png")), kOk);
  ChannelDistributions d;
  ASSERT_TRUE(ComputeDistributions(warm, d));
  ASSERT_EQ(WriteProfileFile(path("warm.cpf"), 40, 30, warm.Pixels(), d), kProfileOk);
  ASSERT_EQ(Cli("-o " + Quote(path("plain.png")) + " " + Quote(in)).status, 0);
  const auto byImage = Cli("--match-image " + Quote(path("warm.png")) + " -o " + Quote(path("mi.png")) + " " + Quote(in));
  ASSERT_EQ(byImage.status, 0) << byImage.out;
  const auto byProfile = Cli("--match-profile " + Quote(path("warm.cpf")) + " -o " + Quote(path("mp.png")) + " " + Quote(in));
  ASSERT_EQ(byProfile.status, 0) << byProfile.out;
  const auto faded = Cli("--match-profile " + Quote(path("warm.cpf")) + " --fade 255 -o " + Quote(path("mf.png")) + " " + Quote(in));
  ASSERT_EQ(faded.status, 0) << faded.out;
  const auto plain = PixelsOf(path("plain.png")), mi = PixelsOf(path("mi.png")), mp = PixelsOf(path("mp.png"));
  EXPECT_FALSE(plain == mi);
  EXPECT_TRUE(mi == mp);  // the profile holds the same distributions as the picture
  EXPECT_FALSE(PixelsOf(path("mf.png")) == mp);
  // A profile that is not one would fail every picture: a usage error before the run, with
  // words that name the problem.
  std::ofstream(path("bad.cpf")) << "nope";
  const auto bad = Cli("--match-profile " + Quote(path("bad.cpf")) + " -o " + Quote(path("mb.png")) + " " + Quote(in));
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.out.find("bad.cpf"), std::string::npos) << bad.out;
  EXPECT_FALSE(std::filesystem::exists(path("mb.png")));
  // A reference picture that cannot be read is named.
  std::ofstream(path("bad.png")) << "nope";
  const auto badImage = Cli("--match-image " + Quote(path("bad.png")) + " -o " + Quote(path("mx.png")) + " " + Quote(in));
  EXPECT_EQ(badImage.status, 1);
  EXPECT_NE(badImage.out.find(": cannot use " + path("bad.png") + " as a colour reference: "), std::string::npos)
      << badImage.out;
}

// The number after "key": in a JSON line, or -1.
double JsonField(const std::string& text, const std::string& key) {
  const size_t at = text.find("\"" + key + "\": ");
  return at == std::string::npos ? -1 : std::atof(text.c_str() + at + key.size() + 4);
}

TEST_F(CliFolder, AutomaticNoiseLevel) {
  const std::string in = sample("noisy.jpg", 400, 300);
  const auto info = Cli("info --json " + Quote(in));
  ASSERT_EQ(info.status, 0) << info.out;
  const double sigma = JsonField(info.out, "noiseSigma"), suggested = JsonField(info.out, "suggestedLevel");
  EXPECT_GT(sigma, 5) << info.out;  // the sample photograph is a high-ISO one
  EXPECT_GT(suggested, 8) << info.out;

  const auto run = Cli("--level auto --json -o " + Quote(path("auto.png")) + " " + Quote(in));
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(JsonField(run.out, "level"), suggested) << run.out;
  const auto text = Cli("--level auto -o " + Quote(path("auto2.png")) + " " + Quote(in));
  EXPECT_NE(text.out.find("(estimated)"), std::string::npos) << text.out;
  // High Noise mode multiplies the level by four, so the estimate is divided by four there.
  const auto high = Cli("--level auto --mode high-noise --json -o " + Quote(path("h.png")) + " " + Quote(in));
  ASSERT_EQ(high.status, 0) << high.out;
  EXPECT_NEAR(JsonField(high.out, "level"), suggested / 4, 0.05) << high.out;
  // A fixed level after auto wins, and the default stays 8.
  EXPECT_EQ(JsonField(Cli("--level auto --level 12 --json -o " + Quote(path("f.png")) + " " + Quote(in)).out, "level"), 12);
  EXPECT_EQ(JsonField(Cli("--json -o " + Quote(path("d.png")) + " " + Quote(in)).out, "level"), 8);
}

TEST_F(CliFolder, OutputWindowsAreWritten) {
  const std::string in = sample("w.jpg", 160, 120);
  ASSERT_EQ(Cli("-o " + Quote(path("r.png")) + " " + Quote(in)).status, 0);
  ASSERT_EQ(Cli("--output-window edges -o " + Quote(path("e.png")) + " " + Quote(in)).status, 0);
  ASSERT_EQ(Cli("--level 0 --advanced off --sharpen off --output-window noise -o " + Quote(path("n.png")) +
                " " + Quote(in)).status, 0);
  const auto result = PixelsOf(path("r.png")), edges = PixelsOf(path("e.png")), noise = PixelsOf(path("n.png"));
  ASSERT_FALSE(edges.empty());
  EXPECT_NE(edges, result);
  for (size_t i = 0; i < edges.size(); ++i) {
    if (i % 3 != 0) {
      ASSERT_LE(edges[i], 63) << i;  // green and blue at a quarter
    }
  }
  ASSERT_FALSE(noise.empty());
  EXPECT_EQ(*std::max_element(noise.begin(), noise.end()), 0);
}

TEST_F(CliFolder, UsageErrorsInfoAndConvert) {
  const std::string in = sample("i.jpg", 64, 48);
  EXPECT_EQ(Cli("--mode night " + Quote(in)).status, 2);
  EXPECT_EQ(Cli("--type gif " + Quote(in)).status, 2);
  // -o names the type; a --type that disagrees writes nothing, one that agrees is fine.
  EXPECT_EQ(Cli("--type png -o " + Quote(path("t.jpg")) + " " + Quote(in)).status, 2);
  EXPECT_FALSE(std::filesystem::exists(path("t.jpg")));
  EXPECT_EQ(Cli("--type .JPEG -o " + Quote(path("t.jpg")) + " " + Quote(in)).status, 0);
  const auto toFile = Cli("-d " + Quote(path("t.jpg")) + " " + Quote(in));
  EXPECT_EQ(toFile.status, 2);
  EXPECT_NE(toFile.out.find("a file, not a folder"), std::string::npos) << toFile.out;
  EXPECT_EQ(Cli("").status, 2);
  EXPECT_EQ(Cli("--help").status, 0);
  const auto info = Cli("info --json " + Quote(in));
  ASSERT_EQ(info.status, 0) << info.out;
  for (const char* key : {"\"fileType\": \"JpegRgb\"", "\"width\": 64", "\"height\": 48",
                          "\"bitsPerPixel\": 24", "\"originalWidth\": 64", "\"orientation\": 1",
                          "\"resolutionX\"", "\"exifBlockSize\"", "\"cameraMake\": \"Quillmark Test Optics\"",
                          "\"cameraModel\": \"QT-1\"", "\"isoSpeed\": 3200", "\"fileSize\"", "\"path\""})
    EXPECT_NE(info.out.find(key), std::string::npos) << key << " in " << info.out;
  const auto text = Cli("info " + Quote(in));
  EXPECT_NE(text.out.find("cameraModel     QT-1"), std::string::npos) << text.out;
  EXPECT_EQ(Cli("info " + Quote(path("missing.jpg"))).status, 1);

  const auto conv = Cli("convert " + Quote(in) + " " + Quote(path("i.png")));
  ASSERT_EQ(conv.status, 0) << conv.out;
  EXPECT_EQ(PixelsOf(path("i.png")), PixelsOf(in));
  EXPECT_EQ(Cli("convert " + Quote(in) + " " + Quote(path("i.xyz"))).status, 2);
}

}  // namespace
}  // namespace orvane

namespace orvane::test {
namespace {

// A 16-bit picture (1024 levels per channel, made by ImageMagick) is worked on in 8 bits:
// info shows the file's depth and each run says so once per file. Every JSON object says
// whether it succeeded, a file that cannot be read too.
TEST_F(CliFolder, SixteenBitNotedAndJsonSaysOk) {
  const std::string deep = path("deep.png");
  ASSERT_EQ(RunCommand("convert -size 64x48 gradient:black-white -depth 16 " + Quote(deep)).status, 0);
  const auto info = Cli("info --json " + Quote(deep) + " " + Quote(path("missing.jpg")));
  EXPECT_EQ(info.status, 1);
  EXPECT_NE(info.out.find("{\"ok\": true, \"path\""), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("\"bitsPerSample\": 16"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("{\"ok\": false, \"path\""), std::string::npos) << info.out;
  const std::string eight = sample("eight.jpg", 64, 48);
  const auto run = Cli("-d " + Quote(root_) + " " + Quote(deep) + " " + Quote(eight));
  ASSERT_EQ(run.status, 0) << run.out;
  const std::string note = "16-bit picture reduced to 8 bits";
  const size_t first = run.out.find(note);
  EXPECT_NE(first, std::string::npos) << run.out;
  EXPECT_EQ(run.out.find(note, first + 1), std::string::npos) << run.out;
  EXPECT_LT(run.out.find("deep.png -> "), first);
  EXPECT_GT(run.out.find("eight.jpg -> "), first) << "the note belongs to the 16-bit file's line";
  const auto json = Cli("--json --overwrite -d " + Quote(root_) + " " + Quote(deep) + " " + Quote(path("no.png")));
  EXPECT_NE(json.out.find("{\"ok\": true, "), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"note\": \"" + note + "\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("{\"ok\": false, "), std::string::npos) << json.out;
  const auto converted = Cli("convert " + Quote(deep) + " " + Quote(path("c.png")));
  EXPECT_NE(converted.out.find(note), std::string::npos) << converted.out;
}

// A batch over *.jpg run twice leaves the first run's results alone (each is NAME_NR beside
// NAME); --include-outputs takes them too. On a terminal the batch ends with a summary line.
TEST_F(CliFolder, OwnResultsSkippedAndBatchSummary) {
  const std::string a = sample("a.jpg", 48, 32);
  const std::string lone = sample("lone_NR.jpg", 48, 32);  // no lone.jpg beside it: a picture
  ASSERT_EQ(Cli("-q " + Quote(a)).status, 0);
  const std::string again = Quote(a) + " " + Quote(path("a_NR.jpg")) + " " + Quote(lone);
  const auto second = Cli("--overwrite " + again);
  ASSERT_EQ(second.status, 0) << second.out;
  EXPECT_NE(second.out.find("a_NR.jpg: skipped: a result of this program"), std::string::npos) << second.out;
  EXPECT_FALSE(std::filesystem::exists(path("a_NR_NR.jpg")));
  EXPECT_TRUE(std::filesystem::exists(path("lone_NR_NR.jpg")));
  // Through a terminal (script gives the program one) the summary line counts all three kinds.
  const auto terminal = RunCommand("script -qec " + Quote(std::string(ORVANE_CLI) + " " + again) +
                                   " /dev/null");
  EXPECT_NE(terminal.out.find("0 done, 2 failed, 1 skipped"), std::string::npos) << terminal.out;
  EXPECT_EQ(second.out.find(" skipped\n"), std::string::npos) << "no summary into a pipe";
  const auto json = Cli("--json --overwrite " + again);
  EXPECT_NE(json.out.find("\"skipped\": true"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"quality\": 92"), std::string::npos) << json.out;
  // Taken as an input, a_NR.jpg is not replaced by a.jpg's result, whatever --overwrite says.
  const auto before = ReadBytes(path("a_NR.jpg"));
  const auto taken = Cli("--include-outputs --overwrite " + again);
  EXPECT_EQ(taken.status, 1);
  EXPECT_NE(taken.out.find("a_NR.jpg: is an input of this run, which is never replaced"), std::string::npos)
      << taken.out;
  EXPECT_EQ(ReadBytes(path("a_NR.jpg")), before);
  EXPECT_TRUE(std::filesystem::exists(path("a_NR_NR.jpg")));
  // Nor is a single input written over itself, by denoise or convert.
  const auto original = ReadBytes(a);
  EXPECT_EQ(Cli("--overwrite -o " + Quote(a) + " " + Quote(a)).status, 1);
  EXPECT_EQ(Cli("convert --overwrite " + Quote(a) + " " + Quote(a)).status, 1);
  EXPECT_EQ(ReadBytes(a), original);
}

}  // namespace
}  // namespace orvane::test
