// The port on Windows: the parallel device opened as a file for synchronous I/O.
#include "platform/PortDevice.h"

#include <windows.h>

#include <string>

namespace platform {

namespace {

// A line that never stops sending must not keep the drop of waiting bytes going for ever.
constexpr size_t DiscardLimit = 64 * 1024;

std::string systemMessage(DWORD code)
{
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, DWORD(sizeof text), nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message.empty() ? "system error " + std::to_string(code) : message;
}

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

    size_t discardWaiting() override
    {
        // Read time-outs that return at once with whatever has come; the port's own record is
        // put back afterwards.
        COMMTIMEOUTS saved{};
        if (!GetCommTimeouts(m_handle, &saved))
            return 0;
        COMMTIMEOUTS immediate = saved;
        immediate.ReadIntervalTimeout = MAXDWORD;
        immediate.ReadTotalTimeoutMultiplier = 0;
        immediate.ReadTotalTimeoutConstant = 0;
        if (!SetCommTimeouts(m_handle, &immediate))
            return 0;
        uint8_t scratch[256];
        size_t dropped = 0;
        DWORD count = 0;
        while (dropped < DiscardLimit
               && ReadFile(m_handle, scratch, DWORD(sizeof scratch), &count, nullptr) && count > 0)
            dropped += count;
        SetCommTimeouts(m_handle, &saved);
        return dropped;
    }

private:
    HANDLE m_handle;
};

} // namespace

std::unique_ptr<PortDevice> openSystemPort(const std::string &path, std::string *error,
                                           std::string *remedy)
{
    if (remedy)
        remedy->clear();
    HANDLE handle
            = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (error)
            *error = systemMessage(GetLastError());
        return nullptr;
    }
    // An ordinary file opens as well as a device does, and would take the link's bytes
    // without ever answering: refused before any byte goes out.
    if (GetFileType(handle) == FILE_TYPE_DISK) {
        CloseHandle(handle);
        if (error)
            *error = "a regular file, not a port (a device or a pipe); nothing was written";
        return nullptr;
    }
    return std::make_unique<Win32Port>(handle);
}

} // namespace platform
