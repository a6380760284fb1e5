// The program's own settings in kelp.ini, section [Main]: the main window's geometry, the
// recent files list and the last memory image file. (The link keys of the same section are
// read and written by the serial link's preferences.)
//
// The geometry is kept in twips, 15 to a pixel, so a kelp.ini carried over from an older
// installation restores the window at the size it had there.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/session/recent_files.h"

namespace kelp {

extern const char* const kPreferencesSection;  // "Main"
constexpr int kTwipsPerPixel = 15;

// kelp.ini in the application folder.
std::filesystem::path preferencesFile();

// The lenient decimal conversion of the numeric link keys: leading blanks, an optional sign
// and the digits that follow; anything else (a missing key, "abc") is 0. "12ms" reads 12.
long lenientNumber(std::string_view text);

enum class WindowState { Normal = 0, Minimised = 1, Maximised = 2 };

// The main window's size and position in twips, and its state (0 normal, 1 minimised,
// 2 maximised).
struct WindowPlacement {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    int state = 0;

    bool operator==(const WindowPlacement& o) const {
        return left == o.left && top == o.top && width == o.width && height == o.height &&
               state == o.state;
    }
};

class Preferences {
  public:
    explicit Preferences(std::filesystem::path file = preferencesFile());
    const std::filesystem::path& file() const { return file_; }

    // "Window Width", "Window Height", "Window Top", "Window Left", "Window State". Nothing
    // when none of the five keys is there (the first start on this machine). A key that is
    // missing while others are there, or that is not a number, throws
    // RuntimeError(13, "Type mismatch"); a state outside 16 bits throws RuntimeError(6,
    // "Overflow"). A kelp.ini that cannot be read throws std::filesystem::filesystem_error.
    // section: "Main" for the main window, "Update" for the Update window.
    std::optional<WindowPlacement> readWindowPlacement(const std::string& section = "Main") const;
    // Stores a window's geometry in its section; one save, all or nothing.
    void writeWindowPlacement(const std::string& section, const WindowPlacement& placement) const;

    // The recent files list as kelp.ini keeps it: LastRCFile(10) down to LastRCFile(1), each
    // non-empty entry whose file still exists going to the head, so the saved order comes
    // back and vanished files drop out.
    RecentFiles readRecentFiles(
        const std::function<bool(const std::string&)>& exists = fileExists) const;

    // Path of the last main memory image received ("" when none).
    std::string memFile() const;
    void writeMemFile(const std::string& path) const;

    // What the exit sequence stores: the geometry (decimal text) and all ten LastRCFile keys,
    // "" where the list has no entry. One save, all or nothing; throws
    // std::filesystem::filesystem_error when kelp.ini cannot be read or written.
    void writeExitSettings(const WindowPlacement& placement, const RecentFiles& recent) const;

    static bool fileExists(const std::string& path);

  private:
    std::filesystem::path file_;
};

// "LastRCFile(3)".
std::string lastRcFileKey(int k);

}  // namespace kelp
