// The command line's frame: finds the job, checks what it was given, opens the trace and
// runs the job between link start and end.
#include "Service.h"

#include "Commands.h"
#include "commands/Models.h"
#include "link/TraceLog.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/PortDevice.h"
#include "platform/Trace.h"
#include "records/ServiceRecord.h"

#include <algorithm>

namespace service {

namespace {

const char *const Overview
        = "Runs one service job on the printer at a port, with the same exchanges as the\n"
          "adjustment program's windows, and ends the link again.\n"
          "\n"
          "Commands:\n";

const char *const OptionsHelp
        = "\n"
          "Options (anywhere on the line):\n"
          "  --port PORT   LPT1 (the default), LPT2 or LPT3, resolved as the program resolves\n"
          "                them (CANTRA_LPT1 to CANTRA_LPT3 may name another device), or\n"
          "                virtual: an in-process virtual printer with the EEPROM of a\n"
          "                serviced printer\n"
          "  --trace FILE  write every packet sent and received, every wait and failure to FILE\n"
          "  --help        this text; COMMAND --help for one command\n"
          "  --version     the version and the commit this program was built from\n"
          "\n"
          "Exit codes: 0 done; 1 the printer did not answer, reported an error or did not take\n"
          "a value; 2 a wrong command line (or a file that cannot be read or written); 3 the\n"
          "port could not be opened, or the link failed for good.\n";

std::string modelRows()
{
    std::string text = "ROW is the row of the start window's model list:\n ";
    for (int row = 0; row < models::ListedCount; ++row)
        text += std::string(row ? "," : "") + " " + std::to_string(row) + " "
                + models::listed(row).listText;
    text += ".\n--model also takes a model code; the USB-capable models, which the list does not\n"
            "offer, go by theirs:";
    const char *separator = "\n  ";
    for (uint16_t code = models::FirstCode; code <= models::LastCode; ++code) {
        if (!models::isUsbCapable(code))
            continue;
        text += separator + std::to_string(code) + " " + models::find(code)->displayName;
        separator = ", ";
    }
    return text + ".\n";
}

std::string joined(const std::vector<std::string> &words, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count && i < words.size(); ++i)
        text += (i ? " " : "") + words[i];
    return text;
}

// The command whose words open the line, the longest if several do.
const Command *findCommand(const std::vector<std::string> &words)
{
    const Command *found = nullptr;
    for (const Command &command : commands()) {
        if (command.words.size() > words.size()
            || !std::equal(command.words.begin(), command.words.end(), words.begin()))
            continue;
        if (!found || command.words.size() > found->words.size())
            found = &command;
    }
    return found;
}

void printOverview(std::ostream &out, const Settings &settings)
{
    out << "Usage: " << settings.program << " [--port PORT] [--trace FILE] COMMAND [ARGUMENTS]\n"
        << Overview;
    for (const Command &command : commands()) {
        std::string usage = command.usage;
        out << "  " << usage;
        const size_t column = 36;
        if (usage.size() + 4 <= column)
            out << std::string(column - usage.size() - 2, ' ');
        else
            out << "\n" << std::string(column, ' ');
        out << command.summary << "\n";
    }
    out << OptionsHelp << "\n" << modelRows();
}

void printCommandHelp(std::ostream &out, const Command &command, const Settings &settings)
{
    out << "Usage: " << settings.program << " [--port PORT] [--trace FILE] " << command.usage
        << "\n\n"
        << command.help << "\n";
    if (command.options & OptModel)
        out << modelRows();
    out << OptionsHelp;
}

// Binds every port to the virtual printer for one run, and back as it was afterwards.
class VirtualPortScope
{
public:
    explicit VirtualPortScope(bool on) : m_before(platform::systemPorts().allVirtual())
    {
        if (on)
            platform::systemPorts().setAllVirtual(true);
    }
    ~VirtualPortScope() { platform::systemPorts().setAllVirtual(m_before); }
    VirtualPortScope(const VirtualPortScope &) = delete;
    VirtualPortScope &operator=(const VirtualPortScope &) = delete;

private:
    bool m_before;
};

// Keeps the trace on for one run; whatever ends the run takes it off again.
class TraceScope
{
public:
    explicit TraceScope(platform::Trace *trace) { platform::setTrace(trace); }
    ~TraceScope() { platform::setTrace(nullptr); }
    TraceScope(const TraceScope &) = delete;
    TraceScope &operator=(const TraceScope &) = delete;
};

uint16_t portIndex(const std::string &port)
{
    if (port == "LPT2")
        return 1;
    if (port == "LPT3")
        return 2;
    return 0; // LPT1, and the virtual printer, which stands behind every port
}

} // namespace

Context::Context(const Arguments &arguments, std::vector<std::string> operands_, std::ostream &out_,
                 std::ostream &err_, const Settings &settings_, uint16_t portIndex)
    : args(arguments), operands(std::move(operands_)), out(out_), err(err_), settings(settings_),
      m_session(portIndex)
{ }

bool Context::startLink()
{
    std::string failure;
    if (m_session.start(failure))
        return true;
    fail(PrinterFailure, port() + ": " + failure);
    return false;
}

int Context::badArguments(const std::string &message)
{
    return fail(BadArguments, message + " (see " + settings.program + " --help)");
}

int Context::fail(ExitCode code, const std::string &message)
{
    out.flush();
    err << settings.program << ": " << message << "\n";
    err.flush();
    return code;
}

// One row of the table: the command's words separated by blanks.
Command command(const std::string &words, size_t minOperands, size_t maxOperands, unsigned options,
                Handler handler, const char *usage, const char *summary, const char *help)
{
    Command c{ {}, minOperands, maxOperands, options, handler, usage, summary, help };
    for (size_t at = 0; at <= words.size();) {
        const size_t blank = std::min(words.find(' ', at), words.size());
        c.words.push_back(words.substr(at, blank - at));
        at = blank + 1;
    }
    return c;
}

const std::vector<Command> &commands()
{
    static const std::vector<Command> table{
        command("status", 0, 0, OptJson | OptBrief, runStatus, "status [--json | --brief]",
                "state, error and ink levels",
                "The printer's state, error and ink levels as its status reply gives them,\n"
                "each code in hexadecimal (ready (0x7014)). --json prints one JSON object with\n"
                "the codes as numbers (\"stateCode\": 28692); --brief one line, the codes as\n"
                "four hexadecimal digits. Exits with 1 when the printer reports an error."),
        command("eeprom read", 0, 2, 0, runEepromRead, "eeprom read [FROM [TO]]",
                "cells FROM to TO as a 16 x 16 hex grid",
                "EEPROM cells FROM to TO (one or two hexadecimal digits each, 0 to FF; 00 to\n"
                "FF when left out, FROM alone reads one cell) as the 16 x 16 grid of the EEPROM\n"
                "check: the row is the high digit of the address, the column the low one."),
        command("eeprom write", 2, 2, 0, runEepromWrite, "eeprom write ADDR VALUE",
                "writes one cell",
                "Writes one EEPROM cell, as the EEPROM change does: ADDR and VALUE are one or\n"
                "two hexadecimal digits each (F is 0F). Exits with 1 when the printer answers\n"
                "busy or not at all."),
        command("eeprom dump", 1, 1, 0, runEepromDump, "eeprom dump FILE",
                "all 256 cells into an image file",
                "Reads all 256 EEPROM cells into FILE, a 256-byte image (the format of\n"
                "cantra-vprinter --eeprom). FILE is written only when every cell was read."),
        command("eeprom restore", 1, 1, OptYes | OptBackupCells, runEepromRestore,
                "eeprom restore FILE --yes [--backup-cells]",
                "writes the cells that differ from an image file",
                "Writes the cells whose value differs from the 256-byte image FILE, reads\n"
                "each back and lists what it changed. Without --yes it lists what it would\n"
                "change and writes nothing. --backup-cells restores only the 56 cells of the\n"
                "program's EEPROM backup (counters, Bi-D and top margin, head ID, USB ID,\n"
                "...), as after a main board change. FILE may also be a backup file the\n"
                "program's \"EEPROM backup data\" item left in the data folder (with\n"
                "--backup-cells); it is marked as written back once --yes has restored it."),
        command("eeprom initial-setting", 0, 0, OptModel | OptYes, runEepromInitialSetting,
                "eeprom initial-setting --model ROW --yes",
                "the initial setting of a new main board",
                "Writes the initial setting values of a new main board, as the \"EEPROM initial\n"
                "setting\" item does: cells 45 and 58 to 62, then cells 95 and 41 by the\n"
                "model's size and 96 to 125. --yes says the main board has been replaced.\n"
                "Exits with 1 when the printer does not answer a write or answers busy."),
        command("counter", 0, 0, 0, runCounter, "counter", "the protection counter",
                "The protection counter (the printer's count for its waste ink pad)."),
        command("counter reset", 0, 0, OptModel | OptYes, runCounterReset,
                "counter reset --model ROW --yes",
                "the counter's starting value after a pad change",
                "Sets the protection counter to the model's starting value after the waste\n"
                "ink pad was replaced: 2940 for rows 0 and 1, 0 for the (ESP) rows. --yes\n"
                "says the pad has been replaced."),
        command("head-id", 0, 0, 0, runHeadId, "head-id", "the head voltage ID",
                "The head voltage ID."),
        command("head-id set", 1, 1, 0, runHeadIdSet, "head-id set ID", "writes a head voltage ID",
                "Checks a six-character head voltage ID (letters taken as upper case) and\n"
                "writes it."),
        command("usb-id", 0, 0, OptModel, runUsbId, "usb-id --model CODE",
                "the USB ID of a USB-capable model",
                "The USB ID: the 10-character serial and the 8-character stamp of when it\n"
                "was written. Only the USB-capable models have one. Exits with 1 when the\n"
                "cells hold no USB ID (\"Invalid USB ID\")."),
        command("usb-id set", 1, 1, OptModel, runUsbIdSet, "usb-id set ID --model CODE",
                "writes a USB ID",
                "Writes a serial of 10 digits and upper-case letters, with the stamp of the\n"
                "PC's date and time, into the USB ID of a USB-capable model. The printer\n"
                "does not confirm the writes; usb-id reads the ID back."),
        command("bid", 0, 0, 0, runBid, "bid", "the three Bi-D values",
                "The three Bi-D values: Multi shot 1, Multi shot 2 and Variable shot."),
        command("bid set", 0, 0, OptMs1 | OptMs2 | OptVs, runBidSet,
                "bid set [--ms1 N] [--ms2 N] [--vs N]", "writes Bi-D values",
                "Writes the Bi-D values given, -56 to 56 each, with the printer's own Bi-D\n"
                "command: --ms1 Multi shot 1, --ms2 Multi shot 2, --vs Variable shot. All\n"
                "are checked before any is sent. The printer does not confirm the writes;\n"
                "bid reads the values back."),
        command("top-margin", 0, 0, 0, runTopMargin, "top-margin", "the top margin",
                "The top margin the printer holds, in 1/360 inch."),
        command("top-margin set", 1, 1, 0, runTopMarginSet, "top-margin set N",
                "writes the top margin",
                "Writes a top margin of -40 to 40 (1/360 inch) and the command that makes\n"
                "the printer take it. The printer does not confirm the write; top-margin\n"
                "reads it back."),
        command("clean", 0, 0, 0, runClean, "clean", "head cleaning",
                "Head cleaning: waits for the printer to be ready, starts the cleaning and\n"
                "waits until the printer is ready again."),
        command("ink-charge", 0, 0, 0, runInkCharge, "ink-charge", "initial ink charge",
                "Initial ink charge, waited for the same way as the head cleaning."),
        command("print nozzle-check", 0, 0, 0, runPrintNozzleCheck, "print nozzle-check",
                "the black and colour nozzle checks",
                "The black and colour nozzle checks of the A4 check sheet's item 2, after a\n"
                "readiness check, with a form feed after them."),
        command("print a4", 0, 0, OptModel, runPrintA4, "print a4 --model ROW",
                "the A4 check sheet",
                "The A4 check sheet of the model, and the wait until the printer is ready\n"
                "again."),
        command("print bid", 0, 0, 0, runPrintBid, "print bid", "the Bi-D adjustment pattern",
                "The Bi-D adjustment pattern with a form feed after it, and the wait until\n"
                "the printer is ready again."),
        command("print top-margin", 0, 0, 0, runPrintTopMargin, "print top-margin",
                "the top-margin line",
                "The top-margin line with the stored value under it, the sheet ejected\n"
                "(at least 20 seconds), and the wait until the printer is ready again."),
        command("history", 0, 0, OptJson, runHistory, "history [--json]",
                "what was written to printers from this PC",
                "The service record of this PC: every EEPROM write, factory write, counter\n"
                "reset, cleaning, ink charge, exchange, backup and restore that the program\n"
                "or cantra-service did, oldest first, with the model, the port, the head ID\n"
                "and USB ID where they were read, and each cell before and after. --json\n"
                "prints the record's own lines, one JSON object each. The printer is not\n"
                "asked anything."),
    };
    return table;
}

int run(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
        const Settings &settings)
{
    auto bad = [&](const std::string &message) {
        err << settings.program << ": " << message << " (see " << settings.program << " --help)\n";
        return BadArguments;
    };
    Arguments arguments;
    std::string error;
    if (!parseArguments(args, arguments, error))
        return bad(error);
    if (arguments.version && !arguments.help) {
        out << settings.version << "\n";
        return Success;
    }

    const Command *command = findCommand(arguments.words);
    if (!command) {
        if (arguments.help || arguments.words.empty()) {
            if (!arguments.help)
                return bad("no command given");
            printOverview(out, settings);
            return Success;
        }
        const std::string &first = arguments.words.front();
        std::string choices;
        for (const Command &c : commands())
            if (c.words.front() == first && c.words.size() > 1)
                choices += (choices.empty() ? "" : ", ") + c.words[1];
        if (choices.empty())
            return bad("unknown command '" + first + "'");
        if (arguments.words.size() < 2)
            return bad("'" + first + "' needs one of its commands: " + choices);
        return bad("'" + first + "' has no command '" + arguments.words[1] + "': its commands are "
                   + choices);
    }
    if (arguments.help) {
        printCommandHelp(out, *command, settings);
        return Success;
    }

    const std::string name = joined(command->words, command->words.size());
    std::vector<std::string> operands(arguments.words.begin() + long(command->words.size()),
                                      arguments.words.end());
    if (operands.size() < command->minOperands)
        return bad(name + " needs more: " + command->usage);
    if (operands.size() > command->maxOperands)
        return bad(name + " does not take '" + operands[command->maxOperands] + "'");
    for (const Option option : AllOptions)
        if (arguments.has(option) && !(command->options & option))
            return bad(name + " does not take " + optionName(option));
    const bool virtualPort = arguments.port == "virtual";
    if (virtualPort && !settings.virtualPrinter)
        return bad("--port virtual: this build has no virtual printer");

    std::unique_ptr<TraceFile> traceFile;
    if (!arguments.trace.empty()) {
        traceFile = std::make_unique<TraceFile>(
                arguments.trace, settings.program + " " + name + " on " + arguments.port);
        if (!traceFile->isOpen())
            return bad("--trace: " + traceFile->error());
    }
    const TraceScope traceScope(traceFile.get());
    const VirtualPortScope portScope(virtualPort);

    // Whatever the job writes to the printer becomes one line of the service record.
    records::setProgram(settings.program);
    records::setModel(arguments.modelRow ? models::listed(*arguments.modelRow).listText : "",
                      arguments.modelRow ? models::listed(*arguments.modelRow).code : 0);
    records::Job job(name);
    Context context(arguments, std::move(operands), out, err, settings, portIndex(arguments.port));
    const int code = command->handler(context);
    job.finish();
    context.endLink();
    out.flush();
    return code;
}

} // namespace service
