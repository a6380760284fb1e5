// The DTMF window driven through its real controls.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "gui/editors/dtmf_settings.h"
#include "tests/gui/gui_test_support.h"

using namespace kelp;

class DtmfSettingsWindowTest : public QObject {
    Q_OBJECT

  private:
    ScriptedPrompter* prompter_ = nullptr;
    std::unique_ptr<ScopedPrompter> usePrompter_;
    std::unique_ptr<DtmfSettings> window_;

    template <typename T>
    T* find(const QString& name) {
        return guitest::findControl<T>(window_.get(), name);
    }

    void openWindow() {
        window_ = std::make_unique<DtmfSettings>();
        window_->resize(900, 600);
        QVERIFY(guitest::showAndActivate(window_.get()));
    }

    void doubleClickDigit(const QString& digit) {
        QListWidget* list = window_->digitList();
        const auto items = list->findItems(digit, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        const QPoint at = list->visualItemRect(items.front()).center();
        // An item view takes a double-click only after the press that started it.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

  private slots:
    void init() {
        resetProcessDatabase();
        db().hasRtc = true;
        for (int n = 1; n <= 50; ++n) db().set("DTMF", n, "NONE STORED");
        db().set("DTMF", 5, "1 2 3");
        db().set("DTMFDur", "100");
        db().set("DTMFDelay", "100");
        db().set("Terminator", "D");
        db().saved = true;
        db().loaded = true;
        prompter_ = new ScriptedPrompter;
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        openWindow();
    }

    void cleanup() {
        window_.reset();
        usePrompter_.reset();
        delete prompter_;
        prompter_ = nullptr;
    }

    void opensCleanWithItsTabsAndDigits() {
        QCOMPARE(db().changeMarker(Area::Dtmf), std::int16_t(-1));
        QStringList tabs;
        for (int i = 0; i < window_->memoryTabs()->count(); ++i) {
            tabs << window_->memoryTabs()->tabText(i);
            QVERIFY(window_->memoryTabs()->isTabEnabled(i));
        }
        QCOMPARE(tabs, (QStringList{"1 - 20", "21 -40", "41-50", "All Memories / Parameters"}));
        QStringList digits;
        for (int i = 0; i < window_->digitList()->count(); ++i)
            digits << window_->digitList()->item(i)->text();
        QCOMPARE(digits.join(""), QString("1234567890*#ABCD"));
        QCOMPARE(find<QLineEdit>("DTMFSet(5)")->text(), QString("1 2 3"));
        QCOMPARE(find<QLineEdit>("DTMFSet(50)")->text(), QString("NONE STORED"));
        QCOMPARE(find<QLineEdit>("DTMFDurSet")->text(), QString("100"));
        for (QWidget* w : window_->findChildren<QWidget*>())
            QVERIFY2(!EditorWindow::showsChanged(w), qPrintable(w->objectName()));
    }

    void withoutRtcOnlyTheFirstTwentyMemories() {
        window_.reset();
        db().hasRtc = false;
        openWindow();
        QVERIFY(window_->memoryTabs()->isTabEnabled(0));
        QVERIFY(!window_->memoryTabs()->isTabEnabled(1));
        QVERIFY(!window_->memoryTabs()->isTabEnabled(2));
        QVERIFY(window_->memoryTabs()->isTabEnabled(3));
        QVERIFY(!find<QLineEdit>("DTMFSet(21)")->isEnabled());
    }

    void typedMemoryIsStoredUpperCaseAndSpaced() {
        QLineEdit* box = find<QLineEdit>("DTMFSet(4)");
        box->setFocus(Qt::MouseFocusReason);
        QCOMPARE(box->text(), QString());  // "NONE STORED" is emptied for typing...
        QCOMPARE(db().changeMarker(Area::Dtmf), std::int16_t(-1));  // ...which is no edit
        QTest::keyClicks(box, "12a#");
        QVERIFY(EditorWindow::showsChanged(box));
        QCOMPARE(db().changeMarker(Area::Dtmf), std::int16_t(1));
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(box->text(), QString("1 2 A #"));
        QCOMPARE(window_->dtmf().value("DTMF", 4), std::string("1 2 A #"));
        QTest::qWait(20);
        QVERIFY(prompter_->messageBoxes().empty());
    }

    void enteringAndLeavingAnEmptyMemoryChangesNothing() {
        QLineEdit* box = find<QLineEdit>("DTMFSet(2)");
        box->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(box->text(), QString("NONE STORED"));
        QVERIFY(!EditorWindow::showsChanged(box));
        QCOMPARE(db().changeMarker(Area::Dtmf), std::int16_t(-1));
    }

    void elevenDigitsAreRefusedAndKeepTheFocus() {
        QLineEdit* box = find<QLineEdit>("DTMFSet(4)");
        guitest::typeInto(box, "12345678901");
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        const PromptRecord& shown = prompter_->lastMessageBox();
        QCOMPARE(QString::fromStdString(shown.title), QString("DTMF Memory 4"));
        QCOMPARE(QString::fromStdString(shown.text),
                 QString("Invalid DTMF String or DTMF String contains more characters than 10"));
        QCOMPARE(shown.icon, MessageIcon::Exclamation);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
        QCOMPARE(box->text(), QString("1 2 3 4 5 6 7 8 9 0 1"));
    }

    void durationZeroIsRefused() {
        window_->memoryTabs()->setCurrentIndex(DtmfSettingsModel::kParametersTab);
        QLineEdit* box = find<QLineEdit>("DTMFDurSet");
        guitest::typeInto(box, "0");
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("DTMF Paramters: Duration"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
    }

    void terminatorInAMemoryWarnsAndLetsGo() {
        db().set("Terminator", "#");
        QLineEdit* box = find<QLineEdit>("DTMFSet(3)");
        guitest::typeInto(box, "1#");
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("DTMF Strings"));
        QVERIFY(QApplication::focusWidget() != box);
        QCOMPARE(window_->dtmf().value("DTMF", 3), std::string("1 #"));
        // Visiting the memory again without typing warns again: it is still lost at upload.
        box->setFocus(Qt::TabFocusReason);
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(2));
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("DTMF Strings"));
    }

    void doubleClickAddsTheDigitToTheMemoryEnteredLast() {
        QLineEdit* box = find<QLineEdit>("DTMFSet(6)");
        box->setFocus(Qt::MouseFocusReason);
        doubleClickDigit("#");
        doubleClickDigit("B");
        QCOMPARE(box->text(), QString("# B"));
        QCOMPARE(window_->dtmf().value("DTMF", 6), std::string("# B"));
        QVERIFY(EditorWindow::showsChanged(box));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
        QCOMPARE(window_->lastMemory(), 6);
    }

    void applyWritesTheDatabaseAndItsFlags() {
        guitest::typeInto(find<QLineEdit>("DTMFSet(7)"), "99");
        window_->memoryTabs()->setCurrentIndex(DtmfSettingsModel::kParametersTab);
        guitest::typeInto(find<QLineEdit>("DTMFDelaySet"), "20");
        find<QPushButton>("Apply")->click();
        QVERIFY(prompter_->messageBoxes().empty());
        QCOMPARE(db().get("DTMF", 7), std::string("9 9"));
        QCOMPARE(db().get("DTMFDelay"), std::string("20"));
        QVERIFY(db().uploadFlag(UploadFlag::DtmfMemory, 7));
        QVERIFY(db().uploadFlag(UploadFlag::DtmfDelay));
        QVERIFY(!db().uploadFlag(UploadFlag::DtmfDuration));
        QVERIFY(!db().uploadFlag(UploadFlag::DtmfMemory, 5));
        QVERIFY(!db().saved);
        QCOMPARE(db().changeMarker(Area::Dtmf), std::int16_t(-1));
        QCOMPARE(window_->memoryTabs()->currentIndex(), DtmfSettingsModel::kParametersTab);
    }

    void applyByItsKeyStoresAnEmptiedMemoryAsNoneStored() {
        QLineEdit* box = find<QLineEdit>("DTMFSet(5)");
        guitest::typeInto(box, "");
        // The box is not left: Apply tidies it itself.
        QTest::keyClick(window_.get(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(db().changeMarker(Area::Dtmf), std::int16_t(-1));
        QVERIFY(prompter_->messageBoxes().empty());
        QCOMPARE(db().get("DTMF", 5), std::string("NONE STORED"));
        QVERIFY(db().uploadFlag(UploadFlag::DtmfMemory, 5));
        QCOMPARE(box->text(), QString("NONE STORED"));
    }

    void cancelChangesRestoresTheMemories() {
        QLineEdit* box = find<QLineEdit>("DTMFSet(5)");
        guitest::typeInto(box, "4");
        prompter_->queueAnswer(Answer::Yes);
        find<QPushButton>("CancelChanges")->click();
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("DTMF CANCEL CHANGES"));
        QCOMPARE(box->text(), QString("1 2 3"));
        QVERIFY(!EditorWindow::showsChanged(box));
        QCOMPARE(db().changeMarker(Area::Dtmf), std::int16_t(-1));
    }
};

QTEST_MAIN(DtmfSettingsWindowTest)
#include "dtmf_settings_window_test.moc"
