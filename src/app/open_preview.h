// The open dialog's preview, decoded away from the interface thread. A click on a large picture
// must not hold the dialog while the file decodes, and a click on the next file must not wait
// for a preview nobody wants any more: one worker decodes the newest selection, older requests
// that it has not begun are skipped, and a result whose request has been overtaken is dropped.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "imagefile/raster_image.h"

namespace orvane {

// A decoded preview: 24-bit pixels (rows of width * 3 bytes) fitted into the preview area, and
// the full size of the file's picture.
struct PreviewPicture {
  int result = kOk;  // Load's code; the pixels are empty unless kOk
  PixelBlock pixels;
  int width = 0;
  int height = 0;
  int fullWidth = 0;
  int fullHeight = 0;
};

// Reads path with the area's size as decoding hint (JPEG decodes at a reduced scale) and
// shrinks the picture to fit areaWidth x areaHeight (area averaging), keeping its proportions.
// cancelled, when given, is asked during the read of formats read row by row (PNG): true ends
// the decode with kCancelled.
PreviewPicture DecodePreview(const std::string& path, int areaWidth, int areaHeight,
                             const std::function<bool()>& cancelled = {});

// What the dialog wants previewed. Shared by the dialog (interface thread) and its worker; every
// member may be called from either.
class PreviewRequests {
 public:
  struct Job {
    std::string path;
    int areaWidth = 0;
    int areaHeight = 0;
    uint64_t ticket = 0;
  };

  // Asks for a preview of path, replacing any earlier request. Returns true when no worker is
  // running: the caller then starts one (RunPreviewWorker).
  bool request(const std::string& path, int areaWidth, int areaHeight);
  // Nothing is wanted any more: a request not yet begun is dropped, a running decode's result
  // will be, and a result not yet collected is discarded.
  void withdraw();
  // Called (on the worker's thread) when a wanted result is ready to be collected. The dialog
  // sets it, and clears it before it goes; it is never called after being cleared.
  void setNotify(std::function<void()> notify);

  // The worker: the next job, or false when there is none (the worker then ends, and the next
  // request asks for a new one).
  bool take(Job& job);
  // The worker hands over a finished decode; kept only while its request is the newest.
  void deliver(uint64_t ticket, PreviewPicture picture);
  // The dialog: the result of its newest request, when it has arrived.
  bool collect(PreviewPicture& picture);
  // Whether ticket's request is still the newest one and not withdrawn (a decode for it that
  // is no longer wanted stops early).
  bool wanted(uint64_t ticket) const;

 private:
  mutable std::mutex mutex_;
  std::function<void()> notify_;
  Job pending_;
  bool hasPending_ = false;
  bool workerRunning_ = false;
  uint64_t newest_ = 0;      // the ticket of the newest request; 0 when withdrawn
  uint64_t lastTicket_ = 0;  // tickets count up from 1
  PreviewPicture ready_;
  bool hasReady_ = false;
};

// The worker's loop: takes and decodes jobs until none is left; a decode that a newer request
// overtakes stops where it can.
void RunPreviewWorker(PreviewRequests& requests);

}  // namespace orvane
