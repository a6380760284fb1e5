#include "core/app/error_reporter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "core/app/runtime_error.h"
#include "core/app/scripted_prompter.h"

namespace kelp {
namespace {

TEST(ErrorReporter, BoxTextNamesTheStep) {
    struct Case {
        const char* step;
        std::string expected;
    };
    const ErrorDetails error{53, "File not found"};
    const std::vector<Case> cases = {
        {"check that file exists",
         "Error Number = 53\r\nError = File not found\r\n"
         "Location = KelpMain: mnuFileOpen_Click: check that file exists\r\n\r\n"
         "/home/op/site.dat\r\n\r\nPlease save this information for support assistance"},
        {"",
         "Error Number = 53\r\nError = File not found\r\n"
         "Location = KelpMain: mnuFileOpen_Click\r\n\r\n"
         "/home/op/site.dat\r\n\r\nPlease save this information for support assistance"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            errorReportText(error, "KelpMain", "mnuFileOpen_Click", c.step, "/home/op/site.dat"),
            c.expected);
    }
}

TEST(ErrorReporter, NumbersTheErrorAtHand) {
    struct Case {
        std::exception_ptr error;
        long number;
        std::string description;
    };
    const std::vector<Case> cases = {
        {std::make_exception_ptr(RuntimeError(75, "Path/File access error")), 75,
         "Path/File access error"},
        {std::make_exception_ptr(std::out_of_range("index 41")), 9, "index 41"},
        {std::make_exception_ptr(std::bad_alloc()), 7, std::bad_alloc().what()},
        {std::make_exception_ptr(std::invalid_argument("bad")), 5, "bad"},
        {std::make_exception_ptr(std::overflow_error("big")), 6, "big"},
        {std::make_exception_ptr(std::logic_error("odd")), 51, "odd"},
        {std::make_exception_ptr(42), 51, "Unknown error"},
        {nullptr, 0, ""},
    };
    for (const Case& c : cases) {
        const ErrorDetails details = errorDetails(c.error);
        EXPECT_EQ(details.number, c.number) << c.description;
        EXPECT_EQ(details.description, c.description);
    }
    const ErrorDetails file =
        errorDetails(std::make_exception_ptr(std::filesystem::filesystem_error(
            "cannot save", std::make_error_code(std::errc::no_such_file_or_directory))));
    EXPECT_EQ(file.number, static_cast<long>(std::errc::no_such_file_or_directory));
}

TEST(ErrorReporter, ShowsOneCriticalOkBoxFromTheCatchBlock) {
    ScriptedPrompter prompter;
    ScopedPrompter installed(prompter);
    try {
        throw RuntimeError(13, "Type mismatch");
    } catch (...) {
        reportError("Update", "fSendUpdate", "", "");
    }
    ASSERT_EQ(prompter.records().size(), 1u);
    const PromptRecord& box = prompter.lastMessageBox();
    EXPECT_EQ(box.title, "***** Kelp SYSTEM ERROR *****");
    EXPECT_EQ(box.icon, MessageIcon::Critical);
    EXPECT_EQ(box.buttons, MessageButtons::OK);
    EXPECT_EQ(box.text,
              "Error Number = 13\r\nError = Type mismatch\r\nLocation = Update: fSendUpdate\r\n"
              "\r\n\r\n\r\nPlease save this information for support assistance");
}

}  // namespace
}  // namespace kelp
