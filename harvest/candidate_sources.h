// Where a visit's candidates come from: the search service's result page (its block of
// related searches) and its suggestion endpoint, always in that order.
//
// For each source: one GET request with a 3-second time-out and nothing else of the caller's
// (the request carries only the default headers); the reply cut between two markers; and one
// candidate per match of a pattern, its sub-match 1, offered at once after the window's
// pending events have been processed. A failed request, an error page or a reply without the
// markers gives no candidates, and the next source or visit follows at once.
//   - Related searches: https://www.baidu.com/s?wd=<keyword>, a UTF-8 page, cut between
//     "相关搜索</div><table cellpadding="0"><tr><th>" and "<div id="page" >", pattern
//     "">(.*?)</a></th>".
//   - Suggestions: http://suggestion.baidu.com/su?wd=<keyword>, code page 936 bytes taken as
//     they come (up to a zero byte), cut between "[" and "]", pattern ""(.*?)"".
// The keyword goes into the query as UTF-8, percent-encoded, so that "&", "#", "+", "%",
// spaces and line breaks reach the service as part of the keyword.
#pragma once

#include "harvest/harvest_run.h"
#include "harvest/window_services.h"
#include "text/text_primitives.h"

namespace korvelin {

// The URL prefixes of the two sources; the keyword follows each directly. Tests point them at
// stand-ins; the program always uses the service's own.
struct SourcePrefixes {
  Text relatedSearches = "https://www.baidu.com/s?wd=";
  Text suggestions = "http://suggestion.baidu.com/su?wd=";
};

// Offers, one at a time, the candidates both sources give for `keyword` to AcceptCandidate
// (through OfferCandidate). Once the window has been closed it returns at its next step,
// without a further request.
void CollectCandidates(HarvestRun& run, const Text& keyword, WindowServices& window);
void CollectCandidates(HarvestRun& run, const Text& keyword, WindowServices& window,
                       const SourcePrefixes& prefixes);

}  // namespace korvelin
