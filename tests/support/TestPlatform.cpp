// Test doubles of the platform services.
#include "support/TestPlatform.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/PortDevice.h"
#include "records/DataFolder.h"
#include "records/ServiceRecord.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unistd.h>
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

namespace {

// One folder per process for the tests' data folders, which are made only when written.
std::filesystem::path testDataRoot()
{
    return std::filesystem::temp_directory_path()
            / ("cantra-test-data-" + std::to_string(::getpid()));
}

} // namespace

TestPlatform::TestPlatform()
{
    static int made = 0;
    dataFolder = testDataRoot() / std::to_string(++made);
    platform::setClock(&clock);
    platform::setDialogs(&dialogs);
    platform::setCursor(&cursor);
    platform::setProcess(&process);
    resetLink();
    records::setDataFolder(dataFolder);
}

TestPlatform::~TestPlatform()
{
    resetLink();
    records::setDataFolder({});
    std::error_code ignored;
    std::filesystem::remove_all(dataFolder, ignored);
    std::filesystem::remove(testDataRoot(), ignored); // only once it is empty
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

std::vector<std::string> recordLines(const std::filesystem::path &dataFolder)
{
    std::vector<std::string> lines;
    std::ifstream in(dataFolder / "service-record.jsonl");
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void resetLink()
{
    PrinterDriver.ClosePort();
    D4Link.Reset();
    records::resetSession();
    PrinterStatus = 0;
    ErrorStatus = 0;
    std::fill(std::begin(InkLevels), std::end(InkLevels), 0);
    std::fill(std::begin(WarningFlags), std::end(WarningFlags), 0);
}

} // namespace testsupport
