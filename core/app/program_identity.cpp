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

std::string firmwareVersionFromAnswer(const std::string& beforePlus) {
    std::string version;
    for (char c : beforePlus)
        if (c != '\r' && c != '\n')
            version += c;
    const auto first = version.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return version.substr(first, version.find_last_not_of(" \t") - first + 1);
}

}  // namespace kelp
