// Small files that claim huge pictures: each is loaded in a child process, which prints the
// result, the time and the peak memory of the load. Under 1 MB a file is to be refused, or
// loaded within a few hundred megabytes and a second or two (the 8000 x 8000 files hold their
// picture: all zeros, as tightly as the format allows).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "hostile_fixtures.h"

namespace {

using namespace orvane;

// A zlib stream of `total` zero bytes, made piece by piece.
std::vector<uint8_t> Zeros(uint64_t total) {
  z_stream z{};
  deflateInit(&z, 9);
  std::vector<uint8_t> out, zeros(size_t{1} << 20, 0), buffer(size_t{1} << 16);
  for (uint64_t left = total;;) {
    const uInt n = static_cast<uInt>(std::min<uint64_t>(left, zeros.size()));
    left -= n;
    z.next_in = zeros.data();
    z.avail_in = n;
    int rc = Z_OK;
    do {
      z.next_out = buffer.data();
      z.avail_out = static_cast<uInt>(buffer.size());
      rc = deflate(&z, left ? Z_NO_FLUSH : Z_FINISH);
      out.insert(out.end(), buffer.data(), buffer.data() + (buffer.size() - z.avail_out));
    } while (z.avail_out == 0);
    if (left == 0 && rc == Z_STREAM_END) break;
  }
  deflateEnd(&z);
  return out;
}

// An RGB PNG whose picture data is `rows` rows of zeros.
std::vector<uint8_t> ZeroPng(uint32_t w, uint32_t h, uint32_t rows) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutU32be(header, w);
  PutU32be(header, h);
  header.insert(header.end(), {8, 2, 0, 0, 0});
  test::PngChunk(png, "IHDR", header);
  test::PngChunk(png, "IDAT", Zeros(uint64_t{rows} * (w * 3 + 1)));
  test::PngChunk(png, "IEND", {});
  return png;
}

// A grey TIFF of one deflate strip holding all the zeros its size needs.
std::vector<uint8_t> ZeroTiff(uint32_t w, uint32_t h) {
  const std::vector<uint8_t> data = Zeros(uint64_t{w} * h);
  std::vector<uint8_t> t = {'I', 'I', 42, 0};
  PutU32le(t, 8 + static_cast<uint32_t>(data.size()));
  t.insert(t.end(), data.begin(), data.end());
  const uint32_t entries[][3] = {{256, 4, w}, {257, 4, h}, {258, 3, 8}, {259, 3, 8}, {262, 3, 1},
                                 {273, 4, 8}, {277, 3, 1}, {278, 4, h},
                                 {279, 4, static_cast<uint32_t>(data.size())}};
  PutU16le(t, 9);
  for (const auto& e : entries) {
    PutU16le(t, e[0]);
    PutU16le(t, e[1]);
    PutU32le(t, 1);
    PutU32le(t, e[2]);
  }
  PutU32le(t, 0);
  return t;
}

}  // namespace

int main() {
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
  };
  const Case cases[] = {
      {"box 32000 x 32000.wmf", test::WmfClaiming(32000, 32000, 319000)},
      {"frame 32000 x 32000.emf", test::EmfClaiming(32000, 32000)},
      {"rle8 end at once 30000 x 30000.bmp", test::BmpRleClaiming(30000, 30000, false, 600000)},
      {"rle4 end at once 30000 x 30000.bmp", test::BmpRleClaiming(30000, 30000, true, 600000)},
      {"deflate zeros 30000 x 30000.tif", ZeroTiff(30000, 30000)},
      {"deflate zeros 8000 x 8000.tif", ZeroTiff(8000, 8000)},
      {"10000 zero rows 30000 x 30000.png", ZeroPng(30000, 30000, 10000)},
      {"zeros 8000 x 8000.png", ZeroPng(8000, 8000, 8000)},
  };
  for (const Case& c : cases) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
      const auto start = std::chrono::steady_clock::now();
      RasterImage image;
      const int rc = image.LoadFromMemory(c.file, c.name);
      const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
      rusage usage{};
      getrusage(RUSAGE_SELF, &usage);
      std::printf("%-36s %5zu KB  result %2d  %6.2f s  peak %5ld MB\n", c.name,
                  c.file.size() / 1000, rc, seconds.count(), usage.ru_maxrss / 1024);
      std::fflush(stdout);
      _exit(0);
    }
    waitpid(child, nullptr, 0);
  }
  return 0;
}
