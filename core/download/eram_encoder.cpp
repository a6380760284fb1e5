#include "core/download/eram_encoder.h"

#include <algorithm>
#include <sstream>
#include <string_view>

#include "core/catalogues/cw_table.h"
#include "core/catalogues/voice_vocabulary.h"
#include "core/database/controller_database.h"
#include "core/download/eram_layout.h"
#include "core/download/eram_values.h"

namespace kelp {

namespace {

constexpr int kPorts = 3;
constexpr const char* kCrLf = "\r\n";

bool isNumber(std::string_view text) {
    if (text.empty())
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> piecesOf(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> pieces;
    std::string piece;
    while (in >> piece) pieces.push_back(piece);
    return pieces;
}

bool isEmptyMark(const std::string& text) {
    return text.empty() || text == kNoneStored || text == "NONE";
}

class EramEncoder {
  public:
    explicit EramEncoder(const ControllerDatabase& database) : db_(database) {
        out_.records.assign(kEramRecordCount, kErasedByte);
    }

    EramEncoding run() {
        for (const EramStep& step : eramLayout()) {
            rec_ = out_.records.data() + step.firstRecord;
            encode(step);
        }
        return std::move(out_);
    }

  private:
    const std::string& value(std::string_view key, int index) const {
        const KeyDescriptor* descriptor = findKey(key);
        return db_.get(key, descriptor->shape == KeyShape::Single ? 0 : index);
    }

    void problem(std::string_view key, int index, const std::string& why) {
        const KeyDescriptor* descriptor = findKey(key);
        out_.problems.push_back(keyText(key, descriptor->shape == KeyShape::Single ? 0 : index) +
                                ": " + why);
    }

    // A number that must fit the given range, else the erased value and a problem.
    long number(std::string_view key, int index, const std::string& text, long high) {
        if (text.empty())
            return high == 255 ? kErasedByte : 0xFFFF;
        if (isNumber(text) && text.size() < 7 && std::stol(text) <= high)
            return std::stol(text);
        problem(key, index, "'" + text + "' is not a number 0-" + std::to_string(high));
        return high == 255 ? kErasedByte : 0xFFFF;
    }

    void putWord(int at, long word) {
        rec_[at] = word & 0xFF;
        rec_[at + 1] = word >> 8 & 0xFF;
    }

    void encode(const EramStep& step) {
        switch (step.form) {
            case EramForm::Skip:
                std::fill(rec_, rec_ + step.recordCount, 0);
                break;
            case EramForm::Number:
            case EramForm::Word:
                numbers(step);
                break;
            case EramForm::Text:
                texts(step);
                break;
            case EramForm::CwIdSetup:
                cwIdSetup();
                break;
            case EramForm::VoiceIdLengths:
                for (int id = 1; id <= 3; ++id) {
                    for (int p = 1; p <= kPorts; ++p) {
                        const std::string key = "VoiceID" + std::to_string(id);
                        rec_[(id - 1) * kPorts + p - 1] =
                            std::min<long>(piecesOf(db_.get(key, p)).size(), 22);
                    }
                }
                break;
            case EramForm::Meters:
                meters(step);
                break;
            case EramForm::SetPoint:
                setPoints(step);
                break;
            case EramForm::CwIds:
                identifiers(step, 2, [](const std::string& name) {
                    return cwTable().codeOfCharacter(name);
                });
                break;
            case EramForm::VoiceIds:
                identifiers(step, 3, [](const std::string& word) {
                    return voiceVocabulary().codeOfWord(word);
                });
                break;
            case EramForm::SchedDow:
                schedulerDays();
                break;
            case EramForm::CourtesyTones:
                courtesyTones();
                break;
            case EramForm::DtmfMemories:
                dtmfMemories(step);
                break;
            case EramForm::MessageMacros:
                messageMacros(step);
                break;
            case EramForm::IdExtras:
                for (int p = 0; p < kPorts; ++p) {
                    for (int id = 0; id < 3; ++id) {
                        rec_[p * kPorts + id] =
                            number(step.keys[id], p + 1, db_.get(step.keys[id], p + 1), 255);
                    }
                }
                break;
            case EramForm::FunctionLists:
                slotted(step, [](const std::string& text, int slot, std::vector<long>& bytes) {
                    return functionListBytes(text, slot, bytes);
                });
                break;
            case EramForm::MacroCodes:
                slotted(step, [](const std::string& text, int slot, std::vector<long>& bytes) {
                    return macroCodeBytes(text, slot, bytes);
                });
                break;
            case EramForm::RemoteBasePrefix:
                remoteBasePrefix(step);
                break;
            case EramForm::ClockCorrection:
                clockCorrection(step);
                break;
            case EramForm::RemoteBaseMemories:
                remoteBaseMemories(step);
                break;
        }
    }

    void numbers(const EramStep& step) {
        const int width = step.form == EramForm::Word ? 2 : 1;
        const int perKey = step.recordCount / (width * static_cast<int>(step.keys.size()));
        int i = 0;
        for (std::string_view key : step.keys) {
            for (int n = 0; n < perKey; ++n, i += width) {
                const int index = step.firstIndex + n;
                const std::string& text = value(key, index);
                long v = 0;
                if (step.rule == EramRule::SchedHour && (text == "0A" || text == "99"))
                    v = 254;
                else
                    v = number(key, index, text, width == 2 ? 0xFFFF : 255);
                if (width == 2)
                    putWord(i, v);
                else
                    rec_[i] = v;
            }
        }
    }

    void textSlot(int first, int size, std::string_view key, int index, const std::string& text) {
        std::fill(rec_ + first, rec_ + first + size, 0);
        if (static_cast<int>(text.size()) > size - 1)
            problem(key, index, "'" + text + "' is longer than " + std::to_string(size - 1));
        for (int i = 0; i < size - 1 && i < static_cast<int>(text.size()); ++i)
            rec_[first + i] = static_cast<unsigned char>(text[static_cast<std::size_t>(i)]);
    }

    void texts(const EramStep& step) {
        const int slots = step.recordCount / step.recordsPerEntry;
        for (int n = 0; n < slots; ++n) {
            const int index = step.firstIndex + n;
            textSlot(n * step.recordsPerEntry, step.recordsPerEntry, step.keys[0], index,
                     value(step.keys[0], index));
        }
    }

    void cwIdSetup() {
        for (int p = 1; p <= kPorts; ++p) {
            putWord(2 * (p - 1), number("CWTone1", p, db_.get("CWTone1", p), 0xFFFF));
            putWord(6 + 2 * (p - 1), number("CWTone2", p, db_.get("CWTone2", p), 0xFFFF));
            rec_[12 + p - 1] = number("CWSpeed", p, db_.get("CWSpeed", p), 255);
            rec_[15 + p - 1] = std::min<long>(piecesOf(db_.get("CWID1", p)).size(), 15);
            rec_[18 + p - 1] = std::min<long>(piecesOf(db_.get("CWID2", p)).size(), 15);
        }
    }

    void meters(const EramStep& step) {
        constexpr int kMeters = 8;
        for (std::size_t g = 0; g < step.keys.size(); ++g) {
            for (int n = 1; n <= kMeters; ++n) {
                const int at = 2 * (static_cast<int>(g) * kMeters + n - 1);
                const std::string& text = db_.get(step.keys[g], n);
                long word = 0;
                if (g == 0) {
                    word = meterTypeWord(text);
                    if (word < 0) {
                        problem(step.keys[g], n, "'" + text + "' is not a meter type");
                        word = 0xFFFF;
                    }
                } else {
                    word = number(step.keys[g], n, text, 0xFFFF);
                    if ((word & 0xFF) == kErasedByte || (word >> 8) == kErasedByte)
                        problem(step.keys[g], n, "a byte of 255 reads back as 0");
                }
                putWord(at, word);
            }
        }
    }

    void setPoints(const EramStep& step) {
        for (int n = 1; n <= step.recordCount / 4; ++n) {
            const std::string& text = db_.get(step.keys[0], n);
            long* at = rec_ + 4 * (n - 1);
            if (text.empty()) {
                std::fill(at, at + 4, kErasedByte);
                continue;
            }
            try {
                const auto bytes = setPointBytes(text);
                std::copy(bytes.begin(), bytes.end(), at);
            } catch (const std::exception&) {
                problem(step.keys[0], n, "'" + text + "' is not a number");
                std::fill(at, at + 4, kErasedByte);
            }
        }
    }

    template <typename CodeOf>
    void identifiers(const EramStep& step, int ids, CodeOf codeOf) {
        const int slot = step.recordsPerEntry;
        for (int id = 0; id < ids; ++id) {
            for (int p = 1; p <= kPorts; ++p) {
                long* at = rec_ + (id * kPorts + p - 1) * slot;
                std::fill(at, at + slot, 0);
                const std::vector<std::string> names = piecesOf(db_.get(step.keys[id], p));
                if (static_cast<int>(names.size()) > slot)
                    problem(step.keys[id], p, "more than " + std::to_string(slot) + " words");
                for (int i = 0; i < slot && i < static_cast<int>(names.size()); ++i) {
                    const std::string code = codeOf(names[static_cast<std::size_t>(i)]);
                    if (code.empty()) {
                        problem(step.keys[id], p,
                                "'" + names[static_cast<std::size_t>(i)] + "' has no code");
                        at[i] = kErasedByte;
                    } else {
                        at[i] = std::stol(code);
                    }
                }
            }
        }
    }

    void schedulerDays() {
        for (int n = 1; n <= 20; ++n) {
            const std::string& dow = db_.get("DOW", n);
            if (db_.get("Monthly", n) == "1") {
                const std::string& week = db_.get("Week", n);
                if (week.size() == 1 && isNumber(week) && week != "0" && dow.size() == 1 &&
                    isNumber(dow)) {
                    rec_[n - 1] = std::stol(week + dow);
                    continue;
                }
                problem("Week", n, "a monthly setpoint needs one digit each for week and day");
            }
            rec_[n - 1] = number("DOW", n, dow, 9);
        }
    }

    void courtesyTones() {
        int at = 0;
        for (std::string_view name : courtesyBlockOrder()) {
            for (int port = 1; port <= kCourtesyPorts; ++port) {
                for (int tone = 1; tone <= kCourtesyTones; ++tone, at += 2) {
                    const std::string& text = db_.courtesy(name, port, tone);
                    long word = 0;
                    if (isNumber(text) && text.size() < 7 && std::stol(text) <= 0xFFFF) {
                        word = std::stol(text);
                    } else {
                        out_.problems.push_back(courtesyKeyText(name, port, tone) + ": '" + text +
                                                "' is not a number 0-65535");
                    }
                    putWord(at, word);
                }
            }
        }
    }

    void dtmfMemories(const EramStep& step) {
        const int slot = step.recordsPerEntry;
        for (int n = 1; n <= step.recordCount / slot; ++n) {
            long* at = rec_ + (n - 1) * slot;
            std::fill(at, at + slot, kErasedByte);
            const std::string& text = db_.get(step.keys[0], n);
            if (isEmptyMark(text))
                continue;
            std::string digits;
            for (char c : text) {
                if (c != ' ')
                    digits += c;
            }
            if (static_cast<int>(digits.size()) > slot)
                problem(step.keys[0], n, "more than " + std::to_string(slot) + " digits");
            for (int i = 0; i < slot && i < static_cast<int>(digits.size()); ++i)
                at[i] = static_cast<unsigned char>(digits[static_cast<std::size_t>(i)]);
        }
    }

    void messageMacros(const EramStep& step) {
        const int slot = step.recordsPerEntry;
        for (int n = 1; n <= step.recordCount / slot; ++n) {
            long* at = rec_ + (n - 1) * slot;
            std::fill(at, at + slot, 0);
            const std::string& text = db_.get(step.keys[0], n);
            if (isEmptyMark(text))
                continue;
            const std::vector<std::string> words = piecesOf(text);
            if (static_cast<int>(words.size()) > slot - 1)
                problem(step.keys[0], n, "more than " + std::to_string(slot - 1) + " words");
            for (int i = 0; i < slot - 1 && i < static_cast<int>(words.size()); ++i) {
                const std::string code = voiceVocabulary().codeOfWord(words[std::size_t(i)]);
                if (code.empty()) {
                    problem(step.keys[0], n, "'" + words[std::size_t(i)] + "' has no code");
                    at[i] = kErasedByte;  // reads back as "ZERO" rather than ending the message
                    continue;
                }
                const long number = std::stol(code);
                // A code of 0 would end the message; the controller keeps it as 255.
                at[i] = number == 0 ? kErasedByte : number;
            }
        }
    }

    template <typename Encode>
    void slotted(const EramStep& step, Encode encodeSlot) {
        const int slot = step.recordsPerEntry;
        const std::string_view key = step.keys[0];
        for (int n = 1; n <= step.recordCount / slot; ++n) {
            std::vector<long> bytes;
            const std::string& text = db_.get(key, n);
            if (!encodeSlot(text, slot, bytes))
                problem(key, n, "'" + text + "' does not fit the controller's memory");
            std::copy(bytes.begin(), bytes.end(), rec_ + (n - 1) * slot);
        }
    }

    void remoteBasePrefix(const EramStep& step) {
        std::fill(rec_, rec_ + step.recordCount, kPrefixFiller2);
        const std::string& text = value(step.keys[0], 0);
        if (text.size() > 5)
            problem(step.keys[0], 0, "'" + text + "' is longer than 5");
        for (std::size_t i = 0; i < 5 && i < text.size(); ++i)
            rec_[i] = static_cast<unsigned char>(text[i]);
    }

    void clockCorrection(const EramStep& step) {
        const std::string& text = value(step.keys[0], 0);
        long word = 0;
        try {
            word = text.empty() ? 0 : clockCorrectionWord(text);
        } catch (const std::exception&) {
            problem(step.keys[0], 0, "'" + text + "' is not a number");
        }
        putWord(0, word);
    }

    void remoteBaseMemories(const EramStep& step) {
        constexpr int kMemories = 10;
        const int slot = step.recordsPerEntry;
        for (int m = 1; m <= kMemories; ++m) {
            long* at = rec_ + (m - 1) * slot;
            std::fill(at, at + slot, kErasedByte);
            at[slot - 1] = 0;
            const std::string& frequency = db_.get(step.keys[0], m);
            if (isEmptyMark(frequency)) {
                at[0] = 0;
            } else {
                if (static_cast<int>(frequency.size()) > slot - 1)
                    problem(step.keys[0], m, "'" + frequency + "' is longer than 7");
                for (int i = 0; i < slot - 1 && i < static_cast<int>(frequency.size()); ++i)
                    at[i] = static_cast<unsigned char>(frequency[static_cast<std::size_t>(i)]);
            }
            rec_[kMemories * slot + m - 1] = number(step.keys[1], m, db_.get(step.keys[1], m), 255);
            rec_[kMemories * slot + kMemories + m - 1] =
                number(step.keys[2], m, db_.get(step.keys[2], m), 255);
        }
    }

    const ControllerDatabase& db_;
    EramEncoding out_;
    long* rec_ = nullptr;
};

std::string twoDigits(int n) {
    std::string text = std::to_string(n);
    return text.size() < 2 ? "0" + text : text;
}

}  // namespace

EramEncoding encodeEram(const ControllerDatabase& database) {
    return EramEncoder(database).run();
}

std::string eramImageText(const std::vector<long>& records) {
    std::string text;
    for (std::size_t i = 0; i < records.size(); ++i)
        text += std::to_string(i) + "," + std::to_string(records[i]) + kCrLf;
    return text;
}

std::vector<std::string> autopatchImageLines(const ControllerDatabase& database,
                                             std::vector<std::string>* problems) {
    (void)problems;
    std::vector<std::string> lines;
    const auto slots = [&](const char* tag, const char* key, int count) {
        for (int n = 1; n <= count; ++n) {
            const std::string& text = database.get(key, n);
            if (text.empty())
                continue;
            std::string slot = std::to_string(n);
            slot.insert(0, 3 - slot.size(), '0');
            lines.push_back(std::string(tag) + slot + text + kCrLf);
        }
    };
    slots("RA", "AutoDial", 200);
    slots("RT", "TollRestrict", 100);
    lines.push_back("RS" + database.get("AnswerCode") + kCrLf);
    lines.push_back("RR" + database.get("RingNumber") + kCrLf);
    return lines;
}

std::vector<std::string> rtcImageLines(const ControllerDatabase& database,
                                       std::vector<std::string>* problems) {
    const auto note = [&](const std::string& key, const std::string& why) {
        if (problems != nullptr)
            problems->push_back(key + ": " + why);
    };
    std::vector<std::string> lines;
    // Remote base memories 11-40: frequency (7), CTCSS (2), CTCSS mode (1), radio mode (1).
    for (int k = 1; k <= 30; ++k) {
        const int n = k + 10;
        const std::string& frequency = database.get("FreqString", n);
        if (isEmptyMark(frequency))
            continue;
        const auto field = [&](const char* key, std::size_t width) {
            std::string text = database.get(key, n);
            if (text.size() > width)
                note(keyText(key, n), "'" + text + "' is longer than " + std::to_string(width));
            text.resize(width, ' ');
            return text;
        };
        std::string payload = field("FreqString", 7);
        std::string ctcss = database.get("CTCSS", n);
        if (ctcss.size() == 1)
            ctcss.insert(ctcss.begin(), '0');
        ctcss.resize(2, ' ');
        payload += ctcss + field("CTCSSMode", 1) + field("RadioMode", 1);
        lines.push_back("T1" + twoDigits(k) + payload + kCrLf);
    }
    // Message macros 41-70: one character per voice word code.
    for (int k = 1; k <= 30; ++k) {
        const int n = k + 40;
        const std::string& text = database.get("MessageMacro", n);
        if (isEmptyMark(text))
            continue;
        std::string payload;
        for (const std::string& word : piecesOf(text)) {
            const std::string code = voiceVocabulary().codeOfWord(word);
            if (code.empty() || std::stol(code) == '\r') {
                note(keyText("MessageMacro", n), "'" + word + "' cannot be sent");
                continue;
            }
            payload += static_cast<char>(static_cast<unsigned char>(std::stol(code)));
        }
        lines.push_back("T2" + twoDigits(k) + payload + kCrLf);
    }
    // DTMF memories 21-50: the digits, then two bytes that are not part of the memory.
    for (int k = 1; k <= 30; ++k) {
        const int n = k + 20;
        const std::string& text = database.get("DTMF", n);
        if (isEmptyMark(text))
            continue;
        std::string digits;
        for (char c : text) {
            if (c != ' ')
                digits += c;
        }
        lines.push_back("T3" + twoDigits(k) + digits + "\xFF\xFF" + kCrLf);
    }
    return lines;
}

std::string optionImageText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line;
    return text + "Complete";
}

}  // namespace kelp
