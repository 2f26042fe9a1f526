// The port on Windows: the parallel device opened as a file for synchronous I/O.
#include "platform/PortDevice.h"

#include <windows.h>

namespace platform {

namespace {

class Win32Port : public PortDevice
{
public:
    explicit Win32Port(HANDLE handle) : m_handle(handle) { }
    ~Win32Port() override { CloseHandle(m_handle); }
    Win32Port(const Win32Port &) = delete;
    Win32Port &operator=(const Win32Port &) = delete;

    bool getTimeouts(PortTimeouts &timeouts) override
    {
        COMMTIMEOUTS record{};
        if (!GetCommTimeouts(m_handle, &record))
            return false;
        timeouts.readIntervalMs = record.ReadIntervalTimeout;
        timeouts.readTotalMultiplierMs = record.ReadTotalTimeoutMultiplier;
        timeouts.readTotalConstantMs = record.ReadTotalTimeoutConstant;
        timeouts.writeTotalMultiplierMs = record.WriteTotalTimeoutMultiplier;
        timeouts.writeTotalConstantMs = record.WriteTotalTimeoutConstant;
        return true;
    }

    bool setTimeouts(const PortTimeouts &timeouts) override
    {
        COMMTIMEOUTS record{};
        record.ReadIntervalTimeout = timeouts.readIntervalMs;
        record.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplierMs;
        record.ReadTotalTimeoutConstant = timeouts.readTotalConstantMs;
        record.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplierMs;
        record.WriteTotalTimeoutConstant = timeouts.writeTotalConstantMs;
        return SetCommTimeouts(m_handle, &record) != 0;
    }

    void waitWritable() override { WaitForSingleObject(m_handle, INFINITE); }

    bool write(const uint8_t *data, size_t length, size_t &written) override
    {
        DWORD count = 0;
        const BOOL ok = WriteFile(m_handle, data, DWORD(length), &count, nullptr);
        written = count;
        return ok != 0;
    }

    bool read(uint8_t *data, size_t length, size_t &got) override
    {
        DWORD count = 0;
        const BOOL ok = ReadFile(m_handle, data, DWORD(length), &count, nullptr);
        got = count;
        return ok != 0;
    }

private:
    HANDLE m_handle;
};

} // namespace

std::unique_ptr<PortDevice> openSystemPort(const std::string &path)
{
    HANDLE handle
            = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<Win32Port>(handle);
}

} // namespace platform
