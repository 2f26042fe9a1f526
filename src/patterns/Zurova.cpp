// The Bi-D pattern and the Bi-D value entry. The shot pages themselves are raster operations;
// this unit orders them and checks the printer before and after.
#include "patterns/Zurova.h"

#include "commands/EepromMap.h"
#include "commands/Zadivavoza.h"
#include "link/Roro4dodu.h"
#include "patterns/WholeNumber.h"
#include "patterns/Ziroreved.h"
#include "records/ServiceRecord.h"

#include <charconv>
#include <optional>

TPBid Bid;

namespace {

constexpr int BidLimit = 56;
// What a text that is not a whole number counts as: out of range, so nothing is written.
constexpr int NotANumber = 70;

std::optional<uint8_t> cellOf(uint8_t kind)
{
    switch (kind) {
    case BidKindMultiShot2: return eeprom::BidMultiShot2;
    case BidKindMultiShot1: return eeprom::BidMultiShot1;
    case BidKindVariableShot: return eeprom::BidVariableShot;
    default: return std::nullopt;
    }
}

} // namespace

bool TPBid::PrintBidPattern(bool inSheet)
{
    Raster.InitPrinter();
    if (!Raster.WaitReadyToPrint())
        return false;
    if (inSheet)
        Raster.SendTextWithNul("   Bi-d print");
    else
        Raster.SendTextWithNul("Bi-d print");
    Raster.NewLines(1);
    if (!Raster.PrintMultiShot1() || !Raster.PrintMultiShot2() || !Raster.PrintVariableShot())
        return false;
    if (!Raster.WaitReadyToPrint())
        return false;
    Raster.InitPrinter();
    return true;
}

const char *TPBid::ReadBidValueText(uint8_t kind)
{
    m_text[0] = 0;
    const auto cell = cellOf(kind);
    if (!cell)
        return m_text;
    const auto value = int8_t(D4Link.ReadEepromByte(*cell));
    const auto end = std::to_chars(m_text, m_text + sizeof m_text - 1, int(value)).ptr;
    *end = 0;
    return m_text;
}

bool TPBid::BidValueAccepted(std::string_view text)
{
    const int value = WholeNumber(text, NotANumber);
    return value >= -BidLimit && value <= BidLimit;
}

bool TPBid::WriteBidValue(uint8_t kind, std::string_view text)
{
    const auto cell = cellOf(kind);
    if (!BidValueAccepted(text) || !cell)
        return false;
    const int value = WholeNumber(text, NotANumber);
    // The printer keeps the value in the kind's cell: the record shows it as that cell's write.
    // The pattern's own settings of candidate values are no adjustment and are not recorded.
    const DataDelivery delivery;
    Factory.FactorySetBid(kind, value);
    records::cellWritten(*cell, uint8_t(int8_t(value)),
                         delivery.complete() ? records::Answer::Sent : records::Answer::NoCredit);
    return true;
}
