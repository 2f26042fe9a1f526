// The two print jobs over the real POSIX port to cantra-vprinter on a pseudo-terminal: wall
// time spent in the link's specified pauses and the rest, next to a bare loop that writes the
// same packets, one write() each, to a pseudo-terminal drained by another process. The printer
// side runs on a processor of its own, as a printer does.
#include "Bench.h"

#include "support/TestPlatform.h"

#include "link/Roro4dodu.h"
#include "platform/Platform.h"
#include "vprinter/ServicedPrinter.h"
#include "vprinter/VirtualPort.h"
#include "vprinter/VirtualPrinter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sched.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace bench {

namespace {

namespace fs = std::filesystem;

// The machine is shared: every figure is the best of a few rounds, the bare loop and the port
// taking turns.
constexpr int Rounds = 5;
constexpr double RatioTarget = 1.3;

// The real clock, tallying the pauses the link and the patterns take.
class PauseTally : public platform::SystemClock
{
public:
    void sleep(uint32_t ms) override
    {
        const double t0 = wallSeconds();
        SystemClock::sleep(ms);
        slept += wallSeconds() - t0;
        askedMs += ms;
        ++pauses;
    }
    void clear() { *this = PauseTally{}; }

    double slept = 0;
    uint64_t askedMs = 0;
    int pauses = 0;
};

// What the host writes for each job, from an in-process run with the same EEPROM.
std::vector<Writes> capture()
{
    std::vector<Writes> all;
    testsupport::TestPlatform platform;
    vprinter::VirtualPrinter printer;
    printer.eeprom() = vprinter::servicedEeprom();
    Writes writes;
    PortsOf ports([&] {
        return std::make_unique<TallyPort>(std::make_unique<vprinter::VirtualPort>(printer), writes,
                                           true);
    });
    platform::setPorts(&ports);
    for (const PrintJob &job : printJobs()) {
        startLink();
        writes = Writes{};
        job.print();
        all.push_back(std::move(writes));
        endLink();
    }
    platform::setPorts(nullptr);
    return all;
}

void makeRaw(int fd)
{
    termios attributes{};
    if (tcgetattr(fd, &attributes) == 0) {
        cfmakeraw(&attributes);
        tcsetattr(fd, TCSANOW, &attributes);
    }
}

// Processors for the host and for the printer's side, so that the printer, as a real one,
// has a processor of its own and the host is not put aside whenever it wakes the printer up.
// Both -1 when fewer than two processors are there.
struct Processors
{
    int host = -1;
    int printer = -1;

    static Processors pick()
    {
        cpu_set_t allowed;
        CPU_ZERO(&allowed);
        Processors p;
        if (sched_getaffinity(0, sizeof allowed, &allowed) != 0)
            return p;
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (!CPU_ISSET(cpu, &allowed))
                continue;
            if (p.host < 0)
                p.host = cpu;
            else if (p.printer < 0)
                p.printer = cpu;
        }
        if (p.printer < 0)
            p.host = -1;
        return p;
    }
};

void runOn(int cpu)
{
    if (cpu < 0)
        return;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    sched_setaffinity(0, sizeof set, &set);
}

// One write() per packet to the slave side of a fresh pseudo-terminal whose master side
// another process, on the printer's processor, reads and drops; the wall time of the writes.
double bareLoop(const Writes &writes, int printerCpu)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return -1;
    makeRaw(master);
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        close(master);
        return -1;
    }
    makeRaw(slave);
    const pid_t drain = fork();
    if (drain == 0) {
        runOn(printerCpu);
        close(slave);
        uint8_t buffer[4096];
        for (;;) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                _exit(0); // the writer has closed its side
        }
    }
    const double t0 = wallSeconds();
    for (const std::vector<uint8_t> &packet : writes.kept) {
        size_t done = 0;
        while (done < packet.size()) {
            const ssize_t n = write(slave, packet.data() + done, packet.size() - done);
            if (n > 0)
                done += size_t(n);
            else if (errno != EINTR)
                break;
        }
    }
    const double elapsed = wallSeconds() - t0;
    close(slave);
    int status = 0;
    waitpid(drain, &status, 0);
    close(master);
    return elapsed;
}

class PrinterProcess
{
public:
    PrinterProcess(const fs::path &folder, const fs::path &link, int cpu,
                   const std::vector<std::string> &extra = {})
    {
        const fs::path eeprom = folder / "eeprom.bin";
        const vprinter::EepromImage image = vprinter::servicedEeprom();
        std::ofstream(eeprom, std::ios::binary)
                .write(reinterpret_cast<const char *>(image.data()), std::streamsize(image.size()));
        const fs::path log = folder / (link.filename().string() + ".log");
        std::vector<std::string> args{ CANTRA_VPRINTER_PATH, "--link", link.string(), "--eeprom",
                                       eeprom.string() };
        args.insert(args.end(), extra.begin(), extra.end());
        m_pid = fork();
        if (m_pid == 0) {
            runOn(cpu);
            if (!freopen(log.c_str(), "w", stderr))
                _exit(127);
            std::vector<char *> argv;
            for (std::string &arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(CANTRA_VPRINTER_PATH, argv.data());
            _exit(127);
        }
        for (int i = 0; i < 500 && !fs::is_symlink(link); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        m_ready = fs::is_symlink(link);
    }
    ~PrinterProcess()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
    }
    bool ready() const { return m_ready; }
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    bool m_ready = false;
};

// User and system CPU time of this process, and the times it waited (for a pause, for room
// in the line) and was put aside for another process.
struct Usage
{
    double cpu = 0;
    long waits = 0;
    long preempted = 0;

    static Usage now()
    {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return { double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
                         + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6,
                 u.ru_nvcsw, u.ru_nivcsw };
    }
    Usage operator-(const Usage &earlier) const
    {
        return { cpu - earlier.cpu, waits - earlier.waits, preempted - earlier.preempted };
    }
};

// CPU time another process has used so far, from /proc.
double processCpu(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name, which is in brackets and may hold blanks.
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

struct PtyRun
{
    Writes writes;
    double wall = 1e9;
    double rest = 1e9; // wall time outside the pauses
    Usage used;
    double printerCpu = 0;
    PauseTally pauses;
    double bare = 1e9;
    Usage bareUsed;
};

} // namespace

void ptyFigures()
{
    std::printf("Real POSIX port to cantra-vprinter on a pseudo-terminal (wall time)\n");
    {
        // Wall times on a shared machine say little without the load they were taken under.
        std::ifstream load("/proc/loadavg");
        std::string one, five;
        if (load >> one >> five)
            std::printf("  load average %s (1 min), %s (5 min) on %ld processors\n", one.c_str(),
                        five.c_str(), sysconf(_SC_NPROCESSORS_ONLN));
    }
    const std::vector<Writes> captured = capture();
    const Processors cpus = Processors::pick();
    cpu_set_t before;
    sched_getaffinity(0, sizeof before, &before);
    if (cpus.host >= 0)
        std::printf("  the host on processor %d; cantra-vprinter and the bare loop's reader on "
                    "processor %d\n",
                    cpus.host, cpus.printer);

    std::string pattern = (fs::temp_directory_path() / "cantra-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::printf("  no temporary folder\n");
        return;
    }
    const fs::path folder = pattern;
    const fs::path link = folder / "lpt1";
    std::vector<PtyRun> runs(printJobs().size());
    {
        PrinterProcess process(folder, link, cpus.printer);
        runOn(cpus.host);
        if (!process.ready()) {
            std::printf("  cantra-vprinter did not start (%s)\n", CANTRA_VPRINTER_PATH);
            fs::remove_all(folder);
            return;
        }
        setenv("CANTRA_LPT1", link.c_str(), 1);
        testsupport::resetLink();
        PauseTally clock;
        platform::setClock(&clock);
        Writes writes;
        PortsOf ports([&] {
            return std::make_unique<TallyPort>(platform::openSystemPort(link.string()), writes,
                                               false);
        });
        platform::setPorts(&ports);
        // Each job on a link of its own, as in the capture.
        for (int round = 0; round < Rounds; ++round) {
            for (size_t j = 0; j < printJobs().size(); ++j) {
                PtyRun &run = runs[j];
                startLink();
                writes = Writes{};
                clock.clear();
                const Usage u0 = Usage::now();
                const double p0 = processCpu(process.pid());
                const double t0 = wallSeconds();
                printJobs()[j].print();
                const double wall = wallSeconds() - t0;
                const Usage used = Usage::now() - u0;
                if (wall - clock.slept < run.rest) {
                    run.wall = wall;
                    run.rest = wall - clock.slept;
                    run.pauses = clock;
                    run.used = used;
                    run.printerCpu = processCpu(process.pid()) - p0;
                }
                run.writes = writes;
                endLink();
                const Usage b0 = Usage::now();
                const double bare = bareLoop(captured[j], cpus.printer);
                if (bare < run.bare) {
                    run.bare = bare;
                    run.bareUsed = Usage::now() - b0;
                }
            }
        }
        platform::setPorts(nullptr);
        platform::restoreDefaults();
    }
    sched_setaffinity(0, sizeof before, &before);
    fs::remove_all(folder);

    std::printf("  %-11s %8s %9s %22s %9s %11s %12s\n", "", "packets", "total", "specified pauses",
                "rest", "bare loop", "rest / bare");
    for (size_t j = 0; j < runs.size(); ++j) {
        const PtyRun &run = runs[j];
        std::printf("  %-11s %8llu %7.2f s %7.2f s (%4d, %5.1f s) %7.3f s %9.3f s %8.2f (target <= "
                    "%.1f)\n",
                    printJobs()[j].name, static_cast<unsigned long long>(run.writes.packets),
                    run.wall, run.pauses.slept, run.pauses.pauses, double(run.pauses.askedMs) / 1e3,
                    run.rest, run.bare, run.rest / run.bare, RatioTarget);
        if (run.writes.packets != captured[j].packets || run.writes.bytes != captured[j].bytes)
            std::printf("  (the bare loop wrote %llu packets, %llu bytes; the port %llu bytes)\n",
                        static_cast<unsigned long long>(captured[j].packets),
                        static_cast<unsigned long long>(captured[j].bytes),
                        static_cast<unsigned long long>(run.writes.bytes));
    }
    std::printf("\n  In the same runs     host CPU   waits  put aside   printer CPU\n");
    for (size_t j = 0; j < runs.size(); ++j) {
        const PtyRun &run = runs[j];
        std::printf("  %-11s port    %7.3f s %7ld %10ld   %7.2f s\n", printJobs()[j].name,
                    run.used.cpu, run.used.waits, run.used.preempted, run.printerCpu);
        std::printf("  %-11s bare    %7.3f s %7ld %10ld\n", "", run.bareUsed.cpu,
                    run.bareUsed.waits, run.bareUsed.preempted);
    }
    std::printf("  (best of %d rounds; specified pauses: wall time inside the link's pauses, in "
                "brackets how many and the time they ask for; waits: the host blocked, put aside: "
                "another process took its processor)\n",
                Rounds);
}

namespace {

// How many page files a folder holds.
int pageFiles(const fs::path &folder)
{
    int count = 0;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(folder, error))
        count += entry.path().extension() == ".png";
    return count;
}

struct PagesRun
{
    double best = 1e9;
    double sum = 0;
    int runs = 0;
    double printerCpu = 0;
    double pictureAfter = 0; // wall time from the printer's answer to the file, longest
};

} // namespace

void pageFigures()
{
    std::printf("Print time with and without --pages: cantra-vprinter on a pseudo-terminal, "
                "from the first packet to the printer's answer to the status request after the "
                "page is out (wall time)\n");
    {
        std::ifstream load("/proc/loadavg");
        std::string one, five;
        if (load >> one >> five)
            std::printf("  load average %s (1 min), %s (5 min) on %ld processors\n", one.c_str(),
                        five.c_str(), sysconf(_SC_NPROCESSORS_ONLN));
    }
#ifndef CANTRA_PAGE_FILES
    std::printf("  (this build writes no pictures: it was built without Qt)\n");
    return;
#endif
    const Processors cpus = Processors::pick();
    cpu_set_t before;
    sched_getaffinity(0, sizeof before, &before);
    std::string pattern = (fs::temp_directory_path() / "cantra-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::printf("  no temporary folder\n");
        return;
    }
    const fs::path folder = pattern;
    const fs::path pages = folder / "pages";
    constexpr int PageRounds = 3;
    // Per job: without pages, with pages.
    std::vector<std::array<PagesRun, 2>> runs(printJobs().size());
    {
        const std::array<fs::path, 2> links{ folder / "lpt-plain", folder / "lpt-pages" };
        PrinterProcess plain(folder, links[0], cpus.printer);
        PrinterProcess paging(folder, links[1], cpus.printer, { "--pages", pages.string() });
        runOn(cpus.host);
        if (!plain.ready() || !paging.ready()) {
            std::printf("  cantra-vprinter did not start (%s)\n", CANTRA_VPRINTER_PATH);
            fs::remove_all(folder);
            return;
        }
        const std::array<pid_t, 2> pids{ plain.pid(), paging.pid() };
        testsupport::resetLink();
        platform::SystemClock clock;
        platform::setClock(&clock);
        size_t mode = 0;
        PortsOf ports([&] { return platform::openSystemPort(links[mode].string()); });
        platform::setPorts(&ports);
        int written = 0;
        // The two printers take turns, job by job; a sheet's file is waited for outside the
        // timing, so that its picture does not weigh on the next print without pages.
        for (int round = 0; round < PageRounds; ++round) {
            for (size_t j = 0; j < printJobs().size(); ++j) {
                for (mode = 0; mode < 2; ++mode) {
                    PagesRun &run = runs[j][mode];
                    startLink();
                    const double p0 = processCpu(pids[mode]);
                    const double t0 = wallSeconds();
                    printJobs()[j].print();
                    D4Link.GetPrinterStatus();
                    const double answered = wallSeconds();
                    const double wall = answered - t0;
                    endLink();
                    if (mode == 1) {
                        ++written;
                        while (pageFiles(pages) < written && wallSeconds() - answered < 60)
                            std::this_thread::sleep_for(std::chrono::milliseconds(5));
                        run.pictureAfter = std::max(run.pictureAfter, wallSeconds() - answered);
                    }
                    run.printerCpu = std::max(run.printerCpu, processCpu(pids[mode]) - p0);
                    run.best = std::min(run.best, wall);
                    run.sum += wall;
                    ++run.runs;
                }
            }
        }
        platform::setPorts(nullptr);
        platform::restoreDefaults();
        std::printf("  %-11s %22s %22s %12s\n", "", "without --pages", "with --pages",
                    "with/without");
        for (size_t j = 0; j < runs.size(); ++j) {
            const PagesRun &a = runs[j][0], &b = runs[j][1];
            std::printf("  %-11s %7.2f s (mean %5.2f) %7.2f s (mean %5.2f) %10.3f\n",
                        printJobs()[j].name, a.best, a.sum / a.runs, b.best, b.sum / b.runs,
                        b.best / a.best);
        }
        std::printf("\n  %-11s %22s %22s %22s\n", "", "printer CPU without", "printer CPU with",
                    "file after the answer");
        for (size_t j = 0; j < runs.size(); ++j)
            std::printf("  %-11s %20.2f s %20.2f s %20.2f s\n", printJobs()[j].name,
                        runs[j][0].printerCpu, runs[j][1].printerCpu, runs[j][1].pictureAfter);
        std::printf("  pages written: %d of %d (best and mean of %d rounds, the two printers "
                    "taking turns on processor %d; CPU and file: the most of any round)\n",
                    pageFiles(pages), written, PageRounds, cpus.printer);
    }
    sched_setaffinity(0, sizeof before, &before);
    fs::remove_all(folder);
}

} // namespace bench
