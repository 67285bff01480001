// Text primitives and the page decoder against the plainest way to do the same work.
#include <benchmark/benchmark.h>
#include <iconv.h>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <string_view>
#include <vector>

#include "bench/figures.h"
#include "bench/sample_page.h"
#include "text/codepage.h"
#include "text/pattern_matcher.h"
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

// The harvest's use of the matcher: Execute over the block, then each link text.
void PatternMatcherOverBlock(benchmark::State& state) {
  const std::string& block = RelatedSearchesBlock();
  PatternMatcher matcher;
  for (auto _ : state) {
    matcher.Execute(kRelatedPattern, block);
    const int count = matcher.MatchCount();
    for (int m = 1; m <= count; ++m) benchmark::DoNotOptimize(matcher.SubMatchText(m, 1));
  }
  if (matcher.MatchCount() != 10) state.SkipWithError("the block should give ten matches");
}

// The same pattern under the same options, compiled once, over the block in UTF-16 already:
// every match, and a copy of each link text.
void Pcre2OverBlock(benchmark::State& state) {
  const std::u16string subject = GbkToUtf16(RelatedSearchesBlock());
  const std::u16string pattern = GbkToUtf16(kRelatedPattern);
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
  pcre2_set_compile_extra_options(context, PCRE2_EXTRA_BAD_ESCAPE_IS_LITERAL);
  const uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF |
                           PCRE2_ALLOW_EMPTY_CLASS | PCRE2_NEVER_BACKSLASH_C | PCRE2_MULTILINE |
                           PCRE2_CASELESS;
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   options, &error, &errorOffset, context);
  pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
  const auto units = reinterpret_cast<PCRE2_SPTR>(subject.data());
  size_t found = 0;
  for (auto _ : state) {
    std::vector<std::u16string> texts;
    uint32_t matchOptions = 0;
    for (size_t start = 0;
         pcre2_match(code, units, subject.size(), start, matchOptions, data, nullptr) > 0;) {
      const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
      texts.emplace_back(subject, ovector[2], ovector[3] - ovector[2]);
      start = ovector[1] > ovector[0] ? ovector[1] : ovector[1] + 1;
      matchOptions = PCRE2_NO_UTF_CHECK;
    }
    found = texts.size();
    benchmark::DoNotOptimize(texts);
  }
  if (found != 10) state.SkipWithError("the block should give ten matches");
  pcre2_match_data_free(data);
  pcre2_code_free(code);
  pcre2_compile_context_free(context);
}

BENCHMARK(FindTextOverPage);
BENCHMARK(StringViewFindOverPage);
BENCHMARK(TextBetweenOverPage);
BENCHMARK(StringViewBetweenOverPage);
BENCHMARK(SplitTextOverPage);
BENCHMARK(StringViewSplitOverPage);
BENCHMARK(Utf8ToGbkOverPage);
BENCHMARK(IconvOverPage);
BENCHMARK(PatternMatcherOverBlock);
BENCHMARK(Pcre2OverBlock);

const bool registered = [] {
  CompareBenchmarks("FindText / string_view::find", "FindTextOverPage", "StringViewFindOverPage",
                    AtMost(2));
  CompareBenchmarks("TextBetween / two finds", "TextBetweenOverPage", "StringViewBetweenOverPage",
                    AtMost(2));
  CompareBenchmarks("SplitText / find loop", "SplitTextOverPage", "StringViewSplitOverPage",
                    AtMost(2));
  CompareBenchmarks("Utf8ToGbk / one iconv call", "Utf8ToGbkOverPage", "IconvOverPage",
                    AtMost(1.2));
  CompareBenchmarks("PatternMatcher / bare PCRE2, 10 KiB block", "PatternMatcherOverBlock",
                    "Pcre2OverBlock", AtMost(1.5));
  return true;
}();

}  // namespace
}  // namespace korvelin::bench
