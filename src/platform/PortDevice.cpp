// Port-name resolution shared by every platform.
#include "platform/PortDevice.h"

#include <cstdlib>

namespace platform {

std::string connectionFor(const std::string &portName)
{
    const std::string variable = "CANTRA_" + portName;
    if (const char *value = std::getenv(variable.c_str()); value && *value)
        return value;
#ifdef _WIN32
    return portName;
#else
    if (portName.size() == 4 && portName.compare(0, 3, "LPT") == 0 && portName[3] >= '1'
        && portName[3] <= '9')
        return "/dev/lp" + std::to_string(portName[3] - '1');
    return portName;
#endif
}

std::unique_ptr<PortDevice> SystemPortConnector::open(const std::string &portName)
{
    const std::string connection = m_allVirtual ? VirtualConnection : connectionFor(portName);
    if (connection == VirtualConnection)
        return m_virtualFactory ? m_virtualFactory() : nullptr;
    return openSystemPort(connection);
}

SystemPortConnector &systemPorts()
{
    static SystemPortConnector connector;
    return connector;
}

} // namespace platform
