// The IEEE 1284.4 packet link over the port: its transactions, the two channels with their
// credit, the control-channel commands and the shared printer status values.
#pragma once

#include <cstddef>
#include <cstdint>

class TPPrinterDriver;

// Printer state codes, from the second digit after "ST:".
enum : uint16_t {
    psError = 0x7010,
    psNozzleCheck = 0x7011,
    psBusy = 0x7012,
    psPrinting = 0x7013,
    psReady = 0x7014,
    psCleaning = 0x7015,
    psBeforeFill = 0x7016,
    psMotorOff = 0x7017,
};

// Error codes, from the second character after "ER:".
enum : uint16_t {
    esFatal = 0x7000,
    esCommunication = 0x7001,
    esPaperJam = 0x7002,
    esInkOut = 0x7003,
    esPaperMisload = 0x7004,
    esMaintenance = 0x7005,
    esNone = 0x7009,
};

// Reply classes of CheckReplyResult: "O", "B", and no reply at all (the printer has gone
// quiet, which is not a malformed reply and must not end the program).
enum : uint16_t {
    ReplyDone = 0x4000,
    ReplyBusy = 0x7012,
    ReplyNoAnswer = 0x7001,
};

inline constexpr uint8_t TransactionSocket = 0;
inline constexpr uint8_t ControlSocket = 2;
inline constexpr uint8_t DataSocket = 64;
inline constexpr size_t MaxChannelPayload = 64;
inline constexpr uint16_t DataCreditLot = 200;

// The shared printer status, written by GetPrinterStatus.
extern uint16_t PrinterStatus;
extern uint16_t ErrorStatus;
extern uint8_t InkLevels[4];
extern int32_t WarningFlags[4];

class RUDovU4Zizo
{
public:
    explicit RUDovU4Zizo(TPPrinterDriver &driver);

    bool EnterD4Mode();
    bool D4Init();
    void D4Exit();
    bool OpenChannel(uint8_t socket);
    bool CloseChannel(uint8_t socket, uint8_t c);
    bool GrantCredit(uint8_t socket, uint16_t n);
    bool RequestCredit(uint8_t socket, uint16_t n);

    // One packet on the data channel; a payload over 64 bytes is fatal.
    void SendPrintData(const uint8_t *payload, size_t length);
    void SendCommandData(const uint8_t *payload, size_t length);
    // One packet on the control channel and its reply, whose payload then starts
    // ReceiveBuffer.
    bool SendAndReceive(const uint8_t *payload, size_t length);
    static void BuildDataPacket(uint8_t socket, const uint8_t *payload, uint8_t *packet,
                                size_t &length);
    // Up to three tries, 1000 ms apart, until the reply's command byte answers the request's.
    // Bytes already waiting from the printer are dropped before every try's request.
    bool Transact(const uint8_t *request, size_t length);

    void GetPrinterStatus();
    uint8_t ReadEepromByte(uint8_t address);
    bool ReadEepromByteChecked(uint8_t address, uint8_t &value);
    uint16_t WriteEepromByte(uint8_t address, uint8_t value);
    bool WriteEepromByteNoCheck(uint8_t address, uint8_t value);
    uint16_t CheckReplyResult();
    uint16_t PaperEject();
    uint16_t ResetPrinter();

    // Payload bytes of the last control reply (ReceiveLength less the header), 0 after a
    // failed exchange.
    size_t ReplyPayloadLength() const;
    // Whether the last control command got no usable reply.
    bool LastExchangeFailed() const { return m_lastExchangeFailed; }
    // Whether a transaction went unanswered through all its tries since the last entry into
    // packet mode: the printer was switched off, or on again and back in byte mode, and
    // nothing reaches it until the link is started again.
    bool LinkLost() const { return m_linkLost; }
    // Data packets sent without the printer's credit, or over a lost link, since the program
    // started: what they carried cannot be taken as arrived. DataDelivery compares two counts.
    uint32_t UndeliveredDataPackets() const { return m_undeliveredDataPackets; }
    // The link taken up again on the port as the workflows need it after the printer was
    // away: port, packet mode, Init, control channel with its credit, data channel, without a
    // status reading in between. It stops at the first step the printer does not answer, so a
    // printer that is still away costs the tries of one transaction; false then. A port that
    // cannot be opened is no fatal error here.
    bool StartAgain(uint16_t portIndex);
    // Back to the state at program start: no reply, no credit either way.
    void Reset();

    uint8_t ReceiveBuffer[1024]{};
    int32_t ReceiveLength = 0;
    uint16_t HostCredit = 0;
    uint16_t PrinterCredit = 0;

private:
    bool readEeprom(uint8_t address, uint8_t &value);
    bool sendEepromWrite(uint8_t address, uint8_t value);
    uint16_t sendCommand(char first, char second);
    void sendChannelData(const uint8_t *payload, size_t length);

    TPPrinterDriver &m_driver;
    bool m_lastExchangeFailed = false;
    bool m_linkLost = false;
    uint32_t m_undeliveredDataPackets = 0;
    // Data packets still to go without asking for credit again after a credit transaction
    // on the data channel failed.
    uint16_t m_unaskedHostCredit = 0;
    uint16_t m_unaskedPrinterCredit = 0;
    // The data channel as this link last left it. A link started while the printer was not
    // ready never opened it; the first data packet then opens it, once per link.
    enum class DataChannelState { Closed, Open, Refused };
    DataChannelState m_dataChannel = DataChannelState::Closed;
};

extern RUDovU4Zizo D4Link;

// Whether every data packet sent while it lives went out with the printer's credit over a link
// that was not lost. Factory commands and data-channel writes get no answer, so this is all a
// workflow can know of their arrival.
class DataDelivery
{
public:
    DataDelivery() : m_start(D4Link.UndeliveredDataPackets()) { }
    bool complete() const { return D4Link.UndeliveredDataPackets() == m_start; }

private:
    uint32_t m_start;
};
