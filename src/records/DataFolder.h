// The per-user folder that keeps what must outlive the program (main board backups, the service
// record), and the two ways files are written there: whole and durable, or one line appended.
#pragma once

#include <filesystem>
#include <string>

namespace records {

// CANTRA_DATA_DIR when set; otherwise $XDG_DATA_HOME/cantra, or ~/.local/share/cantra when that
// is unset; on Windows the local application data folder (%LOCALAPPDATA%\cantra). Empty when
// the environment names no home at all.
std::filesystem::path dataFolder();
// Where the folder comes from, for help texts: "CANTRA_DATA_DIR", "XDG_DATA_HOME", ...
std::string dataFolderOrigin();
// Tests point every file of the program at a folder of their own; empty goes back to the
// environment's.
void setDataFolder(const std::filesystem::path &folder);

// Writes `text` under a temporary name beside `path`, flushes it to the disk and renames it over
// `path`: whoever reads `path` finds the old file or the new one, never a part of one. False
// with the reason; the folder is made when missing.
bool writeFileDurably(const std::filesystem::path &path, const std::string &text,
                      std::string &error);
// Appends `line` and a line end in one write, so that two programs appending at once do not
// interleave their lines. False with the reason; the folder is made when missing.
bool appendLine(const std::filesystem::path &path, const std::string &line, std::string &error);
// The whole file, or false with the reason.
bool readFile(const std::filesystem::path &path, std::string &text, std::string &error);

} // namespace records
