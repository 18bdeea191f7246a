// Whole-buffer reads and writes on file descriptors, going on after interruptions and short
// transfers.
#pragma once

#include <chrono>
#include <cstddef>

namespace orvane {

// False when the descriptor fails.
bool WriteAll(int fd, const void* data, size_t bytes);
// False when the descriptor fails, ends before bytes were read, or the deadline passes first.
bool ReadAll(int fd, void* data, size_t bytes, std::chrono::steady_clock::time_point deadline);

}  // namespace orvane
