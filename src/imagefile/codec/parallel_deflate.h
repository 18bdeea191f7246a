// One zlib stream made on every core. The data is cut into pieces; each piece is deflated on
// its own, with the 32 KiB before it as its dictionary so that little is lost at the cuts, and
// ends with a sync flush (the last one with the end of the stream). The pieces joined behind
// one zlib header and followed by the Adler-32 of the whole are a single standard stream.
//
// The data is not held whole: the caller produces it piece by piece (PNG filters its rows as
// they are asked for), and the compressed pieces are handed on in order as soon as they are
// ready, so that the whole compressed stream need not be kept either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace orvane {

struct ParallelDeflateJob {
  // Bytes of the uncompressed data and how many pieces it is cut into. The cuts fall where
  // produce says: produce(piece, from, to, out) fills out with the data bytes [from, to) and
  // returns false on failure. It is called from several threads at once, for different pieces,
  // and also for the 32 KiB before a piece.
  uint64_t totalBytes = 0;
  int pieces = 1;
  std::function<uint64_t(int piece)> pieceStart;  // data offset where piece begins; piece 0 at 0
  std::function<bool(uint64_t from, uint64_t to, uint8_t* out)> produce;
  // Receives the compressed stream in order, one part per piece (the first begins with the
  // zlib header, the last ends with the checksum); false stops the work.
  std::function<bool(std::span<const uint8_t> part)> emit;
  // Told after each piece has been handed on (pieces done so far); may be empty.
  std::function<void(int done)> progress;
  int level = 6;
  int strategy = 0;  // zlib's Z_DEFAULT_STRATEGY; PNG rows compress best with Z_FILTERED (1)
  int threads = 1;
};

// 0 on success, else kOutOfMemory (the working memory) or kWriteError (produce, emit or zlib
// failed).
int ParallelDeflate(const ParallelDeflateJob& job);

}  // namespace orvane
