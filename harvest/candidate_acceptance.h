// Whether a candidate joins the run, and how the run learns of it.
#pragma once

#include <string_view>

#include "harvest/harvest_run.h"
#include "harvest/window_services.h"
#include "text/text_primitives.h"

namespace korvelin {

// The exclusion list for a new run: the lines of 编辑框4 (SplitText on "\r\n", untrimmed) when
// 选择框2 is checked, else none.
[[nodiscard]] TextArray ReadExclusionList(const WindowServices& window);

// Adds `candidate` to the run's keyword set and, when it is new there, appends it with "\r\n"
// to the results box 编辑框2. A candidate equal to a known keyword, the seed included, leaves
// the window alone.
void AcceptCandidate(HarvestRun& run, std::string_view candidate, WindowServices& window);

// What a source does with each candidate it finds: first processes the pending events (where
// a stop click or any other handler runs nested), then offers the candidate to
// AcceptCandidate. False when the window was closed meanwhile: the candidate is dropped and
// the caller is to stop collecting, with no further request.
[[nodiscard]] bool OfferCandidate(HarvestRun& run, std::string_view candidate,
                                  WindowServices& window);

}  // namespace korvelin
