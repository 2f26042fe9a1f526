// The backup of a printer's own EEPROM cells across a main board change, kept as a file in the
// data folder from before the link goes down for the swap until the cells are written back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace records {

struct BoardBackup
{
    std::string time; // local time it was taken, "2026-12-08 10:00:00"
    std::string model; // the model as the technician picked it; empty when not known
    int modelCode = 0;
    std::string port; // "LPT1"
    std::string device; // what the port led to
    std::vector<std::pair<uint8_t, uint8_t>> cells; // address and value, in reading order
    std::string restored; // when it was written back; empty while it has not been
    std::filesystem::path file; // where it is kept
};

// The folder of the backup files inside the data folder.
std::filesystem::path backupFolder();

// Writes a new file into the backup folder and sets `file`; false with the reason.
bool saveBackup(BoardBackup &backup, std::string &error);
// Reads a backup file; false with the reason for anything but a whole, well-formed backup.
bool loadBackup(const std::filesystem::path &file, BoardBackup &backup, std::string &error);
// Whether the file starts like a backup file rather than an EEPROM image.
bool looksLikeBackup(const std::filesystem::path &file);
// Notes the time it was written back and rewrites its file; the file is kept.
bool markRestored(BoardBackup &backup, const std::string &time, std::string &error);
// The newest backup in the folder that has not been written back, if any.
std::optional<BoardBackup> newestUnrestored();

// The local time of the platform clock as "2026-12-08 10:00:00".
std::string now();

} // namespace records
