#include "core/download/eram_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/app/clock.h"
#include "core/app/error_reporter.h"
#include "core/app/runtime_error.h"
#include "core/catalogues/cw_table.h"
#include "core/catalogues/voice_vocabulary.h"
#include "core/database/controller_database.h"
#include "core/download/download_progress.h"
#include "core/download/eram_layout.h"
#include "core/download/eram_values.h"
#include "core/download/image_text.h"

namespace kelp {

const char* const kDecodeEramCaption = "Decoding ERAM";

namespace {

constexpr int kPorts = 3;
constexpr int kCwIdCount = 2;
constexpr int kVoiceIdCount = 3;

std::string trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return std::string();
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

// Stores one setting: a single key ignores the entry index.
void store(ControllerDatabase& database, std::string_view key, int index, std::string value) {
    const KeyDescriptor* descriptor = findKey(key);
    const bool single = descriptor != nullptr && descriptor->shape == KeyShape::Single;
    database.set(key, single ? 0 : index, std::move(value));
}

int entriesOf(std::string_view key) {
    const KeyDescriptor* descriptor = findKey(key);
    return descriptor == nullptr ? 0 : descriptor->count;
}

std::string numberRule(EramRule rule, const std::string& v) {
    switch (rule) {
        case EramRule::None:
            return v;
        case EramRule::Trim:
            return trimmed(v);
        case EramRule::EmptyIsZero:
            return v.empty() ? "0" : v;
        case EramRule::ZeroOrOne: {
            const std::string t = trimmed(v);
            return t == "0" || t == "1" ? t : "0";
        }
        case EramRule::ErasedIsEmpty:
            return eramNumber(v) == kErasedByte ? std::string() : v;
        case EramRule::ErasedIsZero:
            return eramNumber(v) == kErasedByte ? "0" : v;
        case EramRule::AlarmType: {
            if (eramNumber(v) == kErasedByte)
                return "0";
            const std::string t = trimmed(v);
            return t == "20" || t == "21" || t == "22" ? t.substr(1) : v;
        }
        case EramRule::Above90Is90:
            return eramNumber(v) > 90 ? "90" : v;
        case EramRule::Above90Is1:
            return eramNumber(v) > 90 ? "1" : v;
        case EramRule::SchedHour: {
            const long value = eramNumber(v);
            if (value == 254)
                return "0A";
            if (value == kErasedByte)
                return "0";
            return v.size() == 1 ? "0" + v : v;
        }
        case EramRule::SchedMinute:
            if (eramNumber(v) == kErasedByte)
                return "0";
            return v.size() == 1 ? "0" + v : v;
        case EramRule::SchedMacro: {
            const long value = eramNumber(v);
            if (value < 1)
                return "01";
            if (value == kErasedByte)
                return "0";
            return v.size() == 1 ? "0" + v : v;
        }
    }
    return v;
}

// Words taken as a list and joined the way the controller's texts are kept: every piece
// followed by one space, then trimmed.
std::string joinedTrimmed(const std::vector<std::string>& pieces) {
    std::string text;
    for (const std::string& piece : pieces) text += piece + " ";
    return trimmed(text);
}

class EramDecoder {
  public:
    EramDecoder(const std::vector<std::string>& values, ControllerDatabase& database)
        : values_(values), db_(database) {}

    void run(const EramStep& step) {
        if (values_.size() < static_cast<std::size_t>(step.firstRecord + step.recordCount))
            throw RuntimeError(62, "Input past end of file");
        rec_ = values_.data() + step.firstRecord;
        switch (step.form) {
            case EramForm::Skip:
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
                for (int id = 0; id < kVoiceIdCount; ++id) {
                    for (int p = 0; p < kPorts; ++p)
                        voiceLengths_[id][p] = eramNumber(rec_[id * kPorts + p]);
                }
                break;
            case EramForm::Meters:
                meters(step);
                break;
            case EramForm::SetPoint:
                setPoints(step);
                break;
            case EramForm::CwIds:
                identifiers(step, kCwIdCount, cwLengths_, [](long code) {
                    return cwTable().characterOfCode(std::to_string(code));
                });
                break;
            case EramForm::VoiceIds:
                identifiers(step, kVoiceIdCount, voiceLengths_, [](long code) {
                    return voiceVocabulary().wordOfCode(std::to_string(code));
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
                idExtras(step);
                break;
            case EramForm::FunctionLists:
                functionLists(step);
                break;
            case EramForm::MacroCodes:
                macroCodes(step);
                break;
            case EramForm::RemoteBasePrefix:
                remoteBasePrefix(step);
                break;
            case EramForm::ClockCorrection:
                store(db_, step.keys[0], 0, clockCorrectionText(word(0)));
                break;
            case EramForm::RemoteBaseMemories:
                remoteBaseMemories(step);
                break;
        }
    }

  private:
    long byte(int i) const { return eramByte(rec_[i]); }
    long word(int i) const { return byte(i) + 256 * byte(i + 1); }

    void numbers(const EramStep& step) {
        const int width = step.form == EramForm::Word ? 2 : 1;
        const int perKey = step.recordCount / (width * static_cast<int>(step.keys.size()));
        int i = 0;
        for (std::string_view key : step.keys) {
            for (int n = 0; n < perKey; ++n, i += width) {
                const std::string v =
                    width == 2 ? std::to_string(eramByte(rec_[i]) + 256 * eramByte(rec_[i + 1]))
                               : rec_[i];
                store(db_, key, step.firstIndex + n, numberRule(step.rule, v));
            }
        }
    }

    // text[n]: characters of the first n - 1 records up to the first 0; the last record of
    // the slot is the controller's own terminator and is never taken.
    std::string textSlot(int first, int size) const {
        std::string text;
        for (int i = first; i < first + size - 1; ++i) {
            if (eramNumber(rec_[i]) == 0)
                break;
            text += eramCharacter(rec_[i]);
        }
        return text;
    }

    void texts(const EramStep& step) {
        const std::string_view key = step.keys[0];
        const int slots = step.recordCount / step.recordsPerEntry;
        for (int n = 0; n < slots; ++n) {
            const std::string text = textSlot(n * step.recordsPerEntry, step.recordsPerEntry);
            store(db_, key, step.firstIndex + n, numberRule(step.rule, text));
        }
    }

    void cwIdSetup() {
        for (int p = 0; p < kPorts; ++p) {
            db_.set("CWTone1", p + 1, std::to_string(word(2 * p)));
            const long tone2 = word(6 + 2 * p);
            db_.set("CWTone2", p + 1, tone2 == 0 ? "0000" : std::to_string(tone2));
            db_.set("CWSpeed", p + 1, rec_[12 + p]);
            cwLengths_[0][p] = eramNumber(rec_[15 + p]);
            cwLengths_[1][p] = eramNumber(rec_[18 + p]);
        }
    }

    void meters(const EramStep& step) {
        constexpr int kMeters = 8;
        for (std::size_t g = 0; g < step.keys.size(); ++g) {
            for (int n = 0; n < kMeters; ++n) {
                const int i = 2 * (static_cast<int>(g) * kMeters + n);
                std::string value;
                if (g == 0) {
                    value = meterTypeOfWord(word(i));
                } else {
                    // An erased calibration byte reads as 0.
                    const long low = byte(i) == kErasedByte ? 0 : byte(i);
                    const long high = byte(i + 1) == kErasedByte ? 0 : byte(i + 1);
                    value = std::to_string(low + 256 * high);
                }
                db_.set(step.keys[g], n + 1, value);
            }
        }
    }

    void setPoints(const EramStep& step) {
        const int count = step.recordCount / 4;
        for (int n = 0; n < count; ++n) {
            std::uint8_t bytes[4];
            for (int b = 0; b < 4; ++b) bytes[b] = static_cast<std::uint8_t>(byte(4 * n + b));
            db_.set(step.keys[0], n + 1, setPointText(bytes));
        }
    }

    template <typename NameOf>
    void identifiers(const EramStep& step, int ids, const long (&lengths)[3][3], NameOf nameOf) {
        const int slot = step.recordsPerEntry;
        for (int id = 0; id < ids; ++id) {
            for (int p = 0; p < kPorts; ++p) {
                const int first = (id * kPorts + p) * slot;
                const long length = std::clamp<long>(lengths[id][p], 0, slot);
                std::vector<std::string> names;
                for (int i = 0; i < length; ++i)
                    names.push_back(nameOf(eramNumber(rec_[first + i])));
                db_.set(step.keys[id], p + 1, joinedTrimmed(names));
            }
        }
    }

    void schedulerDays() {
        for (int n = 0; n < 20; ++n) {
            const std::string& v = rec_[n];
            if (v.size() == 2) {
                db_.set("Monthly", n + 1, "1");
                db_.set("Week", n + 1, v.substr(0, 1));
                db_.set("DOW", n + 1, v.substr(1, 1));
            } else {
                db_.set("Monthly", n + 1, "0");
                db_.set("DOW", n + 1, v);
            }
        }
    }

    void courtesyTones() {
        const auto& blocks = courtesyBlockOrder();
        int i = 0;
        for (std::string_view name : blocks) {
            for (int port = 1; port <= kCourtesyPorts; ++port) {
                for (int tone = 1; tone <= kCourtesyTones; ++tone, i += 2)
                    db_.setCourtesy(name, port, tone, std::to_string(word(i)));
            }
        }
    }

    void dtmfMemories(const EramStep& step) {
        const int slot = step.recordsPerEntry;
        for (int n = 0; n < step.recordCount / slot; ++n) {
            std::vector<std::string> digits;
            for (int i = n * slot; i < (n + 1) * slot; ++i) {
                if (byte(i) == kErasedByte)
                    break;
                digits.emplace_back(1, eramCharacter(rec_[i]));
            }
            const std::string text = joinedTrimmed(digits);
            db_.set(step.keys[0], n + 1, text.empty() ? kNoneStored : text);
        }
    }

    void messageMacros(const EramStep& step) {
        const int slot = step.recordsPerEntry;
        for (int n = 0; n < step.recordCount / slot; ++n) {
            std::vector<std::string> words;
            // The last record of a message is its terminator; its word is never used.
            for (int i = n * slot; i < (n + 1) * slot - 1; ++i) {
                const long code = eramNumber(rec_[i]);
                if (code == 0)
                    break;
                words.push_back(code == kErasedByte
                                    ? std::string(kZeroWord)
                                    : voiceVocabulary().wordOfCode(std::to_string(code)));
            }
            const std::string text = joinedTrimmed(words);
            db_.set(step.keys[0], n + 1, text.empty() ? kNoneStored : text);
        }
    }

    void idExtras(const EramStep& step) {
        for (int p = 0; p < kPorts; ++p) {
            for (std::size_t id = 0; id < step.keys.size(); ++id) {
                const std::string& v = rec_[p * kPorts + static_cast<int>(id)];
                // An erased byte carries no choice; "0" is the choice of an ID without extras.
                db_.set(step.keys[id], p + 1, eramNumber(v) == kErasedByte ? "0" : v);
            }
        }
    }

    void functionLists(const EramStep& step) {
        const int slot = step.recordsPerEntry;
        const int entries = entriesOf(step.keys[0]);
        for (int n = 0; n < entries; ++n) {
            std::vector<long> bytes;
            for (int i = n * slot; i < (n + 1) * slot; ++i) bytes.push_back(byte(i));
            db_.set(step.keys[0], n + 1, functionListText(bytes));
        }
    }

    void macroCodes(const EramStep& step) {
        const int slot = step.recordsPerEntry;
        const int entries = entriesOf(step.keys[0]);
        for (int n = 0; n < entries; ++n) {
            std::vector<long> bytes;
            for (int i = n * slot; i < (n + 1) * slot; ++i) bytes.push_back(byte(i));
            db_.set(step.keys[0], n + 1, macroCodeText(bytes));
        }
    }

    void remoteBasePrefix(const EramStep& step) {
        std::string prefix;
        for (int i = 0; i < 5; ++i) {
            const long code = byte(i);
            if (code == kPrefixFiller1 || code == kPrefixFiller2)
                continue;
            prefix += eramCharacter(rec_[i]);
        }
        store(db_, step.keys[0], 0, prefix);
    }

    void remoteBaseMemories(const EramStep& step) {
        constexpr int kMemories = 10;
        const int slot = step.recordsPerEntry;
        for (int m = 0; m < kMemories; ++m) {
            std::string frequency;
            // The eighth record is the slot's terminator; a byte 0 ends the frequency early.
            for (int i = m * slot; i < m * slot + slot - 1; ++i) {
                const long code = byte(i);
                if (code == 0)
                    break;
                if (code == kErasedByte)
                    continue;
                frequency += eramCharacter(rec_[i]);
            }
            db_.set(step.keys[0], m + 1, frequency.empty() ? kNoneStored : frequency);
            db_.set(step.keys[1], m + 1, rec_[kMemories * slot + m]);
            db_.set(step.keys[2], m + 1, rec_[kMemories * slot + kMemories + m]);
        }
    }

    const std::vector<std::string>& values_;
    ControllerDatabase& db_;
    const std::string* rec_ = nullptr;
    long cwLengths_[3][3] = {};
    long voiceLengths_[3][3] = {};
};

}  // namespace

std::string eramRecordValue(const std::string& line) {
    const std::size_t comma = line.find(',');
    return comma == std::string::npos ? line : line.substr(comma + 1);
}

void decodeEramValues(const std::vector<std::string>& values, ControllerDatabase& database,
                      std::string& stepLabel) {
    EramDecoder decoder(values, database);
    for (const EramStep& step : eramLayout()) {
        stepLabel = std::string(step.label);
        decoder.run(step);
    }
}

int LoadEram(const std::string& file) {
    return LoadEram(file, db());
}

int LoadEram(const std::string& file, ControllerDatabase& database) {
    std::string stepLabel;
    ProgressShown progress(kDecodeEramCaption, ProgressLabel::DecodeController, false, 0);
    try {
        currentClock().yield();
        std::vector<std::string> values;
        for (const std::string& line : splitImageLines(readImageFile(file)))
            values.push_back(eramRecordValue(line));
        decodeEramValues(values, database, stepLabel);
        return kDecodeOk;
    } catch (...) {
        reportError("LoadEram", "LoadEram", stepLabel, "Error in decoding download file");
        return kDecodeFailed;
    }
}

}  // namespace kelp
