// What every harness shares: the input read from its front, a port whose reads hand out that
// input (and whose calls may fail, come up short or take time), a recording port for the
// seed corpora, the platform doubles for one input and the checks that end a run.
#pragma once

#include "platform/PortDevice.h"
#include "support/TestPlatform.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fuzz {

// A broken invariant: says which and aborts, so the fuzzer keeps the input.
[[noreturn]] void fail(const std::string &what);
inline void check(bool holds, const char *what)
{
    if (!holds)
        fail(what);
}

// The bytes a run consumes, in the order it asks for them: the harness's choices and
// everything the fake port hands out. Once it runs dry it gives zeros.
class Input
{
public:
    virtual ~Input() = default;
    virtual uint8_t byte() = 0;
    virtual bool dry() const = 0;
    uint16_t word()
    {
        const uint8_t high = byte();
        return uint16_t(high << 8 | byte());
    }
    // Up to `count` bytes; fewer only when the input runs dry.
    std::vector<uint8_t> bytes(size_t count);
};

class DataInput : public Input
{
public:
    DataInput(const uint8_t *data, size_t size) : m_data(data), m_size(size) { }
    uint8_t byte() override { return m_at < m_size ? m_data[m_at++] : 0; }
    bool dry() const override { return m_at >= m_size; }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
};

// Replays a script of choices and writes down every byte taken, together with what the
// recording port adds, so the result replays the same run through the fuzz port.
class RecordInput : public Input
{
public:
    RecordInput(std::vector<uint8_t> script, std::vector<uint8_t> &out)
        : m_script(std::move(script)), m_out(out)
    { }
    uint8_t byte() override
    {
        const uint8_t value = m_at < m_script.size() ? m_script[m_at++] : 0;
        m_out.push_back(value);
        return value;
    }
    bool dry() const override { return m_at >= m_script.size(); }

private:
    std::vector<uint8_t> m_script;
    std::vector<uint8_t> &m_out;
    size_t m_at = 0;
};

// What went over the fake port, in order.
struct PortEvent
{
    enum class Kind { Write, Read, Discard };
    Kind kind;
    std::vector<uint8_t> bytes; // written, or handed out
};

class Transcript
{
public:
    void add(PortEvent::Kind kind, const uint8_t *data, size_t length)
    {
        m_events.push_back({ kind, { data, data + length } });
    }
    size_t size() const { return m_events.size(); }
    const std::vector<PortEvent> &events() const { return m_events; }
    // The bytes handed out by reads since the last write (the reply to it), and that write.
    std::vector<uint8_t> readSinceLastWrite() const;
    std::vector<uint8_t> lastWrite() const;
    // Writes from event `from` on.
    std::vector<std::vector<uint8_t>> writesSince(size_t from) const;
    // Bytes handed out by reads from event `from` on.
    size_t bytesReadSince(size_t from) const;

private:
    std::vector<PortEvent> m_events;
};

// A read into memory that belongs to `object` must stay inside `allowed`: the sanitizer
// sees a global object as one block, so a read past a member array into the next member
// would go unnoticed.
struct Guard
{
    const void *object;
    size_t objectSize;
    const void *allowed;
    size_t allowedSize;
};

// The port as the fuzz input drives it. Every read and write first takes a control byte:
// bits 3-7 are time the call takes (250 ms steps, never more than the port's time-outs
// allow), bits 0-2 the outcome. Reads: 0-3 everything asked, 4 a count byte then that many
// (a time-out), 5 nothing (a time-out), 6 failure, 7 a count byte, that many, then failure.
// Writes: 0-4 everything, 5 a count byte then a short write, 6 failure, 7 everything but
// the whole write time-out passes. A dry input reads nothing within the time-outs and takes
// every write. Bytes handed out are taken from the input as they are.
class FuzzPort : public platform::PortDevice
{
public:
    FuzzPort(Input &input, testsupport::FakeClock &clock, Transcript &transcript,
             std::vector<Guard> guards)
        : m_input(input), m_clock(clock), m_transcript(transcript), m_guards(std::move(guards))
    { }

    bool getTimeouts(platform::PortTimeouts &timeouts) override;
    bool setTimeouts(const platform::PortTimeouts &timeouts) override;
    void waitWritable() override { }
    bool write(const uint8_t *data, size_t length, size_t &written) override;
    bool read(uint8_t *data, size_t length, size_t &got) override;
    // A control byte: that many bytes of the input were waiting and are dropped.
    size_t discardWaiting() override;

    enum : uint8_t {
        ReadAll = 0,
        ReadSome = 4,
        ReadNothing = 5,
        ReadFails = 6,
        ReadSomeThenFails = 7,
        WriteAll = 0,
        WriteShort = 5,
        WriteFails = 6,
        WriteSlow = 7,
    };

private:
    int64_t readLimitMs(size_t length) const;
    int64_t writeLimitMs(size_t length) const;
    void pass(uint8_t control, int64_t limitMs);
    void checkTarget(const uint8_t *data, size_t length) const;

    Input &m_input;
    testsupport::FakeClock &m_clock;
    Transcript &m_transcript;
    std::vector<Guard> m_guards;
    platform::PortTimeouts m_timeouts;
};

// Wraps a real port (the in-process virtual printer's) and writes down, into the input being
// recorded, the control bytes and the bytes that make the fuzz port do the same.
class RecordingPort : public platform::PortDevice
{
public:
    RecordingPort(std::unique_ptr<platform::PortDevice> real, std::vector<uint8_t> &out,
                  Transcript &transcript)
        : m_real(std::move(real)), m_out(out), m_transcript(transcript)
    { }

    bool getTimeouts(platform::PortTimeouts &timeouts) override
    {
        return m_real->getTimeouts(timeouts);
    }
    bool setTimeouts(const platform::PortTimeouts &timeouts) override
    {
        return m_real->setTimeouts(timeouts);
    }
    void waitWritable() override { m_real->waitWritable(); }
    bool write(const uint8_t *data, size_t length, size_t &written) override;
    bool read(uint8_t *data, size_t length, size_t &got) override;
    size_t discardWaiting() override;

private:
    std::unique_ptr<platform::PortDevice> m_real;
    std::vector<uint8_t> &m_out;
    Transcript &m_transcript;
};

// One input's world: the test clock, scripted dialogs and the exit that throws, the link at
// its program-start state and every port opening the device `makePort` gives.
class Session
{
public:
    using PortMaker = std::function<std::unique_ptr<platform::PortDevice>()>;
    Session();
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    void usePorts(PortMaker makePort);
    // Ports driven by `input`, with the link's reply buffer guarded.
    void useFuzzPorts(Input &input);
    // Ports to the in-process virtual printer, recorded into `out`.
    void useRecordingPorts(std::function<std::unique_ptr<platform::PortDevice>()> real,
                           std::vector<uint8_t> &out);

    // Runs `body`; a forced exit ends it early and is an allowed end (false).
    bool run(const std::function<void()> &body);
    // Whether an error box came since `from` (a count of messages shown).
    bool errorShownSince(size_t from) const;

    testsupport::TestPlatform platform;
    Transcript transcript;

private:
    class Connector;
    std::unique_ptr<Connector> m_connector;
};

// The program's link start on port 0: packet mode, Init, the control channel with a credit
// for the printer, the status when `withStatus` (as before a print), then the data channel.
void startLink(bool withStatus = false);

// 1284.4 helpers for the checks, independent of the link's own code.
inline size_t packetLength(const std::vector<uint8_t> &p)
{
    return p.size() >= 4 ? size_t(p[2]) << 8 | p[3] : 0;
}

} // namespace fuzz
