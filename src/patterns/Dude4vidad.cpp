// The check sheet's six items, each after its own readiness check. The item headings and
// labels print in text mode where the previous pattern left the paper.
#include "patterns/Dude4vidad.h"

#include "commands/Dazedarovovuri.h"
#include "commands/Dizizeded.h"
#include "patterns/Ziroreved.h"
#include "patterns/Zurova.h"

#include <algorithm>
#include <cstring>
#include <string_view>

TPA4check A4check;

namespace {

// Two packets of 38 characters and their 00 byte.
struct Banner
{
    uint16_t modelCode;
    char first[39];
    char second[39];
};

constexpr Banner Banners[] = {
    { 770, "    ******************** Cantra R70PA ", "CHECK PATTERN PRINT ******************" },
    { 772, "    ******************** Cantra R50PA ", "CHECK PATTERN PRINT ******************" },
    { 774, "    ***************  Cantra R70PA(ESP)", "  CHECK PATTERN PRINT ****************" },
    { 776, "    ***************  Cantra R50PA(ESP)", "  CHECK PATTERN PRINT ****************" },
};

constexpr size_t HeadIdLength = 6;
constexpr size_t CounterFieldLength = 5;

// "1. " to "6. ": the digit counts up before each later item.
class ItemNumber
{
public:
    void send()
    {
        Raster.SendBytes(m_field, sizeof m_field);
        ++m_field[0];
    }

private:
    uint8_t m_field[4] = { '1', '.', ' ', 0 };
};

} // namespace

bool TPA4check::PrintCheckSheet(uint16_t modelCode)
{
    Raster.InitPrinter();
    if (!Raster.WaitReadyToPrint())
        return false;
    // Codes without a banner (the USB-capable models) print the sheet without one.
    for (const Banner &banner : Banners) {
        if (banner.modelCode == modelCode) {
            Raster.SendTextWithNul(banner.first);
            Raster.SendTextWithNul(banner.second);
        }
    }
    Raster.NewLines(2);

    ItemNumber item;
    if (!Raster.WaitReadyToPrint())
        return false;
    item.send();
    Raster.PrintBlackBeta();
    Raster.PrintColourBeta();

    if (!Raster.WaitReadyToPrint())
        return false;
    item.send();
    Raster.PrintBlackNozzleCheck();
    Raster.PrintColourNozzleCheck();

    if (!Raster.WaitReadyToPrint())
        return false;
    item.send();
    Raster.PrintAlignment();

    if (!Raster.WaitReadyToPrint())
        return false;
    item.send();
    // A printer error here is caught by the next readiness check.
    Bid.PrintBidPattern(true);

    if (!Raster.WaitReadyToPrint())
        return false;
    item.send();
    Raster.SendTextWithNul("HEAD ACTUATOR VOLTAGE ID = ");
    Raster.SendBytes(reinterpret_cast<const uint8_t *>(HeadID.ReadHeadId()), HeadIdLength);
    Raster.NewLines(3);

    if (!Raster.WaitReadyToPrint())
        return false;
    item.send();
    Raster.SendTextWithNul("Ink Waste Pad Counter Value = ");
    // A fresh field each time: a shorter reading must not keep digits of a longer one.
    uint8_t counter[CounterFieldLength] = {};
    const std::string_view reading = Maintenance.ReadProtectionCounter();
    std::memcpy(counter, reading.data(), std::min(reading.size(), sizeof counter));
    Raster.SendBytes(counter, sizeof counter);
    Raster.FormFeed();

    if (!Raster.WaitReadyToPrint())
        return false;
    Raster.InitPrinter();
    return true;
}
