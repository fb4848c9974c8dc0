#pragma once
// The console report, which also keeps each benchmark's time per iteration by its label, for the
// ratios a harness prints at the end: with repetitions, the median over them.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace qt::bench {

class LabelTimes : public benchmark::ConsoleReporter {
public:
  enum Clock { kCPU, kReal };
  LabelTimes(std::map<std::string, double>& seconds, Clock clock) : seconds_(seconds), clock_(clock) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") // the aggregates come last
        seconds_[run.report_label] = clock_ == kCPU ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }

private:
  std::map<std::string, double>& seconds_;
  Clock clock_;
};

} // namespace qt::bench
