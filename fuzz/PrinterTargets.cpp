// Targets with the virtual printer: the ID and counter reads over an EEPROM image from the
// input, what a host may write to the printer, and the print data its interpreter reads.
#include "Targets.h"

#include "commands/Dazedarovovuri.h"
#include "commands/Dizizeded.h"
#include "commands/Zedivozi.h"
#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "patterns/Zurova.h"
#include "vprinter/VirtualPort.h"
#include "vprinter/VirtualPrinter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace fuzz {

namespace {

constexpr size_t Header = 6;

// The head voltage ID as the technician would take it: six characters, each position within
// its range, the sixth the check character. Written out here from the ID's table, not taken
// from the code under test.
struct HeadIdValues
{
    int d1, d2, d3, d4, d5;
};

std::optional<int> decodeIdCharacter(char c)
{
    static constexpr std::string_view Alphabet = "ABCDEFGHJKLMNOPQRSTUVWXYZ123456789%*+-$:";
    const size_t at = Alphabet.find(c);
    if (c == 0 || at == std::string_view::npos)
        return std::nullopt;
    return int(at) + 1;
}

std::optional<HeadIdValues> decodeHeadId(std::string_view text)
{
    auto value = [](char c) { return decodeIdCharacter(c).value_or(0); };
    if (text.size() != 6)
        return std::nullopt;
    HeadIdValues v{ value(text[0]), 0, value(text[2]), value(text[3]), value(text[4]) };
    if (text[1] >= '1' && text[1] <= '4')
        v.d2 = text[1] - '0';
    else if (text[1] != 'Z')
        return std::nullopt;
    if (v.d1 < 1 || v.d1 > 23 || v.d3 < 1 || v.d3 > 24 || v.d4 < 1 || v.d4 > 30 || v.d5 < 1
        || v.d5 > 28)
        return std::nullopt;
    const int sum = 2 * v.d1 + 4 * v.d2 + 6 * v.d3 + 8 * v.d4 + 10 * v.d5;
    if (value(text[5]) != 31 - sum % 31)
        return std::nullopt;
    return v;
}

bool cellsHoldHeadId(const vprinter::EepromImage &cells)
{
    return cells[65] >= 1 && cells[65] <= 23 && cells[70] <= 4 && cells[63] >= 1 && cells[63] <= 24
            && cells[64] >= 1 && cells[64] <= 30 && cells[66] >= 1 && cells[66] <= 28;
}

void checkHeadId(const vprinter::EepromImage &cells)
{
    const std::string text = HeadID.ReadHeadId();
    if (HeadID.LastReadFailed()) {
        check(text.empty(), "a head ID that was not read has a text");
        return;
    }
    // Position by position: a character that stands for a value stands for its cell's value,
    // whether or not the whole ID is valid. (A cell holding 0 ends the text early.)
    check(text.size() <= 6, "a head ID read has more than six characters");
    const size_t positions[] = { 0, 2, 3, 4 };
    const size_t positionCells[] = { 65, 63, 64, 66 };
    for (size_t i = 0; i < std::size(positions) && positions[i] < text.size(); ++i) {
        const auto one = decodeIdCharacter(text[positions[i]]);
        check(!one || *one == cells[positionCells[i]],
              "a head ID character stands for a value its cell does not hold");
    }
    const char second = text.size() > 1 ? text[1] : 0;
    check(!((second >= '1' && second <= '4') || second == 'Z')
                  || cells[70] == (second == 'Z' ? 0 : second - '0'),
          "the head ID's second character stands for a value its cell does not hold");
    const auto decoded = decodeHeadId(text);
    if (decoded)
        check(cells[65] == decoded->d1 && cells[70] == decoded->d2 && cells[63] == decoded->d3
                      && cells[64] == decoded->d4 && cells[66] == decoded->d5,
              "a head ID was read that the EEPROM cells do not hold");
    if (cellsHoldHeadId(cells))
        check(decoded.has_value(), "valid head ID cells did not read back as their ID");
}

bool letterOrDigit(uint8_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

void checkUsbId(const vprinter::EepromImage &cells)
{
    std::string text;
    const bool valid = UsbID.ReadUsbId(text);
    if (UsbID.LastReadFailed()) {
        check(!valid, "a USB ID was read although a read failed");
        return;
    }
    size_t good = 0;
    while (good < 18 && letterOrDigit(cells[77 + good]))
        ++good;
    check(valid == (good == 18), "a USB ID was judged otherwise than its cells");
    const size_t compared = std::min<size_t>(text.size(), 18);
    check(text.size() == std::min<size_t>(good + 1, 18)
                  && std::equal(text.begin(), text.begin() + long(compared), cells.begin() + 77,
                                [](char c, uint8_t cell) { return uint8_t(c) == cell; }),
          "the USB ID text is not what the cells hold");
}

void checkCounter(const vprinter::EepromImage &cells)
{
    const std::string text = Maintenance.ReadProtectionCounter();
    if (Maintenance.LastReadFailed()) {
        check(text.empty(), "a counter that was not read has a text");
        return;
    }
    check(text == std::to_string(cells[10] * 256 + cells[11]),
          "the counter is not what its cells hold");
}

void checkBidValue(const vprinter::EepromImage &cells, uint8_t kind)
{
    const std::string text = Bid.ReadBidValueText(kind);
    static const std::map<uint8_t, size_t> Cells{ { 1, 52 }, { 2, 51 }, { 3, 53 } };
    const auto cell = Cells.find(kind);
    if (cell == Cells.end()) {
        check(text.empty(), "a Bi-D value was read for no kind");
        return;
    }
    if (!D4Link.LastExchangeFailed())
        check(text == std::to_string(int(int8_t(cells[cell->second]))),
              "the Bi-D value is not what its cell holds");
}

void applyFault(vprinter::Faults &faults, uint8_t choice, uint8_t count)
{
    switch (choice % 7) {
    case 0: faults.shortReplies = count % 4; break;
    case 1: faults.wrongCommandByte = count % 4; break;
    case 2: faults.lostDataReplies = count % 4; break;
    case 3: faults.cutDataReplies = count % 4; break;
    case 4:
        faults.lateReplies = count % 4;
        faults.lateByMs = 1000 * (count / 4 % 12);
        break;
    case 5: faults.trickleLength = count; break;
    case 6: faults.wrongSocketReplies = count % 2; break;
    }
}

// Reads what the printer sends back and holds it to 1284.4: whole packets, both socket bytes
// equal, possible lengths, transactions answered with their answer bit, and channel packets
// only on open channels and only while the host's credit lasts.
class ReplyStream
{
public:
    void take(const uint8_t *data, size_t length)
    {
        m_pending.insert(m_pending.end(), data, data + length);
        while (m_pending.size() >= Header) {
            const size_t total = packetLength(m_pending);
            check(total >= Header, "the printer sent a packet length below its header");
            if (m_pending.size() < total)
                return;
            packet({ m_pending.begin(), m_pending.begin() + long(total) });
            m_pending.erase(m_pending.begin(), m_pending.begin() + long(total));
        }
    }
    // Everything due has been read: the stream must end where a packet ends.
    void finish() const { check(m_pending.empty(), "the printer's output ended inside a packet"); }
    // The host has gone: what it did not read is dropped with the rest.
    void reset()
    {
        m_pending.clear();
        m_credit.clear();
    }

private:
    void packet(const std::vector<uint8_t> &p)
    {
        const auto check = [&p](bool holds, const char *what) {
            if (!holds)
                fail(std::string(what) + ": " + vprinter::hexBytes(p));
        };
        check(p[0] == p[1], "the printer sent a packet whose socket bytes differ");
        const uint8_t socket = p[0];
        if (socket == 0) {
            check(p[4] == 1 && p[5] == 0 && p.size() >= 8 && (p[6] & 0x80) && p[7] == 0,
                  "the printer sent a malformed transaction reply");
            const uint8_t command = p[6] & 0x7F;
            // The entry's reply needs nothing here: the printer is in byte mode only at the
            // start and after Exit or a gone host, with every channel closed already. (A
            // transaction with the entry's command byte gets the same reply and closes none.)
            if (command == 0x00 || command == 0x08) {
                m_credit.clear(); // Init, Exit: every channel starts afresh
            } else if (command == 0x02 && p.size() > 8) {
                m_credit.erase(p[8]);
            } else if (command == 0x03 && p.size() > 8) {
                m_credit[p[8]] = p.size() >= 12 ? int(p[10] << 8 | p[11]) : Unknown;
            }
            return;
        }
        check(socket == ControlSocket || socket == DataSocket,
              "the printer sent on a socket it has no channel for");
        check(p[4] == 0 && p[5] == 0, "the printer sent a channel packet with control bits");
        int &credit = m_credit[socket];
        if (credit == Unknown)
            return;
        check(credit > 0, "the printer sent on a channel without the host's credit");
        --credit;
    }

    static constexpr int Unknown = -1;
    std::vector<uint8_t> m_pending;
    std::map<uint8_t, int> m_credit;
};

void hostRead(vprinter::VirtualPrinter &printer, ReplyStream &stream, size_t length)
{
    std::vector<uint8_t> bytes(length);
    const size_t got = printer.hostRead(bytes.data(), length);
    check(got <= length, "the printer handed out more than asked");
    stream.take(bytes.data(), got);
}

void checkBounds(vprinter::VirtualPrinter &printer)
{
    check(printer.received().size() <= 2 * vprinter::VirtualPrinter::RecordTail,
          "the packet record grew beyond its tail");
    check(printer.factory().records().size() <= 2 * vprinter::FactoryCommands::RecordTail,
          "the factory record grew beyond its tail");
    check(printer.heldReplies(ControlSocket) <= vprinter::VirtualPrinter::HeldRepliesLimit
                  && printer.heldReplies(DataSocket) <= vprinter::VirtualPrinter::HeldRepliesLimit,
          "replies waiting for credit grew beyond their limit");
}

std::vector<uint8_t> packet(uint8_t socket, std::vector<uint8_t> payload)
{
    const size_t total = payload.size() + Header;
    std::vector<uint8_t> p{ socket, socket, uint8_t(total >> 8), uint8_t(total), 0, 0 };
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

std::vector<uint8_t> transactionPacket(std::vector<uint8_t> body)
{
    auto p = packet(0, std::move(body));
    p[4] = 1;
    return p;
}

const std::vector<uint8_t> &entry()
{
    static const std::vector<uint8_t> Entry = [] {
        static constexpr char Text[] = "@PCQ 1284.4\n@PCQ\n@PCQ\n";
        std::vector<uint8_t> bytes{ 0x00, 0x00, 0x00, 0x1B, 0x01 };
        bytes.insert(bytes.end(), Text, Text + sizeof Text - 1);
        return bytes;
    }();
    return Entry;
}

void write(vprinter::VirtualPrinter &printer, const std::vector<uint8_t> &bytes)
{
    printer.hostWrite(bytes.data(), bytes.size());
}

void openDataChannel(vprinter::VirtualPrinter &printer)
{
    write(printer,
          transactionPacket({ 0x01, DataSocket, DataSocket, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00,
                              0x00, 0x00 }));
    write(printer, transactionPacket({ 0x04, DataSocket, DataSocket, 0xFF, 0xFF, 0xFF, 0xFF }));
}

// A sheet holds at most every row of every ink.
constexpr size_t MostPageBytes = sizeof(vprinter::Page)
        + size_t(vprinter::InkCount) * vprinter::Page::Height
                * (sizeof(std::vector<uint8_t>) + vprinter::Page::Width / 4);

// What the interpreter may hold and where it may stand, after every packet.
void checkRaster(vprinter::VirtualPrinter &printer, uint64_t &pagesSeen)
{
    const vprinter::RasterInterpreter &raster = printer.raster();
    check(raster.column() >= 0 && raster.column() <= vprinter::Page::Width,
          "the print position left the sheet across");
    check(raster.line() >= 0 && raster.line() < vprinter::Page::Height,
          "the print position left the sheet down");
    for (const vprinter::Page &page : printer.takePages()) {
        check(page.bytesHeld() <= MostPageBytes, "an ejected sheet holds more than a sheet");
        ++pagesSeen;
    }
    check(uint64_t(raster.stats().pagesEjected) == pagesSeen,
          "the sheets ejected are not the sheets counted");
}

} // namespace

void runIds(Input &in)
{
    vprinter::VirtualPrinter printer;
    const std::vector<uint8_t> image = in.bytes(vprinter::EepromSize);
    std::copy(image.begin(), image.end(), printer.eeprom().begin());
    const vprinter::EepromImage cells = printer.eeprom();
    Session s;
    s.usePorts([&printer] { return std::make_unique<vprinter::VirtualPort>(printer); });
    applyFault(printer.faults(), in.byte(), in.byte());
    s.run([&] {
        startLink();
        while (!in.dry()) {
            switch (in.byte() % IdsOps) {
            case iHeadId: checkHeadId(cells); break;
            case iUsbId: checkUsbId(cells); break;
            case iCounter: checkCounter(cells); break;
            case iBidValue: checkBidValue(cells, in.byte() % 5); break;
            case iFault: {
                const uint8_t choice = in.byte();
                applyFault(printer.faults(), choice, in.byte());
                break;
            }
            }
            // Nothing here writes: the cells must be as they were.
            check(printer.eeprom() == cells, "a read changed the EEPROM");
        }
    });
    PrinterDriver.ClosePort();
}

void runHost(Input &in)
{
    Session s;
    vprinter::VirtualPrinter printer;
    ReplyStream stream;
    auto &clock = s.platform.clock;
    while (!in.dry()) {
        switch (in.byte() % HostOps) {
        case hWrite: write(printer, in.bytes(size_t(in.byte()) + 1)); break;
        case hRead: hostRead(printer, stream, (size_t(in.byte()) + 1) * 16); break;
        case hGone:
            printer.hostGone();
            stream.reset();
            check(printer.pendingOutput() == 0, "a gone host left replies waiting");
            break;
        case hClock: clock.nowMs += int64_t(in.byte()) * 50; break;
        case hLate:
            printer.faults().lateReplies = in.byte() % 4;
            printer.faults().lateByMs = int64_t(in.byte()) * 100;
            break;
        case hTrickle:
            // At least a Credit reply's length, so that the count it carries stays in it.
            printer.faults().trickleLength = 12 + in.byte();
            printer.faults().trickleEveryMs = 1 + in.byte() % 20;
            break;
        case hState: {
            static constexpr char Errors[] = { 0, 0, '0', '4', '5', '6', 'B' };
            const uint8_t choice = in.byte();
            printer.state().errorChar = Errors[choice % sizeof Errors];
            printer.state().stateDigit = "4204"[choice / 16 % 4];
            if (choice & 0x80)
                printer.busyFor(int64_t(choice & 0x0F) * 500);
            break;
        }
        case hDrain: hostRead(printer, stream, 1 << 16); break;
        }
        checkBounds(printer);
    }
    // Whatever is on its way arrives in time, whole.
    for (int i = 0; i < 10'000; ++i) {
        const auto next = printer.nextOutputInMs();
        if (!next)
            break;
        clock.nowMs += *next;
        hostRead(printer, stream, 1 << 16);
    }
    while (printer.pendingOutput() > 0)
        hostRead(printer, stream, 1 << 16);
    if (!printer.nextOutputInMs())
        stream.finish();
}

void runRaster(Input &in)
{
    Session s;
    vprinter::VirtualPrinter printer;
    uint64_t pages = 0;
    write(printer, entry());
    openDataChannel(printer);
    while (!in.dry()) {
        switch (in.byte() % RasterOps) {
        case rEndJob:
            write(printer, transactionPacket({ 0x02, DataSocket, DataSocket, 0x00 }));
            openDataChannel(printer);
            break;
        case rError: printer.state().errorChar = printer.state().errorChar ? 0 : '4'; break;
        case rInit:
            write(printer, transactionPacket({ 0x00, 0x10 }));
            openDataChannel(printer);
            break;
        default: write(printer, packet(DataSocket, in.bytes(in.byte()))); break;
        }
        // The replies (factory reads among the data) are not what this target is about.
        std::vector<uint8_t> scratch(printer.pendingOutput());
        printer.hostRead(scratch.data(), scratch.size());
        checkRaster(printer, pages);
    }
    check(printer.raster().currentPage().bytesHeld() <= MostPageBytes,
          "the sheet holds more than a sheet");
    printer.hostGone();
    checkRaster(printer, pages);
}

} // namespace fuzz
