// The behaviour every editor window shares: a private working copy of its area, red
// marking of values that differ from the database, checks when a box is left, Apply,
// Cancel Changes, and the change marker that the main window's guard reads.
//
// An area's model is an EditorModel given the area's field list; the window binds its
// controls to fields by key name and index and shows what the model says.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/database/controller_database.h"

namespace kelp {

// A message box the window shows: warnings for refused values, Apply failures and the
// unapplied-changes guard; a Yes/No question for Cancel Changes.
struct Notice {
    std::string title;
    std::string text;
    bool operator==(const Notice& o) const { return title == o.title && text == o.text; }
};

class EditorModel;

// How a field's entries are indexed in the working copy.
enum class FieldIndexing {
    Single,    // one value, index 0
    PerPort,   // ports 1-3; Apply re-checks the current port's entry
    Indexed,   // 1..count; Apply re-checks the entry edited last
    Courtesy,  // port 1-3 by courtesy tone 1-10, index courtesyFlagIndex(port, tone); Apply
               // re-checks the entry edited last
};

enum class FieldKind {
    Text,   // a text box, checked when left
    List,   // a choice list storing its entry's item data
    Check,  // a check box storing "0" or "1"
};

struct FieldSpec {
    std::string key;  // the database key name ("HangTime1")
    FieldIndexing indexing = FieldIndexing::Single;
    int count = 1;  // entries for PerPort (3) and Indexed fields
    FieldKind kind = FieldKind::Text;
    int marker = 0;            // change marker number an edit of a text field sets (> 0)
    bool numeric = true;       // text box takes digits only
    bool twoDigits = false;    // a list that stores its number as at least two digits ("07")
    bool upperCase = false;    // a text box whose working value is its text in upper case
    bool keepsMarker = false;  // a list whose choice leaves the change marker as it was
    // The flag Apply sets for a changed entry comes from the setting's row in the setting-flag
    // table; a field that is not a database setting of its own may name one here instead.
    UploadFlag flag = UploadFlag::Count_;
    int flagIndex = 0;  // 0: the entry's own index; > 0: always this flag of the group
    // Text fields: the refusal for the entry at index, or nothing when the value passes.
    std::function<std::optional<Notice>(const EditorModel&, int index)> check;
    // Text fields: what leaving the box makes of a non-empty text before it is checked (a
    // word list tidied to single spaces, say); nothing leaves the text as it is.
    std::function<std::string(const EditorModel&, int index)> tidy;
    // Text fields: what the box shows of the working value when the window shows it (a stored
    // word list tidied); nothing shows the value as it is.
    std::function<std::string(const EditorModel&, int index)> shown;
    // Text fields: what an emptied box becomes when it is left; nothing means "0". An empty
    // result keeps the box empty, for the check to judge.
    std::function<std::string(int index)> emptyText;
    // Text fields: an emptied box stays empty when it is left; only the working value takes
    // the empty text.
    bool emptyBoxStaysEmpty = false;
};

// An emptyText that is the same for every entry.
std::function<std::string(int)> emptyTextIs(std::string text);

// The eleven areas' tab captions ("Timers", "Courtesy Tones"), words and Cancel Changes texts.
const std::string& areaCaption(Area area);
const std::string& areaWord(Area area);
const std::string& cancelSentence(Area area);
const std::string& cancelTitle(Area area);

// The main window's guard before a tab change, a file or a transfer command: nothing when the
// area on the remembered tab has no unapplied change, else the warning to show (the caller
// then puts the tab back and stops).
std::optional<Notice> unappliedChangesGuard(const ControllerDatabase& database, Area shownTab);

extern const char* const kApplyFailTitle;
extern const char* const kApplyFailText;
extern const char* const kCancelQuestionTail;

class EditorModel {
  public:
    EditorModel(ControllerDatabase& database, Area area, std::vector<FieldSpec> fields,
                int portTabs = 3);
    virtual ~EditorModel() = default;

    Area area() const { return area_; }
    ControllerDatabase& database() const { return db_; }
    const std::vector<FieldSpec>& fields() const { return fields_; }
    const FieldSpec& field(const std::string& key) const;

    // Opening the window: load the working copy, first tab, current port 1, marker -1.
    void open();

    // The working value and whether it differs from the database (shown red when it does).
    const std::string& value(const std::string& key, int index = 0) const;
    const std::string& stored(const std::string& key, int index = 0) const;
    bool differs(const std::string& key, int index = 0) const;

    // The selected tab: port tabs 0..portTabs-1 make that port current; other tabs leave it.
    void selectTab(int tab);
    int currentPort() const { return currentPort_; }
    int currentTab() const { return currentTab_; }

    // A text box changed: its text, trimmed, goes into the working copy; the marker names it.
    void editText(const std::string& key, int index, const std::string& text);
    // A choice list selection (item data) or a check box (0/1): marker 0.
    void editChoice(const std::string& key, int index, int itemData);

    // Leaving a text box: a non-empty text is tidied by the field, an empty one becomes the
    // field's empty text ("0" unless it says otherwise); then its check. A refusal is returned
    // for the window to show, and the focus stays in the box.
    std::optional<Notice> leaveField(const std::string& key, int index);
    // What an emptied box of the field becomes.
    static std::string emptyTextOf(const FieldSpec& f, int index);

    // Apply: the area's own checks (beforeApply), then re-check the field the marker names,
    // then ask of every value Apply would write whether the next load of the file would keep
    // it (its own rule and the rules that judge it by another value: a pending ID timer cut
    // below its speech timer refuses the speech timer). On a refusal return the warning and
    // the Apply failure, writing nothing. Otherwise copy every differing value into the
    // database, set its upload flag, mark the database unsaved, reload, marker -1.
    std::vector<Notice> apply();

    // The field entry whose box the last refused Apply wants corrected, or nothing.
    struct FieldEntry {
        std::string key;
        int index = 0;
    };
    const std::optional<FieldEntry>& refusedEntry() const { return refusedEntry_; }
    // The first value Apply would write that the next load would change, with the refusal to
    // show (the field's own warning where it has one), or nothing.
    std::optional<std::pair<FieldEntry, Notice>> valueTheLoadWouldChange() const;

    // Cancel Changes asks this question; a Yes answer calls cancelChanges().
    virtual Notice cancelQuestion() const;
    void cancelChanges();

    // The entry of an Indexed or Courtesy field edited last under this marker (1 before any).
    int rememberedIndex(int marker) const;

    std::int16_t marker() const { return db_.changeMarker(area_); }
    bool edited() const { return marker() != -1; }

  protected:
    // An area may refuse to store an edit (the value stays as it was; the marker is still set).
    virtual bool storesEdit(const std::string& /*key*/, int /*index*/) const { return true; }
    // Runs after the working copy was loaded and shown.
    virtual void afterLoad() {}
    // Runs at the end of an Apply that wrote the working copy (not after a refusal).
    virtual void afterApply() {}
    // Runs first in Apply: an area brings values still being typed into their stored form, or
    // refuses the Apply with a warning of its own (followed by "APPLY FAIL").
    virtual std::optional<Notice> beforeApply() { return std::nullopt; }
    // An area's own Apply starts without the entry an earlier Apply refused.
    void forgetRefusedEntry() { refusedEntry_.reset(); }
    // The database value of a field entry, whatever its indexing.
    const std::string& databaseValue(const FieldSpec& f, int index) const;
    void writeDatabase(const FieldSpec& f, int index, const std::string& value);

    void setValue(const std::string& key, int index, std::string value);
    // The flag Apply sets when entry `index` of field f changed.
    static std::optional<FlagRef> uploadFlagFor(const FieldSpec& f, int index);
    static int slot(const FieldSpec& f, int index);

  private:
    void loadWorkingCopy();
    const FieldSpec* fieldByMarker(int marker) const;

    ControllerDatabase& db_;
    Area area_;
    std::vector<FieldSpec> fields_;
    std::map<std::string, std::size_t> byKey_;
    std::vector<std::vector<std::string>> working_;  // by field, then slot
    std::map<int, int> rememberedIndex_;             // marker -> index edited last
    std::optional<FieldEntry> refusedEntry_;
    int portTabs_;
    int currentPort_ = 1;
    int currentTab_ = 0;
};

// "Port 2: Hang Timer" style helpers for the messages of per-port fields.
std::string portTitle(int port, const std::string& field);

}  // namespace kelp
