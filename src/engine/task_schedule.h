// The order of work of a streamed transform.
//
// The work is a chain of stages, each made of numbered units (rows, output rows, pairs of rows)
// that are handed out in order, a few units to a task. A stage reads rows that an earlier stage
// makes, through an edge; an edge keeps its rows in a ring of slots, so a producer may write a
// row only when no consumer task that may still run reads the row the slot held before. The
// schedule keeps the counts and answers which task may run next. It takes no locks: whoever
// drives it from several threads serialises the calls.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace orvane {

// Rows first ... last of an edge, both included.
struct RowSpan {
  int64_t first;
  int64_t last;
};

class TaskSchedule {
 public:
  struct Task {
    int stage = -1;
    int64_t index = 0;  // the task's number within its stage
    int64_t begin = 0;  // units [begin, end)
    int64_t end = 0;
  };

  // Adds a stage of `units` units handed out `grain` at a time; returns its number. Stages are
  // added producers first.
  int addStage(int64_t units, int64_t grain);

  // Stage `to` reads rows that stage `from` makes. Unit u of `from` makes rows
  // [rowsPerUnit * u, rowsPerUnit * (u + 1)), as far as `rows`; unit u of `to` reads rows
  // reads(u), which lie inside [0, rows). Returns the edge's number.
  int addEdge(int from, int to, int rowsPerUnit, int64_t rows, std::function<RowSpan(int64_t)> reads);
  // The same wait without a ring: unit u of `to` runs only once the rows reads(u) of `from` are
  // made, whatever becomes of them after (used where `to` overwrites what `from` read).
  int addOrder(int from, int to, int64_t rows, std::function<RowSpan(int64_t)> reads);

  // Sizes each edge's ring: as many rows as it ever holds when the tasks run one at a time,
  // downstream first, plus `slackTasks` tasks of its producer, so that threads can work ahead
  // of one another; never more than all its rows. Any order in which tasks are claimed and
  // finished then runs to the end: the task that runs next one at a time can always run.
  void plan(int slackTasks);
  int64_t slots(int edge) const { return edges_[edge].slots; }

  // Back to the start, with the ring sizes kept.
  void restart();

  // The next task of the most downstream stage that may run now: its inputs are made and the
  // slots it writes are free. The last stage hands out only tasks numbered below lastLimit.
  bool claim(Task& task, int64_t lastLimit);
  void finish(const Task& task);

  int stages() const { return static_cast<int>(stages_.size()); }
  int edges() const { return static_cast<int>(edges_.size()); }
  int64_t tasks(int stage) const { return stages_[stage].tasks; }
  // Tasks of the stage finished in an unbroken run from the first.
  int64_t finishedTasks(int stage) const { return stages_[stage].done; }
  int producer(int edge) const { return edges_[edge].from; }
  int consumer(int edge) const { return edges_[edge].to; }
  // False for an order (addOrder), which keeps no rows.
  bool ring(int edge) const { return edges_[edge].ring; }
  // The rows unit `unit` of the edge's consumer reads.
  RowSpan reads(int edge, int64_t unit) const { return edges_[edge].reads(unit); }
  // The rows task `index` of the edge's producer writes: [first, last], empty when last < first.
  RowSpan writes(int edge, int64_t index) const;

 private:
  struct Stage {
    int64_t units = 0;
    int64_t grain = 1;
    int64_t tasks = 0;
    int64_t claimed = 0;
    int64_t done = 0;
    std::vector<char> finished;  // per task
    std::vector<int> inputs;     // edges read
    std::vector<int> outputs;    // edges written
  };
  struct Edge {
    int from = 0;
    int to = 0;
    int rowsPerUnit = 1;
    int64_t rows = 0;
    int64_t slots = 0;
    bool ring = true;  // false: an order only, every row kept
    std::function<RowSpan(int64_t)> reads;
    std::vector<int64_t> readsUpTo;  // per consumer task: the highest row it or an earlier task reads
    std::vector<int64_t> readsFrom;  // per count of finished consumer tasks: the lowest row any
                                     // later task reads (the last entry: beyond every row)
  };

  bool mayRun(const Stage& stage, int64_t index) const;
  int64_t rowsMade(const Edge& edge) const;

  std::vector<Stage> stages_;
  std::vector<Edge> edges_;
};

}  // namespace orvane
