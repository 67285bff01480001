#include "harvest/candidate_sources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/harvest/fake_window.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/search_standin.h"
#include "tests/support/tcp_server.h"
#include "web/request_url.h"

namespace korvelin {
namespace {

using namespace ::korvelin::testing;

// The harvest with the real sources against the stand-in, reached directly.
class CandidateSourcesTest : public ::testing::Test {
 protected:
  Harness HarnessFor(SourcePrefixes prefixes) {
    return Harness([prefixes](HarvestRun& run, const Text& keyword, WindowServices& window) {
      CollectCandidates(run, keyword, window, prefixes);
    });
  }
  Harness HarnessForStandIn() {
    return HarnessFor({service_.RelatedSearchesPrefix(), service_.SuggestionsPrefix()});
  }

  // The requests the stand-in got, as "source keyword".
  std::vector<std::string> RequestLog() const {
    std::vector<std::string> log;
    for (const StandInRequest& r : service_.Requests()) log.push_back(r.source + " " + r.keyword);
    return log;
  }

  ScopedEnvironment environment_ = WithoutProxyVariables();
  SearchStandIn service_;
};

TEST_F(CandidateSourcesTest, HarvestsTheWholeGraphBreadthFirst) {
  Harness h = HarnessForStandIn();
  const std::vector<std::string> log = h.Run("减肥", {}, {});

  // The traps: the empty link text and "" are one empty keyword, 🍎 has no GBK code and reads
  // "?", 註 ends in "]" and does not end the list, duplicates show once, the links around the
  // block and the quoted texts around the list are no candidates.
  EXPECT_EQ(U(h.window.text(Control::编辑框2)),
            "减肥方法\r\n减肥食谱\r\n\r\n减肥?\r\n减肥註\r\n减肥茶\r\n运动减肥\r\n减肥方法大全\r\n"
            "减肥食谱一周\r\n註册减肥\r\n绿茶\r\n跑步\r\n");
  EXPECT_EQ(log[log.size() - 2], "pane1 关键词数量13");
  EXPECT_EQ(log.back(), "caption 开始采集");

  const std::vector<std::string> visits = {
      "减肥",     "减肥方法",     "减肥食谱",     "",         "减肥?", "减肥註", "减肥茶",
      "运动减肥", "减肥方法大全", "减肥食谱一周", "註册减肥", "绿茶",  "跑步"};
  std::vector<std::string> expected;
  for (const std::string& keyword : visits) {
    expected.push_back("related " + keyword);
    expected.push_back("suggestions " + keyword);
  }
  EXPECT_EQ(RequestLog(), expected);
}

TEST_F(CandidateSourcesTest, EachRequestCarriesTheDefaultHeadersOnly) {
  Harness h = HarnessForStandIn();
  h.Run("减肥", {}, {{1, Kind::kClose}});
  const std::vector<StandInRequest> requests = service_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string url = service_.RelatedSearchesPrefix() + QueryComponent(G("减肥"));
  const std::vector<std::string> expected = {
      "Host: " + url.substr(8, url.find('/', 8) - 8),
      "Accept: */*",
      "Referer: " + url,
      "Accept-Language: zh-cn",
      "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
  };
  EXPECT_EQ(requests[0].headerLines, expected);
}

TEST_F(CandidateSourcesTest, KeywordsReachTheServiceWhole) {
  const char* keywords[] = {"a&b", "C#", "C++", "100%", "a b", "x\r\ny", "覽[註]", ""};
  for (const char* keyword : keywords) {
    SCOPED_TRACE(keyword);
    const size_t before = service_.Requests().size();
    Harness h = HarnessForStandIn();
    h.Run(keyword, {}, {});
    const std::vector<std::string> log = RequestLog();
    const std::vector<std::string> made(log.begin() + static_cast<long>(before), log.end());
    EXPECT_EQ(made, (std::vector<std::string>{std::string("related ") + keyword,
                                              std::string("suggestions ") + keyword}));
  }
}

TEST_F(CandidateSourcesTest, StopClickBeforeThePageCandidatesStillAsksForSuggestions) {
  Harness h = HarnessForStandIn();
  const std::vector<std::string> log = h.Run("减肥", {}, {{1, Kind::kClick}});
  EXPECT_EQ(RequestLog(), (std::vector<std::string>{"related 减肥", "suggestions 减肥"}));
  EXPECT_EQ(U(h.window.text(Control::编辑框2)),
            "减肥方法\r\n减肥食谱\r\n\r\n减肥?\r\n减肥註\r\n减肥茶\r\n");
  EXPECT_EQ(log.back(), "pane1 关键词数量7");
}

TEST_F(CandidateSourcesTest, ClosingTheWindowStopsBeforeTheNextRequest) {
  Harness h = HarnessForStandIn();
  h.Run("减肥", {}, {{3, Kind::kClose}});
  EXPECT_EQ(RequestLog(), (std::vector<std::string>{"related 减肥"}));
}

TEST_F(CandidateSourcesTest, FailedRequestsGiveNoCandidates) {
  const std::string closed = "http://127.0.0.1:" + std::to_string(UnusedPort());
  Harness h = HarnessFor({closed + "/s?wd=", closed + "/su?wd="});
  const std::vector<std::string> log = h.Run("减肥", {}, {});
  EXPECT_EQ(log, (std::vector<std::string>{"click", "caption 停止采集", "pane1 关键词数量1",
                                           "caption 开始采集"}));
}

TEST_F(CandidateSourcesTest, FiltersApplyToBothSources) {
  Harness h = HarnessForStandIn();
  h.window.checked[Control::选择框1] = true;
  h.window.checked[Control::选择框2] = true;
  h.window.text(Control::编辑框4) = G("茶\r\n方法");
  h.Run("减肥", {}, {});
  EXPECT_EQ(U(h.window.text(Control::编辑框2)),
            "减肥食谱\r\n减肥?\r\n减肥註\r\n减肥食谱一周\r\n註册减肥\r\n");
}

}  // namespace
}  // namespace korvelin
