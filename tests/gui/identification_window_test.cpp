// The ID Messages window driven through its real controls.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "gui/editors/identification.h"
#include "tests/gui/gui_test_support.h"

using namespace kelp;

class IdentificationWindowTest : public QObject {
    Q_OBJECT

  private:
    ScriptedPrompter* prompter_ = nullptr;
    std::unique_ptr<ScopedPrompter> usePrompter_;
    std::unique_ptr<Identification> window_;

    template <typename T>
    T* find(const QString& name) {
        return guitest::findControl<T>(window_.get(), name);
    }

    void doubleClick(QListWidget* list, const QString& text) {
        const auto items = list->findItems(text, Qt::MatchExactly);
        QVERIFY(!items.empty());
        list->scrollToItem(items.front());
        const QPoint at = list->visualItemRect(items.front()).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

  private slots:
    void init() {
        resetProcessDatabase();
        for (int p = 1; p <= 3; ++p) {
            for (const char* k : {"VoiceID1", "VoiceID2", "VoiceID3"}) db().set(k, p, "ONE");
            for (const char* k : {"CWID1", "CWID2"}) db().set(k, p, "W 1");
            db().set("CWSpeed", p, "20");
            db().set("CWTone1", p, "800");
            db().set("CWTone2", p, "0");
            db().set("SpeechEnable", p, "1");
            db().set("ConstantID", p, "0");
            for (const char* k : {"ID1Extras", "ID2Extras", "ID3Extras"}) db().set(k, p, "0");
        }
        db().saved = true;
        db().loaded = true;
        prompter_ = new ScriptedPrompter;
        usePrompter_ = std::make_unique<ScopedPrompter>(*prompter_);
        window_ = std::make_unique<Identification>();
        window_->resize(1000, 650);
        QVERIFY(guitest::showAndActivate(window_.get()));
    }

    void cleanup() {
        window_.reset();
        usePrompter_.reset();
        delete prompter_;
        prompter_ = nullptr;
    }

    void opensOnPortOneWithTheVocabularyShowing() {
        QCOMPARE(window_->portTabs()->currentIndex(), 0);
        QVERIFY(window_->vocabList()->isVisible());
        QVERIFY(!window_->vocabList()->isEnabled());
        QVERIFY(!window_->cwList()->isVisible());
        QCOMPARE(find<QComboBox>("ID2ExtrasSet(1)")->count(), 12);
        QCOMPARE(find<QComboBox>("ID2ExtrasSet(1)")->itemText(10),
                 QString("Time  & Good M/A/E After ID"));
        QCOMPARE(db().changeMarker(Area::Identification), std::int16_t(-1));
    }

    void enteringACwBoxSwapsTheLists() {
        QLineEdit* box = find<QLineEdit>("CWID2Set(1)");
        box->setFocus(Qt::MouseFocusReason);
        QVERIFY(window_->cwList()->isVisible());
        QVERIFY(window_->cwList()->isEnabled());
        QVERIFY(!window_->vocabList()->isVisible());
        QCOMPARE(window_->charCounter()->text(), QString("2"));
    }

    void doubleClickInsertsAtTheCaretAndLeavingTidies() {
        QLineEdit* box = find<QLineEdit>("VoiceID1Set(1)");
        guitest::typeInto(box, "one three");
        box->setCursorPosition(3);
        doubleClick(window_->vocabList(), "TWO");
        QCOMPARE(box->text(), QString("one TWO  three"));
        QCOMPARE(window_->charCounter()->text(), QString("3"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
        find<QLineEdit>("CWSpeedSet(1)")->setFocus(Qt::MouseFocusReason);
        QCOMPARE(box->text(), QString("ONE TWO THREE"));
        QVERIFY(EditorWindow::showsChanged(box));
        QTest::qWait(20);
        QVERIFY(prompter_->messageBoxes().empty());
        // Left for a box that takes no words: the list stays in view but takes no clicks.
        QVERIFY(window_->vocabList()->isVisible());
        QVERIFY(!window_->vocabList()->isEnabled());
    }

    void anEmptiedCwIdIsRefusedAndKeepsTheFocus() {
        QLineEdit* box = find<QLineEdit>("CWID1Set(1)");
        guitest::typeInto(box, "");
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_COMPARE(prompter_->messageBoxes().size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().title),
                 QString("CW ID1 Port 1"));
        QCOMPARE(QString::fromStdString(prompter_->lastMessageBox().text),
                 QString("Invalid CW ID Contents or contains more than 15 characters"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
        QCOMPARE(box->text(), QString());
    }

    // An emptied ID box and an out-of-range number box, each followed by a click on Apply
    // (which takes the focus) or by Apply pressed while the box keeps it: the same boxes,
    // the field's warning and then "APPLY FAIL".
    void applyAfterARefusedBoxShowsTheSameBoxesForEveryField() {
        const struct {
            const char* box;
            const char* text;
            const char* title;
        } cases[] = {{"VoiceID2Set(1)", "", "Voice ID2 Port 1"},
                     {"CWSpeedSet(1)", "99", "CW Speed Port 1"}};
        for (bool mouse : {true, false}) {
            for (const auto& c : cases) {
                prompter_->clearRecords();
                QLineEdit* box = find<QLineEdit>(c.box);
                guitest::typeInto(box, c.text);
                QPushButton* apply = find<QPushButton>("Apply");
                if (mouse)
                    QTest::mouseClick(apply, Qt::LeftButton);
                else
                    apply->click();
                QTest::qWait(20);
                std::vector<std::string> titles;
                for (const auto& shown : prompter_->messageBoxes()) titles.push_back(shown.title);
                QCOMPARE(titles, (std::vector<std::string>{c.title, "APPLY FAIL"}));
                QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
                QCOMPARE(db().get("VoiceID2", 1), std::string("ONE"));
                QCOMPARE(db().get("CWSpeed", 1), std::string("20"));
                guitest::typeInto(box, c.box[0] == 'V' ? "ONE" : "20");
            }
        }
    }

    void anEmptiedToneBoxTakesItsDefault() {
        QLineEdit* box = find<QLineEdit>("CWTone1Set(1)");
        guitest::typeInto(box, "");
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(box->text(), QString("200"));
        QTest::qWait(20);
        QVERIFY(prompter_->messageBoxes().empty());
    }

    void applyWritesEveryPortAndClearsTheColours() {
        window_->portTabs()->setCurrentIndex(1);
        find<QComboBox>("ID3ExtrasSet(2)")->setCurrentIndex(11);
        QVERIFY(EditorWindow::showsChanged(find<QComboBox>("ID3ExtrasSet(2)")));
        QCOMPARE(db().changeMarker(Area::Identification), std::int16_t(-1));
        QLineEdit* box = find<QLineEdit>("VoiceID2Set(2)");
        guitest::typeInto(box, "two");
        find<QPushButton>("Apply")->click();
        QTRY_COMPARE(db().changeMarker(Area::Identification), std::int16_t(-1));
        QVERIFY(prompter_->messageBoxes().empty());
        QCOMPARE(db().get("VoiceID2", 2), std::string("TWO"));
        QCOMPARE(db().get("ID3Extras", 2), std::string("11"));
        QVERIFY(db().uploadFlag(UploadFlag::VoiceId2, 2));
        QVERIFY(db().uploadFlag(UploadFlag::IdExtras3, 2));
        QVERIFY(!db().uploadFlag(UploadFlag::VoiceId2, 1));
        QVERIFY(!EditorWindow::showsChanged(box));
        QCOMPARE(window_->portTabs()->currentIndex(), 1);
    }
};

QTEST_MAIN(IdentificationWindowTest)
#include "identification_window_test.moc"
