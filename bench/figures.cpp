#include "bench/figures.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <optional>
#include <regex>
#include <string_view>
#include <vector>

namespace korvelin::bench {

// ---- internal ------------------------------------------------------------------------------
namespace {

struct Comparison {
  std::string figure, subject, baseline;
  Goal goal;
};
struct Measurement {
  std::string figure;
  Goal goal;
  std::function<double()> measure;
};

std::vector<Comparison>& Comparisons() {
  static std::vector<Comparison> list;
  return list;
}
std::vector<Measurement>& Measurements() {
  static std::vector<Measurement> list;
  return list;
}

// Keeps the fastest repetition of every benchmark while the console shows the usual table.
class FastestRunReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const double seconds =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      auto [it, added] = fastest_.try_emplace(run.run_name.str(), seconds);
      if (!added) it->second = std::min(it->second, seconds);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Seconds(const std::string& name) const {
    auto it = fastest_.find(name);
    return it == fastest_.end() ? std::numeric_limits<double>::quiet_NaN() : it->second;
  }

 private:
  std::map<std::string, double> fastest_;
};

void PrintFigure(const std::string& name, double ratio, Goal goal) {
  if (std::isnan(ratio)) {
    std::printf("%-44s %8s\n", name.c_str(), "not run");
    return;
  }
  const bool atMost = goal.kind == Goal::Kind::kAtMost;
  const bool met = atMost ? ratio <= goal.limit : ratio >= goal.limit;
  std::printf("%-44s %8.3f   goal %s %.2f   %s\n", name.c_str(), ratio,
              atMost ? "<=" : ">=", goal.limit, met ? "met" : "MISSED");
}

// The --benchmark_filter of the command line, which also picks the measured figures by name.
std::optional<std::regex> FigureFilter(int argc, char** argv) {
  constexpr std::string_view kFlag = "--benchmark_filter=";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with(kFlag)) return std::regex(std::string(arg.substr(kFlag.size())));
  }
  return std::nullopt;
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

void CompareBenchmarks(std::string figure, std::string subject, std::string baseline, Goal goal) {
  Comparisons().push_back({std::move(figure), std::move(subject), std::move(baseline), goal});
}

void MeasureFigure(std::string figure, Goal goal, std::function<double()> measure) {
  Measurements().push_back({std::move(figure), goal, std::move(measure)});
}

int RunFigures(int argc, char** argv) {
  // Several short repetitions, of which the fastest counts, resist a busy neighbour better
  // than one long run. Flags given on the command line still win.
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=5";
  args.insert(args.begin() + 1, repetitions.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  FastestRunReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::vector<std::pair<std::string, std::pair<double, Goal>>> results;
  for (const Comparison& c : Comparisons()) {
    results.push_back(
        {c.figure, {reporter.Seconds(c.subject) / reporter.Seconds(c.baseline), c.goal}});
  }
  const std::optional<std::regex> filter = FigureFilter(argc, argv);
  for (const Measurement& m : Measurements()) {
    if (filter && !std::regex_search(m.figure, *filter)) continue;
    std::fflush(stdout);
    results.push_back({m.figure, {m.measure(), m.goal}});
  }
  std::printf("\n%-44s %8s   %s\n", "figure", "ratio", "goal");
  for (const auto& [name, figure] : results) PrintFigure(name, figure.first, figure.second);
  benchmark::Shutdown();
  return 0;
}

}  // namespace korvelin::bench

int main(int argc, char** argv) { return korvelin::bench::RunFigures(argc, argv); }
