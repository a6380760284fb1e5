// The controller's memory images built from a controller database: the inverse of the
// decoders, walking the same layout table. The controller simulator serves these images, and
// tests run databases through encode and decode.
//
// Some settings cannot be held by the controller's memory as they are (a macro code with a
// "D", a meter calibration with a byte of 255, a text longer than its slot); the encoder
// writes what the memory can hold and lists each such setting among its problems.
#pragma once

#include <string>
#include <vector>

namespace kelp {

class ControllerDatabase;

struct EramEncoding {
    std::vector<long> records;          // kEramRecordCount bytes, record 0 first
    std::vector<std::string> problems;  // "MacroCode(3): ..." one line per setting
};

// The main memory image of the database.
EramEncoding encodeEram(const ControllerDatabase& database);

// The main image as the controller sends it and the download stores it: one line per
// record, "address,value", each ending in CR LF (the address is the record number).
std::string eramImageText(const std::vector<long>& records);

// The lines the option boards send, each ending in CR LF: the autopatch board's "RA", "RT",
// "RS" and "RR" lines (slots that hold nothing are not sent), and the RTC board's "T1",
// "T2" and "T3" lines for the remote base memories 11-40, message macros 41-70 and DTMF
// memories 21-50 that are in use. Problems are added as for the main image.
std::vector<std::string> autopatchImageLines(const ControllerDatabase& database,
                                             std::vector<std::string>* problems = nullptr);
std::vector<std::string> rtcImageLines(const ControllerDatabase& database,
                                       std::vector<std::string>* problems = nullptr);

// An option image file as the download stores it: the lines one after the other, then
// "Complete" without a line end.
std::string optionImageText(const std::vector<std::string>& lines);

}  // namespace kelp
