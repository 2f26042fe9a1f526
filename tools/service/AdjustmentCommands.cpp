// The adjustment items' values: Bi-D values, top margin and USB ID written and read as the
// Bi-D, top-margin and USB ID panels do. Every value is checked before the link starts.
#include "Commands.h"

#include "commands/Models.h"
#include "commands/Zadivavoza.h"
#include "commands/Zedivozi.h"
#include "link/Roro4dodu.h"
#include "patterns/Ziroreved.h"
#include "patterns/Zurova.h"

#include <optional>

namespace service {

namespace {

// A data-channel write gets no answer; one that went out without the printer's credit, or over
// a link found lost, may never have arrived.
const char *const NotDelivered
        = "A communication error has occurred. The printer may not have received the value";

// The USB ID commands run only for a model that has one: the exit code of the refusal, or
// nothing when the model has a USB ID.
std::optional<int> refusedWithoutUsbId(Context &context, const std::string &name)
{
    std::string codes;
    for (uint16_t code = models::FirstCode; code <= models::LastCode; ++code)
        if (models::isUsbCapable(code))
            codes += (codes.empty() ? "" : ", ") + std::to_string(code);
    if (!context.args.modelCode)
        return context.badArguments(name + " needs --model CODE of a USB-capable model (" + codes
                                    + "): only they have a USB ID");
    if (!models::isUsbCapable(*context.args.modelCode))
        return context.badArguments(modelName(context.args)
                                    + " has no USB ID; the USB-capable models are " + codes);
    return std::nullopt;
}

} // namespace

std::string modelName(const Arguments &args)
{
    const models::Model *model = args.modelCode ? models::find(*args.modelCode) : nullptr;
    if (!model)
        return "";
    return *model->listText ? model->listText : model->displayName;
}

int runBidSet(Context &context)
{
    struct Entry
    {
        Option option;
        const std::string &text;
        uint8_t kind;
        const char *prefix;
    };
    // In the order of the Bi-D entry's list of shot types.
    const Entry entries[] = {
        { OptMs1, context.args.ms1, BidKindMultiShot1, "As Multi shot 1 data, " },
        { OptMs2, context.args.ms2, BidKindMultiShot2, "As Multi shot 2 data, " },
        { OptVs, context.args.vs, BidKindVariableShot, "As Variable shot data, " },
    };
    if (!context.args.has(OptMs1) && !context.args.has(OptMs2) && !context.args.has(OptVs))
        return context.badArguments("bid set needs at least one of --ms1 N, --ms2 N, --vs N");
    for (const Entry &entry : entries)
        if (context.args.has(entry.option) && !TPBid::BidValueAccepted(entry.text))
            return context.badArguments(std::string(optionName(entry.option)) + " " + entry.text
                                        + ": Digit is wrong. A Bi-D value is -56 to 56");
    if (!context.startLink())
        return PrinterFailure;
    for (const Entry &entry : entries) {
        if (!context.args.has(entry.option))
            continue;
        const DataDelivery delivery;
        Bid.WriteBidValue(entry.kind, entry.text);
        if (!delivery.complete())
            return context.fail(PrinterFailure, NotDelivered);
        context.out << entry.prefix << entry.text << " has been written in EEPROM.\n";
    }
    return Success;
}

int runTopMargin(Context &context)
{
    if (!context.startLink())
        return PrinterFailure;
    const int margin = Raster.ReadTopMargin();
    if (D4Link.LastExchangeFailed())
        return context.fail(PrinterFailure, "the printer did not answer a read of the top margin");
    context.out << "Top margin = " << margin << "\n";
    return Success;
}

int runTopMarginSet(Context &context)
{
    const std::string &text = context.operands[0];
    if (!TPRaster::TopMarginAccepted(text))
        return context.badArguments(text
                                    + ": Writing EEPROM data failed. The top margin is -40 to 40");
    if (!context.startLink())
        return PrinterFailure;
    const DataDelivery delivery;
    Raster.WriteTopMargin(text);
    if (!delivery.complete())
        return context.fail(PrinterFailure, NotDelivered);
    context.out << "As Top margin data, " << text << " has been written in EEPROM.\n";
    return Success;
}

int runUsbId(Context &context)
{
    if (const auto refused = refusedWithoutUsbId(context, "usb-id"))
        return *refused;
    if (!context.startLink())
        return PrinterFailure;
    std::string id;
    const bool valid = UsbID.ReadUsbId(id);
    if (UsbID.LastReadFailed())
        return context.fail(PrinterFailure, "the printer did not answer a read of the USB ID");
    if (!valid)
        return context.fail(PrinterFailure, "Invalid USB ID");
    context.out << "USB ID = " << id << "\n";
    return Success;
}

int runUsbIdSet(Context &context)
{
    if (const auto refused = refusedWithoutUsbId(context, "usb-id set"))
        return *refused;
    // Taken as typed: the entry box does not turn letters into upper case either.
    const std::string &serial = context.operands[0];
    if (const char *problem = VORizOroRu::SerialProblem(serial))
        return context.badArguments(serial + ": " + problem);
    if (!context.startLink())
        return PrinterFailure;
    const std::optional<std::string> display = UsbID.WriteUsbId(serial, 0);
    if (UsbID.LastWriteFailed())
        return context.fail(PrinterFailure, NotDelivered);
    // The memo's three lines.
    context.out << "USB ID\n\"" << display.value_or("") << "\"\n has been written in EEPROM.\n";
    return Success;
}

} // namespace service
