// cantra-service: the service operations of the windows from a command line, for scripts that
// serve many printers. Each run starts the link, does one job and ends the link again.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace service {

enum ExitCode {
    Success = 0,
    PrinterFailure = 1, // no reply, a printer error, a cell that did not take its value
    BadArguments = 2,
    LinkFailure = 3, // the port could not be opened, or the link ended by force
};

struct Settings
{
    std::string program = "cantra-service";
    // Whether this build can bind a port to an in-process virtual printer.
    bool virtualPrinter = false;
    // What --version prints: the program, its version and the commit it was built from.
    std::string version;
};

// Runs one command line (without the program name); results on `out`, a one-line reason for a
// failure on `err`.
int run(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
        const Settings &settings);

} // namespace service
