// The Macros window driven through its real controls.
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "gui/editors/macros.h"
#include "tests/gui/gui_test_support.h"

using namespace kelp;

class MacrosWindowTest : public QObject {
    Q_OBJECT

  private:
    ScriptedPrompter* prompter_ = nullptr;
    std::unique_ptr<ScopedPrompter> usePrompter_;
    std::unique_ptr<Macros> window_;

    template <typename T>
    T* find(const QString& name) {
        return guitest::findControl<T>(window_.get(), name);
    }

    void doubleClick(QListWidget* list, int row) {
        QListWidgetItem* item = list->item(row);
        list->scrollToItem(item);
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

  private slots:
    void init() {
        resetProcessDatabase();
        for (int n = 1; n <= 40; ++n) {
            db().set("Macro", n, n == 2 ? "001 308" : "NONE STORED");
            db().set("MacroCode", n, "7351" + std::to_string(n));
        }
        for (int n = 1; n <= 50; ++n) {
            db().set("ShortMacro", n, "NONE STORED");
            db().set("ShortMacroCode", n, "7351" + std::to_string(40 + n));
        }
        for (int m = 1; m <= 90; ++m) db().set("PortToAllow", m, "123");
        for (int p = 1; p <= 3; ++p) {
            db().set("RcvMacroActive", p, "90");
            db().set("RcvMacroInactive", p, "0" + std::to_string(p));
        }
        db().saved = true;
        db().loaded = true;
        prompter_ = new ScriptedPrompter;
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        window_ = std::make_unique<Macros>();
        window_->resize(1000, 600);
        QVERIFY(guitest::showAndActivate(window_.get()));
    }

    void cleanup() {
        window_.reset();
        usePrompter_.reset();
        delete prompter_;
        prompter_ = nullptr;
    }

    void opensWithItsTabsAndTheWholeFunctionList() {
        QTabWidget* tabs = window_->macroTabs();
        QCOMPARE(tabs->count(), 7);
        QCOMPARE(tabs->tabText(4), QString("41-60"));
        QCOMPARE(tabs->tabText(6), QString("81-90/Port Restrictions/RcvMacro"));
        QCOMPARE(window_->functionList()->count(), 814);
        QCOMPARE(window_->functionList()->item(0)->text(),
                 QString("001 Port 1 Carrier & Tone Access"));
        QCOMPARE(find<QLabel>("FunctionLabel")->text(), QString("Function List"));
        QCOMPARE(find<QComboBox>("PortToAllow")->currentText(), QString("All Ports"));
        QCOMPARE(find<QComboBox>("RcvMacroInactiveSet")->currentText(), QString("1"));
        QCOMPARE(db().changeMarker(Area::Macros), std::int16_t(-1));
    }

    void aRefusedFunctionKeepsTheFocus() {
        QLineEdit* box = find<QLineEdit>("MacroSet(3)");
        guitest::typeInto(box, "001 1");
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(prompter_->lastMessageBox().title, std::string("Macro 3"));
        QCOMPARE(prompter_->lastMessageBox().text,
                 std::string("Macro contains invalid macro functions"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
    }

    void anEmptyMacroIsEmptiedForTypingAndShowsNoneStoredAgain() {
        QLineEdit* box = find<QLineEdit>("MacroSet(4)");
        box->setFocus(Qt::MouseFocusReason);
        QCOMPARE(box->text(), QString());
        find<QLineEdit>("MacroCodeSet(4)")->setFocus(Qt::MouseFocusReason);
        QCOMPARE(box->text(), QString("NONE STORED"));
        QVERIFY(!EditorWindow::showsChanged(box));
        QTest::qWait(20);
        QVERIFY(prompter_->messageBoxes().empty());
        QCOMPARE(db().changeMarker(Area::Macros), std::int16_t(-1));
    }

    void aPortSetChoiceTurnsRedWithoutHoldingTheTab() {
        window_->macroTabs()->setCurrentIndex(6);
        QComboBox* number = find<QComboBox>("MacroNum");
        QComboBox* ports = find<QComboBox>("PortToAllow");
        number->setCurrentIndex(44);  // macro 45
        ports->setCurrentIndex(4);    // "Ports 1 & 3"
        QVERIFY(EditorWindow::showsChanged(ports));
        QCOMPARE(db().changeMarker(Area::Macros), std::int16_t(-1));
        number->setCurrentIndex(45);
        QCOMPARE(ports->currentText(), QString("All Ports"));
        QVERIFY(!EditorWindow::showsChanged(ports));
        number->setCurrentIndex(44);
        QCOMPARE(ports->currentText(), QString("Ports 1 & 3"));
        QVERIFY(EditorWindow::showsChanged(ports));
        find<QPushButton>("Apply")->click();
        QCOMPARE(db().get("PortToAllow", 45), std::string("13"));
        QVERIFY(db().uploadFlag(UploadFlag::PortToAllow, 45));
        QVERIFY(!EditorWindow::showsChanged(ports));
    }

    void theFunctionListInsertsIntoTheMacroEnteredLast() {
        window_->macroTabs()->setCurrentIndex(6);
        find<QLineEdit>("ShortMacroCodeSet(50)")->setFocus(Qt::MouseFocusReason);
        doubleClick(window_->functionList(), 6);  // the blank row after the first group
        QCOMPARE(find<QLineEdit>("ShortMacroSet(50)")->text(), QString("NONE STORED"));
        doubleClick(window_->functionList(), 0);
        QLineEdit* box = find<QLineEdit>("ShortMacroSet(50)");
        QCOMPARE(box->text(), QString("001"));
        QCOMPARE(window_->model().value("ShortMacro", 50), std::string("001"));
        QCOMPARE(window_->charCounter()->text(), QString("1"));
        QCOMPARE(db().changeMarker(Area::Macros), std::int16_t(3));
        QVERIFY(prompter_->messageBoxes().empty());
    }

    void hoveringAFunctionBoxNamesItsFunctions() {
        QLineEdit* box = find<QLineEdit>("MacroSet(2)");
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(box, &help);
        QCOMPARE(box->toolTip(), QString("Port 1 Carrier & Tone Access | Don't Say Year"));
    }
};

QTEST_MAIN(MacrosWindowTest)
#include "macros_window_test.moc"
