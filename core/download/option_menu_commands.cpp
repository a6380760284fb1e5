#include "core/download/option_menu_commands.h"

#include "core/app/error_reporter.h"
#include "core/session/file_commands.h"
#include "core/app/prompter.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/database/profile.h"

namespace kelp {

const char* const kChangeRtcTitle = "Change RTC Status";
const char* const kReloadUnsavedText =
    "You have not saved your current .DAT file changes.\r\n"
    "All changes will be lost unless you save the file.\r\n\r\n"
    "Do you want to save the current .DAT file before it is loaded again?";

namespace {

const char* const kModule = "KelpMain";
const char* const kVersionSection = "Version";

}  // namespace

std::string rtcChangeText(bool toRtc) {
    const std::string crLf = "\r\n";
    const std::string change =
        toRtc ? "You are changing this file from RTC-NO (the controller does NOT have an RTC) to "
                "RTC-YES (the controller HAS an RTC).  This will provide access to message macros "
                "41-70, remote base memories 11-40, and DTMF 21-50"
              : "You are changing this file from RTC-YES (the controller HAS an RTC) to RTC-NO "
                "(the controller does NOT have an RTC).  This will block access to message "
                "macros 41-70, remote base memories 11-40, and DTMF 21-50";
    return change + crLf + crLf + "Please confirm this change" + crLf + crLf +
           "OK to confirm that you want to make the change" + crLf +
           "CANCEL to cancel the change and leave the file as " + (toRtc ? "RTC-NO" : "RTC-YES");
}

OptionMenuCommands::OptionMenuCommands(ControllerDatabase& database, FileCommandsHost& host,
                                       std::function<bool()> save, LoadFunction load)
    : db_(database),
      host_(host),
      save_(std::move(save)),
      load_(load ? std::move(load) : LoadFunction([](ControllerDatabase& d) { FileLoad(d); })) {}

bool OptionMenuCommands::mayReload() {
    if (db_.saved)
        return true;
    // The file is loaded again from disk: changes only held in memory would be lost.
    const Answer answer =
        currentPrompter().message(kReloadUnsavedText, kUnsavedChangesTitle,
                                  MessageIcon::Exclamation, MessageButtons::YesNoCancel);
    if (answer == Answer::Cancel)
        return false;
    if (answer == Answer::Yes)
        return save_ && save_();
    return true;
}

void OptionMenuCommands::setRtc(bool hasRtc, const char* routine) {
    try {
        if (!host_.unappliedChangesClear())
            return;
        if (db_.hasRtc != hasRtc &&
            currentPrompter().message(rtcChangeText(hasRtc), kChangeRtcTitle, MessageIcon::Question,
                                      MessageButtons::OKCancel,
                                      DefaultButton::Second) != Answer::OK)
            return;
        if (!mayReload())
            return;
        db_.hasRtc = hasRtc;
        LoadMenuState& menu = loadMenuState();
        menu.rtcYes = hasRtc;
        menu.rtcNo = !hasRtc;
        WriteSetting(kVersionSection, "HasRTC", hasRtc ? "1" : "0", db_.currentFile);
        reopen();
    } catch (...) {
        reportError(kModule, routine, std::string(), db_.currentFile);
    }
}

void OptionMenuCommands::setDvrWrite(bool write, const char* routine) {
    try {
        if (!host_.unappliedChangesClear() || !mayReload())
            return;
        LoadMenuState& menu = loadMenuState();
        menu.dvrWrite = write;
        menu.dvrDontWrite = !write;
        WriteSetting(kVersionSection, "DVRWrite", write ? "1" : "0", db_.currentFile);
        db_.dvrWrite = write;
        reopen();
    } catch (...) {
        reportError(kModule, routine, std::string(), db_.currentFile);
    }
}

void OptionMenuCommands::reopen() {
    // A reload declined at the firmware question keeps the database that was open.
    if (!loadReplacing(db_, db_.currentFile, db_.downloadIntoFile, load_,
                       [this] { host_.fUnloadForms(); }))
        return;
    host_.showLoadedDatabase();
    if (db_.lockConflict && host_.openUnlockCodes())
        db_.lockConflict = false;
    host_.focusTimers();
}

}  // namespace kelp
