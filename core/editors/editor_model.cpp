#include "core/editors/editor_model.h"

#include <array>
#include <stdexcept>

#include "core/database/key_rules.h"
#include "core/database/load_rules.h"
#include "core/database/setting_flags.h"
#include "core/session/edit_history.h"

namespace kelp {

const char* const kApplyFailTitle = "APPLY FAIL";
const char* const kApplyFailText = "Changes were NOT applied due to errors";
const char* const kCancelQuestionTail =
    "Yes to proceed, No to return to editing without cancelling";

namespace {

struct AreaTexts {
    std::string word;
    std::string cancelSentence;
    std::string cancelTitle;
};

const std::array<AreaTexts, kAreaCount>& areaTexts() {
    static const std::array<AreaTexts, kAreaCount> texts{{
        {"Timer",
         "This will cancel all Timer changes made since your last Timer 'Apply' or Timer 'Cancel'",
         "TIMER CANCEL CHANGES"},
        {"Courtesy Tone",
         "This will cancel all Courtesy Tone changes made since your last Courtesy Tone 'Apply' "
         "or Courtesy Tone 'Cancel Changes'",
         "COURTESY TONE CANCEL CHANGES"},
        {"Macro",
         "This will cancel all Macro changes made since your last Macro 'Apply' or Macro 'Cancel'",
         "MACRO CANCEL CHANGES"},
        {"Scheduler",
         "This will cancel all Scheduler changes made since your last Scehduler 'Apply' or "
         "Scheduler 'Cancel'",
         "SCHEDULER CANCEL CHANGES"},
        {"Analog",
         "This will cancel all Analog changes made since your last Analog 'Apply' or Analog "
         "'Cancel Changes'",
         "ANALOG CANCEL CHANGES"},
        {"ID",
         "This will cancel all ID changes made to all ports since your last ID 'Apply' or "
         "'Cancel'",
         "ID CANCEL CHANGES"},
        {"Messages",
         "This will cancel all Message Macro changes made since your last Message Macro 'Apply' "
         "or Message Macro 'Cancel'",
         "MESSAGE MACRO CANCEL CHANGES"},
        {"DTMF",
         "This will cancel all DTMF changes made since your last DTMF 'Apply' or DTMF 'Cancel "
         "Changes'",
         "DTMF CANCEL CHANGES"},
        {"Alarm/Remote Base",
         "This will cancel all Alarm/RemoteBase changes made since your last Alarm/Remote Base "
         "'Apply' or Alarm/Remote Base 'Cancel Changes'",
         "ALARM/REMOTE BASE CANCEL CHANGES"},
        {"Special Codes/Autopatch",
         "This will cancel all Special Codes/Autopatch changes made since your last Special "
         "Codes/Autopatch 'Apply' or Special Codes/Autopatch 'Cancel Changes'",
         "SPECIAL CODES/AUTOPATCH CANCEL CHANGES"},
        {"Port Switch",
         "This will cancel all Port Switch changes made since your last Port Switch 'Apply' or "
         "Port Switch 'Cancel Changes'",
         "PORT SWITCH CANCEL CHANGES"},
    }};
    return texts;
}

std::string trimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string upperCaseAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace

const std::string& areaCaption(Area area) {
    static const std::array<std::string, kAreaCount> captions{
        "Timers",
        "Courtesy Tones",
        "Macros",
        "Scheduler/Clock",
        "Analog",
        "IDs",
        "Messages",
        "DTMF",
        "Logic Alarms/R Base",
        "Special Codes/Autopatch",
        "Port Switches",
    };
    return captions[static_cast<std::size_t>(area)];
}

const std::string& areaWord(Area area) {
    return areaTexts()[static_cast<int>(area)].word;
}
const std::string& cancelSentence(Area area) {
    return areaTexts()[static_cast<int>(area)].cancelSentence;
}
const std::string& cancelTitle(Area area) {
    return areaTexts()[static_cast<int>(area)].cancelTitle;
}

std::optional<Notice> unappliedChangesGuard(const ControllerDatabase& database, Area shownTab) {
    if (database.changeMarker(shownTab) == -1)
        return std::nullopt;
    const std::string& word = areaWord(shownTab);
    return Notice{"Unapplied " + word + " Changes",
                  "You have unapplied " + word +
                      " changes, you must either apply them or cancel them before you can "
                      "leave the form"};
}

std::function<std::string(int)> emptyTextIs(std::string text) {
    return [text = std::move(text)](int) { return text; };
}

std::string portTitle(int port, const std::string& field) {
    return "Port " + std::to_string(port) + ": " + field;
}

EditorModel::EditorModel(ControllerDatabase& database, Area area, std::vector<FieldSpec> fields,
                         int portTabs)
    : db_(database), area_(area), fields_(std::move(fields)), portTabs_(portTabs) {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        FieldSpec& f = fields_[i];
        if (f.indexing == FieldIndexing::Single)
            f.count = 1;
        if (f.indexing == FieldIndexing::PerPort)
            f.count = 3;
        if (f.indexing == FieldIndexing::Courtesy)
            f.count = kCourtesyPorts * kCourtesyTones;
        if (!byKey_.emplace(f.key, i).second)
            throw std::logic_error("editor field listed twice: " + f.key);
    }
    working_.resize(fields_.size());
}

const FieldSpec& EditorModel::field(const std::string& key) const {
    const auto it = byKey_.find(key);
    if (it == byKey_.end())
        throw std::out_of_range("no such editor field: " + key);
    return fields_[it->second];
}

int EditorModel::slot(const FieldSpec& f, int index) {
    if (f.indexing == FieldIndexing::Single) {
        if (index != 0 && index != 1)
            throw std::out_of_range("index of single field " + f.key);
        return 0;
    }
    if (index < 1 || index > f.count)
        throw std::out_of_range("index " + std::to_string(index) + " of " + f.key);
    return index - 1;
}

void EditorModel::loadWorkingCopy() {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const FieldSpec& f = fields_[i];
        auto& values = working_[i];
        values.assign(static_cast<std::size_t>(f.count), std::string());
        for (int s = 0; s < f.count; ++s)
            values[static_cast<std::size_t>(s)] =
                databaseValue(f, f.indexing == FieldIndexing::Single ? 0 : s + 1);
    }
}

const std::string& EditorModel::databaseValue(const FieldSpec& f, int index) const {
    if (f.indexing == FieldIndexing::Courtesy)
        return db_.courtesy(f.key, (index - 1) / kCourtesyTones + 1,
                            (index - 1) % kCourtesyTones + 1);
    return db_.get(f.key, f.indexing == FieldIndexing::Single ? 0 : index);
}

void EditorModel::writeDatabase(const FieldSpec& f, int index, const std::string& value) {
    if (f.indexing == FieldIndexing::Courtesy)
        db_.setCourtesy(f.key, (index - 1) / kCourtesyTones + 1, (index - 1) % kCourtesyTones + 1,
                        value);
    else
        db_.set(f.key, f.indexing == FieldIndexing::Single ? 0 : index, value);
}

void EditorModel::open() {
    loadWorkingCopy();
    rememberedIndex_.clear();
    currentTab_ = 0;
    currentPort_ = 1;
    afterLoad();
    // Filling the controls raises change events; none of them is an edit.
    db_.setChangeMarker(area_, -1);
}

const std::string& EditorModel::value(const std::string& key, int index) const {
    const FieldSpec& f = field(key);
    return working_[byKey_.at(key)][static_cast<std::size_t>(slot(f, index))];
}

const std::string& EditorModel::stored(const std::string& key, int index) const {
    const FieldSpec& f = field(key);
    slot(f, index);  // range check
    return databaseValue(f, index);
}

bool EditorModel::differs(const std::string& key, int index) const {
    return value(key, index) != stored(key, index);
}

void EditorModel::selectTab(int tab) {
    currentTab_ = tab;
    if (tab >= 0 && tab < portTabs_)
        currentPort_ = tab + 1;
}

void EditorModel::setValue(const std::string& key, int index, std::string value) {
    const FieldSpec& f = field(key);
    working_[byKey_.at(key)][static_cast<std::size_t>(slot(f, index))] = std::move(value);
}

void EditorModel::editText(const std::string& key, int index, const std::string& text) {
    const FieldSpec& f = field(key);
    slot(f, index);
    if (storesEdit(key, index))
        setValue(key, index, f.upperCase ? upperCaseAscii(trimSpaces(text)) : trimSpaces(text));
    db_.setChangeMarker(area_, static_cast<std::int16_t>(f.marker));
    if (f.indexing == FieldIndexing::Indexed || f.indexing == FieldIndexing::Courtesy)
        rememberedIndex_[f.marker] = index;
}

void EditorModel::editChoice(const std::string& key, int index, int itemData) {
    const FieldSpec& f = field(key);
    std::string text = std::to_string(itemData);
    if (f.twoDigits && text.size() < 2)
        text.insert(0, 1, '0');
    if (storesEdit(key, index))
        setValue(key, index, std::move(text));
    if (!f.keepsMarker)
        db_.setChangeMarker(area_, 0);
}

std::string EditorModel::emptyTextOf(const FieldSpec& f, int index) {
    return f.emptyText ? f.emptyText(index) : std::string("0");
}

std::optional<Notice> EditorModel::leaveField(const std::string& key, int index) {
    const FieldSpec& f = field(key);
    if (!value(key, index).empty() && f.tidy) {
        std::string tidy = f.tidy(*this, index);
        if (tidy != value(key, index))
            editText(key, index, tidy);
    }
    if (value(key, index).empty()) {
        const std::string empty = emptyTextOf(f, index);
        if (!empty.empty())
            editText(key, index, empty);
    }
    if (!f.check)
        return std::nullopt;
    return f.check(*this, index);
}

int EditorModel::rememberedIndex(int marker) const {
    const auto it = rememberedIndex_.find(marker);
    return it == rememberedIndex_.end() ? 1 : it->second;
}

const FieldSpec* EditorModel::fieldByMarker(int marker) const {
    for (const FieldSpec& f : fields_)
        if (f.kind == FieldKind::Text && f.marker == marker)
            return &f;
    return nullptr;
}

std::optional<std::pair<EditorModel::FieldEntry, Notice>> EditorModel::valueTheLoadWouldChange()
    const {
    // The database as Apply would leave it: this area's working copy, everything else as it is.
    const ValueOf after = [this](const std::string& key, int index) -> std::string {
        if (byKey_.count(key) != 0)
            return value(key, index);
        return db_.get(key, index);
    };
    // A value Apply leaves alone still counts when the value it is judged by changes.
    const auto partnerChanges = [this](const FieldSpec& f, int index) {
        const CrossFieldRule* cross = crossFieldRule(f.key);
        return cross != nullptr && byKey_.count(cross->partner) != 0 &&
               differs(cross->partner, index);
    };
    for (const FieldSpec& f : fields_) {
        const KeyDescriptor* key = findKey(f.key);
        if (key == nullptr)
            continue;
        for (int s = 0; s < f.count; ++s) {
            const int index = f.indexing == FieldIndexing::Single ? 0 : s + 1;
            int port = 0;
            int entry = index;
            if (f.indexing == FieldIndexing::Courtesy) {
                port = s / kCourtesyTones + 1;
                entry = s % kCourtesyTones + 1;
            }
            // Entries beyond what the file holds (no RTC option board) are never written.
            if (index > 0 && entry > usedCount(*key, db_.hasRtc))
                continue;
            if (!differs(f.key, index) && !partnerChanges(f, index))
                continue;
            const std::string& written = value(f.key, index);
            const std::optional<std::string> repaired =
                loadRepair(*key, port, entry, written, after);
            if (!repaired)
                continue;
            std::optional<Notice> notice = f.check ? f.check(*this, index) : std::nullopt;
            if (!notice) {
                const KeyRule& rule = keyRule(*key);
                const std::string words = rule.itemWords ? rule.itemWords(port, entry) : f.key;
                notice = Notice{words, words + " cannot be stored as '" + written +
                                           "': the file would read it back as '" + *repaired +
                                           "'"};
            }
            return std::make_pair(FieldEntry{f.key, index}, *notice);
        }
    }
    return std::nullopt;
}

std::vector<Notice> EditorModel::apply() {
    refusedEntry_.reset();
    if (auto refusal = beforeApply())
        return {*refusal, Notice{kApplyFailTitle, kApplyFailText}};
    const int m = marker();
    if (m > 0) {
        if (const FieldSpec* f = fieldByMarker(m)) {
            int index = 0;
            if (f->indexing == FieldIndexing::PerPort)
                index = currentPort_;
            if (f->indexing == FieldIndexing::Indexed || f->indexing == FieldIndexing::Courtesy)
                index = rememberedIndex(m);
            if (auto refusal = leaveField(f->key, index)) {
                refusedEntry_ = FieldEntry{f->key, index};
                return {*refusal, Notice{kApplyFailTitle, kApplyFailText}};
            }
        }
    }
    if (auto changed = valueTheLoadWouldChange()) {
        refusedEntry_ = changed->first;
        return {changed->second, Notice{kApplyFailTitle, kApplyFailText}};
    }
    // One Apply is one step of the history of edits.
    EditStep step(db_, area_);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const FieldSpec& f = fields_[i];
        for (int s = 0; s < f.count; ++s) {
            const int index = f.indexing == FieldIndexing::Single ? 0 : s + 1;
            const std::string& working = working_[i][static_cast<std::size_t>(s)];
            if (working == databaseValue(f, index))
                continue;
            if (const std::optional<FlagRef> flag = uploadFlagFor(f, index))
                db_.setUploadFlag(flag->group, flag->index, true);
            db_.saved = false;
            writeDatabase(f, index, working);
        }
    }
    const int tab = currentTab_;
    const int port = currentPort_;
    loadWorkingCopy();
    afterLoad();
    // Apply reloads the values but leaves the operator on the tab they were using.
    currentTab_ = tab;
    currentPort_ = port;
    db_.setChangeMarker(area_, -1);
    afterApply();
    step.commit(tab);
    return {};
}

std::optional<FlagRef> EditorModel::uploadFlagFor(const FieldSpec& f, int index) {
    if (f.flag != UploadFlag::Count_)
        return FlagRef{f.flag, f.flagIndex > 0 ? f.flagIndex : index};
    return settingFlag(f.key, index);
}

Notice EditorModel::cancelQuestion() const {
    return Notice{cancelTitle(area_), cancelSentence(area_) + "\r\n\r\n" + kCancelQuestionTail};
}

void EditorModel::cancelChanges() {
    loadWorkingCopy();
    afterLoad();
    db_.setChangeMarker(area_, -1);
}

}  // namespace kelp
