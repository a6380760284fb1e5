// kelp-cli: the programming tool without windows, for scripts and headless sites.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_command.h"

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    kelp::cli::CliStreams io{std::cout, std::cerr};
    const int status = kelp::cli::runCli(args, io);
    std::cout.flush();
    return status;
}
