// The benchmark program's figures: each is one ratio measured in this run and printed as
//   <name>  <ratio>  <goal>  <verdict>
// so that a noisy machine never decides a figure by itself: both sides of a ratio run in the
// same process, one right after the other.
#pragma once

#include <functional>
#include <string>

namespace korvelin::bench {

// How a figure's goal reads: the ratio must stay at most, or reach at least, `limit`.
struct Goal {
  enum class Kind { kAtMost, kAtLeast } kind;
  double limit;
};
inline Goal AtMost(double limit) { return {Goal::Kind::kAtMost, limit}; }
inline Goal AtLeast(double limit) { return {Goal::Kind::kAtLeast, limit}; }

// A figure from two Google Benchmark runs of this program: the fastest repetition of
// `subject` divided by the fastest repetition of `baseline` (real time per iteration).
void CompareBenchmarks(std::string figure, std::string subject, std::string baseline, Goal goal);

// A figure that `measure` computes itself (a throughput against a limit, a memory figure);
// it runs after every Google Benchmark run, in registration order.
void MeasureFigure(std::string figure, Goal goal, std::function<double()> measure);

// Runs the benchmarks and the measured figures, then prints one line per figure.
// Returns the process exit status (0; a missed goal is reported, not failed).
int RunFigures(int argc, char** argv);

}  // namespace korvelin::bench
