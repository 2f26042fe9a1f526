// The fake port, the recording port and the per-input platform of the harnesses.
#include "FuzzSupport.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "records/ServiceRecord.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

namespace {

constexpr int64_t StepMs = 250;
// A port without total time-outs waits for its interval; a bound keeps the fake clock sane.
constexpr int64_t UnlimitedReadMs = 60'000;

bool overlaps(const uint8_t *a, size_t aSize, const uint8_t *b, size_t bSize)
{
    return a < b + bSize && b < a + aSize;
}

bool inside(const uint8_t *a, size_t aSize, const uint8_t *b, size_t bSize)
{
    return a >= b && a + aSize <= b + bSize;
}

} // namespace

void fail(const std::string &what)
{
    std::fprintf(stderr, "\n*** invariant broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

std::vector<uint8_t> Input::bytes(size_t count)
{
    std::vector<uint8_t> out;
    while (out.size() < count && !dry())
        out.push_back(byte());
    return out;
}

std::vector<uint8_t> Transcript::readSinceLastWrite() const
{
    std::vector<uint8_t> bytes;
    for (auto it = m_events.rbegin(); it != m_events.rend() && it->kind != PortEvent::Kind::Write;
         ++it)
        if (it->kind == PortEvent::Kind::Read)
            bytes.insert(bytes.begin(), it->bytes.begin(), it->bytes.end());
    return bytes;
}

std::vector<uint8_t> Transcript::lastWrite() const
{
    for (auto it = m_events.rbegin(); it != m_events.rend(); ++it)
        if (it->kind == PortEvent::Kind::Write)
            return it->bytes;
    return {};
}

std::vector<std::vector<uint8_t>> Transcript::writesSince(size_t from) const
{
    std::vector<std::vector<uint8_t>> writes;
    for (size_t i = from; i < m_events.size(); ++i)
        if (m_events[i].kind == PortEvent::Kind::Write)
            writes.push_back(m_events[i].bytes);
    return writes;
}

size_t Transcript::bytesReadSince(size_t from) const
{
    size_t count = 0;
    for (size_t i = from; i < m_events.size(); ++i)
        if (m_events[i].kind == PortEvent::Kind::Read)
            count += m_events[i].bytes.size();
    return count;
}

bool FuzzPort::getTimeouts(platform::PortTimeouts &timeouts)
{
    timeouts = m_timeouts;
    return true;
}

bool FuzzPort::setTimeouts(const platform::PortTimeouts &timeouts)
{
    m_timeouts = timeouts;
    return true;
}

int64_t FuzzPort::readLimitMs(size_t length) const
{
    const int64_t total = int64_t(m_timeouts.readTotalConstantMs)
            + int64_t(m_timeouts.readTotalMultiplierMs) * int64_t(length);
    return total > 0 ? total : UnlimitedReadMs;
}

int64_t FuzzPort::writeLimitMs(size_t length) const
{
    return int64_t(m_timeouts.writeTotalConstantMs)
            + int64_t(m_timeouts.writeTotalMultiplierMs) * int64_t(length);
}

void FuzzPort::checkTarget(const uint8_t *data, size_t length) const
{
    for (const Guard &guard : m_guards) {
        const auto *object = static_cast<const uint8_t *>(guard.object);
        const auto *allowed = static_cast<const uint8_t *>(guard.allowed);
        if (overlaps(data, length, object, guard.objectSize)
            && !inside(data, length, allowed, guard.allowedSize))
            fail("a port read would store bytes outside the caller's buffer");
    }
}

bool FuzzPort::read(uint8_t *data, size_t length, size_t &got)
{
    checkTarget(data, length);
    got = 0;
    const int64_t limit = readLimitMs(length);
    if (m_input.dry()) {
        m_clock.nowMs += limit;
        m_transcript.add(PortEvent::Kind::Read, data, 0);
        return true;
    }
    const uint8_t control = m_input.byte();
    const int64_t spent = std::min(int64_t(control >> 3) * StepMs, limit);
    m_clock.nowMs += spent;
    const uint8_t outcome = control & 7;
    size_t count = length;
    if (outcome == ReadSome || outcome == ReadSomeThenFails)
        count = std::min<size_t>(m_input.byte(), length);
    else if (outcome == ReadNothing || outcome == ReadFails)
        count = 0;
    while (got < count && !m_input.dry())
        data[got++] = m_input.byte();
    m_transcript.add(PortEvent::Kind::Read, data, got);
    if (outcome == ReadFails || outcome == ReadSomeThenFails)
        return false;
    if (got < length)
        m_clock.nowMs += limit - spent; // the rest of the time-out passed waiting
    return true;
}

bool FuzzPort::write(const uint8_t *data, size_t length, size_t &written)
{
    written = length;
    if (m_input.dry()) {
        m_transcript.add(PortEvent::Kind::Write, data, written);
        return true;
    }
    const int64_t limit = writeLimitMs(length);
    const uint8_t control = m_input.byte();
    const int64_t spent = std::min(int64_t(control >> 3) * StepMs, limit);
    m_clock.nowMs += spent;
    bool result = true;
    switch (control & 7) {
    case WriteShort:
        written = length > 0 ? m_input.byte() % length : 0;
        m_clock.nowMs += limit - spent;
        break;
    case WriteFails:
        written = 0;
        result = false;
        break;
    case WriteSlow: m_clock.nowMs += limit - spent; break;
    default: break;
    }
    m_transcript.add(PortEvent::Kind::Write, data, written);
    return result;
}

size_t FuzzPort::discardWaiting()
{
    if (m_input.dry())
        return 0;
    const std::vector<uint8_t> dropped = m_input.bytes(m_input.byte());
    m_transcript.add(PortEvent::Kind::Discard, dropped.data(), dropped.size());
    return dropped.size();
}

bool RecordingPort::write(const uint8_t *data, size_t length, size_t &written)
{
    const bool result = m_real->write(data, length, written);
    if (!result || written > length || (written < length && written > 255))
        fail("the recorded port failed a write");
    if (written == length) {
        m_out.push_back(FuzzPort::WriteAll);
    } else {
        m_out.push_back(FuzzPort::WriteShort);
        m_out.push_back(uint8_t(written));
    }
    m_transcript.add(PortEvent::Kind::Write, data, written);
    return result;
}

bool RecordingPort::read(uint8_t *data, size_t length, size_t &got)
{
    const bool result = m_real->read(data, length, got);
    if (!result || (got < length && got > 255))
        fail("the recorded port handed out what the fuzz port cannot replay");
    if (got == 0 && length > 0) {
        m_out.push_back(FuzzPort::ReadNothing);
    } else if (got < length) {
        m_out.push_back(FuzzPort::ReadSome);
        m_out.push_back(uint8_t(got));
    } else {
        m_out.push_back(FuzzPort::ReadAll);
    }
    m_out.insert(m_out.end(), data, data + got);
    m_transcript.add(PortEvent::Kind::Read, data, got);
    return result;
}

size_t RecordingPort::discardWaiting()
{
    const size_t dropped = m_real->discardWaiting();
    // Only the count matters to the replay: the bytes are dropped either way.
    const size_t replayed = std::min<size_t>(dropped, 255);
    m_out.push_back(uint8_t(replayed));
    m_out.insert(m_out.end(), replayed, 0);
    const std::vector<uint8_t> zeros(replayed, 0);
    m_transcript.add(PortEvent::Kind::Discard, zeros.data(), zeros.size());
    return dropped;
}

class Session::Connector : public platform::PortConnector
{
public:
    std::unique_ptr<platform::PortDevice> open(const std::string &) override
    {
        return make ? make() : nullptr;
    }
    PortMaker make;
};

Session::Session() : m_connector(std::make_unique<Connector>())
{
    platform::setPorts(m_connector.get());
    // Millions of inputs would each append record lines.
    records::setRecording(false);
}

Session::~Session()
{
    testsupport::resetLink();
    platform::setPorts(nullptr);
}

void startLink(bool withStatus)
{
    PrinterDriver.OpenPort(0);
    D4Link.EnterD4Mode();
    D4Link.D4Init();
    D4Link.OpenChannel(ControlSocket);
    D4Link.GrantCredit(ControlSocket, 1);
    if (withStatus)
        D4Link.GetPrinterStatus();
    D4Link.OpenChannel(DataSocket);
}

void Session::usePorts(PortMaker makePort)
{
    m_connector->make = std::move(makePort);
}

void Session::useFuzzPorts(Input &input)
{
    usePorts([this, &input] {
        std::vector<Guard> guards{ { &D4Link, sizeof D4Link, D4Link.ReceiveBuffer,
                                     sizeof D4Link.ReceiveBuffer } };
        return std::make_unique<FuzzPort>(input, platform.clock, transcript, std::move(guards));
    });
}

void Session::useRecordingPorts(std::function<std::unique_ptr<platform::PortDevice>()> real,
                                std::vector<uint8_t> &out)
{
    usePorts([this, real, &out] {
        return std::make_unique<RecordingPort>(real(), out, transcript);
    });
}

bool Session::run(const std::function<void()> &body)
{
    try {
        body();
        return true;
    } catch (const testsupport::ProcessExit &) {
        return false;
    }
}

bool Session::errorShownSince(size_t from) const
{
    const auto &shown = platform.dialogs.shown;
    for (size_t i = from; i < shown.size(); ++i)
        if (shown[i].kind == platform::MessageKind::Error || shown[i].title == "error")
            return true;
    return false;
}

} // namespace fuzz
