// The link for one command: started as the start window starts it, ended as the EEPROM backup
// ends it (without the printer reset of the adjustment window's close).
#pragma once

#include <cstdint>
#include <string>

namespace service {

class Session
{
public:
    // `portIndex` 0 to 2 for LPT1 to LPT3.
    explicit Session(uint16_t portIndex) : m_portIndex(portIndex) { }

    // Port, packet mode, control channel with its credit, one status reading, data channel.
    // False, with the reason, when the printer did not answer a step; the port is then closed
    // again. A port that cannot be opened ends the process inside OpenPort.
    bool start(std::string &failure);
    // Closes both channels and the link; to a printer that did not answer the last control
    // command, or the close of the data channel, it sends nothing more. Not called after a
    // forced exit, which leaves the printer as the failed exchange left it.
    void end();
    bool started() const { return m_started; }

private:
    uint16_t m_portIndex;
    bool m_started = false;
};

} // namespace service
