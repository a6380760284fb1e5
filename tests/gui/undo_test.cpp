// The Edit menu's Undo and Redo, driven by their keys in the main window: a box's own typing
// first, then the applied step, shown in its window and tab.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>

#include "core/app/app_folder.h"
#include "core/app/scripted_prompter.h"
#include "core/database/dat_file.h"
#include "gui/editors/timers.h"
#include "gui/kelp_main.h"
#include "tests/gui/gui_test_support.h"

using namespace kelp;
namespace fs = std::filesystem;

class UndoTest : public QObject {
    Q_OBJECT

  private slots:
    void undoAndRedoKeysTakeBackAnApply() {
        QTemporaryDir home;
        setAppFolder(fs::path(home.path().toStdString()));
        resetProcessDatabase();
        ScriptedPrompter prompter;
        ScopedPrompter usePrompter(prompter);
        const fs::path site = fs::path(home.path().toStdString()) / "site.dat";
        fs::copy_file(guitest::sampleDatabase(), site);

        KelpMain main;
        QVERIFY(guitest::showAndActivate(&main));
        auto* undo = main.findChild<QAction*>("mnuEditUndo");
        auto* redo = main.findChild<QAction*>("mnuEditRedo");
        QVERIFY(undo && redo);
        main.fileCommands().openPath(site.string());
        QVERIFY(!undo->isEnabled());

        auto* box = main.timersWindow()->findChild<QLineEdit*>("HangTimer1(1)");
        const QString original = box->text();
        const std::string stored = db().get("HangTime1", 1);
        QVERIFY(original != "77");

        // Typing not applied yet: Ctrl+Z is the box's own.
        guitest::typeInto(box, "7");
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->text(), original);
        QVERIFY(prompter.messageBoxes().empty());

        guitest::typeInto(box, "77");
        main.timersWindow()->findChild<QPushButton*>("Apply")->click();
        QVERIFY(!db().saved);
        QCOMPARE(undo->text(), QString("&Undo Timers: Port 1: Hang Timer 1"));

        // The box has nothing of its own left to undo: Ctrl+Z in it takes back the Apply.
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(db().get("HangTime1", 1), stored);
        QCOMPARE(box->text(), original);
        QVERIFY(!EditorWindow::showsChanged(box));
        QVERIFY(db().saved);
        QCOMPARE(redo->text(), QString("&Redo Timers: Port 1: Hang Timer 1"));

        // Redo from another tab brings the Timers window back with the value.
        main.tabStrip()->setCurrentIndex(4);
        QTest::keyClick(&main, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(main.tabStrip()->currentIndex(), 0);
        QCOMPARE(box->text(), QString("77"));
        QVERIFY(!EditorWindow::showsChanged(box));
        QVERIFY(!db().saved && !redo->isEnabled());
        QTest::keyClick(&main, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(&main, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(box->text(), QString("77"));
        QVERIFY(prompter.messageBoxes().empty());
        setAppFolder({});
    }
};

QTEST_MAIN(UndoTest)
#include "undo_test.moc"
