// Request objects made one after another share open connections: what reuse must not change.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/forward_proxy.h"
#include "tests/support/http_server.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/tcp_server.h"
#include "tests/support/test_certificates.h"
#include "web/request_object.h"

namespace korvelin {
namespace {

using ::korvelin::testing::CertificateKind;
using ::korvelin::testing::Connection;
using ::korvelin::testing::ForwardProxy;
using ::korvelin::testing::HttpResponse;
using ::korvelin::testing::MakeTestCertificate;
using ::korvelin::testing::ReadHttpRequest;
using ::korvelin::testing::RecordedRequest;
using ::korvelin::testing::ScopedEnvironment;
using ::korvelin::testing::TcpServer;
using ::korvelin::testing::TlsIdentity;
using ::korvelin::testing::WithoutProxyVariables;
using ::testing::Each;
using ::testing::ElementsAre;

// Answers every request with the number of the connection it came on ("1", "2", ...), so that
// a client sees which requests shared a connection.
class NumberingServer {
 public:
  explicit NumberingServer(std::optional<TlsIdentity> tls = std::nullopt)
      : server_(
            [this](Connection& connection) {
              const std::string number = std::to_string(++opened_);
              while (ReadHttpRequest(connection)) connection.Write(HttpResponse(200, number));
            },
            std::move(tls)) {}

  [[nodiscard]] std::string Url() const { return server_.Origin() + "/"; }

 private:
  std::atomic<int> opened_{0};
  TcpServer server_;  // last, so that it stops before the counter goes
};

struct Settings {
  std::optional<std::string> proxy;  // a named proxy; none: direct
  std::string proxyAuthorization;    // sent when not empty
  bool ignoreCertificateErrors = true;
};

// A GET on a request object of its own; the body, or "failed" when no response came.
std::string FreshGet(const std::string& url, const Settings& settings = {}) {
  std::shared_ptr<RequestObject> request = CreateRequestObject();
  if (!request) return "no request object";
  if (settings.proxy) request->SetProxy(kProxySettingProxy, *settings.proxy);
  if (settings.ignoreCertificateErrors) {
    request->Option(kOptionSslErrorIgnoreFlags, kIgnoreCertificateErrors);
  }
  request->Open("GET", url, false);
  if (!settings.proxyAuthorization.empty()) {
    request->SetRequestHeader("Proxy-Authorization", settings.proxyAuthorization);
  }
  if (!request->Send("") || request->Status() != 200) return "failed";
  return request->ResponseBody();
}

class ConnectionReuseTest : public ::testing::Test {
 protected:
  ScopedEnvironment environment_ = WithoutProxyVariables();
};

TEST_F(ConnectionReuseTest, LaterRequestObjectsReuseTheConnection) {
  for (const bool secure : {false, true}) {
    SCOPED_TRACE(secure ? "https" : "http");
    NumberingServer server(secure ? std::optional(MakeTestCertificate(CertificateKind::kSelfSigned))
                                  : std::nullopt);
    std::vector<std::string> bodies;
    for (int i = 0; i < 5; ++i) bodies.push_back(FreshGet(server.Url()));
    EXPECT_THAT(bodies, Each("1"));
  }
}

TEST_F(ConnectionReuseTest, AConnectionMadeWithoutCertificateChecksIsNotUsedWithThem) {
  NumberingServer server(MakeTestCertificate(CertificateKind::kSelfSigned));
  const Settings ignore, verify = {std::nullopt, "", false};
  EXPECT_EQ(FreshGet(server.Url(), ignore), "1");
  // Neither the open connection nor its TLS session may skip the check of the certificate.
  EXPECT_EQ(FreshGet(server.Url(), verify), "failed");
  EXPECT_EQ(FreshGet(server.Url(), ignore), "1");
}

TEST_F(ConnectionReuseTest, DirectAndProxiedRequestsNeverShareAConnection) {
  for (const bool secure : {false, true}) {
    SCOPED_TRACE(secure ? "https" : "http");
    NumberingServer server(secure ? std::optional(MakeTestCertificate(CertificateKind::kSelfSigned))
                                  : std::nullopt);
    ForwardProxy proxy;
    const Settings direct, proxied = {proxy.Address(), "", true};
    const std::string first = FreshGet(server.Url(), direct);
    const std::string throughProxy = FreshGet(server.Url(), proxied);
    const std::string again = FreshGet(server.Url(), direct);
    EXPECT_EQ(first, "1");
    EXPECT_NE(throughProxy, first);
    EXPECT_NE(throughProxy, "failed");
    EXPECT_EQ(again, first);
    EXPECT_EQ(proxy.Requests().size(), 1u);
  }
}

TEST_F(ConnectionReuseTest, ATunnelOpenedWithProxyCredentialsServesNoOtherRequest) {
  ForwardProxy proxy("user:secret");
  NumberingServer server(MakeTestCertificate(CertificateKind::kSelfSigned));
  const Settings authorised = {proxy.Address(), "Basic dXNlcjpzZWNyZXQ=", true};
  const Settings anonymous = {proxy.Address(), "", true};
  EXPECT_EQ(FreshGet(server.Url(), authorised), "1");
  EXPECT_EQ(FreshGet(server.Url(), anonymous), "failed");  // the proxy refuses it
  EXPECT_EQ(FreshGet(server.Url(), authorised), "2");
}

TEST_F(ConnectionReuseTest, AConnectionTheServerDroppedIsReplaced) {
  // Each connection serves one request; the server reads a second one and closes without an
  // answer, as a server whose keep-alive time ran out just then does.
  std::atomic<int> served{0}, dropped{0};
  TcpServer server([&](Connection& connection) {
    if (const std::optional<RecordedRequest> request = ReadHttpRequest(connection)) {
      ++served;
      connection.Write(HttpResponse(200, request->method + " " + request->body));
    }
    if (ReadHttpRequest(connection)) ++dropped;
    connection.Close();
  });
  std::vector<std::string> bodies;
  for (int i = 0; i < 3; ++i) {
    for (const char* verb : {"GET", "POST"}) {
      std::shared_ptr<RequestObject> request = CreateRequestObject();
      ASSERT_TRUE(request->Open(verb, server.Origin() + "/", false));
      EXPECT_TRUE(request->Send("form"));
      bodies.push_back(request->ResponseBody());
    }
  }
  EXPECT_THAT(bodies, ElementsAre("GET ", "POST form", "GET ", "POST form", "GET ", "POST form"));
  EXPECT_EQ(served, 6);
  EXPECT_EQ(dropped, 5);  // each request after the first went to a dropped connection first
}

}  // namespace
}  // namespace korvelin
