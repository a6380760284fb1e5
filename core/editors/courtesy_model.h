// The Courtesy Tones window's model: ten courtesy tones on each of the three ports, each of
// four segments; a segment waits its delay, then sounds two tones together for its duration.
//
// The sixteen boxes of a port show the courtesy tone selected in that port's list; choosing
// another tone is no edit (unapplied values of the other tones are kept). Every value is an
// entry of a Courtesy field, addressed by courtesyFlagIndex(port, tone), so Apply's upload
// flags are the four segment tables at the same index.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/editors/editor_model.h"

namespace kelp {

// One segment of a courtesy tone as it sounds; values outside their ranges (a refused box)
// are taken at the nearest bound, text that is no number as 0.
struct CourtesySegment {
    int delayMs = 0;
    int durationMs = 0;
    int tone1Hz = 0;
    int tone2Hz = 0;
};
using CourtesyShape = std::array<CourtesySegment, 4>;

// A segment on the time axis of the courtesy tone's picture: it sounds from startMs to endMs
// after the start of the tone (the gap before it is its delay).
struct CourtesyBar {
    int segment = 0;  // 1-4
    int startMs = 0;
    int endMs = 0;
    int tone1Hz = 0;
    int tone2Hz = 0;
    bool silent() const { return tone1Hz == 0 && tone2Hz == 0; }
};
struct CourtesyTimeline {
    std::vector<CourtesyBar> bars;  // the four segments in order
    int totalMs = 0;                // end of the last segment
};
CourtesyTimeline courtesyTimeline(const CourtesyShape& shape);

// The picture's words: a tone of no length, a bar's two tones ("440/880 Hz", or "silence"),
// and a time on its axis ("250 ms").
extern const char* const kCourtesyNoSoundText;
std::string courtesyTonesText(const CourtesyBar& bar);
std::string courtesyAxisText(int ms);
// The picture in words, for a screen reader: each sounding segment with its tones and times
// ("Segment 1: 440/880 Hz from 250 ms to 500 ms"), then the end of the tone.
std::string courtesySummary(const CourtesyTimeline& timeline);

// How a preview ended.
enum class PreviewEnd { Played, Stopped, SoundFailed };

// Plays a courtesy tone: for each segment its delay, then PlayTone of its two tones for its
// duration (a segment of no duration plays nothing). The waits go through the Clock in short
// steps, so stopRequested() is asked often; a sound failure has shown its one message and ends
// the preview.
PreviewEnd playCourtesyTone(const CourtesyShape& shape, const std::function<bool()>& stopRequested);

class CourtesyModel : public EditorModel {
  public:
    explicit CourtesyModel(ControllerDatabase& database);

    static constexpr int kSegments = 4;
    static constexpr int kTones = kCourtesyTones;
    // The keys of segment s (1-4): "Delay<s>", "Dur<s>", "Tone<2s-1>", "Tone<2s>".
    static std::string delayKey(int segment);
    static std::string durationKey(int segment);
    static std::string toneKey(int tone);  // "Tone1".."Tone8"

    // The working-copy entry of a port's courtesy tone.
    static int entry(int port, int tone) { return courtesyFlagIndex(port, tone); }

    // The courtesy tone a port's boxes show (1-10; 1 when the window opens).
    int selectedTone(int port) const;
    // Choosing a courtesy tone: the port's boxes show it; the change marker stays as it was.
    void selectTone(int port, int tone);
    // Whether a value of a port's courtesy tone would be refused (the window keeps that tone
    // in sight until it is corrected).
    bool holdsRefusedValue(int port, int tone) const;

    // The selected courtesy tone of a port as it would sound, from the working copy.
    CourtesyShape shape(int port, int tone) const;

  protected:
    // Any segment flag still waiting for an upload, from this Apply or an earlier one,
    // keeps the database marked unsaved.
    void afterApply() override;

  private:
    std::array<int, 3> selected_{{1, 1, 1}};
};

// The sixteen fields of the window, markers 1-4 Delay1-4, 5-8 Dur1-4, 9-16 Tone1-8.
std::vector<FieldSpec> courtesyFields();

}  // namespace kelp
