// A small forward HTTP proxy on loopback for tests: absolute-form requests ("GET http://...")
// are passed on to the server, CONNECT opens a tunnel. It can demand Basic authorisation and
// records every request it gets, Proxy-Authorization included. A connection carries one
// request (or one tunnel); the proxy closes it afterwards.
//
// It only ever connects to 127.0.0.1. By default a request for 127.0.0.1 or localhost goes to
// the port it names and any other host gets 502; a route can send other hosts to loopback
// servers instead, so that a program that asks for a real service reaches a stand-in.
//
// Example:
//   ForwardProxy proxy("user:secret");
//   ... request through proxy.Address() ...
//   EXPECT_EQ(proxy.Requests().at(0).Header("Proxy-Authorization"), "Basic dXNlcjpzZWNyZXQ=");
//
//   ForwardProxy standIn("", [&](std::string_view host, int port) -> std::optional<int> {
//     if (host == "www.baidu.com") return searchService.port();
//     return std::nullopt;
//   });
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/http_server.h"
#include "tests/support/tcp_server.h"

namespace korvelin::testing {

class ForwardProxy {
 public:
  // The loopback port for a request to host:port; nullopt refuses it with 502.
  using Route = std::function<std::optional<int>(std::string_view host, int port)>;

  // `credentials` "user:password": a request without "Proxy-Authorization: Basic" and their
  // Base64 gets 407. Empty: nothing is demanded. Without a route, only requests for 127.0.0.1
  // and localhost pass, to the port they name.
  explicit ForwardProxy(std::string credentials = {}, Route route = {});

  // "127.0.0.1:<port>", as a proxy setting takes it.
  [[nodiscard]] std::string Address() const;
  [[nodiscard]] int port() const { return server_.port(); }
  // Every request the proxy received, refused ones included, in order.
  [[nodiscard]] std::vector<RecordedRequest> Requests() const;

 private:
  void Serve(Connection& client);
  bool Authorised(const RecordedRequest& request) const;

  std::string expectedAuthorisation_;  // empty when none is demanded
  Route route_;
  mutable std::mutex mutex_;
  std::vector<RecordedRequest> requests_;
  TcpServer server_;  // last, so that it stops before the rest goes
};

}  // namespace korvelin::testing
