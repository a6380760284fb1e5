// The application folder: where kelp.ini, error.log, the downloaded .mem images and the
// Dwnld_ databases live.
#pragma once

#include <filesystem>

namespace kelp {

// $KELP_HOME when set; otherwise the per-user data folder: $XDG_DATA_HOME/Kelp, or
// ~/.local/share/Kelp (%APPDATA%\Kelp on Windows). An override set by setAppFolder wins over
// all of them. The folder is created when it does not exist yet; if that fails the path is
// still returned and the first file opened there reports the problem.
std::filesystem::path appFolder();

// Uses this folder from now on (a command-line option, a test's temporary folder). An empty
// path goes back to the environment's choice.
void setAppFolder(const std::filesystem::path& folder);

}  // namespace kelp
