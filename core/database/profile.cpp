#include "core/database/profile.h"

#include "core/app/error_reporter.h"
#include "core/database/ini_file.h"

namespace kelp {

std::string ReadSetting(const std::string& section, const std::string& key,
                        const std::string& file) {
    try {
        return IniFile::load(file).read(section, key);
    } catch (...) {
        reportError("Declarations", "ReadSetting", "", file);
        return std::string();
    }
}

void WriteSetting(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& file) {
    try {
        IniFile ini = IniFile::load(file);
        if (ini.write(section, key, value))
            ini.save(file);
    } catch (...) {
        reportError("Declarations", "WriteSetting", "", file);
    }
}

}  // namespace kelp
