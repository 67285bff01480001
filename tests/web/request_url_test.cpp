#include "web/request_url.h"

#include <gtest/gtest.h>

#include "tests/support/gbk.h"

namespace korvelin {
namespace {

using ::korvelin::testing::G;

TEST(WireUrl, EscapesWhatMayNotStandInAUrl) {
  struct Case {
    const char* name;
    std::string url, expected;
  };
  const Case cases[] = {
      {"plain stays", "http://h:8080/a/b?x=1&y=2", "http://h:8080/a/b?x=1&y=2"},
      {"space", "http://h/s?wd=a b", "http://h/s?wd=a%20b"},
      {"GBK text as UTF-8", "http://h/s?wd=" + G("减肥"), "http://h/s?wd=%E5%87%8F%E8%82%A5"},
      {"trail byte | of a GBK character is no bar", "http://h/s?wd=" + G("觸"),
       "http://h/s?wd=%E8%A7%B8"},
      {"unsafe ASCII", "http://h/\"<>\\^`{|}", "http://h/%22%3C%3E%5C%5E%60%7B%7C%7D"},
      {"controls", "http://h/a\r\nb\tc\x7F", "http://h/a%0D%0Ab%09c%7F"},
      {"percent and structure stay", "http://u:p@h/%41?a=%zz&b=:/@!$'()*+,;",
       "http://u:p@h/%41?a=%zz&b=:/@!$'()*+,;"},
      {"fragment dropped", "http://h/a?b=c#frag ment", "http://h/a?b=c"},
      {"character that code page 936 lacks", "http://h/?q=\x80", "http://h/?q=%E2%82%AC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WireUrl(c.url), c.expected);
  }
}

TEST(EscapeUrlBytes, TakesBytesAsTheyAre) {
  EXPECT_EQ(EscapeUrlBytes("http://h/\xE4\xB8\xAD x#f"), "http://h/%E4%B8%AD%20x");
}

TEST(QueryComponent, KeepsOnlyUnreservedBytes) {
  struct Case {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"unreserved stay", "aZ09-._~", "aZ09-._~"},
      {"query structure", "a&b=c#d", "a%26b%3Dc%23d"},
      {"plus, percent and spaces", "C++ 100%", "C%2B%2B%20100%25"},
      {"line break", "a\r\nb", "a%0D%0Ab"},
      {"double-byte text as UTF-8", G("减肥"), "%E5%87%8F%E8%82%A5"},
      {"trail bytes are not ASCII", "\xD3\x5B", "%E8%A6%BD"},  // 覽
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(QueryComponent(c.text), c.expected);
  }
}

TEST(HttpUrlOrigin, Cases) {
  struct Case {
    const char* name;
    std::string url;
    std::optional<UrlOrigin> expected;
  };
  const Case cases[] = {
      {"http default port", "http://Example.COM/x", UrlOrigin{"http", "example.com", 80}},
      {"https default port", "HTTPS://h/", UrlOrigin{"https", "h", 443}},
      {"explicit port", "http://127.0.0.1:8080", UrlOrigin{"http", "127.0.0.1", 8080}},
      {"other scheme", "ftp://h/", std::nullopt},
      {"no scheme", "www.baidu.com/s", std::nullopt},
      {"no host", "http://", std::nullopt},
      {"port without host", "http://:80/", std::nullopt},
      {"empty", "", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HttpUrlOrigin(c.url), c.expected);
  }
}

}  // namespace
}  // namespace korvelin
