// Shared set-up of the window tests: a process database filled with valid values, and a
// scripted Prompter installed for the whole test.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <string>

#include "core/database/controller_database.h"
#include "core/editors/timers_model.h"

namespace kelp::guitest {

// Every Timers field valid: hang timers 50, macros "90", tail message 1, ...
inline void fillTimers(ControllerDatabase& database) {
    for (const FieldSpec& f : timersFields()) {
        const std::string value = f.kind == FieldKind::Check  ? "0"
                                  : f.twoDigits               ? "90"
                                  : f.key == "TailMessageNum" ? "1"
                                                              : "50";
        if (f.indexing == FieldIndexing::Single)
            database.set(f.key, value);
        else
            for (int i = 1; i <= f.count; ++i) database.set(f.key, i, value);
    }
    database.saved = true;
    database.loaded = true;
}

// The sample database shipped with the program.
inline std::filesystem::path sampleDatabase() {
    return std::filesystem::path(KELP_TEST_DATA).parent_path().parent_path() / "examples" /
           "sample.dat";
}

// Replaces a box's text as an operator would: select everything, type.
inline void typeInto(QLineEdit* box, const QString& text) {
    box->setFocus(Qt::MouseFocusReason);
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClicks(box, text);
}

// A named control of a window; a test that names one that is not there stops at once.
template <typename T>
T* findControl(const QWidget* window, const QString& name) {
    T* w = window->findChild<T*>(name);
    if (w == nullptr)
        qFatal("no control %s", qPrintable(name));
    return w;
}

inline bool showAndActivate(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

}  // namespace kelp::guitest
