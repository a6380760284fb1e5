// Builds every fixed table of the controller's vocabulary at once: the macro functions,
// the voice vocabulary, the CW characters and the choice lists. Start-up calls it once so
// the first window or file load does not pay for it. Every table also builds itself on
// first use, thread-safely, so calling this is an optimisation, never a requirement.
#pragma once

namespace kelp {

void buildCatalogues();

}  // namespace kelp
