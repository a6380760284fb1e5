#include "core/link/track_record.h"

#include <stdexcept>

#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/app/error_reporter.h"
#include "core/app/program_identity.h"
#include "core/app/prompter.h"
#include "core/link/dtmf_sender.h"
#include "core/link/dtmf_tones.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/serial_port.h"
#include "core/link/sound_output.h"
#include "core/link/wav_image.h"

namespace kelp {

const char* const kTrackUploadCompleteText = "Wav File Upload Complete.";
const char* const kTrackFileTitle = "Voice Recorder Track";
const char* const kTrackNoFileText =
    "No WAV file has been chosen for the voice recorder track. Choose one with \"Load Wav\" "
    "first.\r\nNothing was sent to the QZ740; the track is as it was.";

namespace {

constexpr std::int64_t kDtmfPauseMs = 500;
const char* const kTrackErase = "*7002";
const char* const kTrackRecord = "*7001";

// The controller records until it hears "S"; the file is played in between.
const char* const kStartRecording = "G";
const char* const kStopRecording = "S";

void requireTrack(int track) {
    if (track < 1 || track > kRecorderTracks)
        throw std::out_of_range("recorder track " + std::to_string(track));
}

// A file that did not play leaves the track without its recording: say so, in place of the
// completion message.
void reportSoundFailure(const std::filesystem::path& file) {
    std::string reason = currentSoundOutput().errorText();
    if (reason.empty())
        reason = "the sound output could not play it";
    currentPrompter().message("The file " + file.string() +
                                  " could not be played into the voice recorder track: " + reason +
                                  ".\r\nThe track does not hold this recording.",
                              kSoundErrorTitle, MessageIcon::Critical);
}

// "*7002" or "*7001" with the track number, then the D tone, as the controller takes a
// track command over the air.
void playTrackCommand(const char* command, int track) {
    SendCode(command);
    SendDigits(std::to_string(track));
    SendTone("16");
}

TrackRecordResult recordSerial(int track, const std::filesystem::path& file) {
    SerialPort& port = currentSerialPort();
    LinkState& link = linkState();
    TrackRecordResult result = TrackRecordResult::Failed;
    bool soundTrouble = false;
    try {
        if (!port.isOpen())
            OpenPort();
        if (!link.PortOpenError && port.isOpen()) {
            link.ResponseError = false;
            SendStr(trackEraseLine(track) + "\r");
            CheckInput(std::string(kTrackErase) + std::to_string(track) + "\r");
            if (!link.ResponseError) {
                SendStr(trackRecordLine(track) + "\r");
                SendStr(kStartRecording);
                soundTrouble = !PlayFile(file);
                // Stopped whatever happened to the sound: the controller would record on.
                SendStr(kStopRecording);
                result = soundTrouble ? TrackRecordResult::Failed : TrackRecordResult::Recorded;
            }
        }
    } catch (...) {
        reportError("MessageMacros", "SendToQZ740");
        result = TrackRecordResult::Failed;
    }
    try {
        if (port.isOpen())
            port.close();
    } catch (...) {
        reportError("MessageMacros", "SendToQZ740");
    }
    link.ResponseError = false;
    if (soundTrouble)
        reportSoundFailure(file);
    return result;
}

TrackRecordResult recordDtmf(int track, const std::filesystem::path& file) {
    LinkState& link = linkState();
    TrackRecordResult result = TrackRecordResult::Failed;
    bool soundTrouble = false;
    {
        TransmitterKey key;
        if (!key.keyed())
            return TrackRecordResult::Failed;
        Clock& clock = currentClock();
        link.ResponseError = false;
        // Keyed first, as Set Clock does: the unlock code must not be lost in the key-up.
        clock.sleepMs(linkPreferences().TxTemp);
        SendUnlock(1);
        clock.sleepMs(kDtmfPauseMs);
        playTrackCommand(kTrackErase, track);
        clock.sleepMs(kDtmfPauseMs);
        playTrackCommand(kTrackRecord, track);
        if (!soundFailed() && !link.ResponseError) {
            soundTrouble = !PlayFile(file);
            result = soundTrouble ? TrackRecordResult::Failed : TrackRecordResult::Recorded;
            SendLock();
            if (soundFailed())
                result = TrackRecordResult::Failed;
        }
    }  // released before any box, so the transmitter never waits on the operator
    link.ResponseError = false;
    if (soundTrouble)
        reportSoundFailure(file);
    return result;
}

}  // namespace

std::optional<std::string> trackFileProblem(const std::filesystem::path& file) {
    const std::string named = "The file " + file.string() + " cannot be recorded: ";
    const std::string advice =
        ".\r\nChoose an uncompressed PCM WAV file (8 or 16 bits, mono or stereo).";
    const auto bytes = readFileBytes(file.string());
    if (!bytes)
        return named + "it cannot be read" + advice;
    std::string why;
    const std::optional<WavFormat> format = parseWav(*bytes, &why);
    if (!format)
        return named + why + advice;
    if (format->frames() == 0)
        return named + "the WAV file holds no sound" + advice;
    return std::nullopt;
}

std::string trackEraseLine(int track) {
    requireTrack(track);
    return "1" + std::string(kTrackErase) + std::to_string(track);
}

std::string trackRecordLine(int track) {
    requireTrack(track);
    return "1" + std::string(kTrackRecord) + std::to_string(track);
}

TrackRecordResult recordTrack(int track, const std::optional<std::filesystem::path>& file) {
    BusyGuard busy("The voice recorder track");
    requireTrack(track);
    if (!file) {
        currentPrompter().message(kTrackNoFileText, kTrackFileTitle, MessageIcon::Exclamation);
        return TrackRecordResult::NoFile;
    }
    if (const std::optional<std::string> problem = trackFileProblem(*file)) {
        currentPrompter().message(*problem, kTrackFileTitle, MessageIcon::Exclamation);
        return TrackRecordResult::FileRefused;
    }
    const TrackRecordResult result =
        linkPreferences().ComPort == 0 ? recordDtmf(track, *file) : recordSerial(track, *file);
    if (result == TrackRecordResult::Recorded)
        currentPrompter().message(kTrackUploadCompleteText, kProgramBoxTitle);
    return result;
}

}  // namespace kelp
