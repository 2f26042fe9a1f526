// Option parsing. "--name value" and "--name=value" are the same; "--" ends the options.
#include "Arguments.h"

#include "commands/Models.h"

#include <cctype>
#include <charconv>

namespace service {

namespace {

// The value of an option that takes one, from "=value" or the next argument.
bool takeValue(const std::vector<std::string> &args, size_t &i, const std::string &inline_,
               bool hasInline, std::string &value)
{
    if (hasInline) {
        value = inline_;
        return true;
    }
    if (i + 1 >= args.size())
        return false;
    value = args[++i];
    return true;
}

} // namespace

const char *optionName(Option option)
{
    switch (option) {
    case OptJson: return "--json";
    case OptBrief: return "--brief";
    case OptYes: return "--yes";
    case OptModel: return "--model";
    case OptBackupCells: return "--backup-cells";
    case OptMs1: return "--ms1";
    case OptMs2: return "--ms2";
    case OptVs: return "--vs";
    }
    return "";
}

bool parseArguments(const std::vector<std::string> &args, Arguments &arguments, std::string &error)
{
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-'
            || std::isdigit(static_cast<unsigned char>(arg[1]))) {
            arguments.words.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const bool hasInline = equals != std::string::npos;
        const std::string inline_ = hasInline ? arg.substr(equals + 1) : std::string();
        auto flag = [&](Option option) {
            if (hasInline) {
                error = name + " takes no value";
                return false;
            }
            arguments.given |= option;
            return true;
        };
        if (name == "--help" || name == "-h") {
            arguments.help = true;
        } else if (name == "--version") {
            arguments.version = true;
        } else if (name == "--json") {
            if (!flag(OptJson))
                return false;
        } else if (name == "--brief") {
            if (!flag(OptBrief))
                return false;
        } else if (name == "--yes") {
            if (!flag(OptYes))
                return false;
        } else if (name == "--backup-cells") {
            if (!flag(OptBackupCells))
                return false;
        } else if (name == "--port") {
            if (!takeValue(args, i, inline_, hasInline, arguments.port)) {
                error = "--port needs LPT1, LPT2, LPT3 or virtual";
                return false;
            }
            if (arguments.port != "LPT1" && arguments.port != "LPT2" && arguments.port != "LPT3"
                && arguments.port != "virtual") {
                error = "--port " + arguments.port + ": the ports are LPT1, LPT2, LPT3 and virtual";
                return false;
            }
        } else if (name == "--trace") {
            if (!takeValue(args, i, inline_, hasInline, arguments.trace)
                || arguments.trace.empty()) {
                error = "--trace needs a file";
                return false;
            }
        } else if (name == "--model") {
            std::string value;
            int number = -1;
            const bool taken = takeValue(args, i, inline_, hasInline, value);
            const auto [end, failed]
                    = std::from_chars(value.data(), value.data() + value.size(), number);
            const bool whole = taken && !value.empty() && failed == std::errc()
                    && end == value.data() + value.size();
            if (whole && number >= 0 && number < models::ListedCount) {
                arguments.modelRow = number;
                arguments.modelCode = models::listed(number).code;
            } else if (whole && number >= models::FirstCode && number <= models::LastCode) {
                arguments.modelCode = uint16_t(number);
                arguments.modelRow = models::listedRow(uint16_t(number));
            } else {
                error = "--model needs the row of the model list, 0 to "
                        + std::to_string(models::ListedCount - 1) + ", or a model code, "
                        + std::to_string(models::FirstCode) + " to "
                        + std::to_string(models::LastCode);
                return false;
            }
            arguments.given |= OptModel;
        } else if (name == "--ms1" || name == "--ms2" || name == "--vs") {
            const Option option = name == "--ms1" ? OptMs1 : name == "--ms2" ? OptMs2 : OptVs;
            std::string &value = option == OptMs1 ? arguments.ms1
                    : option == OptMs2            ? arguments.ms2
                                                  : arguments.vs;
            if (!takeValue(args, i, inline_, hasInline, value)) {
                error = name + " needs a Bi-D value, -56 to 56";
                return false;
            }
            arguments.given |= option;
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    return true;
}

} // namespace service
