#include "core/catalogues/choice_lists.h"

#include <initializer_list>
#include <stdexcept>
#include <utility>

#include "core/catalogues/word_list.h"

namespace kelp {

namespace {

constexpr long kMacroCount = 90;

// Entries whose stored text is the item data in decimal.
ChoiceList decimalList(std::initializer_list<std::pair<const char*, long>> rows) {
    std::vector<ChoiceEntry> entries;
    for (const auto& [text, data] : rows) {
        entries.push_back(ChoiceEntry{text, data, std::to_string(data)});
    }
    return ChoiceList(std::move(entries));
}

std::string twoDigits(long number) {
    std::string text = std::to_string(number);
    if (text.size() < 2) {
        text.insert(0, 2 - text.size(), '0');
    }
    return text;
}

}  // namespace

ChoiceList::ChoiceList(std::vector<ChoiceEntry> entries) : entries_(std::move(entries)) {}

const ChoiceEntry& ChoiceList::entry(int row) const {
    if (row < 1 || row > size()) {
        throw std::out_of_range("choice list row " + std::to_string(row));
    }
    return entries_[static_cast<std::size_t>(row - 1)];
}

int ChoiceList::rowOfStored(std::string_view stored) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].stored == stored) {
            return static_cast<int>(i) + 1;
        }
    }
    return -1;
}

int ChoiceList::rowOfItemData(long itemData) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].itemData == itemData) {
            return static_cast<int>(i) + 1;
        }
    }
    return -1;
}

int ChoiceList::rowOfNumber(std::string_view text) const {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return -1;
    }
    const auto firstSignificant = text.find_first_not_of('0');
    if (firstSignificant == std::string_view::npos) {
        return rowOfItemData(0);
    }
    const std::string_view significant = text.substr(firstSignificant);
    // Every item data is far below nine digits; a longer number matches nothing.
    if (significant.size() > 9) {
        return -1;
    }
    long value = 0;
    for (char c : significant) {
        value = value * 10 + (c - '0');
    }
    return rowOfItemData(value);
}

std::vector<ListEntry> ChoiceList::listEntries() const {
    std::vector<ListEntry> list;
    list.reserve(entries_.size());
    for (const ChoiceEntry& e : entries_) {
        list.push_back(ListEntry{e.text, e.itemData});
    }
    return list;
}

const ChoiceList& macroList() {
    static const ChoiceList list = [] {
        std::vector<ChoiceEntry> entries;
        for (long n = 1; n <= kMacroCount; ++n) {
            entries.push_back(ChoiceEntry{std::to_string(n), n, formatMacroNumber(n)});
        }
        return ChoiceList(std::move(entries));
    }();
    return list;
}

std::string formatMacroNumber(long number) {
    return twoDigits(number);
}

int macroListRow(std::string_view stored) {
    return macroList().rowOfNumber(stored);
}

const ChoiceList& totResetPointList() {
    static const ChoiceList list = decimalList({
        {"After COS", 0},
        {"After CT Seg 1", 1},
        {"After CT Seg 2", 2},
        {"After CT Seg 3", 3},
        {"After CT Seg 4", 4},
    });
    return list;
}

const ChoiceList& tailMessageList() {
    static const ChoiceList list = decimalList({
        {"NONE", 0},
        {"1", 1},
        {"2", 2},
        {"3", 3},
    });
    return list;
}

namespace {
constexpr int kRealPortSets = 7;
constexpr int kNoneZeroRow = 8;
constexpr int kNoneNinetyNineRow = 9;
}  // namespace

const ChoiceList& portSetList() {
    static const ChoiceList list = decimalList({
        {"Port 1", 1},
        {"Port 2", 2},
        {"Port 3", 3},
        {"Ports 1 & 2", 12},
        {"Ports 1 & 3", 13},
        {"Ports 2 & 3", 23},
        {"All Ports", 123},
        {"None", 0},
        {"None", 99},
    });
    return list;
}

std::vector<ListEntry> portSetEntries(PortSetNone none) {
    std::vector<ListEntry> all = portSetList().listEntries();
    std::vector<ListEntry> shown(all.begin(), all.begin() + kRealPortSets);
    if (none == PortSetNone::Zero) {
        shown.push_back(all[kNoneZeroRow - 1]);
    } else if (none == PortSetNone::NinetyNine) {
        shown.push_back(all[kNoneNinetyNineRow - 1]);
    }
    return shown;
}

int portSetRow(std::string_view code, PortSetNone admitted) {
    const int row = portSetList().rowOfStored(code);
    if (row >= 1 && row <= kRealPortSets) {
        return row;
    }
    if (row == kNoneZeroRow && admitted == PortSetNone::Zero) {
        return row;
    }
    if (row == kNoneNinetyNineRow && admitted == PortSetNone::NinetyNine) {
        return row;
    }
    return -1;
}

const ChoiceList& schedulerDayList() {
    static const ChoiceList list = decimalList({
        {"Sunday", 7},
        {"Monday", 1},
        {"Tuesday", 2},
        {"Wednesday", 3},
        {"Thursday", 4},
        {"Friday", 5},
        {"Saturday", 6},
        {"Weekdays", 8},
        {"Weekends", 9},
        {"Everyday", 0},
    });
    return list;
}

const ChoiceList& schedulerOccurrenceList() {
    static const ChoiceList list = decimalList({
        {"1st", 1},
        {"2nd", 2},
        {"3rd", 3},
        {"4th", 4},
        {"5th", 5},
    });
    return list;
}

const ChoiceList& schedulerHourList() {
    // The controller reads hour 25 as "never" and 99 as "at every hour".
    static const ChoiceList list = [] {
        std::vector<ChoiceEntry> entries{{"Disabled", 25, "25"}, {"Every Hour", 99, "99"}};
        for (long hour = 0; hour < 24; ++hour) {
            const long onClock = hour % 12 == 0 ? 12 : hour % 12;
            const std::string text = std::to_string(onClock) + (hour < 12 ? " AM" : " PM");
            entries.push_back(ChoiceEntry{text, hour, twoDigits(hour)});
        }
        return ChoiceList(std::move(entries));
    }();
    return list;
}

const ChoiceList& schedulerMinuteList() {
    static const ChoiceList list = [] {
        std::vector<ChoiceEntry> entries;
        for (long minute = 0; minute < 60; ++minute) {
            entries.push_back(ChoiceEntry{twoDigits(minute), minute, twoDigits(minute)});
        }
        return ChoiceList(std::move(entries));
    }();
    return list;
}

const ChoiceList& idExtrasList() {
    static const ChoiceList list = decimalList({
        {"None Selected", 0},
        {"Good M/A/E Before ID", 1},
        {"Good M/A/E After ID", 2},
        {"Time Before ID", 3},
        {"Time After ID", 4},
        {"Good M/A/E & Time Before ID", 5},
        {"Good M/A/E & Time After ID", 6},
        {"Good M/A/E Before & Time After ID", 7},
        {"Time Before & Good M/A/E After ID", 8},
        {"Time & Good M/A/E Before ID", 9},
        {"Time  & Good M/A/E After ID", 10},
        {"Random Rotation", 11},
    });
    return list;
}

int idExtrasRow(std::string_view code) {
    return idExtrasList().rowOfStored(normaliseWord(code));
}

const ChoiceList& dtmfDigitList() {
    static const ChoiceList list = [] {
        std::vector<ChoiceEntry> entries;
        long position = 0;
        for (char digit : std::string_view("1234567890*#ABCD")) {
            const std::string text(1, digit);
            entries.push_back(ChoiceEntry{text, ++position, text});
        }
        return ChoiceList(std::move(entries));
    }();
    return list;
}

int dtmfDigitPosition(char digit) {
    return dtmfDigitList().rowOfStored(std::string_view(&digit, 1));
}

int dtmfDigitPosition(std::string_view digit) {
    return digit.size() == 1 ? dtmfDigitPosition(digit.front()) : -1;
}

}  // namespace kelp
