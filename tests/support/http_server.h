// An HTTP/1.1 test server on loopback that records every request it gets, for assertions on
// the server side: method, target, header lines in order as they arrived, body.
//
// The responder answers each request by writing to the connection itself, so it can answer
// normally, slowly, partly or not at all (see Connection in tcp_server.h). Connections stay
// open for further requests unless a request says "Connection: close" or the responder closes.
//
// Example:
//   HttpServer server(Respond(HttpResponse(200, "hello", {"Set-Cookie: a=1"})));
//   ... request server.Url("/s?wd=x") ...
//   EXPECT_EQ(server.Requests().at(0).Header("Accept"), "*/*");
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/tcp_server.h"

namespace korvelin::testing {

struct RecordedRequest {
  std::string method;
  std::string target;  // as on the request line
  std::string version;
  std::vector<std::string> headerLines;  // as received, in order, without CR LF
  std::string body;

  // The header names in order, as written.
  [[nodiscard]] std::vector<std::string> HeaderNames() const;
  // The value of the first header called `name` (letter case ignored) without the spaces
  // around it; nullopt when there is none.
  [[nodiscard]] std::optional<std::string> Header(std::string_view name) const;
};

// One request: request line, header lines up to the empty line, and a body of Content-Length
// bytes (chunked bodies are not understood). nullopt when the connection ends first or the
// request line is malformed.
[[nodiscard]] std::optional<RecordedRequest> ReadHttpRequest(Connection& connection);

// A whole response with its Content-Length: status line, `headerLines`, body.
[[nodiscard]] std::string HttpResponse(int status, std::string_view body = {},
                                       const std::vector<std::string>& headerLines = {});

class HttpServer {
 public:
  using Responder = std::function<void(const RecordedRequest&, Connection&)>;

  explicit HttpServer(Responder responder, std::optional<TlsIdentity> tls = std::nullopt);

  // "http://127.0.0.1:<port>" (or https) followed by `target`.
  [[nodiscard]] std::string Url(std::string_view target = "/") const;
  [[nodiscard]] int port() const { return server_.port(); }
  // Every request so far, in the order they arrived.
  [[nodiscard]] std::vector<RecordedRequest> Requests() const;

 private:
  void Serve(Connection& connection);

  Responder responder_;
  mutable std::mutex mutex_;
  std::vector<RecordedRequest> requests_;
  TcpServer server_;  // last, so that it stops before the rest goes
};

// A responder that writes the same bytes for every request.
[[nodiscard]] HttpServer::Responder Respond(std::string response);

}  // namespace korvelin::testing
