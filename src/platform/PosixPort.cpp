// The port on POSIX systems: a character device, pseudo-terminal or socket read and written
// with Windows-style time-outs kept against a monotonic deadline.
#include "platform/Platform.h"
#include "platform/PortDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

namespace {

// The parallel-port printer driver has no poll support: poll() always reports it ready.
constexpr unsigned ParallelPrinterMajor = 6;
constexpr int ParallelPollStepMs = 5;
// A line that never stops sending must not keep the drop of waiting bytes going for ever.
constexpr size_t DiscardLimit = 64 * 1024;

int64_t nowMs()
{
    return SystemClock().monotonicMs();
}

// Tests of the real port against a printer that does not answer set CANTRA_PORT_TIME_DIVISOR
// so that every time-out runs that many times shorter; the program's own values stay as they
// are.
uint32_t timeDivisor()
{
    const char *value = std::getenv("CANTRA_PORT_TIME_DIVISOR");
    const long divisor = value ? std::strtol(value, nullptr, 10) : 1;
    return divisor >= 1 && divisor <= 1000 ? uint32_t(divisor) : 1;
}

// A time-out that is set stays one: 0 means none at all.
uint32_t divided(uint32_t ms, uint32_t by)
{
    return ms == 0 ? 0 : std::max<uint32_t>(1, ms / by);
}

PortTimeouts divided(const PortTimeouts &t, uint32_t by)
{
    return { divided(t.readIntervalMs, by), t.readTotalMultiplierMs,
             divided(t.readTotalConstantMs, by), t.writeTotalMultiplierMs,
             divided(t.writeTotalConstantMs, by) };
}

class PosixPort : public PortDevice
{
public:
    PosixPort(int fd, bool pollable) : m_fd(fd), m_pollable(pollable), m_divisor(timeDivisor()) { }
    ~PosixPort() override { ::close(m_fd); }
    PosixPort(const PosixPort &) = delete;
    PosixPort &operator=(const PosixPort &) = delete;

    bool getTimeouts(PortTimeouts &timeouts) override
    {
        timeouts = m_timeouts;
        return true;
    }
    bool setTimeouts(const PortTimeouts &timeouts) override
    {
        m_timeouts = timeouts;
        m_inForce = divided(timeouts, m_divisor);
        return true;
    }
    void waitWritable() override { }

    bool write(const uint8_t *data, size_t length, size_t &written) override
    {
        written = 0;
        const int64_t deadline = nowMs() + m_inForce.writeTotalConstantMs
                + int64_t(m_inForce.writeTotalMultiplierMs) * int64_t(length) / m_divisor;
        while (written < length) {
            const ssize_t n = ::write(m_fd, data + written, length - written);
            if (n > 0) {
                written += size_t(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                return false;
            const int64_t remaining = deadline - nowMs();
            if (remaining <= 0)
                break;
            waitFor(POLLOUT, int(std::min<int64_t>(remaining, 1000)));
        }
        return true;
    }

    bool read(uint8_t *data, size_t length, size_t &got) override
    {
        got = 0;
        const bool totalLimit
                = m_inForce.readTotalConstantMs != 0 || m_inForce.readTotalMultiplierMs != 0;
        const int64_t deadline = nowMs() + m_inForce.readTotalConstantMs
                + int64_t(m_inForce.readTotalMultiplierMs) * int64_t(length) / m_divisor;
        int64_t lastByteAt = 0;
        while (got < length) {
            const ssize_t n = ::read(m_fd, data + got, length - got);
            if (n > 0) {
                got += size_t(n);
                lastByteAt = nowMs();
                continue;
            }
            if (n == 0 || (n < 0 && errno == EIO))
                return got > 0; // the other side has gone
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                return false;
            const int64_t now = nowMs();
            int64_t wait = totalLimit ? deadline - now : 1000;
            if (got > 0 && m_inForce.readIntervalMs != 0)
                wait = std::min<int64_t>(wait, lastByteAt + m_inForce.readIntervalMs - now);
            if (wait <= 0)
                break;
            waitFor(POLLIN, int(std::min<int64_t>(wait, 1000)));
        }
        return true;
    }

    size_t discardWaiting() override
    {
        uint8_t scratch[256];
        size_t dropped = 0;
        while (dropped < DiscardLimit) {
            const ssize_t n = ::read(m_fd, scratch, sizeof scratch);
            if (n > 0) {
                dropped += size_t(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            break; // nothing more waiting, or the other side has gone
        }
        return dropped;
    }

private:
    void waitFor(short events, int ms)
    {
        if (!m_pollable) {
            SystemClock().sleep(uint32_t(std::min(ms, ParallelPollStepMs)));
            return;
        }
        pollfd p{ m_fd, events, 0 };
        ::poll(&p, 1, ms);
    }

    int m_fd;
    bool m_pollable;
    uint32_t m_divisor;
    PortTimeouts m_timeouts; // as set
    PortTimeouts m_inForce; // as applied
};

void makeRaw(int fd)
{
    termios attributes{};
    if (::tcgetattr(fd, &attributes) != 0)
        return;
    ::cfmakeraw(&attributes);
    ::tcsetattr(fd, TCSANOW, &attributes);
}

std::string groupName(gid_t gid)
{
    const group *entry = ::getgrgid(gid);
    return entry ? entry->gr_name : std::to_string(gid);
}

std::string userName(uid_t uid)
{
    const passwd *entry = ::getpwuid(uid);
    return entry ? entry->pw_name : std::to_string(uid);
}

// A printer port is usually open to its group (lp on Debian): the technician's account joins
// it once. A device the group may not use needs its owner; no advice about groups helps then.
std::string accessRemedy(const std::string &path)
{
    struct stat info
    { };
    if (::stat(path.c_str(), &info) != 0)
        return {};
    const std::string group = groupName(info.st_gid);
    if ((info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP))
        return path + " belongs to the group " + group + ": add your account to the group " + group
                + " and log in again";
    return path + " belongs to " + userName(info.st_uid) + " and the group " + group + ", and only "
            + userName(info.st_uid) + " may read and write it";
}

std::string kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return "a regular file";
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISBLK(mode))
        return "a block device";
    return "not a device";
}

} // namespace

std::unique_ptr<PortDevice> openSystemPort(const std::string &path, std::string *error,
                                           std::string *remedy)
{
    if (remedy)
        remedy->clear();
    // Non-blocking from the start: the parallel driver's blocking open refuses a printer that
    // reports paper out or an error, and those are exactly the printers a technician serves.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int reason = errno;
        if (error)
            *error = std::strerror(reason);
        if (remedy && (reason == EACCES || reason == EPERM))
            *remedy = accessRemedy(path);
        return nullptr;
    }
    struct stat info
    { };
    if (::fstat(fd, &info) != 0) {
        if (error)
            *error = std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    // A printer is behind a device, a pipe or a socket. An ordinary file (a mistyped path, a
    // copy of a trace) would take the link's bytes and never answer: refused before any
    // byte goes out.
    if (!S_ISCHR(info.st_mode) && !S_ISFIFO(info.st_mode) && !S_ISSOCK(info.st_mode)) {
        if (error)
            *error = kindOf(info.st_mode)
                    + ", not a port (a character device, a FIFO or a socket); nothing was written";
        ::close(fd);
        return nullptr;
    }
    if (::isatty(fd))
        makeRaw(fd);
    const bool parallel = S_ISCHR(info.st_mode) && major(info.st_rdev) == ParallelPrinterMajor;
    return std::make_unique<PosixPort>(fd, !parallel);
}

} // namespace platform
