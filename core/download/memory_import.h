// convert_Linux: copies a memory image saved by another host's download tool (line feeds
// alone as line ends) into path + ".win" with CR LF line ends, every line of it.
#pragma once

#include <string>

namespace kelp {

// The converted file's path (path + ".win"), or "" when the source could not be read or the
// copy could not be written; the error reporter has then said so (module "KelpMain",
// routine "convert_Linux").
std::string convert_Linux(const std::string& path);

}  // namespace kelp
