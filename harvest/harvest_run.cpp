#include "harvest/harvest_run.h"

#include "harvest/candidate_acceptance.h"
#include "harvest/candidate_sources.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

constexpr std::string_view kStartCaption = "\xBF\xAA\xCA\xBC\xB2\xC9\xBC\xAF";  // "开始采集"
constexpr std::string_view kStopCaption = "\xCD\xA3\xD6\xB9\xB2\xC9\xBC\xAF";   // "停止采集"
constexpr std::string_view kCountLabel =
    "\xB9\xD8\xBC\xFC\xB4\xCA\xCA\xFD\xC1\xBF";  // "关键词数量"

void ShowKeywordCount(WindowServices& window, int count) {
  Text status(kCountLabel);
  status += NumberToText(count);
  window.SetPaneText(Control::状态条1, 1, status);
}

// Visits keywords until the caption no longer reads "停止采集", every known keyword has been
// visited, or the window has been closed.
void RunVisitLoop(HarvestRun& run, WindowServices& window, const CandidateCollector& collect) {
  while (!window.WindowClosed() && window.ReadText(Control::按钮1) == kStopCaption) {
    ++run.cursor;
    if (run.cursor > run.keySnapshot.Count()) {
      // Keys join only during visits, so no later visit could find one: end as if stopped.
      window.SetText(Control::按钮1, kStartCaption);
      return;
    }
    run.currentKeyword = run.keySnapshot.At(run.cursor);
    collect(run, run.currentKeyword, window);
    if (window.WindowClosed()) return;
    run.keySnapshot = run.keywordSet.Keys();
    ShowKeywordCount(window, run.keySnapshot.Count());
  }
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

void On按钮1Click(WindowServices& window) {
  On按钮1Click(window, [](HarvestRun& run, const Text& keyword, WindowServices& services) {
    CollectCandidates(run, keyword, services);
  });
}

void On按钮1Click(WindowServices& window, const CandidateCollector& collect) {
  if (window.WindowClosed()) return;
  HarvestRun run;
  run.exclusionList = ReadExclusionList(window);
  run.keywordSet.Add(window.ReadText(Control::编辑框1));
  run.keySnapshot = run.keywordSet.Keys();
  if (window.ReadText(Control::按钮1) != kStartCaption) {
    window.SetText(Control::按钮1, kStartCaption);  // a stop click; its own run is thrown away
    return;
  }
  window.SetText(Control::按钮1, kStopCaption);
  RunVisitLoop(run, window, collect);
  if (!window.WindowClosed()) window.ProcessPendingEvents();
}

}  // namespace korvelin
