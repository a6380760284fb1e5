// The Message Macros window driven through its real controls.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "gui/editors/message_macros.h"
#include "tests/gui/gui_test_support.h"

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
        QCOMPARE(box->text(), QString("ONE DVR19"));
        QCOMPARE(window_->charCounter()->text(), QString("2"));
        QCOMPARE(db().changeMarker(Area::MessageMacros), std::int16_t(1));
        guitest::findControl<QPushButton>(window_.get(), "Apply")->click();
        QCOMPARE(db().get("MessageMacro", 3), std::string("ONE DVR19"));
        QVERIFY(db().uploadFlag(UploadFlag::MessageMacro, 3));
        QVERIFY(!EditorWindow::showsChanged(box));
        QVERIFY(prompter_->messageBoxes().empty());
    }
};

QTEST_MAIN(MessageMacrosWindowTest)
#include "message_macros_window_test.moc"
