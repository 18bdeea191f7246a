#include "app/suggest_quality.h"

#include <string>

#include "app/host.h"

namespace orvane {

int SuggestQualityWithProgress(UiHost& host, int64_t target, const JpegSizeEstimate& estimate) {
  auto window = host.createProgressWindow();
  if (window) {
    window->setText("Estimating Best Quality For Size");
    window->setRange(60, 100);
  }
  int r = SuggestQuality(target, 60, estimate, [&](int quality) {
    if (!window) return;
    window->setText("Quality Probe: " + std::to_string(quality));
    window->setPosition(quality);
  });
  if (r < 60) r = 60;
  return r - 1;
}

}  // namespace orvane
