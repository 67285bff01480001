#include "tests/support/forward_proxy.h"

#include <openssl/evp.h>
#include <strings.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

namespace korvelin::testing {

// ---- internal ------------------------------------------------------------------------------
namespace {

std::string Base64(std::string_view bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                     reinterpret_cast<const unsigned char*>(bytes.data()),
                                     static_cast<int>(bytes.size()));
  out.resize(static_cast<size_t>(length));
  return out;
}

std::optional<int> LoopbackOnly(std::string_view host, int port) {
  if (host != "127.0.0.1" && host != "localhost") return std::nullopt;
  return port;
}

// The loopback port that "host:port" is routed to.
std::optional<int> RoutedPort(std::string_view authority, const ForwardProxy::Route& route) {
  const size_t colon = authority.rfind(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const int port = std::atoi(std::string(authority.substr(colon + 1)).c_str());
  return route(authority.substr(0, colon), port);
}

struct AbsoluteTarget {
  std::string authority;
  std::string path;
};

// "http://host:port/path?query" -> {"host:port", "/path?query"}.
std::optional<AbsoluteTarget> SplitAbsolute(std::string_view target) {
  constexpr std::string_view kScheme = "http://";
  if (!target.starts_with(kScheme)) return std::nullopt;
  target.remove_prefix(kScheme.size());
  const size_t slash = target.find('/');
  AbsoluteTarget split{std::string(target.substr(0, slash)),
                       slash == std::string_view::npos ? "/" : std::string(target.substr(slash))};
  if (split.authority.find(':') == std::string::npos) split.authority += ":80";
  return split;
}

// The request as the server gets it: origin-form, without the headers meant for the proxy,
// and closing the connection after the response so that the relay knows where it ends.
std::string ForwardedRequest(const RecordedRequest& request, const std::string& path) {
  std::string forwarded = request.method + " " + path + " " + request.version + "\r\n";
  for (const std::string& line : request.headerLines) {
    const std::string name = line.substr(0, line.find(':'));
    if (strcasecmp(name.c_str(), "Proxy-Authorization") == 0 ||
        strcasecmp(name.c_str(), "Proxy-Connection") == 0 ||
        strcasecmp(name.c_str(), "Connection") == 0) {
      continue;
    }
    forwarded += line + "\r\n";
  }
  return forwarded + "Connection: close\r\n\r\n" + request.body;
}

void Refuse(Connection& client, int status, std::vector<std::string> headerLines = {}) {
  headerLines.push_back("Connection: close");
  client.Write(HttpResponse(status, "", headerLines));
  client.Close();
}

}  // namespace

ForwardProxy::ForwardProxy(std::string credentials, Route route)
    : expectedAuthorisation_(credentials.empty() ? "" : "Basic " + Base64(credentials)),
      route_(route ? std::move(route) : Route(LoopbackOnly)),
      server_([this](Connection& client) { Serve(client); }) {}

std::string ForwardProxy::Address() const { return "127.0.0.1:" + std::to_string(port()); }

std::vector<RecordedRequest> ForwardProxy::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

bool ForwardProxy::Authorised(const RecordedRequest& request) const {
  return expectedAuthorisation_.empty() ||
         request.Header("Proxy-Authorization") == expectedAuthorisation_;
}

void ForwardProxy::Serve(Connection& client) {
  const std::optional<RecordedRequest> request = ReadHttpRequest(client);
  if (!request) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(*request);
  }
  if (!Authorised(*request)) {
    Refuse(client, 407, {"Proxy-Authenticate: Basic realm=\"test\""});
    return;
  }
  const bool tunnel = request->method == "CONNECT";
  const std::optional<AbsoluteTarget> absolute =
      tunnel ? AbsoluteTarget{request->target, ""} : SplitAbsolute(request->target);
  const std::optional<int> port = absolute ? RoutedPort(absolute->authority, route_) : std::nullopt;
  const int server = port ? ConnectToLoopback(*port) : -1;
  if (server < 0) {
    Refuse(client, 502);
    return;
  }
  if (tunnel) {
    if (client.Write("HTTP/1.1 200 Connection established\r\n\r\n")) client.RelayWith(server);
  } else {
    client.RelayWith(server, ForwardedRequest(*request, absolute->path));
    client.Close();
  }
  close(server);
}

}  // namespace korvelin::testing
