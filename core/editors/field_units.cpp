#include "core/editors/field_units.h"

#include <map>

namespace kelp {

const std::string& fieldUnit(std::string_view key) {
    static const std::string tenths = "1/10 seconds";
    static const std::string seconds = "seconds";
    static const std::string minutes = "minutes";
    static const std::string ms = "ms";
    static const std::string hz = "Hz";
    static const std::map<std::string, std::string, std::less<>> units = {
        {"HangTime1", tenths},
        {"HangTime2", tenths},
        {"HangTime3", tenths},
        {"TimeOut", seconds},
        {"TOTResetTimer", tenths},
        {"DTMFTime", tenths},
        {"CTCSSTime", tenths},
        {"KerchunkTime", "milliseconds"},
        {"KerchunkTimeout", seconds},
        {"IIDTime", minutes},
        {"PIDTime", minutes},
        {"IDSpeakTime", seconds},
        {"InActiveTime", minutes},
        {"AnnounceTime", seconds},
        {"AuxTime", seconds},
        {"FanTime", minutes},
        {"XmtDelay", ms},
        {"GeneralTimer", seconds},
        {"ClockCorrection", seconds},
        {"DTMFDur", ms},
        {"DTMFDelay", ms},
        {"Delay1", ms},
        {"Delay2", ms},
        {"Delay3", ms},
        {"Delay4", ms},
        {"Dur1", ms},
        {"Dur2", ms},
        {"Dur3", ms},
        {"Dur4", ms},
        {"Tone1", hz},
        {"Tone2", hz},
        {"Tone3", hz},
        {"Tone4", hz},
        {"Tone5", hz},
        {"Tone6", hz},
        {"Tone7", hz},
        {"Tone8", hz},
        {"CWSpeed", "WPM"},
        {"CWTone1", hz},
        {"CWTone2", hz},
    };
    static const std::string none;
    const auto it = units.find(key);
    return it == units.end() ? none : it->second;
}

}  // namespace kelp
