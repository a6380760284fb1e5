// Reading memory image files: the main image, the option images and imported copies from
// other hosts all come as text of lines, with CR LF, CR or LF alone as line ends.
#pragma once

#include <string>
#include <vector>

namespace kelp {

// The lines of an image's text, without their line ends. A text that holds a CR anywhere
// ends its lines at CR LF or CR only, so an LF byte inside an option image's payload (a
// voice word code of 10) stays in its line; a text without any CR ends its lines at LF.
// A last line without a line end counts; nothing after the last line end does.
std::vector<std::string> splitImageLines(const std::string& text);

// The whole file; throws RuntimeError 53 "File not found" when it cannot be opened.
std::string readImageFile(const std::string& path);

}  // namespace kelp
