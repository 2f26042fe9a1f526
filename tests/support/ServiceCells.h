// The service tables' EEPROM cells as the printer's service documents list them, for the
// tests of the tables and of the workflows that write and read them.
#pragma once

#include <utility>
#include <vector>

namespace testsupport {

// The initial setting's first rows, the same for every model, as (address, value).
inline const std::vector<std::pair<int, int>> InitialSettingSharedRows
        = { { 45, 0 }, { 58, 3 }, { 59, 0 }, { 60, 0 }, { 61, 0 }, { 62, 0 } };

// The whole initial setting of a model whose size gives cells 95 and 41 these values.
inline std::vector<std::pair<int, int>> initialSettingRows(int cell95, int cell41)
{
    std::vector<std::pair<int, int>> rows = InitialSettingSharedRows;
    rows.emplace_back(95, cell95);
    rows.emplace_back(41, cell41);
    for (int address = 96; address <= 125; ++address)
        rows.emplace_back(address, 0);
    return rows;
}

// The backup's 56 cells in the order it reads and writes them.
inline const std::vector<int> BackupCellOrder
        = { 10, 11, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 41,
            42, 43, 46, 51, 52, 53, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 77,
            78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95 };

} // namespace testsupport
