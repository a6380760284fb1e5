#include "core/editors/macros_model.h"

#include <algorithm>
#include <stdexcept>

#include "core/app/prompter.h"
#include "core/catalogues/macro_functions.h"
#include "core/database/area_checks.h"
#include "core/database/field_checks.h"
#include "core/link/macro_erase.h"
#include "core/session/edit_history.h"

namespace kelp {

namespace {

const char* const kNoneStored = "NONE STORED";

std::vector<std::string> pieces(const std::string& text) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t next = text.find(' ', i);
        const std::size_t end = next == std::string::npos ? text.size() : next;
        if (end > i)
            out.push_back(text.substr(i, end - i));
        i = end + 1;
    }
    return out;
}

bool sameIgnoringCase(const std::string& a, const char* b) {
    const std::string other(b);
    return a.size() == other.size() &&
           std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// "NONE STORED" or "NONE", any case, with any spaces around.
bool holdsNothing(const std::string& text) {
    const auto words = pieces(text);
    std::string joined;
    for (const auto& w : words) joined += (joined.empty() ? "" : " ") + w;
    return joined.empty() || sameIgnoringCase(joined, kNoneStored) ||
           sameIgnoringCase(joined, "NONE");
}

FieldSpec functionsField(MacrosModel::Kind kind) {
    const bool isLong = kind == MacrosModel::Kind::Long;
    FieldSpec f;
    f.key = isLong ? "Macro" : "ShortMacro";
    f.indexing = FieldIndexing::Indexed;
    f.count = isLong ? MacrosModel::kLongMacros : MacrosModel::kShortMacros;
    f.marker = isLong ? 1 : 3;
    f.numeric = false;
    f.upperCase = true;
    f.flag = isLong ? UploadFlag::MacroFunctions : UploadFlag::ShortMacroFunctions;
    const std::string key = f.key;
    f.tidy = [key](const EditorModel& m, int n) {
        return MacrosModel::normaliseFunctions(m.value(key, n));
    };
    f.emptyText = emptyTextIs(kNoneStored);
    const int slots = isLong ? kMacroSlots : kShortMacroSlots;
    const int offset = isLong ? 0 : MacrosModel::kLongMacros;
    f.check = [key, slots, offset](const EditorModel& m, int n) -> std::optional<Notice> {
        const std::string title = "Macro " + std::to_string(n + offset);
        switch (macroCheck(m.value(key, n), slots)) {
            case MacroCheck::Passed:
                return std::nullopt;
            case MacroCheck::InvalidFunction:
                return Notice{title, "Macro contains invalid macro functions"};
            case MacroCheck::TooManyFunctions:
                break;
        }
        return Notice{title, "Macro contains more than " + std::to_string(slots) + " functions"};
    };
    return f;
}

FieldSpec codeField(MacrosModel::Kind kind) {
    const bool isLong = kind == MacrosModel::Kind::Long;
    FieldSpec f;
    f.key = isLong ? "MacroCode" : "ShortMacroCode";
    f.indexing = FieldIndexing::Indexed;
    f.count = isLong ? MacrosModel::kLongMacros : MacrosModel::kShortMacros;
    f.marker = isLong ? 2 : 4;
    f.numeric = false;
    f.upperCase = true;
    f.flag = isLong ? UploadFlag::MacroCode : UploadFlag::ShortMacroCode;
    const int offset = isLong ? 0 : MacrosModel::kLongMacros;
    f.emptyText = [offset](int n) { return "7351" + std::to_string(n + offset); };
    // The short macros' message has always said "characters" twice.
    const std::string text = isLong ? "Macro Code must be 1 to 8 DTMF characters"
                                    : "Macro Code must be 1 to 8 characters DTMF characters";
    const std::string key = f.key;
    f.check = [key, offset, text](const EditorModel& m, int n) -> std::optional<Notice> {
        if (dtmfDigitStringCheck(m.value(key, n), 1, 8))
            return std::nullopt;
        return Notice{"Macro Code " + std::to_string(n + offset), text};
    };
    return f;
}

FieldSpec listField(const char* key, FieldIndexing indexing, int count, UploadFlag flag) {
    FieldSpec f;
    f.key = key;
    f.indexing = indexing;
    f.count = count;
    f.kind = FieldKind::List;
    f.keepsMarker = true;
    f.flag = flag;
    return f;
}

}  // namespace

std::vector<FieldSpec> macrosFields() {
    using K = MacrosModel::Kind;
    return {
        functionsField(K::Long),
        codeField(K::Long),
        functionsField(K::Short),
        codeField(K::Short),
        listField("PortToAllow", FieldIndexing::Indexed, 90, UploadFlag::PortToAllow),
        listField("RcvMacroActive", FieldIndexing::PerPort, 3, UploadFlag::RcvMacroActive),
        listField("RcvMacroInactive", FieldIndexing::PerPort, 3, UploadFlag::RcvMacroInactive),
    };
}

MacrosModel::MacrosModel(ControllerDatabase& database)
    : EditorModel(database, Area::Macros, macrosFields(),
                  // The macro tabs are not port tabs.
                  0) {}

MacrosModel::Macro MacrosModel::macroNumbered(int number) {
    if (number < 1 || number > kLongMacros + kShortMacros)
        throw std::out_of_range("macro number " + std::to_string(number));
    return number <= kLongMacros ? Macro{Kind::Long, number}
                                 : Macro{Kind::Short, number - kLongMacros};
}

std::optional<MacrosModel::Kind> MacrosModel::kindOfKey(const std::string& key) {
    if (key == "Macro" || key == "MacroCode")
        return Kind::Long;
    if (key == "ShortMacro" || key == "ShortMacroCode")
        return Kind::Short;
    return std::nullopt;
}

bool MacrosModel::isFunctionsKey(const std::string& key) {
    return key == "Macro" || key == "ShortMacro";
}

void MacrosModel::enterBox(Macro macro) {
    focused_ = macro;
}

std::string MacrosModel::enteredFunctionsText(Macro macro) const {
    const std::string& v = value(macro.functionsKey(), macro.index);
    return v == kNoneStored ? std::string() : v;
}

int MacrosModel::slotSize(Macro macro) const {
    return macroSlotSize(value(macro.functionsKey(), macro.index));
}

std::string MacrosModel::normaliseFunctions(const std::string& text) {
    if (holdsNothing(text))
        return kNoneStored;
    std::string joined;
    for (const std::string& p : pieces(text)) joined += (joined.empty() ? "" : " ") + p;
    return joined;
}

std::optional<MacrosModel::Insertion> MacrosModel::insertFunction(const std::string& text,
                                                                  int caret, int selection,
                                                                  long code) {
    if (code <= 0)
        return std::nullopt;
    std::string digits = std::to_string(code);
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), '0');
    if (holdsNothing(text))
        return Insertion{digits, static_cast<int>(digits.size())};
    // The same rule as inserting a word into an ID: a space on each side that needs one.
    const int length = static_cast<int>(text.size());
    const int s = std::clamp(caret, 0, length);
    const int l = std::clamp(selection, 0, length - s);
    const auto at = [](int n) { return static_cast<std::size_t>(n); };
    if (s == 0)
        return Insertion{digits + " " + text.substr(at(l)), static_cast<int>(digits.size()) + 1};
    if (s == length) {
        std::string joined = text + " " + digits;
        const int end = static_cast<int>(joined.size());
        return Insertion{std::move(joined), end};
    }
    const std::string kept = text.substr(0, at(s)) + text.substr(at(s + l));
    return Insertion{kept.substr(0, at(s)) + " " + digits + " " + kept.substr(at(s)),
                     s + static_cast<int>(digits.size()) + 2};
}

std::string MacrosModel::toolTip(const std::string& boxText) {
    const auto words = pieces(boxText);
    if (words.empty() || normaliseFunctions(boxText) == kNoneStored)
        return {};
    std::string tip;
    for (const std::string& w : words) {
        const auto name = macroFunctions().isFunctionCode(w) ? macroFunctions().descriptionOfCode(w)
                                                             : std::nullopt;
        if (!tip.empty())
            tip += " | ";
        tip += name ? *name : "***ERROR***";
    }
    return tip;
}

void MacrosModel::selectMacroNumber(int number) {
    macroNumbered(number);  // range check
    selectedMacro_ = number;
}

void MacrosModel::selectReceivePort(int port) {
    if (port < 1 || port > 3)
        throw std::out_of_range("receive port " + std::to_string(port));
    selectedPort_ = port;
}

bool MacrosModel::eraseAllMacros() {
    if (currentPrompter().message(eraseQuestionText(), kEraseQuestionTitle, MessageIcon::Critical,
                                  MessageButtons::YesNo) != Answer::Yes)
        return false;
    if (!eraseMacrosInController(database()))
        return false;
    eraseMacrosInDatabase(database());
    markControllerReached(database(), "Erase All Macros");
    // The erased values replace their working values; an unapplied macro code stays as typed.
    for (const FieldSpec& f : fields()) {
        if (f.key == "MacroCode" || f.key == "ShortMacroCode")
            continue;
        for (int i = 1; i <= f.count; ++i) setValue(f.key, i, stored(f.key, i));
    }
    selectedMacro_ = 1;
    selectedPort_ = 1;
    bool stillEdited = false;
    for (const FieldSpec& f : fields())
        for (int i = 1; i <= f.count; ++i) stillEdited = stillEdited || differs(f.key, i);
    if (!stillEdited)
        database().setChangeMarker(area(), -1);
    currentPrompter().message(kErasedText, kErasedTitle, MessageIcon::Critical);
    return true;
}

}  // namespace kelp
