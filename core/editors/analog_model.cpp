#include "core/editors/analog_model.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include "core/database/area_checks.h"
#include "core/database/field_checks.h"

namespace kelp {

namespace {

constexpr std::int16_t kScaleHigh = 32767;
constexpr std::int16_t kVrefHigh = 520;
constexpr int kTripValueHigh = 35000;

std::string range(int low, int high) {
    return std::to_string(low) + " and " + std::to_string(high);
}

ChoiceList decimalList(std::vector<std::pair<const char*, long>> rows) {
    std::vector<ChoiceEntry> entries;
    for (const auto& [text, data] : rows)
        entries.push_back(ChoiceEntry{text, data, std::to_string(data)});
    return ChoiceList(std::move(entries));
}

// A box refused with "<name> invalid, must be between <low> and <high>", titled `title`.
FieldSpec scaleField(std::string key, FieldIndexing indexing, int count, int marker,
                     std::int16_t high, std::string title, std::string name, int flagIndex = 0) {
    FieldSpec f;
    f.key = key;
    f.indexing = indexing;
    f.count = count;
    f.kind = FieldKind::Text;
    f.marker = marker;
    f.flag = UploadFlag::MeterSetup;
    f.flagIndex = flagIndex;
    f.check = [key, high, title, name](const EditorModel& m, int index) -> std::optional<Notice> {
        if (numericFieldCheck(m.value(key, index), 0, high))
            return std::nullopt;
        return Notice{title, name + " invalid, must be between " + range(0, high)};
    };
    return f;
}

FieldSpec listField(std::string key, int count, UploadFlag flag, bool twoDigits = false) {
    FieldSpec f;
    f.key = std::move(key);
    f.indexing = FieldIndexing::Indexed;
    f.count = count;
    f.kind = FieldKind::List;
    f.numeric = false;
    f.twoDigits = twoDigits;
    f.flag = flag;
    return f;
}

}  // namespace

const ChoiceList& meterTypeList() {
    static const ChoiceList list = decimalList({{"OFF", 0},
                                                {"Volts", 1},
                                                {"Amps", 2},
                                                {"Watts", 3},
                                                {"Degrees", 4},
                                                {"MPH", 5},
                                                {"Percent", 6}});
    return list;
}

const ChoiceList& meterAlarmTypeList() {
    static const ChoiceList list = decimalList({{"Disabled", 0}, {"Low", 1}, {"High", 2}});
    return list;
}

const ChoiceList& meterNumberList() {
    static const ChoiceList list = decimalList(
        {{"1", 1}, {"2", 2}, {"3", 3}, {"4", 4}, {"5", 5}, {"6", 6}, {"7", 7}, {"8", 8}});
    return list;
}

std::vector<FieldSpec> analogFields() {
    using I = FieldIndexing;
    constexpr int n = AnalogModel::kChannels;
    constexpr int a = AnalogModel::kAlarms;
    std::vector<FieldSpec> f;
    // A channel's type and four scaling values travel as one command of that channel.
    f.push_back(listField("Meter", n, UploadFlag::MeterSetup));
    f.push_back(scaleField("RealLow", I::Indexed, n, 1, kScaleHigh, "Real Low", "Real Low"));
    f.push_back(scaleField("MeterLow", I::Indexed, n, 2, kScaleHigh, "Meter Low", "Meter Low"));
    f.push_back(scaleField("RealHigh", I::Indexed, n, 3, kScaleHigh, "Real High", "Real High"));
    f.push_back(scaleField("MeterHigh", I::Indexed, n, 4, kScaleHigh, "Meter High", "Meter High"));
    // The reference voltage rides on the channels' group as its ninth flag.
    f.push_back(scaleField("Vref", I::Single, 1, 5, kVrefHigh, "VREF", "VREF", kVrefFlagIndex));

    f.push_back(listField("MeterNum", a, UploadFlag::MeterAlarm));
    f.push_back(listField("MeterAlarmType", a, UploadFlag::MeterAlarm));
    {
        FieldSpec trip;
        trip.key = "MeterSetPoint";
        trip.indexing = I::Indexed;
        trip.count = a;
        trip.kind = FieldKind::Text;
        // Apply checks the trip value too: a value sent without its check would reach the
        // controller as a command it cannot take, and the next load would drop it.
        trip.marker = 6;
        trip.numeric = false;  // the leading "A" of a negative value
        trip.flag = UploadFlag::MeterAlarm;
        trip.check = [](const EditorModel& m, int alarm) -> std::optional<Notice> {
            if (meterSetPointCheck(m.value("MeterSetPoint", alarm)))
                return std::nullopt;
            return Notice{"Meter Trip Value", "Trip Value invalid, must be between " +
                                                  range(0, kTripValueHigh) +
                                                  " with a leading 'A' allowed to indicate "
                                                  "negative"};
        };
        f.push_back(std::move(trip));
    }
    f.push_back(listField("MeterMacro", a, UploadFlag::MeterAlarm, true));
    return f;
}

// The window has no port tabs: its channel tabs never change the current port.
AnalogModel::AnalogModel(ControllerDatabase& database)
    : EditorModel(database, Area::Analog, analogFields(), 0) {}

void AnalogModel::selectAlarm(int alarm) {
    if (alarm < 1 || alarm > kAlarms)
        throw std::out_of_range("meter alarm " + std::to_string(alarm));
    selectedAlarm_ = alarm;
}

std::optional<std::string> AnalogModel::tripValueEntry(std::string_view typed) {
    std::string text(typed);
    for (char& c : text)
        if (c == '-')
            c = 'A';
    const std::size_t digitsFrom = !text.empty() && (text[0] == 'A' || text[0] == 'a') ? 1 : 0;
    if (text.find_first_not_of("0123456789", digitsFrom) != std::string::npos)
        return std::nullopt;
    return text;
}

}  // namespace kelp
