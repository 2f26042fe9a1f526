// How the bytes on the printer link read, as text: 1284.4 transactions and their replies, the
// control commands and replies, factory frames, the remote-mode sequence and raster commands.
// The protocol trace and the virtual printer's packet record both read packets with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wire {

// Upper-case pairs separated by blanks: "1B 40".
std::string hexBytes(const uint8_t *bytes, size_t length);
std::string hexBytes(const std::vector<uint8_t> &bytes, size_t from = 0);

// A transaction request from its payload (command byte first): "Init", "OpenChannel(2)",
// "CloseChannel(64)", "Credit(2, 1)", "CreditRequest(64, 200)", "Exit".
std::string describeTransaction(const uint8_t *payload, size_t length);

// A factory frame that holds together: ESC "|" 00, count, 07 05, the code triple of a known
// code and the parameters that code takes, with values it accepts.
struct FactoryFrame
{
    uint8_t code = 0;
    std::vector<uint8_t> parameters;
};
bool startsFactoryFrame(const uint8_t *payload, size_t length);
std::optional<FactoryFrame> parseFactoryFrame(const uint8_t *payload, size_t length);
// The three packets of the remote-mode sequence: ESC "(" "R" ... "REMOTE1", a two-letter
// remote command with its count and parameters, and 1B 00 00 00.
bool isRemoteEnter(const uint8_t *payload, size_t length);
bool isRemoteCommand(const uint8_t *payload, size_t length);
bool isRemoteExit(const uint8_t *payload, size_t length);
// A data-channel payload that is a factory frame or part of the remote-mode sequence, by name
// ("FactoryWriteEeprom(46, 246)", "remote mode: leave"); nothing for anything else.
std::optional<std::string> describeFactoryData(const uint8_t *payload, size_t length);

// A raster payload by the name of the print operation that sends it ("SetUnit",
// "SendRun", "text"), and with its parameters ("SetUnit(10)", "SendRun(120 x FF)").
const char *rasterCommandName(const uint8_t *payload, size_t length);
std::string describeRaster(const uint8_t *payload, size_t length);

// A control-channel request: status, EEPROM read and write, "pe", "rs".
std::string describeControlRequest(const uint8_t *payload, size_t length);

// Whole packets, header included, as the host sends and receives them.
std::string describeSent(const uint8_t *packet, size_t length);
std::string describeReceived(const uint8_t *packet, size_t length);
// A packet the host sends on the data channel that is neither a factory frame nor part of the
// remote-mode sequence: print data.
bool isRasterPacket(const uint8_t *packet, size_t length);

// The status reply's codes: the second digit after "ST:", the second character after "ER:".
bool stateFromDigit(uint8_t digit, uint16_t &state);
bool errorFromCharacter(uint8_t character, uint16_t &error);
// A digit of the "IQ:" field: "0"-"9", "A"-"F", and "N" for 15; any other keeps its code.
uint8_t inkDigit(uint8_t character);
// A digit of an EEPROM read reply: "0"-"9", anything else its code less 0x37.
uint8_t eepromDigit(uint8_t character);

// Short names of the codes: "ready", "busy", ...; "none", "paper jam", ... Empty for a code
// outside the tables.
const char *stateName(uint16_t state);
const char *errorName(uint16_t error);
// The inks in the order of the status reply's levels and warning codes.
inline constexpr const char *InkNames[4] = { "black", "cyan", "magenta", "yellow" };

} // namespace wire
