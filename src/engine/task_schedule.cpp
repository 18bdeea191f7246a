#include "engine/task_schedule.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace orvane {

int TaskSchedule::addStage(int64_t units, int64_t grain) {
  Stage s;
  s.units = units;
  s.grain = std::max<int64_t>(1, grain);
  s.tasks = (units + s.grain - 1) / s.grain;
  s.finished.assign(static_cast<size_t>(s.tasks), 0);
  stages_.push_back(std::move(s));
  return static_cast<int>(stages_.size()) - 1;
}

int TaskSchedule::addEdge(int from, int to, int rowsPerUnit, int64_t rows,
                          std::function<RowSpan(int64_t)> reads) {
  Edge e;
  e.from = from;
  e.to = to;
  e.rowsPerUnit = rowsPerUnit;
  e.rows = rows;
  e.slots = rows;
  e.reads = std::move(reads);
  // What each consumer task reads, as running bounds: a task may run once the rows up to the
  // highest that it or any task before it reads are made, and a row is free once every
  // unfinished task reads only rows above it.
  const Stage& consumer = stages_[to];
  e.readsUpTo.resize(static_cast<size_t>(consumer.tasks));
  e.readsFrom.resize(static_cast<size_t>(consumer.tasks) + 1);
  std::vector<int64_t> low(static_cast<size_t>(consumer.tasks));
  int64_t high = -1;
  for (int64_t t = 0; t < consumer.tasks; ++t) {
    int64_t lo = std::numeric_limits<int64_t>::max();
    const int64_t end = std::min(consumer.units, (t + 1) * consumer.grain);
    for (int64_t u = t * consumer.grain; u < end; ++u) {
      const RowSpan r = e.reads(u);
      lo = std::min(lo, r.first);
      high = std::max(high, r.last);
    }
    e.readsUpTo[t] = high;
    low[t] = lo;
  }
  e.readsFrom[consumer.tasks] = std::numeric_limits<int64_t>::max();
  for (int64_t t = consumer.tasks - 1; t >= 0; --t) e.readsFrom[t] = std::min(low[t], e.readsFrom[t + 1]);
  edges_.push_back(std::move(e));
  const int index = static_cast<int>(edges_.size()) - 1;
  stages_[from].outputs.push_back(index);
  stages_[to].inputs.push_back(index);
  return index;
}

int TaskSchedule::addOrder(int from, int to, int64_t rows, std::function<RowSpan(int64_t)> reads) {
  const int index = addEdge(from, to, 1, rows, std::move(reads));
  edges_[index].ring = false;
  return index;
}

RowSpan TaskSchedule::writes(int edge, int64_t index) const {
  const Edge& e = edges_[edge];
  const Stage& s = stages_[e.from];
  const int64_t begin = index * s.grain;
  const int64_t end = std::min(s.units, begin + s.grain);
  return {std::min(e.rows, e.rowsPerUnit * begin), std::min(e.rows, e.rowsPerUnit * end) - 1};
}

int64_t TaskSchedule::rowsMade(const Edge& e) const {
  const Stage& s = stages_[e.from];
  return std::min(e.rows, e.rowsPerUnit * std::min(s.units, s.done * s.grain));
}

bool TaskSchedule::mayRun(const Stage& stage, int64_t index) const {
  for (int i : stage.inputs) {
    const Edge& e = edges_[i];
    if (rowsMade(e) <= e.readsUpTo[index]) return false;
  }
  for (int o : stage.outputs) {
    const Edge& e = edges_[o];
    if (e.slots >= e.rows) continue;
    // Writing row r overwrites row r - slots, which no unfinished consumer task may still read.
    const int64_t last = writes(o, index).last;
    if (last - e.slots >= e.readsFrom[stages_[e.to].done]) return false;
  }
  return true;
}

bool TaskSchedule::claim(Task& task, int64_t lastLimit) {
  for (int s = stages() - 1; s >= 0; --s) {
    Stage& st = stages_[s];
    if (st.claimed >= st.tasks) continue;
    if (s == stages() - 1 && st.claimed >= lastLimit) continue;
    if (!mayRun(st, st.claimed)) continue;
    task.stage = s;
    task.index = st.claimed++;
    task.begin = task.index * st.grain;
    task.end = std::min(st.units, task.begin + st.grain);
    return true;
  }
  return false;
}

void TaskSchedule::finish(const Task& task) {
  Stage& st = stages_[task.stage];
  st.finished[task.index] = 1;
  while (st.done < st.tasks && st.finished[st.done]) ++st.done;
}

void TaskSchedule::restart() {
  for (Stage& s : stages_) {
    s.claimed = 0;
    s.done = 0;
    std::fill(s.finished.begin(), s.finished.end(), 0);
  }
}

void TaskSchedule::plan(int slackTasks) {
  // One task at a time, downstream first, with every row kept: the most each ring holds is the
  // span from the lowest row an unfinished consumer reads to the last row written.
  for (Edge& e : edges_) e.slots = e.rows;
  std::vector<int64_t> span(edges_.size(), 0);
  restart();
  const int64_t unlimited = std::numeric_limits<int64_t>::max();
  Task task;
  while (claim(task, unlimited)) {
    for (int o : stages_[task.stage].outputs) {
      const Edge& e = edges_[o];
      const int64_t from = e.readsFrom[stages_[e.to].done];
      if (from == unlimited) continue;
      span[o] = std::max(span[o], writes(o, task.index).last + 1 - from);
    }
    finish(task);
  }
  for (size_t i = 0; i < edges_.size(); ++i) {
    Edge& e = edges_[i];
    const int64_t extra = static_cast<int64_t>(slackTasks) * e.rowsPerUnit * stages_[e.from].grain;
    if (e.ring) e.slots = std::min(e.rows, std::max<int64_t>(1, span[i] + extra));
  }
  restart();
}

}  // namespace orvane
