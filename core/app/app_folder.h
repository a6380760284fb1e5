// The application folder: where kelp.ini, error.log, the downloaded .mem images and the
// Dwnld_ databases live. It is private (0700): nearly everything in it can hold the unlock
// and lock codes.
#pragma once

#include <filesystem>

namespace kelp {

// $KELP_HOME when set; otherwise the per-user data folder: $XDG_DATA_HOME/Kelp, or
// ~/.local/share/Kelp (%APPDATA%\Kelp on Windows). An override set by setAppFolder wins over
// all of them. The folder is created when it does not exist yet; if that fails the path is
// still returned and the first file opened there reports the problem. The per-user folder
// is Kelp's own and is made private when an older Kelp left it open to others; a folder
// named by $KELP_HOME or setAppFolder keeps the permissions its owner gave it.
std::filesystem::path appFolder();

// Creates the folder and whichever of its parents are missing, each one it creates private
// (0700). False when the folder is not there afterwards.
bool createPrivateFolders(const std::filesystem::path& folder);

// Uses this folder from now on (a command-line option, a test's temporary folder). An empty
// path goes back to the environment's choice.
void setAppFolder(const std::filesystem::path& folder);

}  // namespace kelp
