// The schedule of the streamed transform, played without the arithmetic: in whatever order
// threads claim and finish tasks, every task finds each row it reads made and still in its slot
// from its claim to its end, and the last stage always finishes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/task_schedule.h"
#include "engine/wavelet_stream.h"

namespace orvane {
namespace {

struct Case {
  int width, height, levels, grain, slackTasks, threads;
};

std::string Describe(const Case& c) {
  return std::to_string(c.width) + "x" + std::to_string(c.height) + " levels " +
         std::to_string(c.levels) + " grain " + std::to_string(c.grain) + " slack " +
         std::to_string(c.slackTasks) + " threads " + std::to_string(c.threads);
}

// What each ring slot holds: the row a claimed producer task writes there, and the row whose
// producer task has finished there.
struct Slots {
  std::vector<int64_t> held;
  std::vector<int64_t> made;
};

class Player {
 public:
  Player(TaskSchedule& schedule, uint32_t seed) : s_(schedule), rng_(seed) {
    slots_.resize(s_.edges());
    for (int e = 0; e < s_.edges(); ++e) {
      if (!s_.ring(e)) continue;
      slots_[e].held.assign(s_.slots(e), -1);
      slots_[e].made.assign(s_.slots(e), -1);
    }
  }

  // Runs the plane to the end with up to `threads` tasks at once, stopping at `parts` limits of
  // the last stage on the way, as the engine does between its progress steps.
  void play(int threads, int parts) {
    s_.restart();
    const int last = s_.stages() - 1;
    for (int part = 1; part <= parts; ++part) {
      const int64_t limit = (s_.tasks(last) * part + parts - 1) / parts;
      std::vector<TaskSchedule::Task> running;
      for (;;) {
        const bool reached = s_.finishedTasks(last) >= limit;
        // A thread either claims a task or finishes one, at random.
        bool claimed = false;
        if (!reached && static_cast<int>(running.size()) < threads && (running.empty() || rng_() % 2)) {
          TaskSchedule::Task t;
          if (s_.claim(t, limit)) {
            start(t);
            running.push_back(t);
            claimed = true;
          }
        }
        if (claimed) continue;
        if (running.empty()) {
          ASSERT_TRUE(reached) << "nothing runs and nothing may start (part " << part << ")";
          break;
        }
        const size_t i = rng_() % running.size();
        end(running[i]);
        running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
    EXPECT_EQ(s_.finishedTasks(last), s_.tasks(last));
  }

 private:
  template <typename F>
  void forEachRead(const TaskSchedule::Task& t, F f) {
    for (int e = 0; e < s_.edges(); ++e) {
      if (s_.consumer(e) != t.stage) continue;
      for (int64_t u = t.begin; u < t.end; ++u) {
        const RowSpan r = s_.reads(e, u);
        for (int64_t row = r.first; row <= r.last; ++row) f(e, row);
      }
    }
  }

  void start(const TaskSchedule::Task& t) {
    forEachRead(t, [&](int e, int64_t row) {
      if (s_.ring(e)) {
        ASSERT_EQ(slots_[e].made[row % s_.slots(e)], row) << "edge " << e << " stage " << t.stage;
      } else {
        ASSERT_LT(row, made_(e)) << "order " << e;
      }
    });
    // A producer may write its slots from its first moment on.
    for (int e = 0; e < s_.edges(); ++e) {
      if (s_.producer(e) != t.stage || !s_.ring(e)) continue;
      const RowSpan w = s_.writes(e, t.index);
      for (int64_t row = w.first; row <= w.last; ++row) slots_[e].held[row % s_.slots(e)] = row;
    }
  }

  void end(const TaskSchedule::Task& t) {
    forEachRead(t, [&](int e, int64_t row) {
      if (s_.ring(e)) {
        ASSERT_EQ(slots_[e].held[row % s_.slots(e)], row) << "edge " << e << " overwritten";
      }
    });
    for (int e = 0; e < s_.edges(); ++e) {
      if (s_.producer(e) != t.stage || !s_.ring(e)) continue;
      const RowSpan w = s_.writes(e, t.index);
      for (int64_t row = w.first; row <= w.last; ++row) slots_[e].made[row % s_.slots(e)] = row;
    }
    s_.finish(t);
  }

  // Rows of an order's producer made so far (its tasks finish in a row from the first).
  int64_t made_(int e) const {
    const int64_t done = s_.finishedTasks(s_.producer(e));
    return done == 0 ? 0 : s_.writes(e, done - 1).last + 1;
  }

  TaskSchedule& s_;
  std::mt19937 rng_;
  std::vector<Slots> slots_;
};

TEST(TaskSchedule, AnyOrderOfThreadsFinishesWithEveryRowInPlace) {
  const Case cases[] = {
      {32, 32, 5, 4, 1, 2},     // the smallest block: levels of 6 rows, every ring whole
      {33, 47, 5, 4, 0, 1},     // odd sizes, one thread, no slack
      {40, 36, 2, 8, 2, 3},
      {101, 77, 3, 1, 1, 4},    // one output row per task
      {64, 700, 5, 4, 1, 2},    // tall: rings much shorter than the levels
      {48, 1001, 4, 8, 0, 8},   // more threads than the slack allows for
      {300, 517, 5, 16, 2, 2},
  };
  uint32_t seed = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(Describe(c));
    WaveletStream stream = WaveletGeometry(c.width, c.height, c.levels);
    TaskSchedule schedule;
    BuildWaveletSchedule(stream, c.grain, schedule);
    schedule.plan(c.slackTasks);
    for (int run = 0; run < 4; ++run) {
      Player player(schedule, seed++);
      player.play(c.threads, 2 * c.levels);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

// The rings are much shorter than the planes of a tall block, and grow with the slack asked for.
TEST(TaskSchedule, RingsHoldABandOfRows) {
  WaveletStream stream = WaveletGeometry(64, 4000, 5);
  for (int slack : {0, 4}) {
    SCOPED_TRACE(slack);
    TaskSchedule schedule;
    BuildWaveletSchedule(stream, 4, schedule);
    schedule.plan(slack);
    for (int k = 0; k < stream.levels; ++k) {
      EXPECT_LT(schedule.slots(stream.analysed[k]), 40 + 2 * 4 * slack) << k;
      EXPECT_LT(schedule.slots(stream.high[k]), stream.highRows(k) / 4) << k;
    }
  }
}

}  // namespace
}  // namespace orvane
