#include "core/session/edit_history.h"

#include <ctime>
#include <utility>

#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/app/prompter.h"
#include "core/database/key_rules.h"
#include "core/editors/editor_model.h"

namespace kelp {

namespace {

// Far more than an operator takes back in one sitting; the oldest steps go first.
constexpr std::size_t kMostEntries = 500;

struct CellAddress {
    const KeyDescriptor* key;
    int port;   // courtesy keys only
    int index;  // 0 for single keys
};

// Every setting's address in the order contentsOf() lists the values.
const std::vector<CellAddress>& cellAddresses() {
    static const std::vector<CellAddress> cells = [] {
        std::vector<CellAddress> all;
        for (const KeyDescriptor& key : keyTable()) {
            if (key.shape == KeyShape::Single)
                all.push_back({&key, 0, 0});
            else if (key.shape == KeyShape::Indexed)
                for (int n = 1; n <= key.count; ++n) all.push_back({&key, 0, n});
            else
                for (int p = 1; p <= kCourtesyPorts; ++p)
                    for (int n = 1; n <= key.count; ++n) all.push_back({&key, p, n});
        }
        return all;
    }();
    return cells;
}

const std::vector<FlagRef>& flagAddresses() {
    static const std::vector<FlagRef> flags = [] {
        std::vector<FlagRef> all;
        for (const UploadFlagDescriptor& d : uploadFlagTable()) {
            if (d.count == 1)
                all.push_back({d.flag, 0});
            else
                for (int n = 1; n <= d.count; ++n) all.push_back({d.flag, n});
        }
        return all;
    }();
    return flags;
}

const std::string& cellValue(const ControllerDatabase& database, const CellAddress& c) {
    return c.port > 0 ? database.courtesy(c.key->name, c.port, c.index)
                      : database.get(c.key->name, c.index);
}

std::string cellWords(const CellAddress& c) {
    const KeyRule& rule = keyRule(*c.key);
    if (rule.itemWords)
        return rule.itemWords(c.port, c.index);
    return c.port > 0 ? courtesyKeyText(c.key->name, c.port, c.index)
                      : keyText(c.key->name, c.index);
}

std::string clockTime(std::chrono::system_clock::time_point when) {
    return localTimeText(when, "%H:%M");
}

}  // namespace

DatabaseContents contentsOf(const ControllerDatabase& database) {
    DatabaseContents contents;
    contents.values.reserve(cellAddresses().size());
    for (const CellAddress& c : cellAddresses()) contents.values.push_back(cellValue(database, c));
    contents.flags.reserve(flagAddresses().size());
    for (const FlagRef& f : flagAddresses())
        contents.flags.push_back(database.uploadFlag(f.group, f.index));
    return contents;
}

EditHistory::EditHistory(ControllerDatabase& database)
    : db_(database), generation_(database.generation()) {
    if (db_.saved)
        savedContents_ = contentsOf(db_);
}

void EditHistory::follow() {
    if (db_.generation() == generation_)
        return;
    restart();
}

void EditHistory::restart() {
    generation_ = db_.generation();
    entries_.clear();
    position_ = 0;
    savedContents_.reset();
    // A database just read from its file (or reset to nothing) is what the file holds.
    if (db_.saved)
        savedContents_ = contentsOf(db_);
    changed();
}

void EditHistory::changed() {
    if (listener_)
        listener_();
}

void EditHistory::record(const DatabaseContents& before, Area area, int tab) {
    follow();
    const DatabaseContents after = contentsOf(db_);
    Entry step;
    step.area = area;
    step.tab = tab;
    for (std::size_t i = 0; i < after.values.size(); ++i)
        if (before.values[i] != after.values[i])
            step.cells.push_back({i, before.values[i], after.values[i]});
    for (std::size_t i = 0; i < after.flags.size(); ++i)
        if (before.flags[i] != after.flags[i])
            step.flags.push_back({i, before.flags[i], after.flags[i]});
    // A window that wrote its file as well (the unlock window's Save LATER) leaves the
    // database saved: the file holds the step.
    if (db_.saved)
        savedContents_ = after;
    if (step.cells.empty() && step.flags.empty())
        return;
    if (step.cells.size() == 1)
        step.description = cellWords(cellAddresses()[step.cells.front().cell]);
    else if (step.cells.empty())
        step.description = areaCaption(area);
    else
        step.description =
            areaCaption(area) + ": " + std::to_string(step.cells.size()) + " settings";
    entries_.resize(position_);
    entries_.push_back(std::move(step));
    if (entries_.size() > kMostEntries)
        entries_.erase(entries_.begin());
    position_ = entries_.size();
    changed();
}

void EditHistory::markControllerReached(const std::string& operation) {
    follow();
    Entry mark;
    mark.mark = true;
    mark.operation = operation;
    mark.when = currentClock().wallClock();
    // Whatever was undone can still be redone: the mark goes where the operator stands.
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(position_), std::move(mark));
    ++position_;
    if (db_.saved)
        savedContents_ = contentsOf(db_);
    changed();
}

void EditHistory::databaseSaved() {
    follow();
    savedContents_ = contentsOf(db_);
    changed();
}

std::optional<std::size_t> EditHistory::stepBelow() const {
    for (std::size_t i = position_; i > 0; --i)
        if (!entries_[i - 1].mark)
            return i - 1;
    return std::nullopt;
}

std::optional<std::size_t> EditHistory::stepAbove() const {
    for (std::size_t i = position_; i < entries_.size(); ++i)
        if (!entries_[i].mark)
            return i;
    return std::nullopt;
}

bool EditHistory::canUndo() {
    follow();
    return stepBelow().has_value();
}

bool EditHistory::canRedo() {
    follow();
    return stepAbove().has_value();
}

std::string EditHistory::undoText() {
    const bool can = canUndo();
    return can ? "Undo " + entries_[*stepBelow()].description : "Undo";
}

std::string EditHistory::redoText() {
    const bool can = canRedo();
    return can ? "Redo " + entries_[*stepAbove()].description : "Redo";
}

const EditHistory::Entry* EditHistory::markBetween(std::size_t from, std::size_t to,
                                                   bool nearestLast) const {
    const Entry* found = nullptr;
    for (std::size_t i = from; i < to; ++i)
        if (entries_[i].mark && (found == nullptr || nearestLast))
            found = &entries_[i];
    return found;
}

bool EditHistory::allowed() {
    if (busyState().refuseWhileBusy())
        return false;
    // The window's working copy is reloaded with the step: edits not applied yet are applied
    // or cancelled first, as before leaving the window.
    for (int a = 0; a < kAreaCount; ++a)
        if (const std::optional<Notice> notice = unappliedChangesGuard(db_, static_cast<Area>(a))) {
            currentPrompter().message(notice->text, notice->title, MessageIcon::Exclamation);
            return false;
        }
    return true;
}

bool EditHistory::askAcross(const Entry& mark, bool undoing) const {
    const std::string text =
        mark.operation + " at " + clockTime(mark.when) + " reached the QZ740. " +
        (undoing ? "Undoing this change does not change the controller back.\r\n\r\nUndo anyway?"
                 : "Redoing this change does not change the controller.\r\n\r\nRedo anyway?");
    return currentPrompter().message(text, undoing ? "Undo" : "Redo", MessageIcon::Question,
                                     MessageButtons::YesNo, DefaultButton::Second) == Answer::Yes;
}

void EditHistory::put(const Entry& step, bool after) {
    const auto& cells = cellAddresses();
    for (const CellChange& c : step.cells) {
        const CellAddress& a = cells[c.cell];
        const std::string& value = after ? c.after : c.before;
        if (a.port > 0)
            db_.setCourtesy(a.key->name, a.port, a.index, value);
        else
            db_.set(a.key->name, a.index, value);
    }
    for (const FlagChange& f : step.flags) {
        const FlagRef& flag = flagAddresses()[f.flag];
        db_.setUploadFlag(flag.group, flag.index, after ? f.after : f.before);
    }
    db_.saved = savedContents_ && *savedContents_ == contentsOf(db_);
    db_.setChangeMarker(step.area, -1);
}

std::optional<ShownStep> EditHistory::undo() {
    follow();
    const std::optional<std::size_t> step = stepBelow();
    if (!step || !allowed())
        return std::nullopt;
    if (const Entry* mark = markBetween(*step + 1, position_, true))
        if (!askAcross(*mark, true))
            return std::nullopt;
    const Entry& e = entries_[*step];
    put(e, false);
    position_ = *step;
    changed();
    return ShownStep{e.area, e.tab};
}

std::optional<ShownStep> EditHistory::redo() {
    follow();
    const std::optional<std::size_t> step = stepAbove();
    if (!step || !allowed())
        return std::nullopt;
    if (const Entry* mark = markBetween(position_, *step, false))
        if (!askAcross(*mark, false))
            return std::nullopt;
    const Entry& e = entries_[*step];
    put(e, true);
    position_ = *step + 1;
    changed();
    return ShownStep{e.area, e.tab};
}

EditHistory& editHistory() {
    static EditHistory history(db());
    return history;
}

EditHistory* historyOf(const ControllerDatabase& database) {
    return &database == &db() ? &editHistory() : nullptr;
}

EditStep::EditStep(ControllerDatabase& database, Area area)
    : history_(historyOf(database)), area_(area) {
    if (history_ == nullptr)
        return;
    history_->follow();
    before_ = contentsOf(database);
}

void EditStep::commit(int tab) {
    if (history_ != nullptr && before_)
        history_->record(*before_, area_, tab);
}

void markControllerReached(const ControllerDatabase& database, const std::string& operation) {
    if (EditHistory* history = historyOf(database))
        history->markControllerReached(operation);
}

}  // namespace kelp
