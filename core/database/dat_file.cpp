#include "core/database/dat_file.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/app/app_folder.h"
#include "core/app/clock.h"
#include "core/app/error_reporter.h"
#include "core/app/program_identity.h"
#include "core/app/prompter.h"
#include "core/catalogues/macro_functions.h"
#include "core/database/area_checks.h"
#include "core/database/controller_database.h"
#include "core/database/error_log.h"
#include "core/database/field_checks.h"
#include "core/database/ini_file.h"
#include "core/database/key_rules.h"
#include "core/database/load_rules.h"
#include "core/database/profile.h"

namespace kelp {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kNoneStored = "NONE STORED";
constexpr const char* kNone = "NONE";
constexpr const char* kVersionSection = "Version";

// A remote base memory that fails the frequency check takes this; one whose offset digit is
// not 1-3 becomes simplex.
constexpr const char* kDefaultFrequency = "1465202";
constexpr char kSimplexOffset = '2';
constexpr std::size_t kFrequencyDigits = 7;
constexpr const char* kMemoryWords = "Logic Alarms/R Base: Remote Base Memories: Memory Number ";

SaveIndicator* gSaveIndicator = nullptr;
std::function<void()> gTerminateHook;
bool gStoppedAtFirmware = false;

std::string upperCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return std::string(text);
}

bool named(const KeyDescriptor& key, const char* name) {
    return std::strcmp(key.name, name) == 0;
}

// The key as the file writes it: "FanTime", "HangTime1(2)", "P3Tone8(10)".
std::string fileKey(const KeyDescriptor& key, int port, int index) {
    switch (key.shape) {
        case KeyShape::Single:
            return key.name;
        case KeyShape::Indexed:
            return std::string(key.name) + "(" + std::to_string(index) + ")";
        case KeyShape::Courtesy:
            break;
    }
    return "P" + std::to_string(port) + key.name + "(" + std::to_string(index) + ")";
}

const std::string& valueOf(const ControllerDatabase& database, const KeyDescriptor& key, int port,
                           int index) {
    return key.shape == KeyShape::Courtesy ? database.courtesy(key.name, port, index)
                                           : database.get(key.name, index);
}

void setValue(ControllerDatabase& database, const KeyDescriptor& key, int port, int index,
              std::string value) {
    if (key.shape == KeyShape::Courtesy) {
        database.setCourtesy(key.name, port, index, std::move(value));
    } else {
        database.set(key.name, index, std::move(value));
    }
}

// ---------------------------------------------------------------------------------------
// Writer

// Rows of the key table that follow one another with the same indexing are written index by
// index, all keys of one index together; a single key is a group of its own.
struct KeyGroup {
    std::size_t first;
    std::size_t end;
};

const std::vector<KeyGroup>& writerGroups() {
    static const std::vector<KeyGroup> groups = [] {
        std::vector<KeyGroup> built;
        const auto& keys = keyTable();
        for (std::size_t row = 0; row < keys.size();) {
            std::size_t end = row + 1;
            if (keys[row].shape != KeyShape::Single) {
                while (end < keys.size() && keys[end].shape == keys[row].shape &&
                       keys[end].count == keys[row].count &&
                       keys[end].countWithoutRtc == keys[row].countWithoutRtc)
                    ++end;
            }
            built.push_back({row, end});
            row = end;
        }
        return built;
    }();
    return groups;
}

class Writer {
  public:
    Writer(ControllerDatabase& database, Prompter& prompter)
        : db_(database), prompter_(prompter), file_(database.currentFile) {}

    bool run() {
        try {
            ini_ = IniFile::load(file_);
        } catch (...) {
            // What cannot be read cannot be merged into: leave the file alone.
            failed();
            return false;
        }
        put(kVersionSection, "KelpVersion", programVersion());
        put(kVersionSection, "FirmwareVersion", trimmed(db_.firmwareVersion));
        put(kVersionSection, "HasRTC", db_.hasRtc ? "1" : "0");
        writeSettings();
        try {
            ini_.save(file_);
        } catch (...) {
            failed();
        }
        return ok_;
    }

  private:
    void writeSettings() {
        const auto& keys = keyTable();
        for (const KeyGroup& group : writerGroups()) {
            const KeyDescriptor& lead = keys[group.first];
            const int count = usedCount(lead, db_.hasRtc);
            if (lead.shape == KeyShape::Single) {
                putSetting(lead, 0, 0);
            } else if (lead.shape == KeyShape::Indexed) {
                for (int n = 1; n <= count; ++n) {
                    for (std::size_t row = group.first; row < group.end; ++row)
                        putSetting(keys[row], 0, n);
                    currentClock().yield();
                }
            } else {
                for (int n = 1; n <= count; ++n) {
                    for (int p = 1; p <= kCourtesyPorts; ++p) {
                        for (std::size_t row = group.first; row < group.end; ++row)
                            putSetting(keys[row], p, n);
                    }
                    currentClock().yield();
                }
            }
        }
    }

    // The value as it goes into the file, after the adjustments that also change memory.
    std::string fileValue(const KeyDescriptor& key, int port, int index) {
        std::string value = valueOf(db_, key, port, index);
        if ((named(key, "P1MessageNum") || named(key, "P2MessageNum") ||
             named(key, "P3MessageNum")) &&
            value == "0") {
            value = "90";
            setValue(db_, key, port, index, value);
        } else if (named(key, "MessageMacro") && value.empty()) {
            value = kNoneStored;
            setValue(db_, key, port, index, value);
        } else if (named(key, "Hours") && value == "99") {
            return "0A";  // "every hour" in the file; memory keeps "99"
        }
        return value;
    }

    void putSetting(const KeyDescriptor& key, int port, int index) {
        try {
            ini_.write(key.section, fileKey(key, port, index), fileValue(key, port, index));
        } catch (...) {
            failed();
        }
    }

    void put(const char* section, const char* key, const std::string& value) {
        try {
            ini_.write(section, key, value);
        } catch (...) {
            failed();
        }
    }

    // Called from a catch block: the reporter's box, then the writer's own warning. The
    // writer then goes on with the next key; what it could not write keeps its old value.
    void failed() {
        ok_ = false;
        reportError("Declarations", "FileWrite");
        prompter_.message(std::string("An error occurred while writing data to dat file:") + kCrLf +
                              kCrLf + file_ + kCrLf + kCrLf +
                              "THE DATA IN THE dat FILE IS INCOMPLETE OR ERRONEOUS.  DO NOT USE "
                              "IT!!!" +
                              kCrLf +
                              "Please close the program, check your data, and the run the "
                              "program again." +
                              kCrLf +
                              "If the error continues, please notify Zandrel and make sure you "
                              "give them the information above.",
                          kSystemErrorTitle, MessageIcon::Critical);
    }

    ControllerDatabase& db_;
    Prompter& prompter_;
    std::string file_;
    IniFile ini_;
    bool ok_ = true;
};

// Shows the indication for the writer's whole run, however it ends.
class ShownIndicator {
  public:
    explicit ShownIndicator(SaveIndicator* indicator) : indicator_(indicator) {
        if (indicator_ != nullptr)
            indicator_->show();
    }
    ~ShownIndicator() {
        if (indicator_ != nullptr)
            indicator_->hide();
    }
    ShownIndicator(const ShownIndicator&) = delete;
    ShownIndicator& operator=(const ShownIndicator&) = delete;

  private:
    SaveIndicator* indicator_;
};

// ---------------------------------------------------------------------------------------
// Loader

// The order the loader reads the keys in: area by area, as the editors show them. Each group
// is read index by index (per port, per entry), all its keys for one index together.
enum class Loop { Once, ByIndex, ByPortThenTone };

struct LoadGroup {
    Loop loop;
    std::vector<const char*> names;
};

// clang-format off
const std::vector<LoadGroup>& loaderOrder() {
    static const std::vector<LoadGroup> order = {
        {Loop::ByIndex, {"HangTime1", "HangTime2", "HangTime3", "TimeOut", "TOTReset",
                         "TOTResetTimer", "IIDTime", "PIDTime", "InActiveTime", "InActivityMacro",
                         "DTMFTime", "CTCSSTime", "KerchunkTime", "KerchunkTimeout",
                         "IDSpeakTime", "AnnounceTime", "TailMessageNum", "TailCounter"}},
        {Loop::ByIndex, {"P1MessageNum", "P2MessageNum", "P3MessageNum"}},
        {Loop::ByIndex, {"AuxTime"}},
        {Loop::ByIndex, {"GeneralTimer", "GeneralTimerMacro"}},
        {Loop::Once, {"FanTime", "FanSelect", "XmtDelay", "TimeoutLink"}},
        {Loop::ByIndex, {"Alarm", "AlarmLowMacroNum", "AlarmHighMacroNum"}},
        {Loop::ByIndex, {"DOW", "Monthly", "Week", "Hours", "Minutes", "MacroToRun"}},
        {Loop::Once, {"TwentyFour", "SayHour", "SayYear", "ClockCorrection"}},
        {Loop::ByIndex, {"Meter", "RealLow", "MeterLow", "RealHigh", "MeterHigh"}},
        {Loop::Once, {"Vref"}},
        {Loop::ByIndex, {"MeterAlarmType", "MeterNum", "MeterSetPoint", "MeterMacro"}},
        {Loop::Once, {"RadioType", "YaesuType", "RemoteBasePrefix"}},
        {Loop::ByIndex, {"FreqString", "CTCSS", "CTCSSMode", "RadioMode"}},
        {Loop::ByIndex, {"VoiceID1", "VoiceID2", "VoiceID3", "CWID1", "CWID2", "CWSpeed",
                         "CWTone1", "CWTone2", "SpeechEnable", "ConstantID"}},
        {Loop::ByIndex, {"ID1Extras", "ID2Extras", "ID3Extras"}},
        {Loop::ByIndex, {"CurrentPortUnlock", "NewPortUnlock"}},
        {Loop::Once, {"Lock", "NewLock", "Terminator", "NewTerminator"}},
        {Loop::Once, {"DTMFRegenPrefix", "DTMFPort", "DTMFSpeech"}},
        {Loop::Once, {"APPrefix", "AnswerCode", "RingNumber", "APTimeOut", "EnablePatch",
                      "PatchMute"}},
        {Loop::ByIndex, {"AutoDial"}},
        {Loop::ByIndex, {"TollRestrict"}},
        {Loop::Once, {"DTMFTestPrefix", "PreAccessPrefix", "PreProgramPrefix", "MacroSubset",
                      "MacroSubsetEnable", "DTMFMuteDigitSelect", "WindDirectionSelect",
                      "DR1Select"}},
        {Loop::ByIndex, {"Macro", "MacroCode"}},
        {Loop::ByIndex, {"ShortMacro", "ShortMacroCode"}},
        {Loop::ByIndex, {"PortToAllow"}},
        {Loop::ByIndex, {"RcvMacroActive", "RcvMacroInactive"}},
        {Loop::ByIndex, {"MessageMacro"}},
        {Loop::ByPortThenTone, {"Delay1", "Delay2", "Delay3", "Delay4", "Dur1", "Dur2", "Dur3",
                                "Dur4", "Tone1", "Tone2", "Tone3", "Tone4", "Tone5", "Tone6",
                                "Tone7", "Tone8"}},
        {Loop::ByIndex, {"DTMF"}},
        {Loop::Once, {"DTMFDur", "DTMFDelay"}},
        {Loop::Once, {"AllowTerminatorSpeech"}},
        {Loop::ByIndex, {"DVRSeconds"}},
        {Loop::ByIndex, {"DVRTracks", "DVRRowsUsed"}},
        {Loop::ByIndex, {"TxEnable", "RxEnable", "FDup", "SpeechOverride", "SpeechIDOverride",
                         "PLAccess", "DTMFEnable", "DTMFNeedPL", "DTMFMute", "DTMFCovertone",
                         "MonMix", "Kerchunk", "CTCSSID", "CTCSSCT", "PLEncodePolarity",
                         "COSClose", "IDStartSelect"}},
    };
    return order;
}
// clang-format on

const KeyDescriptor& keyNamed(const char* name) {
    const KeyDescriptor* key = findKey(name);
    if (key == nullptr)
        throw std::out_of_range(std::string("no setting key '") + name + "'");
    return *key;
}

// One value being loaded: its row, port (courtesy keys) and index, its key text and the value
// as the file holds it.
struct Item {
    const KeyDescriptor* key;
    int port;
    int index;
    std::string keyText;
    std::string received;
};

class Loader {
  public:
    Loader(ControllerDatabase& database, Prompter& prompter)
        : db_(database), prompter_(prompter), log_(errorLog()), file_(database.currentFile) {}

    const std::string& step() const { return step_; }

    // Returns false when the operator stopped the load at the firmware question.
    bool run() {
        db_.reset();
        log_.clearFlags();
        step_ = "Firmware Version";
        ini_ = IniFile::load(file_);
        if (!checkFirmware())
            return false;

        step_ = "Open Error File";
        log_.create(appFolder());
        log_.writeHeader(file_, db_.downloadIntoFile, currentClock().wallClock());

        step_ = "Determine RTC";
        determineRtc();

        step_ = "Determine DVR Write";
        determineDvrWrite();

        // The macro check looks codes up in the function catalogue; it is fixed for the
        // firmware, so making sure it is built is all the rebuilding it needs.
        step_.clear();
        macroFunctions();

        readSettings();

        log_.close();
        if (log_.errors() || log_.warnings())
            offerErrorLog();
        log_.clearFlags();
        db_.loaded = true;
        return true;
    }

  private:
    // ----- steps before the settings

    bool checkFirmware() {
        const std::string prefix = firmwarePrefix();
        db_.firmwareVersion = ini_.read(kVersionSection, "FirmwareVersion");
        // A damaged version is no version: asked for like a missing one, as a CR kept in it
        // would make every later save fail.
        if (holdsControlCharacter(db_.firmwareVersion))
            db_.firmwareVersion.clear();
        for (;;) {
            const std::string& version = db_.firmwareVersion;
            if (!version.empty() && version.compare(0, prefix.size(), prefix) == 0)
                return true;
            if (!version.empty()) {
                const Answer answer = prompter_.message(
                    "This version of Kelp is for use with Firmware version " + prefix + "xx" +
                        kCrLf + "This DAT file is for Firmware version " + version + kCrLf + kCrLf +
                        "This version of the Kelp is NOT consistent with the Firmware version of "
                        "the DAT file" +
                        kCrLf +
                        "Editing the DAT file with this version of the Kelp could create errors "
                        "in your data" +
                        kCrLf + kCrLf + "Do you wish to continue editing this DAT file?",
                    "VERSION DIFFERENCE", MessageIcon::Critical, MessageButtons::YesNo,
                    DefaultButton::Second);
                if (answer == Answer::Yes)
                    return true;
                db_.firmwareVersion.clear();
                gStoppedAtFirmware = true;
                return false;
            }
            const Answer enter = prompter_.message(
                std::string("This DAT file does not have a Firmware version") + kCrLf + kCrLf +
                    "Would you like to enter the version manually now?",
                "VERSION DIFFERENCE", MessageIcon::Question, MessageButtons::YesNo);
            if (enter != Answer::Yes) {
                prompter_.message(
                    std::string("Editing a DAT file for one version of the firmware with Kelp "
                                "for a different version can create errors in your data") +
                        kCrLf + kCrLf + "This Kelp is for Firmware version: " + prefix + "xx",
                    "VERSION DIFFERENCE", MessageIcon::Critical);
                return true;
            }
            std::string typed =
                prompter_
                    .inputBox("Enter Firmware Version",
                              "Enter Firmware Version for this DAT file in format mnn where m is "
                              "major version and nn is minor version (e.g., 528)",
                              std::string())
                    .value_or(std::string());
            std::string digits;
            for (char c : typed) {
                if (c != '.')
                    digits += c;
            }
            db_.firmwareVersion = trimmed(digits);
            writeAtOnce("FirmwareVersion", db_.firmwareVersion);
        }
    }

    void determineRtc() {
        LoadMenuState& menu = loadMenuState();
        menu.rtcYes = menu.rtcNo = false;
        const std::string hasRtc = ini_.read(kVersionSection, "HasRTC");
        if (hasRtc == "0" || hasRtc == "1") {
            db_.hasRtc = hasRtc == "1";
        } else {
            prompter_.beep();
            db_.hasRtc = prompter_.message("Is this file for a controller with an RTC installed?",
                                           "RTC Installed?", MessageIcon::Question,
                                           MessageButtons::YesNo) == Answer::Yes;
            writeAtOnce("HasRTC", db_.hasRtc ? "1" : "0");
        }
        menu.rtcYes = db_.hasRtc;
        menu.rtcNo = !db_.hasRtc;
        menu.rtcMenuEnabled = true;
    }

    void determineDvrWrite() {
        LoadMenuState& menu = loadMenuState();
        const std::string dvrWrite = ini_.read(kVersionSection, "DVRWrite");
        menu.dvrWrite = dvrWrite == "1";
        menu.dvrDontWrite = dvrWrite == "0";
        db_.dvrWrite = menu.dvrWrite;
        menu.dvrMenuEnabled = true;
    }

    // The operator's answer goes into the file now, and into the parsed copy the rest of the
    // load reads from.
    void writeAtOnce(const char* key, const std::string& value) {
        WriteSetting(kVersionSection, key, value, file_);
        ini_.write(kVersionSection, key, value);
    }

    void offerErrorLog() {
        const Answer answer = prompter_.message(
            std::string("There were errors and/or warnings in your dat file and default values "
                        "have been assigned.") +
                kCrLf + kCrLf + "The error log is located at " + kCrLf + log_.path().string() +
                kCrLf + kCrLf + "Do you want to view the error log now?" + kCrLf +
                "  YES to view error log" + kCrLf + "  NO to bypass viewing for now" + kCrLf +
                "  (you can always view it later by clicking File|View Error Log" + kCrLf +
                "   or by opening it with Notepad or some other text editor)",
            "DAT File Errors", MessageIcon::Exclamation, MessageButtons::YesNo);
        if (answer == Answer::Yes)
            viewErrorLog(prompter_, log_);
    }

    // ----- the settings

    using Special = void (Loader::*)(Item&);

    static const std::unordered_map<std::string_view, Special>& specials() {
        static const std::unordered_map<std::string_view, Special> table = {
            {"IDSpeakTime", &Loader::loadIdSpeakTime},
            {"YaesuType", &Loader::loadYaesuType},
            {"Hours", &Loader::loadHours},
            {"ClockCorrection", &Loader::loadClockCorrection},
            {"MacroSubset", &Loader::loadMacroSubset},
            {"FreqString", &Loader::loadFrequency},
            {"RadioMode", &Loader::loadRadioMode},
            {"Macro", &Loader::loadMacro},
            {"ShortMacro", &Loader::loadMacro},
            {"CurrentPortUnlock", &Loader::loadUnlockCode},
            {"Lock", &Loader::loadUnlockCode},
            {"Terminator", &Loader::loadUnlockCode},
            {"NewPortUnlock", &Loader::loadPendingCode},
            {"NewLock", &Loader::loadPendingCode},
            {"NewTerminator", &Loader::loadNewTerminator},
            {"DTMFRegenPrefix", &Loader::loadRegeneratePrefix},
            {"DVRSeconds", &Loader::loadDvrNumber},
            {"DVRTracks", &Loader::loadDvrNumber},
            {"DVRRowsUsed", &Loader::loadDvrNumber},
            {"Minutes", &Loader::loadMinutes},
            {"MeterSetPoint", &Loader::loadSetPoint},
        };
        return table;
    }

    // The loader's order with every key resolved once, and its rule of its own if it has one.
    struct LoadStep {
        const KeyDescriptor* key;
        Special special;
    };
    struct ResolvedGroup {
        Loop loop;
        std::vector<LoadStep> steps;
    };

    static const std::vector<ResolvedGroup>& resolvedOrder() {
        static const std::vector<ResolvedGroup> resolved = [] {
            std::vector<ResolvedGroup> built;
            const auto& table = specials();
            for (const LoadGroup& group : loaderOrder()) {
                ResolvedGroup entry{group.loop, {}};
                for (const char* name : group.names) {
                    const auto special = table.find(name);
                    entry.steps.push_back(
                        {&keyNamed(name), special == table.end() ? nullptr : special->second});
                }
                built.push_back(std::move(entry));
            }
            return built;
        }();
        return resolved;
    }

    void readSettings() {
        for (const ResolvedGroup& group : resolvedOrder()) {
            const int count = usedCount(*group.steps.front().key, db_.hasRtc);
            switch (group.loop) {
                case Loop::Once:
                    for (const LoadStep& step : group.steps) load(step, 0, 0);
                    break;
                case Loop::ByIndex:
                    for (int n = 1; n <= count; ++n) {
                        for (const LoadStep& step : group.steps) load(step, 0, n);
                    }
                    break;
                case Loop::ByPortThenTone:
                    for (int p = 1; p <= kCourtesyPorts; ++p) {
                        for (int n = 1; n <= count; ++n) {
                            for (const LoadStep& step : group.steps) load(step, p, n);
                        }
                    }
                    break;
            }
        }
    }

    void load(const LoadStep& step, int port, int index) {
        const KeyDescriptor& key = *step.key;
        Item item{&key, port, index, fileKey(key, port, index), std::string()};
        item.received = ini_.read(key.section, item.keyText);
        if (step.special != nullptr) {
            (this->*(step.special))(item);
        } else {
            checked(item, item.received);
        }
    }

    // The plain rule of the key: silent default, check, default and report.
    void checked(Item& item, std::string value) {
        const KeyRule& rule = keyRule(*item.key);
        if (value.empty() && rule.silentDefault)
            value = *rule.silentDefault;
        if (!passes(rule, value, item))
            value = replaced(item, rule);
        store(item, std::move(value));
    }

    // A value passes when its key's check takes it and it holds no control character: inside
    // a command line a CR would end the command and start another, whatever the key.
    static bool passes(const KeyRule& rule, const std::string& value, const Item& item) {
        return !holdsControlCharacter(value) &&
               (!rule.check || rule.check(value, item.port, item.index));
    }

    // Logs the failed value and returns the key's default.
    std::string replaced(const Item& item, const KeyRule& rule) {
        std::string fixed = rule.defaultValue(item.port, item.index, db_.hasRtc);
        reportInvalid(item, rule, " not valid", fixed);
        return fixed;
    }

    void reportInvalid(const Item& item, const KeyRule& rule, const char* what,
                       const std::string& fixed) {
        logError(item, rule, what, lastLine(rule, fixed));
    }

    static std::string lastLine(const KeyRule& rule, const std::string& fixed) {
        return (rule.style == ReportStyle::Timers ? "Defaulted to "
                                                  : "Value has been defaulted to ") +
               fixed;
    }

    void logError(const Item& item, const KeyRule& rule, const char* what,
                  const std::string& last) {
        const std::string words = rule.itemWords ? rule.itemWords(item.port, item.index) : "";
        const char* received =
            rule.style == ReportStyle::Timers ? "Value received was '" : "Value received is '";
        log_.writeEntry(words + what + " -- DAT item: " + item.keyText + kCrLf + received +
                            visibleControlCharacters(item.received) + "'" + kCrLf + last,
                        LogSeverity::Error);
    }

    void store(const Item& item, std::string value) {
        setValue(db_, *item.key, item.port, item.index, std::move(value));
    }

    // ----- keys with rules of their own

    // The speech timer may not run longer than the pending ID timer; a bad one takes the
    // pending ID timer's length in seconds.
    void loadIdSpeakTime(Item& item) {
        const CrossFieldRule& cross = *crossFieldRule("IDSpeakTime");
        const std::string& pendingMinutes = db_.get(cross.partner, item.index);
        if (!holdsControlCharacter(item.received) &&
            cross.passes(item.received, pendingMinutes)) {
            store(item, item.received);
            return;
        }
        const KeyRule& rule = keyRule(*item.key);
        std::string fixed = cross.repaired(pendingMinutes);
        logError(item, rule, " not valid",
                 "Defaulted to value of Pending ID Timer (in SECONDS) = " + fixed);
        store(item, std::move(fixed));
    }

    // The upload sends the model whatever the radio, so it must be one the controller takes.
    // For a radio that is no Yaesu, one it cannot take (a file without it, say) becomes "0",
    // no Yaesu, without a report: that radio ignores the model.
    void loadYaesuType(Item& item) {
        const CrossFieldRule& cross = *crossFieldRule("YaesuType");
        const std::string& radio = db_.get(cross.partner);
        const bool damaged = holdsControlCharacter(item.received);
        if (!damaged && cross.passes(item.received, radio)) {
            store(item, item.received);
            return;
        }
        const std::string fixed = cross.repaired(radio);
        if (radio == "3" || damaged) {
            const KeyRule& rule = keyRule(*item.key);
            logError(item, rule, " not valid", lastLine(rule, fixed));
        }
        store(item, fixed);
    }

    // "Every hour" is "0A" in the file (and "254" in older ones); in memory it is "99".
    void loadHours(Item& item) {
        std::string value = item.received;
        if (upperCase(value) == "0A" || value == "254")
            value = "99";
        const KeyRule& rule = keyRule(*item.key);
        if (!passes(rule, value, item))
            value = replaced(item, rule);
        if (value.size() == 1)
            value.insert(0, 1, '0');
        store(item, std::move(value));
    }

    // A leading "A" makes the correction run the other way; the seconds follow it.
    void loadClockCorrection(Item& item) {
        std::string value = item.received;
        if (!value.empty() && value[0] == 'a')
            value[0] = 'A';
        const KeyRule& rule = keyRule(*item.key);
        if (!passes(rule, value, item))
            value = replaced(item, rule);
        store(item, std::move(value));
    }

    // First and last macro of the subset, two digits each.
    void loadMacroSubset(Item& item) {
        std::string value = item.received;
        if (value == "0") {
            value = "0190";
        } else if (value.size() < 4) {
            value.insert(0, 4 - value.size(), '0');
        }
        const KeyRule& rule = keyRule(*item.key);
        if (!passes(rule, value, item))
            value = replaced(item, rule);
        store(item, std::move(value));
    }

    // The frequency digits with the offset digit (1 minus, 2 simplex, 3 plus) last, or "NONE"
    // for a memory not in use.
    void loadFrequency(Item& item) {
        std::string value;
        for (char c : item.received) {
            if (c != ' ')
                value += c;
        }
        value = upperCase(value);
        if (value.empty() && item.index > kRequiredRemoteMemories)
            value = kNone;
        // A missing frequency has nothing to pad: zeros would make it a real, wrong
        // frequency, so it fails the check below and takes the default instead.
        if (!value.empty() && value != kNone && value.size() < kFrequencyDigits &&
            !holdsControlCharacter(value)) {
            const std::string old = value;
            value.insert(0, kFrequencyDigits - value.size(), '0');
            log_.writeEntry(
                kMemoryWords + std::to_string(item.index) + ": Frequency" +
                    " less than required number of digits -- DAT item: " + item.keyText + kCrLf +
                    "Value received is '" + old + "'" + kCrLf + "Value has been padded to " + value,
                LogSeverity::Warning);
        }
        const KeyRule& rule = keyRule(*item.key);
        if (!passes(rule, value, item)) {
            const std::string fixed = kDefaultFrequency;
            reportInvalid(item, rule, " not valid", fixed);
            value = fixed;
        }
        if (value != kNone && !value.empty()) {
            const std::string offset(1, value.back());
            if (!numericFieldCheck(offset, 1, 3)) {
                value.back() = kSimplexOffset;
                log_.writeEntry(kMemoryWords + std::to_string(item.index) + ": Offset" +
                                    " not valid -- DAT item: " + item.keyText + kCrLf +
                                    "Value received is '" + offset + "'" + kCrLf +
                                    "Value has been defaulted to " + kSimplexOffset,
                                LogSeverity::Error);
            }
        }
        store(item, std::move(value));
    }

    // The last value of a remote base memory: then the memory as a whole must be either in use
    // or not.
    void loadRadioMode(Item& item) {
        checked(item, item.received);
        const int n = item.index;
        const std::string& frequency = db_.get("FreqString", n);
        const std::string& ctcss = db_.get("CTCSS", n);
        const std::string& ctcssMode = db_.get("CTCSSMode", n);
        const std::string& radioMode = db_.get("RadioMode", n);
        const int unused =
            (frequency == kNone) + (ctcss == kNone) + (ctcssMode == kNone) + (radioMode == kNone);
        if (unused == 0 || unused == 4)
            return;
        log_.writeEntry(
            "Logic Alarms/R Base: Memory Number " + std::to_string(n) + kCrLf +
                "Some of the parameters for the Remote Base Memory have been entered and some "
                "have not been entered (value of 'NONE')" +
                kCrLf + "  FreqString = '" + frequency + "'" + kCrLf + "  CTCSS = '" + ctcss + "'" +
                kCrLf + "  CTCSS Mode = '" + ctcssMode + "'" + kCrLf + "  Radio Mode = '" +
                radioMode + "'" + kCrLf +
                "This Remote Base Memory will not be uploaded to the controller as is",
            LogSeverity::Warning);
    }

    void loadMacro(Item& item) {
        std::string value = upperCase(item.received);
        const int slots = named(*item.key, "Macro") ? kMacroSlots : kShortMacroSlots;
        const MacroCheck result =
            holdsControlCharacter(value) ? MacroCheck::InvalidFunction : macroCheck(value, slots);
        if (result != MacroCheck::Passed) {
            const KeyRule& rule = keyRule(*item.key);
            value = kNoneStored;
            logError(item, rule,
                     result == MacroCheck::InvalidFunction
                         ? ": Contains invalid macro functions"
                         : ": Exceeds allowed number of macro functions",
                     lastLine(rule, value));
        }
        store(item, std::move(value));
    }

    void loadUnlockCode(Item& item) {
        const std::string value = upperCase(item.received);
        const KeyRule& rule = keyRule(*item.key);
        if (passes(rule, value, item)) {
            store(item, value);
            return;
        }
        store(item, replaced(item, rule));
        if (named(*item.key, "CurrentPortUnlock")) {
            const std::string port = std::to_string(item.index);
            prompter_.message(
                "The DAT file does not have a valid Unlock Code for Port " + port +
                    " and will use the factory default unlock code as specified in the QZ740 "
                    "Operations Manual" +
                    kCrLf + kCrLf +
                    "If that is not the Unlock Code, you must correct the Unlock Code data "
                    "before you can upload any other changes to the controller",
                "INVALID UNLOCK CODE", MessageIcon::Critical);
        } else if (named(*item.key, "Lock")) {
            prompter_.message(
                std::string("The DAT file does not have a valid Lock Code and will use the "
                            "factory default lock code as specified in the QZ740 Operations "
                            "Manual") +
                    kCrLf + kCrLf +
                    "If that is not the Lock Code, you must correct the Lock Code data before "
                    "you can upload any other changes to the controller",
                "INVALID LOCK CODE", MessageIcon::Critical);
        } else {
            prompter_.message(
                std::string("The DAT file does not have a valid Terminator Code and will use the "
                            "factory default lock code as specified in the QZ740 Operations "
                            "Manual") +
                    kCrLf + kCrLf +
                    "If that is not the Terminator Code, you must correct the Terminator Code "
                    "data before you can upload any other changes to the controller",
                "INVALID TERMINATOR CODE", MessageIcon::Critical);
        }
    }

    // A pending code the window would not have taken is dropped: it would be sent as the new
    // code at the next complete upload.
    void loadPendingCode(Item& item) { checked(item, upperCase(item.received)); }

    // The last of the unlock group: the controller cannot tell a lock code from a terminator
    // that is the same digit.
    void loadNewTerminator(Item& item) {
        checked(item, trimmed(upperCase(item.received)));
        if (db_.get("Lock") == db_.get("Terminator")) {
            prompter_.message(
                "ERROR! Your Current Lock Code and Current Terminator Digit are the same. This "
                "is not allowed! You must change one or the other before you proceed further",
                "Error!");
            db_.lockConflict = true;
        }
    }

    // Older files kept the regenerate prefix as CommandPrefix.
    void loadRegeneratePrefix(Item& item) {
        if (item.received.empty())
            item.received = upperCase(ini_.read("Unlock", "CommandPrefix"));
        checked(item, item.received);
    }

    // The DVR table holds the controller's own numbers, written back to it as they stand; a
    // value that is no number is damage, and becomes "0" as an empty one does.
    void loadDvrNumber(Item& item) {
        std::int64_t number = 0;
        if (item.received.empty() || parseDigits(item.received, number)) {
            checked(item, item.received);
            return;
        }
        const KeyRule& rule = keyRule(*item.key);
        reportInvalid(item, rule, " not valid", "0");
        store(item, "0");
    }

    // The setpoint command runs the start minute straight into the macro number, so the
    // controller reads it as two digits: "5" would take the macro's first digit.
    void loadMinutes(Item& item) {
        checked(item, item.received);
        std::int64_t minute = 0;
        if (parseDigits(db_.get("Minutes", item.index), minute))
            db_.set("Minutes", item.index, (minute < 10 ? "0" : "") + std::to_string(minute));
    }

    // A trip value below zero begins with "A", upper case as the controller reads it.
    void loadSetPoint(Item& item) {
        std::string value = item.received;
        if (!value.empty() && value[0] == 'a')
            value[0] = 'A';
        checked(item, std::move(value));
    }

    ControllerDatabase& db_;
    Prompter& prompter_;
    ErrorLog& log_;
    std::string file_;
    IniFile ini_;
    std::string step_;
};

}  // namespace

void setSaveIndicator(SaveIndicator* indicator) {
    gSaveIndicator = indicator;
}

LoadMenuState& loadMenuState() {
    static LoadMenuState state;
    return state;
}

void setLoadTerminateHook(std::function<void()> hook) {
    gTerminateHook = std::move(hook);
}

bool loadStoppedAtFirmware() {
    return gStoppedAtFirmware;
}

const char* const kNothingToWriteTitle = "Save Database";
const char* const kNothingToWriteText =
    "No database is loaded, so nothing was written to the file:";

bool FileWrite() {
    return FileWrite(db());
}

bool FileWrite(ControllerDatabase& database) {
    // A database that holds nothing (reset for a load the operator declined, or for a download
    // that never arrived) would write every key of its file empty. The file is left alone,
    // and the saved state too, since nothing the operator made was lost.
    if (database.holdsNoSettings()) {
        currentPrompter().message(std::string(kNothingToWriteText) + kCrLf + kCrLf +
                                      database.currentFile,
                                  kNothingToWriteTitle, MessageIcon::Exclamation);
        return false;
    }
    const ShownIndicator indicator(gSaveIndicator);
    Writer writer(database, currentPrompter());
    const bool ok = writer.run();
    // A save that did not reach the file must not let the program close without asking.
    database.saved = ok;
    return ok;
}

void FileLoad() {
    FileLoad(db());
}

void FileLoad(ControllerDatabase& database) {
    gStoppedAtFirmware = false;
    Loader loader(database, currentPrompter());
    try {
        loader.run();
    } catch (...) {
        errorLog().close();
        reportError("Declarations", "FileLoad", loader.step(),
                    std::string("An error occurred while loading from dat file:") + kCrLf + kCrLf +
                        database.currentFile + kCrLf + kCrLf +
                        "THE DATA FROM THE dat FILE IS INCOMPLETE OR ERRONEOUS.  DO NOT USE IT!!!" +
                        kCrLf +
                        "The program will now terminate.  Please check the dat file for errors, "
                        "and the run the program again." +
                        kCrLf +
                        "If the error continues, please notify Zandrel and make sure you give "
                        "them the information above.");
        database.loaded = false;
        if (gTerminateHook) {
            gTerminateHook();
        } else {
            std::exit(1);
        }
    }
}

}  // namespace kelp
