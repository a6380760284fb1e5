#include "core/link/unlock_codes.h"

#include <cctype>

#include "core/app/prompter.h"
#include "core/database/field_checks.h"
#include "core/database/profile.h"
#include "core/link/code_changes.h"
#include "core/link/link_preferences.h"
#include "core/link/upload_transports.h"
#include "core/session/edit_history.h"

namespace kelp {

const char* const kUnlockWindowCaption = "Unlock, Lock, and Terminator";
const char* const kUpdateControllerTitle = "UPDATE CONTROLLER";
const char* const kNotUpdatedTitle = "CONTROLLER NOT UPDATED";
const char* const kNotUpdatedText = "The controller was NOT updated";

std::string updateControllerQuestion() {
    return "Are you connected to the controller (serial mode)/ready to transmit updates (DTMF "
           "mode) at this time?\r\n\r\n"
           "YES, I am connected/ready to transmit and want to update the controller\r\n"
           "NO, I am not connected/not ready to transmit\r\n"
           "CANCEL, I do not want to update anything at this time\r\n\r\n"
           "Do not answer yes if you are not connected/not ready to transmit or you risk "
           "blocking further updates to the controller";
}

CodeBox unlockBox(int port) {
    return static_cast<CodeBox>(port - 1);
}

namespace {

using U = UploadFlag;

std::size_t slot(CodeBox box) {
    return static_cast<std::size_t>(box);
}

bool isUnlock(CodeBox box) {
    return box == CodeBox::Unlock1 || box == CodeBox::Unlock2 || box == CodeBox::Unlock3;
}

int portOf(CodeBox box) {
    return static_cast<int>(box) + 1;
}

std::string trimmedUpper(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    std::string out = text.substr(first, text.find_last_not_of(' ') - first + 1);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Where each box keeps its codes in the database, and its upload flag.
struct BoxKeys {
    std::string current;  // as written into the file: "CurrentPortUnlock(2)", "Lock"
    std::string pending;
    const char* currentKey;
    const char* pendingKey;
    int index;
    U flag;
    int flagIndex;
};

BoxKeys keysOf(CodeBox box) {
    if (isUnlock(box)) {
        const std::string p = std::to_string(portOf(box));
        return {"CurrentPortUnlock(" + p + ")",
                "NewPortUnlock(" + p + ")",
                "CurrentPortUnlock",
                "NewPortUnlock",
                portOf(box),
                U::PortUnlock,
                portOf(box)};
    }
    if (box == CodeBox::Lock)
        return {"Lock", "NewLock", "Lock", "NewLock", 0, U::LockCode, 0};
    return {"Terminator", "NewTerminator", "Terminator", "NewTerminator", 0, U::TerminatorCode, 0};
}

std::unique_ptr<UploadTransport> transportByPreferences() {
    if (linkPreferences().ComPort == 0)
        return std::make_unique<DtmfTransport>();
    return std::make_unique<SerialTransport>();
}

void warn(const std::string& text, const std::string& title) {
    currentPrompter().message(text, title, MessageIcon::Exclamation);
}

}  // namespace

UnlockCodes::UnlockCodes(ControllerDatabase& database, TransportFactory transport)
    : db_(database), transport_(transport ? std::move(transport) : transportByPreferences) {
    reload();
}

void UnlockCodes::reload() {
    for (int b = 0; b < kCodeBoxCount; ++b) {
        const BoxKeys k = keysOf(static_cast<CodeBox>(b));
        entered_[static_cast<std::size_t>(b)] = db_.get(k.pendingKey, k.index);
    }
    marker_ = -1;
}

std::string UnlockCodes::current(CodeBox box) const {
    const BoxKeys k = keysOf(box);
    return db_.get(k.currentKey, k.index);
}

const std::string& UnlockCodes::entered(CodeBox box) const {
    return entered_[slot(box)];
}

std::string UnlockCodes::effective(CodeBox box) const {
    return entered(box).empty() ? current(box) : entered(box);
}

void UnlockCodes::typed(CodeBox box, const std::string& text) {
    entered_[slot(box)] = trimmedUpper(text);
    marker_ = isUnlock(box) ? 1 : box == CodeBox::Lock ? 2 : 3;
}

bool UnlockCodes::validate(CodeBox box) const {
    const std::string& text = entered(box);
    if (isUnlock(box)) {
        if (dtmfDigitStringCheck(text, 1, 8))
            return true;
        warn("Unlock invalid.  Must be between 1 and 8 DTMF characters",
             "Unlock Code Port " + std::to_string(portOf(box)));
        return false;
    }
    if (box == CodeBox::Lock) {
        if (dtmfDigitStringCheck(text, 1, 4))
            return true;
        warn("Lock code invalid.  Must be between 1 and 4 DTMF characters", "Lock Code");
        return false;
    }
    if (dtmfDigitStringCheck(text, 1, 1))
        return true;
    warn("Terminator Digit invalid.  Must be a single DTMF character", "Terminator Code");
    return false;
}

bool UnlockCodes::leave(CodeBox box) {
    return entered(box).empty() || validate(box);
}

std::optional<CodeBox> UnlockCodes::conflictChecks() {
    const std::string terminator = effective(CodeBox::Terminator);
    const auto holdsTerminator = [&terminator](const std::string& code) {
        return !terminator.empty() && code.find(terminator) != std::string::npos;
    };
    for (int p = 1; p <= 3; ++p) {
        const CodeBox box = unlockBox(p);
        if (holdsTerminator(effective(box))) {
            // The apostrophe before the digit is the window's own.
            warn("Port " + std::to_string(p) + " Unlock Code cannot contain the Terminator Digit'" +
                     terminator + "'",
                 "Unlock Code and Terminator Conflict");
            return box;
        }
        if (!entered(box).empty() && !validate(box))
            return box;
    }
    if (holdsTerminator(effective(CodeBox::Lock))) {
        warn("Lock Code cannot contain the Terminator Digit", "Lock Code and Terminator Conflict");
        return CodeBox::Lock;
    }
    for (CodeBox box : {CodeBox::Lock, CodeBox::Terminator})
        if (!entered(box).empty() && !validate(box))
            return box;
    return std::nullopt;
}

void UnlockCodes::write(const std::string& key, const std::string& value) const {
    if (!db_.currentFile.empty())
        WriteSetting("Unlock", key, value, db_.currentFile);
}

void UnlockCodes::storePending(bool setFlags) {
    for (int b = 0; b < kCodeBoxCount; ++b) {
        const CodeBox box = static_cast<CodeBox>(b);
        const BoxKeys k = keysOf(box);
        const std::string& entry = entered(box);
        if (setFlags)
            db_.setUploadFlag(k.flag, k.flagIndex, !entry.empty());
        if (entry.empty())
            continue;
        db_.set(k.pendingKey, k.index, entry);
        write(k.pending, entry);
    }
}

UnlockCodes::SendResult UnlockCodes::send() {
    SendResult result;
    result.focus = conflictChecks();
    if (result.focus)
        return result;
    // Nothing is stored before the answer: a Send declined leaves the pending codes, in
    // memory and in the file, as they were, so Cancel Changes and the next complete upload
    // still see the old ones.
    const Answer answer = currentPrompter().message(
        updateControllerQuestion(), kUpdateControllerTitle, MessageIcon::Question,
        MessageButtons::YesNoCancel, DefaultButton::Third);
    if (answer != Answer::Yes) {
        currentPrompter().message(kNotUpdatedText, kNotUpdatedTitle, MessageIcon::Information);
        return result;
    }
    result.asked = true;
    // Pending in the file too until the controller takes each one: a code refused or never
    // sent is still there for the next Send or complete upload.
    storePending(true);
    std::unique_ptr<UploadTransport> transport = transport_();
    result.allTaken = sendCodeChanges(*transport, db_, true);
    reload();
    return result;
}

std::optional<CodeBox> UnlockCodes::saveLater() {
    if (const std::optional<CodeBox> focus = conflictChecks())
        return focus;
    // Kept for the next complete upload: an edit like an Apply, shown on the Special Codes tab
    // the window is opened from.
    EditStep step(db_, Area::SpecialCodes);
    storePending(false);
    step.commit(0);
    reload();
    return std::nullopt;
}

void UnlockCodes::record() {
    EditStep step(db_, Area::SpecialCodes);
    for (int b = 0; b < kCodeBoxCount; ++b) {
        const CodeBox box = static_cast<CodeBox>(b);
        const std::string entry = entered(box);
        if (entry.empty())
            continue;
        const BoxKeys k = keysOf(box);
        db_.set(k.currentKey, k.index, entry);
        db_.set(k.pendingKey, k.index, std::string());
        db_.setUploadFlag(k.flag, k.flagIndex, false);
        write(k.current, entry);
        write(k.pending, std::string());
    }
    step.commit(0);
    reload();
}

bool UnlockCodes::cancel() {
    const Answer answer = currentPrompter().message(
        "This will cancel all changes that have not yet been sent to the controller\r\n\r\n"
        "YES to proceed, NO to continue editing the data",
        "CANCEL UPDATE", MessageIcon::Question, MessageButtons::YesNo);
    if (answer != Answer::Yes)
        return false;
    reload();
    return true;
}

bool UnlockCodes::close() const {
    if (marker_ == -1)
        return true;
    currentPrompter().message("You have unapplied changes\r\n\r\nEither apply them or cancel them",
                              "Unapplied Changes", MessageIcon::Exclamation);
    return false;
}

}  // namespace kelp
