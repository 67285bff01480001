#include "text/pattern_matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/gbk.h"
#include "text/codepage.h"

namespace korvelin {
namespace {

using ::korvelin::testing::G;

std::string Utf8(std::string_view gbk) { return Utf16ToUtf8(GbkToUtf16(gbk)); }

// Every match as "position:text", then each of its groups as "(position:text)", or "(-)" for a
// group that took no part; texts in UTF-8.
std::string Describe(const PatternMatcher& matcher) {
  std::string out;
  for (int m = 1; m <= matcher.MatchCount(); ++m) {
    int position = -2;
    const Text text = matcher.MatchText(m, &position);
    out += (m > 1 ? " " : "") + std::to_string(position) + ":" + Utf8(text);
    for (int s = 1; s <= matcher.SubMatchCount(); ++s) {
      const Text group = matcher.SubMatchText(m, s, &position);
      out += position < 0 ? "(-)" : "(" + std::to_string(position) + ":" + Utf8(group) + ")";
    }
  }
  return out;
}

// A JavaScript engine's answers, printed by tests/text/js_reference.mjs (see there for the
// format); texts in UTF-8, converted to code page 936 for the matcher.
struct JsCase {
  const char* name;
  const char* pattern;
  const char* flags;
  const char* subject;
  const char* replacement;
  const char* matches;
  const char* replaced;
};
const JsCase kJsReference[] = {
    {"global digits", "\\d+", "igm", "a12b345", "<$&>", "1:12 4:345", "a<12>b<345>"},
    {"first match only", "\\d+", "im", "a12b345", "<$&>", "1:12", "a<12>b345"},
    {"case ignored", "<a href=\"(.*?)\">", "igm", "<A HREF=\"x\">", "$1", "0:<A HREF=\"x\">(9:x)",
     "x"},
    {"case kept", "<a", "gm", "<A <a", "-", "3:<a", "<A -"},
    {"lazy group stops at a line break", "<b>(.*?)</b>", "igm", "<b>x\r\n</b><b>y</b>", "[$1]",
     "10:<b>y</b>(13:y)", "<b>x\r\n</b>[y]"},
    {"dot matches neither CR nor LF", "a.c", "igm", "a\rc a\nc abc", "-", "8:abc", "a\rc a\nc -"},
    {"^ and $ at every line break", "^\\w+$", "igm", "ab\r\ncd\ref\ngh", "<$&>",
     "0:ab 4:cd 7:ef 10:gh", "<ab>\r\n<cd>\r<ef>\n<gh>"},
    {"^ and $ at the ends only", "^\\w+$", "ig", "ab\r\ncd", "-", "", "ab\r\ncd"},
    {"$ not before a final line break", "b$", "ig", "ab\n", "-", "", "ab\n"},
    {"empty class matches nothing", "a[]b|c", "igm", "ab c", "-", "3:c", "ab -"},
    {"negated empty class matches anything", "a[^]b", "igm", "a\nb", "-", "0:a\nb", "-"},
    {"unset group", "(a)|(b)", "igm", "ba", "[$1|$2]", "0:b(-)(0:b) 1:a(1:a)(-)", "[|b][a|]"},
    {"back-reference to an unset group", "(a)?b\\1", "igm", "b", "-", "0:b(-)", "-"},
    {"\\u and \\x escapes", "\\u0041\\x42", "gm", "xABy", "-", "1:AB", "x-y"},
    {"short \\u and \\x are letters", "\\u12\\x4", "igm", "u12x4", "-", "0:u12x4", "-"},
    {"escaped letters without a meaning", "\\U\\q\\y", "gm", "Uqy", "-", "0:Uqy", "-"},
    {"braces without a count", "a{,2}x{", "igm", "a{,2}x{", "-", "0:a{,2}x{", "-"},
    {"named group counts as a group", "(?<y>\\d+)-(\\d+)", "igm", "12-34", "$2-$1",
     "0:12-34(0:12)(3:34)", "34-12"},
    {"lookahead and lookbehind", "(?<=a)b(?=c)", "igm", "abc bbc", "-", "1:b", "a-c bbc"},
    {"word boundary next to a double-byte character", "\\bab\\b", "igm", "中ab", "-", "2:ab",
     "中-"},
    {"full-width and Greek letters fold", "ａσ", "igm", "ＡΣ", "-", "0:ＡΣ", "-"},
    {"empty matches move on", "x*", "igm", "abc", "-", "0: 1: 2: 3:", "-a-b-c-"},
    {"empty match right after a match", "a*", "igm", "baaac", "-", "0: 1:aaa 4: 5:", "-b--c-"},
    {"empty matches over double-byte text", "", "igm", "覽註", "-", "0: 2: 4:", "-覽-註-"},
    {"positions after double-byte text", "\\[(.*?)\\]", "igm", "覽[註]觸[誠]", "<$1>",
     "2:[註](3:註) 8:[誠](9:誠)", "覽<註>觸<誠>"},
    {"trail bytes are no pattern characters", "\\||\\\\|\\[|\\]", "igm", "觸誠覽註|\\[]", "-",
     "8:| 9:\\ 10:[ 11:]", "觸誠覽註----"},
    {"caseless over a trail byte \"a\"", "a", "igm", "癮a", "-", "2:a", "癮-"},
    {"group position where it matched", "x(\\d)\\d(\\d)", "igm", "覽x121", "-", "2:x121(3:1)(5:1)",
     "覽-"},
    {"groups in the replacement", "(\\w)(\\d)", "igm", "a1 b2", "$2$1",
     "0:a1(0:a)(1:1) 3:b2(3:b)(4:2)", "1a 2b"},
    {"match, before, after, dollar", "b", "igm", "abc", "[$&|$`|$'|$$]", "1:b", "a[b|a|c|$]c"},
    {"$0, a missing group and a last $ stay", "(b)", "igm", "abc", "$0$2$", "1:b(1:b)", "a$0$2$c"},
    {"two digits when that group exists", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", "igm", "abcdefghij",
     "$10|$01|$011|$00", "0:abcdefghij(0:a)(1:b)(2:c)(3:d)(4:e)(5:f)(6:g)(7:h)(8:i)(9:j)",
     "j|a|a1|$00"},
    {"one digit when only that group exists", "(a)", "igm", "a", "$10|$1x|$x|$<n>", "0:a(0:a)",
     "a0|ax|$x|$<n>"},
    {"unbalanced group", "(", "igm", "a", "-", "!", ""},
    {"reversed range", "[b-a]", "igm", "a", "-", "!", ""},
};

TEST(PatternMatcher, AgreesWithEcmaScript) {
  for (const JsCase& c : kJsReference) {
    SCOPED_TRACE(c.name);
    const std::string_view flags = c.flags;
    auto has = [&](char flag) { return flags.find(flag) != std::string_view::npos; };
    PatternMatcher matcher;
    const bool ok = matcher.Execute(G(c.pattern), G(c.subject), !has('i'), has('m'), has('g'));
    EXPECT_EQ(ok ? Describe(matcher) : "!", c.matches);
    EXPECT_EQ(Utf8(matcher.ReplaceMatches(G(c.replacement))), c.replaced);
  }
}

TEST(PatternMatcher, AsTheHarvestUsesIt) {
  struct Case {
    const char* name;
    std::string pattern;
    std::string subject;
    std::vector<std::string> candidates;
  };
  const Case cases[] = {
      {"related searches",
       "\">(.*?)</a></th>",
       G("<table><tr><th><a href=\"/s?wd=1\">减肥餐</a></th><th><a href=\"/s?wd=2\">覽註</a></th>"
         "</tr>\r\n<tr><TH><A HREF=\"/s?wd=3\">誠觸</A></TH><th><a>x\r\ny</a></th></tr></table>"),
       {G("减肥餐"), G("覽註"), G("誠觸")}},
      {"suggestions", "\"(.*?)\"", G("\"覽註\",\"誠觸\""), {G("覽註"), G("誠觸")}},
      {"nothing to find", "\"(.*?)\"", G("减肥"), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.Execute(c.pattern, c.subject));
    std::vector<std::string> candidates;
    for (int i = 1; i <= matcher.MatchCount(); ++i)
      candidates.push_back(matcher.SubMatchText(i, 1));
    EXPECT_EQ(candidates, c.candidates);
  }
}

TEST(PatternMatcher, QuotePlaceholderOnlyWhenAsked) {
  const Text pattern = G("#引号(.*?)#引号");
  const Text subject = G("\"a\" #引号b#引号");
  PatternMatcher matcher;
  ASSERT_TRUE(matcher.Execute(pattern, subject));
  EXPECT_EQ(matcher.GetPattern(), pattern);
  EXPECT_EQ(matcher.MatchCount(), 1);
  EXPECT_EQ(matcher.SubMatchText(1, 1), "b");

  ASSERT_TRUE(matcher.Execute(pattern, subject, false, true, true, true));
  EXPECT_EQ(matcher.GetPattern(), "\"(.*?)\"");
  EXPECT_EQ(matcher.MatchCount(), 1);
  EXPECT_EQ(matcher.SubMatchText(1, 1), "a");
}

class PatternMatcherState : public ::testing::Test {
 protected:
  // Every answer the matcher gives when it holds nothing.
  static void ExpectEmpty(const PatternMatcher& matcher) {
    int position = 0;
    EXPECT_EQ(matcher.MatchCount(), 0);
    EXPECT_EQ(matcher.SubMatchCount(), 0);
    EXPECT_EQ(matcher.GetPattern(), "");
    EXPECT_EQ(matcher.ReplaceMatches("x"), "");
    EXPECT_EQ(matcher.MatchText(1, &position), "");
    EXPECT_EQ(position, -1);
    EXPECT_EQ(matcher.SubMatchText(1, 1), "");
  }

  PatternMatcher matcher_;
};

TEST_F(PatternMatcherState, HoldsNothingBeforeTheFirstExecute) { ExpectEmpty(matcher_); }

TEST_F(PatternMatcherState, AFailedExecuteHidesTheEarlierRun) {
  ASSERT_TRUE(matcher_.Execute("(a)", "a"));
  EXPECT_FALSE(matcher_.Execute("(", "a"));
  ExpectEmpty(matcher_);
}

TEST_F(PatternMatcherState, NoMatchIsASuccessWithNothingFound) {
  ASSERT_TRUE(matcher_.Execute("(x)", "abc"));
  EXPECT_EQ(matcher_.MatchCount(), 0);
  EXPECT_EQ(matcher_.SubMatchCount(), 0);
  EXPECT_EQ(matcher_.GetPattern(), "(x)");
  EXPECT_EQ(matcher_.ReplaceMatches("y"), "abc");
}

TEST_F(PatternMatcherState, NumbersOutOfRangeGiveNothing) {
  ASSERT_TRUE(matcher_.Execute("(a)(b)?", "a a"));
  ASSERT_EQ(matcher_.MatchCount(), 2);
  ASSERT_EQ(matcher_.SubMatchCount(), 2);
  struct Case {
    int m, s;
  };
  const Case cases[] = {{0, 1}, {3, 1}, {-1, 1}, {1, 0}, {1, 3}, {1, -1}, {2, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.m) + "," + std::to_string(c.s));
    int position = 0;
    EXPECT_EQ(matcher_.SubMatchText(c.m, c.s, &position), "");
    EXPECT_EQ(position, -1);
  }
  for (int m : {0, 3, -1}) {
    int position = 0;
    EXPECT_EQ(matcher_.MatchText(m, &position), "");
    EXPECT_EQ(position, -1);
  }
}

TEST_F(PatternMatcherState, ACopyKeepsItsAnswersWhenTheOriginalRunsAgain) {
  const Text subject = G("覽x1註x2");
  ASSERT_TRUE(matcher_.Execute("x(\\d)", subject));
  const PatternMatcher copy = matcher_.Copy();
  ASSERT_TRUE(matcher_.Execute("y", "y"));
  EXPECT_EQ(Describe(copy), "2:x1(3:1) 6:x2(7:2)");
  EXPECT_EQ(copy.GetPattern(), "x(\\d)");
  EXPECT_EQ(copy.ReplaceMatches("<$1>"), G("覽<1>註<2>"));

  PatternMatcher moved = std::move(matcher_);
  EXPECT_EQ(Describe(moved), "0:y");
}

TEST_F(PatternMatcherState, APatternRunAgainRunsUnderTheOptionsOfThatRun) {
  struct Run {
    const char* pattern;
    bool caseSensitive, multiLine, global;
    int matches;
  };
  // More pairs of pattern and options than the matcher keeps compiled, each run twice.
  const Run runs[] = {
      {"^a", false, true, true, 3},  {"^a", true, true, true, 2},  {"^a", false, true, false, 1},
      {"^a", false, false, true, 1}, {"^a", true, false, true, 1}, {"A", true, true, true, 1},
  };
  for (int round = 0; round < 2; ++round) {
    for (const Run& r : runs) {
      SCOPED_TRACE(std::string(r.pattern) + (r.caseSensitive ? " cs" : "") +
                   (r.multiLine ? " ml" : "") + (r.global ? " g" : ""));
      ASSERT_TRUE(matcher_.Execute(r.pattern, "a\nA\na", r.caseSensitive, r.multiLine, r.global));
      EXPECT_EQ(matcher_.MatchCount(), r.matches);
    }
  }
}

TEST(PatternMatcher, RunawayBacktrackingEnds) {
  const std::string as(100000, 'a');
  PatternMatcher matcher;
  const bool ok = matcher.Execute("(a+)+b", as);
  EXPECT_TRUE(!ok || matcher.MatchCount() == 0);
  // A run that gives up part-way hands out none of the matches it found before.
  EXPECT_FALSE(matcher.Execute("(a+)+(b|c)", "ab" + as));
  EXPECT_EQ(matcher.MatchCount(), 0);
}

TEST(PatternMatcher, LongTextsDoNotFail) {
  std::string items;
  for (int i = 0; i < 50000; ++i) items += G("\"覽註\",");
  PatternMatcher matcher;
  ASSERT_TRUE(matcher.Execute("\"(.*?)\"", items));
  EXPECT_EQ(matcher.MatchCount(), 50000);
  int position = 0;
  EXPECT_EQ(matcher.SubMatchText(50000, 1, &position), G("覽註"));
  EXPECT_EQ(position, 49999 * 7 + 1);

  const std::string block = "<b>" + std::string(300000, 'a') + "\r\n</b>";
  ASSERT_TRUE(matcher.Execute("<b>((?:.|\\s)*?)</b>", block));
  EXPECT_EQ(matcher.MatchCount(), 1);
}

}  // namespace
}  // namespace korvelin
