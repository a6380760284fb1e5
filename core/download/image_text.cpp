#include "core/download/image_text.h"

#include <fstream>
#include <iterator>

#include "core/app/runtime_error.h"

namespace kelp {

std::vector<std::string> splitImageLines(const std::string& text) {
    std::vector<std::string> lines;
    const bool crEnds = text.find('\r') != std::string::npos;
    std::string line;
    bool open = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (crEnds && c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (!crEnds && c == '\n') {
        } else {
            line += c;
            open = true;
            continue;
        }
        lines.push_back(std::move(line));
        line.clear();
        open = false;
    }
    if (open)
        lines.push_back(std::move(line));
    return lines;
}

std::string readImageFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw RuntimeError(53, "File not found");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace kelp
