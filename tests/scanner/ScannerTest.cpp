// Scanning through the real SANE library and its pnm backend, fed with a sheet the virtual
// printer printed: the page arrives as the file shows it, whatever form the backend sends it
// in; every failure has its own message and leaves the device free for the next scan; and a
// cancel, a scanner that hangs and one that goes quiet halfway end in time.
#include "PnmBench.h"
#include "core/CommandFixture.h"

#include "patterns/Ziroreved.h"
#include "patterns/Zurova.h"
#include "vprinter/ServicedPrinter.h"

#include <gmock/gmock.h>

#include <algorithm>

using namespace testsupport;
using scanner::Failure;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

// A small grey picture with every level in it.
std::vector<uint8_t> ramp(int width, int height)
{
    std::vector<uint8_t> grey(size_t(width) * size_t(height));
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = uint8_t(i * 37 % 256);
    return grey;
}

size_t differing(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b)
{
    if (a.size() != b.size())
        return std::max(a.size(), b.size());
    size_t count = 0;
    for (size_t i = 0; i < a.size(); ++i)
        count += a[i] != b[i];
    return count;
}

class PrintedSheetScan : public CommandFixture
{ };

TEST_F(PrintedSheetScan, ArrivesAsTheFileShowsItInEveryFormTheBackendSends)
{
    printer.eeprom() = vprinter::servicedEeprom();
    ASSERT_TRUE(Bid.PrintBidPattern(false));
    Raster.FormFeed();
    ASSERT_EQ(printer.pages().size(), 1u);
    vprinter::PageImage sheet = printer.pages()[0].render();
    // Down to a little below the last printed row: the rest is blank paper.
    const auto paper = std::find_if(sheet.rgb.rbegin(), sheet.rgb.rend(),
                                    [](uint8_t v) { return v != 255; });
    const int width = sheet.width;
    const int height = std::min(sheet.height,
                                int(size_t(sheet.rgb.rend() - paper) / 3 / size_t(width)) + 60);
    sheet.rgb.resize(size_t(width) * size_t(height) * 3);
    const std::vector<uint8_t> grey = greyOf(sheet.rgb);
    std::vector<uint8_t> bilevel(grey.size());
    std::transform(grey.begin(), grey.end(), bilevel.begin(),
                   [](uint8_t g) { return g < 128 ? 0 : 255; });
    ASSERT_GT(std::count(bilevel.begin(), bilevel.end(), 0), 10000) << "lines and labels";

    PnmBench bench;
    const std::string colour = bench.write("sheet.ppm", ppm(width, height, sheet.rgb));
    const std::string plain = bench.write("sheet.pgm", pgm(width, height, grey));
    const std::string bits = bench.write("sheet.pbm", pbm(width, height, grey));
    struct Case
    {
        const char *form;
        std::string file;
        std::vector<std::pair<std::string, std::string>> settings;
        int dpi; // asked for
        int reported; // the backend's nearest
        const std::vector<uint8_t> &expected;
    };
    const Case cases[] = {
        { "grey", plain, {}, 600, 300, grey },
        { "colour, turned to grey", colour, {}, 300, 300, grey },
        { "three colour frames, green first",
          colour,
          { { "three-pass", "yes" } },
          1200,
          300,
          grey },
        { "a length unknown in advance", plain, { { "hand-scanner", "yes" } }, 150, 150, grey },
        { "one bit a pixel", bits, {}, 100, 100, bilevel },
    };
    scanner::Session session;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.form);
        const scanner::Scan scan = session.scan(PnmBench::request(c.file, c.dpi, c.settings));
        ASSERT_TRUE(scan.ok()) << scan.message;
        EXPECT_EQ(scan.page.width, width);
        EXPECT_EQ(scan.page.height, height);
        EXPECT_EQ(scan.page.dpi, c.reported);
        EXPECT_EQ(differing(scan.page.grey, c.expected), 0u);
    }
}

TEST(Scanning, ListsTheBackendsDevicesAndScansTheFirstWhenNoneIsNamed)
{
    PnmBench bench;
    const std::string small = bench.write("small.pgm", pgm(40, 30, ramp(40, 30)));
    {
        scanner::Session session;
        const scanner::DeviceList found = session.devices();
        ASSERT_TRUE(found.ok()) << found.message;
        ASSERT_EQ(found.devices.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(found.devices[i].name, "pnm:" + std::to_string(i));
            EXPECT_EQ(found.devices[i].vendor, "Noname");
            EXPECT_EQ(found.devices[i].model, "PNM file reader");
            EXPECT_EQ(found.devices[i].type, "virtual device");
        }
        const scanner::Scan scan = session.scan(PnmBench::request(small, 600, {}, ""));
        ASSERT_TRUE(scan.ok()) << scan.message;
        EXPECT_EQ(scan.page.grey, ramp(40, 30));
    }
    bench.setBackends("");
    scanner::Session session;
    const scanner::DeviceList none = session.devices();
    EXPECT_EQ(none.failure, Failure::NoDevices);
    EXPECT_EQ(none.message, "No scanner found.");
    const scanner::Scan scan = session.scan(PnmBench::request(small, 600, {}, ""));
    EXPECT_EQ(scan.failure, Failure::NoDevices);
    EXPECT_EQ(scan.message, "No scanner found.");
}

TEST(Scanning, EachFailureHasItsMessageAndLeavesTheDeviceFreeForTheNextScan)
{
    PnmBench bench;
    const std::string small = bench.write("small.pgm", pgm(40, 30, ramp(40, 30)));
    // Samples of 16 bits: the backend announces 8 and sends them all.
    const std::string deep = bench.write("deep.pgm", pgm(40, 30, ramp(80, 30), 65535));
    const auto forced = [&](const char *status) {
        return PnmBench::request(small, 600, { { status, "yes" } });
    };
    const auto set = [&](const char *name, const char *value) {
        return PnmBench::request(small, 600, { { name, value } });
    };
    struct Case
    {
        scanner::ScanRequest request;
        Failure failure;
        std::string message;
    };
    const Case cases[] = {
        { forced("status-jammed"), Failure::Jammed,
          "The document feeder of scanner \"pnm:0\" is jammed." },
        { forced("status-nodocs"), Failure::NoDocuments,
          "The scanner \"pnm:0\" has no sheet to scan in its feeder." },
        { forced("status-coveropen"), Failure::CoverOpen,
          "The cover of scanner \"pnm:0\" is open." },
        { forced("status-ioerror"), Failure::IoError,
          "The scanner \"pnm:0\" reported an input/output error." },
        { forced("status-nomem"), Failure::OutOfMemory,
          "The scanner \"pnm:0\" ran out of memory." },
        { forced("status-accessdenied"), Failure::AccessDenied,
          "Access to scanner \"pnm:0\" was denied." },
        { forced("status-eof"), Failure::BadData, "The scanner \"pnm:0\" sent 0 of 30 lines." },
        { PnmBench::request(bench.path("missing.pgm")), Failure::Refused,
          "The scanner \"pnm:0\" could not start a scan with these settings." },
        { PnmBench::request(deep), Failure::BadData,
          "The scanner \"pnm:0\" sent more image data than it announced." },
        { PnmBench::request(small, 600, {}, "pnm:7"), Failure::NoSuchDevice,
          "There is no scanner \"pnm:7\"." },
        { PnmBench::request(small, 600, {}, "flatbed:0"), Failure::NoSuchDevice,
          "There is no scanner \"flatbed:0\"." },
        { set("lamp", "on"), Failure::Refused,
          "The scanner \"pnm:0\" has no setting \"lamp\" at present." },
        { set("resolution", "fine"), Failure::Refused,
          "The scanner \"pnm:0\" does not take \"fine\" for \"resolution\"." },
        { set("grayify", "maybe"), Failure::Refused,
          "The scanner \"pnm:0\" does not take \"maybe\" for \"grayify\"." },
        { set("read-only", "1"), Failure::Refused,
          "The scanner \"pnm:0\" does not let its setting \"read-only\" be changed." },
    };
    scanner::Session session;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        const scanner::Scan failed = session.scan(c.request);
        EXPECT_EQ(failed.failure, c.failure);
        EXPECT_EQ(failed.message, c.message);
        EXPECT_TRUE(failed.page.grey.empty());
        const scanner::Scan next = session.scan(PnmBench::request(small));
        ASSERT_TRUE(next.ok()) << next.message;
        EXPECT_EQ(next.page.grey, ramp(40, 30));
    }
}

TEST(Scanning, ACancelStopsTheScanBetweenTwoPiecesOfData)
{
    PnmBench bench;
    const std::string small = bench.write("small.pgm", pgm(40, 30, ramp(40, 30)));
    scanner::Limits limits;
    limits.cancel = 10s; // the scan itself must stop, not the wait for it
    scanner::Session session(limits);
    TricklePipe pipe(bench.path("slow.pgm"), 256, 2048, 256, 2048, 200ms);
    session.startScan(PnmBench::request(pipe.path()));
    while (session.progress().received == 0)
        ASSERT_FALSE(session.wait(5ms));
    const auto asked = Clock::now();
    session.cancel();
    ASSERT_TRUE(session.wait(5s));
    const scanner::Scan scan = session.takeScan();
    EXPECT_EQ(scan.failure, Failure::Cancelled);
    EXPECT_EQ(scan.message, "The scan was cancelled.");
    EXPECT_LT(Clock::now() - asked, limits.cancel) << "the scan stopped at the next piece";
    EXPECT_TRUE(session.scan(PnmBench::request(small)).ok()) << "the device is free again";
}

TEST(Scanning, ASlowScanGoesOnAndOneThatGoesQuietHalfwayIsGivenUp)
{
    PnmBench bench;
    scanner::Limits limits;
    limits.data = 1500ms;
    scanner::Session session(limits);
    // Six of eight pieces, 400 ms apart: longer in all than the limit, each within it.
    TricklePipe pipe(bench.path("quiet.pgm"), 256, 2048, 256, 1536, 400ms);
    session.startScan(PnmBench::request(pipe.path()));
    scanner::Progress most;
    while (!session.wait(20ms))
        most = std::max(most, session.progress(),
                        [](auto &a, auto &b) { return a.received < b.received; });
    const scanner::Scan scan = session.takeScan();
    EXPECT_EQ(scan.failure, Failure::Silent);
    EXPECT_EQ(scan.message,
              "The scanner \"pnm:0\" stopped sending the image: nothing came for 1.5 s.");
    EXPECT_EQ(most.received, 1536 * 256);
    EXPECT_EQ(most.expected, 2048 * 256);
}

TEST(Scanning, AHungScannerIsGivenUpInTimeAndHoldsUpNothingButSaneItself)
{
    PnmBench bench;
    const std::string small = bench.write("small.pgm", pgm(40, 30, ramp(40, 30)));
    StalledPipe pipe(bench.path("hung.pgm"));
    scanner::Limits limits;
    limits.start = 400ms;
    limits.cancel = 300ms;
    limits.closing = 300ms;
    auto session = std::make_unique<scanner::Session>(limits);
    const auto begun = Clock::now();
    const scanner::Scan hung = session->scan(PnmBench::request(pipe.path()));
    EXPECT_EQ(hung.failure, Failure::Silent);
    EXPECT_EQ(hung.message, "The scanner \"pnm:0\" did not start the scan within 0.4 s.");
    EXPECT_LT(Clock::now() - begun, 5s);

    // The backend is still inside its call: the next scan is told so instead of waiting, the
    // session's end does not wait for it, and SANE stays held until the call returns.
    const scanner::Scan next = session->scan(PnmBench::request(small));
    EXPECT_EQ(next.failure, Failure::Busy);
    EXPECT_EQ(next.message, "The scanner has not finished an earlier scan; try again when it has.");
    const auto closing = Clock::now();
    session.reset();
    EXPECT_LT(Clock::now() - closing, 3s);
    const scanner::DeviceList held = scanner::Session().devices();
    EXPECT_EQ(held.failure, Failure::Unavailable);
    EXPECT_EQ(held.message,
              "SANE is in use by another scan of this program that has not ended yet.");

    pipe.release();
    scanner::Scan again{ {}, Failure::Unavailable, {} };
    for (const auto until = Clock::now() + 10s; !again.ok() && Clock::now() < until;) {
        std::this_thread::sleep_for(50ms);
        again = scanner::Session().scan(PnmBench::request(small));
    }
    ASSERT_TRUE(again.ok()) << again.message;
    EXPECT_EQ(again.page.grey, ramp(40, 30));
}

} // namespace
