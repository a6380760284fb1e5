// kelp-cli record-track FILE.wav --track N --port DEVICE: records voice recorder track N
// (1-19) from a WAV file over the serial line, for a site computer without a screen: the
// controller erases the track and starts recording, the file plays through the computer's
// sound output into the controller's audio input, and "S" stops the recording when the file
// has ended. A file that is not a playable PCM WAV is refused before anything is sent.
// Exit status (exit_status.h): 0 recorded, 2 also when the file could not be played.
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/serial_session.h"
#include "core/app/scripted_prompter.h"
#include "core/link/dtmf_tones.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/sound_output.h"
#include "core/link/track_record.h"

#ifdef KELP_WITH_PLATFORM
#include "platform/qt_sound_output.h"
#endif

namespace kelp::cli {

namespace {

int usage(CliStreams& io, const std::string& why) {
    io.err << "kelp-cli record-track: " << why
           << "\nUsage: kelp-cli record-track FILE.wav --track N --port DEVICE\n";
    return kExitUsage;
}

bool parseTrack(const std::string& text, int& track) {
    if (text.empty() || text.size() > 2 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    track = std::stoi(text);
    return track >= 1 && track <= kRecorderTracks;
}

}  // namespace

int runRecordTrack(const std::vector<std::string>& args, CliStreams& io) {
    std::string file;
    std::string device;
    int track = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--port" || args[i] == "--track") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usage(io, args[i] + " needs a value");
            const std::string& value = args[++i];
            if (args[i - 1] == "--port")
                device = value;
            else if (!parseTrack(value, track))
                return usage(io,
                             "--track is a voice recorder track from 1 to 19, not '" + value + "'");
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return usage(io, "unknown option '" + args[i] + "'");
        } else if (file.empty()) {
            file = args[i];
        } else {
            return usage(io, "name one WAV file");
        }
    }
    if (file.empty() || device.empty() || track == 0)
        return usage(io, "name the WAV file, the --track and the --port");
    // Before the port is opened: a file that cannot be played must not cost the track.
    if (const auto problem = trackFileProblem(file)) {
        io.err << "kelp-cli record-track: " << *problem << "\nNothing was sent.\n";
        return kExitUsage;
    }

    SerialSession session;
#ifdef KELP_WITH_PLATFORM
    QtSoundOutput sound;
    ScopedSoundOutput scopedSound(sound);
#endif
    ScriptedPrompter prompter;
    prompter.setEcho(&io.err);
    ScopedPrompter scopedPrompter(prompter);

    loadLinkPreferences();  // SerialDelay as the program uses it
    LinkPreferences& prefs = linkPreferences();
    prefs.ComPort = 1;
    prefs.deviceOverride = device;

    switch (recordTrack(track, std::filesystem::path(file))) {
        case TrackRecordResult::Recorded:
            io.out << "Track " << track << " recorded from " << file << ".\n";
            return kExitOk;
        case TrackRecordResult::FileRefused:
            return kExitUsage;
        case TrackRecordResult::NoFile:
        case TrackRecordResult::Failed:
            break;
    }
    io.err << "kelp-cli record-track: track " << track << " was not recorded\n";
    if (session.linkFailed())
        return kExitLink;
    // The sound output said the file would not play; the controller took both lines.
    const auto boxes = prompter.messageBoxes();
    const bool soundFailed = !boxes.empty() && boxes.back().title == kSoundErrorTitle;
    return soundFailed ? kExitUsage : kExitController;
}

}  // namespace kelp::cli
