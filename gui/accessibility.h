// What the windows tell a screen reader (through Qt's accessibility bridge, AT-SPI on Linux)
// and a reader of tool tips: every control's name and description, pictures as pictures, F1
// for a control's help, and the colours of changed and stored values on any theme.
//
// Settings are named from the key table (see core/editors/field_help); a control that is no
// setting (a chooser of which port, alarm or memory the boxes show; a word list; a button)
// is named by the frames around it and the label before it, as a sighted operator reads it.
#pragma once

#include <QColor>
#include <QString>

#include "core/editors/field_help.h"

class QButtonGroup;
class QPalette;
class QWidget;

namespace kelp {

// Installs the accessible interfaces Kelp needs beyond Qt's own and the F1 key; once, after
// the QApplication exists. A list then speaks its label, not its current entry (Qt's own
// list interface on Linux gives its entry for both), and a picture is a picture.
void installAccessibility();

// A control's name and description; the description is also its tool tip, unless the
// program gives it one of its own, and with the name its "What's This?" (F1, Shift+F1).
void describe(QWidget* control, const QString& name, const QString& description = {});
void describe(QWidget* control, const FieldHelp& help);

// A picture the window draws: named, its description the text of what it shows.
void markPicture(QWidget* picture, const QString& name, const QString& description = {});

// The name the window gives a control that has none of its own: the titles of the frames
// and the tab page around it (inside `top`) and its label, joined in reading order.
QString contextName(const QWidget* control, const QString& label, const QWidget* top);

// Names every control under `top` that has no name yet: by its label (a label whose buddy it
// is, or the label before it in its row) and the frames around it. Settings are named first.
void nameUnnamedControls(QWidget* top);

// An option-button group is one stop of the Tab order, on its checked button (the first while
// none is): Tab never lands on a button that Space would switch to. The arrow keys move
// within the group and choose, as before.
void tabStopOnChecked(QButtonGroup* group);

// Colours of the editors: a value that differs from the database is red (pure red on a light
// background; on a dark one a lighter red that stays readable), one that equals it takes the
// palette's own text colour.
QColor changedColour(const QColor& background);
void showChanged(QWidget* control, bool changed);
// A frame's caption only (and the option buttons drawn with it).
void showCaptionChanged(QWidget* frame, bool changed);
bool showsChangedColour(const QWidget* control);

}  // namespace kelp
