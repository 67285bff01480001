// A stand-in for the search service on loopback, for the harvest's tests and the end-to-end
// tests of the real program.
//
// It serves a small, fixed keyword graph that ends after a few levels, so that a harvest ends
// by itself:
//   - result pages (/s?wd=...) over HTTPS as UTF-8 HTML, holding the related searches between
//     the two markers the harvest cuts at, each one a link "<th><a href="...">text</a></th>",
//     with links of the same shape before and after the block that must not be taken;
//   - suggestion replies (/su?wd=...) over plain HTTP as code page 936 bytes of the form
//     window.baidu.sug({q:"减肥",p:false,s:["减肥方法","减肥食谱"]});
// Its replies carry traps: a suggestion holding 註 (whose second byte is "]"), an empty link
// text, two adjacent double quotes, duplicates within a reply and across the two sources, and a
// character that code page 936 lacks.
//
// It records every request: which server, the path, the keyword (the decoded wd, UTF-8) and the
// header lines. It can also be reached as www.baidu.com and suggestion.baidu.com through a
// forward proxy of its own, so that the real, unchanged program finds it through http_proxy and
// https_proxy.
//
// Example:
//   SearchStandIn service;
//   SourcePrefixes prefixes{service.RelatedSearchesPrefix(), service.SuggestionsPrefix()};
//   ... harvest ...
//   EXPECT_EQ(service.Requests().at(0).keyword, "减肥");
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/forward_proxy.h"
#include "tests/support/http_server.h"

namespace korvelin::testing {

// What the service knows of a keyword (UTF-8 texts, in reply order; traps included).
struct GraphNode {
  std::vector<std::string> related;      // link texts of the related-searches block
  std::vector<std::string> suggestions;  // quoted items of the suggestion list
};

// The keyword graph; a keyword it does not hold gets a page without the block and an empty
// suggestion list.
[[nodiscard]] const std::map<std::string, GraphNode>& StandInGraph();

// The graph as JSON: {"keyword": {"related": [...], "suggestions": [...]}, ...}.
[[nodiscard]] std::string StandInGraphJson();

struct StandInRequest {
  std::string source;   // "related" or "suggestions"
  std::string host;     // the Host header
  std::string path;     // without the query
  std::string keyword;  // the decoded value of wd, UTF-8
  std::string target;   // as on the request line
  std::vector<std::string> headerLines;
};

// The request as one line of JSON: {"source":..,"host":..,"path":..,"keyword":..,
// "headers":[..]}.
[[nodiscard]] std::string StandInRequestJson(const StandInRequest& request);

// Percent-decodes a query value.
[[nodiscard]] std::string PercentDecoded(std::string_view value);

class SearchStandIn {
 public:
  // What the service knows of a keyword (UTF-8).
  using Graph = std::function<GraphNode(const std::string& keyword)>;

  // `delay`: how long each reply waits before it goes out. `graph`: the keyword graph served,
  // StandInGraph() when not given.
  explicit SearchStandIn(std::chrono::milliseconds delay = std::chrono::milliseconds(0),
                         Graph graph = nullptr);

  // Prefixes for reaching it directly, with a keyword to follow.
  [[nodiscard]] std::string RelatedSearchesPrefix() const;  // https://127.0.0.1:<port>/s?wd=
  [[nodiscard]] std::string SuggestionsPrefix() const;      // http://127.0.0.1:<port>/su?wd=

  // "127.0.0.1:<port>" of the forward proxy that sends www.baidu.com:443 and
  // suggestion.baidu.com:80 here and refuses everything else.
  [[nodiscard]] std::string ProxyAddress() const;

  // Every request so far, in the order they arrived.
  [[nodiscard]] std::vector<StandInRequest> Requests() const;

  // Called with every request as it arrives (from a server thread).
  void OnRequest(std::function<void(const StandInRequest&)> listener);

 private:
  void Record(const StandInRequest& request);

  std::chrono::milliseconds delay_;
  Graph graph_;
  mutable std::mutex mutex_;
  std::vector<StandInRequest> requests_;
  std::function<void(const StandInRequest&)> listener_;
  // Last, so that they stop before the rest goes.
  std::unique_ptr<HttpServer> resultPages_;
  std::unique_ptr<HttpServer> suggestions_;
  std::unique_ptr<ForwardProxy> proxy_;
};

}  // namespace korvelin::testing
