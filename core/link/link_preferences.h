// The link preferences (which port reaches the controller, which keys the transmitter, the
// pauses) as kept in section [Main] of kelp.ini, and the commands of the "Con&figure Kelp"
// menu that change them. The main window wires its menu items to the functions below and,
// after each, copies linkMenuChecks() into the menu's check marks.
//
// Serial mode means ComPort is not 0; DTMF mode means it is 0. The mode is not stored by
// itself.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kelp {

// How the certificate of a TLS serial server ("rfc2217+tls://", "tcp+tls://") is trusted: by
// the system's authorities when neither is named, else by the authorities of a certificate
// file (PEM), or by the SHA-256 fingerprint of the server's own certificate (a site server
// with a self-made certificate), hex digits with or without colons.
struct TlsTrust {
    std::string caFile;
    std::string fingerprint;
    bool empty() const { return caFile.empty() && fingerprint.empty(); }
};

struct LinkPreferences {
    std::int16_t ComPort = 0;      // serial port number of the controller link, 0 = DTMF mode
    std::int16_t DTMFComPort = 0;  // port whose DTR or RTS keys the transmitter, 0 = none
    std::int16_t WhichSend = 0;    // push-to-talk line: 1 DTR, anything else RTS
    std::int32_t SerialDelay = 0;  // ms after every write on the serial link
    std::int32_t DTMFDelay = 0;    // ms of silence before every DTMF digit
    std::int32_t TxTemp = 0;       // key-up delay, ms between keying and the first tone
    // Longest transmission: seconds a DTMF run may hold the transmitter keyed before it is
    // released for a break between two commands; 0 is no limit (one transmission).
    std::int32_t LongestTransmission = 0;
    // The two DTMF delays as the operator typed them, offered again by the next prompt.
    std::string DTMFDelayText;
    std::string TxTempText;
    // When not empty, every port number opens this device (kelp-cli send --port).
    std::string deviceOverride;
    // When set, every TLS address is trusted this way (kelp-cli --tls-ca/--tls-fingerprint).
    std::optional<TlsTrust> tlsOverride;
};

// The process-wide preferences.
LinkPreferences& linkPreferences();

// Number of "Com" entries in each port list of the menu.
constexpr int kComPortCount = 8;

// The full path of kelp.ini in the application folder, and its section that holds all of
// these ("Main").
std::string linkIniFile();
extern const char* const kLinkSection;

// Reads the seven preferences from kelp.ini (missing or non-numeric values count as 0).
void loadLinkPreferences();

// The numeric value of a preference text the lenient way: leading blanks skipped, then a
// decimal number with optional sign, fraction and exponent, rounded half to even; anything
// else (or nothing) is 0. Values beyond the range are held at its ends.
std::int64_t roundedSettingValue(const std::string& text, std::int64_t low, std::int64_t high);

// The device behind "Com" n (1-8): the kelp.ini key ComDevice(n) when it names one, else
// the n-th serial device the system reports ("COMn" on Windows), else "" (which no port
// opens). Numbers outside 1-8 give "".
std::string comDevice(int n);
// The device the link opens for port number n: deviceOverride when set, else comDevice(n).
std::string linkDevice(int n);
// The kelp.ini key that maps "Com" n to a device: "ComDevice(1)".
std::string comDeviceKey(int n);

// The kelp.ini keys naming the trust of "Com" n's TLS address: "TlsCa(1)", "TlsFingerprint(1)".
std::string tlsCaKey(int n);
std::string tlsFingerprintKey(int n);
// The trust for a device text: the override when there is one, else the keys of the "Com" entry whose
// ComDevice(n) is this address, else the system's authorities.
TlsTrust tlsTrust(const std::string& device);
// A fingerprint as 64 lower-case hex digits (colons, blanks and case dropped); "" when the
// text is not a SHA-256 fingerprint.
std::string normalizedFingerprint(const std::string& text);

// Check marks of the menu's two port lists (index 0 is "Com1" / "Use Com1 for PTT") and of
// "DTR for PTT" / "RTS for PTT".
struct LinkMenuChecks {
    std::array<bool, kComPortCount> serialPort{};
    std::array<bool, kComPortCount> pttPort{};
    bool dtr = false;
    bool rts = false;
};
LinkMenuChecks& linkMenuChecks();
void fClearSerialPortChecks();
void fClearDTMFPortChecks();
// At start-up, after loadLinkPreferences(): both lists cleared, then "Com" ComPort and
// "Use Com" DTMFComPort " for PTT" checked when in 1-8. DTR/RTS are left unchecked.
void setStartupLinkMenuChecks();

// The menu commands.
void mnuSerialDelayClick();       // "DelayTime"
void mnuComClick(int n);          // "Com1".."Com8"
void mnuDTMFDelayClick();         // "Set Interdigit Delay"
void mnuConfigureTXDelayClick();  // "Set KeyUp Delay"
// "Set Longest Transmission": asks for the seconds, 0 to kMaxLongestTransmission; Cancel
// keeps the value.
void mnuLongestTransmissionClick();
constexpr std::int32_t kMaxLongestTransmission = 3600;
void mnuDTMFComClick(int n);      // "Use Com1 for PTT".."Use Com8 for PTT"
void mnuUseDTMFDTRClick();        // "DTR for PTT"
void mnuUseDTMFRTSClick();        // "RTS for PTT"

}  // namespace kelp
