// The SANE session: its own thread makes every SANE call, one job at a time, and leaves signs
// of life as the scanner answers; the caller's wait reads them and gives a job up when the
// scanner has been silent for longer than the limit of what it is doing.
#include "scanner/DeviceSettings.h"
#include "scanner/PageAssembler.h"
#include "scanner/Scanner.h"

#include <sane/sane.h>

#include <poll.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace scanner {

using Clock = std::chrono::steady_clock;

namespace {

// SANE exists once in a process: held from a session's start until its thread has ended SANE.
std::atomic<bool> saneHeld{ false };

constexpr size_t ReadSize = 64 * 1024;
constexpr int PollMs = 100;

enum class Phase { Waiting, Listing, Starting, Reading };
enum class Step { Open, Start, Read };

std::string named(const std::string &device)
{
    return device.empty() ? std::string("The scanner") : "The scanner \"" + device + "\"";
}

std::string seconds(std::chrono::milliseconds time)
{
    const auto ms = time.count();
    return ms % 1000 == 0
            ? std::to_string(ms / 1000) + " s"
            : std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " s";
}

Problem statusProblem(SANE_Status status, const std::string &device, Step step)
{
    const std::string scanner = named(device);
    switch (status) {
    case SANE_STATUS_DEVICE_BUSY:
        return { Failure::Busy, scanner + " is busy: another program may be using it." };
    case SANE_STATUS_CANCELLED: return { Failure::Cancelled, "The scan was cancelled." };
    case SANE_STATUS_JAMMED:
        return { Failure::Jammed, "The document feeder of " + scanner.substr(4) + " is jammed." };
    case SANE_STATUS_NO_DOCS:
        return { Failure::NoDocuments, scanner + " has no sheet to scan in its feeder." };
    case SANE_STATUS_COVER_OPEN:
        return { Failure::CoverOpen, "The cover of " + scanner.substr(4) + " is open." };
    case SANE_STATUS_ACCESS_DENIED:
        return { Failure::AccessDenied, "Access to " + scanner.substr(4) + " was denied." };
    case SANE_STATUS_NO_MEM: return { Failure::OutOfMemory, scanner + " ran out of memory." };
    case SANE_STATUS_IO_ERROR:
        return { Failure::IoError, scanner + " reported an input/output error." };
    case SANE_STATUS_INVAL:
        if (step == Step::Open)
            return { Failure::NoSuchDevice, "There is no scanner \"" + device + "\"." };
        return { Failure::Refused, scanner + " could not start a scan with these settings." };
    case SANE_STATUS_EOF:
        if (step == Step::Start)
            return { Failure::NoDocuments, scanner + " has nothing to scan." };
        break;
    default: break;
    }
    return { Failure::IoError, scanner + " failed: " + sane_strstatus(status) + "." };
}

} // namespace

struct Session::Shared
{
    explicit Shared(Limits l) : limits(l) { }

    void run();
    DeviceList list(uint64_t id);
    Scan acquire(const ScanRequest &request, uint64_t id);
    Problem read(SANE_Handle handle, const ScanRequest &request, uint64_t id, Page &page);
    void sign(uint64_t id, Phase now, int64_t bytes = 0, int64_t expected = -1);
    bool cancelled(uint64_t id) const { return cancelUpTo.load() >= id; }

    const Limits limits;
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::string unavailable; // why no job can run; empty while SANE is there

    // Posted by the caller.
    Job pending = Job::None;
    uint64_t pendingId = 0;
    uint64_t lastId = 0;
    ScanRequest request;
    Clock::time_point postedAt;
    bool stop = false;
    std::atomic<uint64_t> cancelUpTo{ 0 };
    uint64_t givenUpId = 0;

    // The job on the thread, and its signs of life.
    uint64_t runningId = 0;
    Phase phase = Phase::Waiting;
    Clock::time_point lastSign;
    std::string device;
    Progress progress;

    // The last job's result, and the thread's end.
    uint64_t doneId = 0;
    DeviceList listed;
    Scan scanned;
    bool ended = false;
};

void Session::Shared::run()
{
    SANE_Int version = 0;
    const SANE_Status started = sane_init(&version, nullptr);
    std::unique_lock lock(mutex);
    if (started != SANE_STATUS_GOOD)
        unavailable = std::string("SANE did not start: ") + sane_strstatus(started) + ".";
    for (;;) {
        changed.wait(lock, [this] { return stop || pending != Job::None; });
        if (stop)
            break;
        const Job job = pending;
        const uint64_t id = pendingId;
        const ScanRequest work = request;
        pending = Job::None;
        runningId = id;
        phase = job == Job::Listing ? Phase::Listing : Phase::Starting;
        lastSign = Clock::now();
        device = work.device;
        progress = {};
        const std::string why = unavailable;
        lock.unlock();

        DeviceList found;
        Scan scan;
        if (!why.empty()) {
            found = { {}, Failure::Unavailable, why };
            scan.failure = Failure::Unavailable;
            scan.message = why;
        } else if (job == Job::Listing) {
            found = list(id);
        } else {
            scan = acquire(work, id);
        }

        lock.lock();
        // A page no one waits for any more is not kept.
        if (id != givenUpId) {
            doneId = id;
            listed = std::move(found);
            scanned = std::move(scan);
        }
        runningId = 0;
        phase = Phase::Waiting;
        changed.notify_all();
    }
    lock.unlock();
    if (started == SANE_STATUS_GOOD)
        sane_exit();
    lock.lock();
    ended = true;
    changed.notify_all();
    lock.unlock();
    saneHeld = false;
}

void Session::Shared::sign(uint64_t id, Phase now, int64_t bytes, int64_t expected)
{
    const std::lock_guard lock(mutex);
    if (runningId != id)
        return;
    phase = now;
    lastSign = Clock::now();
    progress.received += bytes;
    if (expected >= 0)
        progress.expected = expected;
}

DeviceList Session::Shared::list(uint64_t)
{
    const SANE_Device **devices = nullptr;
    const SANE_Status status = sane_get_devices(&devices, SANE_FALSE);
    if (status != SANE_STATUS_GOOD)
        return { {},
                 Failure::IoError,
                 std::string("SANE could not list the scanners: ") + sane_strstatus(status) + "." };
    DeviceList result;
    auto text = [](const char *s) { return s ? std::string(s) : std::string(); };
    for (size_t i = 0; devices != nullptr && devices[i] != nullptr; ++i)
        result.devices.push_back({ text(devices[i]->name), text(devices[i]->vendor),
                                   text(devices[i]->model), text(devices[i]->type) });
    if (result.devices.empty()) {
        result.failure = Failure::NoDevices;
        result.message = "No scanner found.";
    }
    return result;
}

Scan Session::Shared::acquire(const ScanRequest &request, uint64_t id)
{
    Scan scan;
    ScanRequest chosen = request;
    if (chosen.device.empty()) {
        DeviceList found = list(id);
        if (!found.ok()) {
            scan.failure = found.failure;
            scan.message = found.message;
            return scan;
        }
        chosen.device = found.devices.front().name;
        const std::lock_guard lock(mutex);
        device = chosen.device;
    }
    Problem problem;
    SANE_Handle handle = nullptr;
    const SANE_Status opened = sane_open(chosen.device.c_str(), &handle);
    if (cancelled(id))
        problem = { Failure::Cancelled, "The scan was cancelled." };
    else if (opened != SANE_STATUS_GOOD)
        problem = statusProblem(opened, chosen.device, Step::Open);
    else
        problem = read(handle, chosen, id, scan.page);
    if (opened == SANE_STATUS_GOOD) {
        // Ends the scan, finished or not, as SANE wants before the device is closed.
        sane_cancel(handle);
        sane_close(handle);
    }
    if (problem) {
        scan.page = {};
        scan.failure = problem.failure;
        scan.message = problem.message;
    }
    return scan;
}

Problem Session::Shared::read(SANE_Handle handle, const ScanRequest &request, uint64_t id,
                              Page &page)
{
    const Problem cancel{ Failure::Cancelled, "The scan was cancelled." };
    sign(id, Phase::Starting);
    DeviceSettings settings(handle, request.device);
    settings.prepare(request.dpi);
    if (Problem problem = settings.apply(request.options))
        return problem;
    int dpi = 0;
    if (Problem problem = settings.resolution(dpi))
        return problem;

    PageAssembler assembler(request.device);
    std::vector<uint8_t> buffer(ReadSize);
    while (!assembler.complete()) {
        if (cancelled(id))
            return cancel;
        SANE_Status status = sane_start(handle);
        sign(id, Phase::Starting);
        if (status != SANE_STATUS_GOOD)
            return statusProblem(status, request.device, Step::Start);
        SANE_Parameters parameters{};
        status = sane_get_parameters(handle, &parameters);
        if (status != SANE_STATUS_GOOD)
            return statusProblem(status, request.device, Step::Start);
        if (Problem problem = assembler.begin(parameters))
            return problem;
        sign(id, Phase::Starting, 0, assembler.expectedBytes());

        // Non-blocking reads where the backend has them: a cancel or a silent scanner then
        // ends the scan here and now instead of when the backend's read returns.
        const bool nonBlocking = sane_set_io_mode(handle, SANE_TRUE) == SANE_STATUS_GOOD;
        SANE_Int fd = -1;
        if (nonBlocking && sane_get_select_fd(handle, &fd) != SANE_STATUS_GOOD)
            fd = -1;
        for (;;) {
            if (cancelled(id))
                return cancel;
            SANE_Int length = 0;
            status = sane_read(handle, buffer.data(), SANE_Int(buffer.size()), &length);
            if (status == SANE_STATUS_EOF)
                break;
            if (status != SANE_STATUS_GOOD)
                return statusProblem(status, request.device, Step::Read);
            if (length < 0 || size_t(length) > buffer.size())
                return { Failure::BadData,
                         named(request.device) + " reported " + std::to_string(length)
                                 + " bytes read into room for " + std::to_string(buffer.size())
                                 + "." };
            if (length == 0) {
                if (fd >= 0) {
                    pollfd ready{ fd, POLLIN, 0 };
                    ::poll(&ready, 1, PollMs);
                } else {
                    std::this_thread::sleep_for(std::chrono::milliseconds(nonBlocking ? 10 : 1));
                }
                continue;
            }
            if (Problem problem = assembler.add(buffer.data(), size_t(length)))
                return problem;
            sign(id, Phase::Reading, length);
        }
        if (Problem problem = assembler.end())
            return problem;
    }
    if (Problem problem = assembler.take(page))
        return problem;
    page.dpi = dpi;
    return {};
}

Session::Session(Limits limits) : m_shared(std::make_shared<Shared>(limits))
{
    bool free = false;
    if (!saneHeld.compare_exchange_strong(free, true)) {
        m_shared->unavailable
                = "SANE is in use by another scan of this program that has not ended yet.";
        return;
    }
    m_thread = std::thread([shared = m_shared] { shared->run(); });
}

Session::~Session()
{
    if (!m_thread.joinable())
        return;
    Shared &s = *m_shared;
    std::unique_lock lock(s.mutex);
    s.stop = true;
    s.cancelUpTo = UINT64_MAX;
    s.changed.notify_all();
    const bool ended = s.changed.wait_for(lock, s.limits.closing, [&s] { return s.ended; });
    lock.unlock();
    // A backend stuck in a call keeps the thread; it ends SANE itself if the call returns.
    if (ended)
        m_thread.join();
    else
        m_thread.detach();
}

void Session::post(Job job, const ScanRequest &request)
{
    Shared &s = *m_shared;
    std::unique_lock lock(s.mutex);
    if (!m_ended) {
        if (s.cancelUpTo < m_id)
            s.cancelUpTo = m_id;
        s.givenUpId = m_id;
    }
    m_job = job;
    m_ended = false;
    m_cancelAsked = false;
    m_listed = {};
    m_scanned = {};
    if (!m_thread.joinable()) {
        m_ended = true;
        m_listed = { {}, Failure::Unavailable, s.unavailable };
        m_scanned.failure = Failure::Unavailable;
        m_scanned.message = s.unavailable;
        return;
    }
    m_id = ++s.lastId;
    s.pending = job;
    s.pendingId = m_id;
    s.request = request;
    s.postedAt = Clock::now();
    s.changed.notify_all();
}

void Session::startListing()
{
    post(Job::Listing, {});
}

void Session::startScan(const ScanRequest &request)
{
    post(Job::Scanning, request);
}

void Session::giveUp(Failure failure, const std::string &message)
{
    // Called with the lock held.
    Shared &s = *m_shared;
    if (s.cancelUpTo < m_id)
        s.cancelUpTo = m_id;
    if (s.pendingId == m_id)
        s.pending = Job::None;
    s.givenUpId = m_id;
    m_listed = { {}, failure, message };
    m_scanned = {};
    m_scanned.failure = failure;
    m_scanned.message = message;
    m_ended = true;
}

bool Session::wait(std::chrono::milliseconds time)
{
    if (m_ended)
        return true;
    Shared &s = *m_shared;
    const auto deadline = Clock::now() + time;
    std::unique_lock lock(s.mutex);
    for (;;) {
        if (s.doneId == m_id) {
            m_listed = std::move(s.listed);
            m_scanned = std::move(s.scanned);
            m_ended = true;
            return true;
        }
        // The sign to go by, how long after it the scanner may stay silent, and what to say
        // when it has been longer.
        Clock::time_point since = s.postedAt;
        std::chrono::milliseconds limit = s.limits.start;
        Failure failure = Failure::Silent;
        std::string message;
        if (s.runningId == m_id) {
            since = s.lastSign;
            switch (s.phase) {
            case Phase::Listing:
                limit = s.limits.listing;
                message = "SANE did not list the scanners within " + seconds(limit) + ".";
                break;
            case Phase::Reading:
                limit = s.limits.data;
                message = named(s.device) + " stopped sending the image: nothing came for "
                        + seconds(limit) + ".";
                break;
            default:
                message = named(s.device) + " did not start the scan within " + seconds(limit)
                        + ".";
                break;
            }
        } else if (s.runningId != 0) {
            // The thread is still inside a job given up before.
            limit = s.limits.cancel;
            failure = Failure::Busy;
            message = "The scanner has not finished an earlier scan; try again when it has.";
        } else {
            message = "SANE did not take up the job within " + seconds(limit) + ".";
        }
        const auto now = Clock::now();
        if (now - since >= limit) {
            giveUp(failure, message);
            return true;
        }
        auto wake = std::min(deadline, since + limit);
        if (m_cancelAsked) {
            if (now - m_cancelAt >= s.limits.cancel) {
                giveUp(Failure::Cancelled, "The scan was cancelled.");
                return true;
            }
            wake = std::min(wake, m_cancelAt + s.limits.cancel);
        }
        if (now >= deadline)
            return false;
        s.changed.wait_until(lock, wake);
    }
}

Progress Session::progress() const
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->runningId == m_id && m_id != 0 ? m_shared->progress : Progress{};
}

void Session::cancel()
{
    if (m_ended || m_cancelAsked)
        return;
    const std::lock_guard lock(m_shared->mutex);
    m_cancelAsked = true;
    m_cancelAt = Clock::now();
    if (m_shared->cancelUpTo < m_id)
        m_shared->cancelUpTo = m_id;
    m_shared->changed.notify_all();
}

DeviceList Session::takeDevices()
{
    if (!m_ended || m_job != Job::Listing)
        return { {}, Failure::Busy, "No listing of the scanners has ended." };
    return std::move(m_listed);
}

Scan Session::takeScan()
{
    if (!m_ended || m_job != Job::Scanning) {
        Scan none;
        none.failure = Failure::Busy;
        none.message = "No scan has ended.";
        return none;
    }
    return std::move(m_scanned);
}

DeviceList Session::devices()
{
    startListing();
    while (!wait(std::chrono::hours(1))) { }
    return takeDevices();
}

Scan Session::scan(const ScanRequest &request)
{
    startScan(request);
    while (!wait(std::chrono::hours(1))) { }
    return takeScan();
}

} // namespace scanner
