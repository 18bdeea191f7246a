// The engine's working memory, kept from one call to the next by whoever makes the calls: an
// allocator for EngineOptions. The blocks of a grid, or repeated calls on blocks of one size,
// ask for the same few buffers again and again; handing back the memory of the call before
// spares the page faults of fresh memory, which cost as much as a transform level. One call at
// a time may use it.
#pragma once

#include <cstddef>
#include <vector>

#include "engine/engine_options.h"

namespace orvane {

class EngineMemory {
 public:
  EngineMemory();
  ~EngineMemory();
  EngineMemory(const EngineMemory&) = delete;
  EngineMemory& operator=(const EngineMemory&) = delete;

  // For EngineOptions::allocator; valid while this object lives.
  const EngineAllocator* allocator() const { return &allocator_; }

 private:
  struct Held {
    void* data;
    std::size_t bytes;
    bool inUse;
  };
  static void* Allocate(std::size_t bytes, void* self);
  static void Release(void* block, std::size_t bytes, void* self);
  void* take(std::size_t bytes);
  void giveBack(void* block);

  EngineAllocator allocator_;
  std::vector<Held> held_;
};

}  // namespace orvane
