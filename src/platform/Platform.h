// The operating-system services the tool depends on besides the port: time, message dialogs,
// the mouse cursor and process exit. Each is a small interface so tests can swap in doubles.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct LocalTime
{
    int year = 0;
    int month = 0; // 1 to 12
    int day = 0; // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock
{
public:
    virtual ~Clock() = default;
    virtual void sleep(uint32_t ms) = 0;
    // Whole seconds of wall-clock time, for coarse guards.
    virtual int64_t seconds() = 0;
    // Milliseconds of a clock that never goes back, for deadlines.
    virtual int64_t monotonicMs() = 0;
    virtual LocalTime localTime() = 0;
};

enum class MessageKind { Information, Warning, Error, Confirmation, Plain };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct Message
{
    MessageKind kind = MessageKind::Information;
    std::string text;
    // Empty means the usual caption of the kind.
    std::string title;
    MessageButtons buttons = MessageButtons::Ok;
    // A box with no owner window, shown even before any window exists.
    bool system = false;
    // A second paragraph under the text: what the technician can do about it. Usually empty.
    std::string detail = {};
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // Shows the message modally and returns the button the user chose.
    virtual MessageAnswer show(const Message &message) = 0;
};

class Cursor
{
public:
    virtual ~Cursor() = default;
    virtual void setBusy(bool busy) = 0;
};

class Process
{
public:
    virtual ~Process() = default;
    // Ends the process through the runtime's normal exit path.
    [[noreturn]] virtual void exit(int code) = 0;
};

class PortConnector;

// The services in force. Every one is always set: the defaults are the real system ones
// (dialogs default to writing on standard error until a window toolkit installs its own).
Clock &clock();
Dialogs &dialogs();
Cursor &cursor();
Process &process();
PortConnector &ports();

void setClock(Clock *clock);
void setDialogs(Dialogs *dialogs);
void setCursor(Cursor *cursor);
void setProcess(Process *process);
void setPorts(PortConnector *ports);
// Back to the real services, and no trace.
void restoreDefaults();

// Shorthand for the common one-button and question boxes.
MessageAnswer showMessage(MessageKind kind, const std::string &text,
                          MessageButtons buttons = MessageButtons::Ok);
void showError(const std::string &text);
void showWarning(const std::string &text);

class SystemClock : public Clock
{
public:
    void sleep(uint32_t ms) override;
    int64_t seconds() override;
    int64_t monotonicMs() override;
    LocalTime localTime() override;
};

} // namespace platform
