#include "base/worker_pool.h"

#include <cstdlib>

namespace orvane {

int DefaultThreadCount() {
  if (const char* env = std::getenv("ORVANE_THREADS")) {
    char* end = nullptr;
    long n = std::strtol(env, &end, 10);
    if (end != env && *end == '\0' && n > 0 && n <= 1024) return static_cast<int>(n);
  }
  unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(n);
}

WorkerPool::WorkerPool(int threads) {
  for (int i = 1; i < threads; ++i) {
    try {
      workers_.emplace_back([this, i] { workerLoop(i); });
    } catch (...) {
      break;  // run with the threads we have
    }
  }
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (auto& t : workers_) t.join();
}

void WorkerPool::drain(int worker) {
  for (;;) {
    int64_t chunk;
    {
      std::lock_guard lock(mutex_);
      if (next_ >= chunks_ || error_) return;
      chunk = next_++;
    }
    try {
      (*body_)(chunk, worker);
    } catch (...) {
      std::lock_guard lock(mutex_);
      if (!error_) error_ = std::current_exception();
    }
  }
}

void WorkerPool::workerLoop(int worker) {
  uint64_t seen = 0;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
      ++busy_;
    }
    drain(worker);
    {
      std::lock_guard lock(mutex_);
      --busy_;
    }
    done_.notify_all();
  }
}

void WorkerPool::run(int64_t chunks, const std::function<void(int64_t, int)>& body) {
  if (chunks <= 0) return;
  if (workers_.empty() || chunks == 1) {
    for (int64_t c = 0; c < chunks; ++c) body(c, 0);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    body_ = &body;
    chunks_ = chunks;
    next_ = 0;
    error_ = nullptr;
    ++generation_;
  }
  wake_.notify_all();
  drain(0);
  std::exception_ptr error;
  {
    std::unique_lock lock(mutex_);
    // Every chunk has been handed out; wait for the ones still running elsewhere.
    done_.wait(lock, [&] { return busy_ == 0; });
    body_ = nullptr;
    error = error_;
    error_ = nullptr;
  }
  if (error) std::rethrow_exception(error);
}

void ParallelFor(WorkerPool& pool, int64_t begin, int64_t end, int64_t grain,
                 const std::function<void(int64_t, int64_t)>& body) {
  if (end <= begin) return;
  if (grain < 1) grain = 1;
  const int64_t count = end - begin;
  const int64_t chunks = (count + grain - 1) / grain;
  pool.run(chunks, [&](int64_t chunk, int) {
    const int64_t from = begin + chunk * grain;
    const int64_t to = from + grain < end ? from + grain : end;
    body(from, to);
  });
}

}  // namespace orvane
