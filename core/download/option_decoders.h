// LoadAPEram and LoadRTCEram: the option boards' memory images ("apdownload.mem",
// "rtcdownload.mem", or imported copies) into settings of the controller database. Both run
// after LoadEram and add to what it filled: the RTC board extends the remote base memories
// (11-40), the message macros (41-70) and the DTMF memories (21-50).
//
// Each recognised line starts with a two-letter tag; other lines (the final "Complete"
// among them) are ignored. The lines are applied in one pass per tag, in tag order, so a
// later line for the same slot wins. A slot outside its range, or a slot that is not a
// number, ends the decoder through the error reporter (module "LoadEram"); the settings
// written before stay.
#pragma once

#include <string>
#include <vector>

namespace kelp {

class ControllerDatabase;

extern const char* const kDecodeApCaption;   // "Decode AP"
extern const char* const kDecodeRtcCaption;  // "Decode RTC"

// 0 on success, non-zero on failure (kDecodeOk / kDecodeFailed).
int LoadAPEram(const std::string& file);
int LoadAPEram(const std::string& file, ControllerDatabase& database);
int LoadRTCEram(const std::string& file);
int LoadRTCEram(const std::string& file, ControllerDatabase& database);

// The passes over lines already read; they throw where the decoders fail.
void decodeAutopatchLines(const std::vector<std::string>& lines, ControllerDatabase& database);
void decodeRtcLines(const std::vector<std::string>& lines, ControllerDatabase& database);

}  // namespace kelp
