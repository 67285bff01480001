#include "web/request_headers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "tests/support/gbk.h"
#include "tests/web/recording_request_object.h"

namespace korvelin {
namespace {

using ::korvelin::testing::G;
using ::korvelin::testing::RecordingRequestObject;
using Headers = std::vector<std::pair<Text, Text>>;

const Text kUrl = "http://127.0.0.1/s?wd=x";
const Text kUserAgent(DefaultUserAgent);

TEST(CapitaliseWord, Cases) {
  struct Case {
    const char* name;
    Text text, expected;
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"one letter", "a", "A"},
      {"first letter only", "abc", "Abc"},
      {"upper stays", "ABC", "ABC"},
      {"digit first", "1a", "1a"},
      {"double-byte first", G("中") + "a", G("中") + "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CapitaliseWord(c.text), c.expected);
  }
}

TEST(HeaderNameAndValue, Cases) {
  struct Case {
    const char* name;
    Text line, expectedName, expectedValue;
  };
  const Case cases[] = {
      {"plain", "Accept: */*", "Accept", "*/*"},
      {"spaces trimmed", "  Accept  :   */*  ", "Accept", "*/*"},
      {"later colons belong to the value", "Referer: http://a:8080/x", "Referer",
       "http://a:8080/x"},
      {"no colon", "Accept */*", "", ""},
      {"empty", "", "", ""},
      {"empty name", ": v", "", "v"},
      {"empty value", "X-Empty:", "X-Empty", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HeaderName(c.line), c.expectedName);
    EXPECT_EQ(HeaderValue(c.line), c.expectedValue);
  }
}

TEST(NormaliseHeaderNames, Cases) {
  struct Case {
    const char* name;
    Text headers, expected;
  };
  const Case cases[] = {
      {"lower case name", "content-type: text/html", "Content-Type: text/html"},
      {"upper case stays", "CONTENT-TYPE: x", "CONTENT-TYPE: x"},
      {"every piece", "x-forwarded-for: 1", "X-Forwarded-For: 1"},
      {"dashes stay where they are", "-a--b-: v", "-A--B-: v"},
      {"leading space belongs to the name", " accept: v", " accept: v"},
      {"value untouched", "a: b-c: d", "A: b-c: d"},
      {"lines without colon and empty lines dropped", "a: 1\r\nnoise\r\n\r\nb: 2", "A: 1\r\nB: 2"},
      {"no last line break", "a: 1\r\n", "A: 1"},
      {"nothing with a colon", "noise\r\nmore", ""},
      {"empty", "", ""},
      {"double-byte name", G("中") + "-a: v", G("中") + "-A: v"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(NormaliseHeaderNames(c.headers), c.expected);
  }
}

TEST(CompleteDefaultHeaders, Cases) {
  const Text accept = "\r\nAccept: */*";
  const Text referer = "\r\nReferer: " + kUrl;
  const Text language = "\r\nAccept-Language: zh-cn";
  const Text agent = "\r\nUser-Agent: " + kUserAgent;
  const Text type = "\r\nContent-Type: application/x-www-form-urlencoded";
  struct Case {
    const char* name;
    Text headers, url;
    int method;
    Text expected;
  };
  const Case cases[] = {
      {"empty GET", "", kUrl, 0, accept + referer + language + agent},
      {"empty POST", "", kUrl, 1, accept + referer + language + agent + type},
      {"other methods get no Content-Type", "", kUrl, 8, accept + referer + language + agent},
      {"probe ignores case", "accept: text/html", kUrl, 0,
       "accept: text/html" + referer + language + agent},
      {"probe inside another name", "X-Accept: 1", kUrl, 0,
       "X-Accept: 1" + referer + language + agent},
      {"probe inside a value", "X-Note: Referer: none", kUrl, 0,
       "X-Note: Referer: none" + accept + language + agent},
      {"appended lines count for later probes", "", "http://a/User-Agent:", 0,
       accept + "\r\nReferer: http://a/User-Agent:" + language},
      {"a line break in the URL stays inside the Referer", "", Text("http://a/\r\nX: 1\0\x7F", 17),
       0, accept + "\r\nReferer: http://a/%0D%0AX: 1%00%7F" + language + agent},
      {"double-byte characters stay as they are", "", "http://a/" + G("减肥"), 0,
       accept + "\r\nReferer: http://a/" + G("减肥") + language + agent},
      {"all present", "Accept: a\r\nReferer: r\r\nAccept-Language: l\r\nUser-Agent: u", kUrl, 0,
       "Accept: a\r\nReferer: r\r\nAccept-Language: l\r\nUser-Agent: u"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CompleteDefaultHeaders(c.headers, c.url, c.method), c.expected);
  }
}

TEST(AssembleRequestHeaders, SetsHeadersInOrderAndRewritesTheRecord) {
  struct Case {
    const char* name;
    WebRequestParams params;
    Headers expectedCalls;
    Text expectedHeaders;
    std::optional<Text> expectedCookies;
  };
  const Headers defaults = {{"Accept", "*/*"},
                            {"Referer", kUrl},
                            {"Accept-Language", "zh-cn"},
                            {"User-Agent", kUserAgent}};
  const Text defaultText =
      "Accept: */*\r\nReferer: " + kUrl + "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + kUserAgent;
  const auto params = [](auto&&... setters) {
    WebRequestParams p;
    p.url = kUrl;
    (setters(p), ...);
    return p;
  };
  const auto plain = [](WebRequestParams& p) {
    p.completeHeaders = false;
    p.normaliseHeaders = false;
  };
  const auto withDefaults = [&](Headers first, Headers last = {}) {
    first.insert(first.end(), defaults.begin(), defaults.end());
    first.insert(first.end(), last.begin(), last.end());
    return first;
  };
  Case cases[] = {
      {"defaults for a GET", params(), defaults, defaultText, std::nullopt},
      {"POST adds Content-Type", params([](auto& p) { p.method = 1; }),
       withDefaults({}, {{"Content-Type", "application/x-www-form-urlencoded"}}),
       defaultText + "\r\nContent-Type: application/x-www-form-urlencoded", std::nullopt},
      {"caller's accept replaces the default",
       params([](auto& p) { p.headers = "accept: text/html"; }),
       {{"Accept", "text/html"},
        {"Referer", kUrl},
        {"Accept-Language", "zh-cn"},
        {"User-Agent", kUserAgent}},
       "Accept: text/html\r\nReferer: " + kUrl +
           "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + kUserAgent,
       std::nullopt},
      {"single line as given",
       params(plain, [](auto& p) { p.headers = "accept:text/html"; }),
       {{"accept", "text/html"}},
       "accept:text/html",
       std::nullopt},
      {"empty text still makes one call", params(plain), {{"", ""}}, "", std::nullopt},
      {"keep-alive line among several is left out",
       params(plain, [](auto& p) { p.headers = "A: 1\r\nConnection: keep-alive\r\nB: 2"; }),
       {{"A", "1"}, {"B", "2"}},
       "A: 1\r\nConnection: keep-alive\r\nB: 2",
       std::nullopt},
      {"Keep-Alive in other letter case is sent",
       params(plain, [](auto& p) { p.headers = "A: 1\r\nConnection: Keep-Alive"; }),
       {{"A", "1"}, {"Connection", "Keep-Alive"}},
       "A: 1\r\nConnection: Keep-Alive",
       std::nullopt},
      {"keep-alive as the only line is sent",
       params(plain, [](auto& p) { p.headers = "Connection: keep-alive"; }),
       {{"Connection", "keep-alive"}},
       "Connection: keep-alive",
       std::nullopt},
      {"line without colon, not normalised",
       params(plain, [](auto& p) { p.headers = "A: 1\r\nnoise\r\n\r\nB: 2"; }),
       {{"A", "1"}, {"", ""}, {"B", "2"}},
       "A: 1\r\nnoise\r\n\r\nB: 2",
       std::nullopt},
      {"line without colon, normalised",
       params([](auto& p) {
         p.completeHeaders = false;
         p.headers = "a: 1\r\nnoise\r\nb: 2";
       }),
       {{"A", "1"}, {"B", "2"}},
       "A: 1\r\nB: 2",
       std::nullopt},
      {"Cookie prefix removed, space kept",
       params(plain,
              [](auto& p) {
                p.headers = "A: 1";
                p.cookies = "Cookie: a=1";
              }),
       {{"Cookie", " a=1"}, {"A", "1"}},
       "A: 1",
       " a=1"},
      {"Cookie prefix in any letter case, every occurrence",
       params(plain,
              [](auto& p) {
                p.headers = "A: 1";
                p.cookies = "cOOKIE:a=1;cookie:b=2";
              }),
       {{"Cookie", "a=1;b=2"}, {"A", "1"}},
       "A: 1",
       "a=1;b=2"},
      {"given empty cookies are sent empty",
       params(plain,
              [](auto& p) {
                p.headers = "A: 1";
                p.cookies = "";
              }),
       {{"Cookie", ""}, {"A", "1"}},
       "A: 1",
       ""},
      {"proxy authorisation first, empty password keeps the colon",
       params(plain,
              [](auto& p) {
                p.headers = "A: 1";
                p.cookies = "c=1";
                p.proxy = "127.0.0.1:3128";
                p.proxyUser = "user";
              }),
       {{"Proxy-Authorization", "Basic dXNlcjo="}, {"Cookie", "c=1"}, {"A", "1"}},
       "A: 1",
       "c=1"},
      {"proxy authorisation with a GBK user name",
       params(plain,
              [](auto& p) {
                p.headers = "A: 1";
                p.proxy = "127.0.0.1:3128";
                p.proxyUser = G("用户");
                p.proxyPassword = "pw";
              }),
       {{"Proxy-Authorization", "Basic 08O7pzpwdw=="}, {"A", "1"}},
       "A: 1",
       std::nullopt},
      {"no proxy, no authorisation",
       params(plain,
              [](auto& p) {
                p.headers = "A: 1";
                p.proxyUser = "user";
              }),
       {{"A", "1"}},
       "A: 1",
       std::nullopt},
      {"no user, no authorisation",
       params(plain,
              [](auto& p) {
                p.headers = "A: 1";
                p.proxy = "127.0.0.1:3128";
              }),
       {{"A", "1"}},
       "A: 1",
       std::nullopt},
      {"other mode, no authorisation",
       params(plain,
              [](auto& p) {
                p.headers = "A: 1";
                p.proxy = "127.0.0.1:3128";
                p.proxyUser = "user";
                p.proxyAuthMode = 2;
              }),
       {{"A", "1"}},
       "A: 1",
       std::nullopt},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingRequestObject object;
    AssembleRequestHeaders(object, c.params);
    EXPECT_EQ(object.headers, c.expectedCalls);
    EXPECT_EQ(c.params.headers, c.expectedHeaders);
    EXPECT_EQ(c.params.cookies, c.expectedCookies);
  }
}

}  // namespace
}  // namespace korvelin
