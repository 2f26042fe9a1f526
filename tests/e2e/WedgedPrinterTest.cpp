// Hosts that misbehave against the virtual printer's executable on a pseudo-terminal: one that
// writes without reading and dies, one that floods it with packets, and stop signals while a
// host holds it wedged. The printer must stay small, serve the next host cleanly and end on a
// signal, removing its link.
#include "PtyPrinter.h"
#include "support/TestPlatform.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "vprinter/VirtualPrinter.h"

#include <gmock/gmock.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace testsupport;
using namespace e2e;
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes times(int n, const Bytes &bytes)
{
    Bytes all;
    all.reserve(size_t(n) * bytes.size());
    for (int i = 0; i < n; ++i)
        all.insert(all.end(), bytes.begin(), bytes.end());
    return all;
}

// The host's packets, as the link's tables give them.
const Bytes Entry = Bytes{ 0x00, 0x00, 0x00, 0x1B, 0x01 }
        + Bytes{ '@',  'P', 'C', 'Q', ' ', '1',  '2', '8', '4', '.', '4',
                 '\n', '@', 'P', 'C', 'Q', '\n', '@', 'P', 'C', 'Q', '\n' };
const Bytes Init{ 0x00, 0x00, 0x00, 0x08, 0x01, 0x00, 0x00, 0x10 };
const Bytes OpenData{ 0x00, 0x00, 0x00, 0x11, 0x01, 0x00, 0x01, 0x40, 0x40,
                      0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00 };
const Bytes OpenControl{ 0x00, 0x00, 0x00, 0x11, 0x01, 0x00, 0x01, 0x02, 0x02,
                         0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00 };
const Bytes RequestDataCredit{ 0x00, 0x00, 0x00, 0x0D, 0x01, 0x00, 0x04,
                               0x40, 0x40, 0xFF, 0xFF, 0xFF, 0xFF };
// A data-channel packet that is only its header, one of the largest length (its print data
// all NUL, which prints nothing), a factory frame (code 50, which changes nothing), and a
// status request on the control channel without credit for its reply.
const Bytes EmptyData{ 0x40, 0x40, 0x00, 0x06, 0x00, 0x00 };
const Bytes LargestData = Bytes{ 0x40, 0x40, 0xFF, 0xFF, 0x00, 0x00 } + Bytes(0xFFFF - 6, 0x00);
const Bytes Frame50{ 0x40, 0x40, 0x00, 0x10, 0x00, 0x00, 0x1B, 0x7C,
                     0x00, 0x05, 0x00, 0x07, 0x05, 0x50, 0xAF, 0x28 };
const Bytes StatusRequest{ 0x02, 0x02, 0x00, 0x0B, 0x00, 0x00, 's', 't', 0x01, 0x00, 0x01 };

const std::string EntryReply = "00 00 00 08 01 00 D0 00";
const std::string InitReply = "00 00 00 09 01 00 80 00 10";

// A host on the slave side that does only what a test says: it writes without reading, or
// reads exactly what it asks for, each within a time limit.
class RawHost
{
public:
    explicit RawHost(const fs::path &link)
        : m_fd(::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        termios attributes{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &attributes) == 0) {
            ::cfmakeraw(&attributes);
            ::tcsetattr(m_fd, TCSANOW, &attributes);
        }
    }
    ~RawHost() { close(); }
    RawHost(const RawHost &) = delete;
    RawHost &operator=(const RawHost &) = delete;

    bool open() const { return m_fd >= 0; }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    // Writes `bytes` until all went out, or the line took nothing for `stall`; reads and
    // drops what comes back meanwhile only when `reading`.
    size_t write(const Bytes &bytes, std::chrono::milliseconds stall, bool reading = false)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += size_t(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
            pollfd p{ m_fd, short(POLLOUT | (reading ? POLLIN : 0)), 0 };
            if (::poll(&p, 1, int(stall.count())) <= 0)
                break;
            if (p.revents & POLLIN)
                drain();
        }
        return done;
    }

    // Exactly `count` bytes, or what came within `limit`.
    Bytes read(size_t count, std::chrono::milliseconds limit)
    {
        Bytes bytes;
        const auto deadline = Clock::now() + limit;
        while (bytes.size() < count) {
            uint8_t chunk[256];
            const ssize_t n = ::read(m_fd, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (n > 0) {
                bytes.insert(bytes.end(), chunk, chunk + n);
                continue;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline
                                                                                    - Clock::now());
            if (left <= 0ms)
                break;
            pollfd p{ m_fd, POLLIN, 0 };
            ::poll(&p, 1, int(left.count()));
        }
        return bytes;
    }

    size_t drain()
    {
        size_t dropped = 0;
        uint8_t chunk[4096];
        ssize_t n = 0;
        while ((n = ::read(m_fd, chunk, sizeof chunk)) > 0)
            dropped += size_t(n);
        return dropped;
    }

private:
    int m_fd;
};

class WedgedPrinter : public ::testing::Test, protected Lpt1OnLink
{
protected:
    // The link is gone with the process.
    bool linkRemoved() const { return !fs::exists(fs::symlink_status(link)); }
};

TEST_F(WedgedPrinter, HostThatWritesWithoutReadingAndDiesLeavesNothingForTheNext)
{
    VirtualPrinterProcess printer(link, trace);
    // About 37 KB of Init transactions whose 41 KB of replies nobody reads.
    const Bytes requests = Entry + times(4600, Init);
    {
        RawHost host(link);
        ASSERT_TRUE(host.open());
        EXPECT_EQ(host.write(requests, 5000ms), requests.size())
                << "the printer stopped taking requests while its replies were not read";
    }
    ASSERT_TRUE(printer.waitForTrace("host gone"));

    RawHost next(link);
    ASSERT_TRUE(next.open());
    next.write(Entry, 5000ms);
    EXPECT_EQ(vprinter::hexBytes(next.read(8, 5000ms)), EntryReply)
            << "the first bytes are the entry's reply";
    next.write(Init, 5000ms);
    EXPECT_EQ(vprinter::hexBytes(next.read(9, 5000ms)), InitReply);
    next.close();

    EXPECT_TRUE(printer.stop(SIGTERM, 5000ms));
    EXPECT_TRUE(linkRemoved());
}

TEST_F(WedgedPrinter, StopSignalsEndItWhileAHostWritesWithoutReading)
{
    for (const int signal : { SIGTERM, SIGINT }) {
        VirtualPrinterProcess printer(link, trace);
        RawHost host(link);
        ASSERT_TRUE(host.open());
        // Far more than the printer holds for a host that does not read: the writes stall.
        const Bytes requests = Entry + times(200'000, Init);
        EXPECT_LT(host.write(requests, 1000ms), requests.size()) << signal;
        EXPECT_TRUE(printer.stop(signal, 5000ms)) << "signal " << signal;
        EXPECT_TRUE(linkRemoved()) << signal;
    }
}

TEST_F(WedgedPrinter, FloodOfPacketsLeavesItSmallAndTheNextHostIsServed)
{
    // The sanitizer's quarantine of freed blocks would stand for the printer's own memory.
    const char *options = std::getenv("ASAN_OPTIONS");
    const std::string saved = options ? options : "";
    setenv("ASAN_OPTIONS",
           (saved + ":quarantine_size_mb=4:thread_local_quarantine_size_kb=64").c_str(), 1);
    VirtualPrinterProcess printer(link, trace, {}, false);
    setenv("ASAN_OPTIONS", saved.c_str(), 1);
    const long startKb = printer.residentKb();

    {
        RawHost host(link);
        ASSERT_TRUE(host.open());
        ASSERT_EQ(
                host.write(Entry + Init + OpenControl + OpenData + RequestDataCredit, 5000ms, true),
                Entry.size() + Init.size() + OpenControl.size() + OpenData.size()
                        + RequestDataCredit.size());
        // A quarter of a MiB of packet headers, factory frames and unanswerable status
        // requests, then the rest of the MiB in the largest packets; 30 times.
        const Bytes group = times(40, EmptyData) + Frame50 + StatusRequest;
        const Bytes block
                = times((1 << 18) / int(group.size()) + 1, group) + times(12, LargestData);
        size_t flooded = 0;
        for (int i = 0; i < 30; ++i)
            flooded += host.write(block, 5000ms, true);
        EXPECT_EQ(flooded, 30 * block.size());
    }
    ASSERT_TRUE(printer.waitForTrace("host gone"));
    const long peakKb = printer.peakResidentKb();
    RecordProperty("start_kb", int(startKb));
    RecordProperty("peak_kb", int(peakKb));
    EXPECT_LT(peakKb, 50 * 1024) << "started at " << startKb << " kB";

    TestPlatform platform;
    platform::setClock(nullptr); // real time: the printer is another process
    PrinterDriver.OpenPort(0);
    EXPECT_TRUE(D4Link.EnterD4Mode());
    EXPECT_TRUE(D4Link.D4Init());
    EXPECT_TRUE(D4Link.OpenChannel(ControlSocket));
    EXPECT_TRUE(D4Link.GrantCredit(ControlSocket, 1));
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psReady);
    EXPECT_FALSE(D4Link.LastExchangeFailed());
    PrinterDriver.ClosePort();
}

} // namespace
