// The windows' side of the editor framework, shared by all eleven editor windows: binds
// text boxes, choice lists and check boxes to fields of the area's EditorModel, shows the
// working copy, colours every control red while its value differs from the database and
// black when equal, checks a text box when it is left (a refusal keeps the focus there),
// and carries the Apply and Cancel Changes buttons.
//
// A window builds its controls with textBox()/choiceList()/checkBox(), then calls
// openWindow(). Filling the controls never counts as an edit.
#pragma once

#include <QColor>
#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/catalogues/list_entry.h"
#include "core/editors/editor_model.h"

class QCheckBox;
class QComboBox;
class QFocusEvent;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;

namespace kelp {

// The framework's red for a value that differs from the database, on a light background
// (pure red, 255); a dark theme gets a lighter red, and a value that equals the database
// takes the palette's text colour (gui/accessibility).
extern const QColor kChangedColour;

class EditorWindow : public QWidget {
    Q_OBJECT
  public:
    // How a choice list finds the entry for a stored value.
    enum class ListSelect {
        ByItemData,  // the entry whose item data equals the value
        ByPosition,  // lists filled in value order: the value v selects the entry at v - 1
        // The entry whose item data equals the value; a value no entry carries leaves the
        // selection as it was (a list showing one setpoint, port or macro after another).
        ByItemDataOrKeep,
    };

    EditorWindow(std::unique_ptr<EditorModel> model, const QString& caption,
                 QWidget* parent = nullptr);
    ~EditorWindow() override;

    EditorModel& model() const { return *model_; }
    Area area() const { return model_->area(); }
    QString caption() const { return caption_; }

    // Gives the focus to the window's first control (the tab strip brought it to the front).
    void focusFirstControl();
    // An undone or redone step of this window: the working copy again from the database,
    // every control black, on the tab the step was applied from.
    void showStep(int tab);
    // A text box was left with a refused value and its box has not been shown yet.
    bool refusalPending() const { return pending_.box != nullptr; }

    // The bound control of a field entry, or nullptr.
    QWidget* control(const std::string& key, int index) const;
    // Whether a control shows the changed (red) colour.
    static bool showsChanged(const QWidget* control);

  protected:
    // A text box bound to (key, index); numeric fields take digits only. The length limit
    // leaves room for a value beyond the field's range, so that it is refused in words.
    QLineEdit* textBox(const QString& name, const std::string& key, int index, int maxLength = 6);
    QComboBox* choiceList(const QString& name, const std::string& key, int index,
                          const std::vector<ListEntry>& entries, ListSelect select);
    QCheckBox* checkBox(const QString& name, const QString& text, const std::string& key,
                        int index);
    // The window's per-port tab control: its tab selection goes to the model.
    void bindTabs(QTabWidget* tabs);
    // "&Apply" and the Cancel Changes button (caption as the area words it).
    QPushButton* applyButton();
    // An Apply button of a window's own takes the framework's focus behaviour.
    static void keepFocusOnClick(QPushButton* apply);
    QPushButton* cancelChangesButton(const QString& caption = QStringLiteral("Cancel Changes"));
    // The caption at the top of the window.
    QLabel* captionLabel();

    // Opening the window: the model loads its working copy; every control shows its value,
    // all black; first tab.
    void openWindow();
    // Shows the whole working copy again (after Apply and Cancel Changes).
    void showWorkingCopy();
    // Points a bound control at another entry of its field (a courtesy tone box showing the
    // tone just selected) and shows that entry's value and colour; no edit.
    void rebind(QWidget* control, int index);

    // A list whose entries go into a text box (a voice word, a CW character, a DTMF digit, a
    // macro function). It takes the focus from the keyboard only, so a click leaves the caret
    // in the box being typed in: Tab reaches it after the boxes it serves (after the box
    // `after` gives on the page showing, else where the list was built), F6 jumps between it
    // and the box, the arrow keys move in it, and Enter, like a double-click, hands the current
    // entry to `insert`, which puts it into the box entered last. Moving from a box into a
    // pick list and back is not leaving the box: the box is checked when the focus goes on.
    void pickList(QListWidget* list, std::function<void(QListWidgetItem*)> insert,
                  std::function<QWidget*()> after = {});
    // Whether a focus change leaves the box it comes from: not when a menu or another window
    // takes the focus, nor when it moves into one of the window's pick lists.
    bool focusLeavesBox(const QFocusEvent* event) const;
    bool focusNextPrevChild(bool next) override;

    // Hooks for a window's own rules: after any value was shown or edited, and after an
    // edit of one field entry.
    virtual void updateEnabledStates() {}
    virtual void afterEdit(const std::string& /*key*/, int /*index*/) {}

    bool eventFilter(QObject* watched, QEvent* event) override;
    // An editor is not closed under an operation it runs (the erase, a preview).
    void closeEvent(QCloseEvent* event) override;

  private slots:
    void applyClicked();
    void cancelChangesClicked();

  private:
    struct Binding {
        QPointer<QWidget> widget;
        std::string key;
        int index = 0;
        FieldKind kind = FieldKind::Text;
        ListSelect select = ListSelect::ByItemData;
    };

    const Binding* bindingOf(const QObject* widget) const;
    void showBinding(const Binding& b);
    void colour(const Binding& b);
    // The control's name, description and tool tip from the key table, for its entry.
    void describeBinding(const Binding& b);
    void textEdited(const Binding& b, const QString& text);
    void choiceEdited(const Binding& b, int itemData);
    void leaveTextBox(const Binding& b);
    void showPendingRefusal();
    // Brings the page holding a control to the front of every tab control around it.
    void reveal(QWidget* widget);
    void showNotices(const std::vector<Notice>& notices);
    QLineEdit* boxForMarker() const;

    struct PickList {
        QPointer<QListWidget> list;
        std::function<void(QListWidgetItem*)> insert;
        std::function<QWidget*()> after;
    };
    bool isPickList(const QObject* widget) const;
    // Enter and the focus leaving a pick list; true when the event was handled.
    bool pickListEvent(const PickList& pick, QEvent* event);
    void jumpToOrFromPickList();

    std::unique_ptr<EditorModel> model_;
    std::vector<PickList> pickLists_;
    // The box the focus left for a pick list: checked once the focus goes anywhere else.
    QPointer<QLineEdit> heldBox_;
    QString caption_;
    std::vector<Binding> bindings_;
    std::vector<QTabWidget*> tabs_;
    bool filling_ = false;
    bool restoringFocus_ = false;
    struct Pending {
        QPointer<QLineEdit> box;
        Notice notice;
    } pending_;
};

}  // namespace kelp
