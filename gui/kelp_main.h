// The main window: menu bar, toolbar, the tab strip SSTab1 with one editor window per area,
// the caption, kelp.ini at start-up and exit, and the file commands.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>
#include <optional>

#include "core/session/file_commands.h"
#include "core/session/preferences.h"
#include "core/session/recent_files.h"
#include "core/database/controller_database.h"

class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;

namespace kelp {

class BlockedCloseFilter;
class BusyFollower;
class DownloadProgressWindow;
class EditorWindow;
class OptionMenuCommands;
class Timers;

class KelpMain : public QMainWindow, private FileCommandsHost {
    Q_OBJECT
  public:
    // Loads the main window: catalogues, recent files, caption, geometry, link preferences,
    // menu check marks, database reset, and the tab strip and option menus disabled.
    explicit KelpMain(QWidget* parent = nullptr);
    ~KelpMain() override;

    // Shows the window in the state kelp.ini remembered (normal, minimised or maximised).
    void showAsRemembered();

    FileCommands& fileCommands() { return *files_; }
    const RecentFiles& recentFiles() const { return recent_; }
    // Replaces FileLoad and FileWrite (tests); the download, import and option menus use
    // them too.
    void setDatabaseFileFunctions(FileCommands::LoadFunction load,
                                  FileCommands::WriteFunction write);

    QTabWidget* tabStrip() const { return sstab_; }
    // The editor window on a tab (0-10), or nullptr while no database is loaded.
    QWidget* editorWindow(int tab) const;
    Timers* timersWindow() const;
    int rememberedTab() const { return rememberedTab_; }

    // fShowForms / fUnloadForms (the latter also resets the database).
    void fShowForms();
    void fUnloadForms() override;

    // The window geometry in twips as the exit sequence stores it.
    WindowPlacement placement() const;
    // File, Exit: the exit sequence; true when the program ends.
    bool exitSequence();

    // The "&QZ740" menu (toolbar buttons 6 and 7 too).
    void mnuQZ740Upload_Click();
    void mnuQZ740Download_Click();
    void mnuImportLinux_Click();
    // "&Compare with QZ740": the controller's memory against the open database.
    void mnuCompare_Click();
    // "&History…": the snapshots a watch kept of the open database's controller.
    void mnuHistory_Click();
    // The progress window the download shows while it receives and decodes.
    DownloadProgressWindow& downloadProgress() const { return *downloadProgress_; }

    // Edit, Undo and Redo: the history's step back or forward, shown in its window and tab.
    void undoRedo(bool undoing);

  protected:
    void closeEvent(QCloseEvent* event) override;
    // Ctrl+Z in a text box undoes the box's own typing while it has any; otherwise the Edit
    // menu's Undo takes the key (Redo likewise).
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // FileCommandsHost
    bool unappliedChangesClear() override;
    void showLoadedDatabase() override;
    void focusTimers() override;
    void captionChanged() override;
    void recentFilesChanged() override;
    bool openUnlockCodes() override;

    void loadMainWindow();
    void buildMenus();
    void buildToolbar();
    void buildTabStrip();
    QAction* addAction(QMenu* menu, const QString& name, const QString& text);
    void applyPlacement(const WindowPlacement& placement);
    void placeByDefault();
    void showRecentFiles();
    void showLinkChecks();
    void showOptionMenus();
    // The Edit menu's items name the steps that Undo and Redo would take.
    void showEditMenu();
    void tabChanged(int tab);
    void toolbarReset();
    // "Set Clock": the controller's clock and calendar from this computer's, at once.
    void setClock();
    void showAbout();
    void showCompany();
    void manualDataSend();
    void testPad();
    // Configure Kelp > Use Serial Port > "Network...": a site's serial server as a Com entry.
    void networkPort();
    void finishExit();
    void optionCommand(void (OptionMenuCommands::*command)());
    void afterDatabaseCommand();
    // The busy state changed: a close asked for during the operation goes ahead now.
    void busyChanged(bool busy);
    // Closing during an operation: asks whether to interrupt it; Yes closes once it stopped.
    void askToInterruptAndClose();
    void closeWhenFree();

  public:
    // The window system asked to close this window while a modal window of Kelp's blocks it
    // (an operation's window, a question): the operation's question, or why not.
    void closeRequestedWhileBlocked();

  private:

    RecentFiles recent_;
    Preferences prefs_;
    std::unique_ptr<FileCommands> files_;
    FileCommands::LoadFunction load_;
    FileCommands::WriteFunction write_;
    std::unique_ptr<DownloadProgressWindow> downloadProgress_;
    QTabWidget* sstab_ = nullptr;
    std::array<QWidget*, kAreaCount> pages_{};
    std::array<QPointer<QWidget>, kAreaCount> editors_{};
    std::array<QLabel*, kAreaCount> emptyHints_{};
    QToolBar* toolbar_ = nullptr;
    std::array<QAction*, RecentFiles::kMaxEntries + 1> filesList_{};  // [0] the separator
    std::array<QAction*, 9> comItems_{};                              // [1..8]
    std::array<QAction*, 9> dtmfComItems_{};                          // [1..8]
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QAction* dtrItem_ = nullptr;
    QAction* rtsItem_ = nullptr;
    QMenu* rtcMenu_ = nullptr;
    QMenu* dvrMenu_ = nullptr;
    QAction* rtcYes_ = nullptr;
    QAction* rtcNo_ = nullptr;
    QAction* dvrWrite_ = nullptr;
    QAction* dvrNoWrite_ = nullptr;
    int rememberedTab_ = 0;
    bool switchingBack_ = false;
    bool exitDone_ = false;
    int rememberedState_ = 0;
    BusyFollower* busy_ = nullptr;
    // The operator asked to close while an operation ran and let it be interrupted.
    bool closeAfterOperation_ = false;
    std::unique_ptr<BlockedCloseFilter> blockedClose_;
};

}  // namespace kelp
