#include "core/editors/courtesy_model.h"

#include <algorithm>
#include <stdexcept>

#include "core/app/clock.h"
#include "core/database/field_checks.h"
#include "core/editors/field_units.h"
#include "core/link/dtmf_tones.h"

namespace kelp {

namespace {

constexpr std::int16_t kLongest = 10000;     // ms, every delay and duration
constexpr std::int16_t kHighestTone = 3500;  // Hz
// A preview's waits are cut into steps this long, so that a stop is heard at once.
constexpr std::int64_t kPreviewStepMs = 20;

UploadFlag segmentFlag(int segment) {
    return static_cast<UploadFlag>(static_cast<int>(UploadFlag::CourtesySegment1) + segment - 1);
}

FieldSpec courtesyField(std::string key, int marker, int segment, const char* prefix,
                        std::int16_t high) {
    FieldSpec f;
    f.key = key;
    f.indexing = FieldIndexing::Courtesy;
    f.marker = marker;
    f.flag = segmentFlag(segment);
    f.check = [key, prefix, high](const EditorModel& m, int index) -> std::optional<Notice> {
        if (numericFieldCheck(m.value(key, index), 0, high))
            return std::nullopt;
        const int port = (index - 1) / kCourtesyTones + 1;
        return Notice{"WhichPort " + std::to_string(port) + ": " + key,
                      std::string(prefix) + "0 and " + std::to_string(high)};
    };
    return f;
}

int number(const std::string& text, int high) {
    std::int64_t v = 0;
    if (!parseDigits(text, v))
        return 0;
    return static_cast<int>(std::min<std::int64_t>(v, high));
}

// Waits ms in short steps; false when a stop was asked for.
bool waitUnlessStopped(std::int64_t ms, const std::function<bool()>& stopRequested) {
    Clock& clock = currentClock();
    while (ms > 0) {
        if (stopRequested())
            return false;
        const std::int64_t step = std::min(ms, kPreviewStepMs);
        clock.sleepMs(step);
        ms -= step;
    }
    return !stopRequested();
}

}  // namespace

std::vector<FieldSpec> courtesyFields() {
    std::vector<FieldSpec> f;
    for (int s = 1; s <= 4; ++s)
        f.push_back(courtesyField(CourtesyModel::delayKey(s), s, s,
                                  "Delay invalid, must be between ", kLongest));
    for (int s = 1; s <= 4; ++s)
        f.push_back(courtesyField(CourtesyModel::durationKey(s), 4 + s, s,
                                  "Duration invalid, must be between ", kLongest));
    for (int t = 1; t <= 8; ++t)
        f.push_back(courtesyField(CourtesyModel::toneKey(t), 8 + t, (t + 1) / 2,
                                  "Tone invalid, must be between ", kHighestTone));
    return f;
}

const char* const kCourtesyNoSoundText = "No sound: every delay and duration is 0";

std::string courtesyTonesText(const CourtesyBar& bar) {
    if (bar.silent())
        return "silence";
    return std::to_string(bar.tone1Hz) + "/" + std::to_string(bar.tone2Hz) + " " +
           fieldUnit(CourtesyModel::toneKey(1));
}

std::string courtesyAxisText(int ms) {
    return std::to_string(ms) + " " + fieldUnit(CourtesyModel::delayKey(1));
}

std::string courtesySummary(const CourtesyTimeline& timeline) {
    if (timeline.totalMs == 0)
        return kCourtesyNoSoundText;
    std::string text;
    for (const CourtesyBar& bar : timeline.bars) {
        if (bar.endMs == bar.startMs)
            continue;  // a segment of no duration plays nothing
        text += "Segment " + std::to_string(bar.segment) + ": " + courtesyTonesText(bar) +
                " from " + courtesyAxisText(bar.startMs) + " to " + courtesyAxisText(bar.endMs) +
                "; ";
    }
    return text + "ends at " + courtesyAxisText(timeline.totalMs);
}

CourtesyTimeline courtesyTimeline(const CourtesyShape& shape) {
    CourtesyTimeline line;
    int t = 0;
    for (int s = 0; s < 4; ++s) {
        const CourtesySegment& seg = shape[static_cast<std::size_t>(s)];
        t += seg.delayMs;
        line.bars.push_back(CourtesyBar{s + 1, t, t + seg.durationMs, seg.tone1Hz, seg.tone2Hz});
        t += seg.durationMs;
    }
    line.totalMs = t;
    return line;
}

PreviewEnd playCourtesyTone(const CourtesyShape& shape,
                            const std::function<bool()>& stopRequested) {
    for (const CourtesySegment& seg : shape) {
        if (!waitUnlessStopped(seg.delayMs, stopRequested))
            return PreviewEnd::Stopped;
        if (seg.durationMs <= 0)
            continue;
        if (!PlayTone(seg.tone1Hz, seg.tone2Hz, seg.durationMs / 1000.0, ToneUse::CourtesyPreview))
            return PreviewEnd::SoundFailed;  // PlayTone has shown why
        if (stopRequested())
            return PreviewEnd::Stopped;
    }
    return PreviewEnd::Played;
}

CourtesyModel::CourtesyModel(ControllerDatabase& database)
    : EditorModel(database, Area::Courtesy, courtesyFields()) {}

std::string CourtesyModel::delayKey(int segment) {
    return "Delay" + std::to_string(segment);
}
std::string CourtesyModel::durationKey(int segment) {
    return "Dur" + std::to_string(segment);
}
std::string CourtesyModel::toneKey(int tone) {
    return "Tone" + std::to_string(tone);
}

int CourtesyModel::selectedTone(int port) const {
    if (port < 1 || port > 3)
        throw std::out_of_range("courtesy port " + std::to_string(port));
    return selected_[static_cast<std::size_t>(port - 1)];
}

void CourtesyModel::selectTone(int port, int tone) {
    if (port < 1 || port > 3 || tone < 1 || tone > kTones)
        throw std::out_of_range("courtesy tone " + std::to_string(port) + "/" +
                                std::to_string(tone));
    // Only what the boxes show changes: no value, no marker.
    selected_[static_cast<std::size_t>(port - 1)] = tone;
}

bool CourtesyModel::holdsRefusedValue(int port, int tone) const {
    for (const FieldSpec& f : fields())
        if (f.check && f.check(*this, entry(port, tone)))
            return true;
    return false;
}

CourtesyShape CourtesyModel::shape(int port, int tone) const {
    const int e = entry(port, tone);
    CourtesyShape shape;
    for (int s = 1; s <= 4; ++s) {
        CourtesySegment& seg = shape[static_cast<std::size_t>(s - 1)];
        seg.delayMs = number(value(delayKey(s), e), kLongest);
        seg.durationMs = number(value(durationKey(s), e), kLongest);
        seg.tone1Hz = number(value(toneKey(2 * s - 1), e), kHighestTone);
        seg.tone2Hz = number(value(toneKey(2 * s), e), kHighestTone);
    }
    return shape;
}

void CourtesyModel::afterApply() {
    for (int s = 1; s <= 4; ++s)
        for (int i = 1; i <= kCourtesyPorts * kCourtesyTones; ++i)
            if (database().uploadFlag(segmentFlag(s), i)) {
                database().saved = false;
                return;
            }
}

}  // namespace kelp
