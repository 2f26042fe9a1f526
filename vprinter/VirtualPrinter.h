// The virtual printer: the printer's side of the link. It takes the bytes a host writes and
// queues the bytes a printer of this family would answer, keeps an EEPROM image and a
// printer state, and records every packet it receives.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "vprinter/FactoryCommands.h"
#include "vprinter/RasterInterpreter.h"

namespace vprinter {

inline constexpr size_t EepromSize = 256;

// Bytes as upper-case hexadecimal pairs separated by blanks, from `from` on.
std::string hexBytes(const std::vector<uint8_t> &bytes, size_t from = 0);
using EepromImage = std::array<uint8_t, EepromSize>;

// What the printer reports in its status reply.
struct PrinterState
{
    char stateDigit = '4'; // second digit after "ST:"; '4' is ready
    char errorChar = 0; // second character after "ER:"; 0 leaves the field out
    std::array<uint8_t, 4> inkLevels{ 0x46, 0x50, 0x50, 0x50 }; // black, cyan, magenta, yellow
    std::vector<int> warnings; // codes 0 to 3 for "WR:" (written as 10 to 13)
};

// Ways to misbehave, for tests of the host's error handling. Counters count down as used.
struct Faults
{
    bool silent = false; // records what comes in, never answers
    int wrongCommandByte = 0; // this many transaction replies carry a wrong command byte
    int wrongSocketReplies = 0; // this many control replies come on socket 3
    int shortReplies = 0; // this many replies lose their last bytes
    std::optional<int> replyLengthField; // next reply's length field, once
    std::optional<std::string> statusText; // every status reply's payload, verbatim
    std::optional<std::string> eepromReadText; // every EEPROM read reply's payload, verbatim
    std::optional<char> answerChar; // byte 6 of write, "pe" and "rs" replies
    bool zeroCredit = false; // CreditRequest grants nothing
    bool shortCreditReply = false; // Credit replies end before the count
    // A printer that keeps its own count: CreditRequest grants this many whatever was asked,
    // and Credit replies report this count instead of what the printer now holds.
    std::optional<uint16_t> creditGranted;
    std::optional<uint16_t> creditReported;
    std::optional<std::string> answerText; // every write, "pe" and "rs" reply's payload
    int shortWrites = 0; // this many host writes take only part of the bytes (in-process port)

    // On the platform clock. A reply sent late still goes out in order: the ones after it
    // follow it.
    int lateReplies = 0; // this many replies, of any kind, come lateByMs late
    int lateDataReplies = 0; // this many data-channel replies come lateByMs late
    int64_t lateByMs = 6000;
    // A data-channel reply the printer sent, and so spent a credit on, that reaches the host
    // without its last bytes, or not at all.
    int cutDataReplies = 0;
    int lostDataReplies = 0;
    // The next reply announces this total length and its body, padded with zeros or cut to
    // that length, dribbles out one byte every trickleEveryMs.
    int trickleLength = 0;
    int trickleEveryMs = 10;
    // A line that carries a random byte every this many ms while a host is there, and none
    // of the printer's replies (0: a clean line).
    int noiseEveryMs = 0;
};

// One packet as received, decoded.
struct Packet
{
    enum class Kind { Entry, Transaction, Channel, Unframed };
    Kind kind = Kind::Unframed;
    uint8_t socket = 0; // primary socket of the header
    uint8_t command = 0; // transaction command byte
    std::vector<uint8_t> payload; // bytes after the header (the text for Entry)
    std::vector<uint8_t> raw; // the packet as it came, header included
    std::string describe() const;
};

class VirtualPrinter
{
public:
    VirtualPrinter();

    // The host side of the wire.
    void hostWrite(const uint8_t *data, size_t length);
    size_t hostRead(uint8_t *data, size_t length);
    // Bytes the host could read now.
    size_t pendingOutput();
    // How long until more bytes are due on the line (late replies, a trickle, noise); nothing
    // when none are on their way.
    std::optional<int64_t> nextOutputInMs() const;
    // The host has gone (link ended, port closed): back to byte mode for the next one.
    void hostGone();
    // The power switch. Switched off, the printer drops every byte and answers nothing;
    // switched on again it starts in byte mode, as after a power cycle. Off or on, a job in
    // progress is lost; the EEPROM and the state are kept.
    void switchOff();
    void switchOn();
    bool switchedOn() const { return !m_switchedOff; }

    EepromImage &eeprom() { return m_eeprom; }
    PrinterState &state() { return m_state; }
    Faults &faults() { return m_faults; }
    // The packets received, oldest first: all of them with the full record on, otherwise a
    // tail of the last RecordTail, or fewer when they are large (about RecordBytes of packet
    // bytes at least), so that a long run does not hold every packet it sent.
    const std::vector<Packet> &received() const { return m_received; }
    void clearReceived()
    {
        m_received.clear();
        m_recordBytes = 0;
    }
    void keepFullRecord(bool on)
    {
        m_fullRecord = on;
        m_factory.keepFullRecord(on);
    }
    static constexpr size_t RecordTail = 256;
    static constexpr size_t RecordBytes = 1 << 20;
    // Packets received since the printer was made, whatever the record keeps.
    uint64_t packetsReceived() const { return m_packetsReceived; }
    bool inPacketMode() const { return m_packetMode; }
    bool channelOpen(uint8_t socket) const { return m_channels.count(socket) != 0; }
    // Credit the host holds for sending on a socket, and credit the printer holds for replies.
    uint16_t hostCredit(uint8_t socket) const;
    uint16_t printerCredit(uint8_t socket) const;
    // Packets the host sent on a channel without holding credit for it.
    int creditViolations() const { return m_creditViolations; }
    // Replies waiting on a channel for the host's credit. A host that keeps asking without
    // granting any finds at most HeldRepliesLimit kept; the printer drops the ones after.
    size_t heldReplies(uint8_t socket) const;
    static constexpr size_t HeldRepliesLimit = 64;
    uint64_t droppedReplies() const { return m_droppedReplies; }

    // Keeps the printer busy for `ms` of the platform clock, then ready again.
    void busyFor(int64_t ms);
    bool busy() const;
    // Runs a head cleaning or ink charge for `ms`: "ST:" digit 7, and busy meanwhile.
    void cleaningFor(int64_t ms);
    bool cleaning() const;
    // The factory commands and remote-mode sequence received on the data channel.
    FactoryCommands &factory() { return m_factory; }
    // The status text the printer would answer now.
    std::string statusText() const;
    // The "ST:" digit and "ER:" character of that text (0: no "ER:" field): a reported error
    // makes the state digit 0, the printer's own busy spells and a full waste ink pad show.
    char reportedStateDigit() const;
    char reportedErrorChar() const;
    // An error is reported (the status's state digit 0): the printer cleans and prints nothing.
    bool inError() const;

    // The print data of the data channel: the sheets it printed and how it read the stream.
    RasterInterpreter &raster() { return m_raster; }
    const std::vector<Page> &pages() const { return m_raster.pages(); }
    std::vector<Page> takePages() { return m_raster.takePages(); }
    // Where this printer's return passes land, per shot type (see BidErrors).
    BidErrors &bidErrors() { return m_raster.bidErrors(); }
    // Where this printer feeds a sheet against its top margin (see RasterInterpreter); none
    // by default.
    std::optional<int> &topMarginError() { return m_raster.topMarginError(); }

    // Called for every packet the host sends on the data channel.
    std::function<void(const std::vector<uint8_t> &)> onData;
    // Called with one line per decoded packet, for tracing.
    std::function<void(const std::string &)> onTrace;

    // Sends a packet to the host on a channel, waiting for credit the host granted.
    void reply(uint8_t socket, const std::vector<uint8_t> &payload);

private:
    void scanByteMode();
    void scanPackets();
    void handleTransaction(const std::vector<uint8_t> &payload);
    void handleControl(const std::vector<uint8_t> &payload);
    void answerTransaction(uint8_t command, std::vector<uint8_t> body);
    void transmit(std::vector<uint8_t> packet);
    void flushHeld(uint8_t socket);
    void record(Packet packet);
    void schedule(std::vector<uint8_t> bytes, int64_t delayMs, int64_t everyMs);
    void releaseDue();

    EepromImage m_eeprom{};
    PrinterState m_state;
    Faults m_faults;
    std::vector<Packet> m_received;
    size_t m_recordBytes = 0; // raw and payload bytes the record holds
    std::vector<uint8_t> m_input;
    std::deque<uint8_t> m_output; // on the line, for the host to read
    struct Scheduled
    {
        int64_t at = 0; // when the first byte is due
        int64_t everyMs = 0; // then one byte every this many ms; 0: all at once
        std::vector<uint8_t> bytes;
        size_t released = 0;
        int64_t endsAt() const;
    };
    std::deque<Scheduled> m_scheduled; // in the order they go out
    bool m_hostActive = false;
    int64_t m_noiseAt = 0;
    uint32_t m_noiseState = 1;
    bool m_packetMode = false;
    struct Channel
    {
        uint16_t hostCredit = 0;
        uint16_t printerCredit = 0;
        std::deque<std::vector<uint8_t>> held;
    };
    std::map<uint8_t, Channel> m_channels;
    int m_creditViolations = 0;
    uint64_t m_droppedReplies = 0;
    int64_t m_busyUntilMs = 0;
    int64_t m_cleaningUntilMs = 0;
    FactoryCommands m_factory{ *this };
    RasterInterpreter m_raster{ [this](ShotType shot) { return storedBid(shot); },
                                [this] { return storedTopMargin(); } };
    bool m_switchedOff = false;
    bool m_fullRecord = false;
    uint64_t m_packetsReceived = 0;

    int storedBid(ShotType shot) const;
    int storedTopMargin() const;
    void takePrintData(const std::vector<uint8_t> &payload);
};

} // namespace vprinter
