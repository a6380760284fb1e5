// One operation at a time: while a long operation waits on the controller or plays a tone,
// every command that would use the link, replace the database or close a window is turned
// away, nothing is freed under the operation, and the operation ends as it would have.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "core/app/app_folder.h"
#include "core/app/busy_state.h"
#include "core/app/scripted_prompter.h"
#include "core/database/dat_file.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/dtmf_tones.h"
#include "gui/kelp_main.h"
#include "gui/manual/manual_send_window.h"
#include "gui/manual/tt_pad.h"
#include "gui/transfer/compare_window.h"
#include "gui/transfer/update_window.h"
#include "gui/unlock/unlock_window.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/fake_controller.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/recording_sound_output.h"
#include "tests/support/virtual_clock.h"

using namespace kelp;
using kelp::guitest::findControl;
namespace fs = std::filesystem;

namespace {

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines(const fs::path& file) {
    std::vector<std::string> out;
    std::istringstream in(fileText(file));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
    }
    return out;
}

// Runs body on the first modal window of type T, from the event loop that window's exec()
// turns.
template <typename T>
void onModal(std::function<void(T*)> body) {
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, body] {
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            body(window);
        }
    });
    timer->start();
}

void trigger(QWidget* window, const char* name) {
    findControl<QAction>(window, QString::fromLatin1(name))->trigger();
}

}  // namespace

class OneOperationTest : public QObject {
    Q_OBJECT

    struct Operation {
        const char* name;
        const char* busyName;  // what the busy state calls it while it runs
        int tab;               // the editor it runs from (-1: the main window)
        bool reloads;          // it replaces the database itself
        std::function<void(KelpMain&)> run;
        std::function<bool()> ready;  // the moment to try a command: the operation waits
        std::function<QString()> ended;
    };
    struct Command {
        const char* name;
        std::function<void(KelpMain&)> attempt;
    };

    // Everything a run needs, installed in order and put away in reverse.
    struct Rig {
        QTemporaryDir home;
        ScriptedPrompter prompter;
        ScopedPrompter usePrompter{prompter};
        VirtualClock clock;
        ScopedClock useClock{clock};
        FakeSerialPort port;
        ScopedSerialPort usePort{port};
        testing::FakeController controller{port};
        RecordingSoundOutput sound;
        ScopedSoundOutput useSound{sound};
    };
    std::unique_ptr<Rig> rig_;
    ScriptedPrompter* prompter_ = nullptr;
    VirtualClock* clock_ = nullptr;
    FakeSerialPort* port_ = nullptr;
    testing::FakeController* controller_ = nullptr;
    RecordingSoundOutput* sound_ = nullptr;

    fs::path home() const { return fs::path(rig_->home.path().toStdString()); }

    bool heard(const std::string& prefix) const {
        for (const std::string& line : controller_->heard())
            if (line.rfind(prefix, 0) == 0)
                return true;
        return false;
    }
    bool shown(const std::string& titleOrText) const {
        for (const PromptRecord& box : prompter_->messageBoxes())
            if (box.title == titleOrText || box.text == titleOrText)
                return true;
        return false;
    }
    QString boxes() const {
        QStringList all;
        for (const PromptRecord& box : prompter_->messageBoxes())
            all << QString::fromStdString(box.title);
        return all.join(" | ");
    }

    std::vector<Operation> operations() {
        const auto waitingOn = [this](const char* line) {
            return [this, line] { return heard(line); };
        };
        return {
            {"upload", "The upload", -1, false,
             [](KelpMain& main) {
                 db().setUploadFlag(UploadFlag::HangTimers, 1, true);
                 onModal<Update>([](Update* w) { findControl<QPushButton>(w, "Update")->click(); });
                 trigger(&main, "mnuQZ740Upload");
             },
             waitingOn("1*1000"),
             [] {
                 return db().uploadFlag(UploadFlag::HangTimers, 1) ? QString("flag left set")
                                                                    : QString();
             }},
            {"backup", "The upload", -1, false,
             [this](KelpMain& main) {
                 onModal<Update>([this](Update* w) {
                     prompter_->queueAnswer(Answer::Yes);  // send the complete configuration
                     findControl<QPushButton>(w, "Complete")->click();
                 });
                 trigger(&main, "mnuQZ740Upload");
             },
             [this] { return heard("1SendEram") && !heard("1*"); },
             [this] {
                 return controller_->heard().back() == "1*21999" ? QString()
                                                                 : QString("no reset at the end");
             }},
            {"download", "The download", -1, true,
             [this](KelpMain& main) {
                 prompter_->queueAnswer(Answer::Yes);  // "Confirm Download"
                 trigger(&main, "Download");
             },
             waitingOn("1SendEram"),
             [this] {
                 return shown("Download from QZ740") ? QString() : QString("not downloaded");
             }},
            {"compare", "The comparison with the QZ740", -1, false,
             [this](KelpMain& main) {
                 prompter_->queueAnswer(Answer::No);  // no autopatch memory
                 onModal<CompareWindow>([this](CompareWindow* w) {
                     compared_ = true;
                     w->reject();
                 });
                 trigger(&main, "mnuCompare");
             },
             waitingOn("1SendEram"), [this] { return compared_ ? QString() : QString("no compare"); }},
            {"erase", "Erase All Macros", 2, false,
             [this](KelpMain& main) {
                 prompter_->queueAnswer(Answer::Yes);  // erase everything
                 findControl<QPushButton>(main.editorWindow(2), "Erase")->click();
             },
             waitingOn("1*4004"),
             [this] {
                 return shown("Erase All Macros") && db().get("Macro", 1) == "NONE STORED"
                            ? QString()
                            : QString("not erased");
             }},
            {"set clock", "Set Clock", -1, false, [](KelpMain& main) { trigger(&main, "Set Clock"); },
             waitingOn("1*5101"), [this] { return shown("Done") ? QString() : QString("not set"); }},
            {"voice recorder track", "The voice recorder track", 6, false,
             [this](KelpMain& main) {
                 QWidget* messages = main.editorWindow(6);
                 prompter_->queueOpenFile(wav_);
                 findControl<QPushButton>(messages, "GetFile")->click();
                 findControl<QPushButton>(messages, "SendToQZ740")->click();
             },
             waitingOn("1*7002"),
             [this] {
                 return shown("Wav File Upload Complete.") ? QString() : QString("not recorded");
             }},
            {"code send", "Sending the codes", -1, false,
             [this](KelpMain& main) {
                 onModal<UnlockWindow>([this](UnlockWindow* w) {
                     auto* lock = findControl<QLineEdit>(w, "NewLockSet");
                     lock->setFocus();
                     QTest::keyClicks(lock, "99");
                     prompter_->queueAnswer(Answer::Yes);  // "UPDATE CONTROLLER"
                     findControl<QPushButton>(w, "cmdSend")->click();
                     findControl<QPushButton>(w, "cmdClose")->click();
                 });
                 showUnlockWindow(&main);
             },
             [this] { return !controller_->heard().empty(); },
             [] { return db().get("Lock") == "99" ? QString() : QString("lock not changed"); }},
            {"manual send", "Manual send", -1, false,
             [](KelpMain& main) {
                 onModal<ManualSendWindow>([](ManualSendWindow* w) {
                     QLineEdit* box = w->findChild<QLineEdit*>();
                     QTest::keyClicks(box, "123");
                     QTest::keyClick(box, Qt::Key_Return);
                     findControl<QPushButton>(w, "Close")->click();
                 });
                 trigger(&main, "MnuManualData");
             },
             [] { return true; },
             [this] { return heard("999123") ? QString() : QString("not sent"); }},
            {"courtesy tone preview", "The courtesy tone preview", 1, false,
             [](KelpMain& main) {
                 findControl<QPushButton>(main.editorWindow(1), "Preview")->click();
                 // The tone is played from the event loop.
                 for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
             },
             [] { return true; },
             [this] { return sound_->played().empty() ? QString("nothing played") : QString(); }},
            {"pad", "The DTMF test pad", -1, false,
             [](KelpMain& main) {
                 onModal<TTPad>([](TTPad* w) {
                     findControl<QPushButton>(w, "cmdNum(1)")->click();
                     findControl<QPushButton>(w, "Exit")->click();
                 });
                 trigger(&main, "MnuTestPad");
             },
             [] { return true; },
             [this] { return sound_->played().size() == 1 ? QString() : QString("no digit"); }},
        };
    }

    static std::vector<Command> commands() {
        return {
            {"Open", [](KelpMain& m) { trigger(&m, "mnuFileOpen"); }},
            {"recent file", [](KelpMain& m) { trigger(&m, "mnuFilesList(1)"); }},
            {"Save", [](KelpMain& m) { trigger(&m, "mnuFileSave"); }},
            {"reload", [](KelpMain& m) { trigger(&m, "mnuRTCno"); }},
            {"Download", [](KelpMain& m) { trigger(&m, "Download"); }},
            {"Upload", [](KelpMain& m) { trigger(&m, "Upload"); }},
            {"Compare", [](KelpMain& m) { trigger(&m, "mnuCompare"); }},
            {"History", [](KelpMain& m) { trigger(&m, "mnuHistory"); }},
            {"Reset QZ740", [](KelpMain& m) { trigger(&m, "Button9"); }},
            {"Set Clock", [](KelpMain& m) { trigger(&m, "Set Clock"); }},
            // A download unloads the editors before it asks for the memory: then there is no
            // editor to click or close.
            {"Erase All Macros",
             [](KelpMain& m) {
                 if (QWidget* macros = m.editorWindow(2))
                     findControl<QPushButton>(macros, "Erase")->click();
             }},
            {"another tab",
             [](KelpMain& m) {
                 QTabBar* bar = m.tabStrip()->tabBar();
                 const int other = (bar->currentIndex() + 4) % bar->count();
                 QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(other).center());
             }},
            {"close the editor",
             [](KelpMain& m) {
                 if (QWidget* editor = m.editorWindow(m.tabStrip()->currentIndex()))
                     editor->close();
             }},
            // Answered No: the operation goes on.
            {"close the main window",
             [](KelpMain& m) {
                 dynamic_cast<ScriptedPrompter&>(currentPrompter()).queueAnswer(Answer::No);
                 m.close();
             }},
            {"Exit", [](KelpMain& m) { trigger(&m, "mnuFileExit"); }},
        };
    }

    fs::path wav_;
    bool compared_ = false;

  private slots:
    void init() {
        rig_ = std::make_unique<Rig>();
        prompter_ = &rig_->prompter;
        clock_ = &rig_->clock;
        port_ = &rig_->port;
        controller_ = &rig_->controller;
        sound_ = &rig_->sound;
        setAppFolder(home());
        resetProcessDatabase();
        linkPreferences() = LinkPreferences{};
        linkState() = LinkState{};
        port_->setDevices({"/dev/ttyS0"});
        // The controller takes a moment over everything, so each operation waits on it.
        controller_->acceptCommands = true;
        controller_->delayMs = 20;
        controller_->version = "7005";
        controller_->mainLines = lines(fs::path(KELP_TEST_DATA) / "sample_main.mem");
        controller_->rtcChunks = {fileText(fs::path(KELP_TEST_DATA) / "sample_rtc.mem")};
        setLoadTerminateHook([] { qWarning("the loader asked to end the program"); });
        wav_ = home() / "greeting.wav";
        const auto tone = toneWav(440, 880, 0.5);
        std::ofstream(wav_, std::ios::binary)
            .write(reinterpret_cast<const char*>(tone.data()),
                   static_cast<std::streamsize>(tone.size()));
        compared_ = false;
    }

    void cleanup() {
        setLoadTerminateHook({});
        setAppFolder({});
        rig_.reset();
    }

    void nothingStartsUnderARunningOperation_data() {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("command");
        const auto ops = operations();
        const auto cmds = commands();
        for (std::size_t o = 0; o < ops.size(); ++o)
            for (std::size_t c = 0; c < cmds.size(); ++c)
                QTest::newRow(qPrintable(QString("%1 / %2").arg(ops[o].name, cmds[c].name)))
                    << static_cast<int>(o) << static_cast<int>(c);
    }

    void nothingStartsUnderARunningOperation() {
        QFETCH(int, operation);
        QFETCH(int, command);
        const Operation op = operations()[static_cast<std::size_t>(operation)];
        const Command cmd = commands()[static_cast<std::size_t>(command)];

        KelpMain main;
        main.show();
        const fs::path file = home() / "site.dat";
        fs::copy_file(guitest::sampleDatabase(), file);
        main.fileCommands().openPath(file.string());
        QVERIFY(db().loaded);
        linkPreferences().ComPort = 1;
        if (op.tab >= 0)
            main.tabStrip()->setCurrentIndex(op.tab);
        const std::string fileBefore = fileText(file);
        std::vector<QAction*> enabledBefore;
        for (QAction* a : main.findChildren<QAction*>())
            if (a->isEnabled())
                enabledBefore.push_back(a);
        std::array<QPointer<QWidget>, 11> editors;
        for (int t = 0; t < 11; ++t) editors[static_cast<std::size_t>(t)] = main.editorWindow(t);
        prompter_->clearRecords();

        bool attempted = false;
        clock_->setYieldHook([&] {
            if (attempted || busyState().operation() != op.busyName || !op.ready())
                return;
            attempted = true;
            const std::size_t written = port_->written().size();
            const std::size_t records = prompter_->records().size();
            const int tab = main.tabStrip()->currentIndex();
            const std::string current = db().currentFile;
            std::array<QPointer<QWidget>, 11> shownNow;
            for (int t = 0; t < 11; ++t) shownNow[static_cast<std::size_t>(t)] = main.editorWindow(t);
            const int played = static_cast<int>(sound_->played().size());

            cmd.attempt(main);

            // Nothing was sent, asked, loaded, played or freed; only "Kelp is busy" was said.
            QCOMPARE(port_->written().size(), written);
            QCOMPARE(static_cast<int>(sound_->played().size()), played);
            for (std::size_t r = records; r < prompter_->records().size(); ++r) {
                const PromptRecord& said = prompter_->records()[r];
                QVERIFY2(said.kind == PromptRecord::Kind::Beep || said.title == kBusyTitle ||
                             said.title == "Interrupt Update",  // the upload's own question
                         said.title.c_str());
            }
            QCOMPARE(db().currentFile, current);
            QCOMPARE(main.tabStrip()->currentIndex(), tab);
            for (std::size_t t = 0; t < 11; ++t)
                QVERIFY(shownNow[t] == main.editorWindow(static_cast<int>(t)));
            QVERIFY(main.isVisible());
        });

        op.run(main);
        clock_->setYieldHook({});

        QVERIFY2(attempted, "the operation never waited");
        QVERIFY2(op.ended().isEmpty(), qPrintable(op.ended() + ": " + boxes()));
        QVERIFY2(!busyState().busy(), busyState().operation().c_str());
        QVERIFY(main.isVisible());
        QVERIFY(!port_->isOpen());
        for (QAction* a : enabledBefore) QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        if (!op.reloads) {
            for (std::size_t t = 0; t < 11; ++t) QVERIFY(editors[t] == main.editorWindow(static_cast<int>(t)));
            // Nothing saved it: the operation changes only what it must.
            if (std::string(op.name) != "code send")
                QVERIFY(fileText(file) == fileBefore);
        }
    }

    // Every way of stopping an upload asks what its Interrupt button asks. No lets it run to
    // its end; Yes stops it, and a close of the main window goes ahead once it has stopped.
    void everyWayOfStoppingAnUploadAsksTheSameQuestion_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("yes");
        for (const char* way : {"Interrupt", "Escape", "Close", "close box", "main window"})
            for (const bool yes : {false, true})
                QTest::newRow(qPrintable(QString("%1, %2").arg(way, yes ? "Yes" : "No")))
                    << QString(way) << yes;
    }
    void everyWayOfStoppingAnUploadAsksTheSameQuestion() {
        QFETCH(QString, way);
        QFETCH(bool, yes);
        KelpMain main;
        main.show();
        const fs::path file = home() / "site.dat";
        fs::copy_file(guitest::sampleDatabase(), file);
        main.fileCommands().openPath(file.string());
        linkPreferences().ComPort = 1;
        for (int port = 1; port <= 3; ++port) db().setUploadFlag(UploadFlag::HangTimers, port, true);
        prompter_->clearRecords();
        bool asked = false;
        clock_->setYieldHook([&] {
            if (asked || !heard("1*1000"))
                return;
            asked = true;
            auto* update = qobject_cast<Update*>(QApplication::activeModalWidget());
            QVERIFY(update != nullptr);
            prompter_->queueAnswer(yes ? Answer::Yes : Answer::No);
            if (way == "Escape")
                QTest::keyClick(update, Qt::Key_Escape);
            else if (way == "close box")
                update->close();
            else if (way == "main window")
                main.closeRequestedWhileBlocked();  // the close box, behind the Update window
            else
                findControl<QPushButton>(update, way)->click();
            QVERIFY(update->isVisible() || yes);
        });
        onModal<Update>([](Update* w) { findControl<QPushButton>(w, "Update")->click(); });
        trigger(&main, "mnuQZ740Upload");
        clock_->setYieldHook({});

        QVERIFY(asked);
        QStringList said;
        for (const PromptRecord& box : prompter_->messageBoxes())
            if (box.title != "Interrupt Update" ||
                box.text == "Are you sure you want to interrupt the update?")
                said << QString::fromStdString(box.title);
        const QStringList expected = yes ? QStringList{"Interrupt Update", "Wait", "Update Error"}
                                         : QStringList{"Interrupt Update", "Selective Update"};
        QCOMPARE(said, expected);
        QCOMPARE(db().uploadFlag(UploadFlag::HangTimers, 3), yes);
        QVERIFY(!busyState().busy());
        if (way == "main window" && yes)
            QTRY_VERIFY(!main.isVisible());
        else
            QVERIFY(main.isVisible());
    }

    // Closing the program during an operation asks first; answered yes, the operation stops
    // at once and the window closes after it, with nothing unloaded under it.
    void closingTheMainWindowInterruptsTheOperationFirst() {
        KelpMain main;
        main.show();
        const fs::path file = home() / "site.dat";
        fs::copy_file(guitest::sampleDatabase(), file);
        main.fileCommands().openPath(file.string());
        linkPreferences().ComPort = 1;
        main.tabStrip()->setCurrentIndex(2);
        controller_->acceptCommands = false;  // a silent controller: the erase waits and waits
        bool asked = false;
        clock_->setYieldHook([&] {
            if (asked || !heard("1*4004"))
                return;
            asked = true;
            prompter_->queueAnswer(Answer::Yes);
            main.close();
            QVERIFY(main.isVisible());
        });
        prompter_->queueAnswer(Answer::Yes);  // erase everything
        const std::int64_t started = clock_->nowMs();
        findControl<QPushButton>(main.editorWindow(2), "Erase")->click();
        clock_->setYieldHook({});
        QVERIFY(asked);
        QVERIFY2(clock_->nowMs() - started < 3000, "the erase waited for its time-out");
        QVERIFY(!shown("Erase All Macros"));
        QVERIFY(db().saved);  // the erase changed nothing in the database
        QVERIFY(!port_->isOpen());
        QVERIFY(main.isVisible());
        // The close goes ahead from the event loop, through the usual exit questions.
        prompter_->setDefaultAnswer(Answer::No);
        QTRY_VERIFY(!main.isVisible());
    }
};

QTEST_MAIN(OneOperationTest)
#include "one_operation_test.moc"
