#include "pipeline/swap_buffer.h"

#include <sys/mman.h>

#include <cstdlib>
#include <limits>

#include "imagefile/result_words.h"
#include "pipeline/run_host.h"

namespace orvane {

SwapBuffer::~SwapBuffer() { release(); }

void SwapBuffer::release() {
  if (view_ != nullptr) {
    munmap(view_, mappedBytes_);
    view_ = nullptr;
    mappedBytes_ = 0;
  }
  if (heap_ != nullptr) {
    std::free(heap_);
    heap_ = nullptr;
  }
  data_ = nullptr;
  size_ = 0;
}

bool SwapBuffer::tryMapping(size_t n) {
  if (n > std::numeric_limits<size_t>::max() - kMappingSlack) return false;
  const size_t bytes = n + kMappingSlack;
  // MAP_NORESERVE: pages are committed when touched, so a big mapping costs nothing up front.
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) return false;
#ifdef MADV_HUGEPAGE
  // A whole picture's buffer is tens of megabytes; faulting it in 4 KiB pages costs more than
  // a pass over its pixels.
  madvise(p, bytes, MADV_HUGEPAGE);
#endif
  view_ = p;
  mappedBytes_ = bytes;
  data_ = static_cast<uint8_t*>(p);
  size_ = static_cast<int64_t>(n);
  return true;
}

bool SwapBuffer::allocate(int64_t n) {
  if (n == size_) return true;
  release();
  if (n <= 0) return true;  // nothing asked for: stay empty, data() is null
  if (static_cast<uint64_t>(n) > std::numeric_limits<size_t>::max()) {
    if (host_ != nullptr) host_->showMessage(ResultWords(Result{ResultKind::kRun, kRunNoMemory}));
    return false;
  }
  const size_t bytes = static_cast<size_t>(n);
  if (n <= threshold_) {
    heap_ = std::malloc(bytes);
    data_ = static_cast<uint8_t*>(heap_);
    if (data_ != nullptr) size_ = n;
  } else if (!tryMapping(bytes)) {
    // A refused mapping falls back to the heap silently. size_ stays 0 so that the next
    // request of the same size tries a mapping again.
    heap_ = std::malloc(bytes);
    data_ = static_cast<uint8_t*>(heap_);
  }
  if (data_ == nullptr && host_ != nullptr)
    host_->showMessage(ResultWords(Result{ResultKind::kRun, kRunNoMemory}));
  return data_ != nullptr;
}

}  // namespace orvane
