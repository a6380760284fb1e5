// Recording one of the controller's voice recorder tracks from a WAV file: the controller is
// told to erase the track and then to record into it, the file is played through the sound
// card into the controller's audio input, and in serial mode "S" stops the recording when the
// file has ended.
//
// A file that is not a PCM WAV the sound output can play, or no file at all, is refused before
// anything goes to the controller, so that a track is never erased for a recording that
// cannot be made.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kelp {

constexpr int kRecorderTracks = 19;

// The box titles and texts of a recording.
extern const char* const kTrackUploadCompleteText;  // "Wav File Upload Complete."
extern const char* const kTrackFileTitle;           // "Voice Recorder Track"
extern const char* const kTrackNoFileText;

// Why the file cannot be recorded, or nothing when it is a playable PCM WAV.
std::optional<std::string> trackFileProblem(const std::filesystem::path& file);

// The serial lines of a recording (without "\r"): erase track t, then record into it.
std::string trackEraseLine(int track);   // "1*7002" + t
std::string trackRecordLine(int track);  // "1*7001" + t

enum class TrackRecordResult {
    Recorded,     // the file was played into the track and the recording stopped
    NoFile,       // no file chosen: nothing was sent
    FileRefused,  // the file cannot be played: nothing was sent
    Failed,       // the port, the controller's answer or the sound failed (already shown)
};

// Records track 1-19 by the current transport (ComPort 0: DTMF). Without a file nothing is
// sent: the controller would erase the track and record on until it heard an "S" that never
// comes. Every box goes through the current Prompter; "Wav File Upload Complete." only after
// the whole file was played.
TrackRecordResult recordTrack(int track, const std::optional<std::filesystem::path>& file);

}  // namespace kelp
