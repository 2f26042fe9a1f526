// fuzz-record: writes the seed corpora from real traffic. The link targets run their own
// code with scripted choices against the in-process virtual printer through a recording
// port, so a seed carries the printer's real replies; the printer-side targets get the
// program's real requests and print data. Every link seed is replayed through the fuzz port
// before it is written, and must make the same writes.
//
// usage: fuzz-record CORPUS_DIR
#include "Targets.h"

#include "commands/Dazedarovovuri.h"
#include "commands/Dizizeded.h"
#include "commands/Zadivavoza.h"
#include "commands/Zedivozi.h"
#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "patterns/Ziroreved.h"
#include "patterns/Zurova.h"
#include "vprinter/ServicedPrinter.h"
#include "vprinter/VirtualPort.h"
#include "vprinter/VirtualPrinter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using namespace fuzz;
using Bytes = std::vector<uint8_t>;

namespace {

// Seeds stay small: a fuzzer mutates short inputs much faster.
constexpr size_t LargestSeed = 4096;

fs::path corpusDir;
int written = 0;

void save(const std::string &target, const std::string &name, const Bytes &bytes)
{
    const fs::path dir = corpusDir / target;
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    std::printf("  %-14s %-24s %5zu bytes\n", target.c_str(), name.c_str(), bytes.size());
    ++written;
}

using LinkTarget = void (*)(Input &, Session &);
using SetUp = std::function<void(vprinter::VirtualPrinter &)>;

std::vector<Bytes> writesOf(const Transcript &transcript)
{
    std::vector<Bytes> writes;
    for (const PortEvent &event : transcript.events())
        if (event.kind == PortEvent::Kind::Write)
            writes.push_back(event.bytes);
    return writes;
}

// Runs `target` with `script` against a serviced virtual printer prepared by `setUp`.
void recordLink(const std::string &target, const std::string &name, LinkTarget run,
                const Bytes &script, const SetUp &setUp = {})
{
    Bytes seed;
    std::vector<Bytes> recordedWrites;
    {
        vprinter::VirtualPrinter printer;
        printer.eeprom() = vprinter::servicedEeprom();
        RecordInput in(script, seed);
        Session session; // first: the printer's times are on its clock
        if (setUp)
            setUp(printer);
        session.useRecordingPorts(
                [&printer] { return std::make_unique<vprinter::VirtualPort>(printer); }, seed);
        run(in, session);
        recordedWrites = writesOf(session.transcript);
        testsupport::resetLink();
    }
    DataInput replay(seed.data(), seed.size());
    Session session;
    session.useFuzzPorts(replay);
    run(replay, session);
    if (writesOf(session.transcript) != recordedWrites) {
        std::fprintf(stderr, "fuzz-record: %s/%s does not replay as recorded\n", target.c_str(),
                     name.c_str());
        std::exit(1);
    }
    save(target, name, seed);
}

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes text(const std::string &s)
{
    return { s.begin(), s.end() };
}

void transportSeeds()
{
    const Bytes start{ tEnter, tInit, tOpen, ControlSocket, tGrant, ControlSocket, 0, 1 };
    const Bytes status = cat({ { tSendReceive, 5 }, text("st"), { 1, 0, 1 } });
    recordLink("transport", "link-start", runTransport,
               cat({ start, status, { tOpen, DataSocket } }));
    recordLink("transport", "print-and-close", runTransport,
               cat({ start,
                     { tOpen, DataSocket, tPrint, 2, 0x1B, '@', tCommand, 11 },
                     { 0x1B, 0x7C, 0x00, 0x06, 0x00, 0x07, 0x05, 0x41, 0xBE, 0xA0, 0x2E },
                     { tReadPacket, 0, 28, tClose, DataSocket, 0, tClose, ControlSocket, 0,
                       tExit } }));
    // The printer's own faults give the replies a host must survive.
    recordLink("transport", "wrong-command-byte", runTransport, start,
               [](vprinter::VirtualPrinter &p) { p.faults().wrongCommandByte = 2; });
    recordLink("transport", "short-replies", runTransport, cat({ start, status }),
               [](vprinter::VirtualPrinter &p) { p.faults().shortReplies = 3; });
    recordLink("transport", "impossible-length", runTransport, cat({ start, status }),
               [](vprinter::VirtualPrinter &p) { p.faults().replyLengthField = 3; });
    recordLink("transport", "oversized-length", runTransport, cat({ start, status }),
               [](vprinter::VirtualPrinter &p) { p.faults().replyLengthField = 1500; });
    recordLink("transport", "credit-and-eeprom", runTransport,
               cat({ start,
                     { tOpen, DataSocket, tRequest, DataSocket, 0, 200, tGrant, DataSocket, 0, 200,
                       tSendReceive, 10 },
                     { '|', '|', 0x06, 0x00, 0x07, 0x05, 0x41, 0xBE, 0xA0, 0x41 },
                     { tDrop, tCredits, 0, 0, 0, 0, tReopen, tEnter } }));
}

void statusSeeds()
{
    recordLink("status", "ready", runStatus, { sStatus, sWaitReady });
    recordLink("status", "busy-then-ready", runStatus, { sStatus, sWaitReady },
               [](vprinter::VirtualPrinter &p) { p.busyFor(3000); });
    recordLink("status", "misload-cleared", runStatus, { sReadyToPrint },
               [](vprinter::VirtualPrinter &p) { p.state().errorChar = '6'; });
    recordLink("status", "ink-out-warnings", runStatus, { sStatus, sGrant, sReadyToPrint },
               [](vprinter::VirtualPrinter &p) {
                   p.state().errorChar = '5';
                   p.state().warnings = { 0, 2, 3 };
               });
    recordLink("status", "cleaning", runStatus, { sStatus, sWaitReady },
               [](vprinter::VirtualPrinter &p) { p.cleaningFor(4000); });
    for (const auto &[name, text] : std::initializer_list<std::pair<const char *, const char *>>{
                 { "short-ink-field", "ST:00;IQ:4646ER:05;WR:10,12;" },
                 { "fields-at-the-end", "ST:04;IQ:11111111;ER:0" },
                 { "four-warnings", "@BDC ST2\r\nST:04;IQ:NN0AF0N1;WR:13,10,12,11,19;\r\n" } })
        recordLink("status", name, runStatus, { sStatus },
                   [text = std::string(text)](vprinter::VirtualPrinter &p) {
                       p.faults().statusText = text;
                   });
    recordLink("status", "wrong-socket", runStatus, { sStatus },
               [](vprinter::VirtualPrinter &p) { p.faults().wrongSocketReplies = 1; });
}

void eepromSeeds()
{
    recordLink("eeprom", "reads-and-writes", runEeprom,
               { eRead, 0x41, eReadChecked, 0x2E, eWrite, 0x40, 0xA5, eWriteNoCheck, 0x41, 0x5A,
                 eCounter, eHeadIdRead });
    recordLink("eeprom", "busy-write", runEeprom, { eWrite, 0x40, 0xA5, ePaperEject },
               [](vprinter::VirtualPrinter &p) { p.busyFor(60'000); });
    recordLink("eeprom", "eject-and-reset", runEeprom, { ePaperEject, eReset, eCounterReset, 2 },
               [](vprinter::VirtualPrinter &p) { p.state().errorChar = '6'; });
    // Answers too short to hold their answer character, and one of another character.
    for (const auto &[name, text] : std::initializer_list<std::pair<const char *, const char *>>{
                 { "answer-alone", "O" },
                 { "answer-short", "@BDC: " },
                 { "answer-other", "@BDC: K;\r\n" } })
        recordLink("eeprom", name, runEeprom, { eWrite, 0x40, 0xA5, ePaperEject, eReset },
                   [text = std::string(text)](vprinter::VirtualPrinter &p) {
                       p.faults().answerText = text;
                   });
    recordLink("eeprom", "read-reply-short", runEeprom, { eReadChecked, 0x41, eRead, 0x42 },
               [](vprinter::VirtualPrinter &p) { p.faults().eepromReadText = "@BDC PS\r\nEE:41"; });
    // A, Z, A, A, A, E: the ID "AZAAAE".
    recordLink("eeprom", "head-id-write", runEeprom,
               { eHeadIdWrite, 0, 24, 0, 0, 0, 4, eHeadIdRead });
}

void factorySeeds()
{
    recordLink("factory_read", "fresh-credit", runFactoryRead, { fRead, 0x2E, fRead, 0x4D });
    recordLink("factory_read", "credit-states", runFactoryRead,
               { fCredits, 7,    0x00,      0x01,  1,    fRead,    0x10, fCredits, 0,     6,
                 fRead,    0x11, fOpenData, fRead, 0x12, fCredits, 4,    0,        fRead, 0x13 });
    recordLink("factory_read", "usb-id", runFactoryRead, { fUsbId, fWrite, 0x4D, 'Q', fDrop });
    recordLink("factory_read", "late-reply", runFactoryRead, { fRead, 0x4D, fDrop, fRead, 0x4E },
               [](vprinter::VirtualPrinter &p) { p.faults().lateDataReplies = 1; });
    recordLink("factory_read", "cut-and-lost", runFactoryRead,
               { fRead, 0x4D, fRead, 0x4E, fRead, 0x4F }, [](vprinter::VirtualPrinter &p) {
                   p.faults().cutDataReplies = 1;
                   p.faults().lostDataReplies = 1;
               });
    recordLink("factory_read", "reply-of-another-length", runFactoryRead,
               { fRead, 0x4D, fRead, 0x4E }, [](vprinter::VirtualPrinter &p) {
                   p.factory().readReplyText = "@BDC PS\r\nEE:4D4B;\r\n";
               });
}

void idsSeeds()
{
    const Bytes ops{ iHeadId, iUsbId, iCounter, iBidValue, 1, iBidValue, 2, iBidValue, 3 };
    auto seed = [&ops](const vprinter::EepromImage &image, Bytes fault) {
        return cat({ Bytes(image.begin(), image.end()), fault, ops });
    };
    save("ids", "serviced", seed(vprinter::servicedEeprom(), { 0, 0 }));
    vprinter::EepromImage blank;
    blank.fill(0xFF);
    save("ids", "blank", seed(blank, { 0, 0 }));
    vprinter::EepromImage zeros{};
    save("ids", "zeros", seed(zeros, { 0, 0 }));
    vprinter::EepromImage lower = vprinter::servicedEeprom();
    const std::string usb = "k7a00319424350ehc2";
    std::copy(usb.begin(), usb.end(), lower.begin() + 77);
    save("ids", "lower-case-usb-id", seed(lower, { 4, 5 }));
}

// Records the program's own bytes as host operations of the printer-side target.
class HostScriptPort : public platform::PortDevice
{
public:
    HostScriptPort(vprinter::VirtualPrinter &printer, Bytes &out) : m_real(printer), m_out(out) { }
    bool getTimeouts(platform::PortTimeouts &t) override { return m_real.getTimeouts(t); }
    bool setTimeouts(const platform::PortTimeouts &t) override { return m_real.setTimeouts(t); }
    void waitWritable() override { }
    bool write(const uint8_t *data, size_t length, size_t &done) override
    {
        for (size_t at = 0; at < length; at += 256) {
            const size_t n = std::min<size_t>(256, length - at);
            m_out.push_back(hWrite);
            m_out.push_back(uint8_t(n - 1));
            m_out.insert(m_out.end(), data + at, data + at + n);
        }
        return m_real.write(data, length, done);
    }
    bool read(uint8_t *data, size_t length, size_t &got) override
    {
        m_out.push_back(hRead);
        m_out.push_back(uint8_t(std::min<size_t>((length + 15) / 16, 256) - 1));
        return m_real.read(data, length, got);
    }
    size_t discardWaiting() override
    {
        m_out.push_back(hDrain);
        return m_real.discardWaiting();
    }

private:
    vprinter::VirtualPort m_real;
    Bytes &m_out;
};

void recordHost(const std::string &name, const std::function<void()> &program,
                const SetUp &setUp = {})
{
    Bytes seed;
    {
        vprinter::VirtualPrinter printer;
        printer.eeprom() = vprinter::servicedEeprom();
        Session session;
        if (setUp)
            setUp(printer);
        session.usePorts([&] { return std::make_unique<HostScriptPort>(printer, seed); });
        session.run([&] {
            startLink(true);
            program();
        });
        testsupport::resetLink();
    }
    seed.push_back(hGone);
    if (seed.size() > LargestSeed)
        seed.resize(LargestSeed);
    save("vprinter_host", name, seed);
}

void hostSeeds()
{
    recordHost("control-commands", [] {
        D4Link.ReadEepromByte(0x41);
        D4Link.WriteEepromByte(0x40, 0xA5);
        D4Link.PaperEject();
        D4Link.ResetPrinter();
    });
    recordHost("factory-commands", [] {
        Factory.FactoryReadEeprom(0x4D);
        Factory.FactorySetBid(2, -3);
        Factory.FactoryCleaning(1);
        Factory.FactoryCommandC4(5, 0, 2, 0);
        D4Link.SendCommandData(RemoteModeEnter, sizeof RemoteModeEnter);
        D4Link.SendCommandData(RemoteModeSN, sizeof RemoteModeSN);
        D4Link.SendCommandData(RemoteModeExit, sizeof RemoteModeExit);
    });
    recordHost("close-sequence", [] {
        D4Link.CloseChannel(DataSocket, 0);
        D4Link.ResetPrinter();
        D4Link.CloseChannel(ControlSocket, 0);
        D4Link.D4Exit();
    });
    recordHost(
            "busy-printer",
            [] {
                D4Link.WriteEepromByte(0x40, 0x01);
                Maintenance.WaitUntilReady();
            },
            [](vprinter::VirtualPrinter &p) { p.busyFor(2500); });
}

// The program's print data as raster operations, cut at the largest seed.
void recordRaster(const std::string &name, const std::function<void()> &program, size_t skip = 0)
{
    Bytes seed;
    {
        vprinter::VirtualPrinter printer;
        printer.eeprom() = vprinter::servicedEeprom();
        size_t seen = 0;
        printer.onData = [&](const Bytes &payload) {
            if (vprinter::describeFactoryData(payload) || seen++ < skip
                || seed.size() + payload.size() + 2 > LargestSeed)
                return;
            seed.push_back(rData);
            seed.push_back(uint8_t(payload.size()));
            seed.insert(seed.end(), payload.begin(), payload.end());
        };
        Session session;
        session.usePorts([&printer] { return std::make_unique<vprinter::VirtualPort>(printer); });
        session.run([&] {
            startLink();
            program();
        });
        testsupport::resetLink();
    }
    save("raster", name, seed);
}

void rasterSeeds()
{
    recordRaster("black-nozzle-check", [] { Raster.PrintBlackNozzleCheck(); });
    recordRaster("colour-nozzle-check", [] { Raster.PrintColourNozzleCheck(); });
    recordRaster("alignment", [] { Raster.PrintAlignment(); });
    recordRaster(
            "bid-shot-page", [] { Raster.PrintMultiShot2(); }, 200);
    recordRaster("value-row-and-text", [] {
        Raster.InitPrinter();
        Raster.SendTextWithNul("Bi-d print");
        Raster.NewLines(1);
        Raster.PrintValueRow(-3);
        Raster.FormFeed();
    });
    recordRaster("top-margin-line", [] { Raster.PrintTopMarginLine(); });
    // The nozzle check where the sheet ends: its blocks run past the last row.
    recordRaster("bottom-of-the-sheet", [] {
        Raster.StartRaster(RasterUnit, Unidirectional, 0, BlackOnly);
        for (int i = 0; i < 16; ++i)
            Raster.AdvancePaper(255);
        Raster.PrintBlackNozzleCheck();
    });
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-record CORPUS_DIR\n");
        return 2;
    }
    corpusDir = argv[1];
    std::printf("Seed corpora in %s:\n", corpusDir.c_str());
    transportSeeds();
    statusSeeds();
    eepromSeeds();
    factorySeeds();
    idsSeeds();
    hostSeeds();
    rasterSeeds();
    std::printf("%d seeds\n", written);
    return 0;
}
