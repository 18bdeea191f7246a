// What the colour panes' timers do once they have chosen their work: recompute the histogram,
// redraw, rebuild the Full/Crop display, run the region, or make the quick preview.
#pragma once

#include "app/correction_sliders.h"

namespace orvane {

class CHushwickDoc;

// The quick preview of the processing region: skipped while a run is busy or without a
// picture. Returns true when the buffer was remade.
bool MakeQuickPreview(CHushwickDoc& doc);

void DoColourTimerWork(CHushwickDoc& doc, TimerWork work);

}  // namespace orvane
