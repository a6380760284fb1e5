// The Update window and "Upload to QZ740", driven through their buttons against an in-process
// controller on a fake serial port, in virtual time.
#include "gui/transfer/update_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "core/app/app_folder.h"
#include "core/app/scripted_prompter.h"
#include "core/session/sent_record.h"
#include "core/database/dat_file.h"
#include "core/database/ini_file.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/sound_output.h"
#include "gui/kelp_main.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/recording_sound_output.h"
#include "tests/support/virtual_clock.h"

using namespace kelp;
namespace fs = std::filesystem;

class UpdateWindowTest : public QObject {
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

    template <typename T>
    static T* find(QWidget* window, const QString& name) {
        T* w = window->findChild<T*>(name);
        if (w == nullptr)
            qFatal("no control %s", qPrintable(name));
        return w;
    }

    // The sample database, loaded from a copy in the test's folder.
    void loadSample() {
        const fs::path copy = home() / "site.dat";
        fs::copy_file(guitest::sampleDatabase(), copy, fs::copy_options::overwrite_existing);
        db().currentFile = copy.string();
        FileLoad(db());
        QVERIFY(db().loaded);
        prompter_->clearRecords();
    }

    // Lines the controller received, without their CR (the opening's lone CR left out).
    QStringList linesSent() const {
        QStringList lines = QString::fromStdString(port_->written()).split('\r');
        lines.removeAll(QString());
        return lines;
    }

    // The controller accepts every command; the lone CR that opens the link gets nothing.
    static std::string answerPlus(const std::string& line) {
        return line.empty() ? std::string() : std::string("+");
    }

    QString lastBox() const {
        const PromptRecord& box = prompter_->lastMessageBox();
        return QString::fromStdString(box.title + " | " + box.text);
    }

  private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        setAppFolder(home());
        resetProcessDatabase();
        linkPreferences() = LinkPreferences{};
        linkPreferences().ComPort = 1;
        linkState() = LinkState{};
        UpdateInterrupted() = false;
        prompter_ = std::make_unique<ScriptedPrompter>();
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        clock_ = std::make_unique<VirtualClock>();
        useClock_ = std::make_unique<ScopedClock>(*clock_);
        port_ = std::make_unique<FakeSerialPort>();
        port_->setDevices({"/dev/ttyS0", "/dev/ttyS1"});
        port_->setResponder(answerPlus);
        usePort_ = std::make_unique<ScopedSerialPort>(*port_);
        sound_ = std::make_unique<RecordingSoundOutput>();
        useSound_ = std::make_unique<ScopedSoundOutput>(*sound_);
        setLoadTerminateHook([] { qWarning("the loader asked to end the program"); });
    }

    void cleanup() {
        useSound_.reset();
        sound_.reset();
        usePort_.reset();
        port_.reset();
        useClock_.reset();
        clock_.reset();
        usePrompter_.reset();
        prompter_.reset();
        setLoadTerminateHook({});
        setAppFolder({});
        home_.reset();
    }

    void opensWithTheProgressHidden() {
        Update update(db());
        QCOMPARE(update.windowTitle(), QString("Send To QZ740"));
        QStringList captions;
        for (const char* name : {"Update", "Complete", "Interrupt", "Close"})
            captions << find<QPushButton>(&update, name)->text();
        QCOMPARE(captions, (QStringList{"&Update Changes Only", "&Send Complete Config",
                                        "&Interrupt Upload", "&Close"}));
        QCOMPARE(find<QLabel>(&update, "ProgressLabel")->text(), QString("Upload Progress"));
        QCOMPARE(find<QLabel>(&update, "lblReset1")->text(), QString("Controller Resetting"));
        QCOMPARE(find<QLabel>(&update, "lblReset2")->text(), QString("Please Wait"));
        update.show();
        for (const char* name : {"ProgressLabel", "PercentProgress", "lblReset1", "lblReset2"})
            QVERIFY2(!find<QLabel>(&update, name)->isVisible(), name);
        QVERIFY(!find<QProgressBar>(&update, "ProgressBar1")->isVisible());
    }

    // The window says how the open file stands against what the controller holds, and a
    // changes-only upload sends what differs from that record although no flag was set.
    void saysAndSendsWhatDiffersFromTheController() {
        loadSample();
        {
            Update update(db());
            update.show();
            QVERIFY(find<QLabel>(&update, "ControllerHolds")->text().startsWith("No record"));
        }
        recordWholeDatabase(db());
        db().set("FanTime", "7");  // as a file edited and saved after that upload
        Update update(db());
        update.show();
        QCOMPARE(find<QLabel>(&update, "ControllerHolds")->text(),
                 QString("1 setting differs from what the QZ740 holds: Update Changes Only "
                         "sends it."));
        find<QPushButton>(&update, "Update")->click();
        QCOMPARE(linesSent(), (QStringList{"1*10047"}));
        update.show();
        QVERIFY(find<QLabel>(&update, "ControllerHolds")->text().startsWith("The QZ740 holds"));
    }

    // Port 1's hang timers were changed: the changes-only upload sends them over the serial
    // line, or plays them in DTMF mode, and reports "Update Complete" without a reset.
    void changesOnlySendsTheFlaggedGroup_data() {
        QTest::addColumn<bool>("dtmf");
        QTest::newRow("serial") << false;
        QTest::newRow("dtmf") << true;
    }
    void changesOnlySendsTheFlaggedGroup() {
        QFETCH(bool, dtmf);
        loadSample();
        if (dtmf) {
            linkPreferences().ComPort = 0;
            linkPreferences().DTMFComPort = 2;
        }
        db().set("HangTime1", 1, "60");
        db().setUploadFlag(UploadFlag::HangTimers, 1, true);
        Update update(db());
        update.show();
        find<QPushButton>(&update, "Update")->click();

        QCOMPARE(lastBox(), QString("Selective Update | Update Complete"));
        QVERIFY(!db().uploadFlag(UploadFlag::HangTimers, 1));
        QVERIFY(!update.isVisible());
        QVERIFY(!update.uploading());
        QVERIFY(!find<QProgressBar>(&update, "ProgressBar1")->isVisible());
        if (dtmf) {
            QVERIFY(!sound_->played().empty());
            QVERIFY(!linesSent().contains("1*1000160"));
        } else {
            QVERIFY(sound_->played().empty());
            QCOMPARE(linesSent().first(), QString("1*1000160"));
            QVERIFY(!linesSent().contains("1*21999"));
        }
        QVERIFY(!port_->isOpen());
    }

    void completeUploadShowsProgressThenResets() {
        loadSample();
        Update update(db());
        update.show();
        auto* bar = find<QProgressBar>(&update, "ProgressBar1");
        auto* percent = find<QLabel>(&update, "PercentProgress");
        int highest = 0;
        int maximum = 0;
        bool shownThroughout = true;
        QString percentAtHighest;
        port_->setResponder([&](const std::string& line) {
            if (line == "1*21999")
                return std::string();  // the controller restarts instead of answering
            shownThroughout = shownThroughout && bar->isVisible() && percent->isVisible();
            if (bar->value() > highest) {
                highest = bar->value();
                percentAtHighest = percent->text();
            }
            maximum = bar->maximum();
            return answerPlus(line);
        });
        find<QCheckBox>(&update, "chkBackup")->setChecked(false);
        prompter_->queueAnswer(Answer::Yes);
        find<QPushButton>(&update, "Complete")->click();

        QCOMPARE(QString::fromStdString(prompter_->messageBoxes().front().title),
                 QString("Send Complete Configuration"));
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("Complete Upload"));
        QVERIFY(shownThroughout);
        QCOMPARE(maximum, UploadProgress::totalSteps(true) + 1);
        QVERIFY2(highest > 1000, qPrintable(QString::number(highest)));
        QVERIFY2(percentAtHighest.startsWith("9") || percentAtHighest.startsWith("100"),
                 qPrintable(percentAtHighest));
        QCOMPARE(linesSent().last(), QString("1*21999"));
        QVERIFY(!port_->isOpen());
        // After the reset the progress is put away.
        QVERIFY(!bar->isVisible());
        QCOMPARE(bar->value(), 0);
        QCOMPARE(percent->text(), QString("0% Complete"));
        QVERIFY(!find<QLabel>(&update, "lblReset1")->isVisible());
        QVERIFY(!update.isVisible());
    }

    // The backup is on by default over the cable; a controller that will not send its memory
    // gets no programming line at all.
    void aFailedBackupStopsTheUploadBeforeItsFirstCommand() {
        loadSample();
        Update update(db());
        update.show();
        QVERIFY(find<QCheckBox>(&update, "chkBackup")->isChecked());
        port_->setResponder([](const std::string& line) {
            return line == "1SendEram" ? std::string("-\r\n") : answerPlus(line);
        });
        prompter_->queueAnswer(Answer::Yes);
        find<QPushButton>(&update, "Complete")->click();
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("Backup Failed"));
        for (const QString& line : linesSent()) QVERIFY2(!line.contains('*'), qPrintable(line));
        QVERIFY(!port_->isOpen());
    }

    void interruptAnsweredYesStopsTheUpload() {
        loadSample();
        Update update(db());
        update.show();
        // The controller takes a moment over each command, so the window is waiting on it
        // when the operator presses "Interrupt" during the fifth one.
        port_->setResponseDelayMs(20);
        bool pressed = false;
        clock_->setYieldHook([&] {
            if (!pressed && linesSent().size() >= 5) {
                pressed = true;
                QVERIFY(!find<QPushButton>(&update, "Complete")->isEnabled());
                find<QPushButton>(&update, "Interrupt")->click();
            }
        });
        find<QCheckBox>(&update, "chkBackup")->setChecked(false);
        prompter_->queueAnswer(Answer::Yes);  // send the complete configuration
        prompter_->queueAnswer(Answer::Yes);  // interrupt it
        find<QPushButton>(&update, "Complete")->click();

        QVERIFY(pressed);
        QStringList titles;
        for (const PromptRecord& box : prompter_->messageBoxes())
            titles << QString::fromStdString(box.title);
        QCOMPARE(titles, (QStringList{"Send Complete Configuration", "Interrupt Update", "Wait",
                                      "Update Error"}));
        // The command in progress is finished, nothing after it is sent, and no reset.
        QCOMPARE(linesSent().size(), 5);
        QVERIFY(!linesSent().contains("1*21999"));
        QVERIFY(!UpdateInterrupted());
        QVERIFY(!update.isVisible());
        QVERIFY(!port_->isOpen());
    }

    void interruptAnsweredNoGoesOn() {
        loadSample();
        Update update(db());
        update.show();
        port_->setResponseDelayMs(20);
        bool pressed = false;
        clock_->setYieldHook([&] {
            if (!pressed && linesSent().size() >= 3) {
                pressed = true;
                find<QPushButton>(&update, "Interrupt")->click();
            }
        });
        find<QCheckBox>(&update, "chkBackup")->setChecked(false);
        prompter_->queueAnswer(Answer::Yes);
        prompter_->queueAnswer(Answer::No);
        find<QPushButton>(&update, "Complete")->click();
        QVERIFY(pressed);
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("Complete Upload"));
        QCOMPARE(linesSent().last(), QString("1*21999"));
    }

    // Closing mid-upload must not leave the upload running on a closed port, where every
    // remaining command would count as sent without leaving the computer.
    void closeDuringAnUploadStopsIt() {
        loadSample();
        db().setUploadFlag(UploadFlag::HangTimers, 1, true);
        db().setUploadFlag(UploadFlag::HangTimers, 2, true);
        Update update(db());
        update.show();
        port_->setResponseDelayMs(20);
        bool pressed = false;
        clock_->setYieldHook([&] {
            if (!pressed && !linesSent().isEmpty()) {
                pressed = true;
                find<QPushButton>(&update, "Close")->click();
            }
        });
        find<QPushButton>(&update, "Update")->click();
        QVERIFY(pressed);
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("Update Error"));
        QVERIFY(db().uploadFlag(UploadFlag::HangTimers, 2));
        QVERIFY(!port_->isOpen());
    }

    void closeSavesTheGeometry() {
        {
            Update update(db());
            update.setGeometry(40, 60, 520, 300);
            update.show();
            find<QPushButton>(&update, "Close")->click();
            QVERIFY(!update.isVisible());
        }
        const IniFile ini = IniFile::load(home() / "kelp.ini");
        QCOMPARE(QString::fromStdString(ini.read("Update", "Window Width")), QString("7800"));
        QCOMPARE(QString::fromStdString(ini.read("Update", "Window Height")), QString("4500"));
        QCOMPARE(QString::fromStdString(ini.read("Update", "Window Top")), QString("900"));
        QCOMPARE(QString::fromStdString(ini.read("Update", "Window Left")), QString("600"));
        QCOMPARE(QString::fromStdString(ini.read("Update", "Window State")), QString("0"));
        // The main window's own keys are not touched.
        QVERIFY(!ini.value("Main", "Window Width"));

        Update again(db());
        QCOMPARE(again.geometry(), QRect(40, 60, 520, 300));
        QVERIFY(prompter_->messageBoxes().empty());
    }

    void closeAfterAPortFailureKeepsTheOldGeometry() {
        linkState().PortOpenError = true;
        Update update(db());
        update.show();
        find<QPushButton>(&update, "Close")->click();
        QVERIFY(!fs::exists(home() / "kelp.ini"));
    }

    void badGeometryIsReportedAndTheWindowStillOpens() {
        std::ofstream(home() / "kelp.ini")
            << "[Update]\r\nWindow Width=wide\r\nWindow Height=4500\r\nWindow Top=0\r\n"
               "Window Left=0\r\nWindow State=0\r\n";
        Update update(db());
        QVERIFY(prompter_->lastMessageBox().text.find("Location = Update: Form_Load") !=
                std::string::npos);
        QVERIFY(update.width() > 300);
    }

    void uploadCommandWithoutADatabase() {
        KelpMain main;
        for (const char* name : {"mnuQZ740Upload", "Upload"}) {
            prompter_->clearRecords();
            find<QAction>(&main, name)->trigger();
            QCOMPARE(lastBox(), QString("Controller Update Error | You do not have a DAT file open "
                                        "to be loaded to the controller"));
        }
        QVERIFY(port_->written().empty());
    }

    void uploadCommandAsksTheControllerThenOpensTheWindow() {
        KelpMain main;
        linkPreferences().ComPort = 1;  // the main window read DTMF mode from an empty kelp.ini
        main.fileCommands().openPath([this] {
            const fs::path copy = home() / "site.dat";
            fs::copy_file(guitest::sampleDatabase(), copy);
            return copy.string();
        }());
        QVERIFY(db().loaded);
        port_->setResponder([](const std::string& line) {
            return line == "1GetVersion" ? std::string("7005\r\n+") : answerPlus(line);
        });
        QString seenTitle;
        bool progressHidden = false;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr)
                return;
            seenTitle = modal->windowTitle();
            progressHidden = !find<QProgressBar>(modal, "ProgressBar1")->isVisible();
            find<QPushButton>(modal, "Close")->click();
        });
        find<QAction>(&main, "mnuQZ740Upload")->trigger();
        QCOMPARE(seenTitle, QString("Send To QZ740"));
        QVERIFY(progressHidden);
        QCOMPARE(QString::fromStdString(db().firmwareVersion), QString("7005"));
        QVERIFY(main.findChild<Update*>() == nullptr);
    }
};

QTEST_MAIN(UpdateWindowTest)
#include "update_window_test.moc"
