#include "core/download/controller_copy.h"

#include <system_error>

#include "core/app/app_folder.h"
#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/app/prompter.h"
#include "core/database/dat_file.h"
#include "core/database/setting_flags.h"
#include "core/download/download_protocol.h"
#include "core/download/download_run.h"
#include "core/download/download_state.h"
#include "core/download/eram_decoder.h"
#include "core/download/eram_encoder.h"
#include "core/download/image_text.h"
#include "core/download/option_decoders.h"

namespace kelp {

namespace {

namespace fs = std::filesystem;

bool refused(const char* text) {
    currentPrompter().message(text, kOptionErrorTitle, MessageIcon::Exclamation);
    return false;
}

}  // namespace

bool downloadControllerCopy(ControllerDatabase& copy, const ControllerCopyOptions& options,
                            const fs::path& folder) {
    BusyGuard busy("The download");
    DownloadState& state = downloadState();
    createPrivateFolders(folder);
    state.Memfile = (folder / kMainImageName).string();
    state.APMemfile = (folder / kAutopatchImageName).string();
    state.RTCMemfile = (folder / kRtcImageName).string();
    state.DownloadCancel = false;
    copy.reset();

    if (!QZ740Download()) {
        currentPrompter().message(kDownloadErrorText, kDownloadErrorTitle,
                                  MessageIcon::Exclamation);
        return false;
    }
    if (LoadEram(state.Memfile, copy) != kDecodeOk) {
        currentPrompter().message(kEramDecodeErrorText, kEramDecodeErrorTitle,
                                  MessageIcon::Exclamation);
        return false;
    }
    copy.hasRtc = options.rtc;
    // A comparison or backup without an option image it asked for would be wrong, not just
    // short: it stops there.
    if (options.rtc && (!RTCDownload() || LoadRTCEram(state.RTCMemfile, copy) != kDecodeOk))
        return refused("The RTC Option data could NOT be downloaded");
    if (options.ap && (!APDownload() || LoadAPEram(state.APMemfile, copy) != kDecodeOk))
        return refused("The Autopatch Option data could NOT be downloaded");

    // The version step relocks the controller; its answer belongs to the copy, not to the
    // open database it would otherwise be stored in.
    ControllerDatabase& open = db();
    const std::string openVersion = open.firmwareVersion;
    VersionDownload();
    copy.firmwareVersion = open.firmwareVersion;
    open.firmwareVersion = openVersion;
    return true;
}

void asControllerWouldHold(const ControllerDatabase& database, ControllerDatabase& held,
                           const ControllerCopyOptions& options) {
    const EramEncoding main = encodeEram(database);
    std::vector<std::string> values;
    for (const std::string& line : splitImageLines(eramImageText(main.records)))
        values.push_back(eramRecordValue(line));
    held.reset();
    std::string step;
    decodeEramValues(values, held, step);
    if (options.rtc)
        decodeRtcLines(splitImageLines(optionImageText(rtcImageLines(database))), held);
    if (options.ap)
        decodeAutopatchLines(splitImageLines(optionImageText(autopatchImageLines(database))), held);
    held.hasRtc = options.rtc;
}

std::vector<SettingDifference> controllerDifferences(const ControllerDatabase& file,
                                                     const ControllerDatabase& controller,
                                                     const ControllerCopyOptions& options) {
    ControllerDatabase held;
    asControllerWouldHold(file, held, options);
    ControllerDatabase copy = controller;
    copy.hasRtc = options.rtc;
    return settingDifferences(held, copy);
}

int flagControllerDifferences(ControllerDatabase& file, const ControllerDatabase& controller,
                              const ControllerCopyOptions& options) {
    ControllerDatabase held;
    asControllerWouldHold(file, held, options);
    ControllerDatabase copy = controller;
    copy.hasRtc = options.rtc;
    return flagDifferences(file, held, copy);
}

bool backUpController(const ControllerCopyOptions& options, const fs::path& folder,
                      const std::string& stamp, fs::path& written) {
    BusyGuard busy("The backup of the controller");
    ControllerDatabase copy;
    if (!downloadControllerCopy(copy, options, folder / "backup-images"))
        return false;
    const fs::path target = folder / ("Backup_" + stamp + ".dat");
    copy.currentFile = target.string();
    if (!FileWrite(copy))
        return false;
    written = target;
    return true;
}

const char* const kBackupFailedTitle = "Backup Failed";

bool backUpBeforeUpload(const ControllerDatabase& database, bool ap, fs::path& written) {
    ControllerCopyOptions options;
    options.rtc = database.hasRtc;
    options.ap = ap;
    if (backUpController(options, appFolder(), downloadStamp(currentClock().wallClock()), written))
        return true;
    currentPrompter().message(
        "The controller's memory could not be backed up, so nothing was sent to it.\r\n\r\n"
        "Check the cable and try again, or send the complete configuration without a backup.",
        kBackupFailedTitle, MessageIcon::Exclamation);
    return false;
}

}  // namespace kelp
