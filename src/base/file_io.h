// Whole-buffer reads and writes on file descriptors, going on after interruptions and short
// transfers.
#pragma once

#include <cstddef>

namespace orvane {

// False when the descriptor fails or, for ReadAll, ends before bytes were read.
bool WriteAll(int fd, const void* data, size_t bytes);
bool ReadAll(int fd, void* data, size_t bytes);

}  // namespace orvane
