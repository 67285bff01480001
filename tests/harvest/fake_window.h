// A scripted main window for the harvest's tests, without Qt, and a harness that clicks 按钮1
// on it with scripted candidate sources.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "harvest/candidate_acceptance.h"
#include "harvest/harvest_run.h"
#include "tests/support/gbk.h"
#include "text/codepage.h"

namespace korvelin::testing {

inline std::string U(std::string_view gbk) { return Utf16ToUtf8(GbkToUtf16(gbk)); }

// What the user does, delivered in the n-th call of ProcessPendingEvents (counting every call,
// nested ones included).
enum class Kind { kClick, kClear, kClose, kEditSeed, kToggle };
struct Event {
  int call;
  Kind kind;
  const char* text = "";           // kEditSeed: the new seed, UTF-8
  Control box = Control::选择框1;  // kToggle: the check box clicked
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
  bool IsChecked(Control control) const override {
    Touch("IsChecked");
    auto it = checked.find(control);
    return it != checked.end() && it->second;
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

  std::map<Control, bool> checked;
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

// One click on 按钮1 of a FakeWindow, with scripted sources or with `sources` when given (the
// real ones, say); events it delivers run the window's handlers (a click runs the same harvest
// nested).
class Harness {
 public:
  explicit Harness(CandidateCollector sources = nullptr) : sources_(std::move(sources)) {
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
      if (sources_) {
        sources_(run, keyword, services);
      } else {
        Collect(run, keyword, services);
      }
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
      case Kind::kToggle:
        window.checked[event.box] = !window.checked[event.box];
        break;
    }
  }

  CandidateCollector sources_;
  std::map<Text, Visit> visits_;
};

}  // namespace korvelin::testing
