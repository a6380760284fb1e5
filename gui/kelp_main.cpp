#include "gui/kelp_main.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextEdit>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>

#include "core/app/app_folder.h"
#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/app/error_reporter.h"
#include "core/session/edit_history.h"
#include "core/session/sent_record.h"
#include "core/app/program_identity.h"
#include "core/app/prompter.h"
#include "core/catalogues/catalogues.h"
#include "core/database/atomic_file.h"
#include "core/database/dat_file.h"
#include "core/database/error_log.h"
#include "core/download/download_progress.h"
#include "core/download/controller_copy.h"
#include "core/download/download_run.h"
#include "core/download/snapshot_history.h"
#include "core/editors/editor_model.h"
#include "core/link/clock_set.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/serial_port.h"
#include "core/link/upload_flow.h"
#include "core/link/upload_transports.h"
#include "core/report/report_export.h"
#include "gui/about.h"
#include "gui/blocked_close_filter.h"
#include "gui/busy_follower.h"
#include "gui/company.h"
#include "gui/network_port_dialog.h"
#include "gui/transfer/download_window.h"
#include "gui/editors/editor_window.h"
#include "gui/editors/editor_windows.h"
#include "core/download/option_menu_commands.h"
#include "gui/resources.h"
#include "gui/editors/timers.h"
#include "gui/transfer/compare_window.h"
#include "gui/transfer/history_window.h"
#include "gui/transfer/update_window.h"
#include "gui/manual/manual_send_window.h"
#include "gui/manual/tt_pad.h"
#include "gui/unlock/unlock_window.h"
#include "gui/window_placement.h"

namespace kelp {

namespace {

const char* const kModule = "KelpMain";
const char* const kCloseKelpTitle = "Close Kelp";
const char* const kSerialOnlyText = "This feature can only be used with a direct serial connection";
const char* const kNoDatabaseHint =
    "No database file is open.\n\nUse File, Open to open a .dat file.";

QString menuText(const std::string& path) {
    // A path is shown as it is: an "&" in it is not an access key.
    return QString::fromStdString(path).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

KelpMain::KelpMain(QWidget* parent) : QMainWindow(parent) {
    initResources();
    setObjectName(QStringLiteral("KelpMain"));
    setWindowIcon(svgIcon(QStringLiteral("kelp-logo")));
    downloadProgress_ = std::make_unique<DownloadProgressWindow>(this);
    setDatabaseFileFunctions([](ControllerDatabase& database) { FileLoad(database); },
                             [](ControllerDatabase& database) { return FileWrite(database); });
    buildMenus();
    buildToolbar();
    buildTabStrip();
    loadMainWindow();
    // Nothing that would use the port, replace the database or close a window is left
    // clickable while an operation runs.
    busy_ = new BusyFollower(this, false);
    connect(busy_, &BusyFollower::busyChanged, this, &KelpMain::busyChanged);
    blockedClose_ = std::make_unique<BlockedCloseFilter>(this);
    editHistory().setListener([this] { showEditMenu(); });
    showEditMenu();
    qApp->installEventFilter(this);
}

KelpMain::~KelpMain() {
    editHistory().setListener({});
    // Whatever was left open — a transmitter keyed by hand among them — is released when the
    // program ends.
    try {
        if (currentSerialPort().isOpen())
            currentSerialPort().close();
    } catch (...) {
    }
}

void KelpMain::setDatabaseFileFunctions(FileCommands::LoadFunction load,
                                        FileCommands::WriteFunction write) {
    load_ = std::move(load);
    write_ = std::move(write);
    files_ = std::make_unique<FileCommands>(db(), recent_, static_cast<FileCommandsHost&>(*this),
                                            load_, write_);
}

QAction* KelpMain::addAction(QMenu* menu, const QString& name, const QString& text) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    menu->addAction(action);
    return action;
}

void KelpMain::buildMenus() {
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction* open = addAction(file, QStringLiteral("mnuFileOpen"), QStringLiteral("&Open"));
    open->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    connect(open, &QAction::triggered, this, [this] { files_->open(); });
    file->addSeparator();
    QAction* save = addAction(file, QStringLiteral("mnuFileSave"), QStringLiteral("&Save"));
    save->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    connect(save, &QAction::triggered, this, [this] { files_->save(); });
    QAction* saveAs = addAction(file, QStringLiteral("mnuFileSaveAs"), QStringLiteral("Save &As"));
    saveAs->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
    connect(saveAs, &QAction::triggered, this, [this] { files_->saveAs(); });
    QAction* report =
        addAction(file, QStringLiteral("mnuExportReport"), QStringLiteral("Export Report…"));
    connect(report, &QAction::triggered, this, [] {
        exportReport(currentPrompter(), db(), errorLog(), std::chrono::system_clock::now());
    });
    file->addSeparator();
    QAction* log = addAction(file, QStringLiteral("mnuErrorLog"), QStringLiteral("View Error Log"));
    connect(log, &QAction::triggered, this, [] { viewErrorLog(currentPrompter(), errorLog()); });
    file->addSeparator();
    QAction* exit = addAction(file, QStringLiteral("mnuFileExit"), QStringLiteral("E&xit"));
    exit->setShortcut(QKeySequence(QStringLiteral("Ctrl+X")));
    connect(exit, &QAction::triggered, this, [this] {
        if (exitSequence())
            finishExit();
    });
    filesList_[0] = file->addSeparator();
    filesList_[0]->setObjectName(QStringLiteral("mnuFilesList(0)"));
    for (int k = 1; k <= RecentFiles::kMaxEntries; ++k) {
        QAction* item = addAction(file, QStringLiteral("mnuFilesList(%1)").arg(k), QString());
        item->setVisible(false);
        connect(item, &QAction::triggered, this, [this, k] { files_->openRecent(k); });
        filesList_[static_cast<std::size_t>(k)] = item;
    }

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    undo_ = addAction(edit, QStringLiteral("mnuEditUndo"), QStringLiteral("&Undo"));
    undo_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    connect(undo_, &QAction::triggered, this, [this] { undoRedo(true); });
    redo_ = addAction(edit, QStringLiteral("mnuEditRedo"), QStringLiteral("&Redo"));
    redo_->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
                         QKeySequence(QStringLiteral("Ctrl+Y"))});
    connect(redo_, &QAction::triggered, this, [this] { undoRedo(false); });
    connect(edit, &QMenu::aboutToShow, this, &KelpMain::showEditMenu);

    // Alt+F is File's: the configuration menu takes G.
    QMenu* config = bar->addMenu(QStringLiteral("Confi&gure Kelp"));
    config->setObjectName(QStringLiteral("mnuFileConfig"));
    QMenu* serial = config->addMenu(QStringLiteral("&Use Serial Port"));
    serial->setObjectName(QStringLiteral("mnuConfigSerialPort"));
    connect(addAction(serial, QStringLiteral("mnuSerialDelay"), QStringLiteral("DelayTime")),
            &QAction::triggered, this, [this] {
                mnuSerialDelayClick();
                showLinkChecks();
            });
    for (int n = 1; n <= kComPortCount; ++n) {
        QAction* item =
            addAction(serial, QStringLiteral("mnuCom(%1)").arg(n), QStringLiteral("Com%1").arg(n));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, n] {
            mnuComClick(n);
            showLinkChecks();
        });
        comItems_[static_cast<std::size_t>(n)] = item;
    }
    // A serial server at the repeater site, stored as one of the entries above.
    connect(addAction(serial, QStringLiteral("mnuNetworkPort"), QStringLiteral("&Network...")),
            &QAction::triggered, this, &KelpMain::networkPort);
    QMenu* dtmf = config->addMenu(QStringLiteral("&Use DTMF"));
    dtmf->setObjectName(QStringLiteral("mnuConfigDTMF"));
    connect(addAction(dtmf, QStringLiteral("mnuDTMFDelay"), QStringLiteral("Set Interdigit Delay")),
            &QAction::triggered, this, [this] {
                mnuDTMFDelayClick();
                showLinkChecks();
            });
    connect(
        addAction(dtmf, QStringLiteral("mnuConfigureTXDelay"), QStringLiteral("Set KeyUp Delay")),
        &QAction::triggered, this, [this] {
            mnuConfigureTXDelayClick();
            showLinkChecks();
        });
    connect(addAction(dtmf, QStringLiteral("mnuLongestTransmission"),
                      QStringLiteral("Set Longest Transmission")),
            &QAction::triggered, this, [] { mnuLongestTransmissionClick(); });
    for (int n = 1; n <= kComPortCount; ++n) {
        QAction* item = addAction(dtmf, QStringLiteral("mnuDTMFCom(%1)").arg(n),
                                  QStringLiteral("Use Com%1 for PTT").arg(n));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, n] {
            mnuDTMFComClick(n);
            showLinkChecks();
        });
        dtmfComItems_[static_cast<std::size_t>(n)] = item;
    }
    rtsItem_ = addAction(dtmf, QStringLiteral("mnuUseDTMFRTS"), QStringLiteral("RTS for PTT"));
    rtsItem_->setCheckable(true);
    connect(rtsItem_, &QAction::triggered, this, [this] {
        mnuUseDTMFRTSClick();
        showLinkChecks();
    });
    dtrItem_ = addAction(dtmf, QStringLiteral("mnuUseDTMFDTR"), QStringLiteral("DTR for PTT"));
    dtrItem_->setCheckable(true);
    connect(dtrItem_, &QAction::triggered, this, [this] {
        mnuUseDTMFDTRClick();
        showLinkChecks();
    });

    // Two commands sit on the menu bar itself.
    QAction* pad = bar->addAction(QStringLiteral("&DTMF Test Pad"));
    pad->setObjectName(QStringLiteral("MnuTestPad"));
    connect(pad, &QAction::triggered, this, &KelpMain::testPad);
    QAction* manual = bar->addAction(QStringLiteral("&Manual Data Send"));
    manual->setObjectName(QStringLiteral("MnuManualData"));
    connect(manual, &QAction::triggered, this, &KelpMain::manualDataSend);

    QMenu* qz = bar->addMenu(QStringLiteral("&QZ740"));
    qz->setObjectName(QStringLiteral("mnuQZ740"));
    connect(addAction(qz, QStringLiteral("mnuQZ740Upload"), QStringLiteral("Upload to QZ740")),
            &QAction::triggered, this, &KelpMain::mnuQZ740Upload_Click);
    connect(
        addAction(qz, QStringLiteral("mnuQZ740Download"), QStringLiteral("Download from QZ740")),
        &QAction::triggered, this, &KelpMain::mnuQZ740Download_Click);
    connect(addAction(qz, QStringLiteral("mnuCompare"), QStringLiteral("&Compare with QZ740")),
            &QAction::triggered, this, &KelpMain::mnuCompare_Click);
    connect(addAction(qz, QStringLiteral("mnuHistory"), QStringLiteral("&History…")),
            &QAction::triggered, this, &KelpMain::mnuHistory_Click);
    connect(addAction(qz, QStringLiteral("mnuImportLinux"),
                      QStringLiteral("Import a Linux Download File")),
            &QAction::triggered, this, &KelpMain::mnuImportLinux_Click);

    rtcMenu_ = bar->addMenu(QStringLiteral("R&TC"));
    rtcMenu_->setObjectName(QStringLiteral("mnuRTC"));
    rtcYes_ = addAction(rtcMenu_, QStringLiteral("mnuRTCyes"), QStringLiteral("RTC-YES"));
    rtcNo_ = addAction(rtcMenu_, QStringLiteral("mnuRTCno"), QStringLiteral("RTC-NO"));
    rtcMenu_->addSeparator();
    connect(
        addAction(rtcMenu_, QStringLiteral("mnuRTCSetClock"), QStringLiteral("Set Clock/Calendar")),
        &QAction::triggered, this, &KelpMain::setClock);
    dvrMenu_ = bar->addMenu(QStringLiteral("D&VR"));
    dvrMenu_->setObjectName(QStringLiteral("mnuDVR"));
    dvrWrite_ =
        addAction(dvrMenu_, QStringLiteral("mnuDVRWrite"), QStringLiteral("Write DVR Track info"));
    dvrNoWrite_ = addAction(dvrMenu_, QStringLiteral("mnuDVRNoWrite"),
                            QStringLiteral("Don't Write DVR Track Info"));
    for (QAction* a : {rtcYes_, rtcNo_, dvrWrite_, dvrNoWrite_}) a->setCheckable(true);
    connect(rtcYes_, &QAction::triggered, this,
            [this] { optionCommand(&OptionMenuCommands::mnuRTCyes_Click); });
    connect(rtcNo_, &QAction::triggered, this,
            [this] { optionCommand(&OptionMenuCommands::mnuRTCno_Click); });
    connect(dvrWrite_, &QAction::triggered, this,
            [this] { optionCommand(&OptionMenuCommands::mnuDVRWrite_Click); });
    connect(dvrNoWrite_, &QAction::triggered, this,
            [this] { optionCommand(&OptionMenuCommands::mnuDVRNoWrite_Click); });

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    connect(addAction(help, QStringLiteral("mnuAbout"), QStringLiteral("&About")),
            &QAction::triggered, this, &KelpMain::showAbout);
    connect(addAction(help, QStringLiteral("mnuCompany"), QStringLiteral("&Company Information")),
            &QAction::triggered, this, &KelpMain::showCompany);
}

void KelpMain::buildToolbar() {
    toolbar_ = addToolBar(QStringLiteral("Toolbar"));
    toolbar_->setObjectName(QStringLiteral("Toolbar1"));
    toolbar_->setMovable(false);
    toolbar_->setIconSize(QSize(32, 32));
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto button = [this](const QString& key, const QString& icon, const QString& tip) {
        QAction* action =
            toolbar_->addAction(svgIcon(icon), key);
        action->setObjectName(key.isEmpty() ? QStringLiteral("Button9") : key);
        action->setToolTip(tip);
        return action;
    };
    connect(button(QStringLiteral("Open"), QStringLiteral("open"), QStringLiteral("Open DAT File")),
            &QAction::triggered, this, [this] { files_->open(); });
    connect(button(QStringLiteral("Save"), QStringLiteral("save"), QStringLiteral("Save DAT File")),
            &QAction::triggered, this, [this] { files_->save(); });
    toolbar_->addSeparator();
    connect(button(QStringLiteral("Download"), QStringLiteral("download"),
                   QStringLiteral("Download from Controller")),
            &QAction::triggered, this, &KelpMain::mnuQZ740Download_Click);
    connect(button(QStringLiteral("Upload"), QStringLiteral("upload"),
                   QStringLiteral("Upload to Controller")),
            &QAction::triggered, this, &KelpMain::mnuQZ740Upload_Click);
    toolbar_->addSeparator();
    QAction* reset = button(QString(), QStringLiteral("reset"), QStringLiteral("Reset QZ740"));
    reset->setText(QStringLiteral("Reset QZ740"));
    connect(reset, &QAction::triggered, this, &KelpMain::toolbarReset);
    connect(button(QStringLiteral("Set Clock"), QStringLiteral("clock"),
                   QStringLiteral("Set Clock/Calendar")),
            &QAction::triggered, this, &KelpMain::setClock);
    // The toolbar's own button for the buttons a narrow window cannot show.
    if (auto* more = toolbar_->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More toolbar buttons"));
}

void KelpMain::buildTabStrip() {
    sstab_ = new QTabWidget(this);
    sstab_->setObjectName(QStringLiteral("SSTab1"));
    sstab_->setDocumentMode(false);
    sstab_->setUsesScrollButtons(true);
    sstab_->tabBar()->setExpanding(false);
    // Eleven captions must fit a 1024-pixel screen without scroll arrows.
    sstab_->tabBar()->setStyleSheet(QStringLiteral(
        "QTabBar::tab { padding: 4px 8px; margin-right: 1px; border: 1px solid palette(mid);"
        " border-top-left-radius: 4px; border-top-right-radius: 4px; background: palette(button); }"
        "QTabBar::tab:selected { background: palette(base); border-bottom-color: palette(base); }"
        "QTabBar::tab:!selected { margin-top: 3px; }"
        "QTabBar::tab:disabled { color: palette(mid); }"
        // The tab with the keyboard focus is outlined, since the style sheet drops the style's
        // own focus frame.
        "QTabBar::tab:focus { border: 2px solid palette(highlight); }"));
    for (int tab = 0; tab < kAreaCount; ++tab) {
        auto* page = new QWidget(sstab_);
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(4, 4, 4, 4);
        auto* hint = new QLabel(QString::fromLatin1(kNoDatabaseHint), page);
        hint->setAlignment(Qt::AlignCenter);
        hint->setEnabled(false);
        layout->addWidget(hint);
        pages_[static_cast<std::size_t>(tab)] = page;
        emptyHints_[static_cast<std::size_t>(tab)] = hint;
        sstab_->addTab(page, tabCaption(static_cast<Area>(tab)));
    }
    connect(sstab_, &QTabWidget::currentChanged, this, &KelpMain::tabChanged);
    setCentralWidget(sstab_);
}

void KelpMain::loadMainWindow() {
    std::string step = "build catalogues";
    auto guarded = [this, &step](const char* label, const auto& body) {
        step = label;
        try {
            body();
        } catch (...) {
            // A start-up step that fails is reported; start-up goes on with the next one.
            reportError(kModule, "MDIForm_Load", step, prefs_.file().string());
        }
    };

    guarded("build catalogues", [] { buildCatalogues(); });
    guarded("read recent files", [this] {
        filesList_[0]->setVisible(false);
        recent_ = prefs_.readRecentFiles();
        showRecentFiles();
    });
    setWindowTitle(QString::fromStdString(fGetCaption(std::string())).trimmed());
    guarded("read window geometry", [this] {
        placeByDefault();
        if (const auto placement = prefs_.readWindowPlacement())
            applyPlacement(*placement);
    });
    guarded("read link preferences", [] { loadLinkPreferences(); });
    guarded("set port check marks", [this] {
        setStartupLinkMenuChecks();
        showLinkChecks();
    });
    guarded("reset database", [] { db().reset(); });
    rtcMenu_->setEnabled(false);
    dvrMenu_->setEnabled(false);
    sstab_->tabBar()->setEnabled(false);
}

void KelpMain::placeByDefault() {
    // No geometry remembered yet: a comfortable size in the middle of the screen.
    QRect area(0, 0, 1024, 740);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    QRect wanted(0, 0, std::min(1180, area.width()), std::min(780, area.height()));
    wanted.moveCenter(area.center());
    setGeometry(wanted);
}

void KelpMain::applyPlacement(const WindowPlacement& p) {
    rememberedState_ = p.state;
    setGeometry(restoredRect(p, QSize(400, 300)));
}

void KelpMain::showAsRemembered() {
    switch (static_cast<WindowState>(rememberedState_)) {
        case WindowState::Maximised:
            showMaximized();
            break;
        case WindowState::Minimised:
            showMinimized();
            break;
        default:
            show();
            break;
    }
}

WindowPlacement KelpMain::placement() const {
    return placementOf(*this);
}

void KelpMain::showRecentFiles() {
    filesList_[0]->setVisible(!recent_.empty());
    for (int k = 1; k <= RecentFiles::kMaxEntries; ++k) {
        QAction* item = filesList_[static_cast<std::size_t>(k)];
        item->setText(menuText(recent_.item(k)));
        item->setVisible(k <= recent_.count());
    }
}

void KelpMain::showLinkChecks() {
    const LinkMenuChecks& checks = linkMenuChecks();
    for (int n = 1; n <= kComPortCount; ++n) {
        QAction* com = comItems_[static_cast<std::size_t>(n)];
        com->setChecked(checks.serialPort[static_cast<std::size_t>(n - 1)]);
        // Each "Com" entry names the device it opens here.
        const QString device = QString::fromStdString(comDevice(n));
        com->setText(QStringLiteral("Com%1").arg(n) +
                     (device.isEmpty() ? QString() : QLatin1Char('\t') + device));
        dtmfComItems_[static_cast<std::size_t>(n)]->setChecked(
            checks.pttPort[static_cast<std::size_t>(n - 1)]);
    }
    dtrItem_->setChecked(checks.dtr);
    rtsItem_->setChecked(checks.rts);
}

void KelpMain::networkPort() {
    if (busyState().refuseWhileBusy())
        return;
    NetworkPortDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.useNow())
        mnuComClick(dialog.comEntry());
    showLinkChecks();
}

void KelpMain::showOptionMenus() {
    const LoadMenuState& state = loadMenuState();
    rtcYes_->setChecked(state.rtcYes);
    rtcNo_->setChecked(state.rtcNo);
    dvrWrite_->setChecked(state.dvrWrite);
    dvrNoWrite_->setChecked(state.dvrDontWrite);
    rtcMenu_->setEnabled(state.rtcMenuEnabled);
    dvrMenu_->setEnabled(state.dvrMenuEnabled);
}

QWidget* KelpMain::editorWindow(int tab) const {
    if (tab < 0 || tab >= kAreaCount)
        return nullptr;
    return editors_[static_cast<std::size_t>(tab)];
}

Timers* KelpMain::timersWindow() const {
    return qobject_cast<Timers*>(editorWindow(static_cast<int>(Area::Timers)));
}

void KelpMain::fShowForms() {
    for (Area area : showOrder()) {
        const auto tab = static_cast<std::size_t>(area);
        if (editors_[tab])
            continue;
        QWidget* page = pages_[tab];
        QWidget* window = createEditorWindow(area, page);
        page->layout()->addWidget(window);
        emptyHints_[tab]->hide();
        window->show();
        editors_[tab] = window;
    }
}

void KelpMain::fUnloadForms() {
    for (Area area : unloadOrder()) {
        const auto tab = static_cast<std::size_t>(area);
        // Each window goes completely, so the next show builds it afresh from the database.
        delete editors_[tab].data();
        editors_[tab] = nullptr;
        emptyHints_[tab]->show();
    }
    db().reset();
    showEditMenu();
}

bool KelpMain::unappliedChangesClear() {
    const auto notice = unappliedChangesGuard(db(), static_cast<Area>(rememberedTab_));
    if (!notice)
        return true;
    currentPrompter().message(notice->text, notice->title, MessageIcon::Exclamation);
    switchingBack_ = true;
    sstab_->setCurrentIndex(rememberedTab_);
    switchingBack_ = false;
    return false;
}

void KelpMain::tabChanged(int tab) {
    if (switchingBack_)
        return;
    // The tab strip is disabled while an operation runs; a change that comes anyway (from
    // code) is turned back.
    if (busyState().busy()) {
        switchingBack_ = true;
        sstab_->setCurrentIndex(rememberedTab_);
        switchingBack_ = false;
        busyState().refuseWhileBusy();
        return;
    }
    // A box that was just refused keeps the focus: the tab does not change under it.
    if (auto* shown = qobject_cast<EditorWindow*>(editorWindow(rememberedTab_));
        shown != nullptr && shown->refusalPending()) {
        switchingBack_ = true;
        sstab_->setCurrentIndex(rememberedTab_);
        switchingBack_ = false;
        return;
    }
    if (!unappliedChangesClear())
        return;
    rememberedTab_ = tab;
    if (auto* editor = qobject_cast<EditorWindow*>(editorWindow(tab)))
        editor->focusFirstControl();
    else if (QWidget* window = editorWindow(tab))
        window->setFocus(Qt::OtherFocusReason);
}

void KelpMain::showLoadedDatabase() {
    fShowForms();
    captionChanged();
    sstab_->tabBar()->setEnabled(true);
    switchingBack_ = true;
    sstab_->setCurrentIndex(0);
    switchingBack_ = false;
    rememberedTab_ = 0;
    showOptionMenus();
    showEditMenu();
}

void KelpMain::focusTimers() {
    if (Timers* timers = timersWindow())
        timers->focusFirstControl();
}

void KelpMain::captionChanged() {
    // No file: the program version alone, as at start-up.
    setWindowTitle(QString::fromStdString(fGetCaption(db().currentFile)).trimmed());
}

void KelpMain::recentFilesChanged() {
    showRecentFiles();
}

void KelpMain::toolbarReset() {
    if (linkPreferences().ComPort == 0) {
        currentPrompter().message(kSerialOnlyText, "");
        return;
    }
    // The reset the upload ends with: its line gets its time on the wire before the port
    // closes.
    try {
        SerialTransport().resetController();
    } catch (...) {
        reportError(kModule, "Toolbar1_ButtonClick");
    }
}

void KelpMain::setClock() {
    try {
        setControllerClock();
    } catch (...) {
        reportError(kModule, "ClockSet_Click");
    }
}

void KelpMain::manualDataSend() {
    if (!unappliedChangesClear())
        return;
    // Shown modally and unloaded when it closes.
    ManualSendWindow window(this);
    window.execAsRemembered();
}

void KelpMain::testPad() {
    TTPad pad(this);
    pad.exec();
}

bool KelpMain::openUnlockCodes() {
    return showUnlockWindow(this);
}

void KelpMain::mnuQZ740Upload_Click() {
    try {
        const bool dtmfMode = linkPreferences().ComPort == 0;
        if (!uploadCommandChecks(db(), dtmfMode, [this] { return unappliedChangesClear(); }))
            return;
    } catch (...) {
        reportError(kModule, "mnuQZ740Upload_Click");
        return;
    }
    // Shown modally and unloaded when it closes, so each upload starts with a fresh window.
    // The backup before a complete upload shows its download in the progress window.
    ScopedDownloadProgress useWindow(*downloadProgress_);
    Update update(db(), this);
    update.execAsRemembered();
}

void KelpMain::mnuCompare_Click() {
    Prompter& prompter = currentPrompter();
    const char* const title = "Compare with QZ740";
    try {
        if (!db().loaded) {
            prompter.message("Open the database file to compare with the controller first.",
                             title, MessageIcon::Information);
            return;
        }
        if (!unappliedChangesClear())
            return;
        if (linkPreferences().ComPort == 0) {
            prompter.message(kDtmfModeText, kDtmfModeTitle, MessageIcon::Exclamation);
            return;
        }
        ControllerCopyOptions options;
        options.rtc = db().hasRtc;
        options.ap = prompter.message(kImportApQuestion, kApQuestionTitle, MessageIcon::Question,
                                      MessageButtons::YesNo,
                                      DefaultButton::Second) == Answer::Yes;
        ControllerDatabase controller;
        bool downloaded = false;
        {
            // The status line names what the operator started, not the download inside it.
            BusyGuard busy("The comparison with the QZ740");
            ScopedDownloadProgress useWindow(*downloadProgress_);
            downloaded = downloadControllerCopy(controller, options, appFolder() / "compare");
        }
        if (!downloaded)
            return;
        CompareWindow window(controllerDifferences(db(), controller, options), this);
        window.exec();
        if (window.choice() == CompareWindow::Choice::UploadFileValues) {
            // The differing settings join whatever is flagged already; the Update window
            // says how much there is before anything is sent.
            flagControllerDifferences(db(), controller, options);
            mnuQZ740Upload_Click();
        } else if (window.choice() == CompareWindow::Choice::OpenControllerCopy) {
            controller.currentFile =
                (appFolder() / ("Dwnld_" + downloadStamp(currentClock().wallClock()) + ".dat"))
                    .string();
            if (!FileWrite(controller))
                return;
            // The copy is what the controller holds: its own sent record.
            recordWholeDatabase(controller);
            files_->openPath(controller.currentFile);
            afterDatabaseCommand();
        }
    } catch (...) {
        reportError(kModule, "mnuCompare_Click");
    }
}

void KelpMain::mnuHistory_Click() {
    Prompter& prompter = currentPrompter();
    const char* const title = "History";
    // Opening a snapshot replaces the database: never under a running operation.
    if (busyState().refuseWhileBusy())
        return;
    try {
        if (!db().loaded) {
            prompter.message("Open the database file whose controller's history to show first.",
                             title, MessageIcon::Information);
            return;
        }
        const std::filesystem::path folder = historyFolder(db().currentFile);
        std::vector<Snapshot> snapshots = listSnapshots(folder);
        if (snapshots.empty()) {
            prompter.message("No snapshot of this file's controller has been kept yet.\r\n\r\n"
                             "\"kelp-cli watch\" keeps one in " + folder.string() +
                                 " each time it finds the controller's memory changed.",
                             title, MessageIcon::Information);
            return;
        }
        HistoryWindow window(db(), std::move(snapshots), this);
        window.exec();
        if (window.chosen().empty())
            return;
        // A copy is opened, so that saving it never changes the history.
        std::ifstream in(window.chosen(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        const std::filesystem::path copy =
            appFolder() / ("Snapshot_" + window.chosen().filename().string());
        writeFileAtomically(copy, bytes);
        files_->openPath(copy.string());
        afterDatabaseCommand();
    } catch (...) {
        reportError(kModule, "mnuHistory_Click");
    }
}

void KelpMain::mnuQZ740Download_Click() {
    ScopedDownloadProgress useWindow(*downloadProgress_);
    DownloadRun(
        db(), recent_, static_cast<FileCommandsHost&>(*this), [this] { return files_->saveAs(); },
        load_, write_)
        .mnuQZ740Download_Click();
    afterDatabaseCommand();
}

void KelpMain::mnuImportLinux_Click() {
    ScopedDownloadProgress useWindow(*downloadProgress_);
    DownloadRun(
        db(), recent_, static_cast<FileCommandsHost&>(*this), [this] { return files_->saveAs(); },
        load_, write_)
        .mnuImportLinux_Click();
    afterDatabaseCommand();
}

void KelpMain::optionCommand(void (OptionMenuCommands::*command)()) {
    OptionMenuCommands commands(
        db(), static_cast<FileCommandsHost&>(*this), [this] { return files_->save(); }, load_);
    (commands.*command)();
    // A checked item that was clicked unchecks itself: the marks come back from the file.
    afterDatabaseCommand();
}

void KelpMain::afterDatabaseCommand() {
    showOptionMenus();
    showEditMenu();
    if (db().loaded)
        return;
    // A run that stopped after the reset leaves no database: nothing to edit or to mark.
    sstab_->tabBar()->setEnabled(false);
    rtcMenu_->setEnabled(false);
    dvrMenu_->setEnabled(false);
}

void KelpMain::showEditMenu() {
    EditHistory& history = editHistory();
    undo_->setText(QLatin1Char('&') + menuText(history.undoText()));
    // While an operation runs the busy follower holds them off; it ends with this again.
    const bool idle = !busyState().busy();
    undo_->setEnabled(idle && history.canUndo());
    redo_->setText(QLatin1Char('&') + menuText(history.redoText()));
    redo_->setEnabled(idle && history.canRedo());
}

void KelpMain::undoRedo(bool undoing) {
    if (busyState().refuseWhileBusy())
        return;
    // A box holding a refused value, or edits not applied yet, are dealt with first, as
    // before a tab change.
    if (auto* shown = qobject_cast<EditorWindow*>(editorWindow(rememberedTab_));
        shown != nullptr && shown->refusalPending())
        return;
    if (!unappliedChangesClear())
        return;
    const std::optional<ShownStep> step =
        undoing ? editHistory().undo() : editHistory().redo();
    if (!step)
        return;
    const int tab = static_cast<int>(step->area);
    if (sstab_->currentIndex() != tab)
        sstab_->setCurrentIndex(tab);
    if (auto* editor = qobject_cast<EditorWindow*>(editorWindow(tab)))
        editor->showStep(step->tab);
}

bool KelpMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride || undo_ == nullptr)
        return QMainWindow::eventFilter(watched, event);
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    const bool undoKey = undo_->shortcuts().contains(pressed);
    const bool redoKey = redo_->shortcuts().contains(pressed);
    if (!undoKey && !redoKey)
        return QMainWindow::eventFilter(watched, event);
    bool ownUndo = false;
    if (auto* line = qobject_cast<QLineEdit*>(watched))
        ownUndo = undoKey ? line->isUndoAvailable() : line->isRedoAvailable();
    else if (auto* text = qobject_cast<QTextEdit*>(watched))
        ownUndo = undoKey ? text->document()->isUndoAvailable()
                          : text->document()->isRedoAvailable();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(watched))
        ownUndo = undoKey ? plain->document()->isUndoAvailable()
                          : plain->document()->isRedoAvailable();
    else
        return QMainWindow::eventFilter(watched, event);
    if (ownUndo)
        return false;
    // Nothing of the box's own to take back: the box does not claim the key, so the Edit
    // menu's shortcut runs.
    event->ignore();
    return true;
}

void KelpMain::busyChanged(bool busy) {
    // The greyed window says why: the running operation's name at its foot.
    if (!busy)
        showEditMenu();
    statusBar()->setVisible(busy);
    statusBar()->showMessage(
        busy ? QString::fromStdString(busyState().operation()) + QStringLiteral(" is running…")
             : QString());
    if (busy || !closeAfterOperation_)
        return;
    closeAfterOperation_ = false;
    // After the operation's own call has returned, not from inside it.
    QTimer::singleShot(0, this, [this] { closeWhenFree(); });
}

void KelpMain::showAbout() {
    About about(this);
    about.exec();
}

void KelpMain::showCompany() {
    Company company(this);
    company.exec();
}

bool KelpMain::exitSequence() {
    if (busyState().refuseWhileBusy())
        return false;
    if (!files_->exitQuestions())
        return false;
    try {
        if (currentSerialPort().isOpen())
            currentSerialPort().close();
    } catch (...) {
        reportError(kModule, "MDIForm_Unload", "close the serial port");
    }
    try {
        prefs_.writeExitSettings(placement(), recent_);
    } catch (...) {
        reportError(kModule, "MDIForm_Unload", "write kelp.ini", prefs_.file().string());
    }
    return true;
}

void KelpMain::askToInterruptAndClose() {
    if (closeAfterOperation_)
        return;
    // The operation's own question when it has one (the upload's "Interrupt Update"), so that
    // every way of stopping it asks the same.
    const bool yes = busyState().askToInterrupt([] {
        return currentPrompter().message(
                   busyState().operation() + " is running.\r\n\r\nInterrupt it and close Kelp?",
                   kBusyTitle, MessageIcon::Question, MessageButtons::YesNo,
                   DefaultButton::Second) == Answer::Yes;
    });
    if (yes && busyState().busy())
        closeAfterOperation_ = true;
}

void KelpMain::closeRequestedWhileBlocked() {
    if (busyState().busy()) {
        askToInterruptAndClose();
        return;
    }
    // A window of Kelp's own is waiting for the operator: it is answered first.
    const QWidget* modal = QApplication::activeModalWidget();
    const QString name = modal != nullptr && !modal->windowTitle().isEmpty()
                             ? QStringLiteral("the \"%1\" window").arg(modal->windowTitle())
                             : QStringLiteral("another Kelp window");
    currentPrompter().message(QStringLiteral("Kelp cannot close while %1 is open.\r\n\r\n"
                                             "Close that window first.")
                                  .arg(name)
                                  .toStdString(),
                              kCloseKelpTitle, MessageIcon::Exclamation);
}

void KelpMain::closeWhenFree() {
    // The operation has ended, but the window that ran it may still be open, waiting for the
    // operator to read its last message: the close waits for it.
    if (QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(100, this, [this] { closeWhenFree(); });
        return;
    }
    close();
}

void KelpMain::finishExit() {
    exitDone_ = true;
    close();
}

void KelpMain::closeEvent(QCloseEvent* event) {
    if (exitDone_) {
        event->accept();
        return;
    }
    // An operation is running inside this window's event: nothing may be unloaded under it.
    // The operator may interrupt it; the window closes once it has stopped.
    if (busyState().busy()) {
        event->ignore();
        askToInterruptAndClose();
        return;
    }
    // The close request first; then the window unloads through the exit sequence, which asks
    // its own question again.
    if (!files_->closeRequest() || !exitSequence()) {
        event->ignore();
        return;
    }
    exitDone_ = true;
    event->accept();
}

}  // namespace kelp
