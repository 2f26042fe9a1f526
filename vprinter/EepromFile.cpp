// Reading and writing 256-byte EEPROM image files.
#include "vprinter/EepromFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace vprinter {

namespace fs = std::filesystem;

bool readEepromFile(const std::string &path, EepromImage &image, std::string &error)
{
    std::error_code failure;
    if (fs::is_directory(path, failure)) {
        error = path + " is a folder, not an EEPROM image";
        return false;
    }
    const uintmax_t size = fs::file_size(path, failure);
    if (failure) {
        error = "cannot read " + path + ": " + failure.message();
        return false;
    }
    if (size != EepromSize) {
        error = path + " holds " + std::to_string(size) + " bytes; an EEPROM image holds "
                + std::to_string(EepromSize);
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    EepromImage read{};
    if (!in.read(reinterpret_cast<char *>(read.data()), std::streamsize(read.size()))
        || in.gcount() != std::streamsize(read.size())) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    image = read;
    return true;
}

bool writeEepromFile(const std::string &path, const EepromImage &image, std::string &error)
{
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (out)
            out.write(reinterpret_cast<const char *>(image.data()), std::streamsize(image.size()));
        if (out)
            out.close();
        if (!out) {
            error = "cannot write " + path + ": " + std::strerror(errno);
            std::error_code ignored;
            fs::remove(partial, ignored);
            return false;
        }
    }
    std::error_code failure;
    fs::rename(partial, path, failure);
    if (failure) {
        error = "cannot write " + path + ": " + failure.message();
        fs::remove(partial, failure);
        return false;
    }
    return true;
}

} // namespace vprinter
