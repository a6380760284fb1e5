#include "core/app/program_identity.h"

namespace kelp {

namespace {
constexpr int kMajor = KELP_VERSION_MAJOR;
constexpr int kMinor = KELP_VERSION_MINOR;
constexpr int kRevision = KELP_VERSION_PATCH;
}  // namespace

const char* const kProgramBoxTitle = "Kelp";

std::string programVersion() {
    // The minor version and revision are written as digits side by side: 7.0 rev 0 -> "7.00".
    return std::to_string(kMajor) + "." + std::to_string(kMinor) + std::to_string(kRevision);
}

std::string firmwarePrefix() { return std::to_string(kMajor) + std::to_string(kMinor); }

std::string versionLabel() {
    return "Version " + std::to_string(kMajor) + "." + std::to_string(kMinor) + "." +
           std::to_string(kRevision);
}

std::optional<std::string> firmwareVersionInAnswer(const std::string& answer) {
    std::size_t start = 0;
    for (std::size_t plus = answer.find('+'); plus != std::string::npos;
         start = plus + 1, plus = answer.find('+', start)) {
        std::string version;
        for (std::size_t i = start; i < plus; ++i)
            if (answer[i] != '\r' && answer[i] != '\n')
                version += answer[i];
        const auto first = version.find_first_not_of(" \t");
        if (first != std::string::npos)
            return version.substr(first, version.find_last_not_of(" \t") - first + 1);
    }
    return std::nullopt;
}

}  // namespace kelp
