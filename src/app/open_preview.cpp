#include "app/open_preview.h"

#include <utility>

#include "app/dialog_rules.h"

namespace orvane {

PreviewPicture DecodePreview(const std::string& path, int areaWidth, int areaHeight,
                             const std::function<bool()>& cancelled) {
  PreviewPicture out;
  RasterImage picture;
  picture.SetDecodeSizeHint(areaWidth, areaHeight);
  picture.loadCancelled = cancelled;
  out.result = picture.Load(path);
  if (out.result == kOk && picture.IsEmpty()) out.result = kBadFile;
  if (out.result == kOk) out.result = picture.MakeTrueColour();
  if (out.result != kOk) return out;
  out.fullWidth = picture.originalWidth;
  out.fullHeight = picture.originalHeight;
  const PreviewSize fit = PreviewFit(picture.Width(), picture.Height(), areaWidth, areaHeight);
  if (fit.width <= 0 || fit.height <= 0) {
    out.result = kInvalidArgument;
    return out;
  }
  if (fit.width != picture.Width() || fit.height != picture.Height()) {
    RasterImage shown;
    out.result = shown.Resample(picture, fit.width, fit.height, 2);
    if (out.result != kOk) return out;
    picture.TakeOver(shown);
  }
  out.width = picture.Width();
  out.height = picture.Height();
  out.pixels = picture.DetachPixels();
  return out;
}

bool PreviewRequests::request(const std::string& path, int areaWidth, int areaHeight) {
  PreviewPicture stale;  // freed outside the lock
  std::lock_guard lock(mutex_);
  pending_ = Job{path, areaWidth, areaHeight, ++lastTicket_};
  hasPending_ = true;
  newest_ = pending_.ticket;
  if (hasReady_) stale = std::move(ready_);
  hasReady_ = false;
  if (workerRunning_) return false;
  workerRunning_ = true;
  return true;
}

void PreviewRequests::withdraw() {
  PreviewPicture stale;
  std::lock_guard lock(mutex_);
  hasPending_ = false;
  pending_ = Job{};
  newest_ = 0;
  if (hasReady_) stale = std::move(ready_);
  hasReady_ = false;
}

void PreviewRequests::setNotify(std::function<void()> notify) {
  std::lock_guard lock(mutex_);
  notify_ = std::move(notify);
}

bool PreviewRequests::take(Job& job) {
  std::lock_guard lock(mutex_);
  if (!hasPending_) {
    workerRunning_ = false;
    return false;
  }
  job = std::move(pending_);
  pending_ = Job{};
  hasPending_ = false;
  return true;
}

void PreviewRequests::deliver(uint64_t ticket, PreviewPicture picture) {
  std::lock_guard lock(mutex_);
  if (ticket == 0 || ticket != newest_) return;  // overtaken: the picture is freed on return
  ready_ = std::move(picture);
  hasReady_ = true;
  // Under the lock, so that a dialog clearing its notification cannot be gone during the call.
  if (notify_) notify_();
}

bool PreviewRequests::collect(PreviewPicture& picture) {
  std::lock_guard lock(mutex_);
  if (!hasReady_) return false;
  picture = std::move(ready_);
  ready_ = PreviewPicture{};
  hasReady_ = false;
  return true;
}

bool PreviewRequests::wanted(uint64_t ticket) const {
  std::lock_guard lock(mutex_);
  return ticket != 0 && ticket == newest_;
}

void RunPreviewWorker(PreviewRequests& requests) {
  PreviewRequests::Job job;
  while (requests.take(job)) {
    const uint64_t ticket = job.ticket;
    const auto overtaken = [&requests, ticket] { return !requests.wanted(ticket); };
    requests.deliver(ticket, DecodePreview(job.path, job.areaWidth, job.areaHeight, overtaken));
  }
}

}  // namespace orvane
