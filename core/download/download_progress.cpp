#include "core/download/download_progress.h"

#include "core/download/download_state.h"

namespace kelp {

const char* const kProgressDesignCaption = "Download From QZ-740";
const char* const kPleaseWaitText = "Please Wait";
const char* const kEscapeButtonText = "&Escape";

const char* const kMainImageName = "download.mem";
const char* const kAutopatchImageName = "apdownload.mem";
const char* const kRtcImageName = "rtcdownload.mem";

const char* progressLabelText(ProgressLabel label) {
    switch (label) {
        case ProgressLabel::DownloadingData:
            return "Downloading Data";
        case ProgressLabel::DecodeController:
            return "Decoding Controller Data";
        case ProgressLabel::DecodeAutopatch:
            return "Decoding Autopatch Data";
        case ProgressLabel::DecodingRtc:
            return "Decoding RTC Data";
    }
    return "";
}

DownloadState& downloadState() {
    static DownloadState state;
    return state;
}

namespace {

class SilentProgress final : public DownloadProgress {
  public:
    void show(const std::string&, ProgressLabel, bool, int) override {}
    void setValue(int) override {}
    void hide() override {}
};

DownloadProgress* installedProgress = nullptr;

}  // namespace

DownloadProgress& currentDownloadProgress() {
    static SilentProgress silent;
    return installedProgress != nullptr ? *installedProgress : silent;
}

void setCurrentDownloadProgress(DownloadProgress* progress) {
    installedProgress = progress;
}

ScopedDownloadProgress::ScopedDownloadProgress(DownloadProgress& progress)
    : previous_(installedProgress) {
    installedProgress = &progress;
}

ScopedDownloadProgress::~ScopedDownloadProgress() {
    installedProgress = previous_;
}

ProgressShown::ProgressShown(const std::string& caption, ProgressLabel label, bool barVisible,
                             int barMaximum) {
    currentDownloadProgress().show(caption, label, barVisible, barMaximum);
}

ProgressShown::~ProgressShown() {
    currentDownloadProgress().hide();
}

}  // namespace kelp
