// A byte buffer for image data: heap memory for small requests, an anonymous mapping for large
// ones so that big pictures do not exhaust the heap. An allocation of the size already held
// keeps the memory and its contents, which lets repeated previews of one region skip the work.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane {

class RunHost;

class SwapBuffer {
 public:
  static constexpr int64_t kDefaultThreshold = 6750000;
  // Mappings are made this much larger than asked for.
  static constexpr size_t kMappingSlack = 6000;

  // host shows "Out of memory" when an allocation fails; it may be null.
  explicit SwapBuffer(RunHost* host = nullptr) : host_(host) {}
  virtual ~SwapBuffer();
  SwapBuffer(const SwapBuffer&) = delete;
  SwapBuffer& operator=(const SwapBuffer&) = delete;

  void setHost(RunHost* host) { host_ = host; }
  // Requests above this many bytes are served by a mapping. The current memory is kept.
  void setThreshold(int64_t bytes) { threshold_ = bytes; }
  int64_t threshold() const { return threshold_; }

  // Makes n bytes available; returns whether data() is not null. Asking for the size already
  // held returns at once with the contents untouched. Failure shows "Out of memory".
  bool allocate(int64_t n);
  void release();

  uint8_t* data() const { return data_; }
  // The size the reuse test compares with: 0 when empty or after a mapping fell back to the heap.
  int64_t size() const { return size_; }
  bool isMapped() const { return view_ != nullptr; }
  // Bytes of the current mapping (the request plus the slack), 0 when on the heap.
  size_t mappedBytes() const { return mappedBytes_; }

 private:
  bool tryMapping(size_t n);

  RunHost* host_ = nullptr;
  int64_t threshold_ = kDefaultThreshold;
  uint8_t* data_ = nullptr;
  void* view_ = nullptr;     // mapping, when the memory is mapped
  size_t mappedBytes_ = 0;
  void* heap_ = nullptr;     // heap block, when the memory is on the heap
  int64_t size_ = 0;
};

}  // namespace orvane
