// Test doubles of the platform services.
#include "support/TestPlatform.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/PortDevice.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace testsupport {

platform::MessageAnswer ScriptedDialogs::show(const platform::Message &message)
{
    shown.push_back(message);
    if (onEvent)
        onEvent("dialog " + message.text);
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

void TestPlatform::onEvent(EventHook hook)
{
    clock.onEvent = hook;
    dialogs.onEvent = std::move(hook);
}

void TestPlatform::useClock(platform::Clock *other)
{
    platform::setClock(other);
}

void resetLink()
{
    PrinterDriver.ClosePort();
    D4Link.Reset();
    PrinterStatus = 0;
    ErrorStatus = 0;
    std::fill(std::begin(InkLevels), std::end(InkLevels), 0);
    std::fill(std::begin(WarningFlags), std::end(WarningFlags), 0);
}

} // namespace testsupport
