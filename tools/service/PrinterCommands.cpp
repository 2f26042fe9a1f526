// Status, protection counter, head voltage ID, Bi-D values, the printer's own sequences and the
// prints: each the core operation a window's handler runs, with its waits.
#include "Commands.h"

#include "commands/Dazedarovovuri.h"
#include "commands/Dizizeded.h"
#include "commands/Zadivavoza.h"
#include "link/PacketDecoder.h"
#include "link/Roro4dodu.h"
#include "patterns/Dude4vidad.h"
#include "patterns/Ziroreved.h"
#include "patterns/Zurova.h"

#include <cctype>
#include <cstdio>

namespace service {

namespace {

// With its prefix, so that nobody reads 7014 as a decimal number (JSON carries the number).
std::string code4(uint16_t code)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", code);
    return text;
}

// Any reported error makes the state an error state, whatever the "ST:" digit says.
bool printerInError()
{
    return PrinterStatus == psError || ErrorStatus != esNone;
}

std::string errorText()
{
    const std::string name = wire::errorName(ErrorStatus);
    return ErrorStatus == esNone || name.empty() ? "an error" : name;
}

// Why a wait for the printer ended without it being ready.
int notReady(Context &context, const char *what)
{
    if (D4Link.LastExchangeFailed())
        return context.fail(PrinterFailure,
                            std::string(what) + ": the printer did not answer the status request");
    return context.fail(PrinterFailure,
                        std::string(what) + ": Printer is error. (" + errorText() + ")");
}

struct Sequence
{
    uint8_t mode;
    const char *what;
    const char *busyText;
    const char *doneText;
};

// Ready before, the printer's own sequence, ready after: as the maintenance panels run it.
int runSequence(Context &context, const Sequence &sequence)
{
    if (!context.startLink())
        return PrinterFailure;
    if (!Maintenance.WaitUntilReady())
        return notReady(context, sequence.what);
    context.out << sequence.busyText << "\n" << std::flush;
    Factory.FactoryCleaning(sequence.mode);
    if (!Maintenance.WaitUntilReady())
        return notReady(context, sequence.what);
    context.out << sequence.doneText << "\n";
    return Success;
}

void printJson(Context &context)
{
    std::string lowInk;
    for (int i = 0; i < 4; ++i)
        if (WarningFlags[i])
            lowInk += std::string(lowInk.empty() ? "" : ", ") + "\"" + wire::InkNames[i] + "\"";
    context.out << "{\"port\": \"" << context.port() << "\", \"state\": \""
                << wire::stateName(PrinterStatus) << "\", \"stateCode\": " << PrinterStatus
                << ", \"error\": \"" << wire::errorName(ErrorStatus)
                << "\", \"errorCode\": " << ErrorStatus
                << ", \"inError\": " << (printerInError() ? "true" : "false") << ", \"ink\": {";
    for (int i = 0; i < 4; ++i)
        context.out << (i ? ", " : "") << "\"" << wire::InkNames[i] << "\": " << int(InkLevels[i]);
    context.out << "}, \"lowInk\": [" << lowInk << "]}\n";
}

void printText(Context &context)
{
    std::string lowInk;
    for (int i = 0; i < 4; ++i)
        if (WarningFlags[i])
            lowInk += std::string(lowInk.empty() ? "" : ", ") + wire::InkNames[i];
    context.out << "port      " << context.port() << "\n"
                << "state     " << wire::stateName(PrinterStatus) << " (" << code4(PrinterStatus)
                << ")\n"
                << "error     " << wire::errorName(ErrorStatus) << " (" << code4(ErrorStatus)
                << ")\n"
                << "ink       ";
    for (int i = 0; i < 4; ++i)
        context.out << (i ? ", " : "") << wire::InkNames[i] << " " << int(InkLevels[i]);
    context.out << "\nlow ink   " << (lowInk.empty() ? "none" : lowInk) << "\n";
}

} // namespace

int runStatus(Context &context)
{
    // The link start reads the status; that reading is the answer.
    if (!context.startLink())
        return PrinterFailure;
    if (context.args.has(OptJson)) {
        printJson(context);
    } else if (context.args.has(OptBrief)) {
        char line[128];
        std::snprintf(line, sizeof line,
                      "%s: state %04X, error %04X, ink %u %u %u %u, warnings %d %d %d %d\n",
                      context.port().c_str(), PrinterStatus, ErrorStatus, InkLevels[0],
                      InkLevels[1], InkLevels[2], InkLevels[3], WarningFlags[0], WarningFlags[1],
                      WarningFlags[2], WarningFlags[3]);
        context.out << line;
    } else {
        printText(context);
    }
    if (printerInError())
        return context.fail(PrinterFailure, "the printer reports " + errorText());
    return Success;
}

int runCounter(Context &context)
{
    if (!context.startLink())
        return PrinterFailure;
    const std::string counter = Maintenance.ReadProtectionCounter();
    if (Maintenance.LastReadFailed())
        return context.fail(PrinterFailure, "the printer did not answer a read of the counter");
    context.out << "Counter value = " << counter << "\n";
    return Success;
}

int runCounterReset(Context &context)
{
    if (!context.args.modelRow)
        return context.badArguments("counter reset needs --model ROW: the starting value "
                                    "depends on the model");
    if (!context.args.has(OptYes))
        return context.badArguments("counter reset writes the counter: replace the waste ink "
                                    "pad first, then add --yes");
    const int row = *context.args.modelRow;
    if (!context.startLink())
        return PrinterFailure;
    if (!Maintenance.ResetProtectionCounter(row))
        return context.fail(PrinterFailure, "the printer did not answer a write of the counter");
    context.out << "The protect counter has been initialized. ("
                << TPMaintenance::StartingValue(row) << " for " << modelName(context.args) << ")\n";
    return Success;
}

int runHeadId(Context &context)
{
    if (!context.startLink())
        return PrinterFailure;
    const std::string id = HeadID.ReadHeadId();
    if (HeadID.LastReadFailed())
        return context.fail(PrinterFailure, "the printer did not answer a read of the head ID");
    // A blank or erased EEPROM gives no text, or bytes outside the alphabet: shown, and said.
    std::string shown;
    bool readable = !id.empty();
    for (const unsigned char c : id) {
        if (c >= 0x20 && c < 0x7F) {
            shown += char(c);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
        shown += escaped;
        readable = false;
    }
    if (!readable)
        shown += std::string(shown.empty() ? "" : " ") + "(the cells hold no head voltage ID)";
    context.out << "Head voltage ID = " << shown << "\n";
    return Success;
}

int runHeadIdSet(Context &context)
{
    // The entry box turns letters into upper case as they are typed.
    std::string id = context.operands[0];
    for (char &c : id)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    switch (TPHeadID::CheckHeadId(id)) {
    case HeadIdWritten: break;
    case HeadIdWrongLength: return context.badArguments(id + ": The Number of digit is wrong.");
    case HeadIdWrongFirst: return context.badArguments(id + ": First Digit is wrong.");
    case HeadIdWrongSecond: return context.badArguments(id + ": Second Digit is wrong.");
    case HeadIdWrongThird: return context.badArguments(id + ": Third Digit is wrong.");
    case HeadIdWrongFourth: return context.badArguments(id + ": Fourth Digit is wrong.");
    case HeadIdWrongFifth: return context.badArguments(id + ": Fifth Digit is wrong.");
    default: return context.badArguments(id + ": Check ID is invalid.");
    }
    if (!context.startLink())
        return PrinterFailure;
    if (HeadID.WriteHeadId(id) != HeadIdWritten)
        return context.fail(PrinterFailure,
                            "the printer did not answer a write of the head ID; it may be half "
                            "written, write it again");
    context.out << "As head actuator voltage, " << id << " has been written in EEPROM.\n";
    return Success;
}

int runBid(Context &context)
{
    struct Shot
    {
        uint8_t kind;
        const char *name;
    };
    static constexpr Shot Shots[] = { { BidKindMultiShot1, "Multi shot 1" },
                                      { BidKindMultiShot2, "Multi shot 2" },
                                      { BidKindVariableShot, "Variable shot" } };
    if (!context.startLink())
        return PrinterFailure;
    std::string lines;
    for (const Shot &shot : Shots) {
        const std::string value = Bid.ReadBidValueText(shot.kind);
        if (D4Link.LastExchangeFailed())
            return context.fail(PrinterFailure,
                                std::string("the printer did not answer a read of ") + shot.name);
        lines += std::string(shot.name) + " = " + value + "\n";
    }
    context.out << lines;
    return Success;
}

int runClean(Context &context)
{
    return runSequence(context,
                       { CleaningHead, "head cleaning", "Cleaning the head now.",
                         "Head cleaning is completed." });
}

int runInkCharge(Context &context)
{
    return runSequence(context,
                       { CleaningInitialInkCharge, "initial ink charge",
                         "Performing Initial Ink Charge now.",
                         "Initial Ink Charge is completed." });
}

int runPrintNozzleCheck(Context &context)
{
    if (!context.startLink())
        return PrinterFailure;
    if (!Raster.WaitReadyToPrint())
        return notReady(context, "nozzle check");
    context.out << "Nozzle check pattern is printing now.\n" << std::flush;
    Raster.PrintBlackNozzleCheck();
    Raster.PrintColourNozzleCheck();
    Raster.FormFeed();
    if (!Raster.WaitReadyToPrint())
        return notReady(context, "nozzle check");
    Raster.InitPrinter();
    context.out << "Nozzle check print is completed.\n";
    return Success;
}

int runPrintA4(Context &context)
{
    if (!context.args.modelCode)
        return context.badArguments("print a4 needs --model ROW: the sheet's banner names the "
                                    "model");
    if (!context.startLink())
        return PrinterFailure;
    context.out << "A4 pattern is printing now.\n" << std::flush;
    if (!A4check.PrintCheckSheet(*context.args.modelCode) || !Maintenance.WaitUntilReady())
        return notReady(context, "A4 pattern");
    context.out << "A4 pattern print is completed.\n";
    return Success;
}

int runPrintBid(Context &context)
{
    if (!context.startLink())
        return PrinterFailure;
    context.out << "Bi-d pattern is being printed out now.\n" << std::flush;
    if (!Bid.PrintBidPattern(false))
        return notReady(context, "Bi-d pattern");
    Raster.FormFeed();
    if (!Maintenance.WaitUntilReady())
        return notReady(context, "Bi-d pattern");
    context.out << "Bi-d pattern print is completed.\n";
    return Success;
}

int runPrintTopMargin(Context &context)
{
    if (!context.startLink())
        return PrinterFailure;
    // As the top-margin item prints it: no readiness check before.
    context.out << "Now printing Top Margin Line.\n" << std::flush;
    Raster.PrintTopMarginSheet();
    if (!Maintenance.WaitUntilReady())
        return notReady(context, "Top Margin Line");
    context.out << "Printing Top Margin Line completed.\n";
    return Success;
}

} // namespace service
