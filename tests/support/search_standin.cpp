#include "tests/support/search_standin.h"

#include <thread>

#include "tests/support/test_certificates.h"
#include "text/codepage.h"

namespace korvelin::testing {

// ---- internal ------------------------------------------------------------------------------
namespace {

// "🍎" is a character that code page 936 lacks: the harvest sees "?" in its place.
const std::map<std::string, GraphNode> kGraph = {
    {"减肥",
     {{"减肥方法", "减肥食谱", "", "减肥方法", "减肥🍎"},
      {"减肥食谱", "减肥註", "", "减肥茶", "减肥茶"}}},
    {"减肥方法", {{"运动减肥", "减肥"}, {"减肥方法大全"}}},
    {"减肥食谱", {{"减肥食谱一周"}, {"减肥茶"}}},
    {"减肥茶", {{"绿茶"}, {}}},
    {"减肥註", {{}, {"註册减肥"}}},
    {"运动减肥", {{}, {"跑步"}}},
};

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonArray(const std::vector<std::string>& texts) {
  std::string out = "[";
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) out += ',';
    out += JsonString(texts[i]);
  }
  return out + "]";
}

GraphNode FixedGraph(const std::string& keyword) {
  auto it = kGraph.find(keyword);
  return it == kGraph.end() ? GraphNode{} : it->second;
}

// The value of "wd" in a request target ("/s?wd=..." or an absolute URL).
std::string KeywordOf(std::string_view target) {
  const size_t query = target.find("?wd=");
  if (query == std::string_view::npos) return {};
  std::string_view value = target.substr(query + 4);
  return PercentDecoded(value.substr(0, value.find('&')));
}

// A result page the way the service lays it out, with links before and after the block.
std::string ResultPage(const GraphNode& node) {
  std::string page =
      "<html><head><meta charset=\"utf-8\"></head><body>\r\n"
      "<div id=\"content_left\"><table><tr><th><a href=\"/link?1\">页首链接</a></th></tr>"
      "</table></div>\r\n";
  if (!node.related.empty()) {
    page += "<div id=\"rs\"><div class=\"tt\">相关搜索</div><table cellpadding=\"0\"><tr><th>";
    for (const std::string& text : node.related) {
      page += "<a href=\"/s?wd=x\">" + text + "</a></th><th>";
    }
    // A link not closed by "</a></th>" before the line ends is no candidate.
    page += "<a href=\"/s?wd=y\">不是候选</a></td>\r\n</th></tr></table></div>\r\n";
  }
  page +=
      "<div id=\"page\" ><table><tr><th><a href=\"/s?pn=10\">下一页</a></th></tr></table>"
      "</div>\r\n</body></html>\r\n";
  return page;
}

// A suggestion reply in code page 936; quoted texts outside the list are no candidates.
std::string SuggestionReply(const std::string& keyword, const GraphNode& node) {
  std::string reply = "window.baidu.sug({q:\"" + keyword + "\",p:false,s:[";
  for (size_t i = 0; i < node.suggestions.size(); ++i) {
    if (i > 0) reply += ',';
    reply.append("\"").append(node.suggestions[i]).append("\"");
  }
  reply += "],t:\"列表之后\"});";
  return Utf8ToGbkBytes(reply);
}

std::string PathOf(std::string_view target) {
  if (const size_t scheme = target.find("://"); scheme != std::string_view::npos) {
    target.remove_prefix(target.find('/', scheme + 3));
  }
  return std::string(target.substr(0, target.find('?')));
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

const std::map<std::string, GraphNode>& StandInGraph() { return kGraph; }

std::string StandInGraphJson() {
  std::string out = "{";
  for (const auto& [keyword, node] : kGraph) {
    if (out.size() > 1) out += ",";
    out += JsonString(keyword) + ":{\"related\":" + JsonArray(node.related) +
           ",\"suggestions\":" + JsonArray(node.suggestions) + "}";
  }
  return out + "}";
}

std::string StandInRequestJson(const StandInRequest& request) {
  return "{\"source\":" + JsonString(request.source) + ",\"host\":" + JsonString(request.host) +
         ",\"path\":" + JsonString(request.path) + ",\"keyword\":" + JsonString(request.keyword) +
         ",\"headers\":" + JsonArray(request.headerLines) + "}";
}

std::string PercentDecoded(std::string_view value) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '%' && i + 2 < value.size() && hex(value[i + 1]) >= 0 &&
        hex(value[i + 2]) >= 0) {
      out += static_cast<char>(hex(value[i + 1]) * 16 + hex(value[i + 2]));
      i += 2;
    } else {
      out += value[i];
    }
  }
  return out;
}

SearchStandIn::SearchStandIn(std::chrono::milliseconds delay, Graph graph)
    : delay_(delay), graph_(graph ? std::move(graph) : Graph(FixedGraph)) {
  auto serve = [this](const char* source, auto makeBody, const char* contentType) {
    return [this, source, makeBody, contentType](const RecordedRequest& request,
                                                 Connection& connection) {
      StandInRequest seen{source,
                          request.Header("Host").value_or(""),
                          PathOf(request.target),
                          KeywordOf(request.target),
                          request.target,
                          request.headerLines};
      Record(seen);
      if (delay_.count() > 0 && !connection.Sleep(delay_)) return;
      const std::string body = makeBody(seen.keyword, graph_(seen.keyword));
      connection.Write(HttpResponse(200, body, {std::string("Content-Type: ") + contentType}));
    };
  };
  auto page = [](const std::string&, const GraphNode& node) { return ResultPage(node); };
  resultPages_ = std::make_unique<HttpServer>(serve("related", page, "text/html; charset=utf-8"),
                                              MakeTestCertificate(CertificateKind::kWrongHost));
  suggestions_ = std::make_unique<HttpServer>(
      serve("suggestions", SuggestionReply, "text/javascript; charset=gbk"));
  const int pagePort = resultPages_->port();
  const int suggestionPort = suggestions_->port();
  proxy_ = std::make_unique<ForwardProxy>(
      "", [pagePort, suggestionPort](std::string_view host, int port) -> std::optional<int> {
        if (host == "www.baidu.com" && port == 443) return pagePort;
        if (host == "suggestion.baidu.com" && port == 80) return suggestionPort;
        return std::nullopt;
      });
}

std::string SearchStandIn::RelatedSearchesPrefix() const { return resultPages_->Url("/s?wd="); }

std::string SearchStandIn::SuggestionsPrefix() const { return suggestions_->Url("/su?wd="); }

std::string SearchStandIn::ProxyAddress() const { return proxy_->Address(); }

std::vector<StandInRequest> SearchStandIn::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void SearchStandIn::OnRequest(std::function<void(const StandInRequest&)> listener) {
  std::lock_guard<std::mutex> lock(mutex_);
  listener_ = std::move(listener);
}

void SearchStandIn::Record(const StandInRequest& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.push_back(request);
  if (listener_) listener_(request);
}

}  // namespace korvelin::testing
