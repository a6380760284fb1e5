// The "R&TC" and "D&VR" menu commands: they mark the current database file as made for a
// controller with or without the real-time-clock board, and as one whose DVR track table is
// written to the controller or not, then load the file again so every editor shows the
// entries that now apply. Plain C++: the main window only wires its menu items here.
#pragma once

#include <functional>
#include <string>

namespace kelp {

class ControllerDatabase;
class FileCommandsHost;

extern const char* const kChangeRtcTitle;  // "Change RTC Status"
extern const char* const kReloadUnsavedText;

// The confirmation asked before the file changes its RTC status (toRtc: to RTC-YES).
std::string rtcChangeText(bool toRtc);

class OptionMenuCommands {
  public:
    using LoadFunction = std::function<void(ControllerDatabase&)>;

    // save is File, Save (true when the database was written); load is FileLoad.
    OptionMenuCommands(ControllerDatabase& database, FileCommandsHost& host,
                       std::function<bool()> save, LoadFunction load);

    void mnuRTCyes_Click() { setRtc(true, "mnuRTCyes_Click"); }
    void mnuRTCno_Click() { setRtc(false, "mnuRTCno_Click"); }
    void mnuDVRWrite_Click() { setDvrWrite(true, "mnuDVRWrite_Click"); }
    void mnuDVRNoWrite_Click() { setDvrWrite(false, "mnuDVRNoWrite_Click"); }

  private:
    void setRtc(bool hasRtc, const char* routine);
    void setDvrWrite(bool write, const char* routine);
    // The chance to save changes the reload would lose; false when the operator stops.
    bool mayReload();
    void reopen();

    ControllerDatabase& db_;
    FileCommandsHost& host_;
    std::function<bool()> save_;
    LoadFunction load_;
};

}  // namespace kelp
