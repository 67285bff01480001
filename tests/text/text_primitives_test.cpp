#include "text/text_primitives.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

#include "tests/support/gbk.h"

namespace korvelin {
namespace {

using ::korvelin::testing::G;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Double-byte characters whose trail byte is an ASCII character that searches look for.
const Text kLan = "\xD3\x5B";       // 覽, trail "["
const Text kZhu = "\xD4\x5D";       // 註, trail "]"
const Text kCheng = "\xD5\x5C";     // 誠, trail "\"
const Text kChu = "\xD3\x7C";       // 觸, trail "|"
const Text kYinLower = "\xB0\x61";  // 癮, trail "a"
const Text kYinUpper = "\xB0\x41";  // 癆, trail "A"

TEST(FindText, Cases) {
  struct Case {
    const char* name;
    Text text;
    Text sought;
    int start;
    bool ignoreCase;
    int expected;
  };
  const Case cases[] = {
      {"first occurrence", "abcabc", "c", 1, false, 3},
      {"from a later start", "abcabc", "c", 4, false, 6},
      {"start on the match", "abcabc", "c", 6, false, 6},
      {"start below 1 counts as 1", "abcabc", "c", -5, false, 3},
      {"start past the end", "abcabc", "c", 7, false, -1},
      {"absent", "abc", "d", 1, false, -1},
      {"overlapping candidates", "aaa", "aa", 2, false, 2},
      {"sought longer than text", "ab", "abc", 1, false, -1},
      {"empty sought", "abc", "", 1, false, 1},
      {"empty sought gives 1 from a later start", "abc", "", 3, false, 1},
      {"empty sought past the end", "abc", "", 4, false, -1},
      {"empty sought in empty text", "", "", 1, false, -1},
      {"[ inside 覽 is stepped over", kLan + "[", "[", 1, false, 3},
      {"] inside 註 is stepped over", kZhu + "]", "]", 1, false, 3},
      {"\\ inside 誠 is stepped over", kCheng + "\\", "\\", 1, false, 3},
      {"| inside 觸 is stepped over", kChu + "|", "|", 1, false, 3},
      {"only a trail byte matches", kLan + kZhu, "[", 1, false, -1},
      {"multi-byte sought across a trail", "x" + kLan + "[y", "[y", 1, false, 4},
      {"steps counted from start", kLan + "[", "[", 2, false, 2},
      {"double-byte sought", G("减肥减肥"), G("肥"), 1, false, 3},
      {"double-byte sought from a later character", G("减肥减肥"), G("肥"), 5, false, 7},
      {"misaligned start pairs bytes differently", G("减肥减肥"), G("肥"), 2, false, -1},
      {"case matters by default", "xABc", "abc", 1, false, -1},
      {"ignoring case folds ASCII", "xABc", "abc", 1, true, 2},
      {"ignoring case skips a trail letter", kYinLower + "a", "A", 1, true, 3},
      {"double-byte compares byte for byte", kYinUpper, kYinLower, 1, true, -1},
      {"ignoring case still steps over trails", kLan + "[", "[", 1, true, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindText(c.text, c.sought, c.start, c.ignoreCase), c.expected);
  }
}

TEST(FindText, LongRunOfDoubleByteCharactersBeforeTheMatch) {
  Text text;
  for (int i = 0; i < 10000; ++i) text += kLan;  // every other byte is "["
  EXPECT_EQ(FindText(text + "[", "["), 20001);
  EXPECT_EQ(FindText("x" + text, "["), -1);
}

TEST(CuttingByLength, Cases) {
  struct Case {
    const char* name;
    Text actual;
    Text expected;
  };
  const Case cases[] = {
      {"left", TextLeft("abc", 2), "ab"},
      {"left of zero", TextLeft("abc", 0), ""},
      {"left past the end", TextLeft("abc", INT_MAX), "abc"},
      {"right", TextRight("abc", 2), "bc"},
      {"right of a negative count", TextRight("abc", -1), ""},
      {"right past the end", TextRight("abc", INT_MAX), "abc"},
      {"mid", TextMid("abcde", 2, 3), "bcd"},
      {"mid cut at the end", TextMid("abcde", 4, INT_MAX), "de"},
      {"mid from 0", TextMid("abc", 0, 2), ""},
      {"mid past the end", TextMid("abc", 4, 1), ""},
      {"mid of zero bytes", TextMid("abc", 1, 0), ""},
      {"mid splits a character", TextMid(G("减肥"), 2, 2), "\xF5\xB7"},
      {"bytes mid", BytesMid(std::string("a\0b", 3), 2, 2), std::string("\0b", 2)},
      {"bytes mid from 0 counts as 1", BytesMid("abc", 0, 1), "a"},
      {"bytes mid past the end", BytesMid("abc", INT_MAX, INT_MAX), ""},
      {"bytes mid of a negative count", BytesMid("abc", 1, -1), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.actual, c.expected);
  }
}

TEST(CharCode, IsASignedByteAndZeroOutside) {
  EXPECT_EQ(CharCode("A"), 65);
  EXPECT_EQ(CharCode(G("减"), 1), -68);  // 0xBC
  EXPECT_EQ(CharCode("ab", 0), 0);
  EXPECT_EQ(CharCode("ab", 3), 0);
  EXPECT_EQ(CharCode(""), 0);
}

TEST(CaseAndSpaces, Cases) {
  struct Case {
    const char* name;
    Text actual;
    Text expected;
  };
  const Text fullWidthSpace = "\xA1\xA1";
  const Text ah = "\xB0\xA1";  // 啊, trail byte A1
  const Case cases[] = {
      {"upper", ToUpper("abZ1"), "ABZ1"},
      {"upper leaves trail letters", ToUpper(kYinLower + "a"), kYinLower + "A"},
      {"trim spaces", TrimBoth("  a b  "), "a b"},
      {"trim full-width spaces", TrimBoth(fullWidthSpace + " a" + fullWidthSpace), "a"},
      {"trim keeps tabs and breaks", TrimBoth(" \ta\r\n "), "\ta\r\n"},
      {"trim all spaces", TrimBoth("  " + fullWidthSpace), ""},
      {"trim respects characters", TrimBoth(ah + fullWidthSpace), ah},
      {"a trail byte 0x20 is no space", TrimBoth(" \x81 "), "\x81 "},
      {"remove all spaces", RemoveAllSpaces(" a" + fullWidthSpace + "b c "), "abc"},
      {"remove keeps characters ending in A1", RemoveAllSpaces(ah + " " + ah), ah + ah},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.actual, c.expected);
  }
}

TEST(ReplaceText, Cases) {
  struct Case {
    const char* name;
    Text text, old, replacement;
    bool caseSensitive;
    Text expected;
  };
  const Case cases[] = {
      {"every occurrence", "a-b-c", "-", "+", true, "a+b+c"},
      {"without overlap", "aaaa", "aa", "b", true, "bb"},
      {"removal", "Cookie: a=1", "Cookie:", "", true, " a=1"},
      {"case folded when asked", "aXbx", "x", "-", false, "a-b-"},
      {"case kept by default", "aXbx", "x", "-", true, "aXb-"},
      {"empty old", "abc", "", "x", true, "abc"},
      {"empty text", "", "a", "x", true, ""},
      {"replacement holding old", "ab", "a", "aa", true, "aab"},
      {"trail byte not replaced", kLan + "[", "[", "(", true, kLan + "("},
      {"trail byte kept when folding", kZhu + "]", "]", ")", false, kZhu + ")"},
      {"double-byte old", G("减肥减肥"), G("肥"), "x", true, G("减") + "x" + G("减") + "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReplaceText(c.text, c.old, c.replacement, c.caseSensitive), c.expected);
  }
}

TEST(SplitText, Cases) {
  struct Case {
    const char* name;
    Text text, separator;
    TextArray expected;
  };
  const Case cases[] = {
      {"empty text", "", "\r\n", {}},
      {"empty separator", "a\r\nb", "", {"a\r\nb"}},
      {"no separator", "ab", "\r\n", {"ab"}},
      {"two lines", "a\r\nb", "\r\n", {"a", "b"}},
      {"leading separator", "\r\na", "\r\n", {"", "a"}},
      {"adjacent separators", "a\r\n\r\nb", "\r\n", {"a", "", "b"}},
      {"final separator adds nothing", "a\r\n", "\r\n", {"a"}},
      {"only the last empty piece goes", "a\r\n\r\n", "\r\n", {"a", ""}},
      {"separator alone", "\r\n", "\r\n", {""}},
      {"trail byte is no separator", kChu + "|x", "|", {kChu, "x"}},
      {"double-byte separator", G("甲，乙"), G("，"), {G("甲"), G("乙")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitText(c.text, c.separator), c.expected);
  }
}

TEST(BytesAndNumbers, Cases) {
  EXPECT_EQ(BytesToText(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(ToBytes("ab"), "ab");
  EXPECT_EQ(BytesLength(std::string("\0\0", 2)), 2);
  EXPECT_EQ(BlankBytes(3), std::string(3, '\0'));
  EXPECT_THAT(BlankBytes(-1), IsEmpty());
  EXPECT_EQ(BlankText(2), "  ");
  EXPECT_THAT(BlankText(0), IsEmpty());
  EXPECT_EQ(NumberToText(0), "0");
  EXPECT_EQ(NumberToText(-42), "-42");
  EXPECT_EQ(NumberToText(INT_MIN), "-2147483648");
}

}  // namespace
}  // namespace korvelin
