// An ini file held in memory: parsed once, queried and updated key by key, saved once.
// Database files and kelp.ini both go through it, and they are shared with older copies of
// the program on other systems, so it reads and writes them the way the Windows profile
// functions do:
//
// - section and key names match without regard to ASCII case; the first matching section
//   and the first matching key in it count;
// - a read value is cut to 254 characters, the literal "Default" and a missing key read as
//   the empty text, and values come back trimmed;
// - a write changes only its own line: every other section, key, comment, blank line and the
//   line order stay as they were; a new key goes after the last key of its section, a new
//   section at the end of the file;
// - CR LF and LF files are both read; a file keeps its own line ends, a new one gets CR LF;
//   the bytes of every line a write did not change pass through untouched, line end and any
//   stray CR included.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kelp {

class IniFile {
  public:
    enum class LineEnd { CrLf, Lf };

    // The longest value a read gives back.
    static constexpr std::size_t kMaxValueLength = 254;

    // An empty file with CR LF line ends.
    IniFile();

    // Reads a file. A file that does not exist gives an empty IniFile; one that exists but
    // cannot be read throws std::filesystem::filesystem_error (so a later save cannot
    // overwrite what could not be read).
    static IniFile load(const std::filesystem::path& file);
    // Parses file contents.
    static IniFile parse(std::string_view text);

    // The value as the profile functions give it: cut to 254 characters, "Default" and a
    // missing key as "", trimmed of spaces.
    std::string read(std::string_view section, std::string_view key) const;
    // The stored value exactly (trimmed of surrounding blanks), or nullopt when the key is
    // not there.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    bool hasSection(std::string_view section) const;

    // Sets a key, adding the key or section when missing. Returns false when the key already
    // held exactly this value (nothing changed). Names are trimmed. A line break in any of
    // the texts, a "]" in the section name, an "=" in the key name or an empty name would
    // break the file's structure and throws std::invalid_argument.
    bool write(std::string_view section, std::string_view key, std::string_view value);

    // The file's contents as save() writes them.
    std::string text() const;
    LineEnd lineEnd() const { return lineEnd_; }
    // True once a write has changed something since the file was loaded or parsed.
    bool modified() const { return modified_; }

    // Writes the file all or nothing: the contents go to a temporary file beside the target,
    // which is flushed, closed and renamed over the target. On any failure the target is left
    // as it was, the temporary file is removed, and std::filesystem::filesystem_error is
    // thrown. A symbolic link is followed, so the file it points to is replaced; an existing
    // target's permissions carry over to the new file.
    void save(const std::filesystem::path& file) const;

  private:
    struct Line {
        std::string raw;  // the line as in the file, without its line end
        std::string eol;  // its line end as in the file: "\r\n", "\n", or "" for a last line
        bool isKey = false;
        std::string keyName;  // as written, trimmed (key lines only)
        std::string value;    // trimmed (key lines only)
    };
    struct Section {
        std::string
            header;  // the "[Name]" line as in the file; empty for the lines before any section
        std::string headerEol;
        std::vector<Line> lines;
        std::unordered_map<std::string, std::size_t> keyIndex;  // folded key -> first line
    };

    struct Location {
        std::size_t section;
        std::size_t line;
    };

    std::optional<Location> locate(std::string_view section, std::string_view key) const;
    const Line* findKey(std::string_view section, std::string_view key) const;
    std::size_t sectionFor(std::string_view section);
    void indexKey(Section& section, std::size_t lineIndex);

    std::vector<Section> sections_;  // [0] holds the lines before the first section header
    std::unordered_map<std::string, std::size_t> sectionIndex_;  // folded name -> first section
    LineEnd lineEnd_ = LineEnd::CrLf;
    bool byteOrderMark_ = false;
    bool modified_ = false;
};

}  // namespace kelp
