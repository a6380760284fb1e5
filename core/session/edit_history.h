// The history of applied edits: Undo and Redo over the open database, one history for every
// editor window and for every window that writes the database without Apply.
//
// A step is what one Apply (or one such write) changed: the settings and upload flags it
// touched, each with its value before and after, the area and tab to show, and the words
// the Edit menu names it by. An operation that reached the controller (an upload, Erase All
// Macros, codes sent, setting the clock, a manual send) cannot be taken back: it leaves a
// mark, and an undo or redo across a mark asks first. Loading another database starts a new
// history.
//
// Whether the database is saved follows the history: back at the contents last written to
// (or read from) its file, the database is saved again; anywhere else it is not.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/database/controller_database.h"

namespace kelp {

// Every setting and every upload flag of a database, in key-table and flag-table order.
struct DatabaseContents {
    std::vector<std::string> values;
    std::vector<bool> flags;
    bool operator==(const DatabaseContents& o) const {
        return values == o.values && flags == o.flags;
    }
    bool operator!=(const DatabaseContents& o) const { return !(*this == o); }
};
DatabaseContents contentsOf(const ControllerDatabase& database);

// What an undo or redo changed, for the windows to show: the area's window and its tab.
struct ShownStep {
    Area area;
    int tab = 0;
};

class EditHistory {
  public:
    explicit EditHistory(ControllerDatabase& database);

    // The database was changed by an edit of area (its window on tab) since before was taken:
    // the difference becomes the next step, and whatever was undone is gone. Nothing is
    // recorded when nothing changed.
    void record(const DatabaseContents& before, Area area, int tab);
    // An operation reached the controller ("The upload"): a mark that undo and redo ask about.
    void markControllerReached(const std::string& operation);
    // The database was written to its file.
    void databaseSaved();

    bool canUndo();
    bool canRedo();
    // "Undo Timers: Port 1: Hang Timer 1", "Undo Courtesy Tones: 3 settings", or "Undo".
    std::string undoText();
    std::string redoText();

    // Undo and Redo are refused while an operation runs, and while an editor holds
    // unapplied changes (the guard's warning). Across a mark they ask first. The step's
    // settings and flags are put back; nothing when refused, declined or nothing to do.
    std::optional<ShownStep> undo();
    std::optional<ShownStep> redo();

    // Forgets every step (a new database).
    void restart();
    // Starts the history again when the database was reset or replaced since the last look;
    // called before a change is made, so that the new history begins before it.
    void follow();

    // Called after every change of what undo and redo offer (the Edit menu follows it).
    void setListener(std::function<void()> listener) { listener_ = std::move(listener); }

  private:
    struct CellChange {
        std::size_t cell;
        std::string before, after;
    };
    struct FlagChange {
        std::size_t flag;
        bool before, after;
    };
    struct Entry {
        bool mark = false;
        // A step
        Area area = Area::Timers;
        int tab = 0;
        std::string description;
        std::vector<CellChange> cells;
        std::vector<FlagChange> flags;
        // A mark
        std::string operation;
        std::chrono::system_clock::time_point when;
    };

    std::optional<std::size_t> stepBelow() const;
    std::optional<std::size_t> stepAbove() const;
    // The mark nearest to the step between from and to (half-open), if any.
    const Entry* markBetween(std::size_t from, std::size_t to, bool nearestLast) const;
    bool allowed();
    bool askAcross(const Entry& mark, bool undoing) const;
    void put(const Entry& step, bool after);
    void changed();

    ControllerDatabase& db_;
    std::uint64_t generation_ = 0;
    std::vector<Entry> entries_;
    std::size_t position_ = 0;  // entries below it are done
    // What the file holds, while the database has been saved or read since the history began.
    std::optional<DatabaseContents> savedContents_;
    std::function<void()> listener_;
};

// The history of the process-wide database, db().
EditHistory& editHistory();
// The history that follows database: editHistory() for db(), none for any other.
EditHistory* historyOf(const ControllerDatabase& database);

// Takes the contents before a change and records the step when committed.
class EditStep {
  public:
    EditStep(ControllerDatabase& database, Area area);
    void commit(int tab);

  private:
    EditHistory* history_;
    Area area_;
    std::optional<DatabaseContents> before_;
};

// Marks the history of database after an operation reached the controller.
void markControllerReached(const ControllerDatabase& database, const std::string& operation);

}  // namespace kelp
