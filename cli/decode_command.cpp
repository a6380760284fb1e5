// kelp-cli decode MAIN.mem [--rtc RTC.mem] [--ap AP.mem] --write OUT.dat [--firmware MNN]:
// builds a database from memory image files the way "Import a Linux Download File" does
// (images with CR LF, LF or CR line ends), writes it to OUT.dat, loads OUT.dat again with
// every check and repair and prints the load's repair report to stdout. The boxes the
// program would show go to stderr. HasRTC is "1" exactly when --rtc is given. The report is
// written in a private folder, so the operator's own error.log stays as it was.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_command.h"
#include "cli/cli_support.h"
#include "core/app/app_folder.h"
#include "core/app/prompter.h"
#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/database/profile.h"
#include "core/download/download_run.h"
#include "core/download/eram_decoder.h"
#include "core/download/option_decoders.h"

namespace kelp::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: kelp-cli decode MAIN.mem [--rtc RTC.mem] [--ap AP.mem] --write OUT.dat "
    "[--firmware MNN]";

struct DecodeOptions {
    fs::path main;
    std::optional<fs::path> rtc;
    std::optional<fs::path> ap;
    fs::path out;
    std::optional<std::string> firmware;
};

std::string parse(const std::vector<std::string>& args, DecodeOptions& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size() && !args[i + 1].empty();
        if (arg == "--rtc" || arg == "--ap" || arg == "--write" || arg == "--firmware") {
            if (!hasValue)
                return arg + " needs a value";
            const std::string value = args[++i];
            if (arg == "--rtc")
                options.rtc = value;
            else if (arg == "--ap")
                options.ap = value;
            else if (arg == "--write")
                options.out = value;
            else
                options.firmware = value;
        } else if (arg.rfind("--", 0) == 0) {
            return "unknown option '" + arg + "'";
        } else if (options.main.empty()) {
            options.main = arg;
        } else {
            return "name one main image";
        }
    }
    if (options.main.empty())
        return "name the main image to decode";
    if (options.out.empty())
        return "--write names the database file to write";
    for (const auto& file : {std::optional<fs::path>(options.main), options.rtc, options.ap}) {
        std::error_code ec;
        if (file && !fs::is_regular_file(*file, ec))
            return "cannot read '" + file->string() + "'";
    }
    return std::string();
}

}  // namespace

int runDecode(const std::vector<std::string>& args, CliStreams& io) {
    DecodeOptions options;
    const std::string problem = parse(args, options);
    if (!problem.empty()) {
        io.err << "kelp-cli decode: " << problem << '\n' << kUsage << '\n';
        return kExitUsage;
    }
    std::error_code ec;
    const fs::path out = fs::absolute(options.out, ec).lexically_normal();
    // A new database, not a merge into whatever the file held before; put in place only once
    // it was written completely.
    StagedOutput staged(out);
    ScriptedPrompter prompter;
    prompter.setEcho(&io.err);
    // The loader's questions (type a firmware version? view the error log?) are answered No.
    prompter.setDefaultAnswer(Answer::No);
    ScopedPrompter scopedPrompter(prompter);
    WorkFolder work("kelp-decode-");
    ScopedAppFolder appFolder(work.path());
    bool terminated = false;
    ScopedLoadTerminateHook hook(terminated);

    resetProcessDatabase();
    ControllerDatabase& database = db();
    database.currentFile = staged.staging().string();
    if (LoadEram(options.main.string(), database) != kDecodeOk) {
        prompter.message(kEramDecodeErrorText, kEramDecodeErrorTitle, MessageIcon::Exclamation);
        return kExitUsage;
    }
    database.downloadIntoFile = true;
    database.hasRtc = options.rtc.has_value();
    WriteSetting("Version", "HasRTC", database.hasRtc ? "1" : "0", database.currentFile);
    if (options.rtc && LoadRTCEram(options.rtc->string(), database) != kDecodeOk) {
        prompter.message(std::string("An error occurred while decoding the RTC data\r\n\r\n") +
                             "The program will proceed without the RTC data",
                         kOptionErrorTitle, MessageIcon::Exclamation);
    }
    if (options.ap && LoadAPEram(options.ap->string(), database) != kDecodeOk) {
        prompter.message(std::string("An error occurred while decoding the AP data\r\n\r\n") +
                             "The program will proceed without the AP data",
                         kOptionErrorTitle, MessageIcon::Exclamation);
    }
    if (options.firmware)
        database.firmwareVersion = *options.firmware;
    if (!FileWrite(database))
        return kExitUsage;
    // The new file is loaded with every check while it is still beside its target: what the
    // load repairs goes into it, and a load that fails puts nothing in place.
    FileLoad(database);
    const bool loaded = !terminated && database.loaded;

    const fs::path log = work.path() / "error.log";
    if (fs::exists(log, ec)) {
        std::ifstream in(log, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string staging = staged.staging().string();
        for (std::size_t at = text.find(staging); at != std::string::npos;
             at = text.find(staging, at + 1))
            text.replace(at, staging.size(), out.string());
        io.out << text;
    }
    io.out.flush();
    if (!loaded)
        return kExitUsage;
    std::string error;
    if (!staged.commit(error)) {
        io.err << "kelp-cli decode: " << error << '\n';
        return kExitUsage;
    }
    database.currentFile = out.string();
    return kExitOk;
}

}  // namespace kelp::cli
