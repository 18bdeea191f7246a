// The "Suggest Quality" button of the JPEG options: the quality search with its progress window.
#pragma once

#include <cstdint>

#include "imagefile/jpeg_options.h"

namespace orvane {

class UiHost;

// Shows a progress window over 60 ... 100 with each probe, searches from 60 and returns the
// quality to offer: one below the search's result.
int SuggestQualityWithProgress(UiHost& host, int64_t target, const JpegSizeEstimate& estimate);

}  // namespace orvane
