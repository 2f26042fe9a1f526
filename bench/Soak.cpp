// cantra-soak: the program's print operations in a row through the real POSIX port to the
// virtual printer's executable on a pseudo-terminal, with the program's real pauses: A4 check
// sheets, then Bi-D prints, then the close sequence. It prints the wall time, the memory of
// both processes and the pages printed, and fails when a page is missing or the memory of
// either process grows by more than 10 % between the second and the last A4 sheet.
//
// usage: cantra-soak VPRINTER [SHEETS [BIDS]]
#include "commands/Dazedarovovuri.h"
#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "patterns/Dude4vidad.h"
#include "patterns/Ziroreved.h"
#include "patterns/Zurova.h"
#include "platform/Platform.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint16_t ModelCode = 770; // "Cantra R70PA"
constexpr double AllowedGrowth = 0.10;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// A field of /proc/PID/status in kB ("VmRSS:", "VmHWM:"); 0 when unknown.
long statusKb(const std::string &pid, const std::string &field)
{
    std::ifstream status("/proc/" + pid + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(field.size()));
    return 0;
}

int pagesIn(const fs::path &dir)
{
    int count = 0;
    for (const auto &entry : fs::directory_iterator(dir))
        count += entry.path().extension() == ".png";
    return count;
}

class PrinterProcess
{
public:
    PrinterProcess(const std::string &program, const fs::path &link, const fs::path &pages,
                   const fs::path &log)
    {
        m_pid = ::fork();
        if (m_pid == 0) {
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, STDERR_FILENO);
            ::execl(program.c_str(), program.c_str(), "--link", link.c_str(), "--pages",
                    pages.c_str(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
        const auto limit = Clock::now() + std::chrono::seconds(10);
        while (!fs::is_symlink(link) && Clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~PrinterProcess() { stop(); }

    std::string pid() const { return std::to_string(m_pid); }
    bool stop()
    {
        if (m_pid <= 0)
            return true;
        ::kill(m_pid, SIGTERM);
        const auto limit = Clock::now() + std::chrono::seconds(10);
        int status = 0;
        pid_t ended = 0;
        while ((ended = ::waitpid(m_pid, &status, WNOHANG)) == 0 && Clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (ended == 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
        }
        m_pid = -1;
        return ended != 0;
    }

private:
    pid_t m_pid = -1;
};

struct Sample
{
    long soakKb = 0;
    long printerKb = 0;
};

bool grewTooMuch(long from, long to)
{
    return from > 0 && double(to - from) > AllowedGrowth * double(from);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: cantra-soak VPRINTER [SHEETS [BIDS]]\n");
        return 2;
    }
    const int sheets = argc > 2 ? std::atoi(argv[2]) : 10;
    const int bids = argc > 3 ? std::atoi(argv[3]) : 10;
    if (sheets < 2 || bids < 0) {
        std::fprintf(stderr, "cantra-soak: at least 2 sheets, and no negative count\n");
        return 2;
    }
    std::string pattern = (fs::temp_directory_path() / "cantra-soak-XXXXXX").string();
    const fs::path dir = ::mkdtemp(pattern.data());
    const fs::path link = dir / "lpt1", pages = dir / "pages", log = dir / "vprinter.log";
    fs::create_directories(pages);

    const auto start = Clock::now();
    PrinterProcess printer(argv[1], link, pages, log);
    if (!fs::is_symlink(link)) {
        std::fprintf(stderr, "cantra-soak: %s did not make %s\n", argv[1], link.c_str());
        return 1;
    }
    ::setenv("CANTRA_LPT1", link.c_str(), 1);
    std::printf("cantra-soak: %d A4 check sheets and %d Bi-D prints to %s, pages in %s\n", sheets,
                bids, argv[1], pages.c_str());

    PrinterDriver.OpenPort(0);
    if (!D4Link.EnterD4Mode()) {
        std::fprintf(stderr, "cantra-soak: the printer does not answer\n");
        return 1;
    }
    D4Link.D4Init();
    D4Link.OpenChannel(ControlSocket);
    D4Link.GrantCredit(ControlSocket, 1);
    D4Link.GetPrinterStatus();
    D4Link.OpenChannel(DataSocket);

    bool failed = false;
    std::vector<Sample> afterSheet;
    std::printf("  job          seconds  pages  soak RSS   printer RSS\n");
    auto job = [&](const char *name, int n, const auto &print) {
        const int before = pagesIn(pages);
        const auto t = Clock::now();
        const bool printed = print();
        const double took = seconds(Clock::now() - t);
        // The printer writes the page's picture off its serving line, after it has answered.
        for (int i = 0; i < 3000 && pagesIn(pages) == before; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const Sample sample{ statusKb("self", "VmRSS:"), statusKb(printer.pid(), "VmRSS:") };
        const int added = pagesIn(pages) - before;
        std::printf("  %-9s %2d  %7.1f  %5d  %6ld kB  %8ld kB\n", name, n, took, added,
                    sample.soakKb, sample.printerKb);
        std::fflush(stdout);
        if (!printed || added != 1) {
            std::printf("  %s %d: %s\n", name, n,
                        printed ? "not exactly one page printed" : "the printer reported an error");
            failed = true;
        }
        return sample;
    };
    for (int n = 1; n <= sheets; ++n)
        afterSheet.push_back(job("A4 sheet", n, [] { return A4check.PrintCheckSheet(ModelCode); }));
    for (int n = 1; n <= bids; ++n)
        job("Bi-D", n, [] {
            // As the Bi-D print item does: the pattern, the sheet out, the wait for ready.
            const bool printed = Bid.PrintBidPattern(false);
            Raster.FormFeed();
            return printed && Maintenance.WaitUntilReady();
        });

    // The close sequence of the adjustment window, with its reset and 10-second wait.
    const auto closeStart = Clock::now();
    D4Link.CloseChannel(DataSocket, 0);
    platform::clock().sleep(200);
    D4Link.ResetPrinter();
    platform::clock().sleep(10000);
    D4Link.CloseChannel(ControlSocket, 0);
    platform::clock().sleep(200);
    D4Link.D4Exit();
    PrinterDriver.ClosePort();
    std::printf("  close sequence %.1f s\n", seconds(Clock::now() - closeStart));

    const long soakPeak = statusKb("self", "VmHWM:");
    const long printerPeak = statusKb(printer.pid(), "VmHWM:");
    const bool stopped = printer.stop();
    const int total = pagesIn(pages);
    std::printf("wall time %.1f s; pages %d of %d; peak memory: soak %ld kB, printer %ld kB\n",
                seconds(Clock::now() - start), total, sheets + bids, soakPeak, printerPeak);
    const Sample &second = afterSheet[1], &last = afterSheet.back();
    std::printf("memory from sheet 2 to sheet %d: soak %ld -> %ld kB, printer %ld -> %ld kB\n",
                sheets, second.soakKb, last.soakKb, second.printerKb, last.printerKb);
    if (total != sheets + bids) {
        std::printf("FAILED: pages missing\n");
        failed = true;
    }
    if (grewTooMuch(second.soakKb, last.soakKb) || grewTooMuch(second.printerKb, last.printerKb)) {
        std::printf("FAILED: memory grew by more than 10 %%\n");
        failed = true;
    }
    if (!stopped) {
        std::printf("FAILED: the printer did not end on SIGTERM\n");
        failed = true;
    }
    if (failed) {
        std::printf("the printer's log: %s\n", log.c_str());
        return 1;
    }
    fs::remove_all(dir);
    std::printf("soak passed\n");
    return 0;
}
