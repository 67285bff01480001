#include "web/redirects.h"

#include <gtest/gtest.h>

namespace korvelin {
namespace {

TEST(DecideRedirect, Cases) {
  using enum RedirectAction;
  struct Case {
    const char* name;
    int status;
    std::string from, to;
    int followed;
    RedirectAction expected;
  };
  const Case cases[] = {
      {"no redirect", 200, "http://a/", "", 0, kKeep},
      {"followed statuses", 302, "http://a/", "http://a/b", 0, kFollow},
      {"301", 301, "http://a/", "http://b/", 0, kFollow},
      {"303", 303, "http://a/", "http://b/", 0, kFollow},
      {"307", 307, "http://a/", "http://b/", 0, kFollow},
      {"308", 308, "http://a/", "http://b/", 0, kFollow},
      {"300 is not followed", 300, "http://a/", "http://b/", 0, kKeep},
      {"304 is not followed", 304, "http://a/", "http://b/", 0, kKeep},
      {"redirect without Location", 302, "http://a/", "", 0, kKeep},
      {"up to https", 302, "http://a/", "https://a/", 0, kFollow},
      {"https down to http comes back", 302, "https://a/", "http://a/", 0, kKeep},
      {"other scheme fails", 302, "http://a/", "ftp://a/", 0, kFail},
      {"malformed target fails", 302, "http://a/", "http:///", 0, kFail},
      {"tenth redirect followed", 302, "http://a/", "http://a/", 9, kFollow},
      {"eleventh fails", 302, "http://a/", "http://a/", 10, kFail},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecideRedirect(c.status, c.from, c.to, c.followed), c.expected);
  }
}

TEST(VerbAfterRedirect, Cases) {
  struct Case {
    int status;
    std::string verb, expected;
  };
  const Case cases[] = {
      {301, "POST", "GET"},  {302, "POST", "GET"},  {303, "POST", "GET"},
      {303, "PUT", "GET"},   {303, "HEAD", "HEAD"}, {302, "PUT", "PUT"},
      {307, "POST", "POST"}, {308, "POST", "POST"}, {302, "GET", "GET"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.status) + " " + c.verb);
    EXPECT_EQ(VerbAfterRedirect(c.status, c.verb), c.expected);
  }
}

TEST(MayCrossOrigins, CredentialsStayBehind) {
  EXPECT_FALSE(MayCrossOrigins("Cookie"));
  EXPECT_FALSE(MayCrossOrigins("authorization"));
  EXPECT_TRUE(MayCrossOrigins("Referer"));
  EXPECT_TRUE(MayCrossOrigins("Proxy-Authorization"));  // meant for the proxy, not the server
}

}  // namespace
}  // namespace korvelin
