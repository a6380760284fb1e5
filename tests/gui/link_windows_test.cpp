// The windows that talk to the controller by hand — the unlock codes, manual send and the
// touch-tone pad — driven through their controls against a fake port, in virtual time.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "core/app/app_folder.h"
#include "core/app/scripted_prompter.h"
#include "core/database/dat_file.h"
#include "core/database/profile.h"
#include "core/link/dtmf_tones.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/sound_output.h"
#include "gui/accessibility.h"
#include "gui/kelp_main.h"
#include "gui/manual/manual_send_window.h"
#include "gui/manual/tt_pad.h"
#include "gui/network_port_dialog.h"
#include "gui/unlock/unlock_window.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/recording_sound_output.h"
#include "tests/support/virtual_clock.h"

using namespace kelp;
namespace fs = std::filesystem;

class LinkWindowsTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> home_;
    std::unique_ptr<ScriptedPrompter> prompter_;
    std::unique_ptr<ScopedPrompter> usePrompter_;
    std::unique_ptr<VirtualClock> clock_;
    std::unique_ptr<ScopedClock> useClock_;
    std::unique_ptr<FakeSerialPort> port_;
    std::unique_ptr<ScopedSerialPort> usePort_;
    std::unique_ptr<RecordingSoundOutput> sound_;
    std::unique_ptr<ScopedSoundOutput> useSound_;

    fs::path home() const { return fs::path(home_->path().toStdString()); }

    std::string sampleCopy() {
        const fs::path copy = home() / "site.dat";
        fs::copy_file(guitest::sampleDatabase(), copy, fs::copy_options::overwrite_existing);
        return copy.string();
    }

    void loadSample() {
        db().currentFile = sampleCopy();
        FileLoad(db());
        QVERIFY(db().loaded);
        prompter_->clearRecords();
    }

    static void typeKey(QWidget* w, char c) { QTest::keyClicks(w, QString(QChar::fromLatin1(c))); }

  private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        setAppFolder(home());
        resetProcessDatabase();
        linkPreferences() = LinkPreferences{};
        linkState() = LinkState{};
        prompter_ = std::make_unique<ScriptedPrompter>();
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        clock_ = std::make_unique<VirtualClock>();
        useClock_ = std::make_unique<ScopedClock>(*clock_);
        port_ = std::make_unique<FakeSerialPort>();
        port_->setDevices({"/dev/ttyS0", "/dev/ttyS1"});
        port_->setResponder(
            [](const std::string& line) { return line.empty() ? std::string() : "+"; });
        usePort_ = std::make_unique<ScopedSerialPort>(*port_);
        sound_ = std::make_unique<RecordingSoundOutput>();
        useSound_ = std::make_unique<ScopedSoundOutput>(*sound_);
        setLoadTerminateHook([] { qWarning("the loader asked to end the program"); });
    }

    void cleanup() {
        useSound_.reset();
        usePort_.reset();
        useClock_.reset();
        usePrompter_.reset();
        setLoadTerminateHook({});
        setAppFolder({});
        home_.reset();
    }

    void unlockWindowShowsTheCodesAndKeepsTheFocusOnARefusal() {
        loadSample();
        linkPreferences().ComPort = 1;
        UnlockWindow window(db());
        QCOMPARE(window.windowTitle(), QStringLiteral("Unlock, Lock, and Terminator"));
        QVERIFY(guitest::showAndActivate(&window));
        QCOMPARE(guitest::findControl<QLineEdit>(&window, "CurrentPortUnlock(2)")->text(),
                 QStringLiteral("26937"));
        QCOMPARE(guitest::findControl<QLineEdit>(&window, "CurrentLock")->text(),
                 QStringLiteral("#"));
        auto* unlock1 = guitest::findControl<QLineEdit>(&window, "NewPortUnlockSet(1)");
        auto* lock = guitest::findControl<QLineEdit>(&window, "NewLockSet");
        guitest::typeInto(unlock1, QStringLiteral("123456789"));
        QVERIFY(showsChangedColour(unlock1));
        lock->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t{1});
        QCOMPARE(prompter_->lastMessageBox().title, std::string("Unlock Code Port 1"));
        QTRY_VERIFY(unlock1->hasFocus());

        guitest::typeInto(unlock1, QStringLiteral("12ab"));
        QCOMPARE(unlock1->text(), QStringLiteral("12AB"));
        guitest::typeInto(lock, QStringLiteral("77"));
        prompter_->queueAnswer(Answer::Yes);
        QTest::mouseClick(guitest::findControl<QPushButton>(&window, "cmdSend"), Qt::LeftButton);
        QCOMPARE(QString::fromStdString(port_->written()),
                 QStringLiteral("\r1*900012AB\r1*901077\r"));
        QCOMPARE(guitest::findControl<QLineEdit>(&window, "CurrentPortUnlock(1)")->text(),
                 QStringLiteral("12AB"));
        QCOMPARE(ReadSetting("Unlock", "Lock", db().currentFile), std::string("77"));
        QVERIFY(unlock1->text().isEmpty());
        QVERIFY(unlock1->styleSheet().isEmpty());
    }

    // Configure > Use Serial Port > Network...: the test asks the controller behind the address
    // and shows its answer (or why there is none); OK stores the address as the entry's device,
    // with its trust, and the menu names it.
    void networkPortDialogTestsAndStoresTheAddress() {
        port_->setResponder([](const std::string& line) {
            return line == "1GetVersion" ? std::string("7000\r\n+\r\n") : std::string();
        });
        KelpMain main;
        linkPreferences().ComPort = 2;
        std::string offered = "AB";
        for (int i = 1; i < 32; ++i) offered += ":AB";
        bool driven = false;
        // The dialog is modal: it is driven from the event loop it runs.
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<NetworkPortDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            // A failed check returns early: the dialog is closed all the same.
            const std::unique_ptr<QDialog, void (*)(QDialog*)> closer(dialog, [](QDialog* d) {
                if (d->isVisible())
                    d->reject();
            });
            QCOMPARE(dialog->comEntry(), 2);
            guitest::findControl<QComboBox>(dialog, "cboScheme")->setCurrentIndex(3);
            guitest::typeInto(guitest::findControl<QLineEdit>(dialog, "txtHost"),
                              QStringLiteral("hilltop.example.org"));
            guitest::findControl<QSpinBox>(dialog, "txtPort")->setValue(3001);
            auto* result = guitest::findControl<QLabel>(dialog, "lblTestResult");
            auto* test = guitest::findControl<QPushButton>(dialog, "cmdTest");
            QTest::mouseClick(test, Qt::LeftButton);
            QCOMPARE(result->text(), QStringLiteral("The QZ740 answered: firmware version 7000"));
            QCOMPARE(port_->events().front(),
                     std::string("open rfc2217+tls://hilltop.example.org:3001"));
            QVERIFY(!port_->isOpen());

            // An untrusted server's fingerprint is offered for pinning by the button beside the
            // message; the window grows with it (rows keep their height); the pin clears it.
            auto* host = guitest::findControl<QLineEdit>(dialog, "txtHost");
            const int rowHeight = host->height();
            port_->failOpen("the server's certificate is not trusted (self-signed); it offered "
                            "the SHA-256 fingerprint " + offered);
            QTest::mouseClick(test, Qt::LeftButton);
            QVERIFY(result->text().startsWith(QStringLiteral("Kelp could not open")));
            QVERIFY(result->text().contains("\"Pin This Certificate\""));
            QTest::qWait(50);
            QCOMPARE(host->height(), rowHeight);
            port_->failOpen("");
            QTest::mouseClick(guitest::findControl<QPushButton>(dialog, "cmdPin"), Qt::LeftButton);
            QVERIFY(result->text().isEmpty());
            QCOMPARE(guitest::findControl<QLineEdit>(dialog, "txtFingerprint")->text().toStdString(),
                     offered);
            guitest::findControl<QCheckBox>(dialog, "chkUseNow")->setChecked(false);
            dialog->accept();
            driven = true;
        });
        main.findChild<QAction*>(QStringLiteral("mnuNetworkPort"))->trigger();
        QVERIFY(driven);
        QCOMPARE(comDevice(2), std::string("rfc2217+tls://hilltop.example.org:3001"));
        QCOMPARE(tlsTrust(comDevice(2)).fingerprint, offered);
        QVERIFY(main.findChild<QAction*>(QStringLiteral("mnuCom(2)"))->text().endsWith(
            QStringLiteral("\trfc2217+tls://hilltop.example.org:3001")));
    }

    // A file whose lock code equals its terminator opens the unlock window right after it is
    // loaded, and the flag is cleared.
    void unlockWindowOpensAfterLoadingAFileWithALockConflict() {
        const std::string file = sampleCopy();
        WriteSetting("Unlock", "Lock", "D", file);
        KelpMain main;
        prompter_->queueOpenFile(fs::path(file));
        QString shown;
        // The window is modal: it is found and closed from the event loop it runs.
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal->objectName() != QStringLiteral("frmUnlock"))
                return;
            poll.stop();
            shown = modal->objectName();
            QTest::mouseClick(guitest::findControl<QPushButton>(modal, "cmdClose"), Qt::LeftButton);
        });
        poll.start(20);
        main.fileCommands().open();
        QVERIFY(db().loaded);
        QCOMPARE(shown, QStringLiteral("frmUnlock"));
        QVERIFY(!db().lockConflict);
    }

    void manualSendTakesOnlyDtmfDigitsTypedOrPastedAndEnterSendsTheLine() {
        linkPreferences().ComPort = 1;
        ManualSendWindow window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Manual Send Data To QZ740"));
        QCOMPARE(window.objectName(), QStringLiteral("ManualSendData"));
        QVERIFY(guitest::showAndActivate(&window));
        auto* box = guitest::findControl<QLineEdit>(&window, "ManualSendData");
        box->setFocus();
        typeKey(box, 'x');
        QCOMPARE(box->text(), QString());
        QCOMPARE(prompter_->records().back().kind, PromptRecord::Kind::Beep);
        typeKey(box, 'b');
        QCOMPARE(box->text(), QStringLiteral("B"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, QStringLiteral("*1000150"));
        QCOMPARE(window.command().pending(), std::string("999*1000150"));
        const std::int64_t before = clock_->nowMs();
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(QString::fromStdString(port_->written()), QStringLiteral("\r999*1000150\r"));
        QVERIFY(clock_->nowMs() - before >= 100);
        QVERIFY(!port_->isOpen());
        QCOMPARE(box->text(), QString());

        // DTMF mode: the digits as typed, then the lock code, and the transmitter released.
        linkPreferences().ComPort = 0;
        linkPreferences().DTMFComPort = 2;
        db().set("Lock", "43");
        db().set("Terminator", "D");
        QTest::keyClicks(box, QStringLiteral("12"));
        QCOMPARE(window.command().pending(), std::string("12"));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(sound_->played().size(), std::size_t{5});
        QVERIFY(sound_->played()[2].wav == toneWav(770, 1209, kDtmfDigitSeconds));  // 4
        QVERIFY(sound_->played()[4].wav == toneWav(941, 1633, kDtmfDigitSeconds));  // D
        QVERIFY(!port_->isOpen());

        // A paste goes through the same filter; Tab moves on and Escape closes the window.
        QApplication::clipboard()->setText(QStringLiteral("*a x\u00e9#"));
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->text(), QStringLiteral("*A#"));
        QCOMPARE(prompter_->records().back().kind, PromptRecord::Kind::Beep);
        QTest::keyClick(box, Qt::Key_Tab);
        QVERIFY(!box->hasFocus());
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        QVERIFY(!ReadSetting("Manualsend", "Window Width", preferencesFile().string()).empty());
    }

    void padPlaysItsTonesAndNeverLeavesTheTransmitterKeyed() {
        linkPreferences().ComPort = 0;
        linkPreferences().DTMFComPort = 2;
        linkPreferences().TxTemp = 600;
        auto pad = std::make_unique<TTPad>();
        QCOMPARE(pad->windowTitle(), QStringLiteral("DTMF Dialer"));
        QTest::mouseClick(guitest::findControl<QPushButton>(pad.get(), "cmdNum(11)"),
                          Qt::LeftButton);
        QTest::mouseClick(guitest::findControl<QPushButton>(pad.get(), "cmdNum(16)"),
                          Qt::LeftButton);
        QCOMPARE(sound_->played().size(), std::size_t{2});
        QVERIFY(sound_->played()[0].wav == toneWav(941, 1209, kDtmfDigitSeconds));
        QVERIFY(sound_->played()[1].wav == toneWav(941, 1633, kDtmfDigitSeconds));
        QCOMPARE(guitest::findControl<QLineEdit>(pad.get(), "txtNum")->text(),
                 QStringLiteral("*D"));

        const std::int64_t before = clock_->nowMs();
        QTest::mouseClick(guitest::findControl<QPushButton>(pad.get(), "TxSet"), Qt::LeftButton);
        QVERIFY(clock_->nowMs() - before >= 600);
        QVERIFY(port_->isOpen() && port_->rts());
        QVERIFY(pad->keyed());
        QTest::mouseClick(guitest::findControl<QPushButton>(pad.get(), "RxSet"), Qt::LeftButton);
        QVERIFY(!port_->isOpen());

        QTest::mouseClick(guitest::findControl<QPushButton>(pad.get(), "TxSet"), Qt::LeftButton);
        QVERIFY(port_->isOpen());
        QTest::mouseClick(guitest::findControl<QPushButton>(pad.get(), "Exit"), Qt::LeftButton);
        QVERIFY(!port_->isOpen());  // closing releases it

        // A digit that cannot be played releases the transmitter before its box is shown.
        QTest::mouseClick(guitest::findControl<QPushButton>(pad.get(), "TxSet"), Qt::LeftButton);
        sound_->fail("device unplugged");
        QTest::mouseClick(guitest::findControl<QPushButton>(pad.get(), "cmdNum(5)"),
                          Qt::LeftButton);
        QCOMPARE(prompter_->lastMessageBox().title, std::string(kSoundErrorTitle));
        QVERIFY(!port_->isOpen());
        QVERIFY(!pad->keyed());

        QTest::mouseClick(guitest::findControl<QPushButton>(pad.get(), "TxSet"), Qt::LeftButton);
        pad.reset();  // and so does the program ending with the pad open
        QVERIFY(!port_->isOpen());
    }
};

QTEST_MAIN(LinkWindowsTest)
#include "link_windows_test.moc"
