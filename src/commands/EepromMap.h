// Which EEPROM cell holds what: the one place in the code that says so. Addresses are one
// byte, cells one byte; signed cells hold two's-complement values.
#pragma once

#include <cstdint>

namespace eeprom {

// Set by the end of the transportation liquid exchange: cell 0 to 16, cells 1 to 8 and 12 to
// 40 to 0, cell 9 to 4.
inline constexpr uint8_t ExchangeMark = 0;
inline constexpr uint8_t ExchangeMarkValue = 0x10;
inline constexpr uint8_t ExchangeClearFirst = 1;
inline constexpr uint8_t ExchangeClearLast = 8;
inline constexpr uint8_t ExchangeFour = 9;
inline constexpr uint8_t ExchangeFourValue = 4;
inline constexpr uint8_t ExchangeClearSecondFirst = 12;
inline constexpr uint8_t ExchangeClearSecondLast = 40;

// The protection counter (waste ink pad), unsigned 16 bits, high byte first.
inline constexpr uint8_t CounterHigh = 10;
inline constexpr uint8_t CounterLow = 11;

// Saved and restored by the backup: the ink counters, inside the range the exchange clears.
inline constexpr uint8_t InkCountersFirst = 16;
inline constexpr uint8_t InkCountersLast = 31;

// Initial setting by model size: 0 for the larger model, 1 for the smaller one.
inline constexpr uint8_t ModelSize = 41;
inline constexpr uint8_t ModelSizeLarger = 0;
inline constexpr uint8_t ModelSizeSmaller = 1;

// Saved and restored by the backup.
inline constexpr uint8_t ProductionFirst = 42;
inline constexpr uint8_t ProductionLast = 43;

inline constexpr uint8_t InitialZero45 = 45;

// Top margin, signed, -40 to 40.
inline constexpr uint8_t TopMargin = 46;
inline constexpr int TopMarginMin = -40;
inline constexpr int TopMarginMax = 40;

// Bi-D values, signed. The factory command's kind numbers do not follow the names; the
// cells do.
inline constexpr uint8_t BidMultiShot1 = 51; // kind 2
inline constexpr uint8_t BidMultiShot2 = 52; // kind 1
inline constexpr uint8_t BidVariableShot = 53; // kind 3

// Initial setting: cell 58 to 3, cells 59 to 62 to 0.
inline constexpr uint8_t InitialThree = 58;
inline constexpr uint8_t InitialThreeValue = 3;
inline constexpr uint8_t InitialZeroFirst = 59;
inline constexpr uint8_t InitialZeroLast = 62;

// Head voltage ID: the values of five of its six characters (the sixth is a check character
// rebuilt on reading).
inline constexpr uint8_t HeadIdThird = 63;
inline constexpr uint8_t HeadIdFourth = 64;
inline constexpr uint8_t HeadIdFirst = 65;
inline constexpr uint8_t HeadIdFifth = 66;
inline constexpr uint8_t HeadIdSecond = 70;

// Ink flag 2, cleared by the exchange reset.
inline constexpr uint8_t InkFlag2 = 67;

// Saved and restored by the backup.
inline constexpr uint8_t BackupPairFirst = 68;
inline constexpr uint8_t BackupPairLast = 69;
inline constexpr uint8_t MarketFirst = 71;
inline constexpr uint8_t MarketLast = 74;

// USB ID: 10 serial characters then an 8-character date stamp, ASCII.
inline constexpr uint8_t UsbSerialFirst = 77;
inline constexpr uint8_t UsbSerialLength = 10;
inline constexpr uint8_t UsbStampFirst = 87;
inline constexpr uint8_t UsbStampLength = 8;
inline constexpr uint8_t UsbIdLength = UsbSerialLength + UsbStampLength;

// Initial setting by model size: 0 for the larger model, 2 for the smaller one.
inline constexpr uint8_t ModelSize2 = 95;
inline constexpr uint8_t ModelSize2Larger = 0;
inline constexpr uint8_t ModelSize2Smaller = 2;

// Initial setting: 0 up to the last cell the program gives a meaning to.
inline constexpr uint8_t InitialZeroTailFirst = 96;
inline constexpr uint8_t LastMeaningful = 125;

// The protection counter's starting values after a pad change, and the count at which the
// printer asks for maintenance.
inline constexpr uint16_t CounterStartStandard = 2940; // rows 0 and 1 of the model list
inline constexpr uint16_t CounterStartEsp = 0; // rows 2 and 3
inline constexpr uint16_t CounterMaintenanceRequest = 8350;

} // namespace eeprom
