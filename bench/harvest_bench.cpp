// The harvest's own bookkeeping at scale.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/figures.h"
#include "harvest/keyword_set.h"

namespace korvelin::bench {
namespace {

// Distinct keywords of 8 to 16 bytes, like most: four double-byte characters that spell the
// keyword's number, then up to four more at random.
std::vector<std::string> MakeKeywords(size_t count) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> extra(0, 4), row(0xB0, 0xF7), cell(0xA1, 0xFE);
  std::vector<std::string> keywords;
  keywords.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    std::string key;
    for (size_t n = i, digit = 0; digit < 4; ++digit, n /= 94) {
      key += static_cast<char>(0xB0 + digit);
      key += static_cast<char>(0xA1 + n % 94);
    }
    for (int e = extra(random); e > 0; --e) {
      key += static_cast<char>(row(random));
      key += static_cast<char>(cell(random));
    }
    keywords.push_back(std::move(key));
  }
  return keywords;
}

// Two visits' bookkeeping in a run that knows `known` keywords, timed together: each visit
// offers 20 candidates, half of them new and half known already (a run that has come to know a
// million keywords in some hundred thousand visits found about ten new ones a visit), then
// takes a snapshot of the keys. The set is built anew (not timed) whenever it has grown by 2 %,
// so that it stays at its size; both sizes then stay clear of the point where the index
// doubles (at 1 024 and 1 048 576 keys), a cost that comes once per doubling of the keys and
// is no part of a visit at a given size. The candidates lie one after the other, as fresh from
// the page as a candidate is: only the set's own memory is far away.
void VisitBookkeeping(benchmark::State& state) {
  constexpr size_t kVisitsTimed = 2, kCandidates = 20;
  const auto known = static_cast<size_t>(state.range(0));
  const size_t visitsPerBuild = std::max<size_t>(known / 500, kVisitsTimed);
  const std::vector<std::string> keywords = MakeKeywords(known + visitsPerBuild * kCandidates / 2);
  std::vector<std::string> candidates;
  std::mt19937 random(11);
  std::uniform_int_distribution<size_t> anyKnown(0, known - 1);
  for (size_t fresh = known; fresh < keywords.size(); ++fresh) {
    candidates.push_back(keywords[fresh]);
    candidates.push_back(keywords[anyKnown(random)]);
  }
  std::unique_ptr<KeywordSet> set;
  size_t next = candidates.size();
  for (auto _ : state) {
    if (next == candidates.size()) {
      set.reset();
      set = std::make_unique<KeywordSet>();
      for (size_t i = 0; i < known; ++i) set->Add(keywords[i]);
      next = 0;
    }
    const auto start = std::chrono::steady_clock::now();
    for (size_t visit = 0; visit < kVisitsTimed; ++visit) {
      for (size_t c = 0; c < kCandidates; ++c) {
        benchmark::DoNotOptimize(set->Add(candidates[next++]));
      }
      benchmark::DoNotOptimize(set->Keys());
    }
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}

BENCHMARK(VisitBookkeeping)->Arg(1'000)->Iterations(20'000)->UseManualTime();
BENCHMARK(VisitBookkeeping)->Arg(1'000'000)->Iterations(4'000)->UseManualTime();

const bool registered = [] {
  CompareBenchmarks("KeywordSet visit, 1 000 000 / 1 000 keys",
                    "VisitBookkeeping/1000000/iterations:4000/manual_time",
                    "VisitBookkeeping/1000/iterations:20000/manual_time", AtMost(1.5));
  return true;
}();

}  // namespace
}  // namespace korvelin::bench
