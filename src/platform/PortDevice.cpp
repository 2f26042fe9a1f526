// Port-name resolution shared by every platform.
#include "platform/PortDevice.h"

#include <cstdlib>

namespace platform {

PortConnection resolvePort(const std::string &portName)
{
    const std::string variable = "CANTRA_" + portName;
    if (const char *value = std::getenv(variable.c_str()); value && *value)
        return { value, variable };
#ifdef _WIN32
    return { portName, {} };
#else
    if (portName.size() == 4 && portName.compare(0, 3, "LPT") == 0 && portName[3] >= '1'
        && portName[3] <= '9')
        return { "/dev/lp" + std::to_string(portName[3] - '1'), {} };
    return { portName, {} };
#endif
}

std::string connectionFor(const std::string &portName)
{
    return resolvePort(portName).target;
}

std::unique_ptr<PortDevice> SystemPortConnector::open(const std::string &portName)
{
    m_lastFailure.clear();
    m_lastRemedy.clear();
    const PortConnection connection
            = m_allVirtual ? PortConnection{ VirtualConnection, {} } : resolvePort(portName);
    const std::string origin = connection.variable.empty()
            ? std::string(m_allVirtual ? "the --virtual-printer option" : "the default")
            : "set by " + connection.variable;
    if (connection.target == VirtualConnection) {
        if (m_virtualFactory)
            return m_virtualFactory();
        m_lastFailure = portName + " -> " + connection.target + " (" + origin
                + "): this program has no virtual printer";
        return nullptr;
    }
    std::string error;
    auto device = openSystemPort(connection.target, &error, &m_lastRemedy);
    if (!device)
        m_lastFailure = portName + " -> " + connection.target + " (" + origin + "): " + error
                + (m_lastRemedy.empty() ? "" : "; " + m_lastRemedy);
    return device;
}

SystemPortConnector &systemPorts()
{
    static SystemPortConnector connector;
    return connector;
}

} // namespace platform
