#include "core/database/ini_file.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "core/database/atomic_file.h"

namespace kelp {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Names compare without regard to ASCII case only; other bytes must match exactly.
std::string fold(std::string_view name) {
    std::string folded(trimBlanks(name));
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

// "[Name]" -> "Name"; a header without its closing bracket names the rest of the line.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trimBlanks(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    line.remove_prefix(1);
    const auto close = line.find(']');
    if (close != std::string_view::npos)
        line = line.substr(0, close);
    return trimBlanks(line);
}

std::error_code lastError() {
    return std::error_code(errno != 0 ? errno : static_cast<int>(std::errc::io_error),
                           std::generic_category());
}

void rejectLineBreaks(std::string_view text, const char* what) {
    if (text.find_first_of("\r\n") != std::string_view::npos) {
        throw std::invalid_argument(std::string("an ini ") + what + " cannot hold a line break");
    }
}

}  // namespace

IniFile::IniFile() {
    sections_.emplace_back();
}

IniFile IniFile::parse(std::string_view text) {
    IniFile file;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        file.byteOrderMark_ = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    const auto firstBreak = text.find('\n');
    file.lineEnd_ =
        (firstBreak == std::string_view::npos || (firstBreak > 0 && text[firstBreak - 1] == '\r'))
            ? LineEnd::CrLf
            : LineEnd::Lf;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        const bool hasLf = end != std::string_view::npos;
        if (!hasLf)
            end = text.size();
        const std::string_view bytes = text.substr(start, end - start);
        start = end + 1;
        // What is kept: the line's bytes up to its own line end, exactly. What is read: the
        // line without its line end and without one CR that ends it.
        std::string_view kept = bytes;
        std::string_view eol;
        if (hasLf && !bytes.empty() && bytes.back() == '\r') {
            kept.remove_suffix(1);
            eol = "\r\n";
        } else if (hasLf) {
            eol = "\n";
        }
        std::string_view raw = bytes;
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);

        if (const auto name = sectionName(raw)) {
            const std::string folded = fold(*name);
            file.sections_.emplace_back();
            file.sections_.back().header = std::string(kept);
            file.sections_.back().headerEol = std::string(eol);
            file.sectionIndex_.emplace(folded, file.sections_.size() - 1);  // first one wins
            continue;
        }

        Section& section = file.sections_.back();
        Line line;
        line.raw = std::string(kept);
        line.eol = std::string(eol);
        const std::string_view content = trimBlanks(raw);
        const auto equals = content.find('=');
        if (!content.empty() && content.front() != ';' && equals != std::string_view::npos &&
            !trimBlanks(content.substr(0, equals)).empty()) {
            line.isKey = true;
            line.keyName = std::string(trimBlanks(content.substr(0, equals)));
            line.value = std::string(trimBlanks(content.substr(equals + 1)));
        }
        section.lines.push_back(std::move(line));
        if (section.lines.back().isKey)
            file.indexKey(section, section.lines.size() - 1);
    }
    return file;
}

IniFile IniFile::load(const std::filesystem::path& file) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(file, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return IniFile();
    if (std::filesystem::is_directory(status)) {
        throw std::filesystem::filesystem_error("cannot read ini file", file,
                                                std::make_error_code(std::errc::is_a_directory));
    }
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::filesystem::filesystem_error("cannot read ini file", file, lastError());
    std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw std::filesystem::filesystem_error("cannot read ini file", file, lastError());
    return parse(contents);
}

void IniFile::indexKey(Section& section, std::size_t lineIndex) {
    section.keyIndex.emplace(fold(section.lines[lineIndex].keyName), lineIndex);  // first one wins
}

std::optional<IniFile::Location> IniFile::locate(std::string_view section,
                                                 std::string_view key) const {
    const auto s = sectionIndex_.find(fold(section));
    if (s == sectionIndex_.end())
        return std::nullopt;
    const Section& found = sections_[s->second];
    const auto k = found.keyIndex.find(fold(key));
    if (k == found.keyIndex.end())
        return std::nullopt;
    return Location{s->second, k->second};
}

const IniFile::Line* IniFile::findKey(std::string_view section, std::string_view key) const {
    const auto at = locate(section, key);
    return at ? &sections_[at->section].lines[at->line] : nullptr;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const Line* line = findKey(section, key);
    if (line == nullptr)
        return std::nullopt;
    return line->value;
}

std::string IniFile::read(std::string_view section, std::string_view key) const {
    const Line* line = findKey(section, key);
    if (line == nullptr)
        return std::string();
    // The profile functions hand back at most 254 characters (a 255-byte buffer with its
    // terminator); the program asks with "Default" as the missing-key text, so a stored
    // "Default" cannot be told from a missing key.
    std::string_view text(line->value);
    if (text.size() > kMaxValueLength)
        text = text.substr(0, kMaxValueLength);
    if (text == "Default")
        return std::string();
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return std::string(text);
}

bool IniFile::hasSection(std::string_view section) const {
    return sectionIndex_.count(fold(section)) != 0;
}

std::size_t IniFile::sectionFor(std::string_view section) {
    const std::string folded = fold(section);
    const auto found = sectionIndex_.find(folded);
    if (found != sectionIndex_.end())
        return found->second;

    // A new section goes at the end of the file.
    sections_.emplace_back();
    sections_.back().header = "[" + std::string(trimBlanks(section)) + "]";
    sections_.back().headerEol = lineEnd_ == LineEnd::CrLf ? "\r\n" : "\n";
    sectionIndex_.emplace(folded, sections_.size() - 1);
    return sections_.size() - 1;
}

bool IniFile::write(std::string_view section, std::string_view key, std::string_view value) {
    rejectLineBreaks(section, "section name");
    rejectLineBreaks(key, "key name");
    rejectLineBreaks(value, "value");
    section = trimBlanks(section);
    key = trimBlanks(key);
    if (section.empty() || key.empty())
        throw std::invalid_argument("an ini name cannot be empty");
    if (section.find(']') != std::string_view::npos) {
        throw std::invalid_argument("an ini section name cannot hold ']'");
    }
    if (key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[') {
        throw std::invalid_argument("an ini key name cannot hold '=' or begin with ';' or '['");
    }

    if (const auto at = locate(section, key)) {
        Line& existing = sections_[at->section].lines[at->line];
        if (existing.value == value)
            return false;
        // The key keeps its spelling in the file; only the value changes.
        existing.raw = existing.keyName + "=" + std::string(value);
        existing.value = std::string(trimBlanks(value));
        modified_ = true;
        return true;
    }

    const std::size_t sectionIndex = sectionFor(section);
    Section& target = sections_[sectionIndex];

    // After the section's last key, ahead of the blank lines and comments that end it.
    std::size_t at = 0;
    for (std::size_t i = target.lines.size(); i > 0; --i) {
        if (target.lines[i - 1].isKey) {
            at = i;
            break;
        }
    }
    Line line;
    line.isKey = true;
    line.keyName = std::string(key);
    line.value = std::string(trimBlanks(value));
    line.raw = line.keyName + "=" + std::string(value);
    line.eol = lineEnd_ == LineEnd::CrLf ? "\r\n" : "\n";
    target.lines.insert(target.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    if (at + 1 < target.lines.size()) {
        for (auto& entry : target.keyIndex) {
            if (entry.second >= at)
                ++entry.second;
        }
    }
    indexKey(target, at);
    modified_ = true;
    return true;
}

std::string IniFile::text() const {
    const std::string_view fileEol = lineEnd_ == LineEnd::CrLf ? "\r\n" : "\n";
    std::string out;
    if (byteOrderMark_)
        out += kByteOrderMark;
    // Each line is followed by its own line end; a line that had none (the file's last) gets
    // the file's own once another line comes after it.
    const std::string* pending = nullptr;
    const auto put = [&](const std::string& line, const std::string& eol) {
        if (pending != nullptr)
            out += pending->empty() ? fileEol : std::string_view(*pending);
        out += line;
        pending = &eol;
    };
    for (const Section& section : sections_) {
        if (!section.header.empty())
            put(section.header, section.headerEol);
        for (const Line& line : section.lines) put(line.raw, line.eol);
    }
    if (pending != nullptr)
        out += *pending;
    return out;
}

void IniFile::save(const std::filesystem::path& file) const {
    writeFileAtomically(file, text());
}

}  // namespace kelp
