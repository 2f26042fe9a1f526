// The fuzz targets, each one input's run. The harness executables call them with the fuzz
// input; the corpus recorder calls them with scripted choices and a recording port, so a
// seed replays exactly the run it was recorded from.
#pragma once

#include "FuzzSupport.h"

#include <cstdint>

namespace fuzz {

// Operations a choice byte picks (modulo the count), and the bytes each then takes.
enum TransportOp : uint8_t {
    tEnter, // EnterD4Mode
    tInit, // D4Init
    tExit, // D4Exit
    tOpen, // socket
    tClose, // socket, c
    tGrant, // socket, count (2 bytes)
    tRequest, // socket, count (2 bytes)
    tPrint, // length (mod 65), payload
    tCommand, // length (mod 65), payload
    tSendReceive, // length, payload
    tReadPacket, // capacity (2 bytes, mod 1100)
    tDrop, // DropWaitingBytes
    tReopen, // close and open the port again
    tCredits, // host credit, printer credit (2 bytes each)
    TransportOps
};

enum StatusOp : uint8_t {
    sStatus, // GetPrinterStatus
    sWaitReady, // Maintenance.WaitUntilReady
    sReadyToPrint, // Raster.WaitReadyToPrint
    sGrant, // GrantCredit(2, 1)
    StatusOps
};

enum EepromOp : uint8_t {
    eRead, // address
    eReadChecked, // address
    eWrite, // address, value
    eWriteNoCheck, // address, value; then CheckReplyResult
    ePaperEject,
    eReset,
    eCounter, // ReadProtectionCounter
    eCounterReset, // model row
    eHeadIdWrite, // six choices of character
    eHeadIdRead,
    EepromOps
};

enum FactoryOp : uint8_t {
    fRead, // address
    fCredits, // host credit choice, printer credit choice
    fDrop,
    fWrite, // address, value
    fUsbId, // ReadUsbId
    fOpenData, // OpenChannel(64): credits back to 0
    FactoryOps
};

// After 256 EEPROM bytes and a fault byte.
enum IdsOp : uint8_t {
    iHeadId,
    iUsbId,
    iCounter,
    iBidValue, // kind
    iFault, // fault choice, count
    IdsOps
};

enum HostOp : uint8_t {
    hWrite, // length - 1, bytes
    hRead, // (length / 16) - 1
    hGone,
    hClock, // 50 ms steps
    hLate, // count, lateness (100 ms steps)
    hTrickle, // length - 12, pace
    hState, // state choice
    hDrain,
    HostOps
};

enum RasterOp : uint8_t {
    rData, // length, payload
    rData2,
    rData3,
    rData4,
    rData5,
    rEndJob, // the data channel closed and opened again
    rError, // the printer goes into error, or out of it
    rInit, // Init: the job ends, channels closed; the data channel is opened again
    RasterOps
};

void runTransport(Input &in, Session &session);
void runStatus(Input &in, Session &session);
void runEeprom(Input &in, Session &session);
void runFactoryRead(Input &in, Session &session);
// The in-process virtual printer with an EEPROM image and faults from the input.
void runIds(Input &in);
// The virtual printer's host side and its interpreter, without the link.
void runHost(Input &in);
void runRaster(Input &in);

} // namespace fuzz
