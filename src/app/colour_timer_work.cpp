#include "app/colour_timer_work.h"

#include "app/document.h"
#include "colour/colour_on_image.h"

namespace orvane {

bool MakeQuickPreview(CHushwickDoc& doc) {
  if (doc.busy || doc.sourceImage.IsEmpty()) return false;
  return ComputeQuickPreview(doc.sourceImage, doc.region, doc.colour(), doc.quickPreview);
}

void DoColourTimerWork(CHushwickDoc& doc, TimerWork work) {
  switch (work) {
    case TimerWork::kRecomputeHistogram:
      ComputeHistogramBars(doc.sourceImage, doc.colour(), doc.histogramBars);
      doc.notify(kChangePixels);
      break;
    case TimerWork::kRedrawViews: doc.notify(kChangePixels); break;
    case TimerWork::kRebuildFullCrop:
      // Without a picture there is nothing to show in Full/Crop mode: stay where the view is.
      if (!doc.sourceImage.IsEmpty()) doc.EnterFullCropMode(false);
      break;
    case TimerWork::kRunNoiseReduction:
    case TimerWork::kDetailPreview: doc.notify(kChangeStale); break;
    case TimerWork::kQuickPreview:
      if (MakeQuickPreview(doc)) doc.notify(kChangePixels);
      break;
  }
}

}  // namespace orvane
