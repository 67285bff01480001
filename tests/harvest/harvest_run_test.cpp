#include "harvest/harvest_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/harvest/fake_window.h"

namespace korvelin {
namespace {

using namespace ::korvelin::testing;

TEST(HarvestRun, VisitsBreadthFirstAndEndsAfterTheLastKnownKeyword) {
  Harness h;
  const auto log =
      h.Run("减肥", {{"减肥", {{"茶", "b"}, {"b", "减肥", "c"}}}, {"茶", {{"d"}, {}}}}, {});
  const std::vector<std::string> expected = {
      "click",
      "caption 停止采集",
      "request /s 减肥",
      "append 茶\r\n",
      "append b\r\n",
      "request /su 减肥",
      "append c\r\n",
      "pane1 关键词数量4",
      "request /s 茶",
      "append d\r\n",
      "request /su 茶",
      "pane1 关键词数量5",
      "request /s b",
      "request /su b",
      "pane1 关键词数量5",
      "request /s c",
      "request /su c",
      "pane1 关键词数量5",
      "request /s d",
      "request /su d",
      "pane1 关键词数量5",
      "caption 开始采集",
  };
  EXPECT_EQ(log, expected);
  EXPECT_EQ(h.window.text(Control::编辑框2), G("茶\r\nb\r\nc\r\nd\r\n"));
  EXPECT_EQ(h.window.calls, 7);  // before each of the 6 candidates, and once after the loop
}

TEST(HarvestRun, StopClickLetsTheVisitFinish) {
  // The click waits for the first call of ProcessPendingEvents, before the first candidate;
  // the visit still offers the rest, makes its suggestion request and shows the count.
  Harness h;
  const auto log = h.Run("减肥", {{"减肥", {{"x", "y"}, {"z"}}}}, {{1, Kind::kClick}});
  const std::vector<std::string> expected = {
      "click",
      "caption 停止采集",
      "request /s 减肥",
      "click",  // the stop click, nested
      "caption 开始采集",
      "append x\r\n",
      "append y\r\n",
      "request /su 减肥",
      "append z\r\n",
      "pane1 关键词数量4",
  };
  EXPECT_EQ(log, expected);
  EXPECT_EQ(h.window.calls, 4);
  EXPECT_EQ(h.window.seedReads, 2);  // once per click
}

TEST(HarvestRun, ClickAfterTheStopStartsANestedRun) {
  Harness h;
  const auto log =
      h.Run("减肥", {{"减肥", {{"x", "y"}, {}}}}, {{1, Kind::kClick}, {2, Kind::kClick}});
  const std::vector<std::string> expected = {
      "click",
      "caption 停止采集",
      "request /s 减肥",
      "click",
      "caption 开始采集",  // stop
      "append x\r\n",
      "click",
      "caption 停止采集",  // a new run, nested, with a keyword set of its own
      "request /s 减肥",
      "append x\r\n",
      "append y\r\n",
      "request /su 减肥",
      "pane1 关键词数量3",
      "request /s x",
      "request /su x",
      "pane1 关键词数量3",
      "request /s y",
      "request /su y",
      "pane1 关键词数量3",
      "caption 开始采集",
      // the stopped run goes on where it was
      "append y\r\n",
      "request /su 减肥",
      "pane1 关键词数量3",
  };
  EXPECT_EQ(log, expected);
}

TEST(HarvestRun, ClearingTheResultsForgetsNoKeyword) {
  Harness h;
  const auto log = h.Run("减肥", {{"减肥", {{"a", "b", "a", "c"}, {}}}}, {{2, Kind::kClear}});
  EXPECT_EQ(h.window.text(Control::编辑框2), "b\r\nc\r\n");
  EXPECT_EQ(log.back(), "caption 开始采集");
  EXPECT_EQ(log[log.size() - 2], "pane1 关键词数量4");
}

TEST(HarvestRun, SeedIsReadOnceAtTheClick) {
  Harness h;
  h.Run("减肥", {{"减肥", {{"a", "减肥", "a"}, {}}}}, {{1, Kind::kEditSeed, "a"}});
  // "a" is new although it is the seed box's text by then; the old seed stays known.
  EXPECT_EQ(h.window.text(Control::编辑框2), "a\r\n");
  EXPECT_EQ(h.window.seedReads, 1);
}

TEST(HarvestRun, EmptySeedIsVisitedAsTheEmptyKeyword) {
  Harness h;
  const auto log = h.Run("", {{"", {{""}, {"a"}}}}, {});
  const std::vector<std::string> expected = {
      "click",
      "caption 停止采集",
      "request /s ",
      "request /su ",
      "append a\r\n",
      "pane1 关键词数量2",
      "request /s a",
      "request /su a",
      "pane1 关键词数量2",
      "caption 开始采集",
  };
  EXPECT_EQ(log, expected);
}

TEST(HarvestRun, ClosingTheWindowEndsEveryRunAtItsNextStep) {
  // FakeWindow fails the test on any touch after the close.
  struct Case {
    const char* name;
    std::vector<Event> events;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"in the first source",
       {{1, Kind::kClose}},
       {"click", "caption 停止采集", "request /s 减肥", "close"}},
      {"in a nested run",
       {{1, Kind::kClick}, {2, Kind::kClick}, {3, Kind::kClose}},
       {"click", "caption 停止采集", "request /s 减肥", "click", "caption 开始采集", "append x\r\n",
        "click", "caption 停止采集", "request /s 减肥", "close"}},
      {"after the loop",
       {{3, Kind::kClose}},
       {"click", "caption 停止采集", "request /s 减肥", "append x\r\n", "append y\r\n",
        "request /su 减肥", "pane1 关键词数量3", "request /s x", "request /su x",
        "pane1 关键词数量3", "request /s y", "request /su y", "pane1 关键词数量3",
        "caption 开始采集", "close"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    EXPECT_EQ(h.Run("减肥", {{"减肥", {{"x", "y"}, {}}}}, c.events), c.expected);
  }
}

}  // namespace
}  // namespace korvelin
