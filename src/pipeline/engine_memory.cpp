#include "pipeline/engine_memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace orvane {
namespace {

// Large buffers are mapped and asked for huge pages, as the engine's own allocator does.
constexpr std::size_t kMapThreshold = std::size_t{4} << 20;

void* Fresh(std::size_t bytes) {
  if (bytes >= kMapThreshold) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(p, bytes, MADV_HUGEPAGE);
#endif
    return p;
  }
  const std::size_t rounded = (bytes + 63) / 64 * 64;
  return std::aligned_alloc(64, rounded == 0 ? 64 : rounded);
}

void Free(void* p, std::size_t bytes) {
  if (bytes >= kMapThreshold) {
    munmap(p, bytes);
  } else {
    std::free(p);
  }
}

}  // namespace

EngineMemory::EngineMemory() : allocator_{&EngineMemory::Allocate, &EngineMemory::Release, this} {}

EngineMemory::~EngineMemory() {
  for (const Held& h : held_) Free(h.data, h.bytes);
}

void* EngineMemory::Allocate(std::size_t bytes, void* self) {
  return static_cast<EngineMemory*>(self)->take(bytes);
}

void EngineMemory::Release(void* block, std::size_t, void* self) {
  static_cast<EngineMemory*>(self)->giveBack(block);
}

void* EngineMemory::take(std::size_t bytes) {
  // The smallest free buffer that holds the request, if it is not much larger.
  Held* best = nullptr;
  for (Held& h : held_)
    if (!h.inUse && h.bytes >= bytes && h.bytes <= bytes + bytes / 4 &&
        (best == nullptr || h.bytes < best->bytes))
      best = &h;
  if (best != nullptr) {
    best->inUse = true;
    return best->data;
  }
  // A miss: free buffers too small for this request go first, so that the memory held stays
  // that of the largest block.
  std::erase_if(held_, [&](const Held& h) {
    if (h.inUse || h.bytes >= bytes) return false;
    Free(h.data, h.bytes);
    return true;
  });
  try {
    held_.reserve(held_.size() + 1);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  void* p = Fresh(bytes);
  if (p != nullptr) held_.push_back(Held{p, bytes, true});
  return p;
}

void EngineMemory::giveBack(void* block) {
  for (Held& h : held_)
    if (h.data == block) {
      h.inUse = false;
      return;
    }
}

}  // namespace orvane
