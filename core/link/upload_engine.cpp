#include "core/link/upload_engine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>

#include "core/app/busy_state.h"
#include "core/app/error_reporter.h"
#include "core/database/field_checks.h"
#include "core/link/dtmf_sender.h"
#include "core/link/dtmf_tones.h"
#include "core/link/dtmf_transmission.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/session/edit_history.h"

namespace kelp {

const char* const kControllerResetCommand = "1*21999";

bool& UpdateInterrupted() {
    static bool interrupted = false;
    return interrupted;
}

void UploadProgress::start(int total) {
    total_ = total;
    value_ = 0;
    percent_ = 0;
}

void UploadProgress::advance() {
    if (total_ == 0) return;
    if (value_ < maximum()) ++value_;
    percent_ = static_cast<int>(std::lround(value_ / (total_ / 100.0)));
}

void UploadProgress::clear() {
    value_ = 0;
    percent_ = 0;
}

std::string UploadProgress::percentText() const {
    return std::to_string(percent_) + "% Complete";
}

namespace {

bool selected(const UploadItem& item, const ControllerDatabase& database) {
    for (const FlagRef& f : item.selectedBy)
        if (database.uploadFlag(f.group, f.index)) return true;
    return false;
}

// kept: flags of commands the controller did not take, which stay set.
void clearFlags(const std::vector<FlagRef>& flags, ControllerDatabase& database,
                const std::vector<FlagRef>& kept = {}) {
    for (const FlagRef& f : flags)
        if (std::find(kept.begin(), kept.end(), f) == kept.end())
            database.setUploadFlag(f.group, f.index, false);
}

// Walks every group; false when the upload stopped early.
bool walkGroups(bool full, UploadTransport& transport, ControllerDatabase& database,
                UploadProgress* progress, bool writeFile) {
    int unlockedPort = 0;  // DTMF: the port the controller is unlocked for, 0 when locked
    // A command whose refusal or silence lets the walk go on (the first two hang timers) still
    // was not taken: its flag stays set and the upload as a whole is not complete.
    std::vector<FlagRef> missed;
    for (int number = 0; number < kUploadGroupCount; ++number) {
        const UploadGroup group = buildUploadGroup(number, database);
        for (const UploadSection& section : group.sections) {
            for (const UploadItem& item : section.items) {
                if (progress && item.advancesProgress) progress->advance();
                if (group.completeOnly && !full) continue;
                if (!full && !selected(item, database)) continue;
                if (item.skip) continue;
                // The DVR track table has no DTMF form: it is never written to the
                // push-to-talk port.
                if (transport.isDtmf() && !item.hasDtmf) continue;
                // A DTMF command names no port: the controller applies it to the port that
                // is unlocked. A command for another port than the one in force locks it
                // first and unlocks its own.
                if (transport.isDtmf() && unlockedPort != 0 && unlockedPort != item.unlockPort) {
                    transport.lock();
                    unlockedPort = 0;
                }
                if (!transport.breakIfDue(unlockedPort))
                    return false;
                if (transport.isDtmf() && unlockedPort == 0) {
                    transport.unlock(item.unlockPort);
                    unlockedPort = item.unlockPort;
                }
                const bool taken = transport.send(item);
                // A refusal or silence stops the walk but for the first two hang timers; a
                // link that is gone (port closed, write failed) stops it whatever the command,
                // and so does a command refused before it went out (it held what a command
                // cannot carry): the upload reports it as a failure.
                if (!taken && (item.refusalStops || linkState().PortOpenError ||
                               linkState().LineRefused))
                    return false;
                if (!taken)
                    missed.insert(missed.end(), item.selectedBy.begin(), item.selectedBy.end());
                if (taken) {
                    clearFlags(item.clears, database, missed);
                    if (item.afterSend) item.afterSend(database, writeFile);
                }
                if (item.pauseAfterMs > 0) transport.pause(item.pauseAfterMs);
                if (UpdateInterrupted() || busyState().interruptRequested()) return false;
            }
            clearFlags(section.clearAtEnd, database, missed);
            if (section.lockAtEnd && unlockedPort != 0) {
                transport.lock();
                unlockedPort = 0;
            }
        }
    }
    return missed.empty();
}

}  // namespace

int fSendUpdate(bool full, UploadTransport& transport, ControllerDatabase& database,
                UploadProgress* progress, bool writeFile) {
    BusyGuard busy("The upload");
    int result = 8;
    LinkState& link = linkState();
    link.PortOpenError = false;
    link.LineRefused = false;
    bool begun = false;
    try {
        begun = transport.begin();
        if (begun && walkGroups(full, transport, database, progress, writeFile)) result = 0;
    } catch (...) {
        reportError("Update", "fSendUpdate");
        result = 8;
    }
    try {
        transport.end(begun);
    } catch (...) {
        reportError("Update", "fSendUpdate");
        result = 8;
    }
    link.ResponseError = false;
    UpdateInterrupted() = false;
    // Whatever went out cannot be taken back by undoing the edits behind it.
    if (begun)
        markControllerReached(database, "The upload");
    return result;
}

namespace {
std::vector<std::string> codeAsTokens(const std::string& code, const std::string& terminator) {
    std::vector<std::string> tokens;
    for (char c : code) {
        if (c == ' ') continue;
        tokens.emplace_back(1, static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    tokens.push_back(terminator);
    return tokens;
}
}  // namespace

std::vector<std::string> unlockTokens(const ControllerDatabase& database, int port) {
    return codeAsTokens(database.get("CurrentPortUnlock", port), database.get("Terminator"));
}

std::vector<std::string> lockTokens(const ControllerDatabase& database) {
    return codeAsTokens(database.get("Lock"), database.get("Terminator"));
}

void RecordingTransport::record(Sequence sequence) {
    keyedMs_ += dtmfAirMs(sequence.tokens);
    sequences_.push_back(std::move(sequence));
}

bool RecordingTransport::begin() {
    keyedMs_ = linkPreferences().TxTemp;
    fresh_ = true;
    return true;
}

bool RecordingTransport::send(const UploadItem& item) {
    // The listing refuses what the real transports refuse, so it never shows a success
    // that the upload could not have.
    const bool playable = dtmf_ ? allDtmfTokens(item.dtmf) : !holdsControlCharacter(item.serial);
    if (!playable) {
        refuseCommand("Kelp did not send a command string that holds what a command cannot "
                      "carry.",
                      item.serial);
        return false;
    }
    Sequence s{Sequence::Command, {}, item.serial};
    if (dtmf_) {
        s.tokens = item.dtmf;
        s.tokens.push_back(db_.get("Terminator"));
    }
    record(std::move(s));
    return true;
}

void RecordingTransport::unlock(int port) {
    if (dtmf_) record({Sequence::Unlock, unlockTokens(db_, port), {}});
}

void RecordingTransport::lock() {
    if (dtmf_) record({Sequence::Lock, lockTokens(db_), {}});
}

bool RecordingTransport::breakIfDue(int unlockedPort) {
    const bool fresh = fresh_;
    fresh_ = false;
    if (!dtmf_ || fresh ||
        !transmissionLimitReached(keyedMs_, linkPreferences().LongestTransmission))
        return true;
    if (unlockedPort != 0) lock();
    sequences_.push_back({Sequence::Break, {}, {}});
    keyedMs_ = linkPreferences().TxTemp;
    if (unlockedPort != 0) unlock(unlockedPort);
    return true;
}

void RecordingTransport::end(bool begun) {
    if (begun) lock();
}

void RecordingTransport::resetController() {
    if (!dtmf_) {
        sequences_.push_back({Sequence::Reset, {}, kControllerResetCommand});
        return;
    }
    keyedMs_ = linkPreferences().TxTemp;  // a transmission of its own
    unlock(1);
    std::vector<std::string> tokens;
    for (char c : std::string(kControllerResetCommand).substr(1)) tokens.emplace_back(1, c);
    tokens.push_back(db_.get("Terminator"));
    record({Sequence::Reset, std::move(tokens), {}});
}

std::vector<std::string> RecordingTransport::lines() const {
    std::vector<std::string> out;
    for (const Sequence& s : sequences_) {
        if (!dtmf_) {
            out.push_back(s.serial);
            continue;
        }
        if (s.kind == Sequence::Break) {
            out.push_back(transmissionBreakText());
            continue;
        }
        std::string line;
        for (const std::string& t : s.tokens) line += dtmfCharacterOf(t);
        out.push_back(line);
    }
    return out;
}

}  // namespace kelp
