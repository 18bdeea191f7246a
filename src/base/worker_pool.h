// A small pool of worker threads for splitting per-pixel work across cores.
//
// The pool lives for one operation (a NoiseReduce call, one stage of a run): no global state.
// Work is handed out in numbered chunks; which thread runs a chunk never changes what the chunk
// computes, so results do not depend on the number of threads.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace orvane {

// Number of threads to use by default: ORVANE_THREADS when set to a positive number,
// else the number of cores.
int DefaultThreadCount();

class WorkerPool {
 public:
  // threads counts the calling thread too; values below 1 mean 1. When a thread cannot be
  // started the pool simply runs with fewer.
  explicit WorkerPool(int threads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Threads taking part in run(), the caller included.
  int size() const { return static_cast<int>(workers_.size()) + 1; }

  // Calls body(chunk, worker) for every chunk in [0, chunks), spread over the pool and the
  // calling thread, and returns when all are done. worker is in [0, size()) and identifies the
  // thread, so per-thread scratch can be indexed by it. The first exception a body throws is
  // rethrown here after every thread has stopped.
  void run(int64_t chunks, const std::function<void(int64_t chunk, int worker)>& body);

 private:
  void workerLoop(int worker);
  void drain(int worker);

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  const std::function<void(int64_t, int)>* body_ = nullptr;
  int64_t chunks_ = 0;
  int64_t next_ = 0;
  int busy_ = 0;
  uint64_t generation_ = 0;
  bool stopping_ = false;
  std::exception_ptr error_;
};

// Splits [begin, end) into pieces of about grain items and runs body(from, to) on each.
void ParallelFor(WorkerPool& pool, int64_t begin, int64_t end, int64_t grain,
                 const std::function<void(int64_t from, int64_t to)>& body);

// Runs body(y0, y1) over rows: in one piece on the calling thread without a pool (or with a
// pool of one), else in pieces of 16 rows on the pool.
template <typename Body>
void ForRows(WorkerPool* pool, int64_t rows, Body&& body) {
  if (pool == nullptr || pool->size() == 1) {
    body(int64_t{0}, rows);
    return;
  }
  ParallelFor(*pool, 0, rows, 16, [&](int64_t y0, int64_t y1) { body(y0, y1); });
}

}  // namespace orvane
