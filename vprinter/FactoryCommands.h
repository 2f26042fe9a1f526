// The printer's side of the factory commands: the ESC "|" frames and the remote-mode
// sequence that arrive on the data channel, carried out on the virtual printer's EEPROM and
// state, with a record of what came in.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vprinter {

class VirtualPrinter;

// One factory packet as the printer understood it.
struct FactoryRecord
{
    enum class Kind {
        Command, // a frame with a known code, carried out
        Remote, // a packet of the remote-mode sequence
        Invalid, // a frame with a wrong triple, count or parameters: ignored
    };
    Kind kind = Kind::Invalid;
    uint8_t code = 0; // command code of a frame
    std::vector<uint8_t> parameters; // bytes after the triple, or of the remote command
    std::string text; // the decoded line, as in the packet record
};

// The decoded line of a data-channel packet that is a factory frame or a remote-mode packet;
// nothing for any other data (raster).
std::optional<std::string> describeFactoryData(const std::vector<uint8_t> &payload);

// The printer asks for maintenance once its protection counter has reached 8350; an erased
// counter (both cells FF) is not one in use.
bool maintenanceRequested(const std::array<uint8_t, 256> &image);
uint16_t protectionCounter(const std::array<uint8_t, 256> &image);

class FactoryCommands
{
public:
    explicit FactoryCommands(VirtualPrinter &printer) : m_printer(printer) { }

    // Takes one data-channel packet; false when it is neither a factory frame nor part of
    // the remote-mode sequence.
    bool take(const std::vector<uint8_t> &payload);

    // The factory packets received, oldest first: all of them with the full record on,
    // otherwise a tail of the last RecordTail, or fewer when they are large (about
    // RecordBytes of them at least), so that a host that sends nothing but frames does not
    // grow the printer without end.
    const std::vector<FactoryRecord> &records() const { return m_records; }
    void clearRecords()
    {
        m_records.clear();
        m_recordBytes = 0;
    }
    void keepFullRecord(bool on) { m_fullRecord = on; }
    static constexpr size_t RecordTail = 256;
    static constexpr size_t RecordBytes = 1 << 20;
    // Frames ignored as invalid since the printer was made, whatever the record keeps.
    int invalidFrames() const { return m_invalidFrames; }
    bool inRemoteMode() const { return m_remoteMode; }
    // Times the remote-mode sequence ran to its end.
    int remoteSessions() const { return m_remoteSessions; }

    // For tests of the host's reply handling: the payload of every data-channel EEPROM read
    // reply, verbatim.
    std::optional<std::string> readReplyText;

    // How long the printer's own sequences keep it from being ready, in platform-clock ms.
    static constexpr int64_t HeadCleaningMs = 8000;
    static constexpr int64_t InkChargeMs = 20000;
    static constexpr int64_t CarriageMoveMs = 1500;
    // What each sequence adds to the protection counter.
    static constexpr uint16_t HeadCleaningCount = 150;
    static constexpr uint16_t InkChargeCount = 600;

private:
    bool takeFrame(const std::vector<uint8_t> &payload);
    bool takeRemote(const std::vector<uint8_t> &payload);
    void run(uint8_t code, const std::vector<uint8_t> &parameters);
    void addToCounter(uint16_t amount);
    void record(FactoryRecord::Kind kind, uint8_t code, std::vector<uint8_t> parameters,
                const std::vector<uint8_t> &payload);

    VirtualPrinter &m_printer;
    std::vector<FactoryRecord> m_records;
    bool m_fullRecord = false;
    size_t m_recordBytes = 0; // parameter and text bytes the record holds
    int m_invalidFrames = 0;
    bool m_remoteMode = false;
    int m_remoteSessions = 0;
};

} // namespace vprinter
