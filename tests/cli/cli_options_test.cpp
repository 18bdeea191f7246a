#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include "app/document.h"
#include "app/save_names.h"
#include "cli/cli_run.h"
#include "scripted_host.h"

namespace orvane::cli {
namespace {

TEST(CliOptions, FlagsReachTheRecord) {
  const ParseResult r = ParseCommandLine(
      {"--level", "12.5", "--mode", "high-noise", "--block-noise", "off", "--advanced=off",
       "--sharpen", "on", "--sharpen-amount", "30", "--edge-threshold", "200", "--output-window",
       "edges", "--black-point", "10", "--white-point", "240", "--exposure", "-1.5",
       "--temperature", "-100", "--boost", "40", "--auto-levels", "--fade", "128", "--rotate", "ccw",
       "--crop-preset", "2", "--enlarge", "1.5", "--crop-offset", "10,20", "--crop-swap",
       "--quality", "85", "--enhanced-sampling", "off", "--suggest-quality", "--block-size",
       "1000x800", "--swap-threshold", "500x400", "--type", ".png", "--overwrite", "--json",
       "a.jpg", "b.jpg"});
  ASSERT_TRUE(r.ok) << r.error;
  const CliOptions& o = r.options;
  EXPECT_EQ(o.command, Command::Denoise);
  EXPECT_EQ(o.files, (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_EQ(*o.level, 12.5);
  EXPECT_EQ(*o.mode, 3);
  EXPECT_FALSE(*o.blockNoise);
  EXPECT_FALSE(*o.advanced);
  EXPECT_TRUE(*o.sharpen);
  EXPECT_EQ(*o.sharpenAmount, 30);
  EXPECT_EQ(*o.edgeThreshold, 200);
  EXPECT_EQ(*o.outputWindow, 1);
  EXPECT_EQ(*o.exposure, -1.5);
  EXPECT_EQ(*o.temperature, -100);
  EXPECT_TRUE(o.autoLevels);
  EXPECT_FALSE(*o.rotateClockwise);
  EXPECT_EQ(*o.cropOffsetY, 20);
  EXPECT_TRUE(o.cropSwap);
  EXPECT_EQ(*o.blockW, 1000);
  EXPECT_EQ(*o.swapH, 400);
  EXPECT_EQ(o.type, "png");
  EXPECT_TRUE(o.overwrite && o.json && o.suggestQuality);
}

TEST(CliOptions, UsageErrors) {
  struct Case { std::vector<std::string> args; const char* error; };
  const Case cases[] = {
      {{}, "no input file given"},
      {{"--level", "101", "a.jpg"}, "--level 101: must be 0..100 or auto"},
      {{"--mode", "night", "a.jpg"}, "invalid value \"night\" for --mode"},
      {{"--quality", "30", "a.jpg"}, "--quality 30: must be 40..100"},
      {{"--block-size", "10x10", "a.jpg"}, "--block-size 10x10: must be WxH with each side 32..1048576"},
      {{"--crop-offset", "5", "a.jpg"}, "--crop-offset 5: must be X,Y, two numbers from 0"},
      {{"--frobnicate", "a.jpg"}, "unknown option --frobnicate"},
      {{"a.jpg", "--level"}, "--level needs a value"},
      {{"-o", "x.jpg", "a.jpg", "b.jpg"}, "-o can only be used with one input file"},
      {{"convert", "a.jpg"}, "convert needs exactly one input and one output file"},
  };
  for (const Case& c : cases) {
    const ParseResult r = ParseCommandLine(c.args);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
  }
  EXPECT_EQ(ParseCommandLine({"info", "--json", "x"}).options.command, Command::Info);
  EXPECT_EQ(ParseCommandLine({"--help"}).options.command, Command::Help);
  EXPECT_EQ(ParseCommandLine({"--", "--odd-name.jpg"}).options.files[0], "--odd-name.jpg");
}

// The command line's ranges and help, and the document's defaults and stored keys, all come
// from the settings table.
TEST(CliOptions, SettingsTableDrivesBothFrontEnds) {
  const std::string help = UsageText();
  for (const NoiseSettingRow& row : kNoiseSettings) {
    const std::string option = "--" + std::string(row.option);
    EXPECT_NE(help.find(option), std::string::npos) << option;
    if (row.high <= 1 || row.id == NoiseSetting::kMode || row.id == NoiseSetting::kOutputWindow)
      continue;  // switches and names
    auto value = [&](double v) {
      const std::string n = std::to_string(static_cast<int>(v));
      return option == "--block-size" || option == "--swap-threshold" ? n + "x" + n : n;
    };
    EXPECT_TRUE(ParseCommandLine({option, value(row.low), "a.jpg"}).ok) << option;
    EXPECT_TRUE(ParseCommandLine({option, value(row.high), "a.jpg"}).ok) << option;
    EXPECT_FALSE(ParseCommandLine({option, value(row.low - 1), "a.jpg"}).ok) << option;
    EXPECT_FALSE(ParseCommandLine({option, value(row.high + 1), "a.jpg"}).ok) << option;
  }
  EXPECT_NE(help.find("--level X|auto           noise level 0..100 (default 8)"), std::string::npos)
      << help;
  for (size_t i = 0; i < std::size(kModeNames); ++i)
    EXPECT_EQ(*ParseCommandLine({"--mode", std::string(kModeNames[i]), "a"}).options.mode,
              static_cast<NrMode>(i));

  test::ScriptedHost host;
  MemorySettingsStore store;
  {
    CHushwickDoc doc(host, store);
    EXPECT_EQ(doc.nrSettings().noiseLevel, SettingRow(NoiseSetting::kNoiseLevel).byDefault);
    EXPECT_EQ(doc.nrSettings().sharpenAmount, DefaultInt(NoiseSetting::kSharpenAmount));
    EXPECT_EQ(doc.nrSettings().mode, kModeDefault);
    EXPECT_EQ(doc.memorySettings().maxBlockW, DefaultInt(NoiseSetting::kMaxBlockW));
    EXPECT_EQ(doc.jpegOptions().quality, DefaultInt(NoiseSetting::kJpegQuality));
    doc.storeMemorySettings(100, 200, 300, 400);
    doc.storeJpegOptions(77, 0);
  }
  EXPECT_EQ(store.getInt("Settings", SettingRow(NoiseSetting::kMaxSwapH).key, 0), 400);
  EXPECT_EQ(store.getInt("Settings", SettingRow(NoiseSetting::kJpegQuality).key, 0), 77);
  CHushwickDoc again(host, store);
  EXPECT_EQ(again.memorySettings().maxBlockH, 200);
  EXPECT_EQ(again.jpegOptions().enhancedSampling, 0);
}

TEST(CliOptions, OutputNames) {
  CliOptions o;
  // The save dialog's proposal: its extension is the default pattern's, in lower case.
  EXPECT_EQ(OutputPathFor("/p/IMG_0412.JPG", o), "/p/IMG_0412_NR.jpg");
  EXPECT_EQ(OutputPathFor("/p/IMG_0412.JPG", o), "/p/" + ProposedSaveName("/p/IMG_0412.JPG"));
  EXPECT_EQ(OutputPathFor("/p/shot.cr2", o), "/p/shot_NR.jpg");  // raw cannot be written
  EXPECT_EQ(OutputPathFor("/p/scan.png", o), "/p/scan_NR.png");
  EXPECT_EQ(OutputPathFor("noext", o), "noext.jpg");  // the dialog adds "_NR" only to an extension
  o.outputDir = "/out";
  o.type = "tif";
  EXPECT_EQ(OutputPathFor("/p/scan.png", o), "/out/scan_NR.tif");
  o.output = "/x/y.bmp";
  EXPECT_EQ(OutputPathFor("/p/scan.png", o), "/x/y.bmp");
  EXPECT_TRUE(CanWriteExtension("jpg"));
  EXPECT_TRUE(CanWriteExtension(".PNG"));
  EXPECT_FALSE(CanWriteExtension("gif"));
  EXPECT_FALSE(CanWriteExtension(""));
}

}  // namespace
}  // namespace orvane::cli

namespace orvane::cli {
namespace {

TEST(CliOptions, HelpFitsEightyColumns) {
  const std::string help = UsageText();
  size_t start = 0, lines = 0;
  for (size_t end; (end = help.find('\n', start)) != std::string::npos; start = end + 1, ++lines)
    EXPECT_LE(end - start, 80u) << help.substr(start, end - start);
  EXPECT_GT(lines, 30u);
  // A wrapped line keeps its words: the longest option text is still there, on two lines.
  EXPECT_NE(help.find("--enhanced-sampling on|off every JPEG component at full resolution\n"
                      "                           (default on)\n"),
            std::string::npos)
      << help;
}

}  // namespace
}  // namespace orvane::cli
