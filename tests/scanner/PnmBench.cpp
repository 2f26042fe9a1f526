// The pnm backend's test bench. The backend opens its file three times a scan: for the header
// when the scan starts, again for the header and then the data, and once more for the header
// when asked for the frame's parameters; the pipes below answer each of those in turn.
#include "PnmBench.h"

#include <sane/sane.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

namespace {

std::string header(const char *kind, int width, int height, int maxValue)
{
    std::string text = std::string(kind) + "\n" + std::to_string(width) + " "
            + std::to_string(height) + "\n";
    if (maxValue > 0)
        text += std::to_string(maxValue) + "\n";
    return text;
}

void pauseFor(const std::atomic<bool> &stop, std::chrono::milliseconds time)
{
    const auto until = std::chrono::steady_clock::now() + time;
    while (!stop && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

std::string temporaryFolder()
{
    std::string folder = (std::filesystem::temp_directory_path() / "cantra-scan-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr)
        std::abort();
    return folder;
}

// SANE reads SANE_CONFIG_DIR at its first start in a process and keeps to that folder: one
// configuration serves every bench of the process.
const std::filesystem::path &configuration()
{
    static const std::filesystem::path folder = [] {
        static std::string made = temporaryFolder();
        ::setenv("SANE_CONFIG_DIR", made.c_str(), 1);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(made, ignored);
        });
        return std::filesystem::path(made);
    }();
    return folder;
}

// SANE unloads a backend when it ends, and with it the backend's own pointer to a buffer it
// keeps: the leak checker then takes the buffer for lost. Held here, the backend stays loaded
// for the life of the process; its symbols stay out of everyone else's way.
void holdThePnmBackend()
{
    static void *const held = [] {
        Dl_info library{};
        if (::dladdr(reinterpret_cast<void *>(&sane_init), &library) == 0
            || library.dli_fname == nullptr)
            return static_cast<void *>(nullptr);
        const auto backend = std::filesystem::path(library.dli_fname).parent_path() / "sane"
                / "libsane-pnm.so.1";
        return ::dlopen(backend.c_str(), RTLD_LAZY | RTLD_LOCAL);
    }();
    (void)held;
}

} // namespace

PnmBench::PnmBench() : m_folder(temporaryFolder())
{
    // A pipe's reader that goes away must not end the test.
    std::signal(SIGPIPE, SIG_IGN);
    holdThePnmBackend();
    setBackends("pnm\n");
}

PnmBench::~PnmBench()
{
    setBackends("pnm\n");
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::string PnmBench::path(const std::string &name) const
{
    return (m_folder / name).string();
}

std::string PnmBench::write(const std::string &name, const std::string &bytes) const
{
    std::ofstream(path(name), std::ios::binary) << bytes;
    return path(name);
}

void PnmBench::setBackends(const std::string &names) const
{
    std::ofstream(configuration() / "dll.conf") << names;
}

scanner::ScanRequest PnmBench::request(const std::string &file, int dpi,
                                       std::vector<std::pair<std::string, std::string>> more,
                                       const std::string &device)
{
    scanner::ScanRequest request;
    request.device = device;
    request.dpi = dpi;
    // The backend keeps its settings from one scan to the next, in every device: each scan
    // states them all.
    request.options = {
        { "filename", file }, { "status", "yes" }, { "three-pass", "no" }, { "hand-scanner", "no" }
    };
    request.options.insert(request.options.end(), more.begin(), more.end());
    return request;
}

std::string pbm(int width, int height, const std::vector<uint8_t> &grey)
{
    const int rowBytes = (width + 7) / 8;
    std::string bits(size_t(rowBytes) * size_t(height), '\0');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (grey[size_t(y) * size_t(width) + size_t(x)] < 128)
                bits[size_t(y) * size_t(rowBytes) + size_t(x / 8)] |= char(0x80 >> (x % 8));
    return header("P4", width, height, 0) + bits;
}

std::string pgm(int width, int height, const std::vector<uint8_t> &grey, int maxValue)
{
    return header("P5", width, height, maxValue) + std::string(grey.begin(), grey.end());
}

std::string ppm(int width, int height, const std::vector<uint8_t> &rgb)
{
    return header("P6", width, height, 255) + std::string(rgb.begin(), rgb.end());
}

std::vector<uint8_t> greyOf(const std::vector<uint8_t> &rgb)
{
    std::vector<uint8_t> grey(rgb.size() / 3);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = uint8_t((299 * rgb[3 * i] + 587 * rgb[3 * i + 1] + 114 * rgb[3 * i + 2] + 500)
                          / 1000);
    return grey;
}

StalledPipe::StalledPipe(std::string path) : m_path(std::move(path))
{
    ::mkfifo(m_path.c_str(), 0600);
}

StalledPipe::~StalledPipe()
{
    release();
    m_stop = true;
    m_knocker.join();
    ::unlink(m_path.c_str());
}

void StalledPipe::release()
{
    if (m_knocker.joinable())
        return;
    // A writer that comes and goes: a reader waiting to open the pipe gets it, and an end of
    // file at once.
    m_knocker = std::thread([this] {
        while (!m_stop) {
            const int fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
}

TricklePipe::TricklePipe(std::string path, int width, int height, int rowsAPiece, int sentRows,
                         std::chrono::milliseconds pause)
    : m_path(std::move(path))
{
    ::mkfifo(m_path.c_str(), 0600);
    std::string data(size_t(width) * size_t(height), '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = char(i * 7 % 251);
    m_thread = std::thread(&TricklePipe::run, this, header("P5", width, height, 255),
                           std::move(data), size_t(width) * size_t(rowsAPiece),
                           size_t(width) * size_t(sentRows), pause);
}

TricklePipe::~TricklePipe()
{
    m_stop = true;
    m_thread.join();
    ::unlink(m_path.c_str());
}

int TricklePipe::openWriter() const
{
    // Without a reader the open fails at once; the backend's next open is awaited.
    while (!m_stop) {
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            ::fcntl(fd, F_SETFL, 0);
            return fd;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return -1;
}

bool TricklePipe::send(int fd, const std::string &bytes) const
{
    size_t done = 0;
    while (fd >= 0 && done < bytes.size() && !m_stop) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += size_t(n);
        else if (errno == EPIPE) // between two of the backend's opens: no reader for a moment
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        else if (errno != EINTR)
            return false;
    }
    return done == bytes.size();
}

void TricklePipe::drain(int fd) const
{
    int waiting = 1;
    while (!m_stop && ::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void TricklePipe::run(std::string head, std::string data, size_t piece, size_t sent,
                      std::chrono::milliseconds pause)
{
    // The pipe stays open from the backend's first open on, so each of its opens finds a
    // writer and reads what is written next.
    const int fd = openWriter();
    // The header for the start's look, for the file the data follows in, for the parameters.
    for (int look = 0; look < 3; ++look)
        if (send(fd, head))
            drain(fd);
    for (size_t at = 0; at < sent && !m_stop; at += piece) {
        if (!send(fd, data.substr(at, std::min(piece, sent - at))))
            break;
        drain(fd);
        pauseFor(m_stop, pause);
    }
    // Silence, the pipe held open, until the test is done.
    while (!m_stop)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (fd >= 0)
        ::close(fd);
}

} // namespace testsupport
