#include "web/response_head.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvelin {
namespace {

TEST(ResponseHead, KeepsTheFinalResponseOnly) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    int expectedStatus;
    Text expectedHeaders;
    bool expectedComplete = false;
  };
  const Case cases[] = {
      {"nothing yet", {}, 0, ""},
      {"one response",
       {"HTTP/1.1 200 OK\r\n", "Content-Type: text/html\r\n", "Set-Cookie: a=1\r\n", "\r\n"},
       200,
       "Content-Type: text/html\r\nSet-Cookie: a=1",
       true},
      {"interim response skipped",
       {"HTTP/1.1 100 Continue\r\n", "X-Interim: 1\r\n", "\r\n", "HTTP/1.1 201 Created\r\n",
        "X-Final: 1\r\n", "\r\n"},
       201,
       "X-Final: 1",
       true},
      {"only the interim head ended",
       {"HTTP/1.1 100 Continue\r\n", "\r\n", "HTTP/1.1 200 OK\r\n", "A: 1\r\n"},
       200,
       "A: 1"},
      {"a line that only starts empty does not end the head",
       {"HTTP/1.1 200 OK\r\n", std::string("\0A: 1\r\n", 7)},
       200,
       ""},
      {"a later response starts afresh",
       {"HTTP/1.1 302 Found\r\n", "Location: /b\r\n", "\r\n", "HTTP/1.1 200 OK\r\n", "A: 1\r\n"},
       200,
       "A: 1"},
      {"name and value trimmed, one space after the colon",
       {"HTTP/1.1 200 OK\r\n", "Set-Cookie:a=1\r\n", "X :  y  \r\n"},
       200,
       "Set-Cookie: a=1\r\nX: y"},
      {"continuation joined", {"HTTP/1.1 200 OK\r\n", "X: a\r\n", "\t b\r\n"}, 200, "X: a b"},
      {"line without colon left out",
       {"HTTP/1.1 200 OK\r\n", "garbage\r\n", "A: 1\n"},
       200,
       "A: 1"},
      {"zero byte ends a line",
       {"HTTP/1.1 200 OK\r\n", std::string("A: 1\0B: 2\r\n", 11)},
       200,
       "A: 1"},
      {"HTTP/2 status line", {"HTTP/2 204\r\n", "A: 1\r\n"}, 204, "A: 1"},
      {"malformed status", {"HTTP/1.1 abc\r\n", "A: 1\r\n"}, 0, "A: 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResponseHead head;
    for (const std::string& line : c.lines) head.AddLine(line);
    EXPECT_EQ(head.status(), c.expectedStatus);
    EXPECT_EQ(head.Headers(), c.expectedHeaders);
    EXPECT_EQ(head.complete(), c.expectedComplete);
  }
}

}  // namespace
}  // namespace korvelin
