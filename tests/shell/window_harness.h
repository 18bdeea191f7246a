// The desktop program for widget tests: the application object over a settings file of its
// own, with message boxes recorded instead of shown, questions answered from a script, and the
// window at a known size on the real X server.
#pragma once

#include <QApplication>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QAction>
#include <deque>
#include <memory>
#include <string>

#include "app/document.h"
#include "imagefile/raster_image.h"
#include "shell/application.h"
#include "shell/command_registry.h"
#include "shell/main_frame.h"
#include "shell/qt_host.h"
#include "view/hushwick_view.h"

namespace orvane::test {

// A picture with a gradient, a chequer and noise; top-left pixels are all different.
inline std::string WritePhoto(const QString& path, int w, int h, unsigned seed = 7) {
  RasterImage image;
  if (image.Create(w, h, 24) != kOk) return {};
  uint32_t s = seed * 2654435761u + 1;
  uint8_t* p = image.Pixels();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      s = s * 1664525u + 1013904223u;
      const int n = static_cast<int>((s >> 24) % 31) - 15;
      const int base[3] = {x * 200 / w + 30, y * 180 / h + 40, (x / 16 + y / 16) % 2 ? 170 : 70};
      for (int c = 0; c < 3; ++c) *p++ = static_cast<uint8_t>(std::clamp(base[c] + n, 0, 255));
    }
  const std::string file = path.toStdString();
  return image.Save(file) == kOk ? file : std::string();
}

class WindowHarness {
 public:
  // settingsDir: where the settings file lives (a second harness over the same folder is the
  // next start of the program).
  explicit WindowHarness(const QString& settingsDir, const QStringList& arguments = {"orvane-nr"},
                         QSize size = QSize(1200, 800))
      : settings_(std::make_unique<QtSettingsStore>(settingsDir + "/settings.ini")),
        app_(std::make_unique<OrvaneApp>(*settings_)) {
    app_->host().recordOnly = true;
    app_->host().answerQuestion = [this](const std::string& text) {
      questions.push_back(text);
      if (answers.empty()) return Answer::Cancel;
      const Answer a = answers.front();
      answers.pop_front();
      return a;
    };
    app_->start(arguments);
    frame()->resize(size);
    frame()->show();
    exposed = QTest::qWaitForWindowExposed(frame());
    frame()->activateWindow();
    // Window shortcuts need the window active; without a window manager this may not happen.
    active = QTest::qWaitForWindowActive(frame());
  }
  ~WindowHarness() { close(); }

  // Closes the window and ends the application object, which writes its settings.
  void close() {
    if (app_ == nullptr) return;
    frame()->close();
    app_.reset();
    settings_->sync();
  }

  OrvaneApp& app() { return *app_; }
  CMainFrame* frame() { return app_->frame(); }
  CHushwickView* view() { return frame()->view(); }
  CHushwickDoc& doc() { return *app_->document(); }
  QtSettingsStore& settings() { return *settings_; }
  std::vector<std::string>& messages() { return app_->host().shownMessages; }

  bool exposed = false;
  bool active = false;
  std::deque<Answer> answers;
  std::vector<std::string> questions;

 private:
  std::unique_ptr<QtSettingsStore> settings_;
  std::unique_ptr<OrvaneApp> app_;
};

// Where the tests keep the pictures of each display for a look.
inline QString ArtefactDir() {
  const QString dir = QStringLiteral(ORVANE_ARTEFACT_DIR);
  QDir().mkpath(dir);
  return dir;
}

}  // namespace orvane::test
