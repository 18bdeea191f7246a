#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/open_preview.h"
#include "test_folder.h"

namespace orvane {
namespace {

// A picture of w x h with a gradient, written as path (type by its extension).
std::string WritePicture(const TestFolder& dir, const std::string& name, int w, int h) {
  RasterImage image;
  if (image.Create(w, h, 24) != kOk) return {};
  for (int i = 0; i < w * h * 3; ++i) image.Pixels()[i] = static_cast<uint8_t>(i * 7 / 3);
  const std::string path = (dir.path() / name).string();
  return image.Save(path) == kOk ? path : std::string();
}

PreviewPicture Picture(int fullWidth) {
  PreviewPicture p;
  p.pixels = AllocatePixels(3);
  p.width = p.height = 1;
  p.fullWidth = fullWidth;
  p.fullHeight = 1;
  return p;
}

TEST(PreviewRequests, TheNewestRequestIsDecodedNextAndOlderOnesAreSkipped) {
  PreviewRequests requests;
  PreviewRequests::Job job;
  EXPECT_FALSE(requests.take(job));                 // nothing asked yet
  EXPECT_TRUE(requests.request("/a.png", 200, 150));  // no worker: start one
  EXPECT_FALSE(requests.request("/b.png", 200, 150)); // the worker has not begun: it takes b
  ASSERT_TRUE(requests.take(job));
  EXPECT_EQ(job.path, "/b.png");
  EXPECT_EQ(job.areaWidth, 200);
  EXPECT_EQ(job.areaHeight, 150);
  EXPECT_FALSE(requests.take(job));                  // a was never decoded; the worker ends
  EXPECT_TRUE(requests.request("/c.png", 200, 150));  // so the next request needs a new one
}

TEST(PreviewRequests, OnlyTheNewestWantedResultIsCollected) {
  PreviewRequests requests;
  int notified = 0;
  requests.setNotify([&] { ++notified; });
  PreviewRequests::Job a, b;
  PreviewPicture got;

  // A click while a decode runs: the running decode's result is dropped, the new one shown.
  ASSERT_TRUE(requests.request("/a.png", 10, 10));
  ASSERT_TRUE(requests.take(a));
  EXPECT_FALSE(requests.request("/b.png", 10, 10));
  requests.deliver(a.ticket, Picture(100));
  EXPECT_EQ(notified, 0);
  EXPECT_FALSE(requests.collect(got));
  ASSERT_TRUE(requests.take(b));
  requests.deliver(b.ticket, Picture(200));
  EXPECT_EQ(notified, 1);
  ASSERT_TRUE(requests.collect(got));
  EXPECT_EQ(got.fullWidth, 200);
  EXPECT_NE(got.pixels, nullptr);
  EXPECT_FALSE(requests.collect(got));  // collected once
  EXPECT_FALSE(requests.take(b));

  // Withdrawn (a folder selected, preview off) while decoding: nothing arrives.
  PreviewRequests::Job c;
  ASSERT_TRUE(requests.request("/c.png", 10, 10));
  ASSERT_TRUE(requests.take(c));
  requests.withdraw();
  requests.deliver(c.ticket, Picture(300));
  EXPECT_EQ(notified, 1);
  EXPECT_FALSE(requests.collect(got));
  EXPECT_FALSE(requests.take(c));

  // A result that arrived but was overtaken before the dialog collected it is not shown.
  PreviewRequests::Job d;
  ASSERT_TRUE(requests.request("/d.png", 10, 10));
  ASSERT_TRUE(requests.take(d));
  requests.deliver(d.ticket, Picture(400));
  EXPECT_FALSE(requests.request("/e.png", 10, 10));
  EXPECT_FALSE(requests.collect(got));

  // A dialog that has gone is not told.
  PreviewRequests::Job e;
  ASSERT_TRUE(requests.take(e));
  requests.setNotify({});
  requests.deliver(e.ticket, Picture(500));
  EXPECT_EQ(notified, 2);  // d's delivery was the last call
}

TEST(DecodePreview, FitsTheAreaAndKeepsTheFullSize) {
  TestFolder dir;
  struct Case {
    const char* name;
    int w, h, areaW, areaH, shownW, shownH;
  } const cases[] = {
      {"wide.png", 600, 400, 200, 200, 200, 133},
      {"tall.bmp", 90, 300, 200, 150, 45, 150},
      {"small.png", 120, 90, 200, 200, 120, 90},   // fits: as it is
      {"big.jpg", 2400, 1600, 200, 200, 200, 133},  // decoded at a reduced scale first
  };
  for (const Case& c : cases) {
    const std::string path = WritePicture(dir, c.name, c.w, c.h);
    ASSERT_FALSE(path.empty()) << c.name;
    const PreviewPicture p = DecodePreview(path, c.areaW, c.areaH);
    ASSERT_EQ(p.result, kOk) << c.name;
    EXPECT_EQ(p.fullWidth, c.w) << c.name;
    EXPECT_EQ(p.fullHeight, c.h) << c.name;
    EXPECT_EQ(p.width, c.shownW) << c.name;
    EXPECT_EQ(p.height, c.shownH) << c.name;
    EXPECT_NE(p.pixels, nullptr) << c.name;
  }
  // A decode nobody waits for any more stops, where the format is read row by row.
  const std::string wide = (dir.path() / "wide.png").string();
  const PreviewPicture stopped = DecodePreview(wide, 200, 200, [] { return true; });
  EXPECT_EQ(stopped.result, kCancelled);
  EXPECT_EQ(stopped.pixels, nullptr);
  EXPECT_EQ(DecodePreview(wide, 200, 200, [] { return false; }).result, kOk);

  dir.Write("junk.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
  const PreviewPicture junk = DecodePreview((dir.path() / "junk.png").string(), 200, 200);
  EXPECT_NE(junk.result, kOk);
  EXPECT_EQ(junk.pixels, nullptr);
  EXPECT_EQ(DecodePreview((dir.path() / "missing.png").string(), 200, 200).result, kNoFile);
}

// Clicks in quick succession with a real worker thread: whatever the timing, the picture
// collected at the end is the last one clicked, and every worker ends.
TEST(RunPreviewWorker, AfterManyClicksTheLastPictureIsShown) {
  TestFolder dir;
  std::vector<std::string> files;
  for (const char* name : {"p0.png", "p1.png", "p2.png", "p3.png", "p4.png", "p5.png"})
    files.push_back(WritePicture(dir, name, 300 + static_cast<int>(files.size()), 200));
  PreviewRequests requests;
  std::mutex mutex;
  std::condition_variable arrived;
  int notifications = 0;
  requests.setNotify([&] {
    std::lock_guard lock(mutex);
    ++notifications;
    arrived.notify_all();
  });
  std::vector<std::thread> workers;
  for (const std::string& file : files) {
    if (requests.request(file, 100, 100)) workers.emplace_back([&] { RunPreviewWorker(requests); });
  }
  PreviewPicture got;
  {
    std::unique_lock lock(mutex);
    // Each notification may be one the next request overtook; wait for one that is collected.
    while (true) {
      arrived.wait_for(lock, std::chrono::seconds(30), [&] { return notifications > 0; });
      ASSERT_GT(notifications, 0);
      notifications = 0;  // before collecting, so that a later arrival is waited for again
      lock.unlock();
      const bool have = requests.collect(got);
      lock.lock();
      if (have) break;
    }
  }
  for (std::thread& t : workers) t.join();
  EXPECT_EQ(got.result, kOk);
  EXPECT_EQ(got.fullWidth, 305);
  EXPECT_EQ(got.width, 100);
  PreviewRequests::Job none;
  EXPECT_FALSE(requests.take(none));
}

}  // namespace
}  // namespace orvane
