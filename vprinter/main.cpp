// cantra-vprinter: the virtual printer on a pseudo-terminal, serving one host at a time.
#include "version/Version.h"
#include "vprinter/VirtualPrinter.h"

#ifdef CANTRA_PAGE_FILES
#include "vprinter/qt/PageWriter.h"
#endif

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
// 1 switch off, 2 switch on; handled by the serving loop.
volatile std::sig_atomic_t powerRequest = 0;

void requestStop(int)
{
    stopRequested = 1;
}

void requestPower(int signal)
{
    powerRequest = signal == SIGUSR1 ? 1 : 2;
}

const char *const Usage
        = "Usage: cantra-vprinter --link PATH [OPTION]...\n"
          "Serves a virtual printer on a pseudo-terminal whose slave side PATH links to.\n"
          "Point the adjustment program at it with CANTRA_LPT1=PATH.\n"
          "\n"
          "  --link PATH       symbolic link to create for the pseudo-terminal (required)\n"
          "  --eeprom FILE     load the 256-byte EEPROM image from FILE\n"
          "  --state DIGIT     status state digit (0 error, 2 busy, 4 ready, 7 cleaning, ...)\n"
          "  --error CHAR      error character (0 fatal, 4 paper jam, 5 ink out, 6 misload,\n"
          "                    B maintenance request)\n"
          "  --ink K,C,M,Y     ink levels, hexadecimal 00 to FF\n"
          "  --warn CODES      low-ink warnings, e.g. 0,2 for black and magenta\n"
          "  --bid-error MS1,MS2,VS\n"
          "                    where the return passes land, per shot type, in 1/720 inch:\n"
          "                    the Bi-D values that line them up (default 5,-4,3)\n"
          "  --pages DIR       write every printed sheet to DIR as page-0001.png, ...\n"
          "  --trace           print each decoded packet to standard error\n"
          "  --help            show this text\n"
          "  --version         show the version and the commit it was built from\n"
          "\n"
          "Faults, for trying how a host copes with a printer that misbehaves:\n"
          "  --silent          start switched off: take every byte, answer nothing\n"
          "  --late-replies N  the first N replies come late (see --late-by)\n"
          "  --late-data-replies N   the first N data-channel replies come late\n"
          "  --late-by MS      how late a late reply comes (default 6000)\n"
          "  --cut-data-replies N    the first N data-channel replies lose their last bytes\n"
          "  --lost-data-replies N   the first N data-channel replies never arrive\n"
          "  --trickle LENGTH  the first reply announces LENGTH bytes and its body dribbles\n"
          "                    out one byte every 10 ms (see --trickle-every)\n"
          "  --trickle-every MS      how often a byte of the trickle comes\n"
          "  --noise MS        a random byte on the line every MS ms while a host is there,\n"
          "                    and none of the printer's replies\n"
          "\n"
          "SIGUSR1 switches the printer off (it answers nothing), SIGUSR2 switches it on\n"
          "again in byte mode; the EEPROM and the state are kept.\n";

int fail(const std::string &message)
{
    std::fprintf(stderr, "cantra-vprinter: %s\n", message.c_str());
    return 2;
}

bool loadEeprom(const std::string &file, vprinter::EepromImage &image, std::string &error)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot read " + file;
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() != image.size()) {
        error = file + " holds " + std::to_string(bytes.size()) + " bytes, not 256";
        return false;
    }
    std::memcpy(image.data(), bytes.data(), image.size());
    return true;
}

bool parseInk(const std::string &text, std::array<uint8_t, 4> &levels)
{
    unsigned k = 0, c = 0, m = 0, y = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%x,%x,%x,%x%c", &k, &c, &m, &y, &extra) != 4 || k > 255
        || c > 255 || m > 255 || y > 255)
        return false;
    levels = { uint8_t(k), uint8_t(c), uint8_t(m), uint8_t(y) };
    return true;
}

bool parseCount(const std::string &text, int &value, int limit)
{
    char *end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number < 0 || number > limit)
        return false;
    value = int(number);
    return true;
}

bool parseWarnings(const std::string &text, std::vector<int> &warnings)
{
    warnings.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (i % 2 == 1) {
            if (text[i] != ',')
                return false;
            continue;
        }
        if (text[i] < '0' || text[i] > '3')
            return false;
        warnings.push_back(text[i] - '0');
    }
    return warnings.size() <= 4 && !text.empty() && text.back() != ',';
}

bool parseBidErrors(const std::string &text, vprinter::BidErrors &errors)
{
    int ms1 = 0, ms2 = 0, vs = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%d,%d,%d%c", &ms1, &ms2, &vs, &extra) != 3)
        return false;
    for (const int e : { ms1, ms2, vs })
        if (e < -128 || e > 127)
            return false;
    errors = { ms1, ms2, vs };
    return true;
}

// Writes the sheets the printer has ejected, or lets them go when there is no folder. The
// pictures are made on a thread of their own, so the line is served meanwhile; only when
// sheets pile up beyond the writer's queue does the printer take no more data, as a printer
// whose memory is full.
class PageOutput
{
public:
    bool setFolder(const std::string &folder, std::string &error)
    {
#ifdef CANTRA_PAGE_FILES
        (void)error; // a folder that cannot be written is reported page by page
        m_writer.emplace(QString::fromStdString(folder), false,
                         [](vprinter::PageWriter::Written written) {
                             if (written.path.isEmpty())
                                 std::fprintf(stderr, "cantra-vprinter: %s\n",
                                              written.error.toLocal8Bit().constData());
                             else
                                 std::fprintf(stderr, "cantra-vprinter: page written to %s\n",
                                              written.path.toLocal8Bit().constData());
                         });
        return true;
#else
        (void)folder;
        error = "this build cannot write pictures (it was built without Qt)";
        return false;
#endif
    }

    void collect(vprinter::VirtualPrinter &printer)
    {
        std::vector<vprinter::Page> pages = printer.takePages();
#ifdef CANTRA_PAGE_FILES
        if (!m_writer)
            return;
        for (vprinter::Page &page : pages)
            m_waiting.push_back(std::move(page));
        while (!m_waiting.empty() && m_writer->hasRoom()) {
            m_writer->add(std::move(m_waiting.front()));
            m_waiting.pop_front();
        }
#endif
    }

    // Sheets wait that the writer has no room for yet.
    bool full() const
    {
#ifdef CANTRA_PAGE_FILES
        return !m_waiting.empty();
#else
        return false;
#endif
    }

    // Every sheet is written before this returns.
    void finish(vprinter::VirtualPrinter &printer)
    {
        collect(printer);
#ifdef CANTRA_PAGE_FILES
        if (!m_writer)
            return;
        for (vprinter::Page &page : m_waiting)
            m_writer->add(std::move(page));
        m_waiting.clear();
        m_writer->waitUntilWritten();
#endif
    }

private:
#ifdef CANTRA_PAGE_FILES
    std::optional<vprinter::PageWriter> m_writer;
    std::deque<vprinter::Page> m_waiting;
#endif
};

void onSignal(int signal, void (*handler)(int))
{
    // No automatic restart: a signal ends the wait in poll() or a pause at once, so a stop
    // is seen within one turn of the loop whatever the host does.
    struct sigaction action
    { };
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    ::sigaction(signal, &action, nullptr);
}

// The master side of the pseudo-terminal, never blocking: replies wait in a bounded queue
// until the host reads them, and while the queue is full the printer takes no more requests,
// as a printer whose buffer is full would. A host that writes without reading then waits in
// its own write; the printer still answers signals and sees the host go.
class Line
{
public:
    // Replies the host has not read, at most this many bytes.
    static constexpr size_t OutputLimit = 64 * 1024;

    Line(int master, std::string slave) : m_master(master), m_slave(std::move(slave)) { }

    bool wantsInput(vprinter::VirtualPrinter &printer)
    {
        return m_queue.size() + printer.pendingOutput() < OutputLimit;
    }
    bool hasOutput() const { return !m_queue.empty(); }

    void takeReplies(vprinter::VirtualPrinter &printer)
    {
        uint8_t chunk[4096];
        while (m_queue.size() < OutputLimit) {
            const size_t count
                    = printer.hostRead(chunk, std::min(sizeof chunk, OutputLimit - m_queue.size()));
            if (count == 0)
                break;
            m_queue.insert(m_queue.end(), chunk, chunk + count);
        }
    }

    // As much of the queue as the line takes now.
    void send()
    {
        while (!m_queue.empty()) {
            uint8_t chunk[4096];
            const size_t count = std::min(sizeof chunk, m_queue.size());
            std::copy_n(m_queue.begin(), count, chunk);
            const ssize_t n = ::write(m_master, chunk, count);
            if (n <= 0)
                return; // full (EAGAIN), interrupted or gone: the loop decides
            m_queue.erase(m_queue.begin(), m_queue.begin() + n);
        }
    }

    // What a gone host sent and was sent is dropped: its requests are not served, and its
    // replies neither wait in the queue nor in the terminal for the next host to read.
    void dropAll()
    {
        m_queue.clear();
        uint8_t scratch[4096];
        for (int i = 0; i < 1024 && ::read(m_master, scratch, sizeof scratch) > 0; ++i) { }
        // Bytes already in the terminal's input on the slave side are flushed from there.
        const int slave = ::open(m_slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (slave >= 0) {
            ::tcflush(slave, TCIFLUSH);
            ::close(slave);
        }
    }

private:
    int m_master;
    std::string m_slave;
    std::deque<uint8_t> m_queue;
};

} // namespace

int main(int argc, char **argv)
{
    std::string link;
    bool trace = false;
    vprinter::VirtualPrinter printer;
    vprinter::Faults &faults = printer.faults();
    struct Count
    {
        int *value;
        int limit;
    };
    const std::map<std::string, Count> countOptions{
        { "--late-replies", { &faults.lateReplies, 1'000'000 } },
        { "--late-data-replies", { &faults.lateDataReplies, 1'000'000 } },
        { "--cut-data-replies", { &faults.cutDataReplies, 1'000'000 } },
        { "--lost-data-replies", { &faults.lostDataReplies, 1'000'000 } },
        { "--trickle", { &faults.trickleLength, 0xFFFF } },
        { "--trickle-every", { &faults.trickleEveryMs, 60'000 } },
        { "--noise", { &faults.noiseEveryMs, 60'000 } },
    };
    PageOutput pages;

    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        std::string text, error;
        if (option == "--help") {
            std::fputs(Usage, stdout);
            return 0;
        } else if (option == "--version") {
            std::printf("%s\n", version::line("cantra-vprinter").c_str());
            return 0;
        } else if (option == "--trace") {
            trace = true;
        } else if (option == "--link") {
            if (!value(link))
                return fail("--link needs a path");
        } else if (option == "--eeprom") {
            if (!value(text))
                return fail("--eeprom needs a file");
            if (!loadEeprom(text, printer.eeprom(), error))
                return fail(error);
        } else if (option == "--state") {
            if (!value(text) || text.size() != 1 || text[0] < '0' || text[0] > '9')
                return fail("--state needs one digit");
            printer.state().stateDigit = text[0];
        } else if (option == "--error") {
            if (!value(text) || text.size() != 1)
                return fail("--error needs one character");
            printer.state().errorChar = text[0];
        } else if (option == "--ink") {
            if (!value(text) || !parseInk(text, printer.state().inkLevels))
                return fail("--ink needs four hexadecimal levels, e.g. 46,50,50,50");
        } else if (option == "--bid-error") {
            if (!value(text) || !parseBidErrors(text, printer.bidErrors()))
                return fail("--bid-error needs three values -128 to 127, e.g. 5,-4,3");
        } else if (option == "--pages") {
            if (!value(text) || text.empty())
                return fail("--pages needs a folder");
            if (!pages.setFolder(text, error))
                return fail(error);
        } else if (option == "--warn") {
            if (!value(text) || !parseWarnings(text, printer.state().warnings))
                return fail("--warn needs up to four codes 0 to 3, e.g. 0,2");
        } else if (option == "--silent") {
            faults.silent = true;
        } else if (const auto count = countOptions.find(option); count != countOptions.end()) {
            if (!value(text) || !parseCount(text, *count->second.value, count->second.limit))
                return fail(option + " needs a number from 0 to "
                            + std::to_string(count->second.limit));
        } else if (option == "--late-by") {
            int ms = 0;
            if (!value(text) || !parseCount(text, ms, 600'000))
                return fail("--late-by needs milliseconds from 0 to 600000");
            faults.lateByMs = ms;
        } else {
            std::fputs(Usage, stderr);
            return fail("unknown option " + option);
        }
    }
    if (link.empty()) {
        std::fputs(Usage, stderr);
        return fail("--link is required");
    }

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return fail(std::string("cannot open a pseudo-terminal: ") + std::strerror(errno));
    termios attributes{};
    if (::tcgetattr(master, &attributes) == 0) {
        ::cfmakeraw(&attributes);
        ::tcsetattr(master, TCSANOW, &attributes);
    }
    const char *slave = ::ptsname(master);
    ::unlink(link.c_str());
    if (!slave || ::symlink(slave, link.c_str()) != 0)
        return fail("cannot create " + link + ": " + std::strerror(errno));

    onSignal(SIGINT, requestStop);
    onSignal(SIGTERM, requestStop);
    onSignal(SIGUSR1, requestPower);
    onSignal(SIGUSR2, requestPower);
    std::signal(SIGPIPE, SIG_IGN);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    if (trace)
        printer.onTrace
                = [](const std::string &line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    std::fprintf(stderr, "cantra-vprinter: serving on %s (%s)\n", link.c_str(), slave);

    Line line(master, slave);
    bool hostPresent = false;
    uint8_t buffer[4096];
    // Bytes read from the host and not yet given to the printer: they go in small slices, so
    // that the sheets one read ejects never pile up far beyond the writer's queue.
    constexpr size_t Slice = 64;
    size_t unfedFrom = 0, unfedTo = 0;
    while (!stopRequested) {
        if (const int request = powerRequest) {
            powerRequest = 0;
            // Off or on, what the printer was doing is lost; it comes back in byte mode.
            faults.silent = request == 1;
            unfedFrom = unfedTo = 0;
            printer.hostGone();
            pages.collect(printer);
            std::fprintf(stderr, "power %s\n", request == 1 ? "off" : "on");
        }
        pages.collect(printer);
        while (unfedFrom < unfedTo && !pages.full()) {
            const size_t count = std::min(Slice, unfedTo - unfedFrom);
            printer.hostWrite(buffer + unfedFrom, count);
            unfedFrom += count;
            pages.collect(printer);
        }
        line.takeReplies(printer);
        // Late replies, a trickle and noise go out on time even while the host is quiet.
        int waitMs = pages.full() ? 10 : 100;
        if (const auto next = printer.nextOutputInMs())
            waitMs = int(std::min<int64_t>(*next, waitMs));
        pollfd p{ master, 0, 0 };
        if (unfedFrom == unfedTo && !pages.full() && line.wantsInput(printer))
            p.events |= POLLIN;
        if (line.hasOutput())
            p.events |= POLLOUT;
        const int ready = ::poll(&p, 1, waitMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (ready == 0)
            continue;
        if (p.revents & (POLLHUP | POLLERR)) {
            // No host holds the slave side: the next one starts in byte mode, with nothing
            // of this one's left on the line.
            if (hostPresent || (p.revents & POLLIN) || line.hasOutput() || unfedFrom < unfedTo) {
                line.dropAll();
                unfedFrom = unfedTo = 0;
                printer.hostGone();
                pages.collect(printer);
                hostPresent = false;
                std::fprintf(stderr, "host gone\n");
            }
            ::usleep(20000);
            continue;
        }
        if (p.revents & POLLOUT)
            line.send();
        if (p.revents & POLLIN) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0) {
                hostPresent = true;
                unfedFrom = 0;
                unfedTo = size_t(n);
            }
        }
    }
    printer.hostGone();
    // Every sheet printed is written before the printer goes.
    pages.finish(printer);
    ::unlink(link.c_str());
    ::close(master);
    return 0;
}
