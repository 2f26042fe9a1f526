// Figures of the virtual printer over the program's own A4 check sheets, sent through the link
// to the in-process printer on the test clock: memory after every sheet with the packet record
// bounded and in full, the printer's reading of the stream alone, and the picture of a sheet
// and its PNG file (when Qt is there).
#include "Bench.h"

#include "support/TestPlatform.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "patterns/Dude4vidad.h"
#include "vprinter/ServicedPrinter.h"
#include "vprinter/VirtualPort.h"
#include "vprinter/VirtualPrinter.h"

#ifdef CANTRA_PAGE_FILES
#include "vprinter/qt/PagePng.h"
#include "vprinter/qt/PageWriter.h"
#include <QDir>
#include <QFileInfo>
#endif

#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

namespace {

constexpr int Sheets = 10;

double mib(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

// Heap bytes in use, and the resident set.
size_t heapInUse()
{
    return mallinfo2().uordblks;
}

size_t residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * size_t(sysconf(_SC_PAGESIZE));
}

// Ten sheets; then one more whose print data (factory frames left out) it hands back.
void tenSheets(bool fullRecord, std::vector<std::vector<uint8_t>> *oneMore)
{
    testsupport::TestPlatform platform;
    vprinter::VirtualPrinter printer;
    printer.eeprom() = vprinter::servicedEeprom();
    printer.keepFullRecord(fullRecord);
    vprinter::bindVirtualPorts(printer, true);
    startLink();
    malloc_trim(0);
    const size_t heap0 = heapInUse(), rss0 = residentBytes();
    std::printf("\n%s packet record\n", fullRecord ? "Full" : "Bounded");
    std::printf("  sheet  packets   heap in use  growth   resident  page held\n");
    std::printf("  start  %7s   %7.1f MiB  %6s  %7.1f MiB\n", "", mib(double(heap0)), "",
                mib(double(rss0)));
    for (int sheet = 1; sheet <= Sheets; ++sheet) {
        const uint64_t before = printer.packetsReceived();
        A4check.PrintCheckSheet(770);
        std::vector<vprinter::Page> pages = printer.takePages();
        const size_t pageBytes = pages.empty() ? 0 : pages.front().bytesHeld();
        pages.clear();
        const size_t heap = heapInUse();
        std::printf("  %5d  %7llu   %7.1f MiB  %+5.1f   %7.1f MiB  %5.1f MiB\n", sheet,
                    static_cast<unsigned long long>(printer.packetsReceived() - before),
                    mib(double(heap)), mib(double(heap) - double(heap0)),
                    mib(double(residentBytes())), mib(double(pageBytes)));
    }
    std::printf("  record holds %zu packets\n", printer.received().size());
    if (oneMore) {
        printer.onData = [oneMore](const std::vector<uint8_t> &p) {
            if (!vprinter::describeFactoryData(p))
                oneMore->push_back(p);
        };
        A4check.PrintCheckSheet(770);
        printer.onData = nullptr;
    }
    PrinterDriver.ClosePort();
}

} // namespace

void virtualPrinterFigures()
{
    std::printf("Virtual printer, %d A4 check sheets through the link (test clock)\n", Sheets);
    std::vector<std::vector<uint8_t>> sheet;
    tenSheets(false, &sheet);
    tenSheets(true, nullptr);

    // The printer's reading alone: the payloads of one sheet into a fresh interpreter.
    size_t bytes = 0;
    for (const auto &p : sheet)
        bytes += p.size();
    constexpr int Rounds = 20;
    double best = 1e9;
    vprinter::Page page;
    for (int round = 0; round < Rounds; ++round) {
        vprinter::RasterInterpreter reader{ [](vprinter::ShotType) { return 0; } };
        const double t0 = cpuSeconds();
        for (const auto &p : sheet)
            reader.take(p);
        best = std::min(best, cpuSeconds() - t0);
        if (round == 0)
            page = std::move(reader.takePages().at(0));
    }
    std::printf("\nReading one sheet: %zu packets, %zu bytes, %.1f ms CPU, %.0f ns per packet\n",
                sheet.size(), bytes, best * 1e3, best * 1e9 / double(sheet.size()));

#ifdef CANTRA_PAGE_FILES
    const QString folder = QDir::temp().absoluteFilePath("cantra-bench-pages");
    QDir(folder).removeRecursively();
    vprinter::PageFolder files(folder);
    const double t0 = cpuSeconds();
    const QImage image = vprinter::pageImage(page);
    const double t1 = cpuSeconds();
    const QString path = files.write(image);
    const double t2 = cpuSeconds();
    std::printf("Picture and PNG file: %.0f ms + %.0f ms CPU (%lld bytes)\n", (t1 - t0) * 1e3,
                (t2 - t1) * 1e3, static_cast<long long>(QFileInfo(path).size()));
    {
        // As the program and the executable do it: the sheet handed to the writer's thread.
        vprinter::PageWriter writer(folder, false, {});
        const double w0 = wallSeconds();
        writer.add(std::move(page));
        const double w1 = wallSeconds();
        writer.waitUntilWritten();
        const double w2 = wallSeconds();
        std::printf("Handed to the writer's thread: %.0f us on the printer's side, the file %.0f "
                    "ms later\n",
                    (w1 - w0) * 1e6, (w2 - w1) * 1e3);
    }
    QDir(folder).removeRecursively();
#endif
}

} // namespace bench
