#include "memory_images.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "core/app/app_folder.h"
#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/download/eram_encoder.h"

namespace qz740sim {

namespace {

namespace fs = std::filesystem;

const char* const kStoredEndMarker = "Complete";

// The text split after each line end, every piece keeping its own line end; a last piece
// without a line end counts too.
std::vector<std::string> piecesWithLineEnds(const std::string& text) {
    const bool crEnds = text.find('\r') != std::string::npos;
    std::vector<std::string> pieces;
    std::string piece;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        piece += c;
        bool end = false;
        if (crEnds && c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                piece += text[++i];
            end = true;
        } else if (!crEnds && c == '\n') {
            end = true;
        }
        if (end) {
            pieces.push_back(piece);
            piece.clear();
        }
    }
    if (!piece.empty())
        pieces.push_back(piece);
    return pieces;
}

std::string withoutLineEnd(std::string piece) {
    while (!piece.empty() && (piece.back() == '\r' || piece.back() == '\n')) piece.pop_back();
    return piece;
}

// A temporary folder, removed with everything in it when it goes.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "qz740-sim-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary folder");
        path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

}  // namespace

std::vector<std::string> mainImageItems(const std::string& fileText) {
    std::vector<std::string> items;
    for (const std::string& piece : piecesWithLineEnds(fileText))
        items.push_back(withoutLineEnd(piece) + "\r\n");
    if (!items.empty() && items.back() == std::string(kStoredEndMarker) + "\r\n")
        items.pop_back();
    return items;
}

std::vector<std::string> optionImageItems(const std::string& fileText) {
    std::vector<std::string> items = piecesWithLineEnds(fileText);
    if (!items.empty() && withoutLineEnd(items.back()) == kStoredEndMarker)
        items.pop_back();
    return items;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

MemoryImages imagesFromDatabase(const std::string& datPath, std::vector<std::string>& problems) {
    using namespace kelp;
    // The loader writes the answers it is given into the file and its report into the
    // application folder: both go to a folder of our own, the operator's files stay as they are.
    TemporaryFolder work;
    const fs::path copy = work.path() / fs::path(datPath).filename();
    std::error_code ec;
    if (!fs::copy_file(datPath, copy, ec) || ec)
        throw std::runtime_error("cannot read " + datPath + (ec ? ": " + ec.message() : ""));
    fs::create_directory(work.path() / "app", ec);

    ScriptedPrompter prompter;
    prompter.setDefaultAnswer(Answer::No);
    ScopedPrompter scopedPrompter(prompter);
    setAppFolder(work.path() / "app");
    bool terminated = false;
    setLoadTerminateHook([&terminated] { terminated = true; });

    ControllerDatabase database;
    database.currentFile = copy.string();
    FileLoad(database);
    setLoadTerminateHook({});
    setAppFolder({});
    if (terminated || !database.loaded) {
        std::string why = datPath + " did not load";
        for (const PromptRecord& box : prompter.messageBoxes())
            why += "; " + box.title + ": " + box.text;
        throw std::runtime_error(why);
    }
    for (const PromptRecord& box : prompter.messageBoxes())
        problems.push_back("loading " + datPath + " showed '" + box.title + "'");

    MemoryImages images;
    const EramEncoding encoding = encodeEram(database);
    problems.insert(problems.end(), encoding.problems.begin(), encoding.problems.end());
    images.main = mainImageItems(eramImageText(encoding.records));
    images.autopatch = autopatchImageLines(database, &problems);
    images.rtc = rtcImageLines(database, &problems);
    return images;
}

}  // namespace qz740sim
