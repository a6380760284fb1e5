// The Alarms window driven through its real controls.
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "core/app/scripted_prompter.h"
#include "core/database/area_checks.h"
#include "core/database/controller_database.h"
#include "gui/editors/alarms.h"
#include "tests/gui/gui_test_support.h"

using namespace kelp;

class AlarmsWindowTest : public QObject {
    Q_OBJECT

  private:
    ScriptedPrompter* prompter_ = nullptr;
    std::unique_ptr<ScopedPrompter> usePrompter_;
    std::unique_ptr<Alarms> window_;

    template <typename T>
    T* find(const QString& name) {
        return guitest::findControl<T>(window_.get(), name);
    }

    static void fillAlarms(ControllerDatabase& d) {
        for (int n = 1; n <= AlarmsModel::kAlarms; ++n) {
            d.set("Alarm", n, "1");
            d.set("AlarmLowMacroNum", n, "90");
            d.set("AlarmHighMacroNum", n, "90");
        }
        d.set("RadioType", "2");
        d.set("YaesuType", "0");
        d.set("RemoteBasePrefix", "0");
        d.set("Terminator", "D");
        for (int m = 1; m <= AlarmsModel::kMemories; ++m) {
            const bool used = m <= kRequiredRemoteMemories;
            d.set("FreqString", m, used ? "1460002" : "NONE");
            d.set("CTCSS", m, used ? "12" : "NONE");
            d.set("CTCSSMode", m, used ? "1" : "NONE");
            d.set("RadioMode", m, used ? "4" : "NONE");
        }
        d.saved = true;
    }

  private slots:
    void init() {
        resetProcessDatabase();
        fillAlarms(db());
        prompter_ = new ScriptedPrompter;
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        window_ = std::make_unique<Alarms>();
        window_->resize(1000, 700);
        QVERIFY(guitest::showAndActivate(window_.get()));
    }

    void cleanup() {
        window_.reset();
        usePrompter_.reset();
        delete prompter_;
        prompter_ = nullptr;
    }

    void opensCleanShowingMemoryOne() {
        QCOMPARE(db().changeMarker(Area::AlarmsRemoteBase), std::int16_t(-1));
        for (QWidget* w : window_->findChildren<QWidget*>())
            QVERIFY2(!EditorWindow::showsChanged(w), qPrintable(w->objectName()));
        QCOMPARE(find<QLineEdit>("RemoteBasePrefixSet")->text(), QString("No Prefix"));
        QCOMPARE(find<QComboBox>("OtherMemoryNum")->count(), 10);
        QCOMPARE(find<QLineEdit>("OtherFreqStringSet")->text(), QString("146000"));
        QVERIFY(find<QRadioButton>("OtherSimplex")->isChecked());
        QVERIFY(find<QRadioButton>("FMSet")->isChecked());
        QCOMPARE(find<QComboBox>("RadioType")->currentText(), QString("Icom"));
    }

    void refusedFrequencyKeepsTheFocus() {
        find<QComboBox>("OtherMemoryNum")->setCurrentIndex(1);
        QLineEdit* box = find<QLineEdit>("OtherFreqStringSet");
        guitest::typeInto(box, "NONE");
        QVERIFY(EditorWindow::showsChanged(box));
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        const PromptRecord& shown = prompter_->lastMessageBox();
        QCOMPARE(QString::fromStdString(shown.title), QString("Remote Base Frequency"));
        QCOMPARE(QString::fromStdString(shown.text),
                 QString("Remote Base Memory 2\r\nRemote Base Memory: Frequency is required for "
                         "Remote Base Memories 1-10"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));

        guitest::typeInto(box, "14652");
        QTest::keyClick(box, Qt::Key_Tab);
        QTest::qWait(20);
        QCOMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(box->text(), QString("014652"));
    }

    void applyWritesFrequencyWithOffsetAndDefaultPrefix() {
        find<QComboBox>("OtherMemoryNum")->setCurrentIndex(2);
        QLineEdit* freq = find<QLineEdit>("OtherFreqStringSet");
        guitest::typeInto(freq, "14600");
        QTest::keyClick(freq, Qt::Key_Tab);
        find<QRadioButton>("OtherPlus")->click();
        QVERIFY(EditorWindow::showsChanged(find<QRadioButton>("OtherPlus")));
        QLineEdit* prefix = find<QLineEdit>("RemoteBasePrefixSet");
        guitest::typeInto(prefix, "");
        QTest::keyClick(prefix, Qt::Key_Tab);
        QCOMPARE(prefix->text(), QString("A7"));
        find<QPushButton>("Apply")->click();
        QVERIFY(prompter_->messageBoxes().empty());
        QCOMPARE(db().get("FreqString", 3), std::string("0146003"));
        QCOMPARE(db().get("RemoteBasePrefix"), std::string("A7"));
        QVERIFY(db().uploadFlag(UploadFlag::RemoteBaseMemories, 1));
        QVERIFY(db().uploadFlag(UploadFlag::RemoteBasePrefix, 1));
        QVERIFY(!db().uploadFlag(UploadFlag::RadioType, 1));
        QCOMPARE(db().changeMarker(Area::AlarmsRemoteBase), std::int16_t(-1));
        QVERIFY(!EditorWindow::showsChanged(freq));
    }

    void yaesuWithoutTypeIsNotApplied() {
        QComboBox* radio = find<QComboBox>("RadioType");
        radio->setCurrentIndex(radio->findText("Yaesu"));
        QVERIFY(EditorWindow::showsChanged(radio));
        find<QPushButton>("Apply")->click();
        QCOMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().text),
                 QString("Yaesu Type required with Radio Type: Yaesu"));
        QCOMPARE(db().get("RadioType"), std::string("2"));
    }
};

QTEST_MAIN(AlarmsWindowTest)
#include "alarms_window_test.moc"
