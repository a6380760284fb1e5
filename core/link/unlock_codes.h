// The working state of the "Unlock, Lock, and Terminator" window (and of `kelp-cli codes`):
// the codes the controller holds, the new ones being entered, their checks, and the four ways
// the entries leave the window — sent now, saved to be sent by the next complete upload,
// recorded as already made on the controller, or cancelled.
//
// Every value that changes is written at once into [Unlock] of the open database file.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/database/controller_database.h"

namespace kelp {

class UploadTransport;

// The five entry boxes: the unlock codes of ports 1-3, the lock code, the terminator.
enum class CodeBox { Unlock1, Unlock2, Unlock3, Lock, Terminator };
constexpr int kCodeBoxCount = 5;

// The box of port p's unlock code (p = 1-3).
CodeBox unlockBox(int port);

// The texts of the window, as it shows them.
extern const char* const kUnlockWindowCaption;    // "Unlock, Lock, and Terminator"
extern const char* const kUpdateControllerTitle;  // "UPDATE CONTROLLER"
std::string updateControllerQuestion();
extern const char* const kNotUpdatedTitle;  // "CONTROLLER NOT UPDATED"
extern const char* const kNotUpdatedText;   // "The controller was NOT updated"

class UnlockCodes {
  public:
    // Makes the transport a send uses; the default picks serial or DTMF by the link
    // preferences.
    using TransportFactory = std::function<std::unique_ptr<UploadTransport>()>;

    explicit UnlockCodes(ControllerDatabase& database, TransportFactory transport = {});

    // The boxes afresh from the database: entries are the pending codes; marker -1.
    void reload();

    // The code the controller holds for a box (CurrentPortUnlock(p), Lock, Terminator).
    std::string current(CodeBox box) const;
    // The entry as stored: trimmed of spaces, upper case.
    const std::string& entered(CodeBox box) const;
    // The entry when not empty, else the current code: what a check compares.
    std::string effective(CodeBox box) const;
    // -1 nothing typed since the last reload; 1 an unlock box, 2 the lock box, 3 the terminator.
    int changeMarker() const { return marker_; }
    // An entry that is not empty is shown red.
    bool highlighted(CodeBox box) const { return !entered(box).empty(); }

    // The operator typed in a box: stores the trimmed, upper-cased text.
    void typed(CodeBox box, const std::string& text);
    // The operator leaves a box: false when the entry was refused (the box was shown and the
    // box keeps the focus).
    bool leave(CodeBox box);

    // The buttons. A check that stops one returns the box to give the focus to.
    // "&Send to the controller NOW": asks first; only a Yes stores the entries as pending
    // (also in the file) and sends them.
    struct SendResult {
        std::optional<CodeBox> focus;  // a check stopped it
        bool asked = false;            // the question was answered Yes
        bool allTaken = false;         // every flagged code was taken by the controller
    };
    SendResult send();
    // "Save to send to the controller &LATER".
    std::optional<CodeBox> saveLater();
    // "&Record changes already made": no checks at all.
    void record();
    // "Ca&ncel Changes": true when the operator answered Yes (the boxes were reloaded).
    bool cancel();
    // "&Close": true when the window may close (nothing typed since the last reload).
    bool close() const;

    // The checks Send and Save run first; the box to focus when one stopped them.
    std::optional<CodeBox> conflictChecks();

  private:
    bool validate(CodeBox box) const;
    // Each entry that is not empty becomes the pending code, in memory and in the file.
    void storePending(bool setFlags);
    void write(const std::string& key, const std::string& value) const;

    ControllerDatabase& db_;
    TransportFactory transport_;
    std::array<std::string, kCodeBoxCount> entered_{};
    int marker_ = -1;
};

}  // namespace kelp
