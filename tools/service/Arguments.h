// The command line of cantra-service: the words that name the job and its operands, and the
// options, which may stand anywhere.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace service {

enum Option : unsigned {
    OptJson = 1u << 0,
    OptBrief = 1u << 1,
    OptYes = 1u << 2,
    OptModel = 1u << 3,
    OptBackupCells = 1u << 4,
};

struct Arguments
{
    std::vector<std::string> words; // everything that is not an option, in order
    std::string port = "LPT1";
    std::string trace;
    std::optional<int> modelRow;
    unsigned given = 0; // the Option flags seen
    bool help = false;
    bool version = false;

    bool has(Option option) const { return (given & option) != 0; }
};

// Fills `arguments`; false with the reason in `error` for an unknown option, a missing value,
// or a value that is not what its option takes.
bool parseArguments(const std::vector<std::string> &args, Arguments &arguments, std::string &error);

// The option's spelling, for messages.
const char *optionName(Option option);

} // namespace service
