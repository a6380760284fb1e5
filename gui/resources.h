// The icons are compiled into the kelp_gui library; a static library's resources must be
// registered by hand before the first use.
#pragma once

namespace kelp {

void initResources();

}  // namespace kelp
