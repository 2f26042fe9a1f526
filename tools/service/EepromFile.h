// The EEPROM image file: the 256 cells in address order, nothing else (the format of
// cantra-vprinter --eeprom), and what a restore from it has to change.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace service {

using EepromImage = std::array<uint8_t, 256>;

// False, with the reason, for a file that cannot be read or does not hold exactly 256 bytes.
bool loadImage(const std::string &path, EepromImage &image, std::string &error);
// Writes a temporary file beside `path` and renames it, so a failed write never leaves half
// an image where an older one stood.
bool saveImage(const std::string &path, const EepromImage &image, std::string &error);

struct CellChange
{
    uint8_t address = 0;
    uint8_t from = 0;
    uint8_t to = 0;
};

// The cells among `addresses` whose value in `current` (read from the printer in the same
// order) differs from `wanted`, in that order.
std::vector<CellChange> changesFor(const std::vector<uint8_t> &addresses,
                                   const std::vector<uint8_t> &current, const EepromImage &wanted);

} // namespace service
