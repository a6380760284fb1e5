// The download exchange with the controller over the serial link: the main memory image,
// the autopatch and RTC option images and the firmware version. Each step opens the port
// when it is closed and closes it when it ends, so the port is closed between steps.
//
// Every wait runs on the current Clock and the serial timers (KelpMainSerialTimer counts
// seconds without a complete line, KelpMainSerialTimer2 the whole step), so tests run the
// five-second and six-minute limits in virtual time. The receive loops test
// downloadState().DownloadCancel on every pass.
#pragma once

#include <string>

namespace kelp {

// Box texts and titles of the receive loops.
extern const char* const kSerialTimeoutTitle;   // "Serial Timeout"
extern const char* const kSerial2TimeoutTitle;  // "Serial 2 Timeout"
extern const char* const kMainTimeoutText;
extern const char* const kAutopatchTimeoutText;
extern const char* const kRtcTimeoutText;
extern const char* const kDownloadCanceledText;  // "Download Canceled. Click OK to return to Kelp"

// Progress window captions of the three receive loops.
extern const char* const kMainDownloadCaption;       // "Downloading From QZ740"
extern const char* const kAutopatchDownloadCaption;  // "Downloading From Autopatch"
extern const char* const kRtcDownloadCaption;        // "Downloading From RTC"

// The limits of the receive loops.
constexpr int kMainImageBarMaximum = 4096;  // also the line count that ends the main image
constexpr int kAutopatchBarMaximum = 10;
constexpr int kRtcBarMaximum = 50;
constexpr int kLineTimeoutTicks = 5;         // seconds without a complete line or chunk
constexpr int kMainImageTimeoutTicks = 360;  // seconds for the whole main image
constexpr int kCableAnswerMs = 50;         // a line's answer to "OK" on a cable, at most
constexpr int kLongestRoundTripMs = 300;   // the network round trip the limit makes room for
constexpr int kOptionTimeoutTicks = 180;     // seconds for a whole option image
constexpr int kVersionTimeoutTicks = 3;

// Each returns true when its end marker arrived. The images go to the files named in
// downloadState(); VersionDownload stores the answer as the database's firmware version
// (empty when none came).
bool QZ740Download();
bool APDownload();
bool RTCDownload();
bool VersionDownload();

// The line that locks the controller again after an option or version step: the database's
// Lock code, its Terminator digit and "\r".
std::string relockLine();

}  // namespace kelp
