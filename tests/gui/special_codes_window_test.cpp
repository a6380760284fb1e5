// The Special Codes window driven through its real controls.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "gui/editors/special_codes.h"
#include "gui/unlock/unlock_window.h"
#include "tests/gui/gui_test_support.h"

using namespace kelp;

class SpecialCodesWindowTest : public QObject {
    Q_OBJECT

  private:
    ScriptedPrompter* prompter_ = nullptr;
    std::unique_ptr<ScopedPrompter> usePrompter_;
    std::unique_ptr<SpecialCodes> window_;

    template <typename T>
    T* find(const QString& name) {
        return guitest::findControl<T>(window_.get(), name);
    }
    void leave(QWidget* box) { QTest::keyClick(box, Qt::Key_Tab); }
    QString lastText() const { return QString::fromStdString(prompter_->lastMessageBox().text); }
    QStringList tollTexts() {
        QStringList texts;
        auto* list = find<QListWidget>("TollRestrictList");
        for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
        return texts;
    }

  private slots:
    void init() {
        resetProcessDatabase();
        for (const auto& [key, value] :
             std::vector<std::pair<const char*, const char*>>{{"DTMFRegenPrefix", "12345"},
                                                              {"DTMFPort", "1"},
                                                              {"DTMFSpeech", "07"},
                                                              {"APPrefix", "C1"},
                                                              {"AnswerCode", "5820"},
                                                              {"RingNumber", "2"},
                                                              {"APTimeOut", "120"},
                                                              {"EnablePatch", "1"},
                                                              {"PatchMute", "1"},
                                                              {"DTMFTestPrefix", "85"},
                                                              {"PreAccessPrefix", "0"},
                                                              {"PreProgramPrefix", "12"},
                                                              {"MacroSubset", "0190"},
                                                              {"MacroSubsetEnable", "0"},
                                                              {"DTMFMuteDigitSelect", "1"},
                                                              {"WindDirectionSelect", "1"},
                                                              {"DR1Select", "0"}})
            db().set(key, value);
        db().set("AutoDial", 1, "5551234");
        db().set("TollRestrict", 1, "1900");
        db().set("TollRestrict", 3, "976");
        db().saved = true;
        prompter_ = new ScriptedPrompter;
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        window_ = std::make_unique<SpecialCodes>();
        window_->resize(1000, 620);
        QVERIFY(guitest::showAndActivate(window_.get()));
    }

    void cleanup() {
        window_.reset();
        usePrompter_.reset();
        delete prompter_;
        prompter_ = nullptr;
    }

    void opensCleanShowingTheStoredForms() {
        QCOMPARE(db().changeMarker(Area::SpecialCodes), std::int16_t(-1));
        for (QWidget* w : window_->findChildren<QWidget*>())
            QVERIFY2(!EditorWindow::showsChanged(w), qPrintable(w->objectName()));
        QCOMPARE(find<QLineEdit>("PreAccessSet")->text(), QString("NONE"));
        QCOMPARE(find<QLineEdit>("PreProgramSet")->text(), QString("12"));
        QCOMPARE(find<QComboBox>("DTMFSpeechSet")->currentText(), QString("7"));
        QCOMPARE(find<QComboBox>("DTMFPortSet")->count(), 8);
        QCOMPARE(find<QComboBox>("EnablePatchSet")->itemData(7).toLongLong(), 0);
        QCOMPARE(find<QComboBox>("cboMacroSubsetStart")->currentText(), QString("1"));
        QCOMPARE(find<QComboBox>("cboMacroSubsetEnd")->currentText(), QString("90"));
        QCOMPARE(find<QComboBox>("AutoDialSlotSet")->count(), 200);
        QCOMPARE(find<QLineEdit>("AutoDialNumberSet")->text(), QString("5551234"));
        QCOMPARE(tollTexts(), (QStringList{"001 | 1900", "003 | 976"}));
        QCOMPARE(find<QLabel>("TollRestrictHeader")->text(), QString("Pos  | Item"));
        QVERIFY(find<QRadioButton>("FirstDigitSet")->isChecked());
        QVERIFY(find<QRadioButton>("CompassSet")->isChecked());
        QCOMPARE(find<QPushButton>("cmdUnlock")->text(),
                 QString("Change Unlock, Lock, Terminator Codes"));
        QCOMPARE(find<QLabel>("lblUnlockNote")->text(),
                 QString("Unlock, Lock, and Terminator Codes are processed separately from all "
                         "other changes"));
    }

    void noneTypedIntoPreAccessStoresZeroAndARefusalKeepsTheFocus() {
        QLineEdit* box = find<QLineEdit>("PreAccessSet");
        guitest::typeInto(box, "1234");
        leave(box);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("Pre Access Code"));
        QCOMPARE(lastText(),
                 QString("Pre Access Code invalid.  Must be between 1 and 3 DTMF characters"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));

        guitest::typeInto(box, "42");
        find<QPushButton>("Apply")->click();
        QCOMPARE(db().get("PreAccessPrefix"), std::string("42"));
        guitest::typeInto(box, "none");
        QVERIFY(EditorWindow::showsChanged(box));
        find<QPushButton>("Apply")->click();
        QCOMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(db().get("PreAccessPrefix"), std::string("0"));
        QCOMPARE(box->text(), QString("NONE"));
        QVERIFY(db().uploadFlag(UploadFlag::PreAccessCode, 0));
        QVERIFY(!db().saved);
    }

    void tollRestrictionAddedIntoTheFreeSlotAndTheBarIsDropped() {
        auto* list = find<QListWidget>("TollRestrictList");
        list->item(1)->setSelected(true);  // 003 | 976
        QLineEdit* entry = find<QLineEdit>("TollRestrictSet");
        entry->setFocus();
        QTest::keyClicks(entry, "01|1");
        QCOMPARE(entry->text(), QString("011"));
        find<QPushButton>("TollAdd")->click();
        QCOMPARE(tollTexts(), (QStringList{"001 | 1900", "002 | 011", "003 | 976"}));
        QVERIFY(entry->text().isEmpty());
        auto* frame = qobject_cast<QGroupBox*>(list->parent());
        QCOMPARE(frame->palette().color(QPalette::Active, QPalette::WindowText), kChangedColour);
        QCOMPARE(db().changeMarker(Area::SpecialCodes), std::int16_t(0));

        // The entry chosen before an Add and another edit is still the one deleted.
        find<QCheckBox>("PatchMuteSet")->click();
        find<QPushButton>("TollDelete")->click();
        QCOMPARE(tollTexts(), (QStringList{"001 | 1900", "002 | 011"}));
        list->clearSelection();
        find<QPushButton>("TollDelete")->click();
        QCOMPARE(lastText(), QString("Nothing was selected for delete"));
        list->item(0)->setSelected(true);
        find<QPushButton>("TollDelete")->click();
        QCOMPARE(tollTexts(), (QStringList{"002 | 011"}));
        find<QPushButton>("Apply")->click();
        QCOMPARE(db().get("TollRestrict", 1), std::string());
        QCOMPARE(db().get("TollRestrict", 2), std::string("011"));
        QCOMPARE(db().get("TollRestrict", 3), std::string());
    }

    void macroSubsetRefusedOnApplyWithTheFocusOnStart() {
        QComboBox* start = find<QComboBox>("cboMacroSubsetStart");
        QComboBox* end = find<QComboBox>("cboMacroSubsetEnd");
        start->setCurrentIndex(44);
        end->setCurrentIndex(9);
        QVERIFY(EditorWindow::showsChanged(start));
        find<QComboBox>("DTMFSpeechSet")->setCurrentIndex(0);  // "NONE"
        find<QPushButton>("Apply")->click();
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("Macro Subset"));
        QCOMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(start));
        QCOMPARE(db().get("DTMFSpeech"), std::string("07"));

        start->setCurrentIndex(9);
        end->setCurrentIndex(44);
        find<QPushButton>("Apply")->click();
        QCOMPARE(db().get("MacroSubset"), std::string("1045"));
        QCOMPARE(db().get("DTMFSpeech"), std::string("00"));
        QVERIFY(!EditorWindow::showsChanged(start));
    }

    void browsingAutodialSlotsIsNoEditTypingIs() {
        QComboBox* slot = find<QComboBox>("AutoDialSlotSet");
        QLineEdit* number = find<QLineEdit>("AutoDialNumberSet");
        slot->setCurrentIndex(199);
        QVERIFY(number->text().isEmpty());
        slot->setCurrentIndex(0);
        QCOMPARE(number->text(), QString("5551234"));
        QCOMPARE(db().changeMarker(Area::SpecialCodes), std::int16_t(-1));
        slot->setCurrentIndex(4);
        guitest::typeInto(number, "18005551212");
        QCOMPARE(db().changeMarker(Area::SpecialCodes), std::int16_t(0));
        find<QPushButton>("Apply")->click();
        QCOMPARE(db().get("AutoDial", 5), std::string("18005551212"));
        QVERIFY(db().uploadFlag(UploadFlag::AutoDial, 5));
        QCOMPARE(slot->currentIndex(), 4);
    }

    void unlockButtonOpensTheUnlockWindowModally() {
        db().set("Terminator", "D");
        db().set("Lock", "4321");
        bool shown = false;
        QTimer::singleShot(0, this, [&shown] {
            auto* unlock = qobject_cast<UnlockWindow*>(QApplication::activeModalWidget());
            shown = unlock != nullptr;
            if (unlock != nullptr)
                unlock->close();
        });
        find<QPushButton>("cmdUnlock")->click();
        QVERIFY(shown);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QCOMPARE(db().changeMarker(Area::SpecialCodes), std::int16_t(-1));
    }

    void optionButtonsStoreTheirCodes() {
        find<QRadioButton>("SecondDigitSet")->click();
        find<QRadioButton>("DegreesSet")->click();
        QCOMPARE(find<QRadioButton>("DegreesSet")
                     ->parentWidget()
                     ->palette()
                     .color(QPalette::Active, QPalette::WindowText),
                 kChangedColour);
        find<QPushButton>("Apply")->click();
        QCOMPARE(db().get("DTMFMuteDigitSelect"), std::string("2"));
        QCOMPARE(db().get("WindDirectionSelect"), std::string("0"));
    }
};

QTEST_MAIN(SpecialCodesWindowTest)
#include "special_codes_window_test.moc"
