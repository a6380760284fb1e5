#include "core/app/error_reporter.h"

#include <new>
#include <stdexcept>
#include <system_error>

#include "core/app/prompter.h"
#include "core/app/runtime_error.h"

namespace kelp {

const char* const kSystemErrorTitle = "***** Kelp SYSTEM ERROR *****";

namespace {

constexpr const char* kCrLf = "\r\n";

// Numbers for the standard library's own errors, chosen to read like the classic runtime
// error numbers support staff know (9 subscript out of range, 7 out of memory, ...).
constexpr long kInvalidArgument = 5;
constexpr long kOverflow = 6;
constexpr long kOutOfMemory = 7;
constexpr long kOutOfRange = 9;
constexpr long kInternalError = 51;

}  // namespace

ErrorDetails errorDetails(const std::exception_ptr& error) {
    if (!error)
        return ErrorDetails{};
    try {
        std::rethrow_exception(error);
    } catch (const RuntimeError& e) {
        return ErrorDetails{e.number(), e.what()};
    } catch (const std::system_error& e) {
        return ErrorDetails{e.code().value(), e.what()};
    } catch (const std::out_of_range& e) {
        return ErrorDetails{kOutOfRange, e.what()};
    } catch (const std::bad_alloc& e) {
        return ErrorDetails{kOutOfMemory, e.what()};
    } catch (const std::invalid_argument& e) {
        return ErrorDetails{kInvalidArgument, e.what()};
    } catch (const std::domain_error& e) {
        return ErrorDetails{kInvalidArgument, e.what()};
    } catch (const std::length_error& e) {
        return ErrorDetails{kInvalidArgument, e.what()};
    } catch (const std::overflow_error& e) {
        return ErrorDetails{kOverflow, e.what()};
    } catch (const std::underflow_error& e) {
        return ErrorDetails{kOverflow, e.what()};
    } catch (const std::range_error& e) {
        return ErrorDetails{kOverflow, e.what()};
    } catch (const std::exception& e) {
        return ErrorDetails{kInternalError, e.what()};
    } catch (...) {
        return ErrorDetails{kInternalError, "Unknown error"};
    }
}

std::string errorReportText(const ErrorDetails& error, const std::string& moduleName,
                            const std::string& routineName, const std::string& stepLabel,
                            const std::string& extraText) {
    std::string text = "Error Number = " + std::to_string(error.number) + kCrLf;
    text += "Error = " + error.description + kCrLf;
    text += "Location = " + moduleName + ": " + routineName;
    if (!stepLabel.empty())
        text += ": " + stepLabel;
    text += std::string(kCrLf) + kCrLf + extraText + kCrLf + kCrLf;
    text += "Please save this information for support assistance";
    return text;
}

void reportError(Prompter& prompter, const ErrorDetails& error, const std::string& moduleName,
                 const std::string& routineName, const std::string& stepLabel,
                 const std::string& extraText) {
    // The reporter reports nothing further: a failing box must not raise a second error in
    // the catch block that called it.
    try {
        prompter.message(errorReportText(error, moduleName, routineName, stepLabel, extraText),
                         kSystemErrorTitle, MessageIcon::Critical, MessageButtons::OK);
    } catch (...) {
    }
}

void reportError(const std::string& moduleName, const std::string& routineName,
                 const std::string& stepLabel, const std::string& extraText) {
    reportError(currentPrompter(), errorDetails(std::current_exception()), moduleName, routineName,
                stepLabel, extraText);
}

}  // namespace kelp
