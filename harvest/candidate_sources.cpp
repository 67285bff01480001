#include "harvest/candidate_sources.h"

#include "harvest/candidate_acceptance.h"
#include "text/text_helpers.h"
#include "web/request_url.h"
#include "web/web_request.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

// "相关搜索</div><table cellpadding="0"><tr><th>"
constexpr std::string_view kRelatedLeftMarker =
    "\xCF\xE0\xB9\xD8\xCB\xD1\xCB\xF7</div><table cellpadding=\"0\"><tr><th>";
constexpr std::string_view kRelatedRightMarker = "<div id=\"page\" >";
constexpr std::string_view kRelatedPattern = "\">(.*?)</a></th>";
constexpr std::string_view kSuggestionLeftMarker = "[";
constexpr std::string_view kSuggestionRightMarker = "]";
constexpr std::string_view kSuggestionPattern = "\"(.*?)\"";
constexpr int kTimeoutSeconds = 3;

Bytes Fetch(const Text& prefix, const Text& keyword) {
  WebRequestParams params;
  params.url = prefix + QueryComponent(keyword);
  params.method = 0;
  params.timeoutSeconds = kTimeoutSeconds;
  return WebRequest(params);
}

// Offers sub-match 1 of every match of `pattern` in `text`; false once the window is closed.
bool OfferMatches(HarvestRun& run, std::string_view pattern, const Text& text,
                  WindowServices& window) {
  (void)run.matcher.Execute(pattern, text);  // a failure leaves no match to offer
  const int count = run.matcher.MatchCount();
  for (int i = 1; i <= count; ++i) {
    if (!OfferCandidate(run, run.matcher.SubMatchText(i, 1), window)) return false;
  }
  return true;
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

void CollectCandidates(HarvestRun& run, const Text& keyword, WindowServices& window) {
  CollectCandidates(run, keyword, window, SourcePrefixes{});
}

void CollectCandidates(HarvestRun& run, const Text& keyword, WindowServices& window,
                       const SourcePrefixes& prefixes) {
  if (window.WindowClosed()) return;
  run.pageText = TextBetween(Utf8ToGbk(Fetch(prefixes.relatedSearches, keyword)),
                             kRelatedLeftMarker, kRelatedRightMarker);
  if (!OfferMatches(run, kRelatedPattern, run.pageText, window)) return;

  if (window.WindowClosed()) return;
  run.suggestionText = TextBetween(BytesToText(Fetch(prefixes.suggestions, keyword)),
                                   kSuggestionLeftMarker, kSuggestionRightMarker);
  (void)OfferMatches(run, kSuggestionPattern, run.suggestionText, window);
}

}  // namespace korvelin
