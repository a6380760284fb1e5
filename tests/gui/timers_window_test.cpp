// The Timers window driven through its real controls.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "gui/editors/timers.h"
#include "tests/gui/gui_test_support.h"

using namespace kelp;

class TimersWindowTest : public QObject {
    Q_OBJECT

  private:
    ScriptedPrompter* prompter_ = nullptr;
    std::unique_ptr<ScopedPrompter> usePrompter_;
    std::unique_ptr<Timers> window_;

    template <typename T>
    T* find(const QString& name) {
        return guitest::findControl<T>(window_.get(), name);
    }

  private slots:
    void init() {
        resetProcessDatabase();
        guitest::fillTimers(db());
        prompter_ = new ScriptedPrompter;
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        window_ = std::make_unique<Timers>();
        window_->resize(1000, 700);
        QVERIFY(guitest::showAndActivate(window_.get()));
    }

    void cleanup() {
        window_.reset();
        usePrompter_.reset();
        delete prompter_;
        prompter_ = nullptr;
    }

    void opensCleanOnPortOne() {
        QCOMPARE(db().changeMarker(Area::Timers), std::int16_t(-1));
        QCOMPARE(window_->portTabs()->currentIndex(), 0);
        QCOMPARE(window_->timers().currentPort(), 1);
        QStringList tabs;
        for (int i = 0; i < window_->portTabs()->count(); ++i)
            tabs << window_->portTabs()->tabText(i);
        QCOMPARE(tabs, (QStringList{"Port 1", "Port 2", "Port 3", "Global"}));
        for (QWidget* w : window_->findChildren<QWidget*>())
            QVERIFY2(!EditorWindow::showsChanged(w), qPrintable(w->objectName()));
        QCOMPARE(find<QLineEdit>("HangTimer1(2)")->text(), QString("50"));
        QCOMPARE(find<QComboBox>("MessageNumSet(9)")->currentText(), QString("90"));
        QCOMPARE(find<QPushButton>("Apply")->text(), QString("&Apply"));
        QCOMPARE(find<QPushButton>("CancelChanges")->text(), QString("Cancel Changes"));
    }

    void typingTurnsRedAndBackBlack() {
        QLineEdit* box = find<QLineEdit>("HangTimer1(1)");
        guitest::typeInto(box, "60");
        QCOMPARE(box->text(), QString("60"));
        QVERIFY(EditorWindow::showsChanged(box));
        QCOMPARE(box->palette().color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(db().changeMarker(Area::Timers), std::int16_t(100));

        guitest::typeInto(box, "50");
        QVERIFY(!EditorWindow::showsChanged(box));
        QCOMPARE(box->palette().color(QPalette::Text), QColor(0, 0, 0));
        // Typed back, but still an edit until Apply or Cancel Changes.
        QCOMPARE(db().changeMarker(Area::Timers), std::int16_t(100));
    }

    void numericBoxesTakeDigitsOnly() {
        QLineEdit* box = find<QLineEdit>("TimeOutTimer(1)");
        guitest::typeInto(box, "1a2-3.4");
        QCOMPARE(box->text(), QString("1234"));
        QCOMPARE(window_->timers().value("TimeOut", 1), std::string("1234"));
    }

    void refusedValueKeepsTheFocus() {
        QLineEdit* box = find<QLineEdit>("DTMFTimer(1)");
        guitest::typeInto(box, "100");
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        const PromptRecord& shown = prompter_->lastMessageBox();
        QCOMPARE(QString::fromStdString(shown.title), QString("Port 1: DTMF Mute Timer"));
        QCOMPARE(QString::fromStdString(shown.text),
                 QString("Invalid DTMF Timer, must be between 0 and 99"));
        QCOMPARE(shown.icon, MessageIcon::Exclamation);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
        QCOMPARE(window_->timers().value("DTMFTime", 1), std::string("100"));

        // Corrected, the box lets the focus go.
        guitest::typeInto(box, "99");
        QTest::keyClick(box, Qt::Key_Tab);
        QTest::qWait(20);
        QCOMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QVERIFY(QApplication::focusWidget() != box);
    }

    void refusalOnAnotherPortTabBringsItsPageBack() {
        window_->portTabs()->setCurrentIndex(1);
        QLineEdit* box = find<QLineEdit>("KerchunkTimer(2)");
        guitest::typeInto(box, "32001");
        // Leaving by switching to the Global tab: the port 2 page comes back with the box.
        window_->portTabs()->setCurrentIndex(3);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("Port 2: Kerchunk Timer"));
        QTRY_COMPARE(window_->portTabs()->currentIndex(), 1);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
    }

    void emptyBoxBecomesZeroWhenLeft() {
        QLineEdit* box = find<QLineEdit>("InactiveTimer(1)");
        QComboBox* macro = find<QComboBox>("InActivityMacroSet(1)");
        QVERIFY(macro->isEnabled());
        guitest::typeInto(box, "");
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(box->text(), QString("0"));
        QCOMPARE(window_->timers().value("InActiveTime", 1), std::string("0"));
        QVERIFY(!macro->isEnabled());
        guitest::typeInto(box, "5");
        QVERIFY(macro->isEnabled());
    }

    void tailMessageNoneDisablesItsControls() {
        window_->portTabs()->setCurrentIndex(2);
        QComboBox* tail = find<QComboBox>("TailMessageNumSet(3)");
        QLineEdit* counter = find<QLineEdit>("TailCounterSet(3)");
        QLineEdit* timer = find<QLineEdit>("AnnounceTimer(3)");
        QVERIFY(counter->isEnabled());
        tail->setCurrentIndex(tail->findText("NONE"));
        QCOMPARE(window_->timers().value("TailMessageNum", 3), std::string("0"));
        QVERIFY(EditorWindow::showsChanged(tail));
        QVERIFY(!counter->isEnabled());
        QVERIFY(!timer->isEnabled());
        QVERIFY(!find<QLabel>("lblTailCounter(3)")->isEnabled());
        QVERIFY(!find<QLabel>("lblTailTimer(3)")->isEnabled());
        // Port 1 is untouched.
        QVERIFY(find<QLineEdit>("TailCounterSet(1)")->isEnabled());
    }

    void macroListsStoreTwoDigits() {
        QComboBox* list = find<QComboBox>("MessageNumSet(6)");
        list->setCurrentIndex(list->findText("7"));
        QCOMPARE(window_->timers().value("P2MessageNum", 3), std::string("07"));
        QCOMPARE(db().changeMarker(Area::Timers), std::int16_t(0));
    }

    void applyWritesOnlyWhatDiffers() {
        window_->portTabs()->setCurrentIndex(1);
        QComboBox* list = find<QComboBox>("MessageNumSet(6)");
        list->setCurrentIndex(list->findText("7"));
        find<QPushButton>("Apply")->click();

        QCOMPARE(db().get("P2MessageNum", 3), std::string("07"));
        QVERIFY(db().uploadFlag(UploadFlag::TailMessageMacros, 2));
        QVERIFY(!db().uploadFlag(UploadFlag::TailMessageMacros, 1));
        QVERIFY(!db().uploadFlag(UploadFlag::HangTimers, 2));
        QVERIFY(!db().saved);
        QCOMPARE(db().changeMarker(Area::Timers), std::int16_t(-1));
        QVERIFY(!EditorWindow::showsChanged(list));
        QCOMPARE(window_->portTabs()->currentIndex(), 1);
        QVERIFY(prompter_->messageBoxes().empty());
    }

    void applyRefusesABadValue() {
        QLineEdit* box = find<QLineEdit>("HangTimer2(1)");
        guitest::typeInto(box, "256");
        // Apply by its access key: the box is not left, Apply checks it itself.
        QTest::keyClick(window_.get(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(2));
        const auto boxes = prompter_->messageBoxes();
        QCOMPARE(QString::fromStdString(boxes[0].text),
                 QString("Invalid Hang Timer 2, must be whole number between 0 and 255"));
        QCOMPARE(QString::fromStdString(boxes[1].title), QString("APPLY FAIL"));
        QCOMPARE(QString::fromStdString(boxes[1].text),
                 QString("Changes were NOT applied due to errors"));
        QCOMPARE(db().get("HangTime2", 1), std::string("50"));
        QCOMPARE(db().changeMarker(Area::Timers), std::int16_t(200));
        QVERIFY(EditorWindow::showsChanged(box));
    }

    // Apply pressed and released by the mouse at a person's pace (a 120 ms press): with a
    // refused value in the box being typed in, and with a pending ID timer cut below its
    // port's speech timer while another port is shown. Either way the field's warning, then
    // "APPLY FAIL", nothing written, and the box to correct has the focus on its own tab.
    void applyPressedByTheMouseRefusesLikeTheKeyboard() {
        QPushButton* apply = find<QPushButton>("Apply");
        const auto pressApply = [&] {
            prompter_->clearRecords();
            QTest::mousePress(apply, Qt::LeftButton);
            QTest::qWait(120);
            QTest::mouseRelease(apply, Qt::LeftButton);
            QTest::qWait(20);
            std::vector<std::string> titles;
            for (const auto& shown : prompter_->messageBoxes()) titles.push_back(shown.title);
            return titles;
        };
        QLineEdit* hang = find<QLineEdit>("HangTimer2(1)");
        guitest::typeInto(hang, "256");
        QCOMPARE(pressApply(),
                 (std::vector<std::string>{"Port 1: Hang Timer", "APPLY FAIL"}));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(hang));
        QCOMPARE(db().get("HangTime2", 1), std::string("50"));
        guitest::typeInto(hang, "50");

        window_->portTabs()->setCurrentIndex(1);
        guitest::typeInto(find<QLineEdit>("IDSpeakTimer(2)"), "300");
        guitest::typeInto(find<QLineEdit>("PIDTimer(2)"), "4");
        window_->portTabs()->setCurrentIndex(0);
        QCOMPARE(pressApply(),
                 (std::vector<std::string>{"Port 2: Pending ID Speech Timer", "APPLY FAIL"}));
        QCOMPARE(window_->portTabs()->currentIndex(), 1);
        QCOMPARE(QApplication::focusWidget(),
                 static_cast<QWidget*>(find<QLineEdit>("IDSpeakTimer(2)")));
        QCOMPARE(db().get("PIDTime", 2), std::string("50"));
        QCOMPARE(db().get("IDSpeakTime", 2), std::string("50"));
    }

    void cancelChangesAsksFirst() {
        QLineEdit* box = find<QLineEdit>("PIDTimer(1)");
        guitest::typeInto(box, "7");
        prompter_->queueAnswer(Answer::No);
        find<QPushButton>("CancelChanges")->click();
        const PromptRecord& question = prompter_->lastMessageBox();
        QCOMPARE(QString::fromStdString(question.title), QString("TIMER CANCEL CHANGES"));
        QCOMPARE(QString::fromStdString(question.text),
                 QString("This will cancel all Timer changes made since your last Timer 'Apply' "
                         "or Timer 'Cancel'\r\n\r\nYes to proceed, No to return to editing "
                         "without cancelling"));
        QCOMPARE(question.icon, MessageIcon::Question);
        QCOMPARE(box->text(), QString("7"));
        QVERIFY(EditorWindow::showsChanged(box));

        prompter_->queueAnswer(Answer::Yes);
        find<QPushButton>("CancelChanges")->click();
        QCOMPARE(box->text(), QString("50"));
        QVERIFY(!EditorWindow::showsChanged(box));
        QCOMPARE(db().changeMarker(Area::Timers), std::int16_t(-1));
    }

    void globalCheckBoxes() {
        window_->portTabs()->setCurrentIndex(3);
        QCheckBox* fan = find<QCheckBox>("FanSelect");
        QCOMPARE(fan->text(), QString("All Xmt Activity"));
        fan->setChecked(true);
        QCOMPARE(window_->timers().value("FanSelect"), std::string("1"));
        QVERIFY(EditorWindow::showsChanged(fan));
        QLineEdit* general = find<QLineEdit>("GeneralTimerSet(4)");
        guitest::typeInto(general, "40000");
        QTest::keyClick(general, Qt::Key_Tab);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("General Timer 4"));
    }
};

QTEST_MAIN(TimersWindowTest)
#include "timers_window_test.moc"
