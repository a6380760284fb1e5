// What a download run shares between its steps: the paths of the three memory image files
// and the cancel flag that the progress window's "&Escape" button sets.
#pragma once

#include <string>

namespace kelp {

struct DownloadState {
    // Full paths of the image files, set at the start of every download or import run.
    std::string Memfile;
    std::string APMemfile;
    std::string RTCMemfile;
    // Set by "&Escape"; every receive loop tests it on every pass and clears it when it
    // honours it, so the next step starts uncancelled.
    bool DownloadCancel = false;
};

DownloadState& downloadState();

// The image file names inside the application folder.
extern const char* const kMainImageName;       // "download.mem"
extern const char* const kAutopatchImageName;  // "apdownload.mem"
extern const char* const kRtcImageName;        // "rtcdownload.mem"

}  // namespace kelp
