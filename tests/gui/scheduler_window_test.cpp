// The Scheduler window driven through its real controls.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "gui/editors/scheduler.h"
#include "tests/gui/gui_test_support.h"

using namespace kelp;

class SchedulerWindowTest : public QObject {
    Q_OBJECT

  private:
    ScriptedPrompter* prompter_ = nullptr;
    std::unique_ptr<ScopedPrompter> usePrompter_;
    std::unique_ptr<Scheduler> window_;

    template <typename T>
    T* find(const QString& name) {
        return guitest::findControl<T>(window_.get(), name);
    }

  private slots:
    void init() {
        resetProcessDatabase();
        // Setpoint 2 runs macro 12 on Wednesdays at 1 PM, on the 3rd Wednesday of the month;
        // the others are disabled.
        for (int n = 1; n <= 20; ++n) {
            db().set("DOW", n, n == 2 ? "3" : "1");
            db().set("Monthly", n, n == 2 ? "1" : "0");
            db().set("Week", n, "3");
            db().set("Hours", n, n == 2 ? "13" : "25");
            db().set("Minutes", n, "00");
            db().set("MacroToRun", n, n == 2 ? "12" : "90");
        }
        db().set("SayYear", "1");
        db().set("TwentyFour", "0");
        db().set("SayHour", "1");
        db().set("ClockCorrection", "0");
        db().saved = true;
        db().loaded = true;
        prompter_ = new ScriptedPrompter;
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        window_ = std::make_unique<Scheduler>();
        window_->resize(1000, 650);
        QVERIFY(guitest::showAndActivate(window_.get()));
    }

    void cleanup() {
        window_.reset();
        usePrompter_.reset();
        delete prompter_;
        prompter_ = nullptr;
    }

    void monthlyEnablesTheOccurrenceListForTheSetpointShown() {
        auto* number = find<QComboBox>("SetPointNumSet");
        auto* monthly = find<QCheckBox>("DOMEnable");
        auto* week = find<QComboBox>("WeekSet");
        QCOMPARE(find<QLabel>("WOMLabel")->text(),
                 QString("Number of Occurance                    this month"));
        // Rich text would show its runs of spaces as one.
        QCOMPARE(find<QLabel>("WOMLabel")->textFormat(), Qt::PlainText);
        QVERIFY(!monthly->isChecked());
        QVERIFY(!week->isEnabled());
        number->setCurrentIndex(1);
        QVERIFY(monthly->isChecked());
        QVERIFY(week->isEnabled());
        QVERIFY(find<QLabel>("WOMLabel")->isEnabled());
        QCOMPARE(find<QComboBox>("DOWSet")->currentText(), QString("Wednesday"));
        QCOMPARE(week->currentText(), QString("3rd"));
        monthly->click();
        QVERIFY(!week->isEnabled());
        QVERIFY(EditorWindow::showsChanged(monthly));
        QCOMPARE(db().changeMarker(Area::Scheduler), std::int16_t(0));
        number->setCurrentIndex(0);
        QCOMPARE(db().changeMarker(Area::Scheduler), std::int16_t(0));
        number->setCurrentIndex(1);
        QVERIFY(!monthly->isChecked());
        QVERIFY(EditorWindow::showsChanged(monthly));
    }

    void sayHoursFollowsTwentyFourHourReadback() {
        auto* sayHours = find<QCheckBox>("HoursSelect");
        QVERIFY(!sayHours->isEnabled());
        find<QCheckBox>("TwentyFourSet")->click();
        QVERIFY(sayHours->isEnabled());
        QVERIFY(sayHours->isChecked());
    }

    void theWeekViewIsRedrawnFromTheWorkingCopy() {
        const auto& marks = window_->weekView()->marks();
        QCOMPARE(marks.size(), std::size_t(1));
        QCOMPARE(marks[0].day, 3);
        QCOMPARE(marks[0].hour, 13);
        QVERIFY(marks[0].monthly);
        // The mark is where its day and hour meet: Wednesday's column, the 1 PM row.
        ScheduleWeekView* view = window_->weekView();
        QVERIFY(view->markAt(view->cellRect(3, 13).center()) == &marks[0]);
        QVERIFY(view->markAt(view->cellRect(3, 12).center()) == nullptr);
        QVERIFY(view->cellRect(3, 13).top() > view->cellRect(3, 12).bottom());
        find<QComboBox>("SetPointNumSet")->setCurrentIndex(4);
        auto* hours = find<QComboBox>("HoursSet");
        hours->setCurrentIndex(hours->findText("Every Hour"));
        QCOMPARE(window_->weekView()->marks().size(), std::size_t(25));
        QCOMPARE(db().get("Hours", 5), std::string("25"));
        find<QPushButton>("Apply")->click();
        QCOMPARE(db().get("Hours", 5), std::string("99"));
        QVERIFY(db().uploadFlag(UploadFlag::SchedulerSetpoint, 5));
        QVERIFY(!db().saved);
        QVERIFY(!EditorWindow::showsChanged(hours));
    }

    void aRefusedCorrectionKeepsTheFocusAndAnEmptiedOneStaysEmpty() {
        auto* box = find<QLineEdit>("ClockCorrectionSet");
        guitest::typeInto(box, "A60");
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(prompter_->lastMessageBox().title, std::string("Clock Corrections"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));

        guitest::typeInto(box, "");
        QTest::keyClick(box, Qt::Key_Tab);
        QTest::qWait(20);
        QCOMPARE(box->text(), QString());
        QCOMPARE(window_->model().value("ClockCorrection"), std::string("0"));
        QCOMPARE(prompter_->messageBoxes().size(), std::size_t(1));
    }

    // A setpoint value that no entry carries leaves each list showing what it showed.
    void listsKeepTheirEntryForAValueNoneOfThemCarries() {
        for (const char* key : {"DOW", "Week", "Hours", "Minutes", "MacroToRun"})
            db().set(key, 3, "");
        window_ = std::make_unique<Scheduler>();
        find<QComboBox>("SetPointNumSet")->setCurrentIndex(1);
        find<QComboBox>("SetPointNumSet")->setCurrentIndex(2);
        QStringList shown;
        for (const char* name : {"DOWSet", "WeekSet", "HoursSet", "MinutesSet", "MacroSet"})
            shown << find<QComboBox>(QLatin1String(name))->currentText();
        QCOMPARE(shown, (QStringList{"Wednesday", "3rd", "1 PM", "00", "12"}));
    }
};

QTEST_MAIN(SchedulerWindowTest)
#include "scheduler_window_test.moc"
