// The virtual printer's executable on a pseudo-terminal for the length of a test, switched off
// and on by signal, and the other programs of the project run as a technician would run them.
#pragma once

#include "platform/Platform.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    fs::path path;
};

std::string readFile(const fs::path &path);

// A scratch folder holding the printer's link and its trace, with LPT1 bound to the link for
// as long as it lives: what every test against the executable starts from.
class Lpt1OnLink
{
public:
    explicit Lpt1OnLink(const std::string &traceName = "trace.txt");
    ~Lpt1OnLink();
    Lpt1OnLink(const Lpt1OnLink &) = delete;
    Lpt1OnLink &operator=(const Lpt1OnLink &) = delete;

    TempDir dir;
    fs::path link;
    fs::path trace;
};

class VirtualPrinterProcess
{
public:
    // Starts cantra-vprinter --link LINK --trace with `extra` options, its standard error in
    // `trace`, and waits (at most 5 s) for the link to appear. Without `traced` no packet is
    // traced (for floods), only what the printer says besides.
    VirtualPrinterProcess(const fs::path &link, const fs::path &trace,
                          const std::vector<std::string> &extra = {}, bool traced = true);
    ~VirtualPrinterProcess();
    VirtualPrinterProcess(const VirtualPrinterProcess &) = delete;
    VirtualPrinterProcess &operator=(const VirtualPrinterProcess &) = delete;

    // Switch the printer off (it answers nothing) or on (back in byte mode), and wait at most
    // 5 s for it to say so in its trace; false when it did not.
    bool switchOff();
    bool switchOn();
    std::string trace() const { return readFile(m_trace); }
    // How often `text` stands in the trace now.
    int count(const std::string &text) const;
    // Waits, at most 5 s, until `text` stands in the trace `times` times.
    bool waitForTrace(const std::string &text, int times = 1) const;
    // Sends `signal` and waits at most `limit` for the process to end; false when it did not
    // (it is then killed).
    bool stop(int signal, std::chrono::milliseconds limit);
    // The resident set now and its peak, from /proc; 0 when the process has ended.
    long residentKb() const { return statusKb("VmRSS:"); }
    long peakResidentKb() const { return statusKb("VmHWM:"); }

private:
    bool signalAndWait(int signal, const std::string &line);
    long statusKb(const std::string &field) const;

    pid_t m_pid = -1;
    fs::path m_trace;
};

struct RunResult
{
    int exitCode = -1; // -1 when the program did not end by itself in time
    std::string out;
    std::string err;
};

// Runs a program with extra environment variables and waits at most `limit` for it to end. Its
// data folder (CANTRA_DATA_DIR) is a scratch folder of the run unless `environment` names one.
RunResult runProgram(const std::vector<std::string> &args,
                     const std::vector<std::pair<std::string, std::string>> &environment,
                     std::chrono::seconds limit);

// The real clock, noting when each pause starts. A packet read opens with its 10 ms pause and
// a failed transaction try is followed by the 1000 ms one, so tries can be timed from here.
// Made `speedUp` times faster it goes with a port whose time-outs are as many times shorter
// (PortTimeDivisor): the link's limits then all run that much sooner, in the same proportions.
class TimingClock : public platform::SystemClock
{
public:
    explicit TimingClock(uint32_t speedUp = 1) : m_speedUp(speedUp) { }
    void sleep(uint32_t ms) override;
    int64_t monotonicMs() override { return SystemClock::monotonicMs() * m_speedUp; }
    // How long each try of the transactions since the last clear took, up to `end` for the
    // last one.
    std::vector<int64_t> tries(int64_t end) const;
    // How many pauses of `ms` were taken.
    int pauses(uint32_t ms) const;
    void clear() { m_marks.clear(); }

private:
    uint32_t m_speedUp;
    std::vector<std::pair<uint32_t, int64_t>> m_marks;
};

// Makes the real ports opened from now on apply their time-outs `divisor` times shorter, in
// this process and the programs it starts; back to the usual ones when it goes.
class PortTimeDivisor
{
public:
    explicit PortTimeDivisor(uint32_t divisor);
    ~PortTimeDivisor();
    PortTimeDivisor(const PortTimeDivisor &) = delete;
    PortTimeDivisor &operator=(const PortTimeDivisor &) = delete;
};

} // namespace e2e
