#include "imagefile/codec/mapping_guard.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace orvane {
namespace {

constexpr int kSlots = 64;

// A slot is taken by setting owner; the range is published after it, and cleared before the
// slot is given back, so the handler only ever sees ranges that are mapped.
struct Slot {
  std::atomic<bool> owner{false};
  std::atomic<uintptr_t> begin{0};
  std::atomic<uintptr_t> end{0};
  std::atomic<bool> damaged{false};
};
Slot gSlots[kSlots];
uintptr_t gPageSize = 4096;
struct sigaction gPrevious {};

// Everything here is safe in a signal handler: atomics of lock-free types and the mmap call.
void OnBusError(int signal, siginfo_t* info, void* context) {
  const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
  for (Slot& slot : gSlots) {
    if (address >= slot.begin.load() && address < slot.end.load()) {
      const uintptr_t page = address & ~(gPageSize - 1);
      // Zeros in place of the missing page; the read is retried when the handler returns.
      if (::mmap(reinterpret_cast<void*>(page), gPageSize, PROT_READ,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
        slot.damaged.store(true);
        return;
      }
      break;
    }
  }
  // Not a guarded read: whatever was there before handles it (by default, the program ends as
  // the fault is raised again).
  if (gPrevious.sa_flags & SA_SIGINFO) {
    if (gPrevious.sa_sigaction != nullptr) {
      gPrevious.sa_sigaction(signal, info, context);
      return;
    }
  } else if (gPrevious.sa_handler != SIG_DFL && gPrevious.sa_handler != SIG_IGN &&
             gPrevious.sa_handler != nullptr) {
    gPrevious.sa_handler(signal);
    return;
  }
  ::sigaction(SIGBUS, &gPrevious, nullptr);
}

void InstallHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    const long page = ::sysconf(_SC_PAGESIZE);
    if (page > 0) gPageSize = static_cast<uintptr_t>(page);
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &gPrevious);
  });
}

}  // namespace

int GuardMapping(const void* begin, std::size_t bytes) {
  InstallHandler();
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (!gSlots[i].owner.compare_exchange_strong(expected, true)) continue;
    gSlots[i].damaged.store(false);
    const auto from = reinterpret_cast<uintptr_t>(begin);
    gSlots[i].begin.store(from);
    gSlots[i].end.store(from + bytes);
    return i;
  }
  return -1;
}

bool MappingDamaged(int slot) {
  return slot >= 0 && slot < kSlots && gSlots[slot].damaged.load();
}

void ReleaseMapping(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  gSlots[slot].end.store(0);
  gSlots[slot].begin.store(0);
  gSlots[slot].owner.store(false);
}

}  // namespace orvane
