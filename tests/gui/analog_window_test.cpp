// The Analog window driven through its real controls.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "gui/editors/analog.h"
#include "tests/gui/gui_test_support.h"

using namespace kelp;

namespace {

// Every Analog setting valid; each alarm's trip value names its alarm ("A1".."A8").
void fillAnalog(ControllerDatabase& database) {
    for (int i = 1; i <= 8; ++i) {
        database.set("Meter", i, "1");
        for (const char* key : {"RealLow", "MeterLow", "RealHigh", "MeterHigh"})
            database.set(key, i, "100");
        database.set("MeterNum", i, std::to_string(i));
        database.set("MeterAlarmType", i, "1");
        database.set("MeterSetPoint", i, "A" + std::to_string(i));
        database.set("MeterMacro", i, "90");
    }
    database.set("Vref", "500");
    database.saved = true;
    database.loaded = true;
}

}  // namespace

class AnalogWindowTest : public QObject {
    Q_OBJECT

  private:
    ScriptedPrompter* prompter_ = nullptr;
    std::unique_ptr<ScopedPrompter> usePrompter_;
    std::unique_ptr<Analog> window_;

    template <typename T>
    T* find(const QString& name) {
        return guitest::findControl<T>(window_.get(), name);
    }

    void showAlarmsTab() { window_->channelTabs()->setCurrentIndex(AnalogModel::kAlarmsTab); }

  private slots:
    void init() {
        resetProcessDatabase();
        fillAnalog(db());
        prompter_ = new ScriptedPrompter;
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        window_ = std::make_unique<Analog>();
        window_->resize(900, 600);
        QVERIFY(guitest::showAndActivate(window_.get()));
    }

    void cleanup() {
        window_.reset();
        usePrompter_.reset();
        delete prompter_;
        prompter_ = nullptr;
    }

    void opensCleanOnTheFirstChannel() {
        QCOMPARE(db().changeMarker(Area::Analog), std::int16_t(-1));
        QCOMPARE(window_->channelTabs()->currentIndex(), 0);
        QTabWidget* tabs = window_->channelTabs();
        QCOMPARE(tabs->count(), 9);
        QCOMPARE(tabs->tabText(7), QString("Ch 8"));
        QCOMPARE(tabs->tabText(8), QString("Reference / Meter Alarms"));
        for (QWidget* w : window_->findChildren<QWidget*>())
            QVERIFY2(!EditorWindow::showsChanged(w), qPrintable(w->objectName()));
        QCOMPARE(find<QComboBox>("MeterType(4)")->currentText(), QString("Volts"));
        QCOMPARE(find<QComboBox>("MeterMacroSet(8)")->currentText(), QString("90"));
        QCOMPARE(find<QPushButton>("CancelChanges")->text(), QString("&Cancel Changes"));
    }

    void choosingAnAlarmShowsItsValuesWithoutAnEdit() {
        showAlarmsTab();
        QComboBox* number = window_->alarmNumberList();
        QVERIFY(find<QLineEdit>("MeterSetPointSet(1)")->isVisible());
        number->setCurrentIndex(4);
        QLineEdit* trip = find<QLineEdit>("MeterSetPointSet(5)");
        QVERIFY(trip->isVisible());
        QVERIFY(!find<QLineEdit>("MeterSetPointSet(1)")->isVisible());
        QCOMPARE(trip->text(), QString("A5"));
        QCOMPARE(find<QComboBox>("MeterNumSet(5)")->currentText(), QString("5"));
        QCOMPARE(window_->analog().selectedAlarm(), 5);
        QCOMPARE(db().changeMarker(Area::Analog), std::int16_t(-1));
    }

    void minusSignInTheTripValueIsEnteredAsA() {
        showAlarmsTab();
        QLineEdit* trip = find<QLineEdit>("MeterSetPointSet(1)");
        guitest::typeInto(trip, "-15x0");
        QCOMPARE(trip->text(), QString("A150"));
        QCOMPARE(window_->analog().value("MeterSetPoint", 1), std::string("A150"));
        QVERIFY(EditorWindow::showsChanged(trip));
        QCOMPARE(db().changeMarker(Area::Analog), std::int16_t(6));
        QTest::keyClick(trip, Qt::Key_Tab);
        QTest::qWait(20);
        QVERIFY(prompter_->messageBoxes().empty());
    }

    void refusedReferenceVoltageKeepsTheFocus() {
        showAlarmsTab();
        QLineEdit* vref = find<QLineEdit>("VrefSetting");
        guitest::typeInto(vref, "521");
        QTest::keyClick(vref, Qt::Key_Tab);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        const PromptRecord& shown = prompter_->lastMessageBox();
        QCOMPARE(QString::fromStdString(shown.title), QString("VREF"));
        QCOMPARE(QString::fromStdString(shown.text),
                 QString("VREF invalid, must be between 0 and 520"));
        QCOMPARE(shown.icon, MessageIcon::Exclamation);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(vref));
        QVERIFY(EditorWindow::showsChanged(vref));
    }

    void refusedTripValueKeepsItsAlarmInFront() {
        showAlarmsTab();
        QLineEdit* trip = find<QLineEdit>("MeterSetPointSet(1)");
        guitest::typeInto(trip, "A35001");
        // Leaving the box for the alarm number list and choosing another alarm at once.
        window_->alarmNumberList()->setFocus(Qt::TabFocusReason);
        window_->alarmNumberList()->setCurrentIndex(3);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("Meter Trip Value"));
        QCOMPARE(window_->alarmNumberList()->currentIndex(), 0);
        QCOMPARE(window_->analog().selectedAlarm(), 1);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(trip));
    }

    void applyWritesTheDatabaseAndItsFlags() {
        window_->channelTabs()->setCurrentIndex(2);
        QComboBox* type = find<QComboBox>("MeterType(3)");
        type->setCurrentIndex(type->findText("Watts"));
        QVERIFY(EditorWindow::showsChanged(type));
        guitest::typeInto(find<QLineEdit>("RealHighSetting(3)"), "500");
        find<QPushButton>("Apply")->click();

        QVERIFY(prompter_->messageBoxes().empty());
        QCOMPARE(db().get("Meter", 3), std::string("3"));
        QCOMPARE(db().get("RealHigh", 3), std::string("500"));
        QVERIFY(db().uploadFlag(UploadFlag::MeterSetup, 3));
        QVERIFY(!db().uploadFlag(UploadFlag::MeterSetup, 2));
        QVERIFY(!db().uploadFlag(UploadFlag::MeterSetup, kVrefFlagIndex));
        QVERIFY(!db().uploadFlag(UploadFlag::MeterAlarm, 3));
        QVERIFY(!db().saved);
        QCOMPARE(db().changeMarker(Area::Analog), std::int16_t(-1));
        QVERIFY(!EditorWindow::showsChanged(type));
        QCOMPARE(window_->channelTabs()->currentIndex(), 2);
    }
};

QTEST_MAIN(AnalogWindowTest)
#include "analog_window_test.moc"
