#include "imagefile/codec/png_image_data.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "imagefile/codec/parallel_deflate.h"
#include "imagefile/raster_image.h"

namespace orvane {
namespace {

constexpr int kBpp = 3;
// About this many bytes of filtered rows per deflate piece.
constexpr uint64_t kPieceBytes = uint64_t{2} << 20;

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// The filter byte and the filtered bytes of one row into out (1 + rowBytes bytes); prev is
// null for the first row. scratch holds 4 x (1 + rowBytes) bytes.
void FilterRow(const uint8_t* row, const uint8_t* prev, size_t rowBytes, uint8_t* out,
               uint8_t* scratch) {
  static const uint8_t kZeros[4096] = {};
  std::vector<uint8_t> zeros;
  if (prev == nullptr) {
    if (rowBytes <= sizeof kZeros) {
      prev = kZeros;
    } else {
      zeros.assign(rowBytes, 0);
      prev = zeros.data();
    }
  }
  uint8_t* sub = scratch;
  uint8_t* up = sub + rowBytes + 1;
  uint8_t* avg = up + rowBytes + 1;
  uint8_t* paeth = avg + rowBytes + 1;
  // Sums of the bytes taken as signed, the measure libpng minimises.
  auto weight = [](uint8_t v) { return v < 128 ? v : 256 - v; };
  uint64_t sums[5] = {0, 0, 0, 0, 0};
  for (size_t i = 0; i < rowBytes; ++i) {
    const int x = row[i], b = prev[i];
    const int a = i >= kBpp ? row[i - kBpp] : 0, c = i >= kBpp ? prev[i - kBpp] : 0;
    const auto s = static_cast<uint8_t>(x - a);
    const auto u = static_cast<uint8_t>(x - b);
    const auto v = static_cast<uint8_t>(x - ((a + b) >> 1));
    const auto p = static_cast<uint8_t>(x - Paeth(a, b, c));
    sub[i + 1] = s;
    up[i + 1] = u;
    avg[i + 1] = v;
    paeth[i + 1] = p;
    sums[0] += weight(static_cast<uint8_t>(x));
    sums[1] += weight(s);
    sums[2] += weight(u);
    sums[3] += weight(v);
    sums[4] += weight(p);
  }
  int best = 0;
  for (int f = 1; f < 5; ++f)
    if (sums[f] < sums[best]) best = f;
  out[0] = static_cast<uint8_t>(best);
  const uint8_t* chosen = best == 0 ? row : (best == 1 ? sub : best == 2 ? up : best == 3 ? avg : paeth) + 1;
  std::memcpy(out + 1, chosen, rowBytes);
}

void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  out.insert(out.end(), b, b + 4);
}

void AppendChunk(std::vector<uint8_t>& out, const char type[4], const uint8_t* data, size_t n) {
  PutBig32(out, static_cast<uint32_t>(n));
  const size_t at = out.size();
  out.insert(out.end(), type, type + 4);
  if (n > 0) out.insert(out.end(), data, data + n);
  PutBig32(out, static_cast<uint32_t>(crc32_z(0, out.data() + at, n + 4)));
}

}  // namespace

int AppendPngImageData(const uint8_t* rgb, int width, int height, int threads,
                       std::vector<uint8_t>& out) {
  if (rgb == nullptr || width <= 0 || height <= 0) return kInvalidArgument;
  const size_t rowBytes = static_cast<size_t>(width) * kBpp;
  const uint64_t line = rowBytes + 1;
  const uint64_t rowsPerPiece = std::max<uint64_t>(1, kPieceBytes / line);
  ParallelDeflateJob job;
  job.totalBytes = line * static_cast<uint64_t>(height);
  job.pieces = static_cast<int>((static_cast<uint64_t>(height) + rowsPerPiece - 1) / rowsPerPiece);
  job.pieceStart = [&](int piece) { return static_cast<uint64_t>(piece) * rowsPerPiece * line; };
  job.produce = [&](uint64_t from, uint64_t to, uint8_t* dest) {
    std::vector<uint8_t> filtered, scratch;
    try {
      filtered.resize(line);
      scratch.resize(4 * line);
    } catch (const std::bad_alloc&) {
      return false;
    }
    for (uint64_t y = from / line; y * line < to; ++y) {
      const uint8_t* row = rgb + y * rowBytes;
      FilterRow(row, y == 0 ? nullptr : row - rowBytes, rowBytes, filtered.data(), scratch.data());
      const uint64_t start = std::max(from, y * line), end = std::min(to, (y + 1) * line);
      std::memcpy(dest + (start - from), filtered.data() + (start - y * line), end - start);
    }
    return true;
  };
  job.emit = [&](std::span<const uint8_t> part) {
    try {
      AppendChunk(out, "IDAT", part.data(), part.size());
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  };
  job.level = 6;
  job.strategy = Z_FILTERED;
  job.threads = threads;
  const int rc = ParallelDeflate(job);
  if (rc != kOk) return rc;
  try {
    AppendChunk(out, "IEND", nullptr, 0);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  return kOk;
}

}  // namespace orvane
