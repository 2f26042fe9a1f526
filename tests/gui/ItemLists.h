// The three Adjustment lists a technician can meet, as the window tests expect them.
#pragma once

#include <QStringList>

namespace testsupport {

inline const QStringList ParallelItems{ "EEPROM initial setting", "Head ID", "Bi-D", "Top margin" };
inline const QStringList UsbItems{ "EEPROM initial setting", "Head ID", "Bi-D", "USB ID",
                                   "Top margin" };
inline const QStringList RecoveryItems{ "EEPROM initial setting", "Protection counter",
                                        "EEPROM check", "EEPROM backup data" };

} // namespace testsupport
