// kelp-cli dtmf-wav DIGITS OUT.wav [--delay MS]: the DTMF audio the program would play for
// DIGITS, written to one WAV file (8000 Hz, 16 bits, two channels) instead of a sound card:
// per digit its pause, then its 100 ms tone exactly as played. For checking a decoder or a
// radio path without a transmitter.
#include <cctype>

#include "cli/cli_command.h"
#include "core/app/clock.h"
#include "core/database/field_checks.h"
#include "core/link/dtmf_sender.h"
#include "core/link/dtmf_tones.h"
#include "core/link/link_preferences.h"
#include "core/link/sound_output.h"
#include "core/link/wav_file_sound_output.h"

namespace kelp::cli {

namespace {

constexpr const char* kUsage = "usage: kelp-cli dtmf-wav DIGITS OUT.wav [--delay MS]";

}  // namespace

int runDtmfWav(const std::vector<std::string>& args, CliStreams& io) {
    std::vector<std::string> positional;
    std::string delayText;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--delay") {
            if (i + 1 >= args.size()) {
                io.err << "kelp-cli dtmf-wav: --delay needs milliseconds\n" << kUsage << '\n';
                return kExitUsage;
            }
            delayText = args[++i];
            std::int64_t ms = 0;
            if (!parseDigits(delayText, ms) || ms > 600000) {
                io.err << "kelp-cli dtmf-wav: --delay wants whole milliseconds (0-600000), not '"
                       << delayText << "'\n";
                return kExitUsage;
            }
        } else if (args[i].size() > 2 && args[i].rfind("--", 0) == 0) {
            io.err << "kelp-cli dtmf-wav: unknown option '" << args[i] << "'\n" << kUsage << '\n';
            return kExitUsage;
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2 || positional[0].empty() || positional[1].empty()) {
        io.err << "kelp-cli dtmf-wav: give the digits and the output file\n" << kUsage << '\n';
        return kExitUsage;
    }
    const std::string& digits = positional[0];
    for (const char c : digits) {
        if (!isDtmfDigit(static_cast<char>(std::toupper(static_cast<unsigned char>(c))))) {
            io.err << "kelp-cli dtmf-wav: '" << c << "' is not a DTMF digit (0-9, *, #, A-D)\n";
            return kExitUsage;
        }
    }

    LinkPreferences& prefs = linkPreferences();
    if (delayText.empty()) {
        loadLinkPreferences();  // the operator's DTMFDelay
    } else {
        std::int64_t ms = 0;
        parseDigits(delayText, ms);
        prefs.DTMFDelay = static_cast<std::int32_t>(ms);
    }

    // The recording is both the sound output and the clock: each pause becomes silence.
    WavFileSoundOutput recording;
    ScopedSoundOutput scopedOutput(recording);
    ScopedClock scopedClock(recording);
    SendDigits(digits);
    if (soundFailed()) {
        io.err << "kelp-cli dtmf-wav: " << recording.errorText() << '\n';
        return kExitUsage;
    }
    std::string error;
    if (!recording.save(positional[1], error)) {
        io.err << "kelp-cli dtmf-wav: " << error << '\n';
        return kExitUsage;
    }
    return kExitOk;
}

}  // namespace kelp::cli
