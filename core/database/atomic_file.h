// The one place Kelp writes a whole file: the contents go to a temporary file beside the
// target, which is flushed to the disk, closed and renamed over the target, and then the
// folder is flushed too, so that a power cut at a repeater site leaves the old file or the
// new one, never an empty or half-written one. Any failure before the rename leaves the
// target byte for byte as it was, removes the temporary file and throws
// std::filesystem::filesystem_error; once renamed, the save has succeeded.
//
// A file Kelp creates is its owner's alone (0600): a database, a record, an image, a log or a
// report may hold the unlock and lock codes, the keys to the repeater. A file that exists
// keeps the permissions its owner gave it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string_view>

namespace kelp {

// The steps of a write, in order.
enum class FileWriteStep { Create, Write, Flush, Close, Rename, FlushFolder };

// Writes `contents` as the file `target` all or nothing. A symbolic link is followed (the
// file it points to is replaced); an existing target's permissions carry over, a new one is
// created readable and writable by its owner only, or with `newFileMode` exactly (whatever
// the umask) for a file meant to be read by others, such as a watch's metrics.
void writeFileAtomically(const std::filesystem::path& target, std::string_view contents,
                         std::filesystem::perms newFileMode = std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_write);

// For the files written line by line as things happen (error.log, serial traces), which the
// careful writer cannot stage: creates `file` empty and owner-only when it does not exist
// yet, so that the stream opened on it afterwards writes into a private file. An existing
// file is left as it is; a file that cannot be created is left to the stream to report.
void createPrivateFile(const std::filesystem::path& file);

// How many writes have failed since the program started: a command that builds a file from
// several writes compares it before and after, and puts nothing in place when one failed.
std::size_t failedFileWriteCount();

// For tests: called before each step; a step for which it returns true fails as the system
// would fail it (disk full, I/O error). Empty: no faults.
void setFileWriteFault(std::function<bool(FileWriteStep)> fault);

}  // namespace kelp
