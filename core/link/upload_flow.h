// What happens around an upload: the checks of "Upload to QZ740" before the Update window
// opens, and the Update window's buttons (complete, changes only, interrupt). Every question
// and message goes through the current Prompter.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/link/upload_engine.h"

namespace kelp {

// How long the firmware query waits for the controller before giving up.
constexpr int kFirmwareQueryTimeoutMs = 10000;

// "Upload to QZ740": no database open, the unapplied-changes guard (guardClear), the firmware
// family of the database, then in serial mode the controller's own firmware (at least 6.046).
// dtmfMode skips the query, which only the serial link can make. True: open the Update window.
bool uploadCommandChecks(ControllerDatabase& database, bool dtmfMode,
                         const std::function<bool()>& guardClear);

// Asks the controller for its firmware over the serial link: the text before its "+", CR and
// LF removed. Nothing when the port failed or the controller stayed silent (a box says which);
// linkState().PortOpenError is set when it was the port (not opened, closed, not writable).
std::optional<std::string> queryFirmwareVersion();

// "Send Complete Config": the confirmation, the complete upload, its message and the
// controller reset. Returns the engine's result (0 or 8), or -1 when the operator said No.
// beforeFirstCommand, when given, runs once the operator has confirmed and before anything is
// sent (the backup of the controller); false stops the upload there (-2, nothing sent).
int sendCompleteConfig(UploadTransport& transport, ControllerDatabase& database,
                       UploadProgress& progress,
                       const std::function<bool()>& beforeFirstCommand = {});

// "Update Changes Only": only flagged groups, then "Update Complete" or "Update Error".
int updateChangesOnly(UploadTransport& transport, ControllerDatabase& database,
                      UploadProgress& progress);

// "Interrupt Upload": asks, and on Yes tells the operator to wait and raises the flag.
bool confirmInterrupt();

extern const char* const kUpdateErrorTitle;     // "Update Error"
extern const char* const kUpdateErrorText;
extern const char* const kCompleteUploadTitle;  // "Complete Upload"
extern const char* const kCompleteUploadText;
extern const char* const kDvrNotSentText;       // added when DTMF mode left the DVR table out

}  // namespace kelp
