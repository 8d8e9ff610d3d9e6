#pragma once
// The benchmarks' reporter: the console's report, and beside it the least CPU seconds per iteration
// of each benchmark over its repetitions (on a shared machine noise only ever adds), from which the
// benchmarks print their ratios against a peer.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace bench {

class LeastTimes : public benchmark::ConsoleReporter {
 public:
  // Keeps the times in `seconds`, by benchmark name.
  explicit LeastTimes(std::map<std::string, double>& seconds) : seconds_(seconds) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      const auto [entry, added] = seconds_.emplace(run.run_name.function_name, seconds);
      if (!added) entry->second = std::min(entry->second, seconds);
    }
    ConsoleReporter::ReportRuns(runs);
  }

 private:
  std::map<std::string, double>& seconds_;
};

}  // namespace bench
