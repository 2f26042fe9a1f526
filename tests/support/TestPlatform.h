// Test doubles of the platform services: a clock in virtual milliseconds that records every
// sleep, dialogs answered from a script, a recording cursor and an exit that unwinds the test
// instead of ending the run; and their one installer.
#pragma once

#include "platform/Platform.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Called by the doubles as things happen: "sleep 200", "dialog TEXT" (before the answer).
using EventHook = std::function<void(const std::string &event)>;

class FakeClock : public platform::Clock
{
public:
    void sleep(uint32_t ms) override
    {
        if (onEvent)
            onEvent("sleep " + std::to_string(ms));
        sleeps.push_back(ms);
        nowMs += ms;
    }
    int64_t seconds() override { return 1'800'000'000 + nowMs / 1000; }
    int64_t monotonicMs() override { return nowMs; }
    platform::LocalTime localTime() override { return local; }

    std::vector<uint32_t> sleeps;
    int64_t nowMs = 0;
    EventHook onEvent;
    platform::LocalTime local{ 2026, 12, 8, 10, 0, 0 };
};

class ScriptedDialogs : public platform::Dialogs
{
public:
    platform::MessageAnswer show(const platform::Message &message) override;
    // The texts shown so far, in order.
    std::vector<std::string> texts() const;

    std::vector<platform::Message> shown;
    // Answers for the questions to come; when empty, a question gets its first button.
    std::deque<platform::MessageAnswer> answers;
    // Called with every message before it is answered, as if the user did something while
    // the box was up.
    std::function<void(const platform::Message &)> whileShown;
    EventHook onEvent;
};

class RecordingCursor : public platform::Cursor
{
public:
    void setBusy(bool value) override
    {
        busy = value;
        changes.push_back(value);
    }
    bool busy = false;
    std::vector<bool> changes;
};

// Thrown by TestProcess::exit so a test can watch the program end and carry on.
struct ProcessExit
{
    int code;
};

class TestProcess : public platform::Process
{
public:
    [[noreturn]] void exit(int code) override
    {
        exits.push_back(code);
        throw ProcessExit{ code };
    }
    std::vector<int> exits;
};

// Installs the doubles for one test and puts the link back in its program-start state; the
// destructor restores the real services, whatever the test put in their place. The files the
// program keeps (backups, service record) go to a folder of the test's own, made when the
// first is written and removed with the test: never into the home folder.
class TestPlatform
{
public:
    TestPlatform();
    ~TestPlatform();
    TestPlatform(const TestPlatform &) = delete;
    TestPlatform &operator=(const TestPlatform &) = delete;

    // One hook for the clock's and the dialogs' events.
    void onEvent(EventHook hook);
    // Another clock for the rest of the test (the system's real one when null), for a printer
    // that runs in another process.
    void useClock(platform::Clock *other);

    FakeClock clock;
    ScriptedDialogs dialogs;
    RecordingCursor cursor;
    TestProcess process;
    std::filesystem::path dataFolder;
};

// The service record's lines in `dataFolder`, oldest first.
std::vector<std::string> recordLines(const std::filesystem::path &dataFolder);

// The port, the transport, the shared status values and the service record's session as at
// program start.
void resetLink();

} // namespace testsupport
