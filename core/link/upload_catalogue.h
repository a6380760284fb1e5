// Every programming command an upload sends, in sending order, built from the controller
// database: its serial text, the DTMF tokens it plays, the change flags that select it for a
// changes-only upload, the port it unlocks in DTMF mode and where the port is locked again.
//
// The catalogue is data: the upload engine walks it, and `kelp-cli commands` lists it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/database/controller_database.h"

namespace kelp {

struct UploadItem {
    std::string serial;               // the command line without its "\r"
    std::vector<std::string> dtmf;    // tokens for SendTone, without the terminator
    bool hasDtmf = true;              // false: a serial-only command (the DVR track table)
    int unlockPort = 1;               // DTMF: the port that must be unlocked while it plays
    std::vector<FlagRef> selectedBy;  // any of these set selects it for a changes-only upload
    std::vector<FlagRef> clears;      // cleared once it was sent without error
    bool skip = false;                // its value means nothing is stored: never sent
    bool refusalStops = true;         // false: a refusal is shown but the upload goes on
    bool advancesProgress = true;     // one progress step before it
    int pauseAfterMs = 0;             // the controller needs time after a courtesy segment
    // Runs after the controller took the command (the new terminator, lock and unlock codes
    // become the current ones). writeFile: also store them in the open database file.
    std::function<void(ControllerDatabase&, bool writeFile)> afterSend;
};

// A run of items that ends, in DTMF mode, with the port locked again (or not).
struct UploadSection {
    std::vector<UploadItem> items;
    bool lockAtEnd = true;
    std::vector<FlagRef> clearAtEnd;  // flags of the section as a whole, cleared when it ends
};

struct UploadGroup {
    int number = 0;
    bool completeOnly = false;
    std::vector<UploadSection> sections;
};

constexpr int kUploadGroupCount = 26;

// Builds group `number` (0-25) from the database as it is now. Group 16 first replaces
// "NONE STORED" message macros by empty text in the database, as the controller expects.
UploadGroup buildUploadGroup(int number, ControllerDatabase& database);

// The commands that program a new terminator, a port's unlock code and the lock code, with
// what the database records once the controller took them (the pending code becomes the
// current one). The complete upload sends them in its first and twentieth groups, the unlock
// window on its own.
UploadItem terminatorChangeItem(const ControllerDatabase& database);
UploadItem unlockCodeChangeItem(const ControllerDatabase& database, int port);
UploadItem lockCodeChangeItem(const ControllerDatabase& database);

// The DTMF characters a token plays ("11" the star, "12" the pound, "13"-"16" A-D), or ""
// for a token that plays nothing.
std::string dtmfCharacterOf(const std::string& token);

}  // namespace kelp
