// kelp-cli catalogue functions|vocabulary|cw: the controller's fixed tables as plain text,
// one row per line in table order, the code, a TAB, then the text. A blank row of the
// function list prints as a lone TAB, so line numbers match the editor's list rows.
#include "cli/cli_command.h"
#include "core/catalogues/cw_table.h"
#include "core/catalogues/macro_functions.h"
#include "core/catalogues/voice_vocabulary.h"

namespace kelp::cli {

namespace {

void printFunctions(std::ostream& out) {
    for (const MacroFunctionRow& row : MacroFunctionCatalogue::instance().rows()) {
        if (row.isBlank()) {
            out << "\t\n";
        } else {
            out << row.code << '\t' << row.description << '\n';
        }
    }
}

void printVocabulary(std::ostream& out) {
    for (const VocabularyRow& row : VoiceVocabulary::instance().rows()) {
        out << row.code << '\t' << row.word << '\n';
    }
}

void printCw(std::ostream& out) {
    for (const CwRow& row : CwTable::instance().rows()) {
        out << row.code << '\t' << row.name << '\n';
    }
}

}  // namespace

int runCatalogue(const std::vector<std::string>& args, CliStreams& io) {
    if (args.size() != 1) {
        io.err << "kelp-cli catalogue: name one catalogue: functions, vocabulary or cw\n";
        return kExitUsage;
    }
    const std::string& which = args.front();
    if (which == "functions") {
        printFunctions(io.out);
    } else if (which == "vocabulary") {
        printVocabulary(io.out);
    } else if (which == "cw") {
        printCw(io.out);
    } else {
        io.err << "kelp-cli catalogue: unknown catalogue '" << which
               << "'; choose functions, vocabulary or cw\n";
        return kExitUsage;
    }
    io.out.flush();
    return io.out ? kExitOk : kExitUsage;
}

}  // namespace kelp::cli
