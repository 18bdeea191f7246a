// The camera raw adapter: its pure steps, and whole decodes of small DNG files written here with
// libtiff (a 16-bit Bayer mosaic with the tags LibRaw needs).
#include <gtest/gtest.h>
#include <tiffio.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <cmath>
#include <cstring>
#include <functional>

#include "dng_writer.h"
#include "format_test_util.h"
#include "imagefile/codec/codec.h"
#include "imagefile/raw_adapter.h"
#include "base/worker_pool.h"

namespace orvane {
namespace {

using testing::DngOptions;
using testing::Scene;
using testing::WriteDng;

struct Decoded {
  PixelBlock pixels;
  int width = 0;
  int height = 0;
  const uint8_t* at(int x, int y) const { return pixels.get() + (size_t(y) * width + x) * 3; }
};

Decoded DecodeDng(const Scene& scene, const DngOptions& o) {
  testing::TempDir dir;
  const std::string path = dir.File("t.dng");
  Decoded d;
  if (!WriteDng(path, scene, o)) return d;
  d.pixels = DecodeRawFile(path, d.width, d.height);
  return d;
}

TEST(RawAdapter, FlipCodes) {
  // 3 x 2 image, pixel value = 10 * row + column in every channel.
  uint16_t img[6][4];
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < 4; ++k) img[r * 3 + c][k] = static_cast<uint16_t>(10 * r + c);
  struct Case {
    int flip, width, height;
    std::vector<int> values;  // channel 0, rows from the top
  };
  const Case cases[] = {
      {3, 3, 2, {12, 11, 10, 2, 1, 0}},    // 180 degrees
      {6, 2, 3, {10, 0, 11, 1, 12, 2}},    // 90 degrees clockwise
      {5, 2, 3, {2, 12, 1, 11, 0, 10}},    // 90 degrees anticlockwise
      {1, 3, 2, {2, 1, 0, 12, 11, 10}},    // mirrored columns
  };
  for (const Case& c : cases) {
    int w = 3, h = 2;
    PixelBlock out = FlipRawImage(img, w, h, c.flip);
    ASSERT_TRUE(out);
    EXPECT_EQ(w, c.width) << c.flip;
    EXPECT_EQ(h, c.height) << c.flip;
    auto* px = reinterpret_cast<const uint16_t(*)[4]>(out.get());
    std::vector<int> got;
    for (int i = 0; i < 6; ++i) got.push_back(px[i][0]);
    EXPECT_EQ(got, c.values) << c.flip;
  }
}

TEST(RawAdapter, WhitePointFromTheHistogram) {
  std::vector<std::array<int, kRawHistogramBins>> bins(4);
  auto* hist = reinterpret_cast<int(*)[kRawHistogramBins]>(bins[0].data());
  // 100 x 100 pixels: perc = 100. Channel 1 has 150 pixels at bin 4000, channel 0 at 3000.
  hist[0][3000] = 150;
  hist[1][4000] = 150;
  hist[2][10] = 10000;
  EXPECT_EQ(RawWhitePoint(hist, 3, 100, 100, 0, 1.0), 4000 * 8);
  EXPECT_EQ(RawWhitePoint(hist, 3, 100, 100, 0, 2.0), 4000 * 4);
  // Below perc nowhere: the search stops at 32, the counter at 32 not counted.
  hist[0][3000] = hist[1][4000] = 100;
  hist[1][32] = 10000;
  EXPECT_EQ(RawWhitePoint(hist, 3, 100, 100, 0, 1.0), 32 * 8);
  // A rotated sensor halves perc: 100 pixels now exceed 50.
  EXPECT_EQ(RawWhitePoint(hist, 3, 100, 100, 40, 1.0), 4000 * 8);
  // The fourth channel only counts when the colour count says so.
  hist[3][5000] = 1000;
  EXPECT_EQ(RawWhitePoint(hist, 3, 100, 100, 40, 1.0), 4000 * 8);
  EXPECT_EQ(RawWhitePoint(hist, 4, 100, 100, 40, 1.0), 5000 * 8);
}

TEST(RawAdapter, ToneTableShapes) {
  std::vector<uint8_t> table(0x10000);
  BuildRawToneTable(1000, false, table.data());
  for (int i : {0, 3, 4, 500, 995, 996, 1000, 65535})
    EXPECT_EQ(table[i], std::min(255, static_cast<int>(256.0 * i / 1000))) << i;
  BuildRawToneTable(10000, true, table.data());
  EXPECT_EQ(table[100], 11);    // 0.01 lies on the straight part: 0.045 * 256
  EXPECT_EQ(table[5000], 180);  // 0.5^0.45 * 1.099 - 0.099 = 0.7055
  EXPECT_EQ(table[10000], 255);
  for (int i = 1; i < 0x10000; ++i) ASSERT_GE(table[i], table[i - 1]);
}

TEST(RawDecode, CameraWhiteBalanceKeepsGreyGrey) {
  DngOptions o;
  o.neutral = {0.45f, 1.0f, 0.7f};
  // A grey wedge: left darker, right lighter.
  const Decoded d = DecodeDng([](int x, int) {
    const double v = 0.1 + 0.5 * x / 63.0;
    return std::array<double, 3>{v, v, v};
  }, o);
  ASSERT_TRUE(d.pixels);
  ASSERT_EQ(d.width, 64);
  ASSERT_EQ(d.height, 48);
  for (int x : {8, 32, 56}) {
    const uint8_t* p = d.at(x, 24);
    EXPECT_NEAR(p[0], p[1], 3) << x;
    EXPECT_NEAR(p[2], p[1], 3) << x;
  }
  EXPECT_LT(d.at(8, 24)[1], d.at(56, 24)[1]);
}

TEST(RawDecode, OrientationSixExchangesWidthAndHeight) {
  DngOptions o;
  o.orientation = 6;
  // Bright in the top-left corner of the sensor.
  const Decoded d = DecodeDng([](int x, int y) {
    const double v = (x < 16 && y < 12) ? 0.9 : 0.1;
    return std::array<double, 3>{v, v, v};
  }, o);
  ASSERT_TRUE(d.pixels);
  EXPECT_EQ(d.width, 48);
  EXPECT_EQ(d.height, 64);
  // Turned clockwise, the sensor's top-left corner is at the top right.
  EXPECT_GT(d.at(44, 4)[1], d.at(4, 4)[1] + 100);
}

TEST(RawDecode, WhitePointLeavesAboutOnePercentSaturated) {
  DngOptions o;
  o.width = 100;
  o.height = 80;
  const Decoded d = DecodeDng([](int x, int y) {
    const double v = 0.02 + 0.6 * (x + 100.0 * y) / 8000.0;
    return std::array<double, 3>{v, v, v};
  }, o);
  ASSERT_TRUE(d.pixels);
  int saturated = 0;
  for (int y = 0; y < d.height; ++y)
    for (int x = 0; x < d.width; ++x) saturated += d.at(x, y)[1] == 255;
  const double share = saturated / double(d.width * d.height);
  EXPECT_GT(share, 0.003);
  EXPECT_LT(share, 0.03);
}

TEST(RawDecode, OtherFilesAreNotRaw) {
  testing::TempDir dir;
  RasterImage image;
  testing::FillImage(image, testing::TestPicture(200, 150));
  for (const char* name : {"a.bmp", "a.pcx", "a.tga", "a.psd"}) {
    ASSERT_EQ(image.Save(dir.File(name)), kOk) << name;
    int w = -1, h = -1;
    EXPECT_FALSE(DecodeRawFile(dir.File(name), w, h)) << name;
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
  }
  // An ordinary 8-bit RGB TIFF is a picture, not raw data.
  TIFF* tif = TIFFOpen(dir.File("a.tif").c_str(), "w");
  ASSERT_TRUE(tif);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 200);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 150);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  for (int y = 0; y < 150; ++y) TIFFWriteScanline(tif, image.Pixels() + y * 600, y, 0);
  TIFFClose(tif);
  int w = -1, h = -1;
  EXPECT_FALSE(DecodeRawFile(dir.File("a.tif"), w, h));
  EXPECT_FALSE(DecodeRawFile(dir.File("missing.dng"), w, h));
  EXPECT_FALSE(DecodeRawBuffer({}, w, h));
}

TEST(RawDecode, LoadTakesRawFilesFirst) {
  testing::TempDir dir;
  const std::string path = dir.File("shot.dng");
  ASSERT_TRUE(WriteDng(path, [](int, int) { return std::array<double, 3>{0.3, 0.3, 0.3}; }, {}));
  RasterImage image;
  ASSERT_EQ(image.Load(path), kOk);
  EXPECT_EQ(image.Width(), 64);
  EXPECT_EQ(image.Height(), 48);
  EXPECT_EQ(image.BitsPerPixel(), 24);
  EXPECT_EQ(image.fileType, ImageFileType::UnknownType);
  EXPECT_EQ(image.originalWidth, 64);
  // The same bytes from memory decode alike.
  const std::vector<uint8_t> bytes = testing::ReadBytes(path);
  int w = 0, h = 0;
  PixelBlock mem = DecodeRawBuffer(bytes, w, h);
  ASSERT_TRUE(mem);
  EXPECT_EQ(std::memcmp(mem.get(), image.Pixels(), size_t(w) * h * 3), 0);
}

TEST(RawDecode, DamagedDngEndsWithoutPicture) {
  testing::TempDir dir;
  const std::string path = dir.File("shot.dng");
  ASSERT_TRUE(WriteDng(path, [](int, int) { return std::array<double, 3>{0.3, 0.3, 0.3}; }, {}));
  const std::vector<uint8_t> bytes = testing::ReadBytes(path);
  for (size_t n : {size_t{8}, size_t{100}, bytes.size() / 2}) {
    int w = -1, h = -1;
    PixelBlock p = DecodeRawBuffer(std::span<const uint8_t>(bytes.data(), n), w, h);
    if (!p) {
      EXPECT_EQ(w, 0);
      EXPECT_EQ(h, 0);
    }
  }
}

// A file found by fuzzing that makes LibRaw 0.20's TIFF parser read out of bounds (it crashes
// under AddressSanitizer). The decoder runs in a child process, so the program survives it.
TEST(RawDecode, DecoderCrashDoesNotTakeTheProgramDown) {
  const std::vector<uint8_t> bytes =
      testing::ReadBytes(std::string(ORVANE_FIXTURES) + "/libraw_bad_ifd.dng");
  ASSERT_EQ(bytes.size(), 6590u);
  int w = -1, h = -1;
  PixelBlock p = DecodeRawBuffer(bytes, w, h);
  if (!p) {
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
  }
  // Still able to decode afterwards.
  testing::TempDir dir;
  ASSERT_TRUE(WriteDng(dir.File("ok.dng"), [](int, int) { return std::array<double, 3>{0.3, 0.3, 0.3}; }, {}));
  EXPECT_TRUE(DecodeRawFile(dir.File("ok.dng"), w, h));
}

// The decoder's child process never outlives the program: killed with it mid-decode, it is
// killed too instead of decoding on (or staying blocked) on its own.
TEST(RawDecode, ChildDiesWithTheProgram) {
  testing::TempDir dir;
  const std::string path = dir.File("large.dng");
  DngOptions o;
  o.width = 3000;
  o.height = 2000;
  ASSERT_TRUE(WriteDng(path, [](int x, int y) { return std::array<double, 3>{x % 7 / 7.0, y % 5 / 5.0, 0.4}; }, o));
  // A helper adopts the orphaned child (subreaper) so that it can see how the child ended.
  const pid_t helper = fork();
  if (helper == 0) {
    alarm(60);
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    const pid_t program = fork();
    if (program == 0) {
      int w = 0, h = 0;
      DecodeRawFile(path, w, h);
      _exit(0);
    }
    pid_t decoder = 0;
    const std::string children = "/proc/" + std::to_string(program) + "/task/" + std::to_string(program) + "/children";
    while (decoder == 0) {
      std::ifstream f(children);
      if (!(f >> decoder)) decoder = 0;
    }
    usleep(50000);  // let it start decoding
    kill(program, SIGKILL);
    int status = 0;
    waitpid(program, &status, 0);
    if (waitpid(decoder, &status, 0) != decoder) _exit(2);
    // Killed with the program; or, when the program died before the child could ask for that,
    // ended by the child itself at once (1). Left alone it would decode on and die of the
    // closed pipe (SIGPIPE) or finish.
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    const bool endedAtOnce = WIFEXITED(status) && WEXITSTATUS(status) == 1;
    _exit(killed || endedAtOnce ? 0 : 1);
  }
  ASSERT_GT(helper, 0);
  int status = 0;
  ASSERT_EQ(waitpid(helper, &status, 0), helper);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A helper that crashes, answers short or is missing: the file is simply not a raw picture.
TEST(RawDecode, FailingHelperMeansNoRawPicture) {
  testing::TempDir dir;
  ASSERT_TRUE(WriteDng(dir.File("ok.dng"), [](int, int) { return std::array<double, 3>{0.3, 0.3, 0.3}; }, {}));
  struct Case { const char* name; const char* script; };
  const Case cases[] = {
      {"crash", "#!/bin/sh\nkill -SEGV $$\n"},
      {"short", "#!/bin/sh\nprintf '\\100\\0\\0\\0\\060\\0\\0\\0abc'\n"},  // 64 x 48, 3 bytes
      {"fails", "#!/bin/sh\nexit 3\n"},
  };
  for (const Case& c : cases) {
    const std::string helper = dir.File(c.name);
    const std::string script = c.script;
    testing::WriteBytes(helper, std::vector<uint8_t>(script.begin(), script.end()));
    ASSERT_EQ(::chmod(helper.c_str(), 0755), 0);
    int w = -1, h = -1;
    EXPECT_FALSE(DecodeRawFileWith(helper, dir.File("ok.dng"), w, h)) << c.name;
    EXPECT_EQ(w, 0) << c.name;
    EXPECT_EQ(h, 0) << c.name;
  }
  int w = -1, h = -1;
  // A helper that never answers (a decoder going round in circles) is stopped at the time limit.
  const std::string hangs = dir.File("hangs");
  const std::string script = "#!/bin/sh\nexec sleep 600\n";
  testing::WriteBytes(hangs, std::vector<uint8_t>(script.begin(), script.end()));
  ASSERT_EQ(::chmod(hangs.c_str(), 0755), 0);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(DecodeRawFileWith(hangs, dir.File("ok.dng"), w, h, 300));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
  EXPECT_EQ(w, 0);
  EXPECT_FALSE(DecodeRawFileWith(dir.File("missing"), dir.File("ok.dng"), w, h));
  EXPECT_FALSE(DecodeRawFileWith("", dir.File("ok.dng"), w, h));
  EXPECT_TRUE(DecodeRawFile(dir.File("ok.dng"), w, h));  // the real helper reads it
}

// The raw attempt starts a helper program for every Load; in a process whose worker threads
// are busy allocating and locking (where fork() could copy a held lock into the child), loads
// in a row must all finish. A hang here fails the test instead of blocking it.
TEST(RawDecode, ManyLoadsWhileTheWorkerPoolIsBusy) {
  testing::TempDir dir;
  ASSERT_TRUE(WriteDng(dir.File("a.dng"), [](int x, int) {
    return std::array<double, 3>{0.2 + x / 200.0, 0.3, 0.4};
  }, {}));
  RasterImage picture;
  testing::FillImage(picture, testing::TestPicture(40, 30));
  ASSERT_EQ(picture.Save(dir.File("b.png")), kOk);
  const std::string bad = std::string(ORVANE_FIXTURES) + "/libraw_bad_ifd.dng";

  std::atomic<bool> stop{false};
  std::thread busy([&] {
    WorkerPool pool(4);
    std::mutex shared;
    while (!stop) {
      pool.run(64, [&](int64_t chunk, int) {
        std::vector<uint8_t> scratch(4096 + chunk * 977);
        std::lock_guard<std::mutex> lock(shared);
        scratch[chunk] = static_cast<uint8_t>(chunk);
      });
    }
  });
  auto loads = std::async(std::launch::async, [&] {
    int failures = 0;
    for (int i = 0; i < 200; ++i) {
      RasterImage image;
      switch (i % 3) {
        case 0: failures += image.Load(dir.File("a.dng")) != kOk || image.Width() != 64; break;
        case 1: failures += image.Load(dir.File("b.png")) != kOk || image.Width() != 40; break;
        default: image.Load(bad); break;  // whatever it gives, the load comes back
      }
    }
    return failures;
  });
  const bool finished = loads.wait_for(std::chrono::minutes(5)) == std::future_status::ready;
  stop = true;
  busy.join();
  if (!finished) {
    ADD_FAILURE() << "200 loads did not finish";
    std::_Exit(1);  // the loading thread is stuck; leaving normally would wait for it
  }
  EXPECT_EQ(loads.get(), 0);
}

}  // namespace
}  // namespace orvane
