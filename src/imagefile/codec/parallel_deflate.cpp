#include "imagefile/codec/parallel_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <new>

#include "base/worker_pool.h"
#include "imagefile/raster_image.h"

namespace orvane {
namespace {

constexpr uint64_t kWindow = 32768;

struct Piece {
  std::vector<uint8_t> bytes;  // compressed
  uLong adler = 1;
  uint64_t length = 0;         // uncompressed
  int rc = kOk;
};

int Compress(const ParallelDeflateJob& job, int index, Piece& piece) {
  const uint64_t from = job.pieceStart(index);
  const uint64_t to = index + 1 < job.pieces ? job.pieceStart(index + 1) : job.totalBytes;
  const uint64_t dictFrom = from > kWindow ? from - kWindow : 0;
  const bool last = index + 1 == job.pieces;
  std::vector<uint8_t> input;
  try {
    input.resize(static_cast<size_t>(to - dictFrom));
    piece.bytes.resize(static_cast<size_t>(to - from) + (to - from) / 1000 + 64);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  if (!job.produce(dictFrom, to, input.data())) return kWriteError;
  z_stream z{};
  if (deflateInit2(&z, job.level, Z_DEFLATED, -15, 8, job.strategy) != Z_OK) return kOutOfMemory;
  const auto dictionary = static_cast<uInt>(from - dictFrom);
  if (dictionary > 0 && deflateSetDictionary(&z, input.data(), dictionary) != Z_OK) {
    deflateEnd(&z);
    return kWriteError;
  }
  const uint8_t* data = input.data() + dictionary;
  piece.length = to - from;
  piece.adler = adler32_z(adler32(0, nullptr, 0), data, static_cast<size_t>(piece.length));
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(piece.length);
  size_t produced = 0;
  if (index == 0) {
    // CMF: deflate with a 32 KiB window; FLG: the default level, no dictionary, check bits.
    piece.bytes[0] = 0x78;
    piece.bytes[1] = 0x9C;
    produced = 2;
  }
  int rc = Z_OK;
  for (;;) {
    z.next_out = piece.bytes.data() + produced;
    z.avail_out = static_cast<uInt>(piece.bytes.size() - produced);
    rc = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    produced = piece.bytes.size() - z.avail_out;
    if (rc == Z_STREAM_ERROR) break;
    if (last ? rc == Z_STREAM_END : (z.avail_in == 0 && z.avail_out > 0)) break;
    try {
      piece.bytes.resize(piece.bytes.size() * 2);
    } catch (const std::bad_alloc&) {
      deflateEnd(&z);
      return kOutOfMemory;
    }
  }
  deflateEnd(&z);
  if (rc == Z_STREAM_ERROR) return kWriteError;
  piece.bytes.resize(produced);
  return kOk;
}

}  // namespace

int ParallelDeflate(const ParallelDeflateJob& job) {
  if (job.pieces < 1 || !job.produce || !job.emit || !job.pieceStart) return kInvalidArgument;
  WorkerPool pool(job.threads);
  // A few pieces per thread in flight: enough to keep every core busy while the finished ones
  // are handed on in order, few enough that the memory stays small.
  const int batch = pool.size() * 2;
  uLong adler = adler32(0, nullptr, 0);
  std::vector<Piece> pieces(static_cast<size_t>(batch));
  for (int first = 0; first < job.pieces; first += batch) {
    const int count = std::min(batch, job.pieces - first);
    pool.run(count, [&](int64_t i, int) {
      Piece& p = pieces[static_cast<size_t>(i)];
      p.rc = Compress(job, first + static_cast<int>(i), p);
    });
    for (int i = 0; i < count; ++i) {
      Piece& p = pieces[static_cast<size_t>(i)];
      if (p.rc != kOk) return p.rc;
      adler = adler32_combine(adler, p.adler, static_cast<z_off_t>(p.length));
      const bool isLast = first + i + 1 == job.pieces;
      if (isLast) {
        const uint8_t trailer[4] = {static_cast<uint8_t>(adler >> 24), static_cast<uint8_t>(adler >> 16),
                                    static_cast<uint8_t>(adler >> 8), static_cast<uint8_t>(adler)};
        try {
          p.bytes.insert(p.bytes.end(), trailer, trailer + 4);
        } catch (const std::bad_alloc&) {
          return kOutOfMemory;
        }
      }
      if (!job.emit(p.bytes)) return kWriteError;
      std::vector<uint8_t>().swap(p.bytes);
      if (job.progress) job.progress(first + i + 1);
    }
  }
  return kOk;
}

}  // namespace orvane
