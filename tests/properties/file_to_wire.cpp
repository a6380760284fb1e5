// From the file to the wire, explored: databases made from the key table (every value drawn
// from its legal range, edges included) and databases mutated from them go through
// load -> save -> load and load -> the serial and DTMF command lists, and the invariants
// below must hold for every one:
//   - the load ends (no crash) and every value it keeps passes its key's check and holds no
//     control character;
//   - save then load is a fixed point: the same database, and the same bytes on a second save;
//   - every serial line matches the shape of its command group, the groups in sending order;
//   - every DTMF sequence plays only DTMF digits, and the unlock code in force before each
//     command is the code of the port the command is for.
//
// Usage: file_to_wire [SEED [COUNT]] (or KELP_PROPERTY_SEED / KELP_PROPERTY_COUNT). Case i
// is made from seed SEED + i alone, so "file_to_wire S 1" replays a case reported as seed S
// (on the same program: the values drawn follow the key table's checks); its database is
// kept as file_to_wire_S.dat, which "file_to_wire FILE.dat" runs again anywhere. The fixed
// cases below always run first.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/app/app_folder.h"
#include "core/app/program_identity.h"
#include "core/app/scripted_prompter.h"
#include "core/catalogues/cw_table.h"
#include "core/catalogues/macro_functions.h"
#include "core/catalogues/voice_vocabulary.h"
#include "core/database/area_checks.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/database/error_log.h"
#include "core/database/key_rules.h"
#include "core/link/link_preferences.h"
#include "core/link/upload_engine.h"
#include "tests/support/virtual_clock.h"

namespace fs = std::filesystem;
using namespace kelp;

namespace {

// Each find of the explorer, kept: a seed, or a database text ([Version] filled in when it
// has none).
struct FixedCase {
    const char* find;
    std::uint64_t seed;
    const char* text;
};
const FixedCase kFixedCases[] = {
    {"generated and damaged", 1, nullptr},
    {"a radio other than a Yaesu, without its Yaesu model, sent '1*2084' alone", 0,
     "[Remote]\nRadioType=1\n"},
    {"a dial string holding a dash or lower case played silent tokens", 0,
     "[Autopatch]\nAutoDial(3)=555-1212\nAutoDial(4)=12d\nTollRestrict(2)=1-900\n"},
    {"a start minute of one digit or three ran into the macro number", 0,
     "[Scheduler]\nMinutes(1)=5\nMinutes(2)=021\n"},
    {"a trip value below zero with a lower-case a went to the controller so", 0,
     "[Analog]\nMeterAlarmType(1)=1\nMeterSetPoint(1)=a35\n"},
    {"a CR in the firmware version made every save fail", 0,
     "[Version]\nFirmwareVersion=70\r00\nHasRTC=0\n[Timers]\nFanTime=3\n"},
    {"a DVR table value that is no number went to the controller as it stood", 0,
     "DVRWrite=1\n[DVR]\nDVRSeconds(3)=12*****\nDVRTracks(20)=NONE\n"},
};

// The command groups in sending order, one grammar each, from the catalogue of commands:
// "p" is the port digit, values have the shapes their checks allow.
std::vector<std::regex> groupGrammars() {
    const char* const shapes[] = {
        "1\\*9020[0-9*#A-D]",  // terminator
        "[1-3]\\*(1000[1-3]\\d{1,3}|1001\\d{1,5}|2122[0-4]|1009\\d{1,3}|100[235]\\d{1,3}|"
        "2114\\d{1,2}|1006\\d{1,2}|1007\\d{1,3}|1019\\d{1,5}|1020\\d{1,4})",
        "1\\*101[3-5]\\d{1,5}",
        "1\\*(1017[1-6]\\d{1,5}|2092[1-6]\\d{1,2})",
        "1\\*(1004\\d{1,3}|2119[01]|1022\\d{1,5}|2051[01])",
        "[1-3]\\*3[1-4](0[1-9]|10)(\\d{1,5}\\*){2}(\\d{1,4}\\*){2}",  // courtesy segments
        "1\\*(4003(4[1-9]|[5-8]\\d|90)|4002(4[1-9]|[5-8]\\d|90)(\\d{3}){1,4})",  // short macros
        "[1-3]\\*(800[456](\\d{3}){1,22}|8000\\d{1,2}|8001\\d{4}(\\d{4})?)",
        "1\\*4001(0[1-9]|1\\d|20)[1-5]?\\d(0A|[01]\\d|2[0-35])[0-5]\\d(0?[1-9]|[1-8]\\d|90)",
        "1\\*(510[234][01]|5105A?\\d{1,2})",
        "1(\\*2064[1-8]\\*[0-6]\\*(\\d{1,5}\\*){4}|\\*2065\\d{1,3}|"
        "\\*2066[1-8]\\*[1-8]\\*[0-2]\\*A?\\d{1,5}\\*\\d{1,2}\\*|1600[1-8][01])",
        "1(\\*2083([1-57-9])|\\*2084[0-5]|\\*2060[0-9*#A-D]{1,5}|\\*2086([1-9]|[1-3]\\d|40)|"
        "\\*\\*[0-9*#A-D]{1,5}(1\\d{1,6}[1-3]|2\\d{1,2}[0-2]|3[1-5]))",
        "1\\*(4003(0[1-9]|[1-3]\\d|40)|4002(0[1-9]|[1-3]\\d|40)(\\d{3}){1,15}|"
        "2050(0[1-9]|[1-3]\\d|40)[0-9*#A-D]{1,8}|4005(0[1-9]|[1-8]\\d|90)[1-3]{1,3})",
        "[1-3]\\*2113[01]\\d{1,2}",
        "1\\*210[12][1-5]\\d{1,2}",
        "[1-3]\\*(8007[1-3]\\d{1,2}|800[89][01])",
        "1\\*2103(0[1-9]|[1-6]\\d|70)(\\d{3}){0,9}",  // message macros
        "1\\*2050(4[1-9]|[5-8]\\d|90)[0-9*#A-D]{1,8}",
        "1\\*(2105(0[1-9]|[1-4]\\d|50)[0-9*#A-D]{1,10}|210[67]\\d{1,3})",
        "([1-3]\\*9000[0-9*#A-D]{1,8}|1\\*9010[0-9*#A-D]{1,4})",  // unlock and lock codes
        "1(\\*2104[0-9*#A-D]{1,6}|\\*2117([1-3]{1,3}|99)|\\*2118\\d{1,2}|\\*2061[0-9*#A-D]{1,8}|"
        "\\*2063[0-9*#A-D]{1,15}|\\*(2115|2062)\\d{3}[^\\x00-\\x1f\\x7f]+|\\*1025[1-8]|"  // dial
                                                                                          // text
        "\\*1024\\d{1,5}|\\*2116([1-3]{1,3}|0)|270[01]|\\*2093[0-9*#A-D]{1,5}|"
        "\\*2108[0-9*#A-D]{1,3}|\\*2109[0-9*#A-D]{1,4}|\\*4009\\d{4}|280[01]|\\*2090[12]|"
        "\\*2123[01])",
        "([1-3])(\\*(1018\\d{1,5}|1008\\d{1,3}|208[89][01]|2111[0-3]|2110[1-3]\\d{1,2}|"
        "2112\\d{1,3}|1021[01]|2121[01])|\\1(1\\d|2[01])[01]|22[01])",  // port switches
        "1[1-5]91[01]",                                                 // alarm switches
        "1\\*2091[01]",
        "1\\*909(1(0[1-9]|[1-5]\\d|6[0-4])|[23](0[1-9]|1\\d|20))\\d+",  // DVR tracks
        "[1-3]\\*800[23](\\d{2}){1,15}",                                // CW IDs
    };
    std::vector<std::regex> grammars;
    // A number field may carry leading zeros, as the numeric check takes "007" for 7.
    for (std::string shape : shapes) {
        for (std::size_t at = 0; (at = shape.find("\\d{1,", at)) != std::string::npos; at += 5)
            shape.insert(at, "0*");
        grammars.emplace_back("^(?:" + shape + ")$");
    }
    return grammars;
}

using Rng = std::mt19937_64;
int pick(Rng& r, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(r);
}
bool chance(Rng& r, int percent) {
    return pick(r, 1, 100) <= percent;
}

std::string dtmfDigits(Rng& r, int length) {
    std::string s;
    for (int i = 0; i < length; ++i) s += "0123456789*#ABCD"[pick(r, 0, 15)];
    return s;
}

// A number of the range, its edges often.
std::string inRange(Rng& r, int lo, int hi) {
    const int edges[] = {lo, hi, std::min(lo + 1, hi), std::max(hi - 1, lo)};
    return std::to_string(chance(r, 50) ? edges[pick(r, 0, 3)] : pick(r, lo, hi));
}

template <typename Rows, typename Name>
std::string words(Rng& r, const Rows& rows, Name name, int most) {
    std::string s;
    for (int i = pick(r, 1, most); i > 0; --i) {
        const std::string w(name(rows[static_cast<std::size_t>(pick(r, 0, int(rows.size()) - 1))]));
        if (w.empty() || w == " ")
            continue;
        s += (s.empty() ? "" : " ") + w;
    }
    return s;
}

// What a key's range words say in numbers: "0 to 255", "1 to 8 DTMF digits".
struct Range {
    bool digits = false, number = false;
    int lo = 0, hi = 0;
};
const Range& rangeOf(const std::string& words) {
    static std::map<std::string, Range> known;
    auto found = known.find(words);
    if (found != known.end())
        return found->second;
    static const std::regex digitsRange("^(\\d+)( to (\\d+))? DTMF digit");
    static const std::regex numberRange("^(\\d+) to (\\d+)");
    Range range;
    std::smatch m;
    if (std::regex_search(words, m, digitsRange)) {
        range.digits = true;
        range.lo = std::stoi(m[1].str());
        range.hi = m[3].matched ? std::stoi(m[3].str()) : range.lo;
    } else if (std::regex_search(words, m, numberRange)) {
        range.number = true;
        range.lo = std::stoi(m[1].str());
        range.hi = std::stoi(m[2].str());
    }
    return known[words] = range;
}

// One candidate value of the shapes the keys hold; the key's check picks among them.
std::string candidate(Rng& r, const std::string& rangeWords) {
    const Range& range = rangeOf(rangeWords);
    if (range.digits && chance(r, 80)) {
        const int length = pick(r, range.lo, range.hi);
        return dtmfDigits(r, chance(r, 50) ? (chance(r, 50) ? range.lo : range.hi) : length);
    }
    if (range.number && chance(r, 70))
        return inRange(r, range.lo, range.hi);
    switch (pick(r, 0, 11)) {
        case 0:
            return inRange(r, 0, 99);
        case 1:
            return "A" + inRange(r, 0, 59);
        case 2:
            return "NONE";
        case 3:
            return "NONE STORED";
        case 4:
            return words(
                r, voiceVocabulary().rows(), [](auto& w) { return w.word; }, 9);
        case 5:
            return words(
                r, cwTable().rows(), [](auto& w) { return w.name; }, 15);
        case 6:
            return words(
                r, macroFunctions().rows(), [](auto& w) { return w.code; }, 6);
        case 7:
            return inRange(r, 0, 999999) + std::to_string(pick(r, 1, 3));  // a frequency
        case 8: {
            const char* const sets[] = {"1", "2", "3", "12", "13", "23", "123", "0", "99"};
            return sets[pick(r, 0, 8)];
        }
        case 9: {
            const int first = pick(r, 1, 90), last = pick(r, first, 90);
            return (first < 10 ? "0" : "") + std::to_string(first) + (last < 10 ? "0" : "") +
                   std::to_string(last);
        }
        case 10: {
            std::string spaced = dtmfDigits(r, 1);
            for (int i = pick(r, 0, 9); i > 0; --i) spaced += " " + dtmfDigits(r, 1);
            return spaced;
        }
        default:
            return words(
                r, voiceVocabulary().rows(), [](auto& w) { return w.word; }, 22);
    }
}

// A legal value for the key: candidates until one passes its check, else its default.
std::string legalValue(Rng& r, const KeyDescriptor& key, int port, int index, bool rtc) {
    const KeyRule& rule = keyRule(key);
    if (!rule.check) {  // the DVR table's numbers, telephone numbers, pending codes
        if (rule.rangeWords == "kept as read")
            return inRange(r, 0, 999);
        const Range& range = rangeOf(rule.rangeWords);
        return chance(r, 50)
                   ? ""
                   : dtmfDigits(r, range.digits ? pick(r, range.lo, range.hi) : pick(r, 1, 16));
    }
    for (int tries = 0; tries < 200; ++tries) {
        std::string v = candidate(r, rule.rangeWords);
        // A number in its plain form where the check takes that ("073" is also 73).
        const std::size_t digits = v.find_first_not_of('0');
        if (v.size() > 1 && digits != 0 && digits != std::string::npos &&
            v.find_first_not_of("0123456789") == std::string::npos &&
            rule.check(v.substr(digits), port, index))
            continue;
        if (rule.check(v, port, index))
            return v;
    }
    return rule.defaultValue(port, index, rtc);
}

std::string keyText(const KeyDescriptor& key, int port, int index) {
    if (key.shape == KeyShape::Single)
        return key.name;
    return (port ? "P" + std::to_string(port) : "") + key.name + "(" + std::to_string(index) + ")";
}

// Calls f(key, port, index) for every setting of the table (every index, whatever the RTC).
template <typename F>
void eachSetting(F f) {
    for (const KeyDescriptor& key : keyTable())
        for (int p = key.shape == KeyShape::Courtesy ? 1 : 0;
             p <= (key.shape == KeyShape::Courtesy ? 3 : 0); ++p)
            for (int n = key.shape == KeyShape::Single ? 0 : 1;
                 n <= (key.shape == KeyShape::Single ? 0 : key.count); ++n)
                f(key, p, n);
}

const std::string& valueOf(const ControllerDatabase& d, const KeyDescriptor& key, int p, int n) {
    return p ? d.courtesy(key.name, p, n) : d.get(key.name, n);
}

// A database file made from the key table, as lines (section headers and Key=value).
std::vector<std::string> generated(Rng& r) {
    const bool rtc = chance(r, 50);
    ControllerDatabase d;
    eachSetting([&](const KeyDescriptor& key, int p, int n) {
        std::string v = legalValue(r, key, p, n, rtc);
        p ? d.setCourtesy(key.name, p, n, v) : d.set(key.name, n, v);
    });
    // A remote base memory above 10 is either wholly in use or wholly not.
    for (int m = 11; m <= 40; ++m) {
        const bool unused = chance(r, 50);
        for (const char* k : {"FreqString", "CTCSS", "CTCSSMode", "RadioMode"})
            if (unused || d.get(k, m) == "NONE")
                d.set(k, m, unused ? "NONE" : keyRule(k).defaultValue(0, 1, true));
    }
    std::vector<std::vector<std::string>> sections = {
        {"[Version]", "FirmwareVersion=" + firmwarePrefix() + "00",
         std::string("HasRTC=") + (rtc ? "1" : "0"),
         std::string("DVRWrite=") + (chance(r, 50) ? "1" : "0")}};
    eachSetting([&](const KeyDescriptor& key, int p, int n) {
        const std::string header = std::string("[") + key.section + "]";
        auto s = sections.begin();
        while (s != sections.end() && s->front() != header) ++s;
        if (s == sections.end())
            s = sections.insert(s, {header});
        std::string v = valueOf(d, key, p, n);
        if (key.name == std::string("Hours") && v == "99")
            v = "0A";
        s->push_back(keyText(key, p, n) + "=" + v);
    });
    std::vector<std::string> lines;
    for (const auto& s : sections) lines.insert(lines.end(), s.begin(), s.end());
    return lines;
}

// Damage as files meet it: flipped bits, control characters, over-long values, keys dropped
// or doubled, Windows-1252 bytes, lower case, stray spaces, values of other keys; then one of
// the line ends.
std::string mutated(Rng& r, std::vector<std::string> lines, bool mutate) {
    const int damages = chance(r, 10) ? pick(r, 20, 200) : pick(r, 1, 8);  // now and then many
    for (int i = mutate ? damages : 0; i > 0 && !lines.empty(); --i) {
        std::string& line = lines[static_cast<std::size_t>(pick(r, 0, int(lines.size()) - 1))];
        const std::size_t at =
            line.find('=') == std::string::npos ? line.size() : line.find('=') + 1;
        const std::size_t where = static_cast<std::size_t>(pick(r, int(at), int(line.size())));
        switch (pick(r, 0, 9)) {
            case 0:
                if (!line.empty())
                    line[where % line.size()] ^= static_cast<char>(1 << pick(r, 0, 7));
                break;
            case 1:
                line.insert(where, 1, "\r\n\t\x01\x1b\x7f\x0b\x0c"[pick(r, 0, 7)]);
                break;
            case 2:
                line.insert(where, 1, '\0');
                break;
            case 3:
                line +=
                    std::string(static_cast<std::size_t>(pick(r, 200, 400)), "9A#*"[pick(r, 0, 3)]);
                break;
            case 4:
                line.insert(where, 1, static_cast<char>(pick(r, 0x80, 0xff)));
                break;
            case 5:
                for (char& c : line)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                break;
            case 6:
                line.insert(at, pick(r, 0, 1) ? " " : "\t");
                break;
            case 7:
                lines.erase(lines.begin() + pick(r, 0, int(lines.size()) - 1));
                break;
            case 8: {  // another key's value, or the words a reader takes as none
                const std::string& other =
                    lines[static_cast<std::size_t>(pick(r, 0, int(lines.size()) - 1))];
                const std::size_t from = other.find('=');
                line = line.substr(0, at) + (chance(r, 70) && from != std::string::npos
                                                 ? other.substr(from + 1)
                                             : chance(r, 50) ? "Default"
                                                             : "");
                break;
            }
            default: {
                const std::string copy = line;
                lines.insert(lines.begin() + pick(r, 0, int(lines.size())), copy);
            }
        }
    }
    const char* const ends[] = {"\r\n", "\n", "\r"};
    const int end = mutate ? pick(r, 0, 3) : pick(r, 0, 1);
    std::string text;
    for (const std::string& line : lines)
        text += line + (end < 3 ? ends[end] : ends[pick(r, 0, 1)]);
    return text;
}

// The database of one seed: a quarter as generated, the rest damaged.
std::string fromSeed(std::uint64_t seed) {
    Rng r(seed);
    const bool mutate = chance(r, 75);
    return mutated(r, generated(r), mutate);
}

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string shown(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", c);
        out += hex;
    }
    return out;
}

bool holdsControl(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f)
            return true;
    return false;
}

class Case {
  public:
    explicit Case(const fs::path& folder) : folder_(folder) {
        prompter_.setDefaultAnswer(Answer::Yes);  // go on with another firmware, RTC yes
        prompter_.setDefaultInput(firmwarePrefix() + "00");
    }

    // Runs one database text through every invariant; the problems found, "" when none.
    std::string run(const std::string& text) {
        problems_.clear();
        const fs::path input = folder_ / "case.dat", saved = folder_ / "saved.dat";
        std::ofstream(input, std::ios::binary | std::ios::trunc) << text;
        fs::copy_file(input, saved, fs::copy_options::overwrite_existing);
        if (!load(input))
            return problems_;
        checkValues(db(), "loaded");
        checkWire(db(), text.size() % 2 == 0);

        db().currentFile = saved.string();
        if (!FileWrite())
            problem("the save failed");
        const ControllerDatabase first = db();
        const std::string firstBytes = readBytes(saved);
        if (!load(saved))
            return problems_;
        eachSetting([&](const KeyDescriptor& key, int p, int n) {
            if (valueOf(first, key, p, n) != valueOf(db(), key, p, n))
                problem("save -> load changed " + keyText(key, p, n) + " from '" +
                        shown(valueOf(first, key, p, n)) + "' to '" +
                        shown(valueOf(db(), key, p, n)) + "'");
        });
        if (first.hasRtc != db().hasRtc || first.firmwareVersion != db().firmwareVersion)
            problem("save -> load changed [Version]");
        if (!FileWrite() || readBytes(saved) != firstBytes)
            problem("a second save wrote other bytes");
        return problems_;
    }

  private:
    void problem(const std::string& what) {
        if (problems_.size() < 4000)
            problems_ += "  " + what + "\n";
    }

    bool load(const fs::path& file) {
        prompter_.clearRecords();
        ended_ = false;
        setLoadTerminateHook([this] { ended_ = true; });
        resetProcessDatabase();
        db().currentFile = file.string();
        FileLoad();
        errorLog().close();
        if (ended_)
            problem("the load ended on a runtime error");
        return db().loaded;
    }

    // Every value kept passes its key's check (as the loader applies it) and is no command.
    void checkValues(const ControllerDatabase& d, const char* when) {
        eachSetting([&](const KeyDescriptor& key, int p, int n) {
            if (n > usedCount(key, d.hasRtc))
                return;
            const std::string& v = valueOf(d, key, p, n);
            const KeyRule& rule = keyRule(key);
            bool ok = !rule.check || rule.check(v, p, n);
            if (key.name == std::string("IDSpeakTime"))
                ok = pendingIdSpeechCheck(v, d.get("PIDTime", n));
            if (!ok || holdsControl(v))
                problem(std::string(when) + " " + keyText(key, p, n) + "='" + shown(v) +
                        "' fails its check");
        });
    }

    // breaks: the DTMF list is cut into transmissions of 20 s, each unlocked afresh.
    void checkWire(const ControllerDatabase& loaded, bool breaks) {
        static const std::vector<std::regex> grammars = groupGrammars();
        LinkPreferences& prefs = linkPreferences();
        prefs.DTMFDelay = 60;
        prefs.LongestTransmission = breaks ? 20 : 0;

        ControllerDatabase serialCopy = loaded, dtmfCopy = loaded;
        RecordingTransport serial(serialCopy, false), dtmf(dtmfCopy, true);
        if (fSendUpdate(true, serial, serialCopy, nullptr, false) != 0)
            problem("the serial list stopped");
        if (fSendUpdate(true, dtmf, dtmfCopy, nullptr, false) != 0)
            problem("the DTMF list stopped");

        std::vector<std::string> commands;  // serial lines that have a DTMF form
        std::size_t group = 0;
        for (const RecordingTransport::Sequence& s : serial.sequences()) {
            const std::string& line = s.serial;
            std::size_t g = group;
            while (g < grammars.size() && !std::regex_match(line, grammars[g])) ++g;
            if (holdsControl(line) || g == grammars.size()) {
                problem("serial line '" + shown(line) + "' fits no group from " +
                        std::to_string(group) + " on");
                g = group;
            }
            group = g;
            if (line.compare(0, 5, "1*909") != 0)  // the DVR table has no DTMF form
                commands.push_back(line);
        }

        // The codes in force, as the commands change them.
        std::string unlock[4], inForce;
        for (int p = 1; p <= 3; ++p) unlock[p] = loaded.get("CurrentPortUnlock", p);
        bool unlocked = false;
        std::size_t next = 0;
        for (const RecordingTransport::Sequence& s : dtmf.sequences()) {
            std::string played, code;  // code: without the terminator
            for (const std::string& t : s.tokens) {
                const std::string c = dtmfCharacterOf(t);
                if (c.size() != 1 || std::string("0123456789*#ABCD").find(c) == std::string::npos)
                    problem("DTMF token '" + shown(t) + "' is no DTMF digit");
                code = played;
                played += c;
            }
            if (s.kind == RecordingTransport::Sequence::Unlock) {
                unlocked = true;
                inForce = code;
            } else if (s.kind != RecordingTransport::Sequence::Command) {
                unlocked = false;
            } else if (next >= commands.size()) {
                problem("DTMF plays more commands than the serial list sends");
            } else {
                const std::string& line = commands[next++];
                const int port = line[0] - '0';
                if (!unlocked || inForce != unlock[port])
                    problem("DTMF '" + shown(played) + "' (serial '" + shown(line) +
                            "') plays under unlock '" + shown(inForce) + "', not port " +
                            std::to_string(port) + "'s '" + shown(unlock[port]) + "'");
                if (line.compare(1, 5, "*9000") == 0)
                    unlock[port] = line.substr(6);
            }
        }
        if (next != commands.size())
            problem("DTMF plays fewer commands than the serial list sends");
    }

    fs::path folder_;
    ScriptedPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
    bool ended_ = false;
    std::string problems_;
};

std::uint64_t setting(int argc, char** argv, int at, const char* env, std::uint64_t fallback) {
    const char* text = argc > at ? argv[at] : std::getenv(env);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t seed = setting(argc, argv, 1, "KELP_PROPERTY_SEED", std::random_device{}());
    const std::uint64_t count = setting(argc, argv, 2, "KELP_PROPERTY_COUNT", 100);
    // Every save is flushed to disk; in memory that costs nothing.
    const fs::path base = !std::getenv("TMPDIR") && fs::is_directory("/dev/shm")
                              ? fs::path("/dev/shm")
                              : fs::temp_directory_path();
    const fs::path folder = base / ("kelp-properties-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    setAppFolder(folder);
    VirtualClock clock;  // the waits between the writer's and the upload's steps take no time
    ScopedClock scopedClock(clock);
    Case one(folder);
    int failures = 0;
    const auto check = [&](const std::string& name, const std::string& what,
                           const std::string& text) {
        const std::string problems = one.run(text);
        if (problems.empty())
            return;
        ++failures;
        const std::string kept = "file_to_wire_" + name + ".dat";
        std::ofstream(kept, std::ios::binary | std::ios::trunc) << text;
        std::cout << "FAILED " << name << " (" << what << "), database in " << kept << ":\n"
                  << problems.substr(0, 2000) << std::flush;
    };
    if (argc == 2 && fs::is_regular_file(argv[1])) {  // a kept database, replayed
        check("replay", argv[1], readBytes(argv[1]));
        fs::remove_all(folder);
        return failures ? 1 : 0;
    }
    int row = 0;
    for (const FixedCase& fixed : kFixedCases) {
        std::string text = fixed.text ? fixed.text : fromSeed(fixed.seed);
        if (fixed.text && text.compare(0, 9, "[Version]") != 0)
            text = "[Version]\nFirmwareVersion=" + firmwarePrefix() + "00\nHasRTC=1\n" + text;
        check("fixed_" + std::to_string(++row),
              fixed.text ? fixed.find : "seed " + std::to_string(fixed.seed), text);
    }
    std::cout << "file_to_wire: seed " << seed << ", " << count << " databases" << std::endl;
    for (std::uint64_t i = 0; i < count && failures < 5; ++i) {
        check(std::to_string(seed + i), "seed " + std::to_string(seed + i), fromSeed(seed + i));
    }
    fs::remove_all(folder);
    std::cout << (failures ? "file_to_wire: FAILED\n" : "file_to_wire: passed\n");
    return failures ? 1 : 0;
}
