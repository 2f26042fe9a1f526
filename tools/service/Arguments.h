// The command line of cantra-service: the words that name the job and its operands, and the
// options, which may stand anywhere.
#pragma once

#include <cstdint>
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
    OptMs1 = 1u << 5,
    OptMs2 = 1u << 6,
    OptVs = 1u << 7,
};

inline constexpr Option AllOptions[]
        = { OptJson, OptBrief, OptYes, OptModel, OptBackupCells, OptMs1, OptMs2, OptVs };

struct Arguments
{
    std::vector<std::string> words; // everything that is not an option, in order
    std::string port = "LPT1";
    std::string trace;
    // --model: a row of the start window's list, or a code of the family. A code stands for
    // the row of its parallel-only model wherever a row is needed.
    std::optional<int> modelRow;
    std::optional<uint16_t> modelCode;
    // The Bi-D values as typed, by their options.
    std::string ms1, ms2, vs;
    unsigned given = 0; // the Option flags seen
    bool help = false;
    bool version = false;

    bool has(Option option) const { return (given & option) != 0; }
};

// Fills `arguments`; false with the reason in `error` for an unknown option, a missing value,
// or a value that is not what its option takes. A word that starts with "-" and a digit is a
// negative number, not an option.
bool parseArguments(const std::vector<std::string> &args, Arguments &arguments, std::string &error);

// The option's spelling, for messages.
const char *optionName(Option option);

} // namespace service
