#include "web/response_cookies.h"

#include <gtest/gtest.h>

#include "tests/support/gbk.h"

namespace korvelin {
namespace {

using ::korvelin::testing::G;

TEST(CollectResponseCookies, Cases) {
  struct Case {
    const char* name;
    Text headers, expected;
  };
  const Case cases[] = {
      {"no headers", "", ""},
      {"no Set-Cookie", "Content-Type: text/html\r\nServer: x", ""},
      {"attributes dropped", "Set-Cookie: a=1; Path=/; HttpOnly", "a=1"},
      {"whole value without ;", "Set-Cookie:  a=1 ", "a=1"},
      {"two in header order", "Set-Cookie: b=2; Path=/\r\nX: y\r\nSet-Cookie: a=1", "b=2; a=1"},
      {"other letter case passed over", "set-cookie: a=1\r\nSET-COOKIE: b=2", ""},
      {"no space after the colon passed over", "Set-Cookie:a=1", ""},
      {"GBK value", "Set-Cookie: k=" + G("值") + "; Path=/", "k=" + G("值")},
      {"empty value kept", "Set-Cookie: a=; Path=/\r\nSet-Cookie: b=2", "a=; b=2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CollectResponseCookies(c.headers), c.expected);
  }
}

TEST(MergeCookies, Cases) {
  struct Case {
    const char* name;
    Text oldCookies, newCookies, expected, expectedNew;
  };
  const Case cases[] = {
      {"new first, then old names the response did not set", "a=1; b=2", "b=3; c=4",
       "b=3; c=4; a=1", "b=3;c=4"},
      {"deleted by the response", "a=1; b=2", "b=deleted", "a=1", "b=deleted"},
      {"deletion marker is case sensitive", "a=1", "b=DELETED", "b=DELETED; a=1", "b=DELETED"},
      {"spaces go, inside values too", "a = x y", "", "a=xy", ""},
      {"identical entries stay once", "a=1; a=1", "", "a=1", ""},
      {"same name, different values from one response", "", "a=1; a=2", "a=1; a=2", "a=1;a=2"},
      {"of old entries sharing a name the first stays", "a=1; a=2", "", "a=1", ""},
      {"empty entry in the old text", "a=1;;b=2", "", "a=1; ; b=2", ""},
      {"both empty", "", "", "", ""},
      {"old empty", "", "a=1", "a=1", "a=1"},
      {"names compare with letter case", "A=1", "a=2", "a=2; A=1", "a=2"},
      {"entry without =", "flag; a=1", "flag", "flag; a=1", "flag"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Text oldCookies = c.oldCookies;
    Text newCookies = c.newCookies;
    EXPECT_EQ(MergeCookies(oldCookies, newCookies), c.expected);
    EXPECT_EQ(oldCookies, c.expected);
    EXPECT_EQ(newCookies, c.expectedNew);
  }
}

TEST(CookieName, Cases) {
  struct Case {
    const char* name;
    Text entry, expected;
  };
  const Case cases[] = {
      {"name=value", "a=1", "a"}, {"trimmed", "  a  =1", "a"}, {"first = only", "a=b=c", "a"},
      {"no =", " flag ", "flag"}, {"empty", "", ""},           {"empty name", "=1", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CookieName(c.entry), c.expected);
  }
}

TEST(CookieLists, HasCookieNamedAndIndexOfText) {
  const TextArray entries = {"a=1", " b =2", "c", "a=3"};
  EXPECT_TRUE(HasCookieNamed(entries, "a"));
  EXPECT_TRUE(HasCookieNamed(entries, "b"));
  EXPECT_TRUE(HasCookieNamed(entries, "c"));
  EXPECT_FALSE(HasCookieNamed(entries, "A"));
  EXPECT_FALSE(HasCookieNamed({}, ""));

  EXPECT_EQ(IndexOfText(entries, "a=1"), 1);
  EXPECT_EQ(IndexOfText(entries, "a=3"), 4);
  EXPECT_EQ(IndexOfText(entries, "b=2"), -1);  // byte for byte, spaces count
  EXPECT_EQ(IndexOfText({}, ""), -1);
  EXPECT_EQ(IndexOfText({"x", ""}, ""), 2);
}

TEST(JoinDistinct, Cases) {
  struct Case {
    const char* name;
    Text text, separator, expected;
  };
  const Case cases[] = {
      {"repeats dropped, first kept in place", "a; b; a; c; b", "; ", "a; b; c"},
      {"nothing repeated", "a; b", "; ", "a; b"},
      {"empty", "", "; ", ""},
      {"empty pieces are pieces too", "a; ; b; ", "; ", "a; ; b"},
      {"one-byte separator", "x,y,x", ",", "x,y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(JoinDistinct(c.text, c.separator), c.expected);
  }
}

}  // namespace
}  // namespace korvelin
