#include "core/download/memory_import.h"

#include "core/app/error_reporter.h"
#include "core/app/runtime_error.h"
#include "core/database/atomic_file.h"
#include "core/download/image_text.h"

namespace kelp {

std::string convert_Linux(const std::string& path) {
    const std::string target = path + ".win";
    try {
        const std::vector<std::string> lines = splitImageLines(readImageFile(path));
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        try {
            writeFileAtomically(target, text);
        } catch (const std::exception&) {
            throw RuntimeError(75, "Path/File access error");
        }
        return target;
    } catch (...) {
        reportError("KelpMain", "convert_Linux", std::string(),
                    "Error while converting file " + path + " from Linux to Windows");
        return std::string();
    }
}

}  // namespace kelp
