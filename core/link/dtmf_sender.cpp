#include "core/link/dtmf_sender.h"

#include <cctype>

#include "core/app/clock.h"
#include "core/database/controller_database.h"
#include "core/link/dtmf_tones.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/upload_catalogue.h"

namespace kelp {

namespace {

// A code character as its token; the letters go by their numeric aliases.
std::string codeToken(char c) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper >= 'A' && upper <= 'D')
        return std::to_string(13 + (upper - 'A'));
    return std::string(1, upper);
}

void playCode(const std::string& code) {
    for (const char c : code) SendTone(codeToken(c));
}

std::string withoutSpaces(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

namespace {

// What the refusal box shows for tokens: the digit each plays, or the token itself.
std::string shownTokens(const std::vector<std::string>& tokens) {
    std::string shown;
    for (const std::string& token : tokens)
        shown += dtmfFrequencies(token) ? dtmfCharacterOf(token) : token;
    return shown;
}

// Plays every token, or none when one of them is no DTMF digit.
bool playWhole(const std::vector<std::string>& tokens) {
    linkState().LineRefused = false;
    if (!allDtmfTokens(tokens)) {
        refuseCommand(
            "Kelp did not play a command string that holds a character that is no "
            "DTMF digit (0-9, *, #, A-D).",
            shownTokens(tokens));
        return false;
    }
    for (const std::string& token : tokens) SendTone(token);
    return true;
}

}  // namespace

bool allDtmfTokens(const std::vector<std::string>& tokens) {
    for (const std::string& token : tokens)
        if (!dtmfFrequencies(token))
            return false;
    return true;
}

bool SendCommandTokens(const std::vector<std::string>& tokens) {
    if (!playWhole(tokens))
        return false;
    SendTerminator();
    return true;
}

bool SendDigits(const std::string& text) {
    std::vector<std::string> tokens;
    for (const char c : text)
        tokens.emplace_back(1, static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    return playWhole(tokens);
}

void SendCode(const std::string& code) {
    for (const char c : code) {
        if (c == '*')
            SendTone("11");
        else if (c == '#')
            SendTone("12");
        else
            SendTone(std::string(1, c));
    }
}

void SendTerminator() {
    SendTone(db().get("Terminator"));
}

void SendUnlock(int port) {
    if (linkPreferences().ComPort != 0)
        return;
    playCode(withoutSpaces(db().get("CurrentPortUnlock", port)));
    SendTerminator();
    currentClock().yield();
}

void SendLock() {
    playCode(db().get("Lock"));
    SendTerminator();
}

void SendControllerReset() {
    SendCode("*21999");
    SendTerminator();
}

void SendTerminatorProgramming(const std::string& newTerminator) {
    SendCode("*9020");
    SendDigits(newTerminator);
    SendTerminator();
}

void SendLockCodeProgramming(const std::string& newLock) {
    SendCode("*9010");
    SendDigits(newLock);
    SendTerminator();
}

void SendUnlockCodeProgramming(const std::string& newCode) {
    SendCode("*9000");
    SendDigits(newCode);
    SendTerminator();
}

}  // namespace kelp
