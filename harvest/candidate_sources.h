// Where a visit's candidates come from.
#pragma once

#include "harvest/harvest_run.h"
#include "harvest/window_services.h"
#include "text/text_primitives.h"

namespace korvelin {

// Offers, through OfferCandidate and one at a time, the candidates that the search service's
// sources give for `keyword`, and stops at once when the window has been closed. For now no
// source is wired in, so a visit yields nothing.
void CollectCandidates(HarvestRun& run, const Text& keyword, WindowServices& window);

}  // namespace korvelin
