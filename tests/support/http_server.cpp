#include "tests/support/http_server.h"

#include <strings.h>

#include <cstdlib>

namespace korvelin::testing {

// ---- internal ------------------------------------------------------------------------------
namespace {

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> SplitLines(std::string_view head) {
  std::vector<std::string> lines;
  for (size_t end; (end = head.find("\r\n")) != std::string_view::npos;) {
    lines.emplace_back(head.substr(0, end));
    head.remove_prefix(end + 2);
  }
  return lines;
}

const char* ReasonFor(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 303:
      return "See Other";
    case 307:
      return "Temporary Redirect";
    case 407:
      return "Proxy Authentication Required";
    case 502:
      return "Bad Gateway";
    default:
      return "Status";
  }
}

}  // namespace

std::vector<std::string> RecordedRequest::HeaderNames() const {
  std::vector<std::string> names;
  for (const std::string& line : headerLines) names.push_back(line.substr(0, line.find(':')));
  return names;
}

std::optional<std::string> RecordedRequest::Header(std::string_view name) const {
  for (const std::string& line : headerLines) {
    const size_t colon = line.find(':');
    if (colon == name.size() && strncasecmp(line.data(), name.data(), colon) == 0) {
      return std::string(Trimmed(std::string_view(line).substr(colon + 1)));
    }
  }
  return std::nullopt;
}

std::optional<RecordedRequest> ReadHttpRequest(Connection& connection) {
  std::string head;
  if (!connection.ReadUntil("\r\n\r\n", head)) return std::nullopt;
  std::vector<std::string> lines = SplitLines(head);
  RecordedRequest request;
  const std::string& requestLine = lines.at(0);
  const size_t firstSpace = requestLine.find(' ');
  const size_t lastSpace = requestLine.rfind(' ');
  if (firstSpace == std::string::npos || lastSpace == firstSpace) return std::nullopt;
  request.method = requestLine.substr(0, firstSpace);
  request.target = requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);
  request.version = requestLine.substr(lastSpace + 1);
  request.headerLines.assign(lines.begin() + 1, lines.end() - 1);  // the last is empty
  const std::optional<std::string> length = request.Header("Content-Length");
  if (length && !connection.ReadExactly(std::strtoul(length->c_str(), nullptr, 10), request.body)) {
    return std::nullopt;
  }
  return request;
}

std::string HttpResponse(int status, std::string_view body,
                         const std::vector<std::string>& headerLines) {
  std::string response = "HTTP/1.1 " + std::to_string(status) + " " + ReasonFor(status) + "\r\n";
  for (const std::string& line : headerLines) response += line + "\r\n";
  response += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  response += body;
  return response;
}

HttpServer::HttpServer(Responder responder, std::optional<TlsIdentity> tls)
    : responder_(std::move(responder)),
      server_([this](Connection& connection) { Serve(connection); }, std::move(tls)) {}

std::string HttpServer::Url(std::string_view target) const {
  return server_.Origin() + std::string(target);
}

std::vector<RecordedRequest> HttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void HttpServer::Serve(Connection& connection) {
  while (std::optional<RecordedRequest> request = ReadHttpRequest(connection)) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(*request);
    }
    responder_(*request, connection);
    const std::optional<std::string> connectionHeader = request->Header("Connection");
    if (connectionHeader && strcasecmp(connectionHeader->c_str(), "close") == 0) return;
    if (!connection.open()) return;
  }
}

HttpServer::Responder Respond(std::string response) {
  return [response = std::move(response)](const RecordedRequest&, Connection& connection) {
    connection.Write(response);
  };
}

}  // namespace korvelin::testing
