// Whether a candidate joins the run, and how the run learns of it.
#pragma once

#include <string_view>

#include "harvest/harvest_run.h"
#include "harvest/window_services.h"
#include "text/text_primitives.h"

namespace korvelin {

// The exclusion list for a new run: the lines of 编辑框4 (SplitText on "\r\n", untrimmed,
// byte-exact) when 选择框2 is checked, else none. Blank lines give no entry: an empty entry
// would be contained in every candidate and silently exclude the whole harvest.
[[nodiscard]] TextArray ReadExclusionList(const WindowServices& window);

// Decides whether `candidate` joins the run, testing in this order and stopping early:
//   1. when 选择框2 is checked now, a candidate containing an entry of the run's exclusion list
//      (case-sensitive) is left out;
//   2. when 选择框1 is checked now, a candidate not containing the current text of the seed box
//      编辑框1 is left out (an empty seed box lets every non-empty candidate pass);
//   3. a candidate new to the keyword set is added and appended with "\r\n" to 编辑框2.
// Nothing is remembered of a candidate left out: offered again, it is tested again.
void AcceptCandidate(HarvestRun& run, std::string_view candidate, WindowServices& window);

// What a source does with each candidate it finds: first processes the pending events (where
// a stop click or any other handler runs nested), then offers the candidate to
// AcceptCandidate. False when the window was closed meanwhile: the candidate is dropped and
// the caller is to stop collecting, with no further request.
[[nodiscard]] bool OfferCandidate(HarvestRun& run, std::string_view candidate,
                                  WindowServices& window);

}  // namespace korvelin
