// orvane-raw-helper: runs the camera raw decoder for one file and answers on standard output.
// The program starts it for every raw attempt (raw_spawn.cpp), so a file that crashes the
// decoder ends this process only, and the caller never forks a process that has threads.
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "imagefile/raw_adapter.h"

namespace orvane {

bool SendRawAnswer(int fd, const PixelBlock& block, int width, int height) {
  const int32_t head[2] = {block ? width : 0, block ? height : 0};
  if (!WriteAll(fd, head, sizeof head)) return false;
  return !block || WriteAll(fd, block.get(), size_t(width) * size_t(height) * 3);
}

}  // namespace orvane

int main(int argc, char** argv) {
  using namespace orvane;
  int width = 0, height = 0;
  PixelBlock block;
  if (argc == 3 && std::strcmp(argv[1], "--file") == 0) {
    block = DecodeRawFileHere(argv[2], width, height);
  } else if (argc == 2 && std::strcmp(argv[1], "--stdin") == 0) {
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    for (;;) {
      const ssize_t n = ::read(0, chunk, sizeof chunk);
      if (n == 0) break;
      if (n < 0) return 1;
      bytes.insert(bytes.end(), chunk, chunk + n);
    }
    block = DecodeRawBufferHere(bytes, width, height);
  } else {
    return 2;
  }
  return SendRawAnswer(1, block, width, height) ? 0 : 1;
}
