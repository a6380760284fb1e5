// The download progress window as the download and the decoders drive it: a caption, a bar
// (hidden while decoding) and one visible label out of four. The GUI installs its window; the
// command line prints the steps; tests record them. The window's "&Escape" button sets
// downloadState().DownloadCancel.
#pragma once

#include <string>

namespace kelp {

// The one label that is visible while the window shows.
enum class ProgressLabel {
    DownloadingData,   // lblDownloading
    DecodeController,  // lblDecodeController
    DecodeAutopatch,   // lblDecodeAP
    DecodingRtc,       // lblDecodingRTC
};

// The window's own words.
extern const char* const kProgressDesignCaption;  // "Download From QZ-740"
extern const char* const kPleaseWaitText;         // "Please Wait" (Label1)
extern const char* const kEscapeButtonText;       // "&Escape"
const char* progressLabelText(ProgressLabel label);

class DownloadProgress {
  public:
    virtual ~DownloadProgress() = default;
    // Shows the window (modeless) with this caption and label; the bar is shown with the
    // given maximum and value 0, or hidden.
    virtual void show(const std::string& caption, ProgressLabel label, bool barVisible,
                      int barMaximum) = 0;
    virtual void setValue(int value) = 0;
    // Hides and unloads the window.
    virtual void hide() = 0;
};

// The process-wide progress display; until one is installed, one that shows nothing.
DownloadProgress& currentDownloadProgress();
// Installs one (not owned; it must outlive its use). nullptr restores the silent one.
void setCurrentDownloadProgress(DownloadProgress* progress);

class ScopedDownloadProgress {
  public:
    explicit ScopedDownloadProgress(DownloadProgress& progress);
    ~ScopedDownloadProgress();
    ScopedDownloadProgress(const ScopedDownloadProgress&) = delete;
    ScopedDownloadProgress& operator=(const ScopedDownloadProgress&) = delete;

  private:
    DownloadProgress* previous_;
};

// Shows the window for a scope and hides it however the scope ends.
class ProgressShown {
  public:
    ProgressShown(const std::string& caption, ProgressLabel label, bool barVisible, int barMaximum);
    ~ProgressShown();
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;
};

}  // namespace kelp
