#include "core/editors/timers_model.h"

#include "core/database/area_checks.h"
#include "core/database/field_checks.h"

namespace kelp {

namespace {

std::string range(int low, int high) {
    return std::to_string(low) + " and " + std::to_string(high);
}

// A text field refused with `text` + "<low> and <high>", titled by `title(index)`.
FieldSpec numericField(std::string key, FieldIndexing indexing, int count, int marker,
                       std::int16_t low, std::int16_t high, UploadFlag flag, std::string text,
                       std::function<std::string(int)> title) {
    FieldSpec f;
    f.key = key;
    f.indexing = indexing;
    f.count = count;
    f.kind = FieldKind::Text;
    f.marker = marker;
    f.flag = flag;
    f.check = [key, low, high, text, title](const EditorModel& m,
                                            int index) -> std::optional<Notice> {
        if (numericFieldCheck(m.value(key, index), low, high))
            return std::nullopt;
        return Notice{title(index), text + range(low, high)};
    };
    return f;
}

FieldSpec portField(std::string key, int marker, std::int16_t high, UploadFlag flag,
                    std::string text, std::string titleField) {
    return numericField(std::move(key), FieldIndexing::PerPort, 3, marker, 0, high, flag,
                        std::move(text),
                        [titleField](int port) { return portTitle(port, titleField); });
}

FieldSpec listField(std::string key, FieldIndexing indexing, int count, UploadFlag flag,
                    bool twoDigits, int flagIndex = 0) {
    FieldSpec f;
    f.key = std::move(key);
    f.indexing = indexing;
    f.count = count;
    f.kind = FieldKind::List;
    f.numeric = false;
    f.twoDigits = twoDigits;
    f.flag = flag;
    f.flagIndex = flagIndex;
    return f;
}

FieldSpec checkField(std::string key, UploadFlag flag) {
    FieldSpec f = listField(std::move(key), FieldIndexing::Single, 1, flag, false);
    f.kind = FieldKind::Check;
    return f;
}

}  // namespace

std::vector<FieldSpec> timersFields() {
    using U = UploadFlag;
    using I = FieldIndexing;
    std::vector<FieldSpec> f;
    f.push_back(portField("HangTime1", 100, 255, U::HangTimers,
                          "Invalid Hang Timer, must be whole number between ", "Hang Timer"));
    f.push_back(portField("HangTime2", 200, 255, U::HangTimers,
                          "Invalid Hang Timer 2, must be whole number between ", "Hang Timer"));
    f.push_back(portField("HangTime3", 300, 255, U::HangTimers,
                          "Invalid Hang Timer 3, must be whole number between ", "Hang Timer"));
    f.push_back(portField("TimeOut", 2, 32767, U::TimeoutTimer,
                          "Invalid Timeout Timer, must be between ", "Timeout Timer"));
    f.push_back(listField("TOTReset", I::PerPort, 3, U::TotResetPoint, false));
    // The reset timer has no number of its own in the old program; giving it one means
    // Apply re-checks it like every other box instead of trusting the last leave.
    f.push_back(portField("TOTResetTimer", 17, 255, U::TotResetTimer,
                          "Invalid Timeout Reset Timer, must be between ", "Timeout Reset Timer"));
    f.push_back(portField("IIDTime", 3, 255, U::InitialIdTimer,
                          "Invalid IID Timer, must be between ", "Initial ID Timer"));
    f.push_back(portField("PIDTime", 4, 255, U::PendingIdTimer,
                          "Invalid PID Timer, must be between ", "Pending ID Timer"));
    f.push_back(portField("InActiveTime", 5, 255, U::InactivityTimer,
                          "Invalid Inactivity Timer, must be between ", "Inactivity Timer"));
    f.push_back(listField("InActivityMacro", I::PerPort, 3, U::InactivityMacro, true));
    f.push_back(portField("DTMFTime", 6, 99, U::DtmfMuteTimer,
                          "Invalid DTMF Timer, must be between ", "DTMF Mute Timer"));
    f.push_back(portField("CTCSSTime", 7, 255, U::EncodeTimer,
                          "Invalid CTCSS Timer, must be between ", "Encode Timer"));
    f.push_back(portField("KerchunkTime", 8, 32000, U::KerchunkTimer,
                          "Invalid Kerchunk Timer, must be between ", "Kerchunk Timer"));
    f.push_back(portField("KerchunkTimeout", 9, 255, U::KerchunkTimeout,
                          "Invalid Kerchunk Timeout Timer, must be between ", "Kerchunk Timeout"));
    {
        FieldSpec speech = portField("IDSpeakTime", 10, 15300, U::PendingIdSpeechTimer, "",
                                     "Pending ID Speech Timer");
        speech.check = [](const EditorModel& m, int port) -> std::optional<Notice> {
            if (pendingIdSpeechCheck(m.value("IDSpeakTime", port), m.value("PIDTime", port)))
                return std::nullopt;
            return Notice{portTitle(port, "Pending ID Speech Timer"),
                          "Invalid Pending ID Speech Timer, cannot be more than value of "
                          "Pending ID Timer"};
        };
        f.push_back(std::move(speech));
    }
    f.push_back(listField("TailMessageNum", I::PerPort, 3, U::TailMessageNumber, false));
    f.push_back(portField("AnnounceTime", 11, 3600, U::TailTimer,
                          "TailMessage Timer invalid, must be between ", "TailMessage Timer"));
    {
        FieldSpec counter = portField("TailCounter", 16, 254, U::TailCounter, "", "");
        counter.check = [](const EditorModel& m, int port) -> std::optional<Notice> {
            if (numericFieldCheck(m.value("TailCounter", port), 0, 254))
                return std::nullopt;
            return Notice{"Tail Counter", "Tail Counter Port " + std::to_string(port) +
                                              " invalid.  Must be between " + range(0, 254)};
        };
        f.push_back(std::move(counter));
    }
    // Each port's three tail message macros travel as one group of that port.
    f.push_back(listField("P1MessageNum", I::Indexed, 3, U::TailMessageMacros, true, 1));
    f.push_back(listField("P2MessageNum", I::Indexed, 3, U::TailMessageMacros, true, 2));
    f.push_back(listField("P3MessageNum", I::Indexed, 3, U::TailMessageMacros, true, 3));
    f.push_back(numericField("AuxTime", I::Indexed, 3, 12, 0, 32767, U::AuxAudioTimer,
                             "Aux Timer invalid, must be between ",
                             [](int i) { return "Aux Audio Timer " + std::to_string(i); }));
    f.push_back(numericField("GeneralTimer", I::Indexed, 6, 15, 0, 32767, U::GeneralTimer,
                             "General Timer invalid, must be between ",
                             [](int i) { return "General Timer " + std::to_string(i); }));
    f.push_back(listField("GeneralTimerMacro", I::Indexed, 6, U::GeneralTimer, true));
    f.push_back(numericField("FanTime", I::Single, 1, 13, 0, 255, U::FanTimer,
                             "Fan Timer invalid, must be between ",
                             [](int) { return std::string("Fan Timer"); }));
    f.push_back(checkField("FanSelect", U::FanSelect));
    f.push_back(numericField("XmtDelay", I::Single, 1, 14, 0, 32767, U::TransmitDelay,
                             "Speech/CW Delay Before Transmit invalid, must be between ",
                             [](int) { return std::string("Speech/CW Delay Before Transmit"); }));
    f.push_back(checkField("TimeoutLink", U::TimeoutLink));
    return f;
}

TimersModel::TimersModel(ControllerDatabase& database)
    : EditorModel(database, Area::Timers, timersFields()) {}

bool TimersModel::tailControlsEnabled(int port) const {
    return value("TailMessageNum", port) != "0";
}

bool TimersModel::inactivityMacroEnabled(int port) const {
    return value("InActiveTime", port) != "0";
}

int TimersModel::macroListPosition(const std::string& stored) {
    if (!numericFieldCheck(stored, 1, 90))
        return -1;
    return std::stoi(stored) - 1;
}

bool TimersModel::storesEdit(const std::string& key, int index) const {
    // A port without a tail message has no tail counter to keep.
    return !(key == "TailCounter" && value("TailMessageNum", index) == "0");
}

}  // namespace kelp
