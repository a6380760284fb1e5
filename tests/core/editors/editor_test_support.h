// Shared by the editor model tests.
#pragma once

#include <utility>
#include <vector>

#include "core/database/controller_database.h"

namespace kelp::testing {

// Every upload flag that is set, as (group, index); a group of one flag is listed at index 0.
inline std::vector<std::pair<UploadFlag, int>> raisedFlags(const ControllerDatabase& database) {
    std::vector<std::pair<UploadFlag, int>> raised;
    for (const auto& d : uploadFlagTable()) {
        const int first = d.count == 1 ? 0 : 1;
        const int last = d.count == 1 ? 0 : d.count;
        for (int i = first; i <= last; ++i)
            if (database.uploadFlag(d.flag, i))
                raised.emplace_back(d.flag, i);
    }
    return raised;
}

}  // namespace kelp::testing
