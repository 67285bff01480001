// One harvest: the click handler of the start button 按钮1 and the state it runs on.
//
// The caption of 按钮1 is the only run/stop flag. A click that finds "开始采集" sets "停止采集"
// and runs the harvest inside the handler: it visits the known keywords breadth first, in the
// order in which they joined the keyword set, starting with the seed from 编辑框1, and after
// each visit shows "关键词数量" followed by the number of known keywords in pane 1 of 状态条1.
// Any other caption makes the click a stop click: it sets "开始采集" and returns.
//
// Other handlers, a stop click among them, run only inside the window's ProcessPendingEvents,
// nested in the running harvest: before each candidate and once after the visit loop. A stopped
// run finishes the visit it is in, shows the count once more and ends at the next caption
// test. A run also ends once it has visited every keyword it knows (as if stopped: the caption
// goes back to "开始采集"), and at its next step after the window has been closed (then
// without touching the window again).
#pragma once

#include <functional>
#include <string_view>

#include "harvest/keyword_set.h"
#include "harvest/window_services.h"
#include "text/pattern_matcher.h"
#include "text/text_primitives.h"

namespace korvelin {

// The state of one invocation of the click handler; nothing of it is shared with another run.
// All texts are code page 936.
struct HarvestRun {
  TextArray exclusionList;           // read once at the start, empty unless 选择框2 was checked
  KeywordSet keywordSet;             // the seed and every accepted candidate
  KeywordSet::Snapshot keySnapshot;  // the visit queue, refreshed after each visit
  int cursor = 0;                    // 1-based position of the keyword being visited; 0 before
  Text currentKeyword;
  Text pageText;           // the result page, decoded and cut to its related searches
  PatternMatcher matcher;  // one for the whole run, both sources and every keyword
  Text candidate;          // the candidate being offered
  bool excluded = false;   // the candidate holds an exclusion entry; false between candidates
  Text suggestionText;     // the suggestion reply, cut to its list
};

// Called once per visit with the run and its current keyword; offers the candidates it finds
// through OfferCandidate.
using CandidateCollector =
    std::function<void(HarvestRun& run, const Text& keyword, WindowServices& window)>;

// The click handler of 按钮1, with the real candidate sources (CollectCandidates).
void On按钮1Click(WindowServices& window);
// The same with the candidates of `collect` instead (how tests script them). A click handled
// nested inside the run goes to whatever handler the window has bound to 按钮1.
void On按钮1Click(WindowServices& window, const CandidateCollector& collect);

}  // namespace korvelin
