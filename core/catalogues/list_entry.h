// One entry of a choice list as the windows fill it: the text the operator sees and the
// number carried with it (the code, value or position the choice stands for).
#pragma once

#include <string>

namespace kelp {

struct ListEntry {
    std::string text;
    long itemData = 0;

    bool operator==(const ListEntry& other) const {
        return text == other.text && itemData == other.itemData;
    }
};

}  // namespace kelp
