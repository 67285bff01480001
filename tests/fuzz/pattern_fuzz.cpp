// Runs bounded patterns over bounded subjects with every option and reads every match back:
// nothing may crash or hang, and each match's position must point at its own text wherever
// the subject converts without substitution.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "text/codepage.h"
#include "text/pattern_matcher.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool ConvertsExactly(const std::string& gbk) {
  return korvelin::Utf16ToGbk(korvelin::GbkToUtf16(gbk)) == gbk;
}

void CheckPlace(const std::string& subject, const std::string& text, int position) {
  if (position == -1) return;
  Check(position >= 0 && static_cast<size_t>(position) <= subject.size());
  Check(subject.compare(static_cast<size_t>(position), text.size(), text) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvelin;
  FuzzedDataProvider in(data, size);
  const bool caseSensitive = in.ConsumeBool();
  const bool multiLine = in.ConsumeBool();
  const bool global = in.ConsumeBool();
  const bool placeholder = in.ConsumeBool();
  const std::string pattern = in.ConsumeRandomLengthString(32);
  const std::string replacement = in.ConsumeRandomLengthString(16);
  const std::string subject = in.ConsumeRandomLengthString(256);

  PatternMatcher matcher;
  if (!matcher.Execute(pattern, subject, caseSensitive, multiLine, global, placeholder)) {
    Check(matcher.MatchCount() == 0 && matcher.GetPattern().empty());
    return 0;
  }
  const bool exact = ConvertsExactly(subject);
  const int groups = matcher.SubMatchCount();
  for (int m = 0; m <= matcher.MatchCount() + 1; ++m) {
    int position = 0;
    const std::string text = matcher.MatchText(m, &position);
    if (exact) CheckPlace(subject, text, position);
    for (int s = 0; s <= groups + 1; ++s) {
      const std::string sub = matcher.SubMatchText(m, s, &position);
      if (exact) CheckPlace(subject, sub, position);
    }
  }
  (void)matcher.ReplaceMatches(replacement);
  const PatternMatcher copy = matcher.Copy();
  Check(copy.MatchCount() == matcher.MatchCount());
  return 0;
}
