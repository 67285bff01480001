// The harvest against a search service that misbehaves: whatever one source's server does,
// the visit goes on to the next source, the run ends by itself, and nothing crashes.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "harvest/candidate_sources.h"
#include "tests/harvest/fake_window.h"
#include "tests/support/http_server.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/tcp_server.h"
#include "tests/support/test_certificates.h"

namespace korvelin {
namespace {

using namespace ::korvelin::testing;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Reads the request, then misbehaves.
TcpServer::Script AfterTheRequest(std::function<void(Connection&)> misbehave) {
  return [misbehave](Connection& c) {
    std::string head;
    if (c.ReadUntil("\r\n\r\n", head)) misbehave(c);
  };
}

const std::string kHeadWithoutLength = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";

// A page of related searches: the markers (UTF-8) around `block`.
std::string RelatedPage(const std::string& block) {
  return "<div>相关搜索</div><table cellpadding=\"0\"><tr><th>" + block + "<div id=\"page\" >";
}

struct Case {
  const char* name;
  TcpServer::Script script;
  bool tls = true;  // whether a result-page server speaks TLS first
};

const Case kCases[] = {
    {"never answers", AfterTheRequest([](Connection& c) { c.HoldUntilPeerCloses(); })},
    {"headers, then nothing", AfterTheRequest([](Connection& c) {
       c.Write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n");
       c.HoldUntilPeerCloses();
     })},
    {"drips a byte a second for ever", AfterTheRequest([](Connection& c) {
       c.Write(kHeadWithoutLength);
       while (c.Drip("x", milliseconds(1000))) {
       }
     })},
    {"an endless body", AfterTheRequest([](Connection& c) {
       c.Write(kHeadWithoutLength);
       const std::string chunk(64 * 1024, 'x');
       while (c.Write(chunk)) {
       }
     })},
    {"reset in mid-body", AfterTheRequest([](Connection& c) {
       c.Write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" +
               RelatedPage("<a href=\"x\">a</a></th>"));
       c.Reset();
     })},
    {"invalid UTF-8 and zero bytes around the markers", AfterTheRequest([](Connection& c) {
       c.Write(HttpResponse(200, std::string("\xFF\xFE\0\x80", 4) +
                                     RelatedPage("<a href=\"x\">\xC0\xAF</a></th><a href=\"y\">" +
                                                 std::string("\0", 1) + "</a></th>")));
     })},
    {"a reply in code page 936", AfterTheRequest([](Connection& c) {
       c.Write(HttpResponse(200, G(RelatedPage("<a href=\"x\">减肥</a></th>"))));
     })},
    // Answers whatever arrives, a TLS handshake included.
    {"plain HTTP on the TLS port", [](Connection& c) { c.Write(HttpResponse(200, "hello")); },
     false},
};

class HostileSourcesTest : public ::testing::Test {
 protected:
  // One run from the seed "s" whose source `hostile` (0 the result page, 1 the suggestions)
  // misbehaves as `c` says while the other answers "ok"; gives the results box (UTF-8).
  std::string Harvest(const Case& c, int hostile) {
    const bool tls = hostile == 0 && c.tls;
    TcpServer bad(c.script, tls ? std::optional(MakeTestCertificate(CertificateKind::kSelfSigned))
                                : std::nullopt);
    HttpServer good([](const RecordedRequest& request, Connection& c) {
      const bool page = request.target.starts_with("/s?");
      c.Write(HttpResponse(200, page ? RelatedPage("<a href=\"x\">ok</a></th>")
                                     : G("window.baidu.sug({q:\"s\",s:[\"ok\"]});")));
    });
    const std::string badOrigin =
        (hostile == 0 ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(bad.port());
    const std::string goodOrigin = good.Url("");
    SourcePrefixes prefixes{(hostile == 0 ? badOrigin : goodOrigin) + "/s?wd=",
                            (hostile == 1 ? badOrigin : goodOrigin) + "/su?wd="};
    Harness h([prefixes](HarvestRun& run, const Text& keyword, WindowServices& window) {
      CollectCandidates(run, keyword, window, prefixes);
    });
    // A stop click before the first candidate: the run ends after this one visit, which makes
    // both requests.
    const std::vector<std::string> log = h.Run("s", {}, {{1, Kind::kClick}});
    EXPECT_TRUE(log.back().starts_with("pane1 关键词数量")) << log.back();
    return U(h.window.text(Control::编辑框2));
  }

  ScopedEnvironment environment_ = WithoutProxyVariables();
};

TEST_F(HostileSourcesTest, AMisbehavingResultPageLeavesTheSuggestions) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string results = Harvest(c, 0);
    EXPECT_TRUE(results.ends_with("ok\r\n")) << results;
  }
}

TEST_F(HostileSourcesTest, AMisbehavingSuggestionServerLeavesThePage) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Harvest(c, 1).substr(0, 4), "ok\r\n");
  }
}

}  // namespace
}  // namespace korvelin
