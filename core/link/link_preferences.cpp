#include "core/link/link_preferences.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "core/app/app_folder.h"
#include "core/app/prompter.h"
#include "core/database/profile.h"
#include "core/link/serial_link.h"
#include "core/link/serial_port.h"

namespace kelp {

const char* const kLinkSection = "Main";

namespace {

constexpr const char* kDelayPrompt = "Enter the delay time in milliseconds";
constexpr const char* kDtmfDelayTitle = "DTMF Interdigit Delay";
constexpr const char* kLongestTransmissionTitle = "Longest Transmission";

void store(const char* key, const std::string& value) {
    WriteSetting(kLinkSection, key, value, linkIniFile());
}

void store(const char* key, std::int64_t value) {
    store(key, std::to_string(value));
}

std::string read(const std::string& key) {
    return ReadSetting(kLinkSection, key, linkIniFile());
}

// Asks for one of the two DTMF delays; a cancelled box counts as an empty answer.
void askDtmfDelay(const char* key, std::int32_t& value, std::string& text) {
    linkPreferences().ComPort = 0;  // DTMF mode from now on, in memory only
    text = currentPrompter().inputBox(kDtmfDelayTitle, kDelayPrompt, text).value_or("");
    value = static_cast<std::int32_t>(roundedSettingValue(text, INT32_MIN, INT32_MAX));
    store(key, text);
}

}  // namespace

LinkPreferences& linkPreferences() {
    static LinkPreferences preferences;
    return preferences;
}

std::string linkIniFile() {
    return (appFolder() / "kelp.ini").string();
}

std::int64_t roundedSettingValue(const std::string& text, std::int64_t low, std::int64_t high) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const std::size_t start = i;
    const auto digits = [&text, &i] {
        const std::size_t from = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        return i - from;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return std::clamp<std::int64_t>(0, low, high);
    std::size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (digits() > 0)
            end = i;
    }
    const double value = std::strtod(text.substr(start, end - start).c_str(), nullptr);
    const double rounded = std::nearbyint(value);  // half to even, the default rounding mode
    if (!(rounded > static_cast<double>(low)))
        return low;
    if (!(rounded < static_cast<double>(high)))
        return high;
    return static_cast<std::int64_t>(rounded);
}

void loadLinkPreferences() {
    LinkPreferences& prefs = linkPreferences();
    const auto number16 = [](const char* key) {
        return static_cast<std::int16_t>(roundedSettingValue(read(key), INT16_MIN, INT16_MAX));
    };
    const auto number32 = [](const std::string& text) {
        return static_cast<std::int32_t>(roundedSettingValue(text, INT32_MIN, INT32_MAX));
    };
    prefs.DTMFDelayText = read("DTMFDelay");
    prefs.DTMFDelay = number32(prefs.DTMFDelayText);
    prefs.TxTempText = read("TxTemp");
    prefs.TxTemp = number32(prefs.TxTempText);
    prefs.WhichSend = number16("WhichSend");
    prefs.ComPort = number16("ComPort");
    prefs.DTMFComPort = number16("DTMFComPort");
    prefs.SerialDelay = number32(read("SerialDelay"));
    prefs.LongestTransmission = static_cast<std::int32_t>(
        roundedSettingValue(read("LongestTransmission"), 0, kMaxLongestTransmission));
}

std::string comDeviceKey(int n) {
    return "ComDevice(" + std::to_string(n) + ")";
}

std::string comDevice(int n) {
    if (n < 1 || n > kComPortCount)
        return std::string();
    std::string device = read(comDeviceKey(n));
    const std::size_t first = device.find_first_not_of(" \t");
    if (first != std::string::npos)
        return device.substr(first, device.find_last_not_of(" \t") - first + 1);
#ifdef _WIN32
    return "COM" + std::to_string(n);
#else
    const std::vector<std::string> devices = currentSerialPort().availableDevices();
    return static_cast<std::size_t>(n) <= devices.size() ? devices[n - 1] : std::string();
#endif
}

std::string tlsCaKey(int n) {
    return "TlsCa(" + std::to_string(n) + ")";
}

std::string tlsFingerprintKey(int n) {
    return "TlsFingerprint(" + std::to_string(n) + ")";
}

TlsTrust tlsTrust(const std::string& device) {
    const LinkPreferences& prefs = linkPreferences();
    if (prefs.tlsOverride)
        return *prefs.tlsOverride;
    const auto trimmed = [](std::string text) {
        const std::size_t first = text.find_first_not_of(" \t");
        if (first == std::string::npos)
            return std::string();
        return text.substr(first, text.find_last_not_of(" \t") - first + 1);
    };
    for (int n = 1; n <= kComPortCount; ++n) {
        if (trimmed(read(comDeviceKey(n))) == device && !device.empty())
            return TlsTrust{trimmed(read(tlsCaKey(n))), trimmed(read(tlsFingerprintKey(n)))};
    }
    return TlsTrust{};
}

std::string normalizedFingerprint(const std::string& text) {
    std::string hex;
    for (const char c : text) {
        if (c == ':' || c == ' ' || c == '\t')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::string();
        hex += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return hex.size() == 64 ? hex : std::string();
}

std::string linkDevice(int n) {
    const LinkPreferences& prefs = linkPreferences();
    return prefs.deviceOverride.empty() ? comDevice(n) : prefs.deviceOverride;
}

LinkMenuChecks& linkMenuChecks() {
    static LinkMenuChecks checks;
    return checks;
}

void fClearSerialPortChecks() {
    linkMenuChecks().serialPort.fill(false);
}

void fClearDTMFPortChecks() {
    linkMenuChecks().pttPort.fill(false);
}

void setStartupLinkMenuChecks() {
    const LinkPreferences& prefs = linkPreferences();
    LinkMenuChecks& checks = linkMenuChecks();
    fClearSerialPortChecks();
    if (prefs.ComPort >= 1 && prefs.ComPort <= kComPortCount)
        checks.serialPort[prefs.ComPort - 1] = true;
    fClearDTMFPortChecks();
    if (prefs.DTMFComPort >= 1 && prefs.DTMFComPort <= kComPortCount)
        checks.pttPort[prefs.DTMFComPort - 1] = true;
}

void mnuSerialDelayClick() {
    LinkPreferences& prefs = linkPreferences();
    std::string text;
    for (;;) {
        text = currentPrompter()
                   .inputBox("Serial Port Delay", "Enter the delay time in milliseconds (1ms max)",
                             std::to_string(prefs.SerialDelay))
                   .value_or("");
        prefs.SerialDelay =
            static_cast<std::int32_t>(roundedSettingValue(text, INT32_MIN, INT32_MAX));
        if (prefs.SerialDelay <= 1)
            break;
        currentPrompter().message("Value may be no greater than 1", "");
    }
    store("SerialDelay", text);
}

void mnuComClick(int n) {
    LinkPreferences& prefs = linkPreferences();
    prefs.ComPort = static_cast<std::int16_t>(n);
    prefs.DTMFComPort = 0;
    CheckComPort();  // a port that is absent now is kept all the same
    store("ComPort", n);
    store("DTMFComPort", 0);
    LinkMenuChecks& checks = linkMenuChecks();
    fClearSerialPortChecks();
    if (n >= 1 && n <= kComPortCount)
        checks.serialPort[n - 1] = true;
    checks.dtr = false;
    checks.rts = false;
    fClearDTMFPortChecks();
}

void mnuDTMFDelayClick() {
    LinkPreferences& prefs = linkPreferences();
    askDtmfDelay("DTMFDelay", prefs.DTMFDelay, prefs.DTMFDelayText);
}

void mnuConfigureTXDelayClick() {
    LinkPreferences& prefs = linkPreferences();
    askDtmfDelay("TxTemp", prefs.TxTemp, prefs.TxTempText);
}

void mnuLongestTransmissionClick() {
    LinkPreferences& prefs = linkPreferences();
    const std::string limits = "0 and " + std::to_string(kMaxLongestTransmission);
    for (;;) {
        const std::optional<std::string> text = currentPrompter().inputBox(
            kLongestTransmissionTitle,
            "Enter the longest time in seconds the transmitter may stay keyed (0 for no limit)"
            "\r\nSet it a little under your radio's time-out timer",
            std::to_string(prefs.LongestTransmission));
        if (!text)
            return;
        const std::int64_t seconds = roundedSettingValue(*text, INT32_MIN, INT32_MAX);
        if (seconds >= 0 && seconds <= kMaxLongestTransmission) {
            prefs.LongestTransmission = static_cast<std::int32_t>(seconds);
            store("LongestTransmission", seconds);
            return;
        }
        currentPrompter().message("The longest transmission must be between " + limits + " seconds",
                                  kLongestTransmissionTitle, MessageIcon::Exclamation);
    }
}

void mnuDTMFComClick(int n) {
    LinkPreferences& prefs = linkPreferences();
    prefs.DTMFComPort = static_cast<std::int16_t>(n);
    prefs.ComPort = 0;
    CheckComPort();
    store("DTMFComPort", n);
    store("ComPort", 0);
    LinkMenuChecks& checks = linkMenuChecks();
    fClearDTMFPortChecks();
    if (n >= 1 && n <= kComPortCount)
        checks.pttPort[n - 1] = true;
    fClearSerialPortChecks();
}

void mnuUseDTMFDTRClick() {
    LinkPreferences& prefs = linkPreferences();
    prefs.WhichSend = 1;
    prefs.ComPort = 0;
    store("WhichSend", 1);
    store("ComPort", 0);
    LinkMenuChecks& checks = linkMenuChecks();
    fClearSerialPortChecks();
    checks.dtr = true;
    checks.rts = false;
}

void mnuUseDTMFRTSClick() {
    LinkPreferences& prefs = linkPreferences();
    prefs.WhichSend = 2;
    prefs.ComPort = 0;
    store("WhichSend", 2);
    store("ComPort", 0);
    // The serial list keeps its check marks here, as it always has.
    LinkMenuChecks& checks = linkMenuChecks();
    checks.dtr = false;
    checks.rts = true;
}

}  // namespace kelp
