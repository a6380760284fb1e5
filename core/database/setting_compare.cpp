#include "core/database/setting_compare.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/database/key_rules.h"

namespace kelp {
namespace {

// Keys the controller reads character by character: a leading zero is a digit of its own.
constexpr const char* kDigitStrings[] = {
    "DTMF",
    "AutoDial",
    "TollRestrict",
    "MacroCode",
    "ShortMacroCode",
    "RemoteBasePrefix",
    "APPrefix",
    "AnswerCode",
    "DTMFRegenPrefix",
    "DTMFTestPrefix",
    "PreAccessPrefix",
    "PreProgramPrefix",
    "MacroSubset",
    "FreqString",
    "CurrentPortUnlock",
    "NewPortUnlock",
    "Lock",
    "NewLock",
    "Terminator",
    "NewTerminator",
};

bool digitString(const KeyDescriptor& key) {
    for (const char* name : kDigitStrings)
        if (std::strcmp(name, key.name) == 0)
            return true;
    return false;
}

// Spaces collapsed to one, none at the ends, letters upper case.
std::string tidy(std::string_view text) {
    std::string out;
    bool space = false;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            space = !out.empty();
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

bool allDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string withoutLeadingZeros(const std::string& digits) {
    const auto first = digits.find_first_not_of('0');
    return first == std::string::npos ? std::string("0") : digits.substr(first);
}

// The area a setting belongs to: the tab whose caption opens its item words.
int areaOf(const std::string& words) {
    for (int area = 0; area < kAreaCount; ++area) {
        const std::string& caption = areaTabCaption(static_cast<Area>(area));
        if (words.compare(0, caption.size(), caption) == 0 &&
            (words.size() == caption.size() || words[caption.size()] == ':'))
            return area;
    }
    return kAreaCount;
}

// "NONE STORED" is the file's word for an empty macro, message or memory: the upload sends
// such an entry as empty text.
std::string meaning(std::string_view text) {
    std::string t = tidy(text);
    return t == "NONE STORED" ? std::string() : t;
}

}  // namespace

bool sameToController(const KeyDescriptor& key, std::string_view a, std::string_view b) {
    const std::string ta = meaning(a);
    const std::string tb = meaning(b);
    if (ta == tb)
        return true;
    if (digitString(key) || !allDigits(ta) || !allDigits(tb))
        return false;
    return withoutLeadingZeros(ta) == withoutLeadingZeros(tb);
}

std::vector<SettingDifference> settingDifferences(const ControllerDatabase& a,
                                                  const ControllerDatabase& b) {
    std::vector<SettingDifference> found;
    for (const KeyDescriptor& key : keyTable()) {
        const KeyRule& rule = keyRule(key);
        const int used = std::max(usedCount(key, a.hasRtc), usedCount(key, b.hasRtc));
        const auto compare = [&](const std::string& va, const std::string& vb, int port, int index,
                                 std::string keyText) {
            if (sameToController(key, va, vb))
                return;
            std::string where = rule.itemWords ? rule.itemWords(port, index) : key.name;
            const int area = areaOf(where);
            found.push_back(SettingDifference{area, std::move(where), std::move(keyText), va, vb});
        };
        if (key.shape == KeyShape::Courtesy) {
            for (int port = 1; port <= kCourtesyPorts; ++port)
                for (int tone = 1; tone <= used; ++tone)
                    compare(a.courtesy(key.name, port, tone), b.courtesy(key.name, port, tone),
                            port, tone, courtesyKeyText(key.name, port, tone));
        } else if (key.shape == KeyShape::Single) {
            compare(a.get(key.name), b.get(key.name), 0, 0, key.name);
        } else {
            for (int i = 1; i <= used; ++i)
                compare(a.get(key.name, i), b.get(key.name, i), 0, i, keyText(key.name, i));
        }
    }
    std::stable_sort(
        found.begin(), found.end(),
        [](const SettingDifference& x, const SettingDifference& y) { return x.area < y.area; });
    return found;
}

bool namesCode(const SettingDifference& difference) {
    // "Special Codes: Unlock/Lock/Terminator: ", the words the lock code's group opens with.
    static const std::string group = [] {
        const std::string words = keyRule("Lock").itemWords(0, 0);
        return words.substr(0, words.rfind(": ") + 2);
    }();
    return difference.where.rfind(group, 0) == 0;
}

std::vector<SettingDifference> withCodesHidden(std::vector<SettingDifference> differences) {
    for (SettingDifference& d : differences)
        if (namesCode(d))
            d.a = d.b = kHiddenValue;
    return differences;
}

}  // namespace kelp
