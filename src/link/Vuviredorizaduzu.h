// The one connection to the printer: the parallel port opened as a file, its writes and the
// read of one whole 1284.4 packet.
#pragma once

#include "platform/PortDevice.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class TPPrinterDriver
{
public:
    TPPrinterDriver();

    // 0 "LPT1", 1 "LPT2", 2 "LPT3"; any other index opens nothing. A port that cannot be
    // opened ends the process after its message box.
    void OpenPort(uint16_t index);
    // The same open for a workflow that takes the link up again: a port that cannot be opened
    // (a USB printer's device is gone while the printer is off) is no reason to end the
    // program and lose what the workflow holds. False after one line on standard error.
    bool TryOpenPort(uint16_t index);
    void ClosePort();
    bool IsOpen() const { return m_port != nullptr; }

    // True when every byte went out.
    bool WritePacket(const uint8_t *buffer, size_t length);
    // A short write is fatal.
    void WriteData(const uint8_t *buffer, size_t length);
    // Reads one packet, header included, into a buffer of `capacity` bytes; `length` is its
    // total length. A header whose length is below 6 or beyond the buffer is refused: the
    // body is read out and dropped so the stream keeps its framing, and the read fails.
    // The whole read, that reading-out included, ends within the 10-second guard whatever
    // the printer sends.
    bool ReadPacket(uint8_t *buffer, size_t capacity, int32_t &length);
    // Drops what the printer has sent and nobody has read, so that a reply that came too late
    // for its own request is not taken for the answer to the next one.
    void DropWaitingBytes();

    const platform::PortTimeouts &Timeouts() const { return m_timeouts; }

private:
    bool prepareTransfer();
    bool writeTraced(const uint8_t *buffer, size_t length);
    // One port read of `count` bytes that ends by `deadline` (platform clock) at the latest;
    // `got` is what arrived.
    bool readBy(uint8_t *buffer, size_t count, int64_t deadline, size_t &got);
    // Tells the trace, if there is one, why a packet read failed; always false.
    enum class ReadFault { Cut, ImpossibleLength, TooLong };
    bool readFailed(const uint8_t *buffer, size_t got, size_t expected, ReadFault fault);
    void discard(size_t count, int64_t deadline);

    std::unique_ptr<platform::PortDevice> m_port;
    const platform::PortTimeouts m_timeouts;
};

extern TPPrinterDriver PrinterDriver;
