// QZ740, "History…": the snapshots a watch kept of the open file's controller, each shown
// against the open file or the one before it, and opened as a copy.
#include "gui/transfer/history_window.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/app/app_folder.h"
#include "core/app/scripted_prompter.h"
#include "core/database/dat_file.h"
#include "core/download/snapshot_history.h"
#include "gui/kelp_main.h"
#include "tests/gui/gui_test_support.h"

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

}  // namespace

class HistoryWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void snapshotsAreListedComparedAndOpenedAsACopy() {
        QTemporaryDir home;
        const fs::path folder = home.path().toStdString();
        setAppFolder(folder);
        ScriptedPrompter prompter;
        ScopedPrompter usePrompter(prompter);
        KelpMain main;
        const fs::path site = folder / "site.dat";
        fs::copy_file(guitest::sampleDatabase(), site);
        main.fileCommands().openPath(site.string());
        QVERIFY(db().loaded);

        // As a watch keeps them: the file's own memory, then one setting changed on the
        // controller; the same memory again is no new snapshot.
        ControllerCopyOptions boards;
        boards.rtc = db().hasRtc;
        ControllerDatabase copy;
        asControllerWouldHold(db(), copy, boards);
        copy.firmwareVersion = db().firmwareVersion;
        const fs::path history = historyFolder(site);
        const auto taken = std::chrono::system_clock::now() - std::chrono::hours(2);
        QVERIFY(keepSnapshot(copy, boards, history, taken).has_value());
        copy.set("HangTime1", 2, "77");
        const auto changed = keepSnapshot(copy, boards, history, taken + std::chrono::hours(1));
        QVERIFY(changed.has_value());
        QVERIFY(!keepSnapshot(copy, boards, history, taken + std::chrono::hours(2)));
        const std::string snapshotBefore = fileText(*changed);

        QStringList rows;
        QList<int> differing;  // newest against the file, against the one before; oldest both
        QString changedKey;
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [&] {
            auto* window = qobject_cast<HistoryWindow*>(QApplication::activeModalWidget());
            if (window == nullptr)
                return;
            timer->stop();
            auto* list = findControl<QListWidget>(window, "Snapshots");
            auto* table = findControl<QTableWidget>(window, "Differences");
            for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
            differing << table->rowCount();
            if (table->rowCount() == 1)
                changedKey = table->item(0, 1)->toolTip() + "=" + table->item(0, 3)->text();
            findControl<QRadioButton>(window, "optFromBefore")->click();
            differing << table->rowCount();
            list->setCurrentRow(1);
            differing << table->rowCount();
            findControl<QRadioButton>(window, "optFromFile")->click();
            differing << table->rowCount();
            list->setCurrentRow(0);
            findControl<QPushButton>(window, "cmdOpen")->click();
        });
        timer->start(0);
        findControl<QAction>(&main, "mnuHistory")->trigger();

        QCOMPARE(rows.size(), 2);
        QVERIFY2(rows[0].endsWith("1 setting changed"), qPrintable(rows[0]));
        QVERIFY2(rows[1].endsWith("first snapshot"), qPrintable(rows[1]));
        QCOMPARE(differing, (QList<int>{1, 1, 0, 0}));
        QCOMPARE(changedKey, QString("HangTime1(2)=77"));
        // Opened as a copy: saving it can never change the history.
        QCOMPARE(fs::path(db().currentFile).filename().string(),
                 "Snapshot_" + changed->filename().string());
        QCOMPARE(db().get("HangTime1", 2), std::string("77"));
        QVERIFY(fileText(*changed) == snapshotBefore);
        setAppFolder({});
    }
};

QTEST_MAIN(HistoryWindowTest)
#include "history_window_test.moc"
