// The hook through which the link reports every packet, wait and failure to a protocol trace.
// It is null unless a trace was asked for, so without one the link pays one pointer test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform {

struct Message;

class Trace
{
public:
    virtual ~Trace() = default;
    // One write to the port; `written` is what went out of `length`.
    virtual void sent(const uint8_t *bytes, size_t length, size_t written) = 0;
    // One whole packet read from the port, header included.
    virtual void received(const uint8_t *bytes, size_t length) = 0;
    // A packet read that failed: the bytes that did arrive, and why.
    virtual void readFailed(const uint8_t *bytes, size_t got, std::string_view why) = 0;
    // Bytes the printer had sent that nobody read, dropped before the next exchange.
    virtual void dropped(size_t count) = 0;
    // A transaction try that got no answer to `request`.
    virtual void failedTry(const uint8_t *request, size_t length, int attempt, int tries,
                           std::string_view why)
            = 0;
    virtual void waited(uint32_t ms) = 0;
    // A message box, as it is shown.
    virtual void message(const Message &message) = 0;
    // The process is about to end: whatever is held must reach the file now.
    virtual void exiting(int code) = 0;
    virtual void note(std::string_view text) = 0;
};

namespace detail {
extern Trace *currentTrace;
}

inline Trace *trace()
{
    return detail::currentTrace;
}

// While a trace is set, the clock's pauses, the message boxes and the process exit are
// reported to it as well, whichever clock, dialogs and process are set meanwhile. Set it after
// any clock that wraps clock(): while a trace is on, clock() is the trace's stand-in, and a
// clock wrapping it would call itself.
void setTrace(Trace *trace);

} // namespace platform
