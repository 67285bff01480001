#include "text/text_helpers.h"

#include <gtest/gtest.h>

#include "tests/support/gbk.h"

namespace korvelin {
namespace {

using ::korvelin::testing::G;

TEST(TextBetween, Cases) {
  struct Case {
    const char* name;
    Text text, left, right;
    int start;
    Text expected;
  };
  const Text lan = "\xD3\x5B";  // 覽, trail "["
  const Text zhu = "\xD4\x5D";  // 註, trail "]"
  const Text quote = "#" + G("引号");
  const Case cases[] = {
      {"between", "x[ab]y", "[", "]", 1, "ab"},
      {"markers adjacent", "x[]y", "[", "]", 1, ""},
      {"right marker only ahead of left", "]x[y", "[", "]", 1, ""},
      {"left marker missing", "x]y", "[", "]", 1, ""},
      {"right marker missing", "x[y", "[", "]", 1, ""},
      {"first left, first right after it", "[a]b[c]", "[", "]", 1, "a"},
      {"left from start", "[a]b[c]", "[", "]", 2, "c"},
      {"start 0 counts as 1", "[a]", "[", "]", 0, "a"},
      {"left marker ends the text", "ab[", "[", "]", 1, ""},
      {"placeholder in markers", "<b>\"x\"</b>", "<b>" + quote, quote + "</b>", 1, "x"},
      {"plain quote in markers", "<b>\"x\"</b>", "<b>\"", "\"</b>", 1, "x"},
      {"trail bytes are no markers", "[" + zhu + lan + "]", "[", "]", 1, zhu + lan},
      {"the suggestion trap", "s:[\"" + zhu + "\"]", "[", "]", 1, "\"" + zhu + "\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.start), c.expected);
  }
}

TEST(TextBefore, Cases) {
  struct Case {
    const char* name;
    Text text, delimiter;
    int start;
    Text expected;
  };
  const Case cases[] = {
      {"before", "Set-Cookie: a=1", ": ", 1, "Set-Cookie"},
      {"delimiter first", ": x", ": ", 1, ""},
      {"no delimiter", "abc", ": ", 1, ""},
      {"always from the first byte", "a:b:c", ":", 3, "a:b"},
      {"start below 1", "a:b", ":", -3, "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TextBefore(c.text, c.delimiter, c.start), c.expected);
  }
}

TEST(Utf8ToGbk, Cases) {
  struct Case {
    const char* name;
    std::string bytes;
    Text expected;
  };
  const Case cases[] = {
      {"中", "\xE4\xB8\xAD", "\xD6\xD0"},
      {"empty", "", ""},
      {"ends at a zero byte", std::string("a\xE4\xB8\xAD\0b", 6), "a\xD6\xD0"},
      {"invalid UTF-8",
       "a\xFF\xFE"
       "b",
       "a??b"},
      {"outside code page 936",
       "a\xF0\x9F\x98\x80"
       "b",
       "a?b"},
      {"euro sign", "\xE2\x82\xAC", "\x80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf8ToGbk(c.bytes), c.expected);
  }
}

}  // namespace
}  // namespace korvelin
