// The benchmark's shared pieces.
#include "Bench.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "patterns/Dude4vidad.h"
#include "patterns/Ziroreved.h"
#include "patterns/Zurova.h"

#include <cstdio>
#include <ctime>

namespace bench {

namespace {

double seconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

} // namespace

double cpuSeconds()
{
    return seconds(CLOCK_PROCESS_CPUTIME_ID);
}

double wallSeconds()
{
    return seconds(CLOCK_MONOTONIC);
}

const std::vector<PrintJob> &printJobs()
{
    static const std::vector<PrintJob> jobs{
        { "Bi-D print",
          [] {
              Bid.PrintBidPattern(false);
              Raster.FormFeed();
          } },
        { "A4 sheet", [] { A4check.PrintCheckSheet(770); } },
    };
    return jobs;
}

void startLink()
{
    PrinterDriver.OpenPort(0);
    D4Link.EnterD4Mode();
    D4Link.D4Init();
    D4Link.OpenChannel(ControlSocket);
    D4Link.GrantCredit(ControlSocket, 1);
    D4Link.GetPrinterStatus();
    D4Link.OpenChannel(DataSocket);
}

void endLink()
{
    D4Link.CloseChannel(DataSocket, 0);
    D4Link.CloseChannel(ControlSocket, 0);
    D4Link.D4Exit();
    PrinterDriver.ClosePort();
    D4Link.Reset();
}

void Writes::add(const uint8_t *data, size_t length, bool keep)
{
    ++packets;
    bytes += length;
    constexpr size_t Header = 6;
    if (length >= Header && data[0] == DataSocket && data[1] == DataSocket) {
        ++dataPackets;
        dataBytes += length - Header;
    }
    if (keep)
        kept.emplace_back(data, data + length);
}

std::string nanoseconds(double seconds, uint64_t packets)
{
    char text[32];
    std::snprintf(text, sizeof text, "%6.1f ns", packets ? seconds * 1e9 / double(packets) : 0.0);
    return text;
}

} // namespace bench
