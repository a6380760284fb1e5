// The error reporter: one standard box for an unexpected runtime error, naming the module
// and routine (and the step within it) where it happened. Every guarded routine calls it from
// its catch block and then decides itself how to go on.
//
//     std::string step = "get RCFILE NAME";
//     try { ...; step = "check that file exists"; ... }
//     catch (...) { reportError("KelpMain", "mnuFileOpen_Click", step, path); }
//
// The step label is just the routine's own text naming its current stage; an empty one adds
// nothing to the location line.
#pragma once

#include <exception>
#include <string>

namespace kelp {

class Prompter;

// Title of the reporter's box; the database file writer's follow-up box uses it too.
extern const char* const kSystemErrorTitle;

// The number and description of a runtime error.
struct ErrorDetails {
    long number = 0;
    std::string description;
};

// Number and description of the given exception:
//   kelp::RuntimeError          its own number
//   std::system_error (file and stream errors included)   the system's error code
//   std::out_of_range 9, std::bad_alloc 7, std::invalid_argument / std::domain_error /
//   std::length_error 5, std::overflow_error / std::underflow_error / std::range_error 6,
//   anything else 51 (an internal error); description what(), or "Unknown error".
// A null pointer (no error at hand) gives number 0 and an empty description.
ErrorDetails errorDetails(const std::exception_ptr& error);

// The box text: "Error Number = " ... "Please save this information for support assistance".
std::string errorReportText(const ErrorDetails& error, const std::string& moduleName,
                            const std::string& routineName, const std::string& stepLabel,
                            const std::string& extraText);

// Shows the box (critical icon, OK) through the given Prompter.
void reportError(Prompter& prompter, const ErrorDetails& error, const std::string& moduleName,
                 const std::string& routineName, const std::string& stepLabel,
                 const std::string& extraText);

// Call from a catch block: reports the exception being handled through the current Prompter.
void reportError(const std::string& moduleName, const std::string& routineName,
                 const std::string& stepLabel = std::string(),
                 const std::string& extraText = std::string());

}  // namespace kelp
