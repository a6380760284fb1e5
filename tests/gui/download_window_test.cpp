// Download, import and the RTC / DVR marks, driven through the main window's menus against a
// controller on a fake serial port, in virtual time; the progress window's "&Escape".
#include "gui/transfer/download_window.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "core/app/app_folder.h"
#include "core/app/scripted_prompter.h"
#include "tests/support/virtual_clock.h"
#include "core/database/dat_file.h"
#include "core/database/ini_file.h"
#include "core/download/download_state.h"
#include "core/download/eram_decoder.h"
#include "tests/support/fake_serial_port.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "gui/kelp_main.h"
#include "gui/editors/timers.h"
#include "tests/gui/gui_test_support.h"

using namespace kelp;
namespace fs = std::filesystem;

namespace {

fs::path sampleImage() {
    return fs::path(KELP_TEST_DATA) / "sample_main.mem";
}

std::vector<std::string> imageLines() {
    std::ifstream in(sampleImage(), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Hands out the main memory image a line per "OK" and tells its firmware version.
class Controller {
  public:
    explicit Controller(FakeSerialPort& port) : lines_(imageLines()) {
        port.setResponder([this](const std::string& line) { return answer(line); });
    }
    int linesSent() const { return static_cast<int>(next_); }

  private:
    std::string answer(const std::string& line) {
        if (line == "1SendEram") {
            sending_ = true;
            return lines_[next_++] + "\r\n";
        }
        if (line == "OK" && sending_) {
            if (next_ < lines_.size())
                return lines_[next_++] + "\r\n";
            sending_ = false;
            return "Complete";
        }
        if (line == "1GetVersion")
            return "7005\r\n+";
        return std::string();
    }

    std::vector<std::string> lines_;
    std::size_t next_ = 0;
    bool sending_ = false;
};

}  // namespace

class DownloadWindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> home_;
    std::unique_ptr<ScriptedPrompter> prompter_;
    std::unique_ptr<ScopedPrompter> usePrompter_;
    std::unique_ptr<VirtualClock> clock_;
    std::unique_ptr<ScopedClock> useClock_;
    std::unique_ptr<FakeSerialPort> port_;
    std::unique_ptr<ScopedSerialPort> usePort_;

    fs::path home() const { return fs::path(home_->path().toStdString()); }

    static QAction* action(QWidget* window, const QString& name) {
        auto* a = window->findChild<QAction*>(name);
        if (a == nullptr)
            qFatal("no action %s", qPrintable(name));
        return a;
    }

    QStringList titles() const {
        QStringList t;
        for (const PromptRecord& box : prompter_->messageBoxes())
            t << QString::fromStdString(box.title);
        return t;
    }

    std::string sampleCopy() {
        const fs::path copy = home() / "site.dat";
        fs::copy_file(guitest::sampleDatabase(), copy, fs::copy_options::overwrite_existing);
        return copy.string();
    }

    static QString fileValue(const std::string& file, const char* key) {
        return QString::fromStdString(IniFile::load(file).read("Version", key));
    }

    // What a run that ended in a new database leaves: the editors show what the image holds.
    void landedInTheEditors(KelpMain& main) {
        QVERIFY(db().loaded);
        const QString file = QString::fromStdString(db().currentFile);
        QVERIFY2(QFileInfo(file).fileName().startsWith("Dwnld_"), qPrintable(file));
        QCOMPARE(main.windowTitle(), QString::fromStdString(fGetCaption(db().currentFile)));
        QCOMPARE(main.recentFiles().item(1), db().currentFile);
        QVERIFY(main.tabStrip()->tabBar()->isEnabled());
        QCOMPARE(main.tabStrip()->currentIndex(), 0);
        QVERIFY(main.findChild<QMenu*>("mnuRTC")->isEnabled());
        QVERIFY(action(&main, "mnuRTCno")->isChecked());

        ControllerDatabase image;
        QCOMPARE(LoadEram(sampleImage().string(), image), kDecodeOk);
        Timers* timers = main.timersWindow();
        QVERIFY(timers != nullptr);
        for (const char* box : {"HangTimer1(1)", "HangTimer2(3)"}) {
            const QString key = QString(box).replace("Timer", "Time");
            const std::string expected = image.get(key.section('(', 0, 0).toStdString(),
                                                   key.section('(', 1).chopped(1).toInt());
            QVERIFY(!expected.empty());
            QCOMPARE(timers->findChild<QLineEdit*>(box)->text(), QString::fromStdString(expected));
        }
        QCOMPARE(main.downloadProgress().window(), static_cast<ProgressBar*>(nullptr));
    }

  private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        setAppFolder(home());
        resetProcessDatabase();
        linkPreferences() = LinkPreferences{};
        linkState() = LinkState{};
        downloadState() = DownloadState{};
        prompter_ = std::make_unique<ScriptedPrompter>();
        prompter_->setDefaultAnswer(Answer::No);
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        clock_ = std::make_unique<VirtualClock>();
        useClock_ = std::make_unique<ScopedClock>(*clock_);
        port_ = std::make_unique<FakeSerialPort>();
        port_->setDevices({"/dev/ttyS0"});
        usePort_ = std::make_unique<ScopedSerialPort>(*port_);
        setLoadTerminateHook([] { qWarning("the loader asked to end the program"); });
    }

    void cleanup() {
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

    void progressWindowShowsOneStep() {
        DownloadProgressWindow progress(nullptr);
        progress.show("Downloading From RTC", ProgressLabel::DecodingRtc, true, 50);
        ProgressBar* window = progress.window();
        QVERIFY(window != nullptr);
        QCOMPARE(window->windowTitle(), QString("Downloading From RTC"));
        QCOMPARE(window->cancelButton()->text(), QString("&Escape"));
        QCOMPARE(window->findChild<QLabel*>("Label1")->text(), QString("Please Wait"));
        QStringList shown;
        for (QLabel* l : window->findChildren<QLabel*>())
            if (l->isVisible() && l->objectName() != "Label1")
                shown << l->text();
        QCOMPARE(shown, QStringList{"Decoding RTC Data"});
        QCOMPARE(window->bar()->maximum(), 50);
        progress.setValue(7);
        QCOMPARE(window->bar()->value(), 7);

        // A decoder shows no bar; the same window is reused.
        progress.show("Download From QZ-740", ProgressLabel::DecodeController, false, 0);
        QCOMPARE(progress.window(), window);
        QVERIFY(!window->bar()->isVisible());
        QVERIFY(window->stepLabel(ProgressLabel::DecodeController)->isVisible());
        QVERIFY(!window->stepLabel(ProgressLabel::DecodingRtc)->isVisible());

        // Neither the close box nor the Escape key takes the window from the download: both
        // ask it to cancel.
        QVERIFY(!window->close());
        QVERIFY(downloadState().DownloadCancel);
        downloadState().DownloadCancel = false;
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(downloadState().DownloadCancel);
        QVERIFY(window->isVisible());

        progress.hide();
        QCOMPARE(progress.window(), static_cast<ProgressBar*>(nullptr));
    }

    void downloadLandsInTheEditors() {
        KelpMain main;
        linkPreferences().ComPort = 1;
        Controller controller(*port_);
        QString caption;
        bool barShown = false, downloadingShown = false;
        int barMaximum = 0;
        clock_->setYieldHook([&] {
            ProgressBar* window = main.downloadProgress().window();
            if (window == nullptr || !caption.isEmpty())
                return;
            caption = window->windowTitle();
            barShown = window->bar()->isVisible();
            barMaximum = window->bar()->maximum();
            downloadingShown = window->stepLabel(ProgressLabel::DownloadingData)->isVisible();
        });
        prompter_->queueAnswer(Answer::Yes);   // "Confirm Download"
        action(&main, "Download")->trigger();  // toolbar button 6

        QCOMPARE(caption, QString("Downloading From QZ740"));
        QVERIFY(barShown && downloadingShown);
        QCOMPARE(barMaximum, 4096);
        QCOMPARE(QString::fromStdString(db().firmwareVersion), QString("7005"));
        QCOMPARE(titles().first(), QString("Confirm Download"));
        QVERIFY(titles().contains("Download from QZ740"));
        landedInTheEditors(main);
        QVERIFY(!port_->isOpen());
    }

    void escapeCancelsTheDownload() {
        const std::string site = sampleCopy();
        KelpMain main;
        main.fileCommands().openPath(site);
        QVERIFY(db().loaded);
        linkPreferences().ComPort = 1;
        Controller controller(*port_);
        bool pressed = false;
        clock_->setYieldHook([&] {
            ProgressBar* window = main.downloadProgress().window();
            if (!pressed && window != nullptr && controller.linesSent() >= 100) {
                pressed = true;
                QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
            }
        });
        prompter_->clearRecords();
        prompter_->queueAnswer(Answer::Yes);
        main.mnuQZ740Download_Click();

        QVERIFY(pressed);
        QVERIFY(controller.linesSent() < 200);
        QCOMPARE(prompter_->messageBoxes().size(), std::size_t(3));
        QCOMPARE(QString::fromStdString(prompter_->messageBoxes()[1].text),
                 QString("Download Canceled. Click OK to return to Kelp"));
        QCOMPARE(titles().last(), QString("Download Error"));
        QVERIFY(!downloadState().DownloadCancel);
        QCOMPARE(main.downloadProgress().window(), static_cast<ProgressBar*>(nullptr));
        // The old database is gone and nothing new came: nothing to edit or to mark.
        QVERIFY(!db().loaded);
        QCOMPARE(main.editorWindow(0), static_cast<QWidget*>(nullptr));
        QVERIFY(!main.tabStrip()->tabBar()->isEnabled());
        QVERIFY(!main.findChild<QMenu*>("mnuRTC")->isEnabled());
        QVERIFY(!port_->isOpen());
    }

    void importLandsInTheEditors() {
        KelpMain main;
        prompter_->queueOpenFile(sampleImage());
        action(&main, "mnuImportLinux")->trigger();
        QCOMPARE(titles().first(), QString("Download from RTC"));
        landedInTheEditors(main);
        QVERIFY(port_->written().empty());
    }

    void rtcMarkChangesTheFileAndReloads_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("fileValue");
        QTest::addColumn<bool>("asked");
        QTest::newRow("to RTC-NO, OK") << "mnuRTCno" << int(Answer::OK) << "0" << true;
        QTest::newRow("to RTC-NO, Cancel") << "mnuRTCno" << int(Answer::Cancel) << "1" << true;
        QTest::newRow("RTC-YES again") << "mnuRTCyes" << -1 << "1" << false;
    }
    void rtcMarkChangesTheFileAndReloads() {
        QFETCH(QString, item);
        QFETCH(int, answer);
        QFETCH(QString, fileValue);
        QFETCH(bool, asked);
        const std::string site = sampleCopy();
        KelpMain main;
        main.fileCommands().openPath(site);
        QVERIFY(action(&main, "mnuRTCyes")->isChecked());
        const QPointer<QWidget> before = main.editorWindow(0);
        prompter_->clearRecords();
        if (answer >= 0)
            prompter_->queueAnswer(static_cast<Answer>(answer));
        action(&main, item)->trigger();

        QCOMPARE(this->fileValue(site, "HasRTC"), fileValue);
        QCOMPARE(db().hasRtc, fileValue == "1");
        QCOMPARE(action(&main, "mnuRTCyes")->isChecked(), fileValue == "1");
        QCOMPARE(action(&main, "mnuRTCno")->isChecked(), fileValue == "0");
        QCOMPARE(!prompter_->messageBoxes().empty(), asked);
        const bool reloaded = answer != int(Answer::Cancel);
        QCOMPARE(before.isNull(), reloaded);  // a reload builds the windows afresh
        QVERIFY(main.editorWindow(0) != nullptr);
        QVERIFY(db().loaded);
        QVERIFY(main.tabStrip()->tabBar()->isEnabled());
        if (asked) {
            const PromptRecord box = prompter_->messageBoxes().front();
            QCOMPARE(QString::fromStdString(box.title), QString("Change RTC Status"));
            QCOMPARE(QString::fromStdString(box.text),
                     QString("You are changing this file from RTC-YES (the controller HAS an RTC) "
                             "to RTC-NO (the controller does NOT have an RTC).  This will block "
                             "access to message macros 41-70, remote base memories 11-40, and "
                             "DTMF 21-50\r\n\r\nPlease confirm this change\r\n\r\nOK to confirm "
                             "that you want to make the change\r\nCANCEL to cancel the change "
                             "and leave the file as RTC-YES"));
            QCOMPARE(box.defaultButton, DefaultButton::Second);
        }
    }

    void dvrMarkChangesTheFile() {
        const std::string site = sampleCopy();
        KelpMain main;
        main.fileCommands().openPath(site);
        QVERIFY(action(&main, "mnuDVRNoWrite")->isChecked());
        action(&main, "mnuDVRWrite")->trigger();
        QCOMPARE(fileValue(site, "DVRWrite"), QString("1"));
        QVERIFY(db().dvrWrite);
        QVERIFY(action(&main, "mnuDVRWrite")->isChecked());
        QVERIFY(!action(&main, "mnuDVRNoWrite")->isChecked());

        action(&main, "mnuDVRNoWrite")->trigger();
        QCOMPARE(fileValue(site, "DVRWrite"), QString("0"));
        QVERIFY(!db().dvrWrite);
        QVERIFY(prompter_->messageBoxes().empty());
    }

    // The file is loaded again from disk: changes held only in memory are offered a save.
    void unsavedChangesAreOfferedBeforeTheReload() {
        const std::string site = sampleCopy();
        KelpMain main;
        main.fileCommands().openPath(site);
        db().set("HangTime1", 1, "61");
        db().saved = false;
        prompter_->queueAnswer(Answer::Cancel);
        action(&main, "mnuDVRWrite")->trigger();
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("UNSAVED CHANGES IN YOUR DAT FILE"));
        QCOMPARE(fileValue(site, "DVRWrite"), QString("0"));
        QVERIFY(!action(&main, "mnuDVRWrite")->isChecked());
        QCOMPARE(db().get("HangTime1", 1), std::string("61"));

        prompter_->queueAnswer(Answer::Yes);
        action(&main, "mnuDVRWrite")->trigger();
        QCOMPARE(fileValue(site, "DVRWrite"), QString("1"));
        QCOMPARE(db().get("HangTime1", 1), std::string("61"));
        QVERIFY(db().saved);
    }
};

QTEST_MAIN(DownloadWindowTest)
#include "download_window_test.moc"
