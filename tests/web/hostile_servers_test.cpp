// Servers that misbehave, met through WebRequest. Every request ends within its time limits
// (a hang fails by the test's CTest time-out), nothing it keeps grows past its caps, and the
// outcome is a clean value: a response, or status 0 with nothing in it.
//
// Each case prints what it observed (status, sizes, seconds taken), for the record; the time
// is printed, never asserted.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/scoped_environment.h"
#include "tests/support/tcp_server.h"
#include "tests/support/test_certificates.h"
#include "text/text_primitives.h"
#include "web/http_transfer.h"
#include "web/web_request.h"

namespace korvelin {
namespace {

using ::korvelin::testing::CertificateKind;
using ::korvelin::testing::Connection;
using ::korvelin::testing::MakeTestCertificate;
using ::korvelin::testing::ScopedEnvironment;
using ::korvelin::testing::TcpServer;
using ::korvelin::testing::WithoutProxyVariables;
using Script = TcpServer::Script;
using namespace std::chrono_literals;

constexpr size_t kMiB = size_t{1} << 20;

// ---- scripts ----

bool ReadHead(Connection& c) {
  std::string head;
  return c.ReadUntil("\r\n\r\n", head);
}

// Answers every request on the connection with `response`, then keeps the connection.
Script Answer(std::string response) {
  return [response](Connection& c) {
    while (ReadHead(c) && c.Write(response)) {
    }
  };
}

// Answers the first request with `head`, then `bodyBytes` bytes, then closes the connection.
Script HeadAndBody(std::string head, size_t bodyBytes) {
  return [head, bodyBytes](Connection& c) {
    if (!ReadHead(c) || !c.Write(head)) return;
    const std::string chunk(kMiB, 'b');
    for (size_t left = bodyBytes; left > 0;) {
      const size_t n = std::min(left, chunk.size());
      if (!c.Write(std::string_view(chunk).substr(0, n))) return;
      left -= n;
    }
    c.Close();
  };
}

Script NeverAnswers() {
  return [](Connection& c) { c.HoldUntilPeerCloses(); };
}

Script HeadThenNothing() {
  return [](Connection& c) {
    if (ReadHead(c) && c.Write("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n")) {
      c.HoldUntilPeerCloses();
    }
  };
}

// A response that never ends, one byte a second from its status line on.
Script DripsForEver() {
  return [](Connection& c) {
    if (!ReadHead(c)) return;
    const std::string head = "HTTP/1.1 200 OK\r\nX-Slow: ";
    for (size_t i = 0;; ++i) {
      const char byte = i < head.size() ? head[i] : 'x';
      if (!c.Write(std::string_view(&byte, 1)) || !c.Sleep(1s)) return;
    }
  };
}

// Body bytes until the client gives up.
Script EndlessBody() {
  return [](Connection& c) {
    if (!ReadHead(c) || !c.Write("HTTP/1.1 200 OK\r\n\r\n")) return;
    const std::string chunk(kMiB, 'e');
    while (c.Write(chunk)) {
    }
  };
}

// Header lines until the client gives up.
Script EndlessHead() {
  return [](Connection& c) {
    if (!ReadHead(c) || !c.Write("HTTP/1.1 200 OK\r\n")) return;
    while (c.Write("X-Filler: " + std::string(100, 'f') + "\r\n")) {
    }
  };
}

Script ResetMidBody() {
  return [](Connection& c) {
    if (ReadHead(c) && c.Write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n") &&
        c.Write(std::string(50, 'r'))) {
      c.Reset();
    }
  };
}

// Writes `response` after the request head (or whatever the client sent first), then closes.
Script AnswerAndClose(std::string response) {
  return [response](Connection& c) {
    std::string first;
    if (c.ReadSome(first) && c.Write(response)) c.Close();
  };
}

std::string WithLength(std::string_view status, std::string_view body) {
  return std::string(status) + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
         std::string(body);
}

std::string Redirect(std::string_view location) {
  return "HTTP/1.1 302 Found\r\nLocation: " + std::string(location) +
         "\r\nContent-Length: 5\r\n\r\nmoved";
}

// `count` header lines "Set-Cookie: <prefix><i>=<value>", then a short body.
std::string ManyCookies(int count, std::string_view value, std::string_view prefix = "c") {
  std::string response = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < count; ++i) {
    response += "Set-Cookie: " + std::string(prefix) + std::to_string(i) + "=" +
                std::string(value) + "\r\n";
  }
  return response + "Content-Length: 2\r\n\r\nok";
}

// A response whose head is exactly `bytes` long, its status line and empty line included.
std::string WithHeadOf(size_t bytes) {
  std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n";
  const std::string filler = "X-Filler: ";
  while (head.size() + 2 < bytes) {
    const size_t left = bytes - 2 - head.size();
    const size_t line = left >= 2000 ? 1000 : left;  // the last line takes the rest
    head += filler + std::string(line - filler.size() - 2, 'f') + "\r\n";
  }
  return head + "\r\nok";
}

// ---- running a case ----

struct Case {
  const char* name;
  Script script;
  int expectedStatus;  // 0: the request fails, and nothing comes back
  size_t expectedBodyBytes;
  std::optional<CertificateKind> certificate = std::nullopt;  // the server speaks TLS with it
  const char* scheme = "http";                                // of the request
  bool noRedirect = false;
};

struct Outcome {
  int status = 0;
  Bytes body;
  Text headers;
  Text cookies;
};

// Peak resident memory of this test program so far.
size_t PeakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<size_t>(usage.ru_maxrss) * 1024;
}

class HostileServerTest : public ::testing::Test {
 protected:
  // A GET of `url` with the time-out and nothing else, as the harvest makes it, or with a
  // cookie text carried along; prints what came back and how long it took.
  static Outcome Get(const std::string& name, const std::string& url, int timeoutSeconds,
                     std::optional<Text> cookies = std::nullopt, bool noRedirect = false) {
    WebRequestParams params;
    params.url = url;
    params.timeoutSeconds = timeoutSeconds;
    params.cookies = std::move(cookies);
    params.noRedirect = noRedirect;
    const auto start = std::chrono::steady_clock::now();
    Outcome outcome;
    outcome.body = WebRequest(params);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    outcome.status = params.status;
    outcome.headers = params.responseHeaders;
    outcome.cookies = params.returnedCookies;
    std::printf(
        "hostile case \"%s\": status %d, body %zu bytes, headers %zu bytes, cookies %zu "
        "bytes, %.2f s\n",
        name.c_str(), outcome.status, outcome.body.size(), outcome.headers.size(),
        outcome.cookies.size(), took.count());
    std::fflush(stdout);
    EXPECT_LE(outcome.body.size(), kMaxResponseBodyBytes);
    EXPECT_LE(outcome.headers.size(), kMaxResponseHeadBytes);
    return outcome;
  }

  // Requests "/" of a server running each case's script.
  static void Run(const std::vector<Case>& cases, int timeoutSeconds) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      std::optional<::korvelin::testing::TlsIdentity> tls;
      if (c.certificate) tls = MakeTestCertificate(*c.certificate);
      TcpServer server(c.script, tls);
      const std::string url =
          std::string(c.scheme) + "://127.0.0.1:" + std::to_string(server.port()) + "/";
      const Outcome outcome = Get(c.name, url, timeoutSeconds, std::nullopt, c.noRedirect);
      EXPECT_EQ(outcome.status, c.expectedStatus);
      EXPECT_EQ(outcome.body.size(), c.expectedBodyBytes);
      if (c.expectedStatus == 0) {
        EXPECT_EQ(outcome.headers, "");
      }
    }
  }

  ScopedEnvironment environment_ = WithoutProxyVariables();
};

TEST_F(HostileServerTest, StallsEndWithinTheTimeLimit) {
  Run({{"accepts and never answers", NeverAnswers(), 0, 0},
       {"answers the head, never the body", HeadThenNothing(), 0, 0},
       {"drips one byte a second for ever", DripsForEver(), 0, 0}},
      1);
}

TEST_F(HostileServerTest, BodiesStayWithinTheCap) {
  const std::string ok = "HTTP/1.1 200 OK\r\n";
  const auto length = [&](size_t n) {
    return ok + "Content-Length: " + std::to_string(n) + "\r\n\r\n";
  };
  Run({{"an endless body", EndlessBody(), 0, 0},
       {"a body at the cap", HeadAndBody(length(kMaxResponseBodyBytes), kMaxResponseBodyBytes), 200,
        kMaxResponseBodyBytes},
       {"a body past the cap, with its length",
        HeadAndBody(length(kMaxResponseBodyBytes + 1), kMaxResponseBodyBytes + 1), 0, 0},
       {"a body past the cap, without a length",
        HeadAndBody(ok + "Connection: close\r\n\r\n", kMaxResponseBodyBytes + kMiB), 0, 0},
       {"a body shorter than its length", HeadAndBody(length(100), 40), 0, 0},
       {"a reset in mid-body", ResetMidBody(), 0, 0},
       {"invalid chunked encoding",
        AnswerAndClose(ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\nhello\r\n0\r\n\r\n"), 0, 0},
       {"HTTP/1.0 without a length, closed early", AnswerAndClose("HTTP/1.0 200 OK\r\n\r\npartial"),
        200, 7},
       {"HTTP/1.0 closed in its head", AnswerAndClose("HTTP/1.0 200 OK\r\nContent-Ty"), 0, 0}},
      2);
  // Without the caps the endless body alone would fill the memory at loopback speed.
  EXPECT_LT(PeakResidentBytes(), size_t{1} << 30);
}

TEST_F(HostileServerTest, HeadsStayWithinTheCap) {
  Run({{"a 200 KiB header line",
        Answer("HTTP/1.1 200 OK\r\nX-Big: " + std::string(200 << 10, 'h') +
               "\r\nContent-Length: 2\r\n\r\nok"),
        0, 0},
       {"a head at the cap", Answer(WithHeadOf(kMaxResponseHeadBytes)), 200, 2},
       {"a head one byte past the cap", Answer(WithHeadOf(kMaxResponseHeadBytes + 1)), 0, 0},
       {"10 000 long Set-Cookie lines", Answer(ManyCookies(10000, std::string(40, 'v'))), 0, 0},
       {"endless header lines", EndlessHead(), 0, 0}},
      2);
}

TEST_F(HostileServerTest, RedirectsGoOnlyToHttpAndHttps) {
  Run({{"a redirect loop", Answer(Redirect("/")), 0, 0},
       {"to file://", Answer(Redirect("file:///etc/passwd")), 0, 0},
       {"to ftp://", Answer(Redirect("ftp://127.0.0.1/x")), 0, 0},
       {"to gopher://", Answer(Redirect("gopher://127.0.0.1/x")), 0, 0},
       {"to data:", Answer(Redirect("data:text/plain,x")), 0, 0},
       {"to file://, not followed", Answer(Redirect("file:///etc/passwd")), 302, 5, std::nullopt,
        "http", true}},
      2);
}

TEST_F(HostileServerTest, CertificateErrorsAreIgnoredButTlsIsNot) {
  const Script secure = Answer(WithLength("HTTP/1.1 200 OK", "secure"));
  Run({{"an expired certificate", secure, 200, 6, CertificateKind::kExpired, "https"},
       {"a self-signed certificate", secure, 200, 6, CertificateKind::kSelfSigned, "https"},
       {"a certificate for another host", secure, 200, 6, CertificateKind::kWrongHost, "https"},
       {"plain HTTP on the HTTPS port",
        AnswerAndClose("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n"), 0, 0, std::nullopt,
        "https"},
       {"TLS on the HTTP port", secure, 0, 0, CertificateKind::kSelfSigned, "http"}},
      2);
}

TEST_F(HostileServerTest, TenThousandCookiesComeBackBoundedAndWellFormed) {
  TcpServer first(Answer(ManyCookies(10000, "1")));
  TcpServer second(Answer(ManyCookies(10000, "2", "d")));
  const Outcome set = Get("10 000 Set-Cookie lines", first.Origin() + "/", 2, Text());
  EXPECT_EQ(set.status, 200);
  const TextArray entries = SplitText(set.cookies, "; ");
  ASSERT_EQ(entries.size(), 10000u);
  for (size_t i = 0; i < entries.size(); ++i) {
    ASSERT_EQ(entries[i], "c" + std::to_string(i) + "=1");
  }

  // Carried from request to request, the text holds every name once: the response's first.
  const Outcome more = Get("10 000 other Set-Cookie lines, carrying the first 10 000",
                           second.Origin() + "/", 2, set.cookies);
  const TextArray carried = SplitText(more.cookies, "; ");
  ASSERT_EQ(carried.size(), 20000u);
  EXPECT_EQ(carried.front(), "d0=2");
  EXPECT_EQ(carried[10000], "c0=1");
  const Outcome again =
      Get("the first 10 000 again, carrying all 20 000", first.Origin() + "/", 2, more.cookies);
  const TextArray merged = SplitText(again.cookies, "; ");
  ASSERT_EQ(merged.size(), 20000u);
  EXPECT_EQ(merged.front(), "c0=1");
  EXPECT_EQ(merged[10000], "d0=2");
  EXPECT_EQ(merged.back(), "d9999=2");
}

}  // namespace
}  // namespace korvelin
