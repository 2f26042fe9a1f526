// The POSIX port's Windows-style time-outs on a pseudo-terminal.
#include "platform/PortDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <pty.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class PosixPort : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        port = platform::openSystemPort(ttyname(slave));
        ASSERT_TRUE(port);
        platform::PortTimeouts timeouts{ 200, 1, 1000, 1, 1000 };
        ASSERT_TRUE(port->setTimeouts(timeouts));
    }
    void TearDown() override
    {
        port.reset();
        close(slave);
        close(master);
    }

    int master = -1, slave = -1;
    std::unique_ptr<platform::PortDevice> port;
};

TEST_F(PosixPort, MissingDeviceDoesNotOpen)
{
    EXPECT_FALSE(platform::openSystemPort("/nonexistent/lp9"));
}

// A FIFO can stand for a printer as a device can (an ordinary file cannot: see
// MisbehavingPrinter.PortThatCannotBeOpenedNamesWhatWasTried).
TEST_F(PosixPort, AFifoOpens)
{
    const std::string fifo = "/tmp/cantra-fifo-" + std::to_string(getpid());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(platform::openSystemPort(fifo));
    unlink(fifo.c_str());
}

TEST_F(PosixPort, ReadReturnsEverythingAskedForAsSoonAsItIsThere)
{
    const uint8_t sent[] = { 1, 2, 3, 4, 5, 6 };
    ASSERT_EQ(write(master, sent, sizeof sent), 6);
    uint8_t got[6] = {};
    size_t count = 0;
    const auto started = Clock::now();
    ASSERT_TRUE(port->read(got, sizeof got, count));
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(std::vector<uint8_t>(got, got + 6), std::vector<uint8_t>(sent, sent + 6));
    EXPECT_LT(Clock::now() - started, milliseconds(1000)) << "before the total time-out";
}

// Once bytes have come, a pause longer than the interval time-out ends the read early with
// what arrived, after the interval and before the total; with nothing at all it runs to the
// total time-out.
TEST_F(PosixPort, IntervalAndTotalTimeouts)
{
    const uint8_t sent[] = { 9, 8, 7 };
    ASSERT_EQ(write(master, sent, sizeof sent), 3);
    uint8_t got[6] = {};
    size_t count = 0;
    auto started = Clock::now();
    ASSERT_TRUE(port->read(got, sizeof got, count));
    EXPECT_EQ(count, 3u);
    EXPECT_GE(Clock::now() - started, milliseconds(200));
    EXPECT_LT(Clock::now() - started, milliseconds(1000));

    started = Clock::now();
    ASSERT_TRUE(port->read(got, sizeof got, count));
    EXPECT_EQ(count, 0u);
    EXPECT_GE(Clock::now() - started, milliseconds(1000));
}

// Bytes 50 ms apart, well within an interval time-out of a second, however slow the machine.
TEST_F(PosixPort, BytesArrivingWithinTheIntervalMakeOneRead)
{
    ASSERT_TRUE(port->setTimeouts({ 1000, 1, 5000, 1, 1000 }));
    std::thread printer([this] {
        for (uint8_t b = 0; b < 4; ++b) {
            write(master, &b, 1);
            std::this_thread::sleep_for(milliseconds(50));
        }
    });
    uint8_t got[4] = {};
    size_t count = 0;
    EXPECT_TRUE(port->read(got, sizeof got, count));
    printer.join();
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(got[3], 3);
}

TEST_F(PosixPort, WriteReportsTheCountWritten)
{
    const uint8_t data[] = { 'a', 'b', 'c' };
    size_t written = 0;
    EXPECT_TRUE(port->write(data, sizeof data, written));
    EXPECT_EQ(written, 3u);
    EXPECT_TRUE(port->write(data, 0, written));
    EXPECT_EQ(written, 0u);
    uint8_t echo[3] = {};
    EXPECT_EQ(read(master, echo, 3), 3);
    EXPECT_EQ(echo[2], 'c');
}

} // namespace
