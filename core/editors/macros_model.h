// The Macros window's model: the 40 long macros (up to 15 function slots) and the 50 short
// macros 41-90 (up to 4 slots), each with its DTMF code; the ports allowed to run each macro;
// and per port the receive macros run when its receiver becomes active and inactive.
//
// A function box holds three-digit function codes separated by single spaces, or
// "NONE STORED". The function list inserts into the function box of the macro whose box had
// the focus last. Choosing a port set or a receive macro is not an edit that holds the
// operator on the tab: those lists leave the change marker alone.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/catalogues/list_entry.h"
#include "core/editors/editor_model.h"

namespace kelp {

class MacrosModel : public EditorModel {
  public:
    explicit MacrosModel(ControllerDatabase& database);

    enum class Kind { Long, Short };
    static constexpr int kLongMacros = 40;
    static constexpr int kShortMacros = 50;

    // A macro by kind and index (long 1-40, short 1-50); its number is 1-40 or 41-90.
    struct Macro {
        Kind kind = Kind::Long;
        int index = 1;
        int number() const { return kind == Kind::Long ? index : kLongMacros + index; }
        const char* functionsKey() const { return kind == Kind::Long ? "Macro" : "ShortMacro"; }
        const char* codeKey() const { return kind == Kind::Long ? "MacroCode" : "ShortMacroCode"; }
        bool operator==(const Macro& o) const { return kind == o.kind && index == o.index; }
    };
    static Macro macroNumbered(int number);  // 1-90

    // Which macro a bound key names: "Macro"/"MacroCode" long, "ShortMacro..." short.
    static std::optional<Kind> kindOfKey(const std::string& key);
    static bool isFunctionsKey(const std::string& key);

    // Focus entering a function or code box: that macro becomes the one the function list
    // inserts into. A function box then shows its functions, or nothing for "NONE STORED".
    void enterBox(Macro macro);
    Macro focusedMacro() const { return focused_; }
    std::string enteredFunctionsText(Macro macro) const;

    // The "Function Counter": slots the macro's working functions take.
    int slotSize(Macro macro) const;

    // Leaving a function box makes of its text: "NONE STORED" for an empty text, "NONE" or
    // "NONE STORED" (any case); otherwise the pieces joined by single spaces.
    static std::string normaliseFunctions(const std::string& text);

    // A double-click on the function list: the function with item data `code` inserted into
    // a box's text at the caret, replacing `selection` characters (a box holding "NONE" or
    // "NONE STORED" is taken as empty, so the code becomes all of it). Nothing for a blank
    // catalogue row (item data 0).
    struct Insertion {
        std::string text;
        int caret = 0;
    };
    static std::optional<Insertion> insertFunction(const std::string& text, int caret,
                                                   int selection, long code);

    // The tool tip of a function box: the names of its functions joined by " | "
    // ("***ERROR***" for a piece that is no function); empty for an empty or "NONE STORED" box.
    static std::string toolTip(const std::string& boxText);

    // The port restriction frame shows the ports of one macro, the receive macro frame the
    // macros of one port; choosing either is no edit.
    int selectedMacroNumber() const { return selectedMacro_; }
    void selectMacroNumber(int number);
    int selectedReceivePort() const { return selectedPort_; }
    void selectReceivePort(int port);

    // Erase All Macros, asked and done: the stop question, the erase in the controller by the
    // current transport, then, only when that went through completely, the database and the
    // working copy erased and "MACROS ERASED" shown. True when erased.
    bool eraseAllMacros();

  private:
    Macro focused_;
    int selectedMacro_ = 1;
    int selectedPort_ = 1;
};

// The field list of the Macros window: markers 1 long functions, 2 long code, 3 short
// functions, 4 short code; port sets and receive macros keep the marker.
std::vector<FieldSpec> macrosFields();

}  // namespace kelp
