// Two readings of what the process costs a core, for the idle benchmarks.
//
// "scheduled" is the scheduler's own account (CLOCK_PROCESS_CPUTIME_ID,
// what top and getrusage show). It also bills the process for switching to
// it on every wake-up; on a virtual machine that switch is the largest part
// of a 100 Hz timer's cost and is the same for any program that wakes as
// often.
//
// "on CPU" is the kernel's task clock (a perf software counter): the time
// the process's threads actually run, from being switched in to being
// switched out. It needs no privilege beyond watching oneself; where the
// kernel refuses it, the reading is negative and the benchmark leaves the
// counter out.
#pragma once

#include <linux/perf_event.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include <benchmark/benchmark.h>

namespace bench_clocks {

// A clock's reading in seconds.
inline double Seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct CpuClocks {
  double scheduled = 0;
  double onCpu = -1;
};

// The task clock of this thread and every thread it starts later, opened on
// first use and kept for the life of the process.
inline int TaskClockFd() {
  static const int fd = [] {
    perf_event_attr attr;
    std::memset(&attr, 0, sizeof attr);
    attr.size = sizeof attr;
    attr.type = PERF_TYPE_SOFTWARE;
    attr.config = PERF_COUNT_SW_TASK_CLOCK;
    attr.inherit = 1;
    return static_cast<int>(syscall(SYS_perf_event_open, &attr, 0, -1, -1, 0));
  }();
  return fd;
}

inline CpuClocks ReadCpuClocks() {
  CpuClocks clocks;
  clocks.scheduled = Seconds(CLOCK_PROCESS_CPUTIME_ID);
  std::uint64_t nanoseconds = 0;
  const int fd = TaskClockFd();
  if (fd >= 0 && read(fd, &nanoseconds, sizeof nanoseconds) == sizeof nanoseconds)
    clocks.onCpu = static_cast<double>(nanoseconds) * 1e-9;
  return clocks;
}

// What passed between two readings, summed over a benchmark's stretches.
struct CpuSpent {
  double scheduled = 0;
  double onCpu = 0;
  bool onCpuKnown = true;

  void Add(const CpuClocks& from, const CpuClocks& to) {
    scheduled += to.scheduled - from.scheduled;
    if (from.onCpu < 0 || to.onCpu < 0)
      onCpuKnown = false;
    else
      onCpu += to.onCpu - from.onCpu;
  }
  void Add(const CpuSpent& other) {
    scheduled += other.scheduled;
    onCpu += other.onCpu;
    onCpuKnown = onCpuKnown && other.onCpuKnown;
  }

  // "cpu_percent" (the scheduler's account) and "oncpu_percent" (time on a
  // core), 100 = one core busy for the whole `wall`.
  void Report(benchmark::State& state, double wall) const {
    if (wall <= 0) return;
    state.counters["cpu_percent"] = 100.0 * scheduled / wall;
    if (onCpuKnown) state.counters["oncpu_percent"] = 100.0 * onCpu / wall;
  }
};

}  // namespace bench_clocks
