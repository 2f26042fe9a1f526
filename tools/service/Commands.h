// The jobs of cantra-service, each a function over one command line, and what they share.
#pragma once

#include "Arguments.h"
#include "Service.h"
#include "Session.h"

#include <ostream>
#include <string>
#include <vector>

namespace service {

class Context
{
public:
    Context(const Arguments &arguments, std::vector<std::string> operands, std::ostream &out,
            std::ostream &err, const Settings &settings, uint16_t portIndex);

    const Arguments &args;
    // The words after the command's own.
    const std::vector<std::string> operands;
    std::ostream &out;
    std::ostream &err;
    const Settings &settings;

    // The port as the technician named it.
    const std::string &port() const { return args.port; }
    // Starts the link; false after saying why.
    bool startLink();
    void endLink() { m_session.end(); }
    // One line on the error output, and the exit code to return.
    int fail(ExitCode code, const std::string &message);
    // A command line the command cannot run with: one line that points to the help.
    int badArguments(const std::string &message);

private:
    Session m_session;
};

using Handler = int (*)(Context &);

struct Command
{
    std::vector<std::string> words; // "eeprom", "read"
    size_t minOperands;
    size_t maxOperands;
    unsigned options; // the Option flags it takes
    Handler handler;
    const char *usage; // after the program name
    const char *summary; // a few words for the list of commands
    const char *help; // what it does, a few lines
};

const std::vector<Command> &commands();

// The jobs.
int runStatus(Context &context);
int runEepromRead(Context &context);
int runEepromWrite(Context &context);
int runEepromDump(Context &context);
int runEepromRestore(Context &context);
int runEepromInitialSetting(Context &context);
int runCounter(Context &context);
int runCounterReset(Context &context);
int runHeadId(Context &context);
int runHeadIdSet(Context &context);
int runBid(Context &context);
int runBidSet(Context &context);
int runTopMargin(Context &context);
int runTopMarginSet(Context &context);
int runUsbId(Context &context);
int runUsbIdSet(Context &context);
int runClean(Context &context);
int runInkCharge(Context &context);
int runPrintNozzleCheck(Context &context);
int runPrintA4(Context &context);
int runPrintBid(Context &context);
int runPrintTopMargin(Context &context);
int runHistory(Context &context);

// The name of the model --model gave, as the start window's list writes it (the display name
// for a model the list does not offer).
std::string modelName(const Arguments &args);

} // namespace service
