#include "web/web_request.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/forward_proxy.h"
#include "tests/support/gbk.h"
#include "tests/support/http_server.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/tcp_server.h"
#include "tests/support/test_certificates.h"
#include "tests/web/recording_request_object.h"
#include "web/request_headers.h"

namespace korvelin {
namespace {

using ::korvelin::testing::CertificateKind;
using ::korvelin::testing::Connection;
using ::korvelin::testing::ForwardProxy;
using ::korvelin::testing::G;
using ::korvelin::testing::HttpResponse;
using ::korvelin::testing::HttpServer;
using ::korvelin::testing::MakeTestCertificate;
using ::korvelin::testing::RecordedRequest;
using ::korvelin::testing::RecordingRequestObject;
using ::korvelin::testing::Respond;
using ::korvelin::testing::ScopedEnvironment;
using ::korvelin::testing::TcpServer;
using ::korvelin::testing::UnusedPort;
using ::korvelin::testing::WithoutProxyVariables;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

const std::string kUserAgentLine = "User-Agent: " + std::string(DefaultUserAgent);

// ---- the order of operations, seen by a recording request object ----

// Runs the request on a recording object with `params` prepared by `prepare`.
std::vector<std::string> CallsFor(void (*prepare)(WebRequestParams&)) {
  auto object = std::make_shared<RecordingRequestObject>();
  WebRequestParams params;
  params.url = "http://h/";
  params.completeHeaders = false;
  params.headers = "X: 1";
  prepare(params);
  WebRequest(params, [&] { return object; });
  return object->calls;
}

TEST(WebRequestSteps, RunInOrder) {
  const auto calls = CallsFor([](WebRequestParams& p) {
    p.timeoutSeconds = 3;
    p.proxy = "127.0.0.1:3128";
    p.noRedirect = true;
    p.cookies = "c=1";
    p.body = "text";
  });
  EXPECT_THAT(calls,
              ElementsAre("SetTimeouts(3000, 3000, 3000, 3000)", "SetProxy(2, 127.0.0.1:3128)",
                          "Open(GET, http://h/, false)", "Option(6, 0)", "Option(4, 13056)",
                          "SetRequestHeader(Cookie, c=1)", "SetRequestHeader(X, 1)", "Send(text)"));
}

TEST(WebRequestSteps, TimeoutsInMilliseconds) {
  struct Case {
    int timeoutSeconds;
    const char* expectedFirstCall;
  };
  const Case cases[] = {
      {0, "SetTimeouts(15000, 15000, 15000, 15000)"},
      {3, "SetTimeouts(3000, 3000, 3000, 3000)"},
      {-2, "SetTimeouts(15000, 15000, 15000, 15000)"},
      {INT_MIN, "SetTimeouts(15000, 15000, 15000, 15000)"},
      {2147483, "SetTimeouts(2147483000, 2147483000, 2147483000, 2147483000)"},
      {2147484, "SetTimeouts(2147483000, 2147483000, 2147483000, 2147483000)"},
      {INT_MAX, "SetTimeouts(2147483000, 2147483000, 2147483000, 2147483000)"},
      {-1, "Open(GET, http://h/, false)"},  // the object keeps its own limits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.timeoutSeconds);
    auto object = std::make_shared<RecordingRequestObject>();
    WebRequestParams params;
    params.url = "http://h/";
    params.timeoutSeconds = c.timeoutSeconds;
    WebRequest(params, [&] { return object; });
    EXPECT_EQ(object->calls.at(0), c.expectedFirstCall);
  }
}

TEST(WebRequestSteps, VerbsAndBodies) {
  struct Case {
    const char* name;
    int method;
    Text body;
    Bytes bodyBytes;
    const char* expectedOpen;
    std::string expectedSend;
  };
  const Case cases[] = {
      {"GET by default", 0, "", "", "Open(GET, http://h/, false)", "Send()"},
      {"above the table", 8, "", "", "Open(GET, http://h/, false)", "Send()"},
      {"POST with a text", 1, "a=1", "", "Open(POST, http://h/, false)", "Send(a=1)"},
      {"bytes win over a text", 3, "a=1", Bytes("\0\1", 2), "Open(PUT, http://h/, false)",
       "SendBytes(2 bytes)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto object = std::make_shared<RecordingRequestObject>();
    WebRequestParams params;
    params.url = "http://h/";
    params.timeoutSeconds = -1;
    params.method = c.method;
    params.body = c.body;
    params.bodyBytes = c.bodyBytes;
    WebRequest(params, [&] { return object; });
    EXPECT_EQ(object->calls.front(), c.expectedOpen);
    EXPECT_EQ(object->calls.back(), c.expectedSend);
    EXPECT_EQ(params.method, c.method);  // an in-field stays as the caller set it
  }
}

TEST(WebRequestResults, WrittenIntoTheRecord) {
  auto object = std::make_shared<RecordingRequestObject>();
  object->cannedBody = "body";
  object->cannedHeaders = "Set-Cookie: b=3; Path=/\r\nSet-Cookie: c=4";
  object->cannedStatus = 200;
  WebRequestParams params;
  params.url = "http://h/";
  params.cookies = "a=1; b=2";
  params.requestObject = object;
  EXPECT_EQ(WebRequest(params, [] { return nullptr; }), "body");
  EXPECT_EQ(params.status, 200);
  EXPECT_EQ(params.responseHeaders, object->cannedHeaders);
  EXPECT_EQ(params.returnedCookies, "b=3; c=4; a=1");
  EXPECT_EQ(params.cookies, "b=3; c=4; a=1");
  EXPECT_EQ(object.use_count(), 2);  // the caller's and the record's; the routine let go

  params.mergeCookies = false;
  params.cookies = "a=1";
  WebRequest(params);
  EXPECT_EQ(params.returnedCookies, "b=3; c=4");
  EXPECT_EQ(params.cookies, "a=1");
}

TEST(WebRequestResults, AFailedRequestStillMergesTheCookies) {
  auto object = std::make_shared<RecordingRequestObject>();  // answers with nothing
  WebRequestParams params;
  params.url = "http://h/";
  params.cookies = "a = 1; old=deleted; a = 1";
  EXPECT_EQ(WebRequest(params, [&] { return object; }), "");
  EXPECT_EQ(params.status, 0);
  EXPECT_EQ(params.responseHeaders, "");
  EXPECT_EQ(params.returnedCookies, "a=1");
  EXPECT_EQ(params.cookies, "a=1");
}

TEST(WebRequestResults, NoObjectLeavesTheRecordAlone) {
  WebRequestParams params;
  params.url = "http://h/";
  params.cookies = "Cookie: c=1";
  params.headers = "x: 1";
  params.returnedCookies = "r";
  params.responseHeaders = "h";
  params.status = 7;
  EXPECT_EQ(WebRequest(params, [] { return nullptr; }), "");
  EXPECT_EQ(params.cookies, "Cookie: c=1");
  EXPECT_EQ(params.headers, "x: 1");
  EXPECT_EQ(params.returnedCookies, "r");
  EXPECT_EQ(params.responseHeaders, "h");
  EXPECT_EQ(params.status, 7);
}

// ---- against servers on loopback ----

class WebRequestTest : public ::testing::Test {
 protected:
  ScopedEnvironment environment_ = WithoutProxyVariables();
};

TEST_F(WebRequestTest, PlainHttpGet) {
  HttpServer server(Respond(HttpResponse(200, "<html>ok</html>",
                                         {"Content-Type: text/html", "Set-Cookie: s=1; Path=/"})));
  WebRequestParams params;
  params.url = server.Url("/s?wd=x");
  params.cookies = "a=1";
  params.timeoutSeconds = 3;
  EXPECT_EQ(WebRequest(params), "<html>ok</html>");
  EXPECT_EQ(params.status, 200);
  EXPECT_EQ(params.responseHeaders,
            "Content-Type: text/html\r\nSet-Cookie: s=1; Path=/\r\nContent-Length: 15");
  EXPECT_EQ(params.returnedCookies, "s=1; a=1");
  EXPECT_EQ(params.cookies, "s=1; a=1");

  const RecordedRequest request = server.Requests().at(0);
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.target, "/s?wd=x");
  EXPECT_THAT(
      request.headerLines,
      ElementsAre("Host: 127.0.0.1:" + std::to_string(server.port()), "Cookie: a=1", "Accept: */*",
                  "Referer: " + params.url, "Accept-Language: zh-cn", kUserAgentLine));
}

TEST_F(WebRequestTest, PostsATextOrBytes) {
  HttpServer server(Respond(HttpResponse(200)));
  WebRequestParams text;
  text.url = server.Url("/form");
  text.method = 1;
  text.body = "wd=" + G("减肥");
  WebRequest(text);
  WebRequestParams bytes;
  bytes.url = server.Url("/bytes");
  bytes.method = 1;
  bytes.body = "ignored";
  bytes.bodyBytes = Bytes("\0\x01\xFF\0z", 5);
  WebRequest(bytes);

  const std::vector<RecordedRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, "wd=\xE5\x87\x8F\xE8\x82\xA5");  // a text goes as UTF-8
  EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(requests[1].body, Bytes("\0\x01\xFF\0z", 5));
  for (const RecordedRequest& request : requests) {
    EXPECT_EQ(request.Header("Expect"), std::nullopt);
    EXPECT_EQ(request.Header("Accept-Encoding"), std::nullopt);
  }
}

TEST_F(WebRequestTest, SendsEveryVerbOfTheTable) {
  HttpServer server(Respond(HttpResponse(200)));
  for (int method = -1; method <= 8; ++method) {
    WebRequestParams params;
    params.url = server.Url("/v");
    params.method = method;
    WebRequest(params);
    EXPECT_EQ(params.status, 200) << method;
  }
  std::vector<std::string> verbs;
  for (const RecordedRequest& request : server.Requests()) verbs.push_back(request.method);
  EXPECT_THAT(verbs, ElementsAre("GET", "GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE",
                                 "CONNECT", "GET"));
}

TEST_F(WebRequestTest, AcceptsAnyCertificate) {
  for (CertificateKind kind : {CertificateKind::kSelfSigned, CertificateKind::kExpired}) {
    SCOPED_TRACE(static_cast<int>(kind));
    HttpServer server(Respond(HttpResponse(200, "secure")), MakeTestCertificate(kind));
    WebRequestParams params;
    params.url = server.Url("/s?wd=x");
    EXPECT_EQ(WebRequest(params), "secure");
    EXPECT_EQ(params.status, 200);
  }
}

TEST_F(WebRequestTest, FollowsARedirectUnlessTold) {
  HttpServer server([](const RecordedRequest& request, Connection& connection) {
    if (request.target == "/old") {
      connection.Write(HttpResponse(301, "moved", {"Location: /new", "Set-Cookie: r=1"}));
    } else {
      connection.Write(HttpResponse(200, "new"));
    }
  });
  struct Case {
    bool noRedirect;
    int expectedStatus;
    Bytes expectedBody;
    Text expectedCookies;
  };
  for (const Case& c : {Case{false, 200, "new", ""}, Case{true, 301, "moved", "r=1"}}) {
    SCOPED_TRACE(c.noRedirect);
    WebRequestParams params;
    params.url = server.Url("/old");
    params.noRedirect = c.noRedirect;
    EXPECT_EQ(WebRequest(params), c.expectedBody);
    EXPECT_EQ(params.status, c.expectedStatus);
    EXPECT_EQ(params.returnedCookies, c.expectedCookies);
  }
}

TEST_F(WebRequestTest, FailuresGiveNothing) {
  TcpServer silent([](Connection& c) { c.HoldUntilPeerCloses(); });
  TcpServer late([](Connection& c) {
    if (std::string head; c.ReadUntil("\r\n\r\n", head) && c.Sleep(5s)) {
      c.Write(HttpResponse(200, "too late"));
    }
  });
  TcpServer reset([](Connection& c) {
    if (std::string head; c.ReadUntil("\r\n\r\n", head)) c.Reset();
  });
  TcpServer cut([](Connection& c) {
    if (std::string head; c.ReadUntil("\r\n\r\n", head)) {
      c.Write("HTTP/1.1 200 OK\r\nSet-Cookie: s=1\r\nContent-Length: 100\r\n\r\npart");
      c.Close();
    }
  });
  struct Case {
    const char* name;
    std::string url;
  };
  const Case cases[] = {
      {"accepts and never answers", silent.Origin() + "/"},
      {"answers after the time-out", late.Origin() + "/"},
      {"resets the connection", reset.Origin() + "/"},
      {"closes in the middle of the body", cut.Origin() + "/"},
      {"nothing listens", "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/"},
      {"malformed URL", "http://"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WebRequestParams params;
    params.url = c.url;
    params.timeoutSeconds = 1;
    params.cookies = "a=1";
    EXPECT_EQ(WebRequest(params), "");
    EXPECT_EQ(params.status, 0);
    EXPECT_EQ(params.responseHeaders, "");
    EXPECT_EQ(params.returnedCookies, "a=1");
  }
}

TEST_F(WebRequestTest, GoesThroughAProxyThatDemandsBasicAuthorisation) {
  ForwardProxy proxy("user:secret");
  HttpServer plain(Respond(HttpResponse(200, "plain")));
  HttpServer secure(Respond(HttpResponse(200, "secure")),
                    MakeTestCertificate(CertificateKind::kSelfSigned));
  struct Case {
    const char* name;
    std::string url;
    Text password;
    int expectedStatus;
  };
  const Case cases[] = {
      {"plain", plain.Url("/"), "secret", 200},
      {"tunnelled", secure.Url("/"), "secret", 200},
      {"plain, wrong password", plain.Url("/"), "wrong", 407},
      {"tunnelled, wrong password", secure.Url("/"), "wrong", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WebRequestParams params;
    params.url = c.url;
    params.proxy = proxy.Address();
    params.proxyUser = "user";
    params.proxyPassword = c.password;
    WebRequest(params);
    EXPECT_EQ(params.status, c.expectedStatus);
    EXPECT_EQ(
        proxy.Requests().back().Header("Proxy-Authorization"),
        "Basic " + std::string(c.password == "secret" ? "dXNlcjpzZWNyZXQ=" : "dXNlcjp3cm9uZw=="));
  }
  EXPECT_EQ(plain.Requests().size(), 1u);
  EXPECT_EQ(secure.Requests().size(), 1u);
}

TEST_F(WebRequestTest, FindsTheProxyInTheEnvironment) {
  ForwardProxy proxy("user:secret");
  HttpServer plain(Respond(HttpResponse(200, "plain")));
  HttpServer secure(Respond(HttpResponse(200, "secure")),
                    MakeTestCertificate(CertificateKind::kSelfSigned));
  const std::string proxyUrl = "http://user:secret@" + proxy.Address();
  ScopedEnvironment environment({{"http_proxy", proxyUrl}, {"https_proxy", proxyUrl}});
  for (const HttpServer* server : {&plain, &secure}) {
    WebRequestParams params;
    params.url = server->Url("/s?wd=x");
    params.timeoutSeconds = 3;  // what the harvest passes, and nothing about a proxy
    EXPECT_NE(WebRequest(params), "");
    EXPECT_EQ(params.status, 200);
  }
  const std::vector<RecordedRequest> proxied = proxy.Requests();
  ASSERT_EQ(proxied.size(), 2u);
  EXPECT_EQ(proxied[0].target, plain.Url("/s?wd=x"));
  EXPECT_EQ(proxied[1].method, "CONNECT");
  for (const RecordedRequest& request : proxied) {
    EXPECT_EQ(request.Header("Proxy-Authorization"), "Basic dXNlcjpzZWNyZXQ=");
  }
}

TEST_F(WebRequestTest, ACallersRequestObjectServesTwoCalls) {
  HttpServer server([](const RecordedRequest& request, Connection& connection) {
    connection.Write(HttpResponse(200, request.target));
  });
  const std::shared_ptr<RequestObject> object = CreateRequestObject();
  for (const char* target : {"/one", "/two"}) {
    WebRequestParams params;
    params.url = server.Url(target);
    params.requestObject = object;
    EXPECT_EQ(WebRequest(params), target);
  }
  EXPECT_EQ(object->ResponseBody(), "/two");  // still the caller's to read
  EXPECT_EQ(object.use_count(), 1);
  EXPECT_EQ(server.Requests().size(), 2u);
}

// Everything that reaches a server on loopback, byte for byte: it answers the first request
// head and then keeps reading until the client closes.
class WireRecorder {
 public:
  [[nodiscard]] std::string Origin() const { return server_->Origin(); }

  // Stops the server, and gives all it received.
  std::string TakeWire() {
    server_.reset();
    return wire_;
  }

 private:
  void Record(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    wire_ += bytes;
  }

  std::mutex mutex_;
  std::string wire_;
  std::unique_ptr<TcpServer> server_ = std::make_unique<TcpServer>([this](Connection& c) {
    std::string bytes;
    if (!c.ReadUntil("\r\n\r\n", bytes)) return;
    Record(bytes);
    c.Write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    while (c.ReadSome(bytes)) Record(bytes);
  });
};

TEST_F(WebRequestTest, LineBreaksNeverReachTheWire) {
  struct Case {
    const char* name;
    std::function<void(WebRequestParams&)> prepare;
    std::string expectedStart = "GET / HTTP/1.1\r\n";
  };
  const Text nul(1, '\0');
  const Case cases[] = {
      {"CR LF in the URL", [](WebRequestParams& p) { p.url += "a\r\nX-Injected: 1"; },
       "GET /a%0D%0AX-Injected:%201 HTTP/1.1\r\n"},
      {"LF in the URL", [](WebRequestParams& p) { p.url += "a\nX-Injected: 1"; },
       "GET /a%0AX-Injected:%201 HTTP/1.1\r\n"},
      {"CR in the URL", [](WebRequestParams& p) { p.url += "a\rX-Injected: 1"; },
       "GET /a%0DX-Injected:%201 HTTP/1.1\r\n"},
      {"NUL in the URL", [&](WebRequestParams& p) { p.url += "a" + nul + "X-Injected: 1"; },
       "GET /a%00X-Injected:%201 HTTP/1.1\r\n"},
      {"CR in a header value", [](WebRequestParams& p) { p.headers = "X-A: a\rX-Injected: 1"; }},
      {"LF in a header value", [](WebRequestParams& p) { p.headers = "X-A: a\nX-Injected: 1"; }},
      {"NUL in a header value",
       [&](WebRequestParams& p) { p.headers = "X-A: a" + nul + "X-Injected: 1"; }},
      {"CR in a header name", [](WebRequestParams& p) { p.headers = "X-A\rX-Injected: 1"; }},
      {"LF in a header name", [](WebRequestParams& p) { p.headers = "X-A\nX-Injected: 1"; }},
      {"NUL in a header name",
       [&](WebRequestParams& p) { p.headers = "X-A" + nul + "X-Injected: 1"; }},
      {"CR LF in the cookie text", [](WebRequestParams& p) { p.cookies = "a=1\r\nX-Injected: 1"; }},
      {"LF in the cookie text", [](WebRequestParams& p) { p.cookies = "a=1\nX-Injected: 1"; }},
      {"NUL in the cookie text",
       [&](WebRequestParams& p) { p.cookies = "a=1" + nul + "X-Injected: 1"; }},
      {"CR LF in the URL, no defaults",
       [](WebRequestParams& p) {
         p.url += "a\r\nX-Injected: 1";
         p.completeHeaders = false;
         p.headers = "X-Fine: 1";
       },
       "GET /a%0D%0AX-Injected:%201 HTTP/1.1\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WireRecorder recorder;
    WebRequestParams params;
    params.url = recorder.Origin() + "/";
    c.prepare(params);
    WebRequest(params);
    const std::string wire = recorder.TakeWire();
    EXPECT_TRUE(wire.starts_with(c.expectedStart)) << wire;
    EXPECT_EQ(wire.find('\0'), std::string::npos);
    // Every line break is a CR LF, and none starts a line of the caller's making.
    std::string unpaired = wire;
    for (size_t at; (at = unpaired.find("\r\n")) != std::string::npos;) unpaired.erase(at, 2);
    EXPECT_EQ(unpaired.find_first_of("\r\n"), std::string::npos) << wire;
    EXPECT_EQ(wire.find("\r\nX-Injected"), std::string::npos) << wire;
  }
}

TEST_F(WebRequestTest, EscapesTheUrlAsUtf8AndDropsTheFragment) {
  HttpServer server(Respond(HttpResponse(200)));
  WebRequestParams params;
  params.url = server.Url("/s?wd=a b|" + G("减肥") + "&x=%41#frag");
  WebRequest(params);
  EXPECT_EQ(server.Requests().at(0).target, "/s?wd=a%20b%7C%E5%87%8F%E8%82%A5&x=%41");
}

}  // namespace
}  // namespace korvelin
