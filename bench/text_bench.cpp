// Text primitives and the page decoder against the plainest way to do the same work.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string_view>
#include <vector>

#include "bench/figures.h"
#include "bench/sample_page.h"
#include "text/text_helpers.h"
#include "text/text_primitives.h"

namespace korvelin::bench {
namespace {

void FindTextOverPage(benchmark::State& state) {
  const std::string& page = OneMebibytePage().gbk;
  const std::string marker = RelatedRightMarker();
  for (auto _ : state) benchmark::DoNotOptimize(FindText(page, marker));
}
void StringViewFindOverPage(benchmark::State& state) {
  const std::string_view page = OneMebibytePage().gbk;
  const std::string marker = RelatedRightMarker();
  for (auto _ : state) benchmark::DoNotOptimize(page.find(marker));
}

void TextBetweenOverPage(benchmark::State& state) {
  const std::string& page = OneMebibytePage().gbk;
  const std::string left = RelatedLeftMarker(), right = RelatedRightMarker();
  for (auto _ : state) benchmark::DoNotOptimize(TextBetween(page, left, right));
}
void StringViewBetweenOverPage(benchmark::State& state) {
  const std::string_view page = OneMebibytePage().gbk;
  const std::string left = RelatedLeftMarker(), right = RelatedRightMarker();
  for (auto _ : state) {
    const size_t p = page.find(left) + left.size();
    benchmark::DoNotOptimize(std::string(page.substr(p, page.find(right, p) - p)));
  }
}

void SplitTextOverPage(benchmark::State& state) {
  const std::string& page = OneMebibytePage().gbk;
  for (auto _ : state) benchmark::DoNotOptimize(SplitText(page, "\r\n"));
}
void StringViewSplitOverPage(benchmark::State& state) {
  const std::string_view page = OneMebibytePage().gbk;
  for (auto _ : state) {
    std::vector<std::string> pieces;
    size_t from = 0;
    for (size_t p; (p = page.find("\r\n", from)) != std::string_view::npos; from = p + 2) {
      pieces.emplace_back(page.substr(from, p - from));
    }
    if (from < page.size()) pieces.emplace_back(page.substr(from));
    benchmark::DoNotOptimize(pieces);
  }
}

void Utf8ToGbkOverPage(benchmark::State& state) {
  const std::string& page = OneMebibytePage().utf8;
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToGbk(page));
}
void IconvOverPage(benchmark::State& state) {
  const std::string& page = OneMebibytePage().utf8;
  iconv_t cd = iconv_open("GBK", "UTF-8");
  for (auto _ : state) {
    std::string out(page.size(), '\0');
    char* in = const_cast<char*>(page.data());
    size_t inLeft = page.size(), outLeft = out.size();
    char* to = out.data();
    iconv(cd, &in, &inLeft, &to, &outLeft);
    out.resize(out.size() - outLeft);
    benchmark::DoNotOptimize(out);
  }
  iconv_close(cd);
}

BENCHMARK(FindTextOverPage);
BENCHMARK(StringViewFindOverPage);
BENCHMARK(TextBetweenOverPage);
BENCHMARK(StringViewBetweenOverPage);
BENCHMARK(SplitTextOverPage);
BENCHMARK(StringViewSplitOverPage);
BENCHMARK(Utf8ToGbkOverPage);
BENCHMARK(IconvOverPage);

const bool registered = [] {
  CompareBenchmarks("FindText / string_view::find", "FindTextOverPage", "StringViewFindOverPage",
                    AtMost(2));
  CompareBenchmarks("TextBetween / two finds", "TextBetweenOverPage", "StringViewBetweenOverPage",
                    AtMost(2));
  CompareBenchmarks("SplitText / find loop", "SplitTextOverPage", "StringViewSplitOverPage",
                    AtMost(2));
  CompareBenchmarks("Utf8ToGbk / one iconv call", "Utf8ToGbkOverPage", "IconvOverPage",
                    AtMost(1.2));
  return true;
}();

}  // namespace
}  // namespace korvelin::bench
