// A plausible EEPROM image of a serviced printer, built from the address map.
#include "vprinter/ServicedPrinter.h"

#include "commands/EepromMap.h"

#include <cstring>

namespace vprinter {

EepromImage servicedEeprom()
{
    using namespace eeprom;
    EepromImage image;
    image.fill(0xFF);
    for (unsigned a = 0; a <= LastMeaningful; ++a)
        image[a] = 0;

    image[ExchangeMark] = ExchangeMarkValue;
    image[ExchangeFour] = ExchangeFourValue;

    constexpr uint16_t counter = 3412;
    image[CounterHigh] = uint8_t(counter >> 8);
    image[CounterLow] = uint8_t(counter & 0xFF);

    // Ink counters as a used printer leaves them.
    static const uint8_t ink[] = { 0x01, 0x2C, 0x00, 0xD2, 0x00, 0xC8, 0x00, 0xBE,
                                   0x00, 0x96, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00 };
    std::memcpy(&image[InkCountersFirst], ink, sizeof ink);

    image[ModelSize] = ModelSizeLarger;
    image[ProductionFirst] = 0x01;
    image[ProductionLast] = 0x00;
    image[TopMargin] = uint8_t(int8_t(-5));
    image[BidMultiShot1] = 3;
    image[BidMultiShot2] = uint8_t(int8_t(-2));
    image[BidVariableShot] = 1;
    image[InitialThree] = InitialThreeValue;

    // "H3PR2C": H = 8, 3, P = 15, R = 17, 2 = 27; the check character C is not stored.
    image[HeadIdFirst] = 8;
    image[HeadIdSecond] = 3;
    image[HeadIdThird] = 15;
    image[HeadIdFourth] = 17;
    image[HeadIdFifth] = 27;

    image[InkFlag2] = 1;
    image[BackupPairFirst] = 0x12;
    image[BackupPairLast] = 0x34;
    image[MarketFirst] = 0x01;

    static const char usb[] = "K7A0031942"
                              "435EHC20";
    std::memcpy(&image[UsbSerialFirst], usb, UsbIdLength);

    image[ModelSize2] = ModelSize2Larger;
    return image;
}

} // namespace vprinter
