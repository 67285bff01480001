// One HTTP exchange over libcurl: one request out, one response in, no redirect followed. The
// request object builds its requests, redirects included, from these exchanges.
//
// On the wire: HTTP/1.1; only the headers given here besides Host, Content-Length and what a
// proxy needs (libcurl's own Accept, Expect, Content-Type and Proxy-Connection are held back,
// and it sets no User-Agent or Accept-Encoding); no decompression; http and https only.
// Proxy-Authorization goes to a proxy only, never to the server.
//
// Every transfer of the process draws on one pool of open connections, TLS sessions and name
// look-ups, so that a request object made after another one reuses its connection to the same
// server instead of paying for a new TCP and TLS handshake. A connection is only reused for an
// exchange with the same settings (proxy, certificate checks); one the server has closed
// meanwhile is replaced by a new one. An exchange that carries Proxy-Authorization has a
// connection of its own, opened for it and closed after it, so that a tunnel a proxy let
// through for one set of credentials never serves another. The pool is safe to use from
// several threads.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text/text_primitives.h"
#include "web/request_timeouts.h"

namespace korvelin {

// A response body past this many bytes fails the exchange.
inline constexpr size_t kMaxResponseBodyBytes = size_t{64} << 20;
// So do header lines past this many bytes (all of an exchange's, interim responses included):
// no sound response needs more, and it bounds what a server can make a request keep, such as
// the cookie text of its Set-Cookie lines.
inline constexpr size_t kMaxResponseHeadBytes = size_t{256} << 10;

enum class ProxyChoice {
  kEnvironment,  // http_proxy, https_proxy and no_proxy decide
  kDirect,       // no proxy
  kNamed,        // TransferRequest::proxy
};

struct TransferRequest {
  std::string url;  // absolute and escaped (request_url.h)
  std::string verb;
  std::optional<std::string> body;             // none: the request carries no body at all
  std::vector<std::pair<Text, Text>> headers;  // name and value; an empty value is sent empty
  ProxyChoice proxyChoice = ProxyChoice::kEnvironment;
  std::string proxy;       // "host:port" or "http://host:port", for ProxyChoice::kNamed
  bool verifyPeer = true;  // certificate chain, dates and usage
  bool verifyHost = true;  // certificate names the host
  RequestTimeouts timeouts;
  // The exchange fails when it is not over by then; nullopt for no such bound.
  std::optional<std::chrono::steady_clock::time_point> deadline;
};

struct TransferResult {
  bool ok = false;  // false: no complete response; the fields below are then empty
  int status = 0;
  Text headers;  // "Name: value" lines of the final response joined by CR LF
  Bytes body;
  std::string redirectUrl;  // where the Location header leads, absolute; empty without one
};

class HttpTransfer {
 public:
  // nullptr when libcurl cannot give a handle.
  [[nodiscard]] static std::unique_ptr<HttpTransfer> Create();

  struct Handle;  // the libcurl handle, defined where libcurl is known
  explicit HttpTransfer(std::unique_ptr<Handle> handle);
  ~HttpTransfer();
  HttpTransfer(const HttpTransfer&) = delete;  // owns a libcurl handle and its connections
  HttpTransfer& operator=(const HttpTransfer&) = delete;

  // Never throws. Connections stay open for the next exchange with the same server.
  [[nodiscard]] TransferResult Perform(const TransferRequest& request);

 private:
  std::unique_ptr<Handle> handle_;
};

// Whether transfers created from now on draw on the shared pool (the default) or keep their
// connections to themselves, as each one did before the pool. Only measurements turn it off.
void SetConnectionSharing(bool shared);

}  // namespace korvelin
