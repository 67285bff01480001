#include "text/pattern_matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "text/codepage.h"
#include "text/text_helpers.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

// Where a group matched, in UTF-16 units of the subject; start -1 when it took no part.
struct Span {
  int start = -1;
  int end = -1;
};

// Runaway backtracking hits the match limit within a few tens of milliseconds; ordinary
// searches stay far below it. The depth and heap limits bound the interpreter, used when the
// JIT cannot compile a pattern; the JIT's own stack bounds the JIT.
constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kDepthLimit = 1'000'000;
constexpr uint32_t kHeapLimitKiB = 256 * 1024;
constexpr PCRE2_SIZE kJitStackStart = 32 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 16 * 1024 * 1024;
// How many compiled patterns a matcher keeps: the harvest alternates between two.
constexpr size_t kCompiledPatternsKept = 4;

template <auto Free>
struct Freer {
  template <typename T>
  void operator()(T* p) const {
    Free(p);
  }
};
using CompileContextPtr = std::unique_ptr<pcre2_compile_context, Freer<pcre2_compile_context_free>>;
using CodePtr = std::unique_ptr<pcre2_code, Freer<pcre2_code_free>>;
using MatchContextPtr = std::unique_ptr<pcre2_match_context, Freer<pcre2_match_context_free>>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, Freer<pcre2_match_data_free>>;
using JitStackPtr = std::unique_ptr<pcre2_jit_stack, Freer<pcre2_jit_stack_free>>;

PCRE2_SPTR Units(std::u16string_view text) { return reinterpret_cast<PCRE2_SPTR>(text.data()); }

// The options that make the engine read a pattern as ECMAScript does.
uint32_t CompileOptions(bool caseSensitive, bool multiLine) {
  uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF |
                     PCRE2_ALLOW_EMPTY_CLASS | PCRE2_NEVER_BACKSLASH_C;
  options |= multiLine ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
  if (!caseSensitive) options |= PCRE2_CASELESS;
  return options;
}

// The compiled pattern, JIT-compiled where the JIT can take it; null when the pattern is
// invalid.
CodePtr Compile(std::u16string_view pattern, uint32_t options, bool* jit) {
  CompileContextPtr context(pcre2_compile_context_create(nullptr));
  if (!context) return nullptr;
  // Under CR, LF and CRLF alike the dot stops and ^ and $ see a line break.
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF);
  pcre2_set_compile_extra_options(context.get(), PCRE2_EXTRA_BAD_ESCAPE_IS_LITERAL);
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  CodePtr code(
      pcre2_compile(Units(pattern), pattern.size(), options, &error, &errorOffset, context.get()));
  *jit = code && pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE) == 0;
  return code;
}

int GroupCount(const pcre2_code* code) {
  uint32_t count = 0;
  pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &count);
  return static_cast<int>(count);
}

// The limits every search of one run works under. The JIT stack lives as long as the context
// that points at it.
struct Limits {
  MatchContextPtr context;
  JitStackPtr jitStack;
};

Limits MakeLimits(bool jit) {
  Limits limits{MatchContextPtr(pcre2_match_context_create(nullptr)), nullptr};
  if (!limits.context) return limits;
  pcre2_set_match_limit(limits.context.get(), kMatchLimit);
  pcre2_set_depth_limit(limits.context.get(), kDepthLimit);
  pcre2_set_heap_limit(limits.context.get(), kHeapLimitKiB);
  if (jit) {
    // Without a stack of its own the JIT has 32 KiB, which long texts can outgrow.
    limits.jitStack.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
    if (limits.jitStack) {
      pcre2_jit_stack_assign(limits.context.get(), nullptr, limits.jitStack.get());
    }
  }
  return limits;
}

// The index one character after `i`; a surrogate pair is one character.
size_t NextCharacter(std::u16string_view text, size_t i) {
  const bool pair = i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF &&
                    text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
  return i + (pair ? 2 : 1);
}

void AppendSpans(pcre2_match_data* data, int groups, std::vector<Span>* spans) {
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
  for (int g = 0; g <= groups; ++g) {
    const PCRE2_SIZE start = ovector[2 * g];
    const PCRE2_SIZE end = ovector[2 * g + 1];
    if (start == PCRE2_UNSET) {
      spans->push_back({});
    } else {
      spans->push_back({static_cast<int>(start), static_cast<int>(end)});
    }
  }
}

// Appends, for every match, the spans of the match and its groups to `spans`: all matches left
// to right when `global`, else the first. After an empty match the next search starts one
// character on, as ECMAScript does (not Perl's retry at the same place). False when the engine
// gave up (a limit, memory) before the end.
bool FindMatches(const pcre2_code* code, pcre2_match_data* data, pcre2_match_context* context,
                 std::u16string_view subject, bool global, std::vector<Span>* spans) {
  const int groups = GroupCount(code);
  uint32_t options = 0;
  size_t start = 0;
  while (start <= subject.size()) {
    const int rc = pcre2_match(code, Units(subject), subject.size(), start, options, data, context);
    if (rc == PCRE2_ERROR_NOMATCH) return true;
    if (rc < 0) return false;
    options = PCRE2_NO_UTF_CHECK;  // checked once; checking again each time costs O(n) each
    AppendSpans(data, groups, spans);
    if (!global) return true;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
    size_t next = ovector[1] > ovector[0] ? ovector[1] : NextCharacter(subject, ovector[1]);
    if (next <= start) next = NextCharacter(subject, start);
    start = next;
  }
  return true;
}

// The number of a group that `digits` (the text after a "$") names, and how many digits name
// it: two when those two name an existing group, else one when that one does; 0 when none.
int GroupReference(std::u16string_view digits, int groups, int* group) {
  auto digit = [&](size_t i) {
    return i < digits.size() && digits[i] >= u'0' && digits[i] <= u'9' ? digits[i] - u'0' : -1;
  };
  const int first = digit(0);
  const int second = digit(1);
  if (first < 0) return 0;
  if (second >= 0 && first * 10 + second >= 1 && first * 10 + second <= groups) {
    *group = first * 10 + second;
    return 2;
  }
  if (first >= 1 && first <= groups) {
    *group = first;
    return 1;
  }
  return 0;
}

std::u16string_view Slice(std::u16string_view subject, const Span& span) {
  if (span.start < 0) return {};
  return subject.substr(static_cast<size_t>(span.start),
                        static_cast<size_t>(span.end - span.start));
}

// Appends `replacement` for one match (its spans: the match, then each group), with the
// ECMAScript replacement patterns expanded.
void AppendReplacement(std::u16string_view replacement, std::u16string_view subject,
                       const Span* spans, int groups, std::u16string* out) {
  const Span& match = spans[0];
  for (size_t i = 0; i < replacement.size(); ++i) {
    const char16_t c = replacement[i];
    const char16_t next = i + 1 < replacement.size() ? replacement[i + 1] : u'\0';
    int group = 0;
    if (c != u'$' || i + 1 == replacement.size()) {
      out->push_back(c);
    } else if (next == u'$') {
      out->push_back(u'$');
      ++i;
    } else if (next == u'&') {
      out->append(Slice(subject, match));
      ++i;
    } else if (next == u'`') {
      out->append(subject.substr(0, static_cast<size_t>(match.start)));
      ++i;
    } else if (next == u'\'') {
      out->append(subject.substr(static_cast<size_t>(match.end)));
      ++i;
    } else if (const int used = GroupReference(replacement.substr(i + 1), groups, &group)) {
      out->append(Slice(subject, spans[group]));
      i += static_cast<size_t>(used);
    } else {
      out->push_back(c);
    }
  }
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

struct PatternMatcher::Result {
  Text pattern;
  int groups = 0;
  // Match i's spans are spans[i * (groups + 1)] (the match) and the groups after it.
  std::vector<Span> spans;

  [[nodiscard]] int MatchCount() const {
    return static_cast<int>(spans.size() / static_cast<size_t>(groups + 1));
  }
  [[nodiscard]] const Span* Match(int i) const {
    return &spans[static_cast<size_t>(i) * static_cast<size_t>(groups + 1)];
  }
};

// Everything a search of the pattern needs, made once: compiling (the JIT's above all) and
// the JIT stack cost far more than searching a page.
struct PatternMatcher::Compiled {
  std::u16string pattern;
  uint32_t options = 0;
  CodePtr code;
  int groups = 0;
  MatchDataPtr data;
  Limits limits;
};

PatternMatcher::PatternMatcher() = default;
PatternMatcher::~PatternMatcher() = default;
PatternMatcher::PatternMatcher(PatternMatcher&&) noexcept = default;
PatternMatcher& PatternMatcher::operator=(PatternMatcher&&) noexcept = default;

PatternMatcher PatternMatcher::Copy() const {
  PatternMatcher copy;
  copy.result_ = result_;
  copy.subject_ = subject_;
  copy.subjectBytes_ = subjectBytes_;
  copy.byteOffsets_ = byteOffsets_;
  return copy;
}

PatternMatcher::Compiled* PatternMatcher::CompiledPattern(std::u16string pattern,
                                                          uint32_t options) {
  const auto same = std::find_if(compiled_.begin(), compiled_.end(), [&](const auto& c) {
    return c->options == options && c->pattern == pattern;
  });
  if (same != compiled_.end()) {
    std::rotate(compiled_.begin(), same, same + 1);
    return compiled_.front().get();
  }
  auto compiled = std::make_unique<Compiled>();
  bool jit = false;
  compiled->code = Compile(pattern, options, &jit);
  if (!compiled->code) return nullptr;
  compiled->data.reset(pcre2_match_data_create_from_pattern(compiled->code.get(), nullptr));
  compiled->limits = MakeLimits(jit);
  if (!compiled->data || !compiled->limits.context) return nullptr;
  compiled->groups = GroupCount(compiled->code.get());
  compiled->pattern = std::move(pattern);
  compiled->options = options;
  if (compiled_.size() == kCompiledPatternsKept) compiled_.pop_back();
  compiled_.insert(compiled_.begin(), std::move(compiled));
  return compiled_.front().get();
}

bool PatternMatcher::Execute(std::string_view pattern, std::string_view subject, bool caseSensitive,
                             bool multiLine, bool global, bool quotePlaceholder) {
  result_.reset();
  subject_.clear();
  subjectBytes_.clear();
  byteOffsets_.clear();
  if (subject.size() >= static_cast<size_t>(INT_MAX)) return false;
  auto result = std::make_shared<Result>();
  result->pattern =
      quotePlaceholder ? ReplaceText(pattern, kQuotePlaceholder, "\"", true) : Text(pattern);
  Compiled* compiled =
      CompiledPattern(GbkToUtf16(result->pattern), CompileOptions(caseSensitive, multiLine));
  if (compiled == nullptr) return false;
  result->groups = compiled->groups;
  std::u16string subject16 = GbkToUtf16(subject);
  if (!FindMatches(compiled->code.get(), compiled->data.get(), compiled->limits.context.get(),
                   subject16, global, &result->spans)) {
    return false;
  }
  result_ = std::move(result);
  subject_ = std::move(subject16);
  subjectBytes_ = subject;
  return true;
}

Text PatternMatcher::GetPattern() const { return result_ ? result_->pattern : Text(); }

Text PatternMatcher::ReplaceMatches(std::string_view replacement) const {
  if (!result_) return {};
  const std::u16string with = GbkToUtf16(replacement);
  std::u16string out;
  size_t done = 0;
  for (int i = 0; i < result_->MatchCount(); ++i) {
    const Span* spans = result_->Match(i);
    out.append(subject_, done, static_cast<size_t>(spans[0].start) - done);
    AppendReplacement(with, subject_, spans, result_->groups, &out);
    done = static_cast<size_t>(spans[0].end);
  }
  out.append(subject_, done);
  return Utf16ToGbk(out);
}

int PatternMatcher::MatchCount() const { return result_ ? result_->MatchCount() : 0; }

Text PatternMatcher::MatchText(int m, int* position) const { return GroupText(m, 0, position); }

Text PatternMatcher::SubMatchText(int m, int s, int* position) const {
  if (s < 1) {
    if (position != nullptr) *position = -1;
    return {};
  }
  return GroupText(m, s, position);
}

int PatternMatcher::SubMatchCount() const { return MatchCount() > 0 ? result_->groups : 0; }

Text PatternMatcher::GroupText(int m, int g, int* position) const {
  if (position != nullptr) *position = -1;
  if (m < 1 || m > MatchCount() || g > result_->groups) return {};
  const Span& span = result_->Match(m - 1)[g];
  if (span.start < 0) return {};
  if (position != nullptr) *position = ByteOffset(span.start);
  return Utf16ToGbk(Slice(subject_, span));
}

// Mapped on the first call only: the harvest never asks for a position.
int PatternMatcher::ByteOffset(int unit) const {
  if (byteOffsets_.empty()) (void)GbkToUtf16(subjectBytes_, &byteOffsets_);
  const auto i = static_cast<size_t>(unit);
  return i < byteOffsets_.size() ? byteOffsets_[i] : -1;
}

}  // namespace korvelin
