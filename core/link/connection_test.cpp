#include "core/link/connection_test.h"

#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/database/profile.h"
#include "core/link/serial_port.h"

namespace kelp {

namespace {

constexpr int kAnswerWaitMs = 5000;

}  // namespace

ConnectionTestResult testConnection(const std::string& device, const TlsTrust& trust) {
    BusyGuard busy("The connection test");
    LinkPreferences& prefs = linkPreferences();
    const std::optional<TlsTrust> saved = prefs.tlsOverride;
    prefs.tlsOverride = trust;
    SerialPort& port = currentSerialPort();
    struct Restore {
        LinkPreferences& prefs;
        const std::optional<TlsTrust>& saved;
        SerialPort& port;
        ~Restore() {
            port.close();
            prefs.tlsOverride = saved;
        }
    } restore{prefs, saved, port};

    port.close();
    if (!port.open(device))
        return {false, "Kelp could not open " + device + ".\r\n\r\n" + port.errorText()};
    Clock& clock = currentClock();
    // The lone CR ends whatever half line the controller holds; its answer is not wanted.
    port.write("\r");
    clock.sleepMs(100);
    port.readAll();
    if (!port.write("1GetVersion\r"))
        return {false, "The connection opened, but the question could not be sent: " +
                           port.errorText()};
    std::string answer;
    const std::int64_t started = clock.nowMs();
    while (answer.find_first_of("+-") == std::string::npos) {
        if (!port.isOpen())
            return {false, "The connection closed before the QZ740 answered: " +
                               port.errorText()};
        if (clock.nowMs() - started >= kAnswerWaitMs)
            return {false, "The connection opened, but the QZ740 did not answer \"1GetVersion\" "
                           "within " + std::to_string(kAnswerWaitMs / 1000) +
                               " seconds. Check the server's line settings (9600 baud, 8 data "
                               "bits, no parity, 1 stop bit) and its cable to the controller." +
                               (answer.empty() ? std::string() : " It sent: " + answer)};
        port.waitForReadyRead(50);
        answer += port.readAll();
        clock.yield();
    }
    std::string version;
    for (const char c : answer.substr(0, answer.find_first_of("+-")))
        if (c != '\r' && c != '\n' && c != ' ')
            version += c;
    if (answer.find('+') == std::string::npos)
        return {false, "The QZ740 refused \"1GetVersion\" (it answered \"-\")."};
    return {true, "The QZ740 answered: firmware version " + (version.empty() ? "?" : version)};
}

void storeNetworkPort(int n, const std::string& device, const TlsTrust& trust) {
    const std::string ini = linkIniFile();
    WriteSetting(kLinkSection, comDeviceKey(n), device, ini);
    // The trust keys appear with a TLS address and are emptied when it no longer needs them.
    const auto put = [&ini](const std::string& key, const std::string& value) {
        if (!value.empty() || !ReadSetting(kLinkSection, key, ini).empty())
            WriteSetting(kLinkSection, key, value, ini);
    };
    put(tlsCaKey(n), trust.caFile);
    put(tlsFingerprintKey(n), trust.fingerprint);
}

}  // namespace kelp
