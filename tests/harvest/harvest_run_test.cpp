#include "harvest/harvest_run.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "harvest/candidate_acceptance.h"
#include "tests/support/gbk.h"
#include "text/codepage.h"

namespace korvelin {
namespace {

using ::korvelin::testing::G;

std::string U(std::string_view gbk) { return Utf16ToUtf8(GbkToUtf16(gbk)); }

// What the user does, delivered in the n-th call of ProcessPendingEvents (counting every call,
// nested ones included).
enum class Kind { kClick, kClear, kClose, kEditSeed };
struct Event {
  int call;
  Kind kind;
  const char* text = "";  // the new seed, UTF-8
};

// The candidates the two sources give for a keyword (UTF-8).
struct Visit {
  std::vector<const char*> page;
  std::vector<const char*> suggestions;
};

// The main window without Qt: controls are plain texts and flags, and what the harvest does to
// them is written to `log` in UTF-8. Touching the window after it was closed fails the test.
class FakeWindow final : public WindowServices {
 public:
  FakeWindow() {
    text_[Control::编辑框1] = G("减肥");
    text_[Control::按钮1] = G("开始采集");
  }

  Text ReadText(Control control) const override {
    Touch("ReadText");
    if (control == Control::编辑框1) ++seedReads;
    auto it = text_.find(control);
    return it == text_.end() ? Text() : it->second;
  }
  void SetText(Control control, std::string_view text) override {
    Touch("SetText");
    if (control == Control::按钮1) log.push_back("caption " + U(text));
    text_[control] = Text(text);
  }
  bool IsChecked(Control /*control*/) const override {
    Touch("IsChecked");
    return false;
  }
  void SetDisabled(Control /*control*/, bool /*disabled*/) override { Touch("SetDisabled"); }
  void AppendText(Control control, std::string_view text) override {
    Touch("AppendText");
    log.push_back("append " + U(text));
    text_[control] += text;
  }
  void SetPaneText(Control /*control*/, int pane, std::string_view text) override {
    Touch("SetPaneText");
    log.push_back("pane" + std::to_string(pane) + " " + U(text));
  }
  void ProcessPendingEvents() override {
    Touch("ProcessPendingEvents");
    ++calls;
    while (!closed && next_ < events.size() && events[next_].call <= calls) {
      deliver(events[next_++]);
    }
  }
  bool WindowClosed() const override { return closed; }

  Text& text(Control control) { return text_[control]; }

  std::vector<Event> events;  // by call number
  std::function<void(const Event&)> deliver;
  std::vector<std::string> log;
  mutable int seedReads = 0;
  int calls = 0;
  bool closed = false;

 private:
  void Touch(const char* service) const {
    if (closed) ADD_FAILURE() << service << " after the window was closed";
  }

  std::map<Control, Text> text_;
  size_t next_ = 0;
};

// One click on 按钮1 of a FakeWindow, with scripted sources; events it delivers run the
// window's handlers (a click runs the same harvest nested).
class Harness {
 public:
  Harness() {
    window.deliver = [this](const Event& event) { Deliver(event); };
  }

  // Clicks 按钮1 with the given seed, visits and later events; gives the log.
  std::vector<std::string> Run(const char* seed, const std::map<std::string, Visit>& visits,
                               std::vector<Event> events) {
    window.text(Control::编辑框1) = G(seed);
    for (const auto& [keyword, visit] : visits) visits_[G(keyword)] = visit;
    window.events = std::move(events);
    Click();
    return window.log;
  }

  FakeWindow window;

 private:
  void Click() {
    window.log.push_back("click");
    On按钮1Click(window, [this](HarvestRun& run, const Text& keyword, WindowServices& services) {
      Collect(run, keyword, services);
    });
  }

  // Both sources of a visit, each with its request, then its candidates.
  void Collect(HarvestRun& run, const Text& keyword, WindowServices& services) {
    const Visit& visit = visits_[keyword];
    const std::pair<const char*, const std::vector<const char*>*> sources[] = {
        {"/s ", &visit.page}, {"/su ", &visit.suggestions}};
    for (const auto& [path, candidates] : sources) {
      window.log.push_back(std::string("request ") + path + U(keyword));
      for (const char* candidate : *candidates) {
        if (!OfferCandidate(run, G(candidate), services)) return;
      }
    }
  }

  void Deliver(const Event& event) {
    switch (event.kind) {
      case Kind::kClick:
        Click();
        break;
      case Kind::kClear:
        window.log.push_back("clear");
        window.text(Control::编辑框2).clear();
        break;
      case Kind::kClose:
        window.log.push_back("close");
        window.closed = true;
        break;
      case Kind::kEditSeed:
        window.text(Control::编辑框1) = G(event.text);
        break;
    }
  }

  std::map<Text, Visit> visits_;
};

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
