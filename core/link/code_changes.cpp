#include "core/link/code_changes.h"

#include <vector>

#include "core/app/busy_state.h"
#include "core/link/serial_link.h"
#include "core/link/upload_catalogue.h"
#include "core/link/upload_engine.h"
#include "core/session/edit_history.h"

namespace kelp {

namespace {

using U = UploadFlag;

bool flagged(const ControllerDatabase& database, U group, int index) {
    return database.uploadFlag(group, index);
}

// One code: unlock its port, send it, record it, lock again. False when it was not taken.
bool sendOne(UploadTransport& transport, ControllerDatabase& database, const UploadItem& item,
             bool writeFile) {
    // A long run is cut between two codes, while the controller is locked.
    if (!transport.breakIfDue(0))
        return false;
    if (transport.isDtmf())
        transport.unlock(item.unlockPort);
    if (!transport.send(item))
        return false;
    for (const FlagRef& f : item.clears) database.setUploadFlag(f.group, f.index, false);
    if (item.afterSend)
        item.afterSend(database, writeFile);
    if (transport.isDtmf())
        transport.lock();
    return true;
}

}  // namespace

bool codeChangesPending(const ControllerDatabase& database) {
    for (int p = 1; p <= 3; ++p)
        if (flagged(database, U::PortUnlock, p))
            return true;
    return flagged(database, U::LockCode, 0) || flagged(database, U::TerminatorCode, 0);
}

bool sendCodeChanges(UploadTransport& transport, ControllerDatabase& database, bool writeFile) {
    BusyGuard busy("Sending the codes");
    LinkState& link = linkState();
    link.PortOpenError = false;
    const bool begun = transport.begin();
    bool allTaken = begun;
    if (begun) {
        for (int p = 1; p <= 3 && allTaken; ++p)
            if (flagged(database, U::PortUnlock, p))
                allTaken =
                    sendOne(transport, database, unlockCodeChangeItem(database, p), writeFile);
        if (allTaken && flagged(database, U::LockCode, 0))
            allTaken = sendOne(transport, database, lockCodeChangeItem(database), writeFile);
        if (allTaken && flagged(database, U::TerminatorCode, 0))
            allTaken = sendOne(transport, database, terminatorChangeItem(database), writeFile);
    }
    transport.end(begun);
    link.ResponseError = false;
    if (begun)
        markControllerReached(database, "Sending the codes");
    return allTaken;
}

}  // namespace kelp
