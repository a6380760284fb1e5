#include "core/session/recent_files.h"

#include <algorithm>

namespace kelp {

const std::string& RecentFiles::item(int k) const {
    static const std::string none;
    if (k < 1 || k > count())
        return none;
    return items_[static_cast<std::size_t>(k - 1)];
}

bool RecentFiles::fUpdateFilesList(const std::string& path) {
    if (path.find_first_not_of(" \t") == std::string::npos)
        return false;
    const auto found = std::find(items_.begin(), items_.end(), path);
    if (found != items_.end()) {
        if (found == items_.begin())
            return false;
        // Move to front: the entries before it shift down one, the length stays.
        std::rotate(items_.begin(), found, found + 1);
        return true;
    }
    items_.insert(items_.begin(), path);
    if (count() > kMaxEntries)
        items_.resize(kMaxEntries);
    return true;
}

}  // namespace kelp
