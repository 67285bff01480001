#include "harvest/candidate_acceptance.h"

#include <vector>

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

bool ContainsAnyEntry(std::string_view candidate, const TextArray& entries) {
  for (const Text& entry : entries) {
    if (FindText(candidate, entry) != -1) return true;
  }
  return false;
}

bool PassesMustContainRule(std::string_view candidate, const WindowServices& window) {
  if (!window.IsChecked(Control::选择框1)) return true;
  return FindText(candidate, window.ReadText(Control::编辑框1)) != -1;
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

TextArray ReadExclusionList(const WindowServices& window) {
  if (!window.IsChecked(Control::选择框2)) return {};
  TextArray entries = SplitText(window.ReadText(Control::编辑框4), "\r\n");
  std::erase_if(entries, [](const Text& entry) { return entry.empty(); });
  return entries;
}

void AcceptCandidate(HarvestRun& run, std::string_view candidate, WindowServices& window) {
  run.candidate = candidate;
  run.excluded =
      window.IsChecked(Control::选择框2) && ContainsAnyEntry(run.candidate, run.exclusionList);
  if (!run.excluded && PassesMustContainRule(run.candidate, window) &&
      run.keywordSet.Add(run.candidate)) {
    window.AppendText(Control::编辑框2, run.candidate + "\r\n");
  }
  run.excluded = false;
}

bool OfferCandidate(HarvestRun& run, std::string_view candidate, WindowServices& window) {
  if (window.WindowClosed()) return false;
  window.ProcessPendingEvents();
  if (window.WindowClosed()) return false;
  AcceptCandidate(run, candidate, window);
  return true;
}

}  // namespace korvelin
