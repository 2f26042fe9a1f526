// The printer port as a byte-stream device, and the connector that turns a port name
// ("LPT1" to "LPT3") into an open device: an OS device or an in-process virtual printer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// The port's time-outs, in the shape of the Windows serial time-out record.
struct PortTimeouts
{
    uint32_t readIntervalMs = 0;
    uint32_t readTotalMultiplierMs = 0;
    uint32_t readTotalConstantMs = 0;
    uint32_t writeTotalMultiplierMs = 0;
    uint32_t writeTotalConstantMs = 0;
};

// An open port. Destroying it closes the OS handle.
class PortDevice
{
public:
    virtual ~PortDevice() = default;
    virtual bool getTimeouts(PortTimeouts &timeouts) = 0;
    virtual bool setTimeouts(const PortTimeouts &timeouts) = 0;
    // Blocks until the device may take a write.
    virtual void waitWritable() = 0;
    // One synchronous write; false when the call itself failed. `written` is what went out.
    virtual bool write(const uint8_t *data, size_t length, size_t &written) = 0;
    // One synchronous read of up to `length` bytes within the time-outs; false when the call
    // itself failed. `got` is what arrived, possibly less than asked.
    virtual bool read(uint8_t *data, size_t length, size_t &got) = 0;
    // Reads out and drops what the printer has sent and nobody has read yet, without waiting
    // for more; returns the count dropped. A late reply must not pass for the next one's.
    virtual size_t discardWaiting() = 0;
};

class PortConnector
{
public:
    virtual ~PortConnector() = default;
    // Opens the port by its name; null when it cannot be opened.
    virtual std::unique_ptr<PortDevice> open(const std::string &portName) = 0;
    // Why the last open failed, for the technician who has to mend the set-up: what the name
    // resolved to, what set it and the system's reason. Empty when nothing is known.
    virtual std::string lastFailure() const { return {}; }
    // What the technician can do about the last failure at the PC, such as joining the group
    // that may use the device. Empty when there is nothing to say beyond the failure.
    virtual std::string lastRemedy() const { return {}; }
};

// What a port name stands for and where that came from.
struct PortConnection
{
    std::string target; // a device path, a Windows device name, or "virtual"
    std::string variable; // the environment variable that set it; empty for the default
};

// The environment variable CANTRA_<NAME> when set, otherwise the platform default
// ("/dev/lp0" to "/dev/lp2" on Linux, the bare name on Windows).
PortConnection resolvePort(const std::string &portName);
std::string connectionFor(const std::string &portName);

// Opens an OS device by path (or Windows device name); null on failure, with the system's
// reason in `error` and what the technician can do about it in `remedy` (possibly empty), when
// they are given.
std::unique_ptr<PortDevice> openSystemPort(const std::string &path, std::string *error = nullptr,
                                           std::string *remedy = nullptr);

// The connection string that binds a port to the in-process virtual printer.
inline constexpr const char *VirtualConnection = "virtual";

// Resolves names through connectionFor(); "virtual" goes to the factory set here, if any.
class SystemPortConnector : public PortConnector
{
public:
    using VirtualFactory = std::function<std::unique_ptr<PortDevice>()>;
    std::unique_ptr<PortDevice> open(const std::string &portName) override;
    std::string lastFailure() const override { return m_lastFailure; }
    std::string lastRemedy() const override { return m_lastRemedy; }
    void setVirtualFactory(VirtualFactory factory) { m_virtualFactory = std::move(factory); }
    // Binds every port to the virtual printer, whatever the environment says.
    void setAllVirtual(bool allVirtual) { m_allVirtual = allVirtual; }
    bool allVirtual() const { return m_allVirtual; }

private:
    VirtualFactory m_virtualFactory;
    bool m_allVirtual = false;
    std::string m_lastFailure;
    std::string m_lastRemedy;
};

SystemPortConnector &systemPorts();

} // namespace platform
