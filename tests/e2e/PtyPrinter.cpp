// The virtual printer's executable and the project's programs as separate processes.
#include "PtyPrinter.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace e2e {

namespace {

constexpr auto PollStep = std::chrono::milliseconds(10);
constexpr auto SignalLimit = std::chrono::seconds(5);

std::vector<char *> argv(std::vector<std::string> &args)
{
    std::vector<char *> pointers;
    for (std::string &arg : args)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "cantra-e2e-XXXXXX").string();
    path = mkdtemp(pattern.data());
}

TempDir::~TempDir()
{
    fs::remove_all(path);
}

Lpt1OnLink::Lpt1OnLink(const std::string &traceName)
    : link(dir.path / "lpt1"), trace(dir.path / traceName)
{
    setenv("CANTRA_LPT1", link.c_str(), 1);
}

Lpt1OnLink::~Lpt1OnLink()
{
    unsetenv("CANTRA_LPT1");
}

std::string readFile(const fs::path &path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

VirtualPrinterProcess::VirtualPrinterProcess(const fs::path &link, const fs::path &trace,
                                             const std::vector<std::string> &extra, bool traced)
    : m_trace(trace)
{
    m_pid = fork();
    if (m_pid == 0) {
        const int out = ::open(trace.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDERR_FILENO);
        std::vector<std::string> args{ CANTRA_VPRINTER_PATH, "--link", link.string() };
        if (traced)
            args.push_back("--trace");
        args.insert(args.end(), extra.begin(), extra.end());
        execv(args[0].c_str(), argv(args).data());
        _exit(127);
    }
    const auto limit = std::chrono::steady_clock::now() + SignalLimit;
    while (!fs::is_symlink(link) && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(PollStep);
}

VirtualPrinterProcess::~VirtualPrinterProcess()
{
    if (m_pid > 0)
        stop(SIGTERM, SignalLimit);
}

bool VirtualPrinterProcess::stop(int signal, std::chrono::milliseconds limit)
{
    kill(m_pid, signal);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(m_pid, &status, WNOHANG)) == 0
           && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(PollStep);
    if (ended == 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, &status, 0);
    }
    m_pid = -1;
    return ended != 0;
}

long VirtualPrinterProcess::statusKb(const std::string &field) const
{
    if (m_pid <= 0)
        return 0;
    std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(field.size()));
    return 0;
}

int VirtualPrinterProcess::count(const std::string &text) const
{
    const std::string log = trace();
    int found = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        ++found;
    return found;
}

bool VirtualPrinterProcess::waitForTrace(const std::string &text, int times) const
{
    const auto limit = std::chrono::steady_clock::now() + SignalLimit;
    while (count(text) < times) {
        if (std::chrono::steady_clock::now() >= limit)
            return false;
        std::this_thread::sleep_for(PollStep);
    }
    return true;
}

bool VirtualPrinterProcess::signalAndWait(int signal, const std::string &line)
{
    const int before = count(line);
    kill(m_pid, signal);
    return waitForTrace(line, before + 1);
}

bool VirtualPrinterProcess::switchOff()
{
    return signalAndWait(SIGUSR1, "power off");
}

bool VirtualPrinterProcess::switchOn()
{
    return signalAndWait(SIGUSR2, "power on");
}

RunResult runProgram(const std::vector<std::string> &args,
                     const std::vector<std::pair<std::string, std::string>> &environment,
                     std::chrono::seconds limit)
{
    TempDir dir;
    const fs::path out = dir.path / "out.txt";
    const fs::path err = dir.path / "err.txt";
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
        dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        // What the program keeps goes to the run's own folder unless the test names one.
        setenv("CANTRA_DATA_DIR", dir.path.c_str(), 1);
        for (const auto &[name, value] : environment)
            setenv(name.c_str(), value.c_str(), 1);
        std::vector<std::string> copy = args;
        execv(copy[0].c_str(), argv(copy).data());
        _exit(127);
    }
    RunResult result;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    pid_t ended = 0;
    while ((ended = waitpid(pid, &status, WNOHANG)) == 0
           && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(PollStep);
    if (ended == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    } else if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    result.out = readFile(out);
    result.err = readFile(err);
    return result;
}

void TimingClock::sleep(uint32_t ms)
{
    m_marks.emplace_back(ms, monotonicMs());
    SystemClock::sleep(std::max<uint32_t>(1, ms / m_speedUp));
}

PortTimeDivisor::PortTimeDivisor(uint32_t divisor)
{
    setenv("CANTRA_PORT_TIME_DIVISOR", std::to_string(divisor).c_str(), 1);
}

PortTimeDivisor::~PortTimeDivisor()
{
    unsetenv("CANTRA_PORT_TIME_DIVISOR");
}

int TimingClock::pauses(uint32_t ms) const
{
    return int(std::count_if(m_marks.begin(), m_marks.end(),
                             [ms](const auto &mark) { return mark.first == ms; }));
}

std::vector<int64_t> TimingClock::tries(int64_t end) const
{
    constexpr uint32_t ReadPause = 10;
    constexpr uint32_t RetryPause = 1000;
    std::vector<int64_t> durations;
    for (size_t i = 0; i < m_marks.size(); ++i) {
        if (m_marks[i].first != ReadPause)
            continue;
        int64_t until = end;
        for (size_t j = i + 1; j < m_marks.size(); ++j)
            if (m_marks[j].first == RetryPause || m_marks[j].first == ReadPause) {
                until = m_marks[j].second;
                break;
            }
        durations.push_back(until - m_marks[i].second);
    }
    return durations;
}

} // namespace e2e
