// EEPROM images as files: the 256 cells in address order and nothing else, as
// cantra-vprinter --eeprom reads them and the virtual printer window loads and saves them.
#pragma once

#include "vprinter/VirtualPrinter.h"

#include <string>

namespace vprinter {

// Reads an image. A file that cannot be read or is not exactly 256 bytes long leaves `image`
// as it was and says why in `error`.
bool readEepromFile(const std::string &path, EepromImage &image, std::string &error);
// Writes an image. The file is written beside the target and then put in its place, so a
// failed write never leaves half an image where a whole one was.
bool writeEepromFile(const std::string &path, const EepromImage &image, std::string &error);

} // namespace vprinter
