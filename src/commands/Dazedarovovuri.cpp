// Protection counter reading and reset over the control channel, and the ready poll.
#include "commands/Dazedarovovuri.h"

#include "commands/EepromMap.h"
#include "link/Roro4dodu.h"
#include "platform/Platform.h"

#include <cstdio>

TPMaintenance Maintenance;

namespace {

constexpr uint32_t PollPauseMs = 2000;
constexpr int FirstEspRow = 2;

} // namespace

uint16_t TPMaintenance::StartingValue(int modelRow)
{
    return modelRow < FirstEspRow ? eeprom::CounterStartStandard : eeprom::CounterStartEsp;
}

const char *TPMaintenance::ReadProtectionCounter()
{
    m_text[0] = 0;
    const uint8_t low = D4Link.ReadEepromByte(eeprom::CounterLow);
    m_lastReadFailed = D4Link.LastExchangeFailed();
    if (m_lastReadFailed)
        return m_text;
    const uint8_t high = D4Link.ReadEepromByte(eeprom::CounterHigh);
    m_lastReadFailed = D4Link.LastExchangeFailed();
    if (m_lastReadFailed)
        return m_text;
    std::snprintf(m_text, sizeof m_text, "%u", unsigned(high) * 256 + low);
    return m_text;
}

bool TPMaintenance::ResetProtectionCounter(int modelRow)
{
    const uint16_t start = StartingValue(modelRow);
    if (D4Link.WriteEepromByte(eeprom::CounterHigh, uint8_t(start >> 8)) == ReplyNoAnswer)
        return false;
    return D4Link.WriteEepromByte(eeprom::CounterLow, uint8_t(start & 0xFF)) != ReplyNoAnswer;
}

bool TPMaintenance::WaitUntilReady()
{
    for (;;) {
        D4Link.GetPrinterStatus();
        if (PrinterStatus == psReady)
            return true;
        if (PrinterStatus == psError)
            return false;
        platform::clock().sleep(PollPauseMs);
    }
}
