// The main window: menus, toolbar, tab strip, kelp.ini, the file commands and the exit
// questions, driven through its real menu actions and windows.
#include "gui/kelp_main.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/app/app_folder.h"
#include "core/app/program_identity.h"
#include "core/app/scripted_prompter.h"
#include "core/database/dat_file.h"
#include "core/database/ini_file.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/report/report_export.h"
#include "gui/editors/timers.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/virtual_clock.h"

using namespace kelp;
namespace fs = std::filesystem;

class KelpMainTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> home_;
    std::unique_ptr<ScriptedPrompter> prompter_;
    std::unique_ptr<ScopedPrompter> usePrompter_;

    fs::path home() const { return fs::path(home_->path().toStdString()); }
    fs::path ini() const { return home() / "kelp.ini"; }

    static QAction* action(QWidget* window, const QString& name) {
        auto* a = window->findChild<QAction*>(name);
        if (a == nullptr)
            qFatal("no action %s", qPrintable(name));
        return a;
    }

    // A copy of the sample database in the test's folder.
    std::string sampleCopy(const std::string& name) {
        const fs::path target = home() / name;
        fs::copy_file(guitest::sampleDatabase(), target, fs::copy_options::overwrite_existing);
        return target.string();
    }

    static std::string fileBytes(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    void writeIni(const std::string& text) {
        std::ofstream out(ini(), std::ios::binary);
        out << text;
    }

  private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        setAppFolder(home());
        resetProcessDatabase();
        linkPreferences() = LinkPreferences{};
        prompter_ = std::make_unique<ScriptedPrompter>();
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        setLoadTerminateHook([] { qWarning("the loader asked to end the program"); });
    }

    void cleanup() {
        usePrompter_.reset();
        prompter_.reset();
        setLoadTerminateHook({});
        setAppFolder({});
        home_.reset();
    }

    void menuBarAsTheOperatorKnowsIt() {
        KelpMain main;
        QStringList top;
        for (QAction* a : main.menuBar()->actions()) top << a->text();
        QCOMPARE(top, (QStringList{"&File", "&Edit", "Confi&gure Kelp", "&DTMF Test Pad",
                                   "&Manual Data Send", "&QZ740", "R&TC", "D&VR", "&Help"}));
        struct Item {
            const char* name;
            const char* text;
            const char* shortcut;
        };
        for (const Item& i : {Item{"mnuFileOpen", "&Open", "Ctrl+O"},
                              Item{"mnuFileSave", "&Save", "Ctrl+S"},
                              Item{"mnuFileSaveAs", "Save &As", "Ctrl+A"},
                              Item{"mnuExportReport", "Export Report…", ""},
                              Item{"mnuErrorLog", "View Error Log", ""},
                              Item{"mnuFileExit", "E&xit", "Ctrl+X"},
                              Item{"mnuSerialDelay", "DelayTime", ""},
                              Item{"mnuDTMFDelay", "Set Interdigit Delay", ""},
                              Item{"mnuConfigureTXDelay", "Set KeyUp Delay", ""},
                              Item{"mnuLongestTransmission", "Set Longest Transmission", ""},
                              Item{"mnuDTMFCom(8)", "Use Com8 for PTT", ""},
                              Item{"mnuUseDTMFRTS", "RTS for PTT", ""},
                              Item{"mnuUseDTMFDTR", "DTR for PTT", ""},
                              Item{"mnuQZ740Upload", "Upload to QZ740", ""},
                              Item{"mnuQZ740Download", "Download from QZ740", ""},
                              Item{"mnuImportLinux", "Import a Linux Download File", ""},
                              Item{"mnuRTCyes", "RTC-YES", ""},
                              Item{"mnuRTCno", "RTC-NO", ""},
                              Item{"mnuDVRWrite", "Write DVR Track info", ""},
                              Item{"mnuDVRNoWrite", "Don't Write DVR Track Info", ""},
                              Item{"mnuAbout", "&About", ""},
                              Item{"mnuCompany", "&Company Information", ""}}) {
            QAction* a = action(&main, i.name);
            QCOMPARE(a->text(), QString(i.text));
            QCOMPARE(a->shortcut(), QKeySequence(QString(i.shortcut)));
        }
        QVERIFY(action(&main, "mnuCom(3)")->text().startsWith("Com3"));
        QVERIFY(action(&main, "mnuCom(3)")->isCheckable());

        QStringList tips;
        for (QAction* a : main.findChild<QToolBar*>("Toolbar1")->actions())
            if (!a->isSeparator())
                tips << a->toolTip();
        QCOMPARE(tips, (QStringList{"Open DAT File", "Save DAT File", "Download from Controller",
                                    "Upload to Controller", "Reset QZ740", "Set Clock/Calendar"}));

        QStringList tabs;
        for (int i = 0; i < main.tabStrip()->count(); ++i) tabs << main.tabStrip()->tabText(i);
        QCOMPARE(tabs, (QStringList{"Timers", "Courtesy Tones", "Macros", "Scheduler/Clock",
                                    "Analog", "IDs", "Messages", "DTMF", "Logic Alarms/R Base",
                                    "Special Codes/Autopatch", "Port Switches"}));
    }

    void beforeALoadTheOptionMenusAndTabsAreOff() {
        KelpMain main;
        QVERIFY(!main.tabStrip()->tabBar()->isEnabled());
        QVERIFY(!main.findChild<QMenu*>("mnuRTC")->isEnabled());
        QVERIFY(!main.findChild<QMenu*>("mnuDVR")->isEnabled());
        QCOMPARE(main.editorWindow(0), static_cast<QWidget*>(nullptr));
        QVERIFY(!action(&main, "mnuFilesList(0)")->isVisible());
        QCOMPARE(main.windowTitle(),
                 QString::fromStdString("Zandrel Kelp Programmer  " + programVersion()));
    }

    void startUpDropsAVanishedRecentFile() {
        std::string text = "[Main]\r\n";
        for (int k = 1; k <= 10; ++k) {
            const fs::path f = home() / ("site" + std::to_string(k) + ".dat");
            if (k != 3)
                std::ofstream(f) << "[Version]\r\n";
            text += "LastRCFile(" + std::to_string(k) + ")=" + f.string() + "\r\n";
        }
        writeIni(text);
        KelpMain main;
        QCOMPARE(main.recentFiles().count(), 9);
        QVERIFY(action(&main, "mnuFilesList(0)")->isVisible());
        QCOMPARE(action(&main, "mnuFilesList(3)")->text(),
                 QString::fromStdString((home() / "site4.dat").string()));
        QVERIFY(action(&main, "mnuFilesList(9)")->isVisible());
        QVERIFY(!action(&main, "mnuFilesList(10)")->isVisible());

        // At exit the list goes back: nine entries and an empty tenth.
        QVERIFY(main.exitSequence());
        const IniFile saved = IniFile::load(ini());
        QCOMPARE(QString::fromStdString(saved.read("Main", "LastRCFile(3)")),
                 QString::fromStdString((home() / "site4.dat").string()));
        QCOMPARE(QString::fromStdString(saved.read("Main", "LastRCFile(9)")),
                 QString::fromStdString((home() / "site10.dat").string()));
        QCOMPARE(saved.value("Main", "LastRCFile(10)"), std::optional<std::string>(""));
    }

    void geometryComesBackFromTwips() {
        writeIni(
            "[Main]\r\nWindow Width=12000\r\nWindow Height=9000\r\nWindow Top=1500\r\n"
            "Window Left=3000\r\nWindow State=0\r\n");
        KelpMain main;
        QCOMPARE(main.geometry().size(), QSize(800, 600));
        QCOMPARE(main.placement().width, 12000.0);
        QCOMPARE(main.placement().height, 9000.0);
        QVERIFY(prompter_->messageBoxes().empty());
    }

    void badGeometryIsReportedAndStartUpGoesOn() {
        writeIni(
            "[Main]\r\nWindow Width=wide\r\nWindow Height=9000\r\nWindow Top=0\r\n"
            "Window Left=0\r\nWindow State=0\r\nLastRCFile(1)=" +
            sampleCopy("a.dat") + "\r\n");
        KelpMain main;
        QCOMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        const PromptRecord& box = prompter_->lastMessageBox();
        QCOMPARE(QString::fromStdString(box.title), QString("***** Kelp SYSTEM ERROR *****"));
        QVERIFY(box.text.find("Error Number = 13") != std::string::npos);
        QVERIFY(box.text.find("Location = KelpMain: MDIForm_Load") != std::string::npos);
        // The steps before and after the geometry still ran.
        QCOMPARE(main.recentFiles().count(), 1);
        QVERIFY(!main.tabStrip()->tabBar()->isEnabled());
    }

    void openEditSaveReopen() {
        const std::string site = sampleCopy("site.dat");
        KelpMain main;
        QVERIFY(guitest::showAndActivate(&main));
        prompter_->queueOpenFile(site);
        action(&main, "mnuFileOpen")->trigger();

        QVERIFY(db().loaded);
        Timers* timers = main.timersWindow();
        QVERIFY(timers != nullptr);
        QVERIFY(main.tabStrip()->tabBar()->isEnabled());
        QCOMPARE(main.tabStrip()->currentIndex(), 0);
        QCOMPARE(main.windowTitle(), QString::fromStdString(fGetCaption(site)));
        QCOMPARE(main.recentFiles().item(1), site);
        QVERIFY(action(&main, "mnuFilesList(1)")->isVisible());
        QVERIFY(main.findChild<QMenu*>("mnuRTC")->isEnabled());
        QVERIFY(action(&main, "mnuRTCyes")->isChecked());
        QVERIFY(timers->isAncestorOf(QApplication::focusWidget()));
        for (int tab = 0; tab < 11; ++tab) QVERIFY(main.editorWindow(tab) != nullptr);

        auto* box = timers->findChild<QLineEdit*>("KerchunkTimer(1)");
        guitest::typeInto(box, "1234");
        timers->findChild<QPushButton*>("Apply")->click();
        QVERIFY(!db().saved);
        action(&main, "mnuFileSave")->trigger();
        QVERIFY(db().saved);

        // Reopen from the recent files list: the editor window is built afresh.
        action(&main, "mnuFilesList(1)")->trigger();
        QVERIFY(db().loaded);
        box = main.timersWindow()->findChild<QLineEdit*>("KerchunkTimer(1)");
        QCOMPARE(box->text(), QString("1234"));
        QVERIFY(!EditorWindow::showsChanged(box));
        QVERIFY(prompter_->messageBoxes().empty());
    }

    // A 1024x768 screen less a title bar and a panel leaves about 700 pixels: every page must
    // fit, with its Apply button on screen without scrolling.
    void everyPageFitsA1024By768Screen() {
        const std::string site = sampleCopy("site.dat");
        KelpMain main;
        QVERIFY(guitest::showAndActivate(&main));
        main.fileCommands().openPath(site);
        QVERIFY(db().loaded);
        main.resize(1024, 700);
        QCoreApplication::processEvents();
        for (int tab = 0; tab < 11; ++tab) {
            main.tabStrip()->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            const QString caption = main.tabStrip()->tabText(tab);
            const QSize least = main.minimumSizeHint().expandedTo(main.minimumSize());
            QVERIFY2(
                least.height() <= 700 && least.width() <= 1024,
                qPrintable(
                    QString("%1 needs %2x%3").arg(caption).arg(least.width()).arg(least.height())));
            QCOMPARE(main.size(), QSize(1024, 700));
            for (auto* button : main.editorWindow(tab)->findChildren<QPushButton*>()) {
                if (button->objectName() != "Apply" || !button->isVisible())
                    continue;
                const QRect onWindow(button->mapTo(&main, QPoint(0, 0)), button->size());
                QVERIFY2(main.rect().contains(onWindow), qPrintable(caption));
                QVERIFY2(!button->visibleRegion().isEmpty(), qPrintable(caption));
            }
        }
    }

    void tabChangeWithUnappliedChangeJumpsBack() {
        const std::string site = sampleCopy("site.dat");
        KelpMain main;
        QVERIFY(guitest::showAndActivate(&main));
        main.fileCommands().openPath(site);
        auto* box = main.timersWindow()->findChild<QLineEdit*>("HangTimer1(1)");
        guitest::typeInto(box, "77");

        main.tabStrip()->setCurrentIndex(4);
        QCOMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        const PromptRecord& warning = prompter_->lastMessageBox();
        QCOMPARE(QString::fromStdString(warning.title), QString("Unapplied Timer Changes"));
        QCOMPARE(QString::fromStdString(warning.text),
                 QString("You have unapplied Timer changes, you must either apply them or cancel "
                         "them before you can leave the form"));
        QCOMPARE(main.tabStrip()->currentIndex(), 0);
        QCOMPARE(main.rememberedTab(), 0);

        // The same guard stands before the file commands.
        action(&main, "mnuFileOpen")->trigger();
        QCOMPARE(prompter_->messageBoxes().size(), std::size_t(2));
        QCOMPARE(prompter_->records().back().kind, PromptRecord::Kind::MessageBox);

        main.timersWindow()->findChild<QPushButton*>("Apply")->click();
        main.tabStrip()->setCurrentIndex(4);
        QCOMPARE(main.tabStrip()->currentIndex(), 4);
        QCOMPARE(main.rememberedTab(), 4);
    }

    // Every list and option group from the keyboard: Tab reaches a list, arrows move, Enter
    // inserts into the box and keeps the list, F6 goes to the box and back, Tab on checks the
    // box, Apply stores it; Tab into an option group lands on its checked button (the last).
    void listsAndOptionGroupsFromTheKeyboard_data() {
        QTest::addColumn<QString>("row");  // tab; box, key, index and what the list puts in it
        QTest::newRow("functions") << "2 MacroSet(10) Macro 10 002";
        QTest::newRow("voice ID") << "5 VoiceID3Set(1) VoiceID3 1 ONE";
        QTest::newRow("CW ID") << "5 CWID2Set(1) CWID2 1 1";
        QTest::newRow("message") << "6 MessageSet(10) MessageMacro 10 ONE";
        QTest::newRow("DTMF") << "7 DTMFSet(20) DTMF 20 2";
        for (const char* tab : {"8", "9", "10"}) QTest::newRow(tab) << tab;
    }

    void listsAndOptionGroupsFromTheKeyboard() {
        QFETCH(QString, row);
        const QStringList box = row.split(' ');
        const int tab = box[0].toInt();
        KelpMain main;
        QVERIFY(guitest::showAndActivate(&main));
        main.fileCommands().openPath(sampleCopy("site.dat"));
        main.tabStrip()->setCurrentIndex(tab);
        QWidget* window = main.editorWindow(tab);
        const auto focused = [] { return QApplication::focusWidget(); };
        const auto press = [&](Qt::Key key) { QTest::keyClick(focused(), key); };
        if (box.size() == 1) {
            int groups = 0;
            for (QButtonGroup* group : window->findChildren<QButtonGroup*>()) {
                const QList<QAbstractButton*> buttons = group->buttons();
                if (!buttons.first()->isVisible() || !buttons.last()->isEnabled())
                    continue;
                ++groups;
                buttons.last()->click();
                buttons.first()->setFocus();
                press(Qt::Key_Backtab);
                press(Qt::Key_Tab);
                QCOMPARE(focused(), buttons.last());
            }
            QVERIFY(groups > 0);
            return;
        }
        auto* edit = guitest::findControl<QLineEdit>(window, box[1]);
        guitest::typeInto(edit, "");
        for (int i = 0; i < 2 && qobject_cast<QListWidget*>(focused()) == nullptr; ++i)
            press(Qt::Key_Tab);
        QWidget* list = qobject_cast<QListWidget*>(focused());
        QVERIFY(list != nullptr);
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Return}) press(key);
        QCOMPARE(edit->text().trimmed(), box[4]);
        press(Qt::Key_F6);
        QCOMPARE(focused(), edit);
        press(Qt::Key_F6);
        QCOMPARE(focused(), list);
        press(Qt::Key_Tab);
        QVERIFY(focused() != list && focused() != edit);
        QVERIFY(prompter_->messageBoxes().empty());
        guitest::findControl<QPushButton>(window, "Apply")->click();
        QCOMPARE(QString::fromStdString(db().get(box[2].toStdString(), box[3].toInt())), box[4]);
    }

    void exitAsksToSaveAndWritesKelpIni() {
        const std::string site = sampleCopy("site.dat");
        KelpMain main;
        main.fileCommands().openPath(site);
        db().saved = false;

        prompter_->queueAnswer(Answer::Cancel);
        QVERIFY(!main.exitSequence());
        QVERIFY(!fs::exists(ini()));

        prompter_->queueAnswer(Answer::No);
        QVERIFY(main.exitSequence());
        const IniFile saved = IniFile::load(ini());
        QCOMPARE(QString::fromStdString(saved.read("Main", "LastRCFile(1)")),
                 QString::fromStdString(site));
        QCOMPARE(QString::fromStdString(saved.read("Main", "Window Width")),
                 QString::number(main.geometry().width() * 15));
        QCOMPARE(QString::fromStdString(saved.read("Main", "Window State")), QString("0"));
    }

    void exportReportAsksBeforeTheCodes() {
        KelpMain main;
        QVERIFY(guitest::showAndActivate(&main));
        main.fileCommands().openPath(sampleCopy("site.dat"));
        const fs::path target = home() / "site.html";
        prompter_->queueSaveFile(target);
        prompter_->queueAnswer(Answer::No);
        action(&main, "mnuExportReport")->trigger();
        std::ifstream in(target);
        const std::string html((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        QVERIFY(html.find("<td>site.dat</td>") != std::string::npos);
        QVERIFY(html.find("<h2>Port Switches</h2>") != std::string::npos);
        QVERIFY(html.find("16937") == std::string::npos);
        QVERIFY(prompter_->lastMessageBox().text == kReportCodesQuestion);
    }

    void closingWithYesSavesAndKeepsRunning() {
        const std::string site = sampleCopy("site.dat");
        KelpMain main;
        QVERIFY(guitest::showAndActivate(&main));
        main.fileCommands().openPath(site);
        db().saved = false;
        const std::string target = (home() / "saved-on-close.dat").string();
        prompter_->queueAnswer(Answer::Yes);
        prompter_->queueSaveFile(target);
        QVERIFY(!main.close());
        QVERIFY(main.isVisible());
        QVERIFY(fs::exists(target));
        QVERIFY(db().saved);

        // Closing again with nothing unsaved goes through.
        QVERIFY(main.close());
    }

    void closingWithNoAsksTwice() {
        const std::string site = sampleCopy("site.dat");
        KelpMain main;
        QVERIFY(guitest::showAndActivate(&main));
        main.fileCommands().openPath(site);
        db().saved = false;
        prompter_->queueAnswer(Answer::No);  // the close request
        prompter_->queueAnswer(Answer::No);  // the exit sequence asks once more
        QVERIFY(main.close());
        QCOMPARE(prompter_->messageBoxes().size(), std::size_t(2));
        QVERIFY(fs::exists(ini()));
    }

    void resetNeedsASerialConnection() {
        KelpMain main;
        QVERIFY(!action(&main, "mnuCom(1)")->isChecked());
        QAction* reset = action(&main, "Button9");
        QCOMPARE(reset->toolTip(), QString("Reset QZ740"));
        reset->trigger();
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().text),
                 QString("This feature can only be used with a direct serial connection"));
    }

    void setClockFromTheToolbarAndTheRtcMenu() {
        KelpMain main;
        VirtualClock clock(std::chrono::system_clock::now());
        ScopedClock useClock(clock);
        FakeSerialPort port;
        ScopedSerialPort usePort(port);
        port.setDevices({"/dev/ttyS0"});
        std::vector<std::string> lines;
        port.setResponder([&lines](const std::string& line) -> std::string {
            if (line.empty())
                return "";
            lines.push_back(line);
            return "+";
        });
        linkPreferences().ComPort = 1;
        action(&main, "Set Clock")->trigger();
        QCOMPARE(lines.size(), std::size_t(2));
        QVERIFY(QString::fromStdString(lines[0]).startsWith("1*5101"));
        QVERIFY(QString::fromStdString(lines[1]).startsWith("1*5100"));
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title), QString("Done"));
        action(&main, "mnuRTCSetClock")->trigger();
        QCOMPARE(lines.size(), std::size_t(4));
    }

    // A load answered No at "VERSION DIFFERENCE" makes nothing current: Save (Ctrl+S), Save As
    // and the upload write or send nothing; a database open before stays open, windows too.
    void aDeclinedLoadWritesNothing_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("open, nothing open before") << "open";
        QTest::newRow("open over an open file") << "over";
        QTest::newRow("import, the new Dwnld file") << "import";
    }
    void aDeclinedLoadWritesNothing() {
        QFETCH(QString, how);
        const bool over = how == "over";
        std::string text = fileBytes(guitest::sampleDatabase());
        fs::path declined = home() / "old.dat";
        std::ofstream(declined, std::ios::binary)
            << text.replace(text.find("FirmwareVersion=700"), 19, "FirmwareVersion=528");
        const std::string site = sampleCopy("site.dat");
        KelpMain main;
        QVERIFY(guitest::showAndActivate(&main));
        if (over)
            main.fileCommands().openPath(site);
        const QPointer<QWidget> timers = main.timersWindow();
        const QString caption =
            over ? main.windowTitle() : QString::fromStdString(fGetCaption("")).trimmed();

        if (how == "import") {
            prompter_->queueOpenFile(fs::path(KELP_TEST_DATA) / "sample_main.mem");
            // No RTC, no AP1, saved to Dwnld_..., type in a firmware version: 528, then No.
            for (Answer a : {Answer::No, Answer::No, Answer::OK, Answer::Yes, Answer::No})
                prompter_->queueAnswer(a);
            prompter_->queueInput("528");
            action(&main, "mnuImportLinux")->trigger();
            for (const auto& entry : fs::directory_iterator(home()))
                if (entry.path().filename().string().rfind("Dwnld_", 0) == 0)
                    declined = entry.path();
        } else {
            prompter_->queueOpenFile(declined);
            prompter_->queueAnswer(Answer::No);  // "VERSION DIFFERENCE"
            action(&main, "mnuFileOpen")->trigger();
        }
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("VERSION DIFFERENCE"));
        const std::string declinedBefore = fileBytes(declined);
        prompter_->clearRecords();

        QTest::keyClick(&main, Qt::Key_S, Qt::ControlModifier);
        if (!over) {
            prompter_->queueSaveFile(home() / "elsewhere.dat");
            action(&main, "mnuFileSaveAs")->trigger();
            action(&main, "Upload")->trigger();
        }
        QVERIFY(fileBytes(declined) == declinedBefore);
        QCOMPARE(db().loaded, over);
        QCOMPARE(db().currentFile, over ? site : std::string());
        QCOMPARE(main.windowTitle(), caption);
        if (over) {  // Ctrl+S wrote the open database to its own file, as before
            QVERIFY(timers && timers == main.timersWindow());
            return;
        }
        QVERIFY(!fs::exists(home() / "elsewhere.dat"));
        QStringList said;  // Ctrl+S, Save As (no dialog) and the upload refuse
        for (const PromptRecord& box : prompter_->records()) said << box.title.c_str();
        QCOMPARE(said, (QStringList{"Save Database", "Save Database", "Controller Update Error"}));
    }

    void commandLineFileThatDoesNotExist() {
        KelpMain main;
        const std::string gone = (home() / "gone.dat").string();
        main.fileCommands().openPath(gone);
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().text),
                 QString::fromStdString(gone + "\r\n\r\nThe file does not exist"));
        QVERIFY(!db().loaded);
    }
};

QTEST_MAIN(KelpMainTest)
#include "kelp_main_test.moc"
