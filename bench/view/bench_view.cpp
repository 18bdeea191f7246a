// The desktop program's view, off screen: a 24-megapixel JPEG opened in a 1920 x 1080 window.
// Prints the time from start to the first painted Detail display against Load alone, the region
// run of a Detail display, repaints while dragging in Detail and Full/Crop mode, the quick
// preview while a colour slider is dragged, and the profile list with 100 profiles. Also the open
// dialog's preview: a JPEG's, and how soon a small picture's follows a large PNG's.
//
// bench_view [WIDTH HEIGHT]
#include "shell/dialogs/prev_file_dlg.h"
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QDir>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/colour_timer_work.h"
#include "app/document.h"
#include "app/profile_list.h"
#include "colour/reference_store.h"
#include "shell/panes/colour_correction_pane.h"
#include "shell/panes/profile_list_box.h"
#include "shell/controls/value_slider.h"
#include "imagefile/raster_image.h"
#include "shell/application.h"
#include "shell/main_frame.h"
#include "shell/qt_host.h"
#include "view/hushwick_view.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// This thread's processor time: what a paint costs when the machine is shared.
double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qt(argc, argv);
  const int w = argc > 2 ? std::atoi(argv[1]) : 6000, h = argc > 2 ? std::atoi(argv[2]) : 4000;
  QTemporaryDir dir;
  const std::string photo = dir.filePath("photo.jpg").toStdString();
  {
    orvane::RasterImage image;
    if (image.Create(w, h, 24) != orvane::kOk) return 1;
    uint8_t* p = image.Pixels();
    uint32_t s = 12345;
    for (int64_t i = 0; i < static_cast<int64_t>(w) * h; ++i) {
      s = s * 1664525u + 1013904223u;
      const int x = static_cast<int>(i % w), y = static_cast<int>(i / w);
      const int n = static_cast<int>((s >> 24) % 41) - 20;
      p[3 * i] = static_cast<uint8_t>(std::clamp(x * 200 / w + 30 + n, 0, 255));
      p[3 * i + 1] = static_cast<uint8_t>(std::clamp(y * 180 / h + 40 + n, 0, 255));
      p[3 * i + 2] = static_cast<uint8_t>(std::clamp(((x / 64 + y / 64) % 2 ? 170 : 70) + n, 0, 255));
    }
    if (image.Save(photo) != orvane::kOk) return 1;
    if (image.Save(dir.filePath("photo.png").toStdString()) != orvane::kOk) return 1;
    orvane::RasterImage small;
    if (small.Resample(image, 640, 400, 2) != orvane::kOk) return 1;
    if (small.Save(dir.filePath("small.png").toStdString()) != orvane::kOk) return 1;
  }
  std::printf("picture: %d x %d (%.1f megapixels), window 1920 x 1080\n", w, h, w * h / 1e6);

  std::vector<double> loads;
  auto timeLoad = [&] {
    orvane::RasterImage image;
    const auto t = Clock::now();
    image.Load(photo);
    loads.push_back(Ms(t));
  };
  for (int i = 0; i < 3; ++i) timeLoad();
  const double load = Median(loads);

  // The open dialog's preview: a decode scaled to the preview area, then fitted into it.
  std::vector<double> previews;
  orvane::PreviewPicture shown;
  for (int i = 0; i < 5; ++i) {
    const auto t = Clock::now();
    shown = orvane::DecodePreview(photo, 200, 200);
    if (shown.result != orvane::kOk) return 1;
    previews.push_back(Ms(t));
  }
  std::printf("open dialog preview (%d x %d shown): %.1f ms, full load %.1f ms\n", shown.width,
              shown.height, Median(previews), load);

  // A large PNG clicked, then a small picture 100 ms later: the small preview waits for the
  // large read to notice (it stops between rows), not for the whole read.
  {
    const std::string png = dir.filePath("photo.png").toStdString();
    const std::string small = dir.filePath("small.png").toStdString();
    std::vector<double> whole, givesWay;
    for (int i = 0; i < 3; ++i) {
      const auto t = Clock::now();
      if (orvane::DecodePreview(png, 200, 200).result != orvane::kOk) return 1;
      whole.push_back(Ms(t));
    }
    for (int i = 0; i < 5; ++i) {
      orvane::PreviewRequests requests;
      std::mutex mutex;
      std::condition_variable arrived;
      bool ready = false;
      requests.setNotify([&] {
        std::lock_guard lock(mutex);
        ready = true;
        arrived.notify_all();
      });
      std::thread worker;
      if (requests.request(png, 200, 200)) worker = std::thread([&] { orvane::RunPreviewWorker(requests); });
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      const auto t = Clock::now();
      if (requests.request(small, 200, 200) && !worker.joinable())
        worker = std::thread([&] { orvane::RunPreviewWorker(requests); });
      {
        std::unique_lock lock(mutex);
        arrived.wait(lock, [&] { return ready; });
      }
      givesWay.push_back(Ms(t));
      orvane::PreviewPicture got;
      if (!requests.collect(got) || got.fullWidth != 640) return 1;
      worker.join();
    }
    std::printf("open dialog, a %d x %d PNG then a small picture: the small preview after %.0f ms, the "
                "PNG's whole read %.0f ms (ratio %.3f)\n",
                w, h, Median(givesWay), Median(whole), Median(givesWay) / Median(whole));
  }

  // Start-ups alternate with plain loads, so that a busy moment of the machine falls on both.
  orvane::QtSettingsStore settings(dir.filePath("settings.ini"));
  std::unique_ptr<orvane::OrvaneApp> app;
  std::vector<double> starts;
  for (int i = 0; i < 3; ++i) {
    timeLoad();
    if (app) {
      app->frame()->close();
      app.reset();
    }
    const auto start = Clock::now();
    app = std::make_unique<orvane::OrvaneApp>(settings);
    app->host().recordOnly = true;
    app->start({"orvane-nr", QString::fromStdString(photo)});
    app->frame()->setGeometry(0, 0, 1920, 1080);
    app->frame()->show();
    app->frame()->view()->repaint();
    starts.push_back(Ms(start));
  }
  orvane::CHushwickView* view = app->frame()->view();
  // The first start-up of the process also pays for Qt's own first use (fonts, style, icons).
  const double loadNow = Median(loads);
  std::printf("start to first Detail paint: first %.0f ms, then %.0f and %.0f ms; Load alone: %.0f ms "
              "(median of 6); ratio %.2f for the first, %.2f for the median (at most 1.5)\n",
              starts[0], starts[1], starts[2], loadNow, starts[0] / loadNow, Median(starts) / loadNow);

  const QSize client = view->viewport()->size();
  std::printf("view client area: %d x %d\n", client.width(), client.height());
  std::vector<double> runs;
  orvane::RunTimings stages;
  app->document()->timings = &stages;
  orvane::RunTimings sum;
  for (int i = 0; i < 7; ++i) {
    const auto t = Clock::now();
    view->RunRegionPreview();
    runs.push_back(Ms(t));
    for (auto field : {&orvane::RunTimings::pack, &orvane::RunTimings::colour,
                       &orvane::RunTimings::sharpen, &orvane::RunTimings::speckle,
                       &orvane::RunTimings::engine, &orvane::RunTimings::edges,
                       &orvane::RunTimings::compose})
      sum.*field += stages.*field * 1000 / 7;
  }
  app->document()->timings = nullptr;
  const orvane::Rect r = app->document()->region;
  std::printf("region run over %d x %d: %.1f ms (median of 7; at most 40); on average: engine %.1f, "
              "pack %.1f, colour %.1f, sharpen %.1f, speckles %.1f, edges %.1f, compose %.1f ms\n",
              r.right - r.left, r.bottom - r.top, Median(runs), sum.engine, sum.pack, sum.colour,
              sum.sharpen, sum.speckle, sum.edges, sum.compose);

  std::vector<double> detail, detailCpu;
  for (int i = 0; i < 30; ++i) {
    view->ScrollToFraction(0.1 + i * 0.01, 0.1 + i * 0.01);
    const auto t = Clock::now();
    const double c = ThreadCpuMs();
    view->repaint();
    detailCpu.push_back(ThreadCpuMs() - c);
    detail.push_back(Ms(t));
  }
  std::printf("Detail repaint while dragging: %.2f ms, %.2f ms of processor time (medians of 30; "
              "at most 8)\n", Median(detail), Median(detailCpu));

  // A colour slider dragged in Detail mode: each move sets the parameter (the pane's handler,
  // posted by the slider) and timer 2 makes the quick preview of the region, then the view
  // repaints.
  {
    orvane::ColourCorrectionPane* pane = app->frame()->colourCorrectionPane();
    orvane::ValueSlider* slider = pane->slider(orvane::CorrectionSlider::kTemperature);
    std::vector<double> moves;
    for (int i = 0; i < 30; ++i) {
      QKeyEvent key(QEvent::KeyPress, i % 2 ? Qt::Key_Left : Qt::Key_Right, Qt::NoModifier);
      const auto t = Clock::now();
      QApplication::sendEvent(slider, &key);
      QCoreApplication::sendPostedEvents();
      QCoreApplication::processEvents();
      pane->timer(2).stop();
      orvane::DoColourTimerWork(*app->document(), orvane::TimerWork::kQuickPreview);
      view->repaint();
      moves.push_back(Ms(t));
    }
    const orvane::Region q = app->document()->region;
    std::printf("colour slider move to redrawn quick preview over %d x %d: %.2f ms (median of 30; "
                "at most 30)\n", q.right - q.left, q.bottom - q.top, Median(moves));
  }

  // The File Properties pane's thumbnail made from the whole picture (once per picture; every
  // mode change and crop move refreshes the pane and keeps it).
  {
    orvane::RasterImage small;
    std::vector<double> shrinks;
    for (int i = 0; i < 3; ++i) {
      const auto t = Clock::now();
      small.Resample(app->document()->sourceImage, 174, 116, 2);
      shrinks.push_back(Ms(t));
    }
    std::printf("File Properties thumbnail made: %.1f ms (median of 3)\n", Median(shrinks));
  }

  // The profile list with 100 profiles: filled, and every entry drawn through the cache.
  {
    QTemporaryDir profiles;
    orvane::ReferenceStore store;
    orvane::ColourParams params;
    orvane::RasterImage none;
    const std::filesystem::path folder = profiles.path().toStdString();
    orvane::LoadReferenceImage(store, photo, none, params);
    orvane::ProfileList made;
    for (int i = 0; i < 100; ++i)
      orvane::SaveProfile(made, store.reference, {folder, folder}, "Profile " + std::to_string(i));
    std::vector<double> fills;
    for (int round = 0; round < 3; ++round) {
      const auto t = Clock::now();
      orvane::ProfileListBox box;
      orvane::ProfileList list;
      list.Fill({folder, folder});
      box.showList(list);
      QImage canvas(200, orvane::ProfileEntryLook::kHeight, QImage::Format_RGB32);
      QPainter p(&canvas);
      for (int i = 0; i < list.Count(); ++i)
        box.drawEntry(p, canvas.rect(), QString::fromStdString(list.Entries()[i]), i == 0, true);
      fills.push_back(Ms(t));
    }
    std::printf("profile list of 100 profiles filled and drawn: %.1f ms (median of 3; at most 200)\n",
                Median(fills));
  }

  app->frame()->runCommand(orvane::cmd::kFullCropMode);
  for (int i = 0; i < 10; ++i) app->frame()->runCommand(orvane::cmd::kZoomIn);
  view->repaint();
  std::vector<double> crop, cropMoved, cropMovedCpu;
  for (int i = 0; i < 30; ++i) {
    const auto t = Clock::now();
    view->repaint();
    crop.push_back(Ms(t));
  }
  for (int i = 0; i < 30; ++i) {
    app->document()->panCrop(-3, -2, client.width(), client.height());
    const auto t = Clock::now();
    const double c = ThreadCpuMs();
    view->repaint();
    cropMovedCpu.push_back(ThreadCpuMs() - c);
    cropMoved.push_back(Ms(t));
  }
  std::printf("Full/Crop repaint: %.2f ms; while panning (the crop moves each time): %.2f ms, "
              "%.2f ms of processor time (medians of 30; at most 8)\n",
              Median(crop), Median(cropMoved), Median(cropMovedCpu));
  app->frame()->close();
  return 0;
}
