// The recent files list of the File menu: full paths, most recent first, at most ten.
// It persists as LastRCFile(1)-LastRCFile(10) in kelp.ini.
#pragma once

#include <string>
#include <vector>

namespace kelp {

class RecentFiles {
  public:
    static constexpr int kMaxEntries = 10;

    const std::vector<std::string>& items() const { return items_; }
    int count() const { return static_cast<int>(items_.size()); }
    bool empty() const { return items_.empty(); }
    // Item k, 1-based (1 is the most recent); "" outside 1..count.
    const std::string& item(int k) const;

    // fUpdateFilesList: puts a path at the head of the list. A path that is empty after
    // trimming changes nothing; a path already listed (exact, case-sensitive comparison) moves
    // to the front; a new path goes in front and the eleventh entry falls off. Returns true
    // when the list changed.
    bool fUpdateFilesList(const std::string& path);

    void clear() { items_.clear(); }

  private:
    std::vector<std::string> items_;
};

}  // namespace kelp
