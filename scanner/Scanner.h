// Sheets from a scanner through SANE: the devices SANE lists, and one page acquired from one of
// them as 8-bit grey. Standard library and libsane only; windows drive it through the same calls.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace scanner {

struct Device
{
    std::string name; // what SANE opens it by, e.g. "pnm:0"
    std::string vendor;
    std::string model;
    std::string type; // "flatbed scanner", "virtual device", ...
};

// Why a listing or a scan gave no answer. Each kind has one message of its own.
enum class Failure {
    None,
    Unavailable, // SANE did not start, or another session holds it
    NoDevices,
    NoSuchDevice,
    Busy, // the device is in use, or the scanner has not finished an earlier scan
    Cancelled,
    Silent, // nothing came from the scanner within the limit
    Jammed,
    NoDocuments,
    CoverOpen,
    AccessDenied,
    OutOfMemory,
    IoError,
    Refused, // the scanner did not take a setting or could not start with them
    Unsupported, // a frame format or depth this program does not read
    BadData, // more or less image data than the scanner announced
};

struct DeviceList
{
    std::vector<Device> devices;
    Failure failure = Failure::None;
    std::string message; // empty when the listing worked
    bool ok() const { return failure == Failure::None; }
};

// A scanned page: rows from the top, one byte a pixel, 0 black to 255 white.
struct Page
{
    int width = 0;
    int height = 0;
    // The resolution the scanner reports for the scan, in dots per inch; 0 when it has no
    // resolution setting, and then the caller has to know the resolution itself.
    int dpi = 0;
    std::vector<uint8_t> grey;
};

struct Scan
{
    Page page;
    Failure failure = Failure::None;
    std::string message; // empty when the scan worked
    bool ok() const { return failure == Failure::None; }
};

struct ScanRequest
{
    // A name from the listing; empty takes the first device SANE lists.
    std::string device;
    // The resolution asked for; the scanner's nearest one is taken.
    int dpi = 600;
    // Settings of the device by their SANE names, as text ("yes", "12", "Flatbed"), set after
    // the program's own (grey, resolution, the whole bed), so they win.
    std::vector<std::pair<std::string, std::string>> options;
};

// How long the scanner may stay silent before the job is given up. Warming a lamp up happens
// before the first data, so that wait is the longer one.
struct Limits
{
    std::chrono::milliseconds listing{ 30000 };
    std::chrono::milliseconds start{ 60000 }; // opening, settings, until the first data
    std::chrono::milliseconds data{ 20000 }; // between two pieces of data
    std::chrono::milliseconds cancel{ 1000 }; // from a cancel to giving the job up
    std::chrono::milliseconds closing{ 3000 }; // the destructor's wait for a stuck backend
};

struct Progress
{
    int64_t received = 0; // bytes of image data so far
    int64_t expected = -1; // -1 while unknown (before the first frame, or a scanner that
                           // does not know the page's length)
};

// SANE for the life of the object: sane_init when made, sane_exit when gone, and every SANE
// call on one thread of its own. One session at a time in a process.
//
// A job (a listing or a scan) runs on that thread while the caller waits for it, and the
// caller's wait gives it up when the scanner has said nothing for the limit. Backends that
// take non-blocking reads are polled and stop as soon as the job is given up or cancelled.
// Others can only be left inside their call: the caller has its answer in time all the same,
// later jobs wait behind the stuck one (and end with Failure::Silent if it never returns), and
// the destructor waits `Limits::closing` for it, then leaves the thread to end SANE itself.
class Session
{
public:
    explicit Session(Limits limits = {});
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Waiting forms: each returns within the limits.
    DeviceList devices();
    Scan scan(const ScanRequest &request);

    // For windows: start a job, then call wait() (with a short time or none) until it returns
    // true, and take the result. Starting a job gives up the one before.
    void startListing();
    void startScan(const ScanRequest &request);
    // True when the job has ended, waiting up to `time` for it.
    bool wait(std::chrono::milliseconds time);
    Progress progress() const;
    // Asks the job to stop; wait() ends it with Failure::Cancelled at the latest after
    // Limits::cancel.
    void cancel();
    DeviceList takeDevices();
    Scan takeScan();

    struct Shared;

private:
    enum class Job { None, Listing, Scanning };
    void post(Job job, const ScanRequest &request);
    void giveUp(Failure failure, const std::string &message);

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    Job m_job = Job::None;
    uint64_t m_id = 0; // the job the caller waits for
    bool m_ended = true;
    bool m_cancelAsked = false;
    std::chrono::steady_clock::time_point m_cancelAt;
    DeviceList m_listed;
    Scan m_scanned;
};

} // namespace scanner
