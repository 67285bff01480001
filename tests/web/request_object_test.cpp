#include "web/request_object.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/forward_proxy.h"
#include "tests/support/gbk.h"
#include "tests/support/http_server.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/tcp_server.h"
#include "tests/support/test_certificates.h"
#include "web/request_timeouts.h"

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
using ::korvelin::testing::Respond;
using ::korvelin::testing::ScopedEnvironment;
using ::korvelin::testing::TcpServer;
using ::korvelin::testing::WithoutProxyVariables;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using namespace std::chrono_literals;

class RequestObjectTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(request_); }

  // A GET of `url` with the object's current settings; true when a response came.
  bool Get(const std::string& url) {
    return request_->Open("GET", url, false) && request_->Send("");
  }

  // Any response is read back empty.
  void ExpectNoResponse() {
    EXPECT_EQ(request_->Status(), 0);
    EXPECT_EQ(request_->ResponseBody(), "");
    EXPECT_EQ(request_->GetAllResponseHeaders(), "");
  }

  ScopedEnvironment environment_ = WithoutProxyVariables();
  std::shared_ptr<RequestObject> request_ = CreateRequestObject();
};

TEST_F(RequestObjectTest, CertificatesAreVerifiedUnlessTheErrorsAreIgnored) {
  struct Case {
    const char* name;
    CertificateKind kind;
    std::optional<int> ignoredErrors;
    bool accepted;
  };
  const Case cases[] = {
      {"self-signed, verified", CertificateKind::kSelfSigned, std::nullopt, false},
      {"self-signed, ignored", CertificateKind::kSelfSigned, kIgnoreCertificateErrors, true},
      {"expired, verified", CertificateKind::kExpired, std::nullopt, false},
      {"expired, ignored", CertificateKind::kExpired, kIgnoreCertificateErrors, true},
      {"expired, only the name ignored", CertificateKind::kExpired, 0x1000, false},
      {"wrong host, verified", CertificateKind::kWrongHost, std::nullopt, false},
      {"wrong host, ignored", CertificateKind::kWrongHost, kIgnoreCertificateErrors, true},
      {"wrong host, all but the name ignored", CertificateKind::kWrongHost, 0x2300, false},
      {"self-signed, all but the name ignored", CertificateKind::kSelfSigned, 0x2300, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HttpServer server(Respond(HttpResponse(200, "secure")), MakeTestCertificate(c.kind));
    request_ = CreateRequestObject();
    if (c.ignoredErrors) request_->Option(kOptionSslErrorIgnoreFlags, *c.ignoredErrors);
    EXPECT_EQ(Get(server.Url("/")), c.accepted);
    EXPECT_EQ(request_->Status(), c.accepted ? 200 : 0);
    EXPECT_EQ(request_->ResponseBody(), c.accepted ? "secure" : "");
  }
}

TEST_F(RequestObjectTest, SendsOnlyTheHeadersItIsGiven) {
  HttpServer server(Respond(HttpResponse(200, "ok")));
  ASSERT_TRUE(Get(server.Url("/plain")));
  const Bytes body((1 << 20) + 1, 'b');  // large enough for libcurl to ask for 100-continue
  ASSERT_TRUE(request_->Open("POST", server.Url("/post"), false));
  ASSERT_TRUE(request_->SetRequestHeader("X-A", "1"));
  ASSERT_TRUE(request_->SendBytes(body));

  const std::vector<RecordedRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_THAT(requests[0].HeaderNames(), ElementsAre("Host"));
  EXPECT_THAT(requests[1].HeaderNames(), ElementsAre("Host", "X-A", "Content-Length"));
  EXPECT_EQ(requests[1].method, "POST");
  EXPECT_EQ(requests[1].body, body);
}

TEST_F(RequestObjectTest, RefusesHeadersThatWouldBreakTheRequest) {
  struct Case {
    const char* name;
    Text headerName, value;
    bool accepted;
  };
  const Case cases[] = {
      {"CR LF in the value", "X-A", "a\r\nX-Injected: 1", false},
      {"LF in the value", "X-A", "a\nX-Injected: 1", false},
      {"CR in the value", "X-A", "a\rX-Injected: 1", false},
      {"NUL in the value", "X-A", Text("a\0X-Injected: 1", 15), false},
      {"other control in the value", "X-A", "a\x01", false},
      {"empty name", "", "v", false},
      {"CR LF in the name", "X-Injected: 1\r\nX-A", "v", false},
      {"colon in the name", "X-Injected:", "v", false},
      {"space in the name", "X Injected", "v", false},
      {"GBK in the name", G("名"), "v", false},
      {"tab in the value", "X-Tab", "a\tb", true},
      {"empty value", "X-Empty", "", true},
      {"blank value", "X-Blank", "  ", true},
      {"GBK value", "X-Gbk", G("值"), true},
  };
  HttpServer server(Respond(HttpResponse(200)));
  EXPECT_FALSE(request_->SetRequestHeader("X-Early", "before Open"));
  ASSERT_TRUE(request_->Open("GET", server.Url("/"), false));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(request_->SetRequestHeader(c.headerName, c.value), c.accepted);
  }
  ASSERT_TRUE(request_->Send(""));

  const RecordedRequest received = server.Requests().at(0);
  EXPECT_THAT(received.headerLines,
              ElementsAre("Host: 127.0.0.1:" + std::to_string(server.port()), "X-Tab: a\tb",
                          "X-Empty:", "X-Blank:", "X-Gbk: " + G("值")));
}

TEST_F(RequestObjectTest, ALaterHeaderOfTheSameNameReplacesTheFirst) {
  HttpServer server(Respond(HttpResponse(200)));
  ASSERT_TRUE(request_->Open("GET", server.Url("/"), false));
  ASSERT_TRUE(request_->SetRequestHeader("X-Same", "1"));
  ASSERT_TRUE(request_->SetRequestHeader("X-Other", "2"));
  ASSERT_TRUE(request_->SetRequestHeader("x-same", "3"));
  ASSERT_TRUE(request_->Send(""));
  EXPECT_THAT(server.Requests().at(0).headerLines,
              ElementsAre(::testing::StartsWith("Host:"), "X-Same: 3", "X-Other: 2"));
}

TEST_F(RequestObjectTest, AFailedOpenLeavesNothingToSend) {
  struct Case {
    const char* name;
    Text verb, url;
    bool asynchronous;
  };
  HttpServer server(Respond(HttpResponse(200, "stale")));
  const Case cases[] = {
      {"other scheme", "GET", "ftp://127.0.0.1/x", false},
      {"no scheme", "GET", "127.0.0.1/x", false},
      {"no host", "GET", "http://", false},
      {"verb with a space", "GE T", server.Url("/"), false},
      {"empty verb", "", server.Url("/"), false},
      {"asynchronous", "GET", server.Url("/"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Get(server.Url("/before")));
    EXPECT_FALSE(request_->Open(c.verb, c.url, c.asynchronous));
    ExpectNoResponse();  // the response before is gone too
    EXPECT_FALSE(request_->SetRequestHeader("X-A", "1"));
    EXPECT_FALSE(request_->Send(""));
  }
  EXPECT_EQ(server.Requests().size(), std::size(cases));
}

TEST_F(RequestObjectTest, ServesOneRequestAfterAnother) {
  HttpServer server([](const RecordedRequest& request, Connection& connection) {
    connection.Write(HttpResponse(200, "for " + request.target, {"X-Target: " + request.target}));
  });
  ASSERT_TRUE(Get(server.Url("/one")));
  EXPECT_FALSE(request_->Send(""));  // one Send per Open
  EXPECT_EQ(request_->ResponseBody(), "for /one");
  ASSERT_TRUE(Get(server.Url("/two")));
  EXPECT_EQ(request_->ResponseBody(), "for /two");
  EXPECT_EQ(request_->GetAllResponseHeaders(), "X-Target: /two\r\nContent-Length: 8");
  EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(RequestObjectTest, GivesTheFinalResponseAsItCame) {
  HttpServer server([](const RecordedRequest&, Connection& connection) {
    connection.Write("HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\n");
    connection.Write(HttpResponse(200, "\x1F\x8B not really gzip",
                                  {"Content-Encoding: gzip", "Set-Cookie:a=1"}));
  });
  ASSERT_TRUE(Get(server.Url("/")));
  EXPECT_EQ(request_->Status(), 200);
  EXPECT_EQ(request_->ResponseBody(), "\x1F\x8B not really gzip");
  EXPECT_EQ(request_->GetAllResponseHeaders(),
            "Content-Encoding: gzip\r\nSet-Cookie: a=1\r\nContent-Length: 18");
}

// Answers by target: /final, /to-final (302 to /final), /chain/N (N redirects before an
// answer), /loop, /ftp, /post-302, /post-307.
HttpServer RedirectingServer() {
  return HttpServer([](const RecordedRequest& request, Connection& connection) {
    const std::string& target = request.target;
    const auto redirect = [&](int status, const std::string& location) {
      connection.Write(HttpResponse(status, "hop", {"Location: " + location, "X-Hop: 1"}));
    };
    if (target == "/final") {
      connection.Write(HttpResponse(200, "final", {"X-Final: 1"}));
    } else if (target == "/to-final" || target == "/post-302") {
      redirect(302, "/final");
    } else if (target == "/post-307") {
      redirect(307, "/final");
    } else if (target == "/loop") {
      redirect(302, "/loop");
    } else if (target == "/ftp") {
      redirect(302, "ftp://127.0.0.1/x");
    } else if (target.starts_with("/chain/")) {
      const int left = std::stoi(target.substr(7));
      if (left == 0) {
        connection.Write(HttpResponse(200, "end"));
      } else {
        redirect(302, "/chain/" + std::to_string(left - 1));
      }
    } else {
      connection.Write(HttpResponse(404));
    }
  });
}

TEST_F(RequestObjectTest, FollowsRedirectsWithinLimits) {
  struct Case {
    const char* name;
    Text verb, target;
    bool follow;
    int expectedStatus;
    Bytes expectedBody;
    Text expectedHeaders;
    std::vector<std::string> expectedRequests;  // method, target and body as the server saw them
  };
  const Case cases[] = {
      {"followed",
       "GET",
       "/to-final",
       true,
       200,
       "final",
       "X-Final: 1\r\nContent-Length: 5",
       {"GET /to-final ", "GET /final "}},
      {"not followed",
       "GET",
       "/to-final",
       false,
       302,
       "hop",
       "Location: /final\r\nX-Hop: 1\r\nContent-Length: 3",
       {"GET /to-final "}},
      {"ten in a row",
       "GET",
       "/chain/10",
       true,
       200,
       "end",
       "Content-Length: 3",
       {"GET /chain/10 ", "GET /chain/9 ", "GET /chain/8 ", "GET /chain/7 ", "GET /chain/6 ",
        "GET /chain/5 ", "GET /chain/4 ", "GET /chain/3 ", "GET /chain/2 ", "GET /chain/1 ",
        "GET /chain/0 "}},
      {"eleven in a row fail",
       "GET",
       "/chain/11",
       true,
       0,
       "",
       "",
       {"GET /chain/11 ", "GET /chain/10 ", "GET /chain/9 ", "GET /chain/8 ", "GET /chain/7 ",
        "GET /chain/6 ", "GET /chain/5 ", "GET /chain/4 ", "GET /chain/3 ", "GET /chain/2 ",
        "GET /chain/1 "}},
      {"a loop fails", "GET", "/loop", true, 0, "", "", std::vector<std::string>(11, "GET /loop ")},
      {"another scheme fails", "GET", "/ftp", true, 0, "", "", {"GET /ftp "}},
      {"POST after 302 turns GET",
       "POST",
       "/post-302",
       true,
       200,
       "final",
       "X-Final: 1\r\nContent-Length: 5",
       {"POST /post-302 form", "GET /final "}},
      {"POST after 307 stays POST",
       "POST",
       "/post-307",
       true,
       200,
       "final",
       "X-Final: 1\r\nContent-Length: 5",
       {"POST /post-307 form", "POST /final form"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HttpServer server = RedirectingServer();
    request_ = CreateRequestObject();
    request_->Option(kOptionEnableRedirects, c.follow ? 1 : 0);
    ASSERT_TRUE(request_->Open(c.verb, server.Url(c.target), false));
    EXPECT_EQ(request_->Send("form"), c.expectedStatus != 0);
    EXPECT_EQ(request_->Status(), c.expectedStatus);
    EXPECT_EQ(request_->ResponseBody(), c.expectedBody);
    EXPECT_EQ(request_->GetAllResponseHeaders(), c.expectedHeaders);
    std::vector<std::string> seen;
    for (const RecordedRequest& r : server.Requests()) {
      seen.push_back(r.method + " " + r.target + " " + r.body);
    }
    EXPECT_EQ(seen, c.expectedRequests);
  }
}

TEST_F(RequestObjectTest, ARedirectFromHttpsDownToHttpComesBackUnfollowed) {
  HttpServer plain(Respond(HttpResponse(200, "plain")));
  HttpServer secure(Respond(HttpResponse(302, "moved", {"Location: " + plain.Url("/x")})),
                    MakeTestCertificate(CertificateKind::kSelfSigned));
  request_->Option(kOptionSslErrorIgnoreFlags, kIgnoreCertificateErrors);
  ASSERT_TRUE(Get(secure.Url("/")));
  EXPECT_EQ(request_->Status(), 302);
  EXPECT_EQ(request_->ResponseBody(), "moved");
  EXPECT_THAT(plain.Requests(), IsEmpty());
}

TEST_F(RequestObjectTest, CredentialsStayWithTheirOrigin) {
  HttpServer other(Respond(HttpResponse(200, "other")));
  HttpServer first([&](const RecordedRequest& request, Connection& connection) {
    if (request.target == "/here") {
      connection.Write(HttpResponse(200, "here"));
    } else if (request.target == "/same") {
      connection.Write(HttpResponse(302, "", {"Location: /here"}));
    } else {
      connection.Write(HttpResponse(302, "", {"Location: " + other.Url("/there")}));
    }
  });
  for (const char* target : {"/same", "/away"}) {
    ASSERT_TRUE(request_->Open("GET", first.Url(target), false));
    request_->SetRequestHeader("Cookie", "a=1");
    request_->SetRequestHeader("Authorization", "Basic eDp5");
    request_->SetRequestHeader("X-Other", "kept");
    ASSERT_TRUE(request_->Send(""));
  }
  const RecordedRequest here = first.Requests().at(1);
  EXPECT_EQ(here.target, "/here");
  EXPECT_EQ(here.Header("Cookie"), "a=1");
  EXPECT_EQ(here.Header("Authorization"), "Basic eDp5");
  const RecordedRequest there = other.Requests().at(0);
  EXPECT_EQ(there.Header("Cookie"), std::nullopt);
  EXPECT_EQ(there.Header("Authorization"), std::nullopt);
  EXPECT_EQ(there.Header("X-Other"), "kept");
}

TEST_F(RequestObjectTest, TimeLimitsEndStalledAndEndlessResponses) {
  using Script = TcpServer::Script;
  const auto answerAfter = [](std::chrono::milliseconds delay) -> Script {
    return [delay](Connection& c) {
      if (std::string head; c.ReadUntil("\r\n\r\n", head) && c.Sleep(delay)) {
        c.Write(HttpResponse(200, "late"));
      }
    };
  };
  const auto dripBody = [](std::chrono::milliseconds interval, int bytes) -> Script {
    return [interval, bytes](Connection& c) {
      if (std::string head; c.ReadUntil("\r\n\r\n", head)) {
        c.Write("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(bytes) + "\r\n\r\n");
        c.Drip(std::string(static_cast<size_t>(bytes), 'd'), interval);
      }
    };
  };
  const auto stallMidBody = [](Connection& c) {
    if (std::string head; c.ReadUntil("\r\n\r\n", head)) {
      c.Write("HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\nhalf");
      if (c.Sleep(3s)) c.Write("half");
    }
  };
  // Each phase 500 ms, so 2 s for the whole request.
  const RequestTimeouts even = {500, 500, 500, 500};
  // Sending and receiving 500 ms, but 11 s for the whole request: only a stall can end it soon.
  const RequestTimeouts stallOnly = {5000, 5000, 500, 500};
  struct Case {
    const char* name;
    Script script;
    RequestTimeouts timeouts;
    bool succeeds;
  };
  const Case cases[] = {
      {"an answer in time", answerAfter(100ms), even, true},
      {"no answer in time", answerAfter(3s), stallOnly, false},
      {"a slow but steady body", dripBody(100ms, 5), even, true},
      {"a body that stalls", stallMidBody, stallOnly, false},
      // Each byte comes in time, but the whole body would take 6 s.
      {"a body that drips for too long", dripBody(200ms, 30), even, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TcpServer server(c.script);
    request_ = CreateRequestObject();
    const RequestTimeouts& t = c.timeouts;
    ASSERT_TRUE(request_->SetTimeouts(t.resolveMs, t.connectMs, t.sendMs, t.receiveMs));
    EXPECT_EQ(Get(server.Origin() + "/"), c.succeeds);
    EXPECT_EQ(request_->Status(), c.succeeds ? 200 : 0);
  }
}

TEST_F(RequestObjectTest, RefusesTimeLimitsBelowMinusOne) {
  EXPECT_FALSE(request_->SetTimeouts(1000, -2, 1000, 1000));
  EXPECT_TRUE(request_->SetTimeouts(-1, 0, -1, 0));
}

TEST_F(RequestObjectTest, ABodyPastTheCapFailsTheRequest) {
  TcpServer server([](Connection& c) {
    std::string head;
    if (!c.ReadUntil("\r\n\r\n", head)) return;
    // No Content-Length: the body ends when the connection does, or when the client gives up.
    c.Write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
    const std::string chunk(1 << 20, 'x');
    for (int i = 0; i < 80 && c.Write(chunk); ++i) {
    }
  });
  EXPECT_FALSE(Get(server.Origin() + "/"));
  ExpectNoResponse();
}

TEST_F(RequestObjectTest, SendsThroughANamedProxy) {
  ForwardProxy proxy("user:secret");
  HttpServer plain(Respond(HttpResponse(200, "plain")));
  HttpServer secure(Respond(HttpResponse(200, "secure")),
                    MakeTestCertificate(CertificateKind::kSelfSigned));
  // A named proxy is used whatever no_proxy says.
  ScopedEnvironment bypass({{"no_proxy", "127.0.0.1,localhost"}});
  ASSERT_TRUE(request_->SetProxy(kProxySettingProxy, proxy.Address()));
  request_->Option(kOptionSslErrorIgnoreFlags, kIgnoreCertificateErrors);
  for (const HttpServer* server : {&plain, &secure}) {
    ASSERT_TRUE(request_->Open("GET", server->Url("/x"), false));
    request_->SetRequestHeader("Proxy-Authorization", "Basic dXNlcjpzZWNyZXQ=");
    ASSERT_TRUE(request_->Send(""));
    EXPECT_EQ(request_->Status(), 200);
  }

  const std::vector<RecordedRequest> proxied = proxy.Requests();
  ASSERT_EQ(proxied.size(), 2u);
  EXPECT_EQ(proxied[0].method + " " + proxied[0].target, "GET " + plain.Url("/x"));
  EXPECT_EQ(proxied[1].method + " " + proxied[1].target,
            "CONNECT 127.0.0.1:" + std::to_string(secure.port()));
  for (const RecordedRequest& request : proxied) {
    EXPECT_EQ(request.Header("Proxy-Authorization"), "Basic dXNlcjpzZWNyZXQ=");
    EXPECT_EQ(request.Header("Proxy-Connection"), std::nullopt);
  }
  // The proxy's credentials never reach a server; through the tunnel they were never sent.
  EXPECT_THAT(plain.Requests().at(0).HeaderNames(), ElementsAre("Host", "Connection"));
  EXPECT_THAT(secure.Requests().at(0).HeaderNames(), ElementsAre("Host"));
}

TEST_F(RequestObjectTest, ChoosesBetweenEnvironmentProxyAndDirectConnections) {
  ForwardProxy proxy;
  HttpServer server(Respond(HttpResponse(200, "ok")));
  ScopedEnvironment environment({{"http_proxy", "http://" + proxy.Address()}});
  ASSERT_TRUE(Get(server.Url("/via-environment")));
  ASSERT_TRUE(request_->SetProxy(kProxySettingDirect, ""));
  ASSERT_TRUE(Get(server.Url("/direct")));
  ASSERT_TRUE(request_->SetProxy(kProxySettingDefault, ""));
  ASSERT_TRUE(Get(server.Url("/via-environment-again")));

  std::vector<std::string> proxied;
  for (const RecordedRequest& r : proxy.Requests()) proxied.push_back(r.target);
  EXPECT_THAT(proxied,
              ElementsAre(server.Url("/via-environment"), server.Url("/via-environment-again")));
  EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(RequestObjectTest, RefusesSettingsItCannotUse) {
  EXPECT_FALSE(request_->SetProxy(kProxySettingProxy, ""));
  EXPECT_FALSE(request_->SetProxy(kProxySettingProxy, "socks5://127.0.0.1:1080"));
  EXPECT_FALSE(request_->SetProxy(kProxySettingProxy, "127.0.0.1:1 127.0.0.1:2"));
  EXPECT_FALSE(request_->SetProxy(3, "127.0.0.1:1080"));
  EXPECT_TRUE(request_->SetProxy(kProxySettingProxy, "http://127.0.0.1:1080"));
  EXPECT_FALSE(request_->Option(5, 0));
}

}  // namespace
}  // namespace korvelin
