// LoadEram: turns a main memory image file ("download.mem", or an imported copy) into
// settings of the controller database, walking the layout table of eram_layout.h.
//
// It runs after the database reset; settings it does not fill stay empty until FileLoad
// validates the written database and gives them their defaults. A failure (an image that
// ends early, a record that is not a number where one is needed) is reported through the
// error reporter with module "LoadEram", the label of the step that failed and "Error in
// decoding download file"; the settings filled by earlier steps stay.
#pragma once

#include <string>
#include <vector>

namespace kelp {

class ControllerDatabase;

// The decoders' results: 0 success, anything else failure.
constexpr int kDecodeOk = 0;
constexpr int kDecodeFailed = 1;

extern const char* const kDecodeEramCaption;  // "Decoding ERAM"

int LoadEram(const std::string& file);
int LoadEram(const std::string& file, ControllerDatabase& database);

// The value text of one image line: the text after its first comma (the whole line when it
// has no comma).
std::string eramRecordValue(const std::string& line);

// Decodes record values (record 0 first) into the database. Throws on the first record that
// is missing or unreadable; stepLabel names the step in progress at every moment.
void decodeEramValues(const std::vector<std::string>& values, ControllerDatabase& database,
                      std::string& stepLabel);

}  // namespace kelp
