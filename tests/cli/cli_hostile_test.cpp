// The command line against hostile input and careless use: special files, races between runs,
// signals during a save, long and odd names.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli_test_support.h"
#include "hostile_fixtures.h"
#include "imagefile/raster_image.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::Cli;
using test::CliFolder;
using test::Quote;
using test::RunCommand;

// Runs the program under a time limit: a regression that blocks fails instead of hanging.
test::RunResult CliWithin(int seconds, const std::string& args) {
  return RunCommand("timeout " + std::to_string(seconds) + " " + ORVANE_CLI + " " + args);
}

std::vector<std::string> HiddenFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string n = e.path().filename().string();
    if (!n.empty() && n[0] == '.') names.push_back(n);
  }
  return names;
}

std::string Contents(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

TEST_F(CliFolder, SpecialFilesAreRefusedNotOpened) {
  const std::string fifo = path("pipe.jpg");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string photo = sample("p.jpg");
  const std::string cases[] = {
      Quote(fifo),
      "info " + Quote(fifo),
      "convert " + Quote(fifo) + " " + Quote(path("c.png")),
      "--match-profile " + Quote(fifo) + " -o " + Quote(path("m.jpg")) + " " + Quote(photo),
      "--match-image " + Quote(fifo) + " -o " + Quote(path("i.jpg")) + " " + Quote(photo),
  };
  for (const std::string& args : cases) {
    const auto r = CliWithin(20, args);
    EXPECT_NE(r.status, 124) << "blocked: " << args;
    EXPECT_NE(r.status, 0) << args;
    EXPECT_NE(r.out.find("pipe.jpg"), std::string::npos) << r.out;
  }
  EXPECT_FALSE(fs::exists(path("c.png")));
  EXPECT_FALSE(fs::exists(path("m.jpg")));
}

// Two runs writing the same output at once: the one that finishes second finds the file there
// and keeps it, instead of both replacing and both reporting success.
TEST_F(CliFolder, ConcurrentRunsNeverReplaceEachOther) {
  const std::string a = sample("a.png", 1600, 1200, 1);
  const std::string b = sample("b.png", 1600, 1200, 2);
  const std::string out = path("same.png");
  const auto r = RunCommand("(" + std::string(ORVANE_CLI) + " -o " + Quote(out) + " " + Quote(a) +
                            " 2>&1; echo status $?) & (" + ORVANE_CLI + " -o " + Quote(out) + " " + Quote(b) +
                            " 2>&1; echo status $?) & wait");
  EXPECT_NE(r.out.find("status 0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("status 1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("same.png: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("already exists"), std::string::npos) << r.out;
  EXPECT_TRUE(HiddenFiles(root_).empty());
}

TEST_F(CliFolder, OneRunNeverWritesAnOutputTwice) {
  fs::create_directories(path("d1"));
  fs::create_directories(path("d2"));
  fs::create_directories(path("out"));
  const std::string one = sample("d1/a.jpg", 160, 120, 1);
  const std::string two = sample("d2/a.jpg", 160, 120, 2);
  const auto r = Cli("-d " + Quote(path("out")) + " --overwrite " + Quote(one) + " " + Quote(two));
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("a_NR.jpg: already written by this run"), std::string::npos) << r.out;
  // The file is the first input's result.
  EXPECT_NE(r.out.find(one + " -> "), std::string::npos) << r.out;
}

TEST_F(CliFolder, ReadOnlyOutputsAreNeverReplaced) {
  const std::string in = sample("r.jpg");
  for (const std::string command : {"", "convert "}) {
    const std::string out = path(command.empty() ? "ro_NR.jpg" : "ro.png");
    { std::ofstream(out) << "keep"; }
    ASSERT_EQ(chmod(out.c_str(), 0444), 0);
    const auto r = Cli(command + "--overwrite " + (command.empty() ? "-o " + Quote(out) + " " + Quote(in)
                                                                   : Quote(in) + " " + Quote(out)));
    EXPECT_EQ(r.status, 1) << r.out;
    // Named after the output, which is what it is about.
    EXPECT_NE(r.out.find(out + ": The existing file is read only and it can't be overwritten."),
              std::string::npos) << r.out;
    EXPECT_EQ(Contents(out), "keep");
  }
}

TEST_F(CliFolder, ConvertWritesJpegAtTheDefaultQuality) {
  const std::string in = sample("q.png", 200, 150);
  ASSERT_EQ(Cli("convert " + Quote(in) + " " + Quote(path("default.jpg"))).status, 0);
  ASSERT_EQ(Cli("convert --quality 92 " + Quote(in) + " " + Quote(path("q92.jpg"))).status, 0);
  ASSERT_EQ(Cli("convert --quality 75 " + Quote(in) + " " + Quote(path("q75.jpg"))).status, 0);
  EXPECT_EQ(Contents(path("default.jpg")), Contents(path("q92.jpg")));
  EXPECT_NE(Contents(path("default.jpg")), Contents(path("q75.jpg")));
}

// The temporary name stays within the file system's 255 bytes whatever the output's length;
// a name that is too long itself is reported with the system's reason.
TEST_F(CliFolder, LongOutputNames) {
  const std::string in = sample("n.jpg", 64, 48);
  for (const size_t length : {246u, 250u, 255u}) {
    const std::string name = std::string(length - 4, 'x') + ".jpg";
    const auto r = Cli("-o " + Quote(path(name)) + " " + Quote(in));
    EXPECT_EQ(r.status, 0) << length << ": " << r.out;
    EXPECT_TRUE(fs::exists(path(name))) << length;
  }
  const std::string tooLong = std::string(252, 'y') + ".jpg";
  const auto r = Cli("-o " + Quote(path(tooLong)) + " " + Quote(in));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(tooLong + ": cannot write: File name too long"), std::string::npos) << r.out;
  EXPECT_TRUE(HiddenFiles(root_).empty());
}

// SIGTERM and SIGHUP are handled as Ctrl-C: the first lets the save finish and stops the
// batch, a second ends the program at once; neither leaves the hidden temporary file.
TEST_F(CliFolder, SignalsDuringASaveLeaveNoTemporaryFile) {
  const std::string in = sample("big.png", 3000, 2000);
  for (const int signals : {1, 2}) {
    for (const int sig : {SIGTERM, SIGHUP}) {
      const std::string out = path("big_NR.tif");
      fs::remove(out);
      // Told the moment the save's file is opened: the save has begun.
      const int watch = inotify_init1(IN_CLOEXEC);
      ASSERT_GE(watch, 0);
      ASSERT_GE(inotify_add_watch(watch, root_.c_str(), IN_CREATE | IN_OPEN), 0);
      const pid_t child = fork();
      if (child == 0) {
        execl(ORVANE_CLI, ORVANE_CLI, "--quiet", "-o", out.c_str(), in.c_str(), nullptr);
        _exit(127);
      }
      ASSERT_GT(child, 0);
      // A hidden name, or the unnamed file the kernel calls "#" and its number.
      const bool saving = test::WaitForNamedEvent(
          watch, [](const char* name) { return name[0] == '.' || name[0] == '#'; });
      close(watch);
      for (int i = 0; i < signals; ++i) {
        kill(child, sig);
        // Signals of one kind do not queue: the second must come after the first is taken.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      EXPECT_TRUE(saving);
      EXPECT_TRUE(HiddenFiles(root_).empty()) << signals << " x " << sig;
      if (signals == 1) {
        // The save finished (it was the last file of the batch).
        EXPECT_TRUE(WIFEXITED(status)) << status;
        RasterImage back;
        EXPECT_EQ(back.Load(out), kOk);
      } else {
        // Ended by the signal, or by its own end when the save was quicker than the signal.
        EXPECT_TRUE(WIFSIGNALED(status) ? WTERMSIG(status) == sig : WIFEXITED(status)) << status;
      }
    }
  }
}

// Names are any bytes: JSON stays valid UTF-8, text output does not break its lines.
TEST_F(CliFolder, OddNamesAreEscaped) {
  const std::string photo = sample("plain.jpg", 64, 48);
  const std::string odd = path("bad\xff\nname.jpg");
  fs::copy_file(photo, odd);
  const auto json = Cli("info --json " + Quote(odd));
  ASSERT_EQ(json.status, 0) << json.out;
  EXPECT_EQ(json.out.find('\xff'), std::string::npos);
  EXPECT_NE(json.out.find("bad\\ufffd\\nname.jpg"), std::string::npos) << json.out;
  const auto text = Cli("info " + Quote(odd));
  EXPECT_NE(text.out.find("bad\\xff\\nname.jpg"), std::string::npos) << text.out;
  EXPECT_EQ(text.out.find("bad\xff"), std::string::npos);
  const auto run = Cli("-d " + Quote(root_) + " " + Quote(odd));
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("bad\\xff\\nname_NR.jpg"), std::string::npos) << run.out;
  // The program's own words stay readable UTF-8.
  const auto accent = Cli("info " + Quote(path("caf\xc3\xa9.jpg")));
  EXPECT_NE(accent.out.find("caf\xc3\xa9.jpg"), std::string::npos) << accent.out;
}

}  // namespace
}  // namespace orvane
