// The unit an editor shows beside a setting's box ("1/10 seconds", "ms", "Hz"), by database
// key name; the windows and the configuration report both take it from here.
#pragma once

#include <string>
#include <string_view>

namespace kelp {

// The unit of a key ("HangTime1", "Delay2", "DTMFDur"); empty for a key shown without one.
const std::string& fieldUnit(std::string_view key);

}  // namespace kelp
