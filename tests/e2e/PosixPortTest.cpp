// The POSIX port's Windows-style time-outs on a pseudo-terminal.
#include "platform/PortDevice.h"

#include <gmock/gmock.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// The failure and the remedy of opening LPT1, bound to `path`, as an account that neither owns
// it nor is in its group: as root, in a child that has given root up for nobody; otherwise as
// this account, whose own permission bits the caller has cleared.
std::pair<std::string, std::string> openAsStranger(const std::string &path)
{
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (geteuid() == 0
            && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(1);
        setenv("CANTRA_LPT1", path.c_str(), 1);
        platform::SystemPortConnector ports;
        const bool opened = ports.open("LPT1") != nullptr;
        const std::string text = (opened ? std::string("opened") : ports.lastFailure()) + "\n"
                + ports.lastRemedy();
        _exit(write(channel[1], text.data(), text.size()) == ssize_t(text.size()) ? 0 : 1);
    }
    close(channel[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(n));
    close(channel[0]);
    waitpid(child, nullptr, 0);
    const size_t newline = text.find('\n');
    return { text.substr(0, newline),
             newline == std::string::npos ? "" : text.substr(newline + 1) };
}

// A device the account may not open names its group and how to join it, when joining helps.
TEST_F(PosixPort, RefusedDeviceNamesItsGroupAndTheFix)
{
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "cantra-port-XXXXXX").string();
    const fs::path dir = mkdtemp(pattern.data());
    fs::permissions(dir, fs::perms(0755));
    const std::string device = (dir / "lp0").string();
    std::ofstream(device).put('\0');
    const bool root = geteuid() == 0;
    const group *lp = getgrnam("lp");
    if (root && lp)
        ASSERT_EQ(chown(device.c_str(), 0, lp->gr_gid), 0);
    struct stat info
    { };
    ASSERT_EQ(stat(device.c_str(), &info), 0);
    const std::string group = getgrgid(info.st_gid)->gr_name;

    // The group may read and write: joining it is the fix.
    chmod(device.c_str(), root ? 0660 : 0060);
    const auto [groupFailure, groupRemedy] = openAsStranger(device);
    EXPECT_EQ(groupRemedy,
              device + " belongs to the group " + group + ": add your account to the group " + group
                      + " and log in again");
    EXPECT_EQ(groupFailure,
              "LPT1 -> " + device + " (set by CANTRA_LPT1): Permission denied; " + groupRemedy);
    // Only the owner may: no advice to join a group that would not help.
    chmod(device.c_str(), root ? 0600 : 0000);
    const auto [ownerFailure, ownerRemedy] = openAsStranger(device);
    EXPECT_THAT(ownerFailure, ::testing::HasSubstr("Permission denied"));
    EXPECT_THAT(ownerRemedy, ::testing::EndsWith("may read and write it"));
    fs::remove_all(dir);
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
