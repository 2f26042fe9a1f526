// The services in force and their real implementations that need no window toolkit.
#include "platform/Platform.h"

#include "platform/PortDevice.h"
#include "platform/Trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace platform {

namespace {

// Until a window toolkit installs its dialogs, messages go to standard error and every
// question is answered with its first button.
class ConsoleDialogs : public Dialogs
{
public:
    MessageAnswer show(const Message &message) override
    {
        std::fprintf(stderr, "[%s] %s\n", message.title.c_str(), message.text.c_str());
        switch (message.buttons) {
        case MessageButtons::YesNo: return MessageAnswer::Yes;
        case MessageButtons::Ok:
        case MessageButtons::OkCancel: break;
        }
        return MessageAnswer::Ok;
    }
};

class NoCursor : public Cursor
{
public:
    void setBusy(bool) override { }
};

class RuntimeProcess : public Process
{
public:
    [[noreturn]] void exit(int code) override { std::exit(code); }
};

SystemClock systemClock;
ConsoleDialogs consoleDialogs;
NoCursor noCursor;
RuntimeProcess runtimeProcess;

// The services set by setClock, setDialogs and setProcess.
Clock *baseClock = &systemClock;
Dialogs *baseDialogs = &consoleDialogs;
Process *baseProcess = &runtimeProcess;

// While a trace is on, these stand in front of the services set and tell the trace.
class TracedClock : public Clock
{
public:
    void sleep(uint32_t ms) override
    {
        detail::currentTrace->waited(ms);
        baseClock->sleep(ms);
    }
    int64_t seconds() override { return baseClock->seconds(); }
    int64_t monotonicMs() override { return baseClock->monotonicMs(); }
    LocalTime localTime() override { return baseClock->localTime(); }
};

class TracedDialogs : public Dialogs
{
public:
    MessageAnswer show(const Message &message) override
    {
        detail::currentTrace->message(message);
        return baseDialogs->show(message);
    }
};

class TracedProcess : public Process
{
public:
    [[noreturn]] void exit(int code) override
    {
        detail::currentTrace->exiting(code);
        baseProcess->exit(code);
        std::abort(); // an exit that returned
    }
};

TracedClock tracedClock;
TracedDialogs tracedDialogs;
TracedProcess tracedProcess;

Clock *currentClock = &systemClock;
Dialogs *currentDialogs = &consoleDialogs;
Cursor *currentCursor = &noCursor;
Process *currentProcess = &runtimeProcess;
PortConnector *currentPorts = nullptr;

void routeThroughTrace()
{
    const bool on = detail::currentTrace != nullptr;
    currentClock = on ? &tracedClock : baseClock;
    currentDialogs = on ? &tracedDialogs : baseDialogs;
    currentProcess = on ? &tracedProcess : baseProcess;
}

} // namespace

namespace detail {
Trace *currentTrace = nullptr;
}

void setTrace(Trace *trace)
{
    detail::currentTrace = trace;
    routeThroughTrace();
}

Clock &clock()
{
    return *currentClock;
}
Dialogs &dialogs()
{
    return *currentDialogs;
}
Cursor &cursor()
{
    return *currentCursor;
}
Process &process()
{
    return *currentProcess;
}
PortConnector &ports()
{
    return currentPorts ? *currentPorts : systemPorts();
}

void setClock(Clock *clock)
{
    baseClock = clock ? clock : &systemClock;
    routeThroughTrace();
}
void setDialogs(Dialogs *dialogs)
{
    baseDialogs = dialogs ? dialogs : &consoleDialogs;
    routeThroughTrace();
}
void setCursor(Cursor *cursor)
{
    currentCursor = cursor ? cursor : &noCursor;
}
void setProcess(Process *process)
{
    baseProcess = process ? process : &runtimeProcess;
    routeThroughTrace();
}
void setPorts(PortConnector *ports)
{
    currentPorts = ports;
}

void restoreDefaults()
{
    setTrace(nullptr);
    setClock(nullptr);
    setDialogs(nullptr);
    setCursor(nullptr);
    setProcess(nullptr);
    setPorts(nullptr);
}

MessageAnswer showMessage(MessageKind kind, const std::string &text, MessageButtons buttons)
{
    Message message;
    message.kind = kind;
    message.text = text;
    message.buttons = buttons;
    return dialogs().show(message);
}

void showError(const std::string &text)
{
    showMessage(MessageKind::Error, text);
}
void showWarning(const std::string &text)
{
    showMessage(MessageKind::Warning, text);
}

void SystemClock::sleep(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int64_t SystemClock::seconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
}

int64_t SystemClock::monotonicMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
}

LocalTime SystemClock::localTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
#ifdef _WIN32
    localtime_s(&parts, &now);
#else
    localtime_r(&now, &parts);
#endif
    return LocalTime{ parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                      parts.tm_hour,        parts.tm_min,     parts.tm_sec };
}

} // namespace platform
