// A regular expression run over a code page 936 text, handing out the matches and their groups
// as code page 936 texts.
//
// The dialect is ECMAScript's, as the browsers read a pattern without the "u" flag: lazy
// quantifiers, capturing groups, \uXXXX and \xXX escapes, an escaped letter without a meaning
// stands for itself, "[]" matches nothing and "[^]" anything, a back-reference to a group that
// took no part matches the empty text. The dot matches neither CR nor LF. Ignoring case follows
// Unicode, as ECMAScript does. Escapes that only Perl knows (\h, \R, \Q...\E and the like)
// keep their Perl meaning.
//
// Texts are code page 936 bytes. Match and group numbers are 1-based. Positions are 0-based
// byte offsets into the subject of the last Execute, exact also where double-byte characters
// precede the match; -1 stands for a group that took no part in its match, or a number out of
// range.
//
// Example:
//   PatternMatcher m;
//   m.Execute("\"(.*?)\"", "[\"a\",\"b\"]");  // true
//   m.MatchCount() == 2;  m.SubMatchText(2, 1) == "b"
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_primitives.h"

namespace korvelin {

class PatternMatcher {
 public:
  PatternMatcher();
  ~PatternMatcher();

  // Copying goes through Copy() only: a copy holds its own copy of the subject, which may be a
  // whole page, and an implicit copy (a matcher passed by value) would make one unseen.
  PatternMatcher(const PatternMatcher&) = delete;
  PatternMatcher& operator=(const PatternMatcher&) = delete;
  PatternMatcher(PatternMatcher&&) noexcept;
  PatternMatcher& operator=(PatternMatcher&&) noexcept;

  // A matcher that gives the same answers as this one: it shares the pattern and the matches
  // (they never change) and holds its own copy of the subject. The two are independent from
  // then on; a later Execute on either leaves the other as it was. (A matcher keeps the last
  // few patterns it compiled, for the next Execute with the same pattern; a copy starts
  // without them.)
  [[nodiscard]] PatternMatcher Copy() const;

  // Drops the pattern and matches of any earlier run, then runs `pattern` over `subject`: all
  // matches, left to right and without overlap, when `global`, else only the first. After an
  // empty match the search goes on one character further. With `multiLine`, ^ and $ also
  // match after and before line breaks (CR, LF, CRLF). With `quotePlaceholder`, every "#引号"
  // in the pattern is read as a double quote.
  //
  // True when the pattern ran, also when nothing matched. False when the pattern is invalid,
  // when the subject is 2 GiB or more, or when the engine gave up: a search that backtracks
  // past its match limit ends the whole run, rather than hand out the matches found before it
  // as if they were all. After false nothing of this run or an earlier one is visible: no
  // pattern, no matches.
  //
  // The match limit bounds each search, so runaway backtracking ends within a fraction of a
  // second; a pattern that scans to the end of the text from every start position still costs
  // time proportional to the square of the text's length. Running the same pattern again with
  // the same options reuses its compiled form: a matcher that alternates between a few
  // patterns compiles each once.
  bool Execute(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
               bool multiLine = true, bool global = true, bool quotePlaceholder = false);

  // The pattern of the last successful Execute, placeholders replaced; empty before it.
  [[nodiscard]] Text GetPattern() const;

  // The subject of the last successful Execute with its matches (all it found) replaced by
  // `replacement`, read as ECMAScript reads one: $1..$99 a group (two digits only when that
  // group exists, an unset group gives the empty text), $& the match, $` the text before it,
  // $' the text after it, $$ a "$"; any other "$" stays as it is. Empty before the first
  // successful Execute.
  [[nodiscard]] Text ReplaceMatches(std::string_view replacement) const;

  // The number of matches; 0 when there is none or no successful Execute.
  [[nodiscard]] int MatchCount() const;

  // The text of match m; empty when m is outside 1..MatchCount(). When `position` is given it
  // receives the match's byte offset in the subject, or -1 when m is out of range. (The first
  // call that asks for a position maps the whole subject's offsets, so even the queries that
  // are const are not for two threads at once.)
  [[nodiscard]] Text MatchText(int m, int* position = nullptr) const;

  // The text of capturing group s of match m; empty when the group took no part in the match or
  // either number is out of range. When `position` is given it receives the group's byte
  // offset in the subject, or -1 in those cases.
  [[nodiscard]] Text SubMatchText(int m, int s, int* position = nullptr) const;

  // The number of capturing groups in the pattern; 0 when nothing matched.
  [[nodiscard]] int SubMatchCount() const;

 private:
  struct Result;    // the pattern and what it matched; immutable once built
  struct Compiled;  // a pattern compiled under one set of options, ready to run

  // The compiled form of `pattern` under `options`, from the matcher's recent ones or compiled
  // now; nullptr when the pattern is invalid.
  Compiled* CompiledPattern(std::u16string pattern, uint32_t options);

  // The text and position of group g (0 for the whole match) of match m.
  [[nodiscard]] Text GroupText(int m, int g, int* position) const;
  // The byte offset in the subject of its UTF-16 unit `unit`.
  [[nodiscard]] int ByteOffset(int unit) const;

  std::shared_ptr<const Result> result_;
  std::u16string subject_;                // the subject as the engine saw it
  Text subjectBytes_;                     // the subject as it was given
  mutable std::vector<int> byteOffsets_;  // of each unit of `subject_`; empty until asked for
  std::vector<std::unique_ptr<Compiled>> compiled_;  // the most recently used first
};

}  // namespace korvelin
