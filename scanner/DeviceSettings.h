// The settings of an open SANE device a sheet scan needs: grey at 8 bits, the resolution
// nearest the one asked for, the whole bed, then the caller's own settings by name.
#pragma once

#include "scanner/PageAssembler.h"

#include <sane/sane.h>

#include <string>
#include <utility>
#include <vector>

namespace scanner {

class DeviceSettings
{
public:
    DeviceSettings(SANE_Handle handle, std::string device)
        : m_handle(handle), m_device(std::move(device))
    { }

    // The program's own settings. A scanner without one of them keeps its default; what comes
    // of it is read as it is.
    void prepare(int dpi);
    // The caller's settings: each must exist and take its value.
    Problem apply(const std::vector<std::pair<std::string, std::string>> &options);
    // The resolution the device is set to, 0 when it has none; a Problem when it would scan
    // with pixels that are not square.
    Problem resolution(int &dpi);

private:
    // The option's number and description, or -1 when the device has no active option by
    // that name.
    int find(const std::string &name, const SANE_Option_Descriptor **descriptor) const;
    bool setWord(int option, SANE_Word value);
    SANE_Word nearest(const SANE_Option_Descriptor &d, SANE_Word wanted) const;
    bool readNumber(const std::string &name, double &value) const;
    void setNumber(const std::string &name, double wanted, bool highest = false,
                   bool lowest = false);
    Problem refused(const std::string &what) const;

    SANE_Handle m_handle;
    std::string m_device;
};

} // namespace scanner
