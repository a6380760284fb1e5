// The Message Macros window driven through its real controls.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "core/link/dtmf_tones.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "gui/editors/message_macros.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/recording_sound_output.h"
#include "tests/support/virtual_clock.h"

using namespace kelp;

class MessageMacrosWindowTest : public QObject {
    Q_OBJECT

  private:
    ScriptedPrompter* prompter_ = nullptr;
    std::unique_ptr<ScopedPrompter> usePrompter_;
    std::unique_ptr<MessageMacros> window_;

    void open(bool rtc) {
        window_.reset();
        db().hasRtc = rtc;
        window_ = std::make_unique<MessageMacros>();
        window_->resize(1000, 600);
        QVERIFY(guitest::showAndActivate(window_.get()));
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
        for (int m = 1; m <= 70; ++m)
            db().set("MessageMacro", m, m == 2 ? "ONE TWO" : "NONE STORED");
        db().saved = true;
        db().loaded = true;
        prompter_ = new ScriptedPrompter;
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        open(true);
    }

    void cleanup() {
        window_.reset();
        usePrompter_.reset();
        delete prompter_;
        prompter_ = nullptr;
    }

    void opensWithItsTabsListAndRecorderFrame() {
        QTabWidget* tabs = window_->messageTabs();
        QCOMPARE(tabs->count(), 7);
        QCOMPARE(tabs->tabText(6), QString("61-70"));
        QCOMPARE(guitest::findControl<QLabel>(window_.get(), "VocabListLabel")->text(),
                 QString("Vocabulary List      (NOTE: There is no DVR20)"));
        QCOMPARE(window_->vocabList()->count(), 256);
        auto* track = guitest::findControl<QComboBox>(window_.get(), "DVRTrackSet");
        QCOMPARE(track->count(), 19);
        QCOMPARE(track->currentText(), QString("1"));
        QCOMPARE(guitest::findControl<QPushButton>(window_.get(), "GetFile")->text(),
                 QString("&Load Wav"));
        QCOMPARE(guitest::findControl<QPushButton>(window_.get(), "SendToQZ740")->text(),
                 QString("&Send to QZ740"));
        QCOMPARE(window_->messageBox(2)->text(), QString("ONE TWO"));
        for (int tab = 0; tab < 7; ++tab) QVERIFY(tabs->isTabEnabled(tab));
        open(false);
        QVERIFY(window_->messageTabs()->isTabEnabled(3));
        for (int tab = 4; tab < 7; ++tab) QVERIFY(!window_->messageTabs()->isTabEnabled(tab));
        QVERIFY(window_->messageBox(41) == nullptr);
    }

    void tenWordsAreRefusedAndKeepTheFocus() {
        QLineEdit* box = window_->messageBox(5);
        guitest::typeInto(box, "one two three four five six seven eight nine ten");
        QCOMPARE(window_->charCounter()->text(), QString("10"));
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(prompter_->lastMessageBox().title, std::string("Message Macro 5"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
        QVERIFY(EditorWindow::showsChanged(box));
    }

    void anEmptiedBoxShowsNoneStoredAndTheListInsertsIntoTheBoxEnteredLast() {
        QLineEdit* box = window_->messageBox(3);
        box->setFocus(Qt::MouseFocusReason);
        QCOMPARE(box->text(), QString());
        window_->messageBox(4)->setFocus(Qt::MouseFocusReason);
        QCOMPARE(box->text(), QString("NONE STORED"));
        QCOMPARE(db().changeMarker(Area::MessageMacros), std::int16_t(-1));

        box->setFocus(Qt::MouseFocusReason);
        doubleClick(window_->vocabList(), 236);  // the separator row inserts nothing
        QCOMPARE(box->text(), QString());
        doubleClick(window_->vocabList(), 1);
        doubleClick(window_->vocabList(), 255);
        QCOMPARE(box->text(), QString("ONE  DVR19"));  // tidied when the box is left
        QCOMPARE(window_->charCounter()->text(), QString("2"));
        QCOMPARE(db().changeMarker(Area::MessageMacros), std::int16_t(1));
        guitest::findControl<QPushButton>(window_.get(), "Apply")->click();
        QCOMPARE(db().get("MessageMacro", 3), std::string("ONE DVR19"));
        QCOMPARE(box->text(), QString("ONE DVR19"));
        QVERIFY(db().uploadFlag(UploadFlag::MessageMacro, 3));
        QVERIFY(!EditorWindow::showsChanged(box));
        QVERIFY(prompter_->messageBoxes().empty());
    }

    // A stored message with a run of spaces is shown tidied on opening and after Apply;
    // entering and leaving its box is no edit.
    void aStoredMessageIsShownTidiedAndLookingAtItIsNoEdit() {
        db().set("MessageMacro", 6, "ONE  TWO");
        open(true);
        QLineEdit* box = window_->messageBox(6);
        QCOMPARE(box->text(), QString("ONE TWO"));
        box->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(box->text(), QString("ONE TWO"));
        QCOMPARE(db().changeMarker(Area::MessageMacros), std::int16_t(-1));
        guitest::typeInto(window_->messageBox(3), "one");
        guitest::findControl<QPushButton>(window_.get(), "Apply")->click();
        QCOMPARE(box->text(), QString("ONE TWO"));
        QVERIFY(!db().uploadFlag(UploadFlag::MessageMacro, 6));
    }

    void theRecorderFrameSendsTheChosenTrackAndFile() {
        QTemporaryDir folder;
        const std::string wavPath = folder.filePath("id.wav").toStdString();
        const auto wav = toneWav(440, 880, 0.5);
        std::ofstream(wavPath, std::ios::binary)
            .write(reinterpret_cast<const char*>(wav.data()),
                   static_cast<std::streamsize>(wav.size()));
        VirtualClock clock;
        ScopedClock useClock(clock);
        FakeSerialPort port;
        port.setDevices({"/dev/ttyS0"});
        port.setResponder([](const std::string& line) { return line.empty() ? "" : "+"; });
        ScopedSerialPort usePort(port);
        RecordingSoundOutput sound;
        ScopedSoundOutput useSound(sound);
        linkPreferences() = LinkPreferences{};
        linkPreferences().ComPort = 1;
        linkState() = LinkState{};

        prompter_->queueOpenFile(std::filesystem::path(wavPath));
        guitest::findControl<QPushButton>(window_.get(), "GetFile")->click();
        QCOMPARE(guitest::findControl<QLabel>(window_.get(), "WavFileName")->text(),
                 QString("File: id.wav"));
        guitest::findControl<QComboBox>(window_.get(), "DVRTrackSet")->setCurrentIndex(11);
        guitest::findControl<QPushButton>(window_.get(), "SendToQZ740")->click();
        QCOMPARE(QString::fromStdString(port.written()), QString("\r1*700212\r1*700112\rGS"));
        QCOMPARE(sound.filesPlayed(), std::vector<std::string>{wavPath});
        QCOMPARE(prompter_->lastMessageBox().text, std::string("Wav File Upload Complete."));
        QCOMPARE(db().changeMarker(Area::MessageMacros), std::int16_t(-1));
    }
};

QTEST_MAIN(MessageMacrosWindowTest)
#include "message_macros_window_test.moc"
