// The Courtesy Tones window driven through its real controls.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "core/link/sound_output.h"
#include "gui/editors/courtesy.h"
#include "platform/gui_clock.h"
#include "tests/gui/gui_test_support.h"

using namespace kelp;

namespace {

// A sound that lasts until it is stopped (or three seconds pass), turning the event loop
// meanwhile as the real output does.
class HeldSoundOutput : public SoundOutput {
  public:
    bool play(const std::vector<std::uint8_t>&) override {
        ++plays;
        stopped_ = false;
        QElapsedTimer t;
        t.start();
        while (!stopped_ && t.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return true;
    }
    void stop() override { stopped_ = true; }
    bool playFile(const std::filesystem::path&) override { return false; }
    std::string errorText() const override { return {}; }
    int plays = 0;

  private:
    bool stopped_ = false;
};

}  // namespace

class CourtesyWindowTest : public QObject {
    Q_OBJECT

  private:
    ScriptedPrompter* prompter_ = nullptr;
    std::unique_ptr<ScopedPrompter> usePrompter_;
    std::unique_ptr<Courtesy> window_;
    GuiClock clock_;
    HeldSoundOutput sound_;

    template <typename T>
    T* find(const QString& name) {
        return guitest::findControl<T>(window_.get(), name);
    }

  private slots:
    void init() {
        resetProcessDatabase();
        for (int p = 1; p <= 3; ++p)
            for (int n = 1; n <= 10; ++n)
                for (int s = 1; s <= 4; ++s) {
                    db().setCourtesy(CourtesyModel::delayKey(s), p, n, "0");
                    db().setCourtesy(CourtesyModel::durationKey(s), p, n, std::to_string(100 * n));
                    db().setCourtesy(CourtesyModel::toneKey(2 * s - 1), p, n, "440");
                    db().setCourtesy(CourtesyModel::toneKey(2 * s), p, n, "0");
                }
        db().saved = true;
        db().loaded = true;
        prompter_ = new ScriptedPrompter;
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        window_ = std::make_unique<Courtesy>();
        window_->resize(1000, 600);
        QVERIFY(guitest::showAndActivate(window_.get()));
    }

    void cleanup() {
        window_.reset();
        usePrompter_.reset();
        delete prompter_;
        prompter_ = nullptr;
    }

    void opensOnToneOneOfEveryPort() {
        QCOMPARE(window_->portTabs()->count(), 3);
        QCOMPARE(window_->portTabs()->tabText(2), QString("Port 3"));
        for (int p = 1; p <= 3; ++p) {
            QCOMPARE(window_->toneSelect(p)->count(), 10);
            QCOMPARE(window_->toneSelect(p)->currentText(), QString("1"));
            QCOMPARE(find<QLineEdit>(QString("Dur2Set(%1)").arg(p))->text(), QString("100"));
        }
        QCOMPARE(find<QLabel>("lblNote(2)")->text(),
                 QString("Note: Setting Segment 1, Tone 1 to less than 41 will cause QZ740 to use "
                         "Message Macro 1 - 40 for Courtesy Tone"));
        QCOMPARE(db().changeMarker(Area::Courtesy), std::int16_t(-1));
        QCOMPARE(window_->diagram(1)->timeline().totalMs, 400);
    }

    void aRefusedToneKeepsTheFocusWithItsPortInTheTitle() {
        window_->portTabs()->setCurrentIndex(1);
        QLineEdit* box = find<QLineEdit>("Tone5Set(2)");
        guitest::typeInto(box, "3501");
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(prompter_->lastMessageBox().title, std::string("WhichPort 2: Tone5"));
        QCOMPARE(prompter_->lastMessageBox().text,
                 std::string("Tone invalid, must be between 0 and 3500"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
    }

    // The mouse wheel over CTSet does not take the boxes away from a refused value, so that
    // Apply can show it and put the focus into its box.
    void aRefusedValueKeepsItsToneInSight() {
        QLineEdit* box = find<QLineEdit>("Delay1Set(1)");
        guitest::typeInto(box, "10001");
        const QPointF at(5, 5);
        QWheelEvent down(at, at, QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(window_->toneSelect(1), &down);
        QCOMPARE(window_->toneSelect(1)->currentText(), QString("1"));
        QCOMPARE(box->text(), QString("10001"));
    }

    void choosingAToneShowsItsWorkingValuesAndKeepsTheMarker() {
        QLineEdit* dur = find<QLineEdit>("Dur1Set(1)");
        guitest::typeInto(dur, "250");
        QVERIFY(EditorWindow::showsChanged(dur));
        QCOMPARE(window_->diagram(1)->timeline().totalMs, 550);  // redrawn as typed
        QCOMPARE(db().changeMarker(Area::Courtesy), std::int16_t(5));
        window_->toneSelect(1)->setCurrentIndex(3);
        QCOMPARE(dur->text(), QString("400"));
        QVERIFY(!EditorWindow::showsChanged(dur));
        QCOMPARE(db().changeMarker(Area::Courtesy), std::int16_t(5));
        window_->toneSelect(1)->setCurrentIndex(0);
        QCOMPARE(dur->text(), QString("250"));
        QVERIFY(EditorWindow::showsChanged(dur));

        find<QPushButton>("Apply")->click();
        QCOMPARE(db().courtesy("Dur1", 1, 1), std::string("250"));
        QVERIFY(db().uploadFlag(UploadFlag::CourtesySegment1, 1));
        QCOMPARE(db().changeMarker(Area::Courtesy), std::int16_t(-1));
        QVERIFY(!EditorWindow::showsChanged(dur));
        QCOMPARE(window_->toneSelect(1)->currentText(), QString("1"));
    }

    void cancelChangesAnsweredYesShowsTheDatabaseAgain() {
        window_->toneSelect(3)->setCurrentIndex(9);
        window_->portTabs()->setCurrentIndex(2);
        QLineEdit* box = find<QLineEdit>("Delay4Set(3)");
        guitest::typeInto(box, "77");
        prompter_->queueAnswer(Answer::No);
        find<QPushButton>("CancelChanges")->click();
        QCOMPARE(box->text(), QString("77"));
        prompter_->queueAnswer(Answer::Yes);
        find<QPushButton>("CancelChanges")->click();
        QCOMPARE(prompter_->lastMessageBox().title, std::string("COURTESY TONE CANCEL CHANGES"));
        QCOMPARE(box->text(), QString("0"));
        QCOMPARE(window_->toneSelect(3)->currentText(), QString("10"));
        QCOMPARE(db().changeMarker(Area::Courtesy), std::int16_t(-1));
    }

    // While the tone plays the window takes typing but is not closed under it; hiding it
    // (another tab) stops the tone, and destroying it is safe.
    void previewPlaysWithoutHoldingTheWindowAndStopsWhenHidden() {
        ScopedClock useClock(clock_);
        ScopedSoundOutput useSound(sound_);
        bool typedWhilePlaying = false;
        bool closeRefused = false;
        QTimer::singleShot(100, this, [&] {
            typedWhilePlaying = window_->previewing();
            guitest::typeInto(find<QLineEdit>("Tone1Set(1)"), "600");
            window_->close();
            closeRefused = window_->isVisible() && window_->previewing();
            window_->hide();
        });
        find<QPushButton>("Preview")->click();
        QTRY_VERIFY(typedWhilePlaying);
        QVERIFY(closeRefused);
        QTRY_VERIFY(!window_->previewing());
        QCOMPARE(sound_.plays, 1);
        QCOMPARE(window_->model().value("Tone1", 1), std::string("600"));

        window_->show();
        bool gone = false;
        QTimer::singleShot(100, this, [&] {
            window_.reset();
            gone = true;
        });
        find<QPushButton>("Preview")->click();
        QTRY_VERIFY(gone);
        QCOMPARE(sound_.plays, 2);
        // init() builds the next test's window; cleanup() copes with none.
    }
};

QTEST_MAIN(CourtesyWindowTest)
#include "courtesy_window_test.moc"
