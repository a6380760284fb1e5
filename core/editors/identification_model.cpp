#include "core/editors/identification_model.h"

#include <algorithm>

#include "core/catalogues/choice_lists.h"
#include "core/catalogues/cw_table.h"
#include "core/catalogues/voice_vocabulary.h"
#include "core/catalogues/word_list.h"
#include "core/database/area_checks.h"
#include "core/database/field_checks.h"

namespace kelp {

namespace {

const char* const kVoiceKeys[] = {"VoiceID1", "VoiceID2", "VoiceID3"};
const char* const kCwKeys[] = {"CWID1", "CWID2"};
const char* const kExtrasKeys[] = {"ID1Extras", "ID2Extras", "ID3Extras"};

std::string range(int low, int high) {
    return std::to_string(low) + " and " + std::to_string(high);
}

FieldSpec perPort(std::string key, FieldKind kind, int marker, bool numeric, UploadFlag flag) {
    FieldSpec f;
    f.key = std::move(key);
    f.indexing = FieldIndexing::PerPort;
    f.count = 3;
    f.kind = kind;
    f.marker = marker;
    f.numeric = numeric;
    f.flag = flag;
    return f;
}

FieldSpec voiceField(int id, UploadFlag flag) {
    FieldSpec f = perPort(kVoiceKeys[id - 1], FieldKind::Text, id, false, flag);
    // The first voice ID's message has always been spelt with a small "c".
    const std::string text =
        std::string(id == 1 ? "Invalid Voice ID contents" : "Invalid Voice ID Contents") +
        " or contains more than " + std::to_string(kVoiceIdWords) + " words";
    const std::string key = f.key;
    f.tidy = [key](const EditorModel& m, int port) {
        return normaliseWordList(upperCase(m.value(key, port)));
    };
    f.emptyText = emptyTextIs("");
    f.check = [key, id, text](const EditorModel& m, int port) -> std::optional<Notice> {
        const std::string words = VoiceVocabulary::normalise(m.value(key, port));
        if (!words.empty() && voiceIdCheck(words))
            return std::nullopt;
        return Notice{"Voice ID" + std::to_string(id) + " Port " + std::to_string(port), text};
    };
    return f;
}

FieldSpec cwField(int id, UploadFlag flag) {
    FieldSpec f = perPort(kCwKeys[id - 1], FieldKind::Text, 3 + id, false, flag);
    const std::string key = f.key;
    f.tidy = [key](const EditorModel& m, int port) {
        return normaliseWordList(upperCase(m.value(key, port)));
    };
    f.emptyText = emptyTextIs("");
    f.check = [key, id](const EditorModel& m, int port) -> std::optional<Notice> {
        const std::string characters = CwTable::normalise(upperCase(m.value(key, port)));
        if (!characters.empty() && cwIdCheck(characters))
            return std::nullopt;
        return Notice{"CW ID" + std::to_string(id) + " Port " + std::to_string(port),
                      "Invalid CW ID Contents or contains more than " +
                          std::to_string(kCwIdCharacters) + " characters"};
    };
    return f;
}

// An emptied CW speed or tone box takes the setting's default.
FieldSpec numberField(std::string key, int marker, std::int16_t low, std::int16_t high,
                      UploadFlag flag, std::string titleStart, std::string emptyDefault) {
    FieldSpec f = perPort(key, FieldKind::Text, marker, true, flag);
    f.emptyText = emptyTextIs(std::move(emptyDefault));
    f.check = [key, low, high, titleStart](const EditorModel& m,
                                           int port) -> std::optional<Notice> {
        if (numericFieldCheck(m.value(key, port), low, high))
            return std::nullopt;
        return Notice{titleStart + std::to_string(port),
                      "Entry must be whole number between " + range(low, high)};
    };
    return f;
}

}  // namespace

std::vector<FieldSpec> identificationFields() {
    using U = UploadFlag;
    std::vector<FieldSpec> f;
    f.push_back(voiceField(1, U::VoiceId1));
    f.push_back(voiceField(2, U::VoiceId2));
    f.push_back(voiceField(3, U::VoiceId3));
    f.push_back(cwField(1, U::CwId1));
    f.push_back(cwField(2, U::CwId2));
    f.push_back(numberField("CWSpeed", 6, 5, 50, U::CwSpeed, "CW Speed Port ", "5"));
    f.push_back(numberField("CWTone1", 7, 200, 3500, U::CwTone1, "CW Tone 1 Port ", "200"));
    {
        FieldSpec tone2 = perPort("CWTone2", FieldKind::Text, 8, true, U::CwTone2);
        tone2.emptyText = emptyTextIs("0");
        tone2.check = [](const EditorModel& m, int port) -> std::optional<Notice> {
            if (cwTone2Check(m.value("CWTone2", port)))
                return std::nullopt;
            return Notice{"CW Tone 2 Port " + std::to_string(port),
                          "Entry must be whole number between " + range(200, 3500) + ", or 0"};
        };
        f.push_back(std::move(tone2));
    }
    f.push_back(perPort("SpeechEnable", FieldKind::Check, 0, false, U::SpeechIds));
    f.push_back(perPort("ConstantID", FieldKind::Check, 0, false, U::ConstantId));
    f.push_back(perPort(kExtrasKeys[0], FieldKind::List, 0, false, U::IdExtras1));
    f.push_back(perPort(kExtrasKeys[1], FieldKind::List, 0, false, U::IdExtras2));
    f.push_back(perPort(kExtrasKeys[2], FieldKind::List, 0, false, U::IdExtras3));
    return f;
}

IdentificationModel::IdentificationModel(ControllerDatabase& database)
    : EditorModel(database, Area::Identification, identificationFields()) {}

IdentificationModel::IdKind IdentificationModel::idKind(const std::string& key) {
    for (const char* k : kVoiceKeys)
        if (key == k)
            return IdKind::Voice;
    for (const char* k : kCwKeys)
        if (key == k)
            return IdKind::Cw;
    return IdKind::None;
}

bool IdentificationModel::isExtras(const std::string& key) {
    return std::any_of(std::begin(kExtrasKeys), std::end(kExtrasKeys),
                       [&key](const char* k) { return key == k; });
}

void IdentificationModel::upperCaseId(const std::string& key, int port) {
    if (idKind(key) == IdKind::None)
        return;
    setValue(key, port, std::string(trimSpaces(upperCase(value(key, port)))));
}

int IdentificationModel::count(const std::string& key, int port) const {
    switch (idKind(key)) {
        case IdKind::Voice:
            return VoiceVocabulary::wordCount(value(key, port));
        case IdKind::Cw:
            return CwTable::characterCount(value(key, port));
        case IdKind::None:
            break;
    }
    return 0;
}

bool IdentificationModel::storesEdit(const std::string& key, int /*index*/) const {
    if (isExtras(key))
        markerBeforeChoice_ = marker();
    return true;
}

void IdentificationModel::restoreMarkerAfterExtra() {
    database().setChangeMarker(area(), markerBeforeChoice_);
}

void IdentificationModel::chooseExtra(int id, int port, int code) {
    editChoice(kExtrasKeys[id - 1], port, code);
    restoreMarkerAfterExtra();
}

IdentificationModel::Insertion IdentificationModel::insertWord(const std::string& text, int caret,
                                                               int selection,
                                                               const std::string& word) {
    const int length = static_cast<int>(text.size());
    const int s = std::clamp(caret, 0, length);
    const int l = std::clamp(selection, 0, length - s);
    const auto at = [](int n) { return static_cast<std::size_t>(n); };
    if (s == 0) {
        return {word + " " + text.substr(at(l)), static_cast<int>(word.size()) + 1};
    }
    if (s == length) {
        std::string joined = text + " " + word;
        const int end = static_cast<int>(joined.size());
        return {std::move(joined), end};
    }
    const std::string kept = text.substr(0, at(s)) + text.substr(at(s + l));
    return {kept.substr(0, at(s)) + " " + word + " " + kept.substr(at(s)),
            s + static_cast<int>(word.size()) + 2};
}

void IdentificationModel::afterApply() {
    // Every flag the window sets counts, the constant-ID flag too: an ID change waiting for
    // the controller is an unsaved change however it was made.
    for (const FieldSpec& f : fields())
        for (int port = 1; port <= 3; ++port)
            if (const std::optional<FlagRef> flag = uploadFlagFor(f, port))
                if (database().uploadFlag(flag->group, flag->index))
                    database().saved = false;
}

}  // namespace kelp
