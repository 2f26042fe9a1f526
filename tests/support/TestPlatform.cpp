// Test doubles of the platform services.
#include "support/TestPlatform.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/PortDevice.h"

#include <algorithm>
#include <iterator>

namespace testsupport {

platform::MessageAnswer ScriptedDialogs::show(const platform::Message &message)
{
    shown.push_back(message);
    if (whileShown)
        whileShown(message);
    if (!answers.empty()) {
        const platform::MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return message.buttons == platform::MessageButtons::YesNo ? platform::MessageAnswer::Yes
                                                              : platform::MessageAnswer::Ok;
}

std::vector<std::string> ScriptedDialogs::texts() const
{
    std::vector<std::string> result;
    for (const platform::Message &message : shown)
        result.push_back(message.text);
    return result;
}

TestPlatform::TestPlatform()
{
    platform::setClock(&clock);
    platform::setDialogs(&dialogs);
    platform::setCursor(&cursor);
    platform::setProcess(&process);
    resetLink();
}

TestPlatform::~TestPlatform()
{
    resetLink();
    platform::restoreDefaults();
    platform::systemPorts().setVirtualFactory(nullptr);
    platform::systemPorts().setAllVirtual(false);
}

void resetLink()
{
    PrinterDriver.ClosePort();
    std::fill(std::begin(D4Link.ReceiveBuffer), std::end(D4Link.ReceiveBuffer), 0);
    D4Link.ReceiveLength = 0;
    D4Link.HostCredit = 0;
    D4Link.PrinterCredit = 0;
    PrinterStatus = 0;
    ErrorStatus = 0;
    std::fill(std::begin(InkLevels), std::end(InkLevels), 0);
    std::fill(std::begin(WarningFlags), std::end(WarningFlags), 0);
}

} // namespace testsupport
