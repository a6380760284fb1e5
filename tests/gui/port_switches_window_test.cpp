// The Port Switches window driven through its real controls.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "gui/editors/port_switches.h"
#include "tests/gui/gui_test_support.h"

using namespace kelp;

class PortSwitchesWindowTest : public QObject {
    Q_OBJECT

  private:
    ScriptedPrompter* prompter_ = nullptr;
    std::unique_ptr<ScopedPrompter> usePrompter_;
    std::unique_ptr<PortSwitches> window_;

    template <typename T>
    T* find(const QString& name) {
        return guitest::findControl<T>(window_.get(), name);
    }

    int raisedFlagCount() const {
        int raised = 0;
        for (const auto& d : uploadFlagTable())
            for (int i = d.count == 1 ? 0 : 1; i <= (d.count == 1 ? 0 : d.count); ++i)
                raised += db().uploadFlag(d.flag, i) ? 1 : 0;
        return raised;
    }

  private slots:
    void init() {
        resetProcessDatabase();
        for (const FieldSpec& f : portSwitchesFields()) {
            if (f.indexing == FieldIndexing::Single)
                db().set(f.key, "0");
            else
                for (int p = 1; p <= 3; ++p) db().set(f.key, p, "0");
        }
        db().set("IDStartSelect", 1, "1");
        db().set("PLAccess", 2, "1");
        db().set("PLAccess", 3, "2");  // no entry of the list
        db().saved = true;
        db().loaded = true;
        prompter_ = new ScriptedPrompter;
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        window_ = std::make_unique<PortSwitches>();
        window_->resize(1000, 700);
        QVERIFY(guitest::showAndActivate(window_.get()));
    }

    void cleanup() {
        window_.reset();
        usePrompter_.reset();
        delete prompter_;
        prompter_ = nullptr;
    }

    void opensShowingTheDatabase() {
        QCOMPARE(db().changeMarker(Area::PortSwitches), std::int16_t(-1));
        for (QWidget* w : window_->findChildren<QWidget*>())
            QVERIFY2(!EditorWindow::showsChanged(w), qPrintable(w->objectName()));
        QCOMPARE(find<QCheckBox>("TxEnable(2)")->text(), QString("Transmitter Enable"));
        QCOMPARE(find<QCheckBox>("PLID(3)")->text(), QString("ON During ID/Speech"));
        QVERIFY(find<QRadioButton>("IDPTTSelect(1)")->isChecked());
        QVERIFY(find<QRadioButton>("IDCOSSelect(2)")->isChecked());
        QVERIFY(find<QRadioButton>("PLCOS(1)")->isChecked());
        QVERIFY(find<QRadioButton>("PLLow(3)")->isChecked());
        QCOMPARE(find<QComboBox>("AccessMode(1)")->currentText(), QString("Carrier"));
        QCOMPARE(find<QComboBox>("AccessMode(2)")->currentText(), QString("Tone & Carrier"));
        QCOMPARE(find<QComboBox>("AccessMode(3)")->currentIndex(), -1);
        QCOMPARE(find<QPushButton>("Apply")->text(), QString("&Apply"));
        QCOMPARE(find<QPushButton>("CancelChanges")->text(), QString("&Cancel Changes"));
    }

    void checkBoxTurnsRedAndBackBlack() {
        QCheckBox* box = find<QCheckBox>("TxEnable(2)");
        box->click();
        QCOMPARE(window_->switches().value("TxEnable", 2), std::string("1"));
        QCOMPARE(box->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(db().changeMarker(Area::PortSwitches), std::int16_t(0));
        box->click();
        QCOMPARE(box->palette().color(QPalette::WindowText), QColor(0, 0, 0));
        // Unticked again, but still an edit until Apply or Cancel Changes.
        QCOMPARE(db().changeMarker(Area::PortSwitches), std::int16_t(0));
    }

    void optionPairTurnsRedTogether() {
        QRadioButton* cos = find<QRadioButton>("IDCOSSelect(3)");
        QRadioButton* ptt = find<QRadioButton>("IDPTTSelect(3)");
        QCOMPARE(ptt->text(), QString("On PTT"));
        ptt->click();
        QCOMPARE(window_->switches().value("IDStartSelect", 3), std::string("1"));
        QVERIFY(!cos->isChecked());
        QVERIFY(EditorWindow::showsChanged(ptt));
        QVERIFY(EditorWindow::showsChanged(cos));
        QCOMPARE(db().changeMarker(Area::PortSwitches), std::int16_t(0));
        cos->click();
        QCOMPARE(window_->switches().value("IDStartSelect", 3), std::string("0"));
        QVERIFY(!EditorWindow::showsChanged(ptt));
        QVERIFY(!EditorWindow::showsChanged(cos));
        // The other ports' pairs are separate groups.
        QVERIFY(find<QRadioButton>("IDPTTSelect(1)")->isChecked());
    }

    void choosingAnAccessModeStoresItsValue() {
        QComboBox* list = find<QComboBox>("AccessMode(3)");
        list->setCurrentIndex(list->findText("Carrier"));
        QCOMPARE(window_->switches().value("PLAccess", 3), std::string("0"));
        QVERIFY(EditorWindow::showsChanged(list));
        list->setCurrentIndex(list->findText("Tone & Carrier"));
        QCOMPARE(window_->switches().value("PLAccess", 3), std::string("1"));
    }

    void applyWritesTheDatabaseAndTheirFlags() {
        QCheckBox* tx = find<QCheckBox>("TxEnable(2)");
        // Clicked on its box with the mouse, as the operator does.
        QTest::mouseClick(tx, Qt::LeftButton, {}, QPoint(8, tx->height() / 2));
        QVERIFY(tx->isChecked());
        find<QRadioButton>("PLHigh(1)")->click();
        find<QCheckBox>("AllowTerminatorSpeechSet")->click();
        // Apply by its access key; the button's click follows its press animation.
        QTest::keyClick(window_.get(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(db().changeMarker(Area::PortSwitches), std::int16_t(-1));

        QCOMPARE(db().get("TxEnable", 2), std::string("1"));
        QCOMPARE(db().get("PLEncodePolarity", 1), std::string("1"));
        QCOMPARE(db().get("AllowTerminatorSpeech"), std::string("1"));
        QVERIFY(db().uploadFlag(UploadFlag::TransmitterEnable, 2));
        QVERIFY(db().uploadFlag(UploadFlag::ToneEncodePolarity, 1));
        QVERIFY(db().uploadFlag(UploadFlag::AllowTerminatorSpeech));
        QCOMPARE(raisedFlagCount(), 3);
        QVERIFY(!db().saved);
        QVERIFY(!EditorWindow::showsChanged(find<QRadioButton>("PLHigh(1)")));
        QVERIFY(find<QRadioButton>("PLHigh(1)")->isChecked());
        QVERIFY(prompter_->messageBoxes().empty());

        // Saved since, but port 2 still waits for its upload: Apply marks it unsaved again.
        db().saved = true;
        find<QPushButton>("Apply")->click();
        QVERIFY(!db().saved);
    }

    void cancelChangesAsksFirst() {
        QRadioButton* tone = find<QRadioButton>("PLCloseSet(2)");
        tone->click();
        prompter_->queueAnswer(Answer::No);
        find<QPushButton>("CancelChanges")->click();
        const PromptRecord& question = prompter_->lastMessageBox();
        QCOMPARE(QString::fromStdString(question.title), QString("PORT SWITCH CANCEL CHANGES"));
        QCOMPARE(question.icon, MessageIcon::Question);
        QVERIFY(tone->isChecked());
        QVERIFY(EditorWindow::showsChanged(tone));

        prompter_->queueAnswer(Answer::Yes);
        find<QPushButton>("CancelChanges")->click();
        QVERIFY(find<QRadioButton>("COSCloseSet(2)")->isChecked());
        QVERIFY(!EditorWindow::showsChanged(tone));
        QCOMPARE(db().changeMarker(Area::PortSwitches), std::int16_t(-1));
        QCOMPARE(db().get("COSClose", 2), std::string("0"));
    }
};

QTEST_MAIN(PortSwitchesWindowTest)
#include "port_switches_window_test.moc"
