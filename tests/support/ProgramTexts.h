// The program's own texts that many tests expect, written once: messages, and the item lists
// of the adjustment window as the technician meets them.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// The box after every fatal error, before the program ends.
inline constexpr const char *ClosedByForce = "This program is closed by force.";
// The close of the link, before the printer reset.
inline constexpr const char *InitializeMessage
        = "This program starts to initialize the printer.\nPlease wait about 10 seconds.";
// The start window when the printer does not answer the entry into packet mode.
inline constexpr const char *NoAnswerMessage
        = "The printer does not answer. Check the cable, the port and the printer's power, then "
          "press OK again.";
inline constexpr const char *CommunicationError = "A communication error has occurred.";

// The Adjustment list for a parallel-only model, a USB-capable one, and a printer in error.
inline const std::vector<std::string> ParallelItems{ "EEPROM initial setting", "Head ID", "Bi-D",
                                                     "Top margin" };
inline const std::vector<std::string> UsbItems{ "EEPROM initial setting", "Head ID", "Bi-D",
                                                "USB ID", "Top margin" };
inline const std::vector<std::string> RecoveryItems{ "EEPROM initial setting", "Protection counter",
                                                     "EEPROM check", "EEPROM backup data" };
inline const std::vector<std::string> MaintenanceItems{
    "Head cleaning", "Initial ink charge", "Refurbishment for DOA", "Protection counter check",
    "EEPROM check",  "EEPROM backup data"
};

} // namespace testsupport
