#include "engine/engine_memory.h"

#include <algorithm>
#include <new>

namespace orvane {
namespace {

void* Fresh(std::size_t bytes) {
  const EngineAllocator& fresh = DefaultEngineAllocator();
  return fresh.allocate(bytes, fresh.context);
}

void Free(void* p, std::size_t bytes) {
  const EngineAllocator& fresh = DefaultEngineAllocator();
  fresh.release(p, bytes, fresh.context);
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
