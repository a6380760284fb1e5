#include "core/link/upload_catalogue.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>

#include "core/catalogues/cw_table.h"
#include "core/catalogues/voice_vocabulary.h"
#include "core/database/area_checks.h"
#include "core/database/field_checks.h"
#include "core/database/profile.h"

namespace kelp {

namespace {

using U = UploadFlag;

constexpr const char* kNoneStored = "NONE STORED";

std::string padded(int n, std::size_t width) {
    std::string s = std::to_string(n);
    if (s.size() < width)
        s.insert(0, width - s.size(), '0');
    return s;
}

std::string withoutSpaces(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ' ')
            out += c;
    return out;
}

// Builds one command: the serial text and, beside it, the tokens that DTMF mode plays.
class Command {
  public:
    // Text that only the serial line carries: the leading port or "1" digit of most commands.
    Command& serialOnly(const std::string& text) {
        serial_ += text;
        return *this;
    }
    // Text that only DTMF mode plays (forms that differ from the serial text).
    Command& dtmfOnly(const std::string& text) {
        for (char c : text) dtmf_.emplace_back(1, c);
        return *this;
    }
    // Fixed digits and values: on the line as they are, played one character at a time
    // (upper-cased, as the digit player does). A space is no tone: a number typed with
    // spaces plays its digits.
    Command& text(const std::string& text) {
        serial_ += text;
        for (char c : text)
            if (c != ' ')
                dtmf_.emplace_back(1,
                                   static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        return *this;
    }
    // A dial string: free text on the line, its DTMF digits over the air ("555-1212" dials
    // 5551212); one with no digit at all plays "0", as an empty one is sent.
    Command& dialText(const std::string& value) {
        serial_ += value.empty() ? "0" : value;
        std::string digits;
        for (char c : value) {
            const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (isDtmfDigit(upper))
                digits += upper;
        }
        for (char c : digits.empty() ? std::string("0") : digits) dtmf_.emplace_back(1, c);
        return *this;
    }
    // A value handed to the tone player whole: "1" plays its digit, "11" the star.
    Command& token(const std::string& value) {
        serial_ += value;
        if (!value.empty())
            dtmf_.push_back(value);
        return *this;
    }
    UploadItem item(int unlockPort, std::vector<FlagRef> flags) const {
        UploadItem it;
        it.serial = serial_;
        it.dtmf = dtmf_;
        it.unlockPort = unlockPort;
        it.selectedBy = flags;
        it.clears = std::move(flags);
        return it;
    }

  private:
    std::string serial_;
    std::vector<std::string> dtmf_;
};

// The usual form: a leading port digit on the line, the rest played as it stands.
Command cmd(int port, const std::string& code) {
    Command c;
    c.serialOnly(std::to_string(port)).text(code);
    return c;
}

UploadSection section(bool lockAtEnd = true) {
    UploadSection s;
    s.lockAtEnd = lockAtEnd;
    return s;
}

const std::string& v(const ControllerDatabase& d, const char* key, int index = 0) {
    return d.get(key, index);
}

// Writes the unlock section's changed values into the open database file at once.
void writeUnlock(const ControllerDatabase& d, const char* key, const std::string& value) {
    if (!d.currentFile.empty())
        WriteSetting("Unlock", key, value, d.currentFile);
}

long numericValue(const std::string& text) {
    return std::strtol(text.c_str(), nullptr, 10);
}

}  // namespace

// The code changes. Each becomes the current code only once the controller took it; in DTMF
// mode the terminator command still ends with the terminator in force, and the lock played
// after it already uses the new code (the controller has changed by then).
UploadItem terminatorChangeItem(const ControllerDatabase& d) {
    const std::string t =
        v(d, "NewTerminator").empty() ? v(d, "Terminator") : v(d, "NewTerminator");
    UploadItem it = cmd(1, "*9020").text(t).item(1, {{U::TerminatorCode, 0}});
    it.afterSend = [](ControllerDatabase& db, bool writeFile) {
        const std::string pending = db.get("NewTerminator");
        if (pending.empty())
            return;
        db.set("Terminator", pending);
        db.set("NewTerminator", "");
        if (writeFile) {
            writeUnlock(db, "Terminator", pending);
            writeUnlock(db, "NewTerminator", "");
        }
    };
    return it;
}

UploadItem unlockCodeChangeItem(const ControllerDatabase& d, int p) {
    const std::string& pending = d.get("NewPortUnlock", p);
    const std::string code = pending.empty() ? d.get("CurrentPortUnlock", p) : pending;
    UploadItem it = cmd(p, "*9000").text(code).item(p, {{U::PortUnlock, p}});
    it.afterSend = [p](ControllerDatabase& db, bool writeFile) {
        const std::string next = db.get("NewPortUnlock", p);
        if (next.empty())
            return;
        db.set("CurrentPortUnlock", p, next);
        db.set("NewPortUnlock", p, "");
        if (writeFile) {
            writeUnlock(db, ("CurrentPortUnlock(" + std::to_string(p) + ")").c_str(), next);
            writeUnlock(db, ("NewPortUnlock(" + std::to_string(p) + ")").c_str(), "");
        }
    };
    return it;
}

UploadItem lockCodeChangeItem(const ControllerDatabase& d) {
    const std::string code = v(d, "NewLock").empty() ? v(d, "Lock") : v(d, "NewLock");
    UploadItem lock = cmd(1, "*9010").text(code).item(1, {{U::LockCode, 0}});
    lock.afterSend = [](ControllerDatabase& db, bool writeFile) {
        const std::string next = db.get("NewLock");
        if (next.empty())
            return;
        db.set("Lock", next);
        db.set("NewLock", "");
        if (writeFile) {
            writeUnlock(db, "Lock", next);
            writeUnlock(db, "NewLock", "");
        }
    };
    return lock;
}

namespace {

UploadGroup group0(ControllerDatabase& d) {
    UploadGroup g;
    g.completeOnly = true;
    UploadSection s = section();
    s.items.push_back(terminatorChangeItem(d));
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group1(ControllerDatabase& d) {
    struct Row {
        const char* key;
        const char* code;
        U flag;
    };
    static const Row rows[] = {
        {"TimeOut", "*1001", U::TimeoutTimer},
        {"TOTReset", "*2122", U::TotResetPoint},
        {"TOTResetTimer", "*1009", U::TotResetTimer},
        {"IIDTime", "*1002", U::InitialIdTimer},
        {"PIDTime", "*1003", U::PendingIdTimer},
        {"InActiveTime", "*1005", U::InactivityTimer},
        {"InActivityMacro", "*2114", U::InactivityMacro},
        {"DTMFTime", "*1006", U::DtmfMuteTimer},
        {"CTCSSTime", "*1007", U::EncodeTimer},
        {"IDSpeakTime", "*1019", U::PendingIdSpeechTimer},
        {"AnnounceTime", "*1020", U::TailTimer},
    };
    UploadGroup g;
    for (int p = 1; p <= 3; ++p) {
        UploadSection s = section();
        // The three hang timers travel back to back under one flag; only the third one's
        // refusal stops the upload, and only the third clears the flag.
        for (int h = 1; h <= 3; ++h) {
            const std::string key = "HangTime" + std::to_string(h);
            UploadItem it = cmd(p, "*1000" + std::to_string(h))
                                .text(d.get(key, p))
                                .item(p, {{U::HangTimers, p}});
            if (h < 3) {
                it.clears.clear();
                it.refusalStops = false;
            }
            s.items.push_back(std::move(it));
        }
        for (const Row& r : rows)
            s.items.push_back(cmd(p, r.code).text(d.get(r.key, p)).item(p, {{r.flag, p}}));
        g.sections.push_back(std::move(s));
    }
    return g;
}

UploadGroup group2(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section();
    for (int p = 1; p <= 3; ++p)
        s.items.push_back(cmd(1, "*101" + std::to_string(p + 2))
                              .text(d.get("AuxTime", p))
                              .item(1, {{U::AuxAudioTimer, p}}));
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group3(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section(false);  // locked after the single timer values
    for (int n = 1; n <= 6; ++n) {
        const std::string idx = std::to_string(n);
        UploadItem timer =
            cmd(1, "*1017" + idx).text(d.get("GeneralTimer", n)).item(1, {{U::GeneralTimer, n}});
        timer.clears.clear();  // the pair shares one flag, cleared after its macro
        s.items.push_back(std::move(timer));
        s.items.push_back(cmd(1, "*2092" + idx)
                              .text(d.get("GeneralTimerMacro", n))
                              .item(1, {{U::GeneralTimer, n}}));
    }
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group4(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section();
    s.items.push_back(cmd(1, "*1004").text(v(d, "FanTime")).item(1, {{U::FanTimer, 0}}));
    s.items.push_back(cmd(1, "*2119").text(v(d, "FanSelect")).item(1, {{U::FanSelect, 0}}));
    s.items.push_back(cmd(1, "*1022").text(v(d, "XmtDelay")).item(1, {{U::TransmitDelay, 0}}));
    s.items.push_back(cmd(1, "*2051").text(v(d, "TimeoutLink")).item(1, {{U::TimeoutLink, 0}}));
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group5(ControllerDatabase& d) {
    static const U segmentFlags[] = {U::CourtesySegment1, U::CourtesySegment2, U::CourtesySegment3,
                                     U::CourtesySegment4};
    UploadGroup g;
    for (int p = 1; p <= 3; ++p) {
        UploadSection s = section();
        for (int n = 1; n <= 10; ++n) {
            for (int k = 1; k <= 4; ++k) {
                const std::string ks = std::to_string(k);
                Command c = cmd(p, "*3" + ks + padded(n, 2));
                c.text(d.courtesy("Delay" + ks, p, n)).text("*");
                c.text(d.courtesy("Dur" + ks, p, n)).text("*");
                c.text(d.courtesy("Tone" + std::to_string(2 * k - 1), p, n)).text("*");
                c.text(d.courtesy("Tone" + std::to_string(2 * k), p, n)).text("*");
                UploadItem it = c.item(p, {{segmentFlags[k - 1], courtesyFlagIndex(p, n)}});
                it.pauseAfterMs = 50;
                s.items.push_back(std::move(it));
            }
        }
        g.sections.push_back(std::move(s));
    }
    return g;
}

// Controller macros: "NONE STORED" erases the macro, anything else programs its functions.
UploadItem macroItem(const std::string& value, int controllerMacro, FlagRef flag) {
    const std::string nn = padded(controllerMacro, 2);
    if (value == kNoneStored)
        return cmd(1, "*4003" + nn).item(1, {flag});
    return cmd(1, "*4002" + nn).text(withoutSpaces(value)).item(1, {flag});
}

UploadGroup group6(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section();
    for (int n = 1; n <= 50; ++n)
        s.items.push_back(macroItem(d.get("ShortMacro", n), n + 40, {U::ShortMacroFunctions, n}));
    g.sections.push_back(std::move(s));
    return g;
}

std::string cwToneDigits(const ControllerDatabase& d, int p) {
    const long tone1 = numericValue(d.get("CWTone1", p));
    const long tone2 = numericValue(d.get("CWTone2", p));
    std::string tones = padded(static_cast<int>(tone1), 4);
    if (tone2 != 0)
        tones += padded(static_cast<int>(tone2), 4);
    return tones;
}

UploadGroup group7(ControllerDatabase& d) {
    const auto& vocabulary = voiceVocabulary();
    UploadGroup g;
    for (int p = 1; p <= 3; ++p) {
        UploadSection s = section();
        s.items.push_back(cmd(p, "*8004")
                              .text(vocabulary.encode(d.get("VoiceID1", p)))
                              .item(p, {{U::VoiceId1, p}}));
        s.items.push_back(cmd(p, "*8005")
                              .text(vocabulary.encode(d.get("VoiceID2", p)))
                              .item(p, {{U::VoiceId2, p}}));
        s.items.push_back(cmd(p, "*8006")
                              .text(vocabulary.encode(d.get("VoiceID3", p)))
                              .item(p, {{U::VoiceId3, p}}));
        s.items.push_back(cmd(p, "*8000").text(d.get("CWSpeed", p)).item(p, {{U::CwSpeed, p}}));
        // Either tone's flag sends both tones; both are cleared.
        s.items.push_back(
            cmd(p, "*8001").text(cwToneDigits(d, p)).item(p, {{U::CwTone1, p}, {U::CwTone2, p}}));
        g.sections.push_back(std::move(s));
    }
    return g;
}

UploadGroup group8(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section(false);  // locked after the scheduler values
    for (int n = 1; n <= 20; ++n) {
        const std::string& dow = d.get("DOW", n);
        const std::string day = d.get("Monthly", n) == "1" ? d.get("Week", n) + dow : dow;
        const std::string& hours = d.get("Hours", n);
        const std::string hour = (hours == "99" || hours == "0A" || hours == "254") ? "0A" : hours;
        s.items.push_back(cmd(1, "*4001" + padded(n, 2))
                              .text(day + hour + d.get("Minutes", n) + d.get("MacroToRun", n))
                              .item(1, {{U::SchedulerSetpoint, n}}));
    }
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group9(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section();
    s.items.push_back(cmd(1, "*5102").text(v(d, "SayYear")).item(1, {{U::SayYear, 0}}));
    s.items.push_back(cmd(1, "*5103").text(v(d, "TwentyFour")).item(1, {{U::TwentyFour, 0}}));
    s.items.push_back(cmd(1, "*5104").text(v(d, "SayHour")).item(1, {{U::SayHour, 0}}));
    s.items.push_back(
        cmd(1, "*5105").text(v(d, "ClockCorrection")).item(1, {{U::ClockCorrection, 0}}));
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group10(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section(false);  // the remote base and macros follow under this unlock
    for (int n = 1; n <= 8; ++n) {
        Command c = cmd(1, "*2064" + std::to_string(n) + "*");
        for (const char* key : {"Meter", "RealLow", "MeterLow", "RealHigh", "MeterHigh"})
            c.text(d.get(key, n)).text("*");
        s.items.push_back(c.item(1, {{U::MeterSetup, n}}));
    }
    s.items.push_back(
        cmd(1, "*2065").text(v(d, "Vref")).item(1, {{U::MeterSetup, kVrefFlagIndex}}));
    for (int n = 1; n <= 8; ++n) {
        Command c = cmd(1, "*2066" + std::to_string(n) + "*");
        c.token(d.get("MeterNum", n)).text("*");
        c.token(d.get("MeterAlarmType", n)).text("*");
        c.text(d.get("MeterSetPoint", n)).text("*");
        c.text(d.get("MeterMacro", n)).text("*");
        UploadItem it = c.item(1, {{U::MeterAlarm, n}});
        it.clears.clear();  // the alarm's switch below clears it
        s.items.push_back(std::move(it));
    }
    for (int n = 1; n <= 8; ++n) {
        const std::string e = d.get("MeterAlarmType", n) != "0" ? "1" : "0";
        s.items.push_back(cmd(1, "1600" + std::to_string(n)).text(e).item(1, {{U::MeterAlarm, n}}));
    }
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group11(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section(false);
    UploadItem radio = cmd(1, "*2083").text(v(d, "RadioType")).item(1, {{U::RadioType, 0}});
    radio.clears.clear();
    s.items.push_back(std::move(radio));
    s.items.push_back(cmd(1, "*2084").text(v(d, "YaesuType")).item(1, {{U::RadioType, 0}}));
    const std::string& prefix = v(d, "RemoteBasePrefix");
    s.items.push_back(cmd(1, "*2060").text(prefix).item(1, {{U::RemoteBasePrefix, 0}}));

    const int memories = d.hasRtc ? 40 : 10;
    for (int m = 1; m <= memories; ++m) {
        const std::string& freq = d.get("FreqString", m);
        const std::string& ctcss = d.get("CTCSS", m);
        const std::string& ctcssMode = d.get("CTCSSMode", m);
        const std::string& radioMode = d.get("RadioMode", m);
        // Only a whole memory is sent: one not in use, or with a part missing (a file saved
        // by an older program may hold "146520NONE"), is left as the controller has it.
        const bool unused = !remoteMemoryWhole(freq, ctcss, ctcssMode, radioMode);
        // The radio steps go to the remote base through its prefix: no star in DTMF mode.
        Command steps[4];
        steps[0].serialOnly("1**").dtmfOnly(prefix).serialOnly(prefix).text("1" + freq);
        steps[1].serialOnly("1**").dtmfOnly(prefix).serialOnly(prefix).text("2" + ctcss +
                                                                            ctcssMode);
        steps[2].serialOnly("1**").dtmfOnly(prefix).serialOnly(prefix).text("3" + radioMode);
        steps[3] = cmd(1, "*2086" + std::to_string(m));
        for (int i = 0; i < 4; ++i) {
            UploadItem it = steps[i].item(1, {{U::RemoteBaseMemories, 0}});
            it.clears.clear();  // one flag for every memory, cleared when the loop ends
            it.skip = unused;
            it.advancesProgress = i == 0;
            s.items.push_back(std::move(it));
        }
    }
    s.clearAtEnd.push_back({U::RemoteBaseMemories, 0});
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group12(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section(false);  // the receive macros unlock again
    for (int n = 1; n <= 40; ++n)
        s.items.push_back(macroItem(d.get("Macro", n), n, {U::MacroFunctions, n}));
    for (int n = 1; n <= 40; ++n)
        s.items.push_back(cmd(1, "*2050" + padded(n, 2))
                              .text(d.get("MacroCode", n))
                              .item(1, {{U::MacroCode, n}}));
    for (int n = 1; n <= 90; ++n)
        s.items.push_back(cmd(1, "*4005" + padded(n, 2))
                              .text(d.get("PortToAllow", n))
                              .item(1, {{U::PortToAllow, n}}));
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group13(ControllerDatabase& d) {
    UploadGroup g;
    for (int p = 1; p <= 3; ++p) {
        UploadSection s = section();
        const std::vector<FlagRef> both{{U::RcvMacroActive, p}, {U::RcvMacroInactive, p}};
        UploadItem active = cmd(p, "*21131").text(d.get("RcvMacroActive", p)).item(p, both);
        active.clears.clear();
        s.items.push_back(std::move(active));
        s.items.push_back(cmd(p, "*21130").text(d.get("RcvMacroInactive", p)).item(p, both));
        g.sections.push_back(std::move(s));
    }
    return g;
}

UploadGroup group14(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section();
    for (int n = 1; n <= 5; ++n) {
        const std::string idx = std::to_string(n);
        UploadItem low = cmd(1, "*2101" + idx)
                             .text(d.get("AlarmLowMacroNum", n))
                             .item(1, {{U::AlarmLowMacro, n}});
        low.skip = d.get("AlarmLowMacroNum", n) == "0";
        s.items.push_back(std::move(low));
        UploadItem high = cmd(1, "*2102" + idx)
                              .text(d.get("AlarmHighMacroNum", n))
                              .item(1, {{U::AlarmHighMacro, n}});
        high.skip = d.get("AlarmHighMacroNum", n) == "0";
        s.items.push_back(std::move(high));
    }
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group15(ControllerDatabase& d) {
    static const U extrasFlags[] = {U::IdExtras1, U::IdExtras2, U::IdExtras3};
    UploadGroup g;
    for (int p = 1; p <= 3; ++p) {
        UploadSection s = section();
        for (int x = 1; x <= 3; ++x) {
            const std::string key = "ID" + std::to_string(x) + "Extras";
            // DTMF mode numbers the nine extras 1-9 across the ports instead.
            Command c;
            c.serialOnly(std::to_string(p) + "*8007" + std::to_string(x));
            c.dtmfOnly("*8007" + std::to_string(p + 3 * (x - 1)));
            c.text(d.get(key, p));
            s.items.push_back(c.item(p, {{extrasFlags[x - 1], p}}));
        }
        s.items.push_back(
            cmd(p, "*8008").text(d.get("SpeechEnable", p)).item(p, {{U::SpeechIds, p}}));
        g.sections.push_back(std::move(s));
    }
    for (int p = 1; p <= 3; ++p) {
        UploadSection s = section();
        s.items.push_back(
            cmd(p, "*8009").text(d.get("ConstantID", p)).item(p, {{U::ConstantId, p}}));
        g.sections.push_back(std::move(s));
    }
    return g;
}

UploadGroup group16(ControllerDatabase& d) {
    const auto& vocabulary = voiceVocabulary();
    UploadGroup g;
    UploadSection s = section();
    const int count = d.hasRtc ? 70 : 40;
    for (int m = 1; m <= count; ++m) {
        if (d.get("MessageMacro", m) == kNoneStored)
            d.set("MessageMacro", m, "");
        s.items.push_back(cmd(1, "*2103" + padded(m, 2))
                              .text(vocabulary.encode(d.get("MessageMacro", m)))
                              .item(1, {{U::MessageMacro, m}}));
    }
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group17(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section();
    for (int n = 1; n <= 50; ++n)
        s.items.push_back(cmd(1, "*2050" + padded(n + 40, 2))
                              .text(d.get("ShortMacroCode", n))
                              .item(1, {{U::ShortMacroCode, n}}));
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group18(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section();
    const int count = d.hasRtc ? 50 : 20;
    for (int n = 1; n <= count; ++n) {
        const std::string& value = d.get("DTMF", n);
        UploadItem it =
            cmd(1, "*2105" + padded(n, 2)).text(withoutSpaces(value)).item(1, {{U::DtmfMemory, n}});
        it.skip = value == kNoneStored;
        s.items.push_back(std::move(it));
    }
    s.items.push_back(cmd(1, "*2106").text(v(d, "DTMFDur")).item(1, {{U::DtmfDuration, 0}}));
    s.items.push_back(cmd(1, "*2107").text(v(d, "DTMFDelay")).item(1, {{U::DtmfDelay, 0}}));
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group19(ControllerDatabase& d) {
    UploadGroup g;
    g.completeOnly = true;
    for (int p = 1; p <= 3; ++p) {
        UploadSection s = section();
        s.items.push_back(unlockCodeChangeItem(d, p));
        g.sections.push_back(std::move(s));
    }
    UploadSection s = section();
    s.items.push_back(lockCodeChangeItem(d));
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group20(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section();
    UploadItem regen =
        cmd(1, "*2104").text(v(d, "DTMFRegenPrefix")).item(1, {{U::DtmfRegenerate, 0}});
    UploadItem port = cmd(1, "*2117").text(v(d, "DTMFPort")).item(1, {{U::DtmfRegenerate, 0}});
    regen.clears.clear();
    port.clears.clear();
    s.items.push_back(std::move(regen));
    s.items.push_back(std::move(port));
    s.items.push_back(cmd(1, "*2118").text(v(d, "DTMFSpeech")).item(1, {{U::DtmfRegenerate, 0}}));
    s.items.push_back(cmd(1, "*2061").text(v(d, "APPrefix")).item(1, {{U::AutopatchPrefix, 0}}));
    s.items.push_back(cmd(1, "*2063").text(v(d, "AnswerCode")).item(1, {{U::AnswerCode, 0}}));
    for (int n = 1; n <= 200; ++n) {
        const std::string& value = d.get("AutoDial", n);
        s.items.push_back(cmd(1, "*2115" + padded(n, 3))
                              .dialText(value)
                              .item(1, {{U::AutoDial, n}}));
    }
    for (int n = 1; n <= 100; ++n) {
        const std::string& value = d.get("TollRestrict", n);
        s.items.push_back(cmd(1, "*2062" + padded(n, 3))
                              .dialText(value)
                              .item(1, {{U::TollRestrict, n}}));
    }
    struct Row {
        const char* key;
        const char* code;
        U flag;
    };
    static const Row rows[] = {
        {"RingNumber", "*1025", U::RingNumber},
        {"APTimeOut", "*1024", U::AutopatchTimeout},
        {"EnablePatch", "*2116", U::PatchPorts},
        {"PatchMute", "270", U::PatchMute},
        {"DTMFTestPrefix", "*2093", U::PadTestPrefix},
        {"PreAccessPrefix", "*2108", U::PreAccessCode},
        {"PreProgramPrefix", "*2109", U::PreCommandPrefix},
        {"MacroSubset", "*4009", U::MacroSubset},
        {"MacroSubsetEnable", "280", U::MacroSubsetEnable},
        {"DTMFMuteDigitSelect", "*2090", U::DtmfMuteDigit},
        {"WindDirectionSelect", "*2123", U::WindDirectionFormat},
    };
    for (const Row& r : rows)
        s.items.push_back(cmd(1, r.code).text(v(d, r.key)).item(1, {{r.flag, 0}}));
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group21(ControllerDatabase& d) {
    // Switch rows "p p code value": the value travels as one tone token in DTMF mode.
    struct Switch {
        const char* key;
        const char* code;
        U flag;
    };
    static const Switch firstSwitches[] = {
        {"TxEnable", "11", U::TransmitterEnable},
        {"RxEnable", "10", U::ReceiverEnable},
        {"FDup", "14", U::RepeaterMode},
        {"PLAccess", "12", U::AccessMode},
        {"DTMFEnable", "16", U::DtmfEnable},
        {"DTMFNeedPL", "17", U::DtmfRequireTone},
        {"DTMFCovertone", "13", U::DtmfCovertone},
        {"MonMix", "19", U::MonitorMix},
        {"Kerchunk", "15", U::KerchunkFilter},
        {"SpeechOverride", "20", U::SpeechOverride},
        {"SpeechIDOverride", "18", U::SpeechIdOverride},
    };
    UploadGroup g;
    for (int p = 1; p <= 3; ++p) {
        const std::string ps = std::to_string(p);
        UploadSection s = section();
        s.items.push_back(
            cmd(p, "*1018").text(d.get("KerchunkTime", p)).item(p, {{U::KerchunkTimer, p}}));
        s.items.push_back(
            cmd(p, "*1008").text(d.get("KerchunkTimeout", p)).item(p, {{U::KerchunkTimeout, p}}));
        for (const Switch& sw : firstSwitches)
            s.items.push_back(cmd(p, ps + sw.code).token(d.get(sw.key, p)).item(p, {{sw.flag, p}}));
        s.items.push_back(
            cmd(p, "*2088").token(d.get("CTCSSCT", p)).item(p, {{U::ToneEncodeTimerStart, p}}));
        s.items.push_back(
            cmd(p, "*2089").token(d.get("CTCSSID", p)).item(p, {{U::ToneEncodeDuringId, p}}));
        s.items.push_back(
            cmd(p, ps + "21").token(d.get("DTMFMute", p)).item(p, {{U::DtmfMute, p}}));
        s.items.push_back(
            cmd(p, "*2111").token(d.get("TailMessageNum", p)).item(p, {{U::TailMessageNumber, p}}));
        // The port's own three tail message macros, message number first, in both modes.
        const std::string macros = "P" + ps + "MessageNum";
        for (int i = 1; i <= 3; ++i) {
            UploadItem it = cmd(p, "*2110" + std::to_string(i))
                                .text(d.get(macros, i))
                                .item(p, {{U::TailMessageMacros, p}});
            if (i < 3)
                it.clears.clear();
            s.items.push_back(std::move(it));
        }
        s.items.push_back(
            cmd(p, "*2112").text(d.get("TailCounter", p)).item(p, {{U::TailCounter, p}}));
        s.items.push_back(cmd(p, "*1021")
                              .text(d.get("PLEncodePolarity", p))
                              .item(p, {{U::ToneEncodePolarity, p}}));
        {
            // COSClose keeps its port digit in DTMF mode too.
            Command c;
            c.text(ps + "22").token(d.get("COSClose", p));
            s.items.push_back(c.item(p, {{U::DtmfEvaluateOnClosure, p}}));
        }
        s.items.push_back(
            cmd(p, "*2121").token(d.get("IDStartSelect", p)).item(p, {{U::IdTimerStart, p}}));
        g.sections.push_back(std::move(s));
    }
    return g;
}

UploadGroup group22(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section(false);  // the rest of the upload runs under this unlock
    for (int n = 1; n <= 5; ++n) {
        Command c;
        c.serialOnly("1" + std::to_string(n) + "91").dtmfOnly("19" + std::to_string(n));
        c.token(d.get("Alarm", n));
        s.items.push_back(c.item(1, {{U::LogicAlarmEnable, n}}));
    }
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group23(ControllerDatabase& d) {
    UploadGroup g;
    UploadSection s = section(false);
    s.items.push_back(cmd(1, "*2091")
                          .text(v(d, "AllowTerminatorSpeech"))
                          .item(1, {{U::AllowTerminatorSpeech, 0}}));
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group24(ControllerDatabase& d) {
    UploadGroup g;
    g.completeOnly = true;
    UploadSection s = section(false);
    if (!d.dvrWrite)
        return g;
    auto add = [&s, &d](const char* code, const char* key, int count) {
        for (int t = 1; t <= count; ++t) {
            UploadItem it = cmd(1, code + padded(t, 2)).text(d.get(key, t)).item(1, {});
            it.hasDtmf = false;
            s.items.push_back(std::move(it));
        }
    };
    add("*9091", "DVRSeconds", 64);
    add("*9092", "DVRTracks", 20);
    add("*9093", "DVRRowsUsed", 20);
    g.sections.push_back(std::move(s));
    return g;
}

UploadGroup group25(ControllerDatabase& d) {
    const auto& cw = cwTable();
    UploadGroup g;
    // A DTMF command names no port: each port's CW IDs are played under that port's own
    // unlock, or port 1 would take all of them.
    for (int p = 1; p <= 3; ++p) {
        UploadSection s = section();
        s.items.push_back(
            cmd(p, "*8002").text(cw.encode(d.get("CWID1", p))).item(p, {{U::CwId1, p}}));
        s.items.push_back(
            cmd(p, "*8003").text(cw.encode(d.get("CWID2", p))).item(p, {{U::CwId2, p}}));
        g.sections.push_back(std::move(s));
    }
    return g;
}

}  // namespace

UploadGroup buildUploadGroup(int number, ControllerDatabase& d) {
    using Builder = UploadGroup (*)(ControllerDatabase&);
    static const Builder builders[kUploadGroupCount] = {
        group0,  group1,  group2,  group3,  group4,  group5,  group6,  group7,  group8,
        group9,  group10, group11, group12, group13, group14, group15, group16, group17,
        group18, group19, group20, group21, group22, group23, group24, group25,
    };
    if (number < 0 || number >= kUploadGroupCount)
        throw std::out_of_range("no upload group " + std::to_string(number));
    UploadGroup g = builders[number](d);
    g.number = number;
    return g;
}

std::string dtmfCharacterOf(const std::string& token) {
    if (token.size() == 1) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(token[0])));
        if ((c >= '0' && c <= '9') || c == '*' || c == '#' || (c >= 'A' && c <= 'D'))
            return std::string(1, c);
        return {};
    }
    static const char* const aliases[] = {"*", "#", "A", "B", "C", "D"};  // "11"-"16"
    if (token.size() == 2 && token[0] == '1' && token[1] >= '1' && token[1] <= '6')
        return aliases[token[1] - '1'];
    return {};
}

}  // namespace kelp
