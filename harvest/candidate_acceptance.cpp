#include "harvest/candidate_acceptance.h"

namespace korvelin {

TextArray ReadExclusionList(const WindowServices& window) {
  if (!window.IsChecked(Control::选择框2)) return {};
  return SplitText(window.ReadText(Control::编辑框4), "\r\n");
}

void AcceptCandidate(HarvestRun& run, std::string_view candidate, WindowServices& window) {
  if (!run.keywordSet.Add(candidate)) return;
  Text line(candidate);
  line += "\r\n";
  window.AppendText(Control::编辑框2, line);
}

bool OfferCandidate(HarvestRun& run, std::string_view candidate, WindowServices& window) {
  if (window.WindowClosed()) return false;
  window.ProcessPendingEvents();
  if (window.WindowClosed()) return false;
  AcceptCandidate(run, candidate, window);
  return true;
}

}  // namespace korvelin
