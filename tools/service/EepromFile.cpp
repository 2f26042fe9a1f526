// Reading and writing EEPROM images, and the difference a restore writes.
#include "EepromFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace service {

bool loadImage(const std::string &path, EepromImage &image, std::string &error)
{
    // A directory opens as a stream that reads nothing; "it holds 0 bytes" would mislead.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        error = path + " is a directory, not an EEPROM image";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    // One byte more than an image, so a longer file is noticed without reading all of it.
    std::vector<char> bytes(image.size() + 1);
    in.read(bytes.data(), std::streamsize(bytes.size()));
    const size_t got = size_t(in.gcount());
    if (got != image.size()) {
        error = path + " is not an EEPROM image: it holds "
                + (got > image.size() ? std::string("more than 256") : std::to_string(got))
                + " bytes, not 256";
        return false;
    }
    std::memcpy(image.data(), bytes.data(), image.size());
    return true;
}

bool saveImage(const std::string &path, const EepromImage &image, std::string &error)
{
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (out)
            out.write(reinterpret_cast<const char *>(image.data()), std::streamsize(image.size()));
        out.close();
        if (!out) {
            error = "cannot write " + temporary + ": " + std::strerror(errno);
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code failed;
    std::filesystem::rename(temporary, path, failed);
    if (failed) {
        error = "cannot write " + path + ": " + failed.message();
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}

std::vector<CellChange> changesFor(const std::vector<uint8_t> &addresses,
                                   const std::vector<uint8_t> &current, const EepromImage &wanted)
{
    std::vector<CellChange> changes;
    for (size_t i = 0; i < addresses.size() && i < current.size(); ++i)
        if (current[i] != wanted[addresses[i]])
            changes.push_back({ addresses[i], current[i], wanted[addresses[i]] });
    return changes;
}

} // namespace service
