#include "core/link/dtmf_sender.h"

#include <cctype>

#include "core/app/clock.h"
#include "core/database/controller_database.h"
#include "core/link/dtmf_tones.h"
#include "core/link/link_preferences.h"

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

void SendDigits(const std::string& text) {
    for (const char c : text)
        SendTone(std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(c)))));
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
