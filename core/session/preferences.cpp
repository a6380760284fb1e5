#include "core/session/preferences.h"

#include <array>
#include <cctype>
#include <cmath>
#include <limits>
#include <locale>
#include <sstream>
#include <system_error>

#include "core/app/app_folder.h"
#include "core/app/runtime_error.h"
#include "core/database/ini_file.h"

namespace kelp {

const char* const kPreferencesSection = "Main";

namespace {

const char* const kWidthKey = "Window Width";
const char* const kHeightKey = "Window Height";
const char* const kTopKey = "Window Top";
const char* const kLeftKey = "Window Left";
const char* const kStateKey = "Window State";
const char* const kMemFileKey = "MemFile";

RuntimeError typeMismatch() {
    return RuntimeError(13, "Type mismatch");
}

// A single-precision style number as the old program read it: blanks around it allowed,
// nothing else. The classic locale keeps "1.5" meaning one and a half everywhere.
double strictNumber(const std::string& text) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double value = 0;
    in >> value;
    if (in.fail())
        throw typeMismatch();
    in >> std::ws;
    if (!in.eof() || !std::isfinite(value))
        throw typeMismatch();
    return value;
}

// Writes a number without a useless ".000000" and without exponent for window sizes.
std::string decimalText(double value) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        out << static_cast<long long>(value);
    else
        out << value;
    return out.str();
}

void writePlacement(IniFile& ini, const std::string& section, const WindowPlacement& placement) {
    ini.write(section, kWidthKey, decimalText(placement.width));
    ini.write(section, kHeightKey, decimalText(placement.height));
    ini.write(section, kTopKey, decimalText(placement.top));
    ini.write(section, kLeftKey, decimalText(placement.left));
    ini.write(section, kStateKey, std::to_string(placement.state));
}

}  // namespace

std::filesystem::path preferencesFile() {
    return appFolder() / "kelp.ini";
}

long lenientNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    const long long limit = std::numeric_limits<long>::max();
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit)
            value = limit;  // keeps a silly long number from wrapping
    }
    return static_cast<long>(negative ? -value : value);
}

std::string lastRcFileKey(int k) {
    return "LastRCFile(" + std::to_string(k) + ")";
}

Preferences::Preferences(std::filesystem::path file) : file_(std::move(file)) {}

bool Preferences::fileExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored);
}

std::optional<WindowPlacement> Preferences::readWindowPlacement(const std::string& section) const {
    const IniFile ini = IniFile::load(file_);
    const std::array<const char*, 5> keys{kWidthKey, kHeightKey, kTopKey, kLeftKey, kStateKey};
    std::array<std::string, 5> text;
    bool any = false;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        text[i] = ini.read(section, keys[i]);
        any = any || !text[i].empty();
    }
    if (!any)
        return std::nullopt;

    WindowPlacement p;
    p.width = strictNumber(text[0]);
    p.height = strictNumber(text[1]);
    p.top = strictNumber(text[2]);
    p.left = strictNumber(text[3]);
    const double state = std::nearbyint(strictNumber(text[4]));
    if (state < -32768 || state > 32767)
        throw RuntimeError(6, "Overflow");
    p.state = static_cast<int>(state);
    return p;
}

RecentFiles Preferences::readRecentFiles(
    const std::function<bool(const std::string&)>& exists) const {
    const IniFile ini = IniFile::load(file_);
    RecentFiles recent;
    for (int k = RecentFiles::kMaxEntries; k >= 1; --k) {
        const std::string path = ini.read(kPreferencesSection, lastRcFileKey(k));
        if (!path.empty() && exists(path))
            recent.fUpdateFilesList(path);
    }
    return recent;
}

std::string Preferences::memFile() const {
    return IniFile::load(file_).read(kPreferencesSection, kMemFileKey);
}

void Preferences::writeMemFile(const std::string& path) const {
    IniFile ini = IniFile::load(file_);
    if (ini.write(kPreferencesSection, kMemFileKey, path))
        ini.save(file_);
}

void Preferences::writeWindowPlacement(const std::string& section,
                                       const WindowPlacement& placement) const {
    IniFile ini = IniFile::load(file_);
    writePlacement(ini, section, placement);
    if (ini.modified() || !std::filesystem::exists(file_))
        ini.save(file_);
}

void Preferences::writeExitSettings(const WindowPlacement& placement,
                                    const RecentFiles& recent) const {
    IniFile ini = IniFile::load(file_);
    writePlacement(ini, kPreferencesSection, placement);
    for (int k = 1; k <= RecentFiles::kMaxEntries; ++k)
        ini.write(kPreferencesSection, lastRcFileKey(k), recent.item(k));
    // A file that already held exactly these values is left untouched on disk.
    if (ini.modified() || !std::filesystem::exists(file_))
        ini.save(file_);
}

}  // namespace kelp
