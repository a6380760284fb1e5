// The three memory images the simulated controller sends on request, each as the items it
// goes out in: the main image one "address,value" line (with its CR LF) per item, the option
// boards one tagged line per chunk. The end markers are not part of the items; the session
// adds them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qz740sim {

struct MemoryImages {
    std::optional<std::vector<std::string>> main;
    std::optional<std::vector<std::string>> autopatch;
    std::optional<std::vector<std::string>> rtc;
};

// A main image file as the download stores it (or as another host saved it): one item per
// line, sent with CR LF whatever line end the file used. A last line "Complete" is the end
// marker of a stored image, not data, and is left out.
std::vector<std::string> mainImageItems(const std::string& fileText);

// An option image file as the download stores it: its lines one per chunk, each with the
// line end it has in the file (so the chunks put together give the file back), without the
// "Complete" that closes a stored image. A file that holds a CR anywhere ends its lines at
// CR LF or CR only, so an LF byte inside a payload (a voice word code of 10) stays in its
// line; a file without any CR ends its lines at LF.
std::vector<std::string> optionImageItems(const std::string& fileText);

// The whole file; throws std::runtime_error when it cannot be read.
std::string readFile(const std::string& path);

// Builds all three images from a database file, loaded as the program loads it (every check
// and repair, no questions asked: the loader's questions are answered No). Throws
// std::runtime_error when the file does not load. Settings the controller's memory cannot
// hold as they are go to problems, one line each.
MemoryImages imagesFromDatabase(const std::string& datPath, std::vector<std::string>& problems);

}  // namespace qz740sim
