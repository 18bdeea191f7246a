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

// The filters of bytes [from, to) of a row, each byte's left neighbour kBpp before it; the
// sums of the filtered bytes taken as signed, the measure libpng minimises, are added to sums.
// Written without branches so that the compiler runs it on vector lanes.
void FilterBytes(const uint8_t* __restrict__ row, const uint8_t* __restrict__ prev,
                 const uint8_t* __restrict__ left, const uint8_t* __restrict__ upLeft,
                 size_t from, size_t to, uint8_t* __restrict__ sub, uint8_t* __restrict__ up,
                 uint8_t* __restrict__ avg, uint8_t* __restrict__ paeth, uint32_t sums[5]) {
  uint32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0, s4 = 0;
  for (size_t i = from; i < to; ++i) {
    const int x = row[i], b = prev[i], a = left[i], c = upLeft[i];
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    const int predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
    const auto fs = static_cast<int8_t>(x - a), fu = static_cast<int8_t>(x - b),
               fa = static_cast<int8_t>(x - ((a + b) >> 1)), fp = static_cast<int8_t>(x - predictor);
    sub[i] = static_cast<uint8_t>(fs);
    up[i] = static_cast<uint8_t>(fu);
    avg[i] = static_cast<uint8_t>(fa);
    paeth[i] = static_cast<uint8_t>(fp);
    s0 += static_cast<uint32_t>(std::abs(static_cast<int>(static_cast<int8_t>(x))));
    s1 += static_cast<uint32_t>(std::abs(static_cast<int>(fs)));
    s2 += static_cast<uint32_t>(std::abs(static_cast<int>(fu)));
    s3 += static_cast<uint32_t>(std::abs(static_cast<int>(fa)));
    s4 += static_cast<uint32_t>(std::abs(static_cast<int>(fp)));
  }
  sums[0] += s0;
  sums[1] += s1;
  sums[2] += s2;
  sums[3] += s3;
  sums[4] += s4;
}

// The filter byte and the filtered bytes of one row into out (1 + rowBytes bytes), with the
// filter of the smallest sum (the first of equals, in the order none, sub, up, average,
// Paeth); prev is null for the first row. scratch holds 4 x rowBytes + 2 x kBpp bytes.
void FilterRow(const uint8_t* row, const uint8_t* prev, size_t rowBytes, uint8_t* out,
               uint8_t* scratch) {
  uint8_t* sub = scratch;
  uint8_t* up = sub + rowBytes;
  uint8_t* avg = up + rowBytes;
  uint8_t* paeth = avg + rowBytes;
  uint8_t* zeros = paeth + rowBytes;  // 2 x kBpp bytes of zeros, then room for a zero row
  uint32_t sums[5] = {0, 0, 0, 0, 0};
  // The first pixel has no left neighbour, the first row no row above: both count as zeros.
  std::memset(zeros, 0, 2 * kBpp);
  if (prev == nullptr) {
    std::memset(out + 1, 0, rowBytes);  // out serves as the zero row until it is filled
    prev = out + 1;
  }
  const size_t head = std::min<size_t>(kBpp, rowBytes);
  FilterBytes(row, prev, zeros, zeros, 0, head, sub, up, avg, paeth, sums);
  if (rowBytes > kBpp)
    FilterBytes(row, prev, row - kBpp, prev - kBpp, kBpp, rowBytes, sub, up, avg, paeth, sums);
  int best = 0;
  for (int f = 1; f < 5; ++f)
    if (sums[f] < sums[best]) best = f;
  const uint8_t* chosen = best == 0 ? row : best == 1 ? sub : best == 2 ? up : best == 3 ? avg : paeth;
  std::memmove(out + 1, chosen, rowBytes);
  out[0] = static_cast<uint8_t>(best);
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
                       std::vector<uint8_t>& out,
                       const std::function<void(int done, int total)>& progress) {
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
      scratch.resize(4 * rowBytes + 2 * kBpp);
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
  if (progress) {
    progress(0, job.pieces);
    job.progress = [&](int done) { progress(done, job.pieces); };
  }
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
