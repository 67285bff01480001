#include "harvest/candidate_sources.h"

namespace korvelin {

void CollectCandidates(HarvestRun& /*run*/, const Text& /*keyword*/, WindowServices& /*window*/) {}

}  // namespace korvelin
