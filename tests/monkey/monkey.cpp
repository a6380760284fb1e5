// The monkey: a seeded random walk through the real main window and the windows it opens,
// against the controller simulator's own logic behind an in-process port on a virtual
// clock, so a walk is fast and the same seed walks the same way. After every step it checks
// what must always hold; the first break prints the seed, the step and the steps so far and
// ends the run with status 1.
//
//   kelp_monkey --seed N --steps M       one walk (make monkey SEED=N STEPS=M)
//   kelp_monkey --seeds 1,2,3 --steps M  several walks, one after another
//   kelp_monkey --found                  the walks that once found a fault, replayed
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "controller.h"
#include "core/app/app_folder.h"
#include "core/app/busy_state.h"
#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/sound_output.h"
#include "gui/kelp_main.h"
#include "memory_images.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/recording_sound_output.h"
#include "tests/support/virtual_clock.h"

using namespace kelp;
namespace fs = std::filesystem;

namespace {

// Walks that found a fault once, each kept as a fixed case: seed, steps, what broke.
// A change to the walk's table of actions or weights changes every walk: then each row is
// pinned again to a walk that reaches its fault.
struct Found {
    unsigned seed;
    int steps;
    const char* what;
};
const Found kFound[] = {
    // A complete upload whose backup failed left the controller's firmware version in the
    // open database with nothing unsaved.
    {2, 2, "the firmware version answer changed the database unsaved-free"},
};

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// "Section/Key" -> value for every key line of an ini file.
std::map<std::string, std::string> keysOf(const std::string& text) {
    std::map<std::string, std::string> keys;
    std::istringstream in(text);
    std::string section;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == '[')
            section = line.substr(1, line.find(']') - 1);
        else if (const auto eq = line.find('='); eq != std::string::npos)
            keys[section + "/" + line.substr(0, eq)] = line.substr(eq + 1);
    }
    return keys;
}

// The controller's end of the serial line: the simulator's controller, with moods.
class MonkeyLink : public FakeSerialPort {
  public:
    enum class Mood { Good, Slow, RefuseOne, Silent, Gone };

    MonkeyLink(qz740sim::ControllerOptions options, qz740sim::MemoryImages images)
        : sim_(std::move(options), std::move(images)) {
        setDevices({"/dev/ttyS0"});
        setResponder([this](const std::string& line) { return answer(line); });
    }

    void setMood(Mood mood, std::int64_t delayMs) {
        mood_ = mood;
        setResponseDelayMs(mood == Mood::Slow ? delayMs : 0);
        failOpen(mood == Mood::Gone ? "No such file or directory" : "");
        failWrites(mood == Mood::Gone ? "Input/output error" : "");
    }
    // Lines whose last sending the controller never took.
    std::set<std::string> outstanding;

    bool write(const std::string& data) override {
        // The voice recorder's keys go alone, without a CR.
        if (data == "G" || data == "S") {
            if (!isOpen() || mood_ == Mood::Gone)
                return FakeSerialPort::write(data);
            sim_.onRecorderKey(data[0], std::chrono::steady_clock::time_point(
                                            std::chrono::milliseconds(currentClock().nowMs())));
            return true;
        }
        const bool ok = FakeSerialPort::write(data);
        std::istringstream in(data);
        for (std::string line; !ok && std::getline(in, line, '\r');)
            if (!line.empty() && line != "1*21999")
                outstanding.insert(line);
        return ok;
    }
    void close() override {
        FakeSerialPort::close();
        sim_.hostGone();
    }

  private:
    std::string answer(const std::string& line) {
        const bool ack = line == "OK" || line == "o" || line == "r";
        if (!line.empty() && line != "1*21999" &&
            (mood_ == Mood::Silent || (mood_ == Mood::RefuseOne && !ack))) {
            // Would it have been answered? Only then does its loss count.
            qz740sim::Controller probe = sim_;
            if (!probe.onLine(line, false).text.empty())
                outstanding.insert(line);
            if (mood_ == Mood::Silent)
                return std::string();
            mood_ = Mood::Good;
            return "-\r\n";
        }
        outstanding.erase(line);
        return sim_.onLine(line, false).text;
    }

    qz740sim::Controller sim_;
    Mood mood_ = Mood::Good;
};

// The boxes that tell of success, by text and by title.
const char* const kSuccessTexts[] = {"Clock and Calendar have been successfully set",
                                     "Update Complete", "Wav File Upload Complete.",
                                     "The macros were erased in the controller"};
const char* const kSuccessTitles[] = {"Complete Upload", "Download from QZ740"};

// A Prompter for the invariant checks' own loads and saves: it continues past the firmware
// question and records what else was said.
class CheckPrompter : public ScriptedPrompter {
  public:
    Answer messageBox(const MessageBoxRequest& box) override {
        said.push_back(box.title + ": " + box.text.substr(0, 80));
        if (box.title == "VERSION DIFFERENCE" && box.icon == MessageIcon::Critical &&
            box.buttons == MessageButtons::YesNo)
            return Answer::Yes;
        if (box.buttons == MessageButtons::YesNo || box.buttons == MessageButtons::YesNoCancel)
            return Answer::No;
        return defaultAnswer(box);
    }
    std::vector<std::string> said;
};

std::string describe(const QWidget* w) {
    QString name = w->objectName();
    if (const auto* b = qobject_cast<const QAbstractButton*>(w); b && name.isEmpty())
        name = b->text();
    return w->metaObject()->className() + (" " + name.toStdString());
}
std::string className(const QWidget* w) {
    return w->metaObject()->className();
}

void press(QAbstractButton* b, bool mouse) {
    if (mouse) {
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
    } else {
        b->setFocus(Qt::TabFocusReason);
        QTest::keyClick(b, Qt::Key_Space);
    }
}
void escape(QWidget* w) {
    QWidget* focus = w->focusWidget();
    QTest::keyClick(focus != nullptr ? focus : w, Qt::Key_Escape);
}
void clickTab(QTabBar* bar, int tab) {
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
}

// A note's indent while an action nests inside another.
struct Nest {
    explicit Nest(int& depth) : depth_(depth), was_(depth++) {}
    ~Nest() { depth_ = was_; }
    int& depth_;
    int was_;
};

}  // namespace

class Walk;
Walk* gWalk = nullptr;

// One walk. It is also the operator behind every box and dialog: each is answered at random,
// and every file dialog points into the work folder.
class Walk : public Prompter {
  public:
    Walk(unsigned seed, int steps) : rng_(seed), seed_(seed), steps_(steps) {}
    int step_ = 0;

    void note(const std::string& what) {
        std::lock_guard<std::mutex> lock(logMutex_);
        log_.push_back(std::string(static_cast<std::size_t>(depth_) * 2, ' ') + what);
    }

    [[noreturn]] void fail(const std::string& what) {
        std::lock_guard<std::mutex> lock(logMutex_);
        std::fprintf(stderr, "\nMONKEY FAILURE: %s\nseed %u, step %d\nsteps so far:\n",
                     what.c_str(), seed_, step_);
        for (const std::string& line : log_) std::fprintf(stderr, "  %s\n", line.c_str());
        std::fprintf(stderr, "replay: make monkey SEED=%u STEPS=%d\n", seed_, step_);
        std::fflush(stderr);
        _exit(1);
    }

    std::mt19937 rng_;
    unsigned seed_;
    int steps_;
    std::mutex logMutex_;
    std::vector<std::string> log_;
    int depth_ = 0;
    std::unique_ptr<MonkeyLink> link_;
    std::unique_ptr<KelpMain> main_;
    VirtualClock clock_{std::chrono::system_clock::time_point(std::chrono::hours(24 * 19000))};
    RecordingSoundOutput sound_;
    fs::path home_, work_, scratch_;
    std::set<std::string> savedTo_;  // files the database writer wrote in this step
    std::map<fs::path, std::string> before_;
    std::vector<std::string> asked_;  // every box, input box and dialog, but the busy box
    bool proceededWithout_ = false;   // a download went on without an option board's data
    bool opSerial_ = false;
    int interjections_ = 0;
    std::map<std::string, int> operations_;  // how often each operation ran
    int successes_ = 0;
    QPointer<QWidget> modal_;
    int modalActions_ = 0;
    bool modalArmed_ = false;

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(int oneIn) { return pick(oneIn) == 0; }
    template <class T>
    T& any(std::vector<T>& from) {
        return from[static_cast<std::size_t>(pick(static_cast<int>(from.size())))];
    }
    void noteStep(const std::string& what) { note(std::to_string(step_) + ". " + what); }

    // ----- what the operator types: valid, invalid and hostile
    std::string randomText() {
        // clang-format off
        static const char* const kTexts[] = {
            "", "0", "1", "50", "99", "255", "300", "1000", "65535", "-1", " 12 ", "1e3", "ABC",
            "1*21999", "12\r34", "5\n6", "\t", "1\x01", "\x1b[2J", "%s%n%x", "ÄÖ€😀",
            "0123456789012345678901234567890123456789", "90", "NONE", "*", "#", "A1B2", "5 5"};
        // clang-format on
        if (chance(8))
            return std::string(static_cast<std::size_t>(pick(400) + 1), "9A \x07"[pick(4)]);
        return kTexts[pick(static_cast<int>(std::size(kTexts)))];
    }

    // ----- Prompter
    Answer messageBox(const MessageBoxRequest& box) override {
        std::vector<Answer> offered = answersFor(box.buttons);
        const Answer answer = any(offered);
        const std::string first = box.text.substr(0, box.text.find('\r'));
        note("box \"" + box.title + "\": " + first.substr(0, 70) + " -> " + answerName(answer));
        if (box.title != kBusyTitle)
            asked_.push_back(box.title);
        if (box.text.find("will proceed without") != std::string::npos)
            proceededWithout_ = true;
        for (const char* s : kSuccessTexts)
            if (box.text == s)
                success(box);
        for (const char* s : kSuccessTitles)
            if (box.title == s)
                success(box);
        return answer;
    }
    // No success unless the controller took every line of the operation.
    void success(const MessageBoxRequest& box) {
        ++successes_;
        if (opSerial_ && !link_->outstanding.empty())
            fail("\"" + box.title + "\" told of success, but the controller never took \"" +
                 *link_->outstanding.begin() + "\"");
    }
    std::optional<std::string> inputBox(const std::string& title, const std::string&,
                                        const std::string&) override {
        std::optional<std::string> text;
        if (!chance(4))
            text = randomText();
        note("input \"" + title + "\" -> " + (text ? "'" + *text + "'" : "cancel"));
        asked_.push_back(title);
        return text;
    }
    // A file of the kind the dialog asks for ("Reports (*.html)|*.html|..."), sometimes
    // another, a new one, one in a folder that is not there, or none.
    std::optional<fs::path> fileChoice(const std::string& kind, bool save,
                                       const std::string& filter) {
        std::string ext = ".dat";
        if (const auto star = filter.find("|*."); star != std::string::npos)
            ext = filter.substr(star + 2, filter.find_first_of("|;", star + 1) - star - 2);
        if (ext == ".*")
            ext = "";
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(work_))
            if (e.is_regular_file() && (ext.empty() || e.path().extension() == ext || !save))
                files.push_back(e.path());
        std::sort(files.begin(), files.end());
        std::optional<fs::path> chosen;
        const int r = pick(10);
        if (save && r >= 1 && r <= 3)
            chosen = work_ / ("saved" + std::to_string(pick(4)) + (ext.empty() ? ".dat" : ext));
        else if (r == 4)
            chosen = work_ / "no-such-folder" / "site.dat";
        else if (r != 0 && !files.empty())
            chosen = any(files);
        note(kind + " -> " + (chosen ? chosen->filename().string() : "cancel"));
        asked_.push_back(kind);
        return chosen;
    }
    std::optional<fs::path> openFileDialog(const FileDialogRequest& request) override {
        return fileChoice("open dialog", false, request.filter);
    }
    std::optional<fs::path> saveFileDialog(const FileDialogRequest& request) override {
        return fileChoice("save dialog", true, request.filter);
    }
    void beep() override {}
    bool openTextFile(const fs::path& file) override {
        asked_.push_back("open " + file.filename().string());
        return true;
    }

    void newMain() {
        resetProcessDatabase();
        linkPreferences() = LinkPreferences{};
        linkState() = LinkState{};
        main_ = std::make_unique<KelpMain>();
        main_->setDatabaseFileFunctions([](ControllerDatabase& d) { FileLoad(d); },
                                        [this](ControllerDatabase& d) {
                                            savedTo_.insert(d.currentFile);
                                            return FileWrite(d);
                                        });
        main_->show();
        main_->activateWindow();
        QApplication::processEvents();
    }

    int run() {
        const fs::path base =
            fs::temp_directory_path() /
            ("kelp-monkey-" + std::to_string(::getpid()) + "-" + std::to_string(seed_));
        fs::remove_all(base);
        home_ = base / "home";
        work_ = base / "sites";
        scratch_ = base / "scratch";
        for (const fs::path& p : {home_, work_, scratch_}) fs::create_directories(p);
        const fs::path data(KELP_TEST_DATA);
        const fs::path sample = data.parent_path().parent_path() / "examples" / "sample.dat";
        fs::copy_file(sample, work_ / "site.dat");
        fs::copy_file(sample, work_ / "other site.dat");
        // The sample made for another firmware: its load asks whether to go on.
        std::string old = fileText(sample);
        old.replace(old.find("FirmwareVersion=") + 16, 2, "52");
        std::ofstream(work_ / "old.dat", std::ios::binary) << old;
        fs::copy_file(data / "full_rtc.dat", work_ / "rtc.dat");
        fs::copy_file(data / "sample_main.mem", work_ / "linux.mem");

        qz740sim::MemoryImages images;
        const auto image = [&](const char* n) { return qz740sim::readFile((data / n).string()); };
        images.main = qz740sim::mainImageItems(image("sample_main.mem"));
        images.autopatch = qz740sim::optionImageItems(image("sample_ap.mem"));
        images.rtc = qz740sim::optionImageItems(image("sample_rtc.mem"));
        qz740sim::ControllerOptions options;
        options.version = "7005";
        link_ = std::make_unique<MonkeyLink>(options, images);
        gWalk = this;

        setAppFolder(home_);
        ScopedPrompter usePrompter(*this);
        ScopedClock useClock(clock_);
        ScopedSerialPort usePort(*link_);
        ScopedSoundOutput useSound(sound_);
        setLoadTerminateHook([] { gWalk->note("the loader asked to end the program"); });
        const int token = busyState().subscribe([this](int depth) {
            if (depth == 1) {
                ++operations_[busyState().operation()];
                opSerial_ = linkPreferences().ComPort != 0;
                link_->outstanding.clear();
            }
        });
        clock_.setYieldHook([this] { duringOperation(); });
        armModal();

        // The walk starts from files that load whole: a repair found later is the walk's doing.
        for (const fs::path& f : datFiles())
            if (const std::string why = checkLoad(f); !why.empty())
                fail(f.filename().string() + " is no clean start: " + why);

        newMain();
        main_->fileCommands().openPath((work_ / "site.dat").string());
        if (QAction* com1 = main_->findChild<QAction*>(QStringLiteral("mnuCom(1)")))
            com1->trigger();

        for (step_ = 1; step_ <= steps_; ++step_) {
            step();
            checkInvariants();
        }
        if (qEnvironmentVariableIsSet("KELP_MONKEY_VERBOSE"))
            for (const std::string& line : log_) std::printf("  %s\n", line.c_str());
        std::string ran;
        for (const auto& [name, count] : operations_)
            ran += " " + name + " x" + std::to_string(count) + ";";
        std::printf("seed %u: %d steps, no invariant broken (%d successes told;%s)\n", seed_,
                    steps_, successes_, ran.c_str());
        busyState().unsubscribe(token);
        clock_.setYieldHook({});
        main_.reset();
        setLoadTerminateHook({});
        setAppFolder({});
        gWalk = nullptr;
        fs::remove_all(base);
        return 0;
    }

    std::vector<fs::path> datFiles() const {
        std::vector<fs::path> files;
        for (const fs::path& folder : {work_, home_})
            for (const auto& e : fs::directory_iterator(folder))
                if (e.is_regular_file() && e.path().extension() == ".dat")
                    files.push_back(e.path());
        return files;
    }

    void step() {
        before_.clear();
        for (const fs::path& f : datFiles()) before_[f] = fileText(f);
        savedTo_.clear();
        link_->outstanding.clear();
        opSerial_ = false;
        proceededWithout_ = false;
        interjections_ = 0;
        depth_ = 0;
        if (!main_ || !main_->isVisible()) {
            noteStep("start Kelp again");
            main_.reset();
            newMain();
            return;
        }
        QTabWidget* tabs = main_->tabStrip();
        const int r = pick(100);
        QWidget* editor = main_->editorWindow(tabs->currentIndex());
        if (r < 30 && editor != nullptr) {
            noteStep("in the " + tabs->tabText(tabs->currentIndex()).toStdString() + " editor");
            actOn(editor, "");
        } else if (r < 45 && editor != nullptr) {
            // The editor's own way on: Apply or Cancel Changes, by mouse or keyboard.
            const char* name = chance(2) ? "CancelChanges" : "Apply";
            if (auto* button = editor->findChild<QAbstractButton*>(QLatin1String(name))) {
                noteStep(name);
                depth_ = 1;
                press(button, chance(2));
            }
        } else if (r < 52) {
            const int tab = pick(tabs->count());
            noteStep("click tab " + tabs->tabText(tab).toStdString());
            clickTab(tabs->tabBar(), tab);
        } else if (r < 85) {
            // A command of the menus and the toolbar; now and then the port again.
            std::vector<QAction*> actions;
            for (QAction* a : main_->findChildren<QAction*>()) {
                bool reachable = !a->isSeparator() && a->isEnabled() && a->isVisible() &&
                                 !a->objectName().isEmpty() &&
                                 a->objectName() != "mnuNetworkPort" &&
                                 !a->associatedObjects().isEmpty();
                for (QObject* o : a->associatedObjects())
                    if (auto* menu = qobject_cast<QMenu*>(o); menu && !menu->isEnabled())
                        reachable = false;
                if (reachable)
                    actions.push_back(a);
            }
            QAction* a =
                r < 54 ? main_->findChild<QAction*>(QStringLiteral("mnuCom(1)")) : any(actions);
            noteStep("command " + a->objectName().toStdString());
            depth_ = 1;
            a->trigger();
        } else if (r < 92) {
            changeMood();
        } else if (r < 95) {
            noteStep("close the main window");
            main_->close();
        } else {
            QWidget* focus = QApplication::focusWidget();
            noteStep("Tab key (leave the box)");
            QTest::keyClick(focus ? focus : main_.get(), Qt::Key_Tab);
        }
        // What the step left for the event loop: a refusal's box, a close after an operation.
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }

    void changeMood() {
        const auto mood = static_cast<MonkeyLink::Mood>(pick(5));
        const std::int64_t delay = 200 * pick(60);
        static const char* const kNames[] = {"answers", "answers slowly", "refuses the next line",
                                             "goes silent", "vanishes"};
        note(std::string(depth_ ? "" : std::to_string(step_) + ". ") + "the controller " +
             kNames[static_cast<int>(mood)] +
             (mood == MonkeyLink::Mood::Slow ? " (" + std::to_string(delay) + " ms)" : ""));
        link_->setMood(mood, delay);
    }

    void typeInto(QLineEdit* target) {
        // Typing may end in something that frees the box (Return in a window that then closes).
        QPointer<QLineEdit> box = target;
        const std::string text = randomText();
        box->setFocus(Qt::MouseFocusReason);
        const int how = pick(4);
        note("type into " + describe(box) + (how == 0 ? " (pasted)" : "") + ": '" + text + "'");
        if (chance(2))
            box->selectAll();
        if (how == 0) {
            QApplication::clipboard()->setText(QString::fromStdString(text));
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        } else if (text.empty()) {
            QTest::keyClick(box, Qt::Key_Delete);
        }
        // Printable keys as keys; anything else as a key event carrying only its text.
        for (const QChar c : how == 0 ? QString() : QString::fromStdString(text)) {
            if (box.isNull())
                return;
            if ((c.unicode() >= 0x20 && c.unicode() < 0x7f) || c == '\r' || c == '\t')
                QTest::keyClick(box, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        if (!box.isNull() && chance(2)) {
            note("leave the box");
            QTest::keyClick(box, Qt::Key_Tab);
        }
    }

    // Does one thing to a control of the window at random.
    void actOn(QWidget* container, const std::string& where) {
        std::vector<QWidget*> controls;
        for (QWidget* w : container->findChildren<QWidget*>())
            if (w->isVisible() && w->isEnabled() &&
                (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) ||
                 qobject_cast<QComboBox*>(w) || qobject_cast<QTabBar*>(w) ||
                 qobject_cast<QAbstractItemView*>(w)))
                controls.push_back(w);
        if (controls.empty())
            return;
        QWidget* w = any(controls);
        const std::string prefix = where.empty() ? "" : where + " ";
        const Nest nest(depth_);
        if (auto* box = qobject_cast<QLineEdit*>(w)) {
            typeInto(box);
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            const int how = pick(3);
            note(prefix +
                 (how == 0   ? "click "
                  : how == 1 ? "press "
                             : "keyboard ") +
                 describe(button));
            if (how == 1)
                button->click();
            else
                press(button, how == 0);
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            note(prefix + "choose in " + describe(combo));
            combo->setFocus(Qt::TabFocusReason);
            QTest::keyClick(combo, chance(2) ? Qt::Key_Down : Qt::Key_Up);
        } else if (auto* bar = qobject_cast<QTabBar*>(w)) {
            const int tab = pick(bar->count());
            note(prefix + "sub-tab " + bar->tabText(tab).toStdString());
            clickTab(bar, tab);
        } else if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
            const int rows = view->model() ? view->model()->rowCount(view->rootIndex()) : 0;
            if (rows > 0) {
                const QModelIndex index = view->model()->index(pick(rows), 0, view->rootIndex());
                note(prefix + "pick row " + std::to_string(index.row()) + " of " + describe(view));
                view->scrollTo(index);
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                                  view->visualRect(index).center());
            }
        }
    }

    // Modal windows run their own event loop: a fresh single shot each turn acts in them, so a
    // window opened from inside another is served too.
    void armModal() {
        if (modalArmed_)
            return;
        modalArmed_ = true;
        QTimer::singleShot(0, [this] {
            modalArmed_ = false;
            armModal();
            pokeModal();
        });
    }

    void pokeModal() {
        QWidget* w = QApplication::activeModalWidget();
        if (w == nullptr)
            modal_ = nullptr;
        if (w == nullptr || busyState().busy())
            return;
        if (w != modal_) {
            modal_ = w;
            modalActions_ = 0;
        }
        const std::string name = "[" + className(w) + "]";
        if (++modalActions_ > 40)
            fail("the " + className(w) + " window cannot be closed from the keyboard");
        const Nest nest(depth_);
        // Past a dozen actions the operator wants out, by the keyboard only: Escape, or a
        // Cancel/Close button reached with the keyboard.
        std::vector<QAbstractButton*> outs;
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
            const QString text = b->text().remove('&');
            if (b->isVisible() && b->isEnabled() &&
                (text.contains("Cancel") || text.contains("Close")))
                outs.push_back(b);
        }
        if (modalActions_ > 12 && !outs.empty() && chance(2)) {
            QAbstractButton* out = any(outs);
            note(name + " keyboard " + describe(out));
            press(out, false);
        } else if (modalActions_ > 12 || chance(8)) {
            note(name + " Escape");
            escape(w);
        } else {
            actOn(w, name);
        }
    }

    // Called on every wait of a running operation: now and then the controller changes its mood
    // or the operator tries another command.
    void duringOperation() {
        if (!busyState().busy())
            return;
        if (chance(400)) {
            const Nest nest(depth_);
            note("(during " + busyState().operation() + ")");
            changeMood();
        }
        if (interjections_ < 3 && chance(300)) {
            ++interjections_;
            interject();
        }
    }

    // Another command while an operation runs: it must be turned away with nothing sent, asked,
    // loaded or freed.
    void interject() {
        static const char* const kActions[] = {
            "mnuFileOpen",   "mnuFileSave", "mnuFileSaveAs", "mnuFilesList(1)",
            "mnuRTCno",      "mnuRTCyes",   "Download",      "Upload",
            "mnuCompare",    "mnuHistory",  "Button9",       "Set Clock",
            "MnuManualData", "MnuTestPad",  "mnuFileExit",   "mnuImportLinux"};
        const int kCount = static_cast<int>(std::size(kActions));
        const std::string under = " under " + busyState().operation();
        const std::string during = "(during " + busyState().operation() + ") ";
        const int c = pick(kCount + 3);
        const Nest nest(depth_);
        KelpMain& main = *main_;
        const std::size_t written = link_->written().size(), asked = asked_.size();
        const std::string current = db().currentFile;
        const int tab = main.tabStrip()->currentIndex();
        std::vector<QPointer<QWidget>> editors;
        for (int t = 0; t < kAreaCount; ++t) editors.emplace_back(main.editorWindow(t));
        if (c < kCount) {
            note(during + "command " + kActions[c]);
            if (QAction* a = main.findChild<QAction*>(QString::fromLatin1(kActions[c])))
                a->trigger();
        } else if (c == kCount) {
            QTabBar* bar = main.tabStrip()->tabBar();
            const int other = (bar->currentIndex() + 1 + pick(bar->count() - 1)) % bar->count();
            note(during + "click tab " + std::to_string(other));
            clickTab(bar, other);
        } else if (c == kCount + 1) {
            note(during + "close the editor");
            if (QWidget* editor = main.editorWindow(tab))
                editor->close();
        } else {
            note(during + "close the main window");
            main.close();
        }
        if (link_->written().size() != written)
            fail("a command sent a line to the controller" + under);
        if (asked_.size() != asked)
            fail("a command asked \"" + asked_[asked] + "\"" + under);
        if (db().currentFile != current)
            fail("another file was opened" + under);
        if (main.tabStrip()->currentIndex() != tab)
            fail("the tab changed" + under);
        for (int t = 0; t < kAreaCount; ++t)
            if (editors[static_cast<std::size_t>(t)] != main.editorWindow(t))
                fail("an editor window went" + under);
    }

    // Loads a copy of a file as the program would, with what the loader said.
    ControllerDatabase loadCopy(const fs::path& file, std::vector<std::string>* said = nullptr) {
        const fs::path copy = scratch_ / "check.dat";
        fs::copy_file(file, copy, fs::copy_options::overwrite_existing);
        const LoadMenuState menus = loadMenuState();
        CheckPrompter prompter;
        ControllerDatabase loaded;
        loaded.currentFile = copy.string();
        {
            ScopedPrompter use(prompter);
            setAppFolder(scratch_);
            FileLoad(loaded);
            setAppFolder(home_);
        }
        loadMenuState() = menus;
        if (said != nullptr)
            *said = prompter.said;
        return loaded;
    }

    // What the writer would put into the file for a database: key -> value.
    std::map<std::string, std::string> keysWritten(ControllerDatabase database,
                                                   const fs::path& file) {
        const fs::path copy = scratch_ / "resave.dat";
        fs::copy_file(file, copy, fs::copy_options::overwrite_existing);
        database.currentFile = copy.string();
        CheckPrompter prompter;
        ScopedPrompter use(prompter);
        FileWrite(database);
        auto keys = keysOf(fileText(copy));
        keys.erase("Version/KelpVersion");
        return keys;
    }

    // "" when the file loads whole, without repairs.
    std::string checkLoad(const fs::path& file) {
        std::vector<std::string> said;
        if (!loadCopy(file, &said).loaded)
            return "the loader refuses it";
        for (const std::string& s : said)
            if (s.find("default values") != std::string::npos) {
                // The log's first entries say what.
                std::string log = fileText(scratch_ / "error.log");
                const auto start = log.find("****");
                return "the loader repairs it:\n" +
                       (start == std::string::npos ? log : log.substr(start)).substr(0, 600);
            }
        return std::string();
    }

    void checkInvariants() {
        depth_ = 1;
        if (busyState().busy())
            fail(busyState().operation() + " still runs after the step");
        // A window left open must go with the Escape key.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w == main_.get() || !w->isVisible() || qobject_cast<QMenu*>(w))
                continue;
            note("left open: " + className(w) + "; Escape");
            escape(w);
            QApplication::processEvents();
            if (w->isVisible())
                fail("the " + className(w) +
                     " window is left open and cannot be closed from the keyboard");
        }

        // The database files change only by a save, or in the keys a load, the codes and the
        // option menus write at once; and never into something the loader would repair.
        for (const fs::path& f : datFiles()) {
            const auto was = before_.find(f);
            const std::string now = fileText(f);
            if (was != before_.end() && was->second == now)
                continue;
            if (was != before_.end() && savedTo_.count(f.string()) == 0) {
                const auto a = keysOf(was->second), b = keysOf(now);
                std::vector<std::pair<std::string, std::string>> changed;
                std::set_symmetric_difference(a.begin(), a.end(), b.begin(), b.end(),
                                              std::back_inserter(changed));
                for (const auto& [k, v] : changed)
                    if (k.rfind("Version/", 0) != 0 && k.rfind("Unlock/", 0) != 0)
                        fail(f.filename().string() + " changed (" + k + ") without a save");
            }
            // A download that went on without an option board's data writes the file as it
            // is, and its load fills the board's settings with defaults, as it says it will.
            const std::string why = checkLoad(f);
            if (!why.empty() && !(proceededWithout_ && was == before_.end() &&
                                  why.find("repairs") != std::string::npos))
                fail(f.filename().string() + " was written and " + why);
        }

        // Nothing unsaved means the database holds what the file does: saved now, it would
        // write what saving the file's own load writes.
        const ControllerDatabase& d = db();
        if (d.loaded && d.saved && !d.currentFile.empty() && fs::exists(d.currentFile)) {
            const auto fromFile = keysWritten(loadCopy(d.currentFile), d.currentFile);
            for (const auto& [k, v] : keysWritten(d, d.currentFile))
                if (!fromFile.count(k) || fromFile.at(k) != v)
                    fail("nothing is unsaved, yet the database differs from the file: " + k +
                         " is '" + v + "' here, '" + (fromFile.count(k) ? fromFile.at(k) : "") +
                         "' in the file");
        }
        depth_ = 0;
    }
};

int main(int argc, char** argv) {
    // QTest's notes on keys a box did not take are the walk's normal business.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (text.contains(QLatin1String("not accepted by receiving widget")))
            return;
        std::fprintf(stderr, "%s\n", qPrintable(text));
        if (type == QtFatalMsg)
            std::abort();
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<std::pair<unsigned, int>> runs;  // seed, steps (0: the default)
    int defaultSteps = qEnvironmentVariableIntValue("KELP_MONKEY_STEPS");
    if (defaultSteps <= 0)
        defaultSteps = 200;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--found") {
            for (const Found& f : kFound) runs.emplace_back(f.seed, f.steps);
        } else if ((arg == "--seed" || arg == "--seeds") && i + 1 < argc) {
            std::istringstream in(argv[++i]);
            for (std::string s; std::getline(in, s, ',');)
                runs.emplace_back(static_cast<unsigned>(std::stoul(s)), 0);
        } else if (arg == "--steps" && i + 1 < argc) {
            defaultSteps = std::stoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: kelp_monkey [--seed N[,N...]] [--steps M] [--found]\n");
            return 2;
        }
    }
    if (runs.empty() && argc == 1)
        runs.emplace_back(1, 0);
    // A walk that stops moving is a hang: say where.
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        int seen = -2, still = 0;
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const int now = gWalk ? gWalk->step_ : -1;
            still = now == seen ? still + 1 : 0;
            seen = now;
            if (still > 5 * 120 && gWalk)
                gWalk->fail("the step has not ended in two minutes");
        }
    });
    int status = 0;
    for (std::size_t i = 0; i < runs.size() && status == 0; ++i)
        status = Walk(runs[i].first, runs[i].second > 0 ? runs[i].second : defaultSteps).run();
    done = true;
    watchdog.join();
    return status;
}
