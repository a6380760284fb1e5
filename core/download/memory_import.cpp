#include "core/download/memory_import.h"

#include <fstream>

#include "core/app/error_reporter.h"
#include "core/app/runtime_error.h"
#include "core/download/image_text.h"

namespace kelp {

std::string convert_Linux(const std::string& path) {
    const std::string target = path + ".win";
    try {
        const std::vector<std::string> lines = splitImageLines(readImageFile(path));
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        if (!out)
            throw RuntimeError(75, "Path/File access error");
        for (const std::string& line : lines) out << line << "\r\n";
        out.close();
        if (!out)
            throw RuntimeError(75, "Path/File access error");
        return target;
    } catch (...) {
        reportError("KelpMain", "convert_Linux", std::string(),
                    "Error while converting file " + path + " from Linux to Windows");
        return std::string();
    }
}

}  // namespace kelp
