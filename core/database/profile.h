// Single-key access to an ini file, for the values that are written the moment they are
// known (a firmware version typed in, the RTC answer) and for kelp.ini. Each call reads the
// file afresh, and WriteSetting saves it at once (all or nothing). Code that touches many
// keys (the database file writer and loader) uses IniFile directly: parse once, save once.
#pragma once

#include <string>

namespace kelp {

// The value of [section] key in file, by the profile rules of IniFile::read: "" when the
// file or key is missing. A file that cannot be read is reported by the error reporter
// (module "Declarations", routine "ReadSetting", the file path as extra text) and reads "".
std::string ReadSetting(const std::string& section, const std::string& key,
                        const std::string& file);

// Sets [section] key in file, keeping everything else in the file, and saves it at once. A
// file that cannot be read or saved (or a text that cannot be stored) is reported by the
// error reporter (module "Declarations", routine "WriteSetting", the file path as extra
// text) and the file is left as it was.
void WriteSetting(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& file);

}  // namespace kelp
