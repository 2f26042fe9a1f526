// cantra-vprinter: the virtual printer on a pseudo-terminal, serving one host at a time.
#include "vprinter/VirtualPrinter.h"

#ifdef CANTRA_PAGE_FILES
#include "vprinter/qt/PagePng.h"
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <optional>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

const char *const Usage
        = "usage: cantra-vprinter --link PATH [options]\n"
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
          "  --help            show this text\n";

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

// Writes the sheets the printer has ejected, or lets them go when there is no folder.
class PageOutput
{
public:
    bool setFolder(const std::string &folder, std::string &error)
    {
#ifdef CANTRA_PAGE_FILES
        (void)error; // a folder that cannot be written is reported page by page
        m_folder.emplace(QString::fromStdString(folder));
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
        if (!m_folder)
            return;
        for (const vprinter::Page &page : pages) {
            QString error;
            const QString path = m_folder->write(vprinter::pageImage(page), &error);
            if (path.isEmpty())
                std::fprintf(stderr, "cantra-vprinter: %s\n", error.toLocal8Bit().constData());
            else
                std::fprintf(stderr, "cantra-vprinter: page written to %s\n",
                             path.toLocal8Bit().constData());
        }
#endif
    }

private:
#ifdef CANTRA_PAGE_FILES
    std::optional<vprinter::PageFolder> m_folder;
#endif
};

void writeAll(int fd, const uint8_t *data, size_t length)
{
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                pollfd p{ fd, POLLOUT, 0 };
                ::poll(&p, 1, 100);
                continue;
            }
            return;
        }
        data += n;
        length -= size_t(n);
    }
}

} // namespace

int main(int argc, char **argv)
{
    std::string link;
    bool trace = false;
    vprinter::VirtualPrinter printer;
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

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    std::signal(SIGPIPE, SIG_IGN);
    if (trace)
        printer.onTrace
                = [](const std::string &line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    std::fprintf(stderr, "cantra-vprinter: serving on %s (%s)\n", link.c_str(), slave);

    bool hostPresent = false;
    uint8_t buffer[4096];
    while (!stopRequested) {
        pollfd p{ master, POLLIN, 0 };
        const int ready = ::poll(&p, 1, 100);
        if (ready < 0 && errno != EINTR)
            break;
        ssize_t n = 0;
        if (ready > 0 && (p.revents & POLLIN))
            n = ::read(master, buffer, sizeof buffer);
        if (n > 0) {
            hostPresent = true;
            printer.hostWrite(buffer, size_t(n));
            pages.collect(printer);
            while (printer.pendingOutput() > 0) {
                const size_t count = printer.hostRead(buffer, sizeof buffer);
                writeAll(master, buffer, count);
            }
            continue;
        }
        if (ready > 0 && ((p.revents & (POLLHUP | POLLERR)) || n < 0)) {
            // No host holds the slave side: the next one starts in byte mode.
            if (hostPresent) {
                printer.hostGone();
                pages.collect(printer);
                hostPresent = false;
                if (trace)
                    std::fprintf(stderr, "host gone\n");
            }
            ::usleep(20000);
        }
    }
    printer.hostGone();
    pages.collect(printer);
    ::unlink(link.c_str());
    ::close(master);
    return 0;
}
