// Backup files: one JSON object each, the cells as two hexadecimal digits by address, so a
// technician can read one and cantra-service can write it to a printer.
#include "records/BoardBackup.h"

#include "platform/Platform.h"
#include "records/DataFolder.h"
#include "records/Json.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace fs = std::filesystem;

namespace records {

namespace {

constexpr const char *Kind = "cantra EEPROM backup";
constexpr int MaxSameSecond = 99;

std::string hex2(unsigned value)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

std::optional<uint8_t> hexByte(const std::string &text)
{
    if (text.size() != 2)
        return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0'
                : c >= 'A' && c <= 'F'         ? c - 'A' + 10
                : c >= 'a' && c <= 'f'         ? c - 'a' + 10
                                               : -1;
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + unsigned(digit);
    }
    return uint8_t(value);
}

std::string serialise(const BoardBackup &backup)
{
    std::string cells = "{";
    for (size_t i = 0; i < backup.cells.size(); ++i)
        cells += (i ? ", " : "") + json::quote(hex2(backup.cells[i].first)) + ": "
                + json::quote(hex2(backup.cells[i].second));
    cells += "}";
    json::Object object;
    object.text("kind", Kind)
            .text("time", backup.time)
            .textOrNull("model", backup.model)
            .number("modelCode", backup.modelCode)
            .text("port", backup.port)
            .text("device", backup.device)
            .textOrNull("restored", backup.restored)
            .number("cellCount", int64_t(backup.cells.size()))
            .raw("cells", cells);
    return object.str(true) + "\n";
}

// "2026-12-08 10:00:00" as "20261208-100000", for file names that sort by time.
std::string compactTime(const std::string &time)
{
    std::string out;
    for (const char c : time)
        if (c >= '0' && c <= '9')
            out += c;
    if (out.size() == 14)
        out.insert(8, "-");
    return out;
}

} // namespace

fs::path backupFolder()
{
    return dataFolder() / "backups";
}

std::string now()
{
    const platform::LocalTime t = platform::clock().localTime();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

bool saveBackup(BoardBackup &backup, std::string &error)
{
    if (dataFolder().empty()) {
        error = "no data folder: set CANTRA_DATA_DIR";
        return false;
    }
    const fs::path folder = backupFolder();
    // Never over an older backup: it may be the one that was not written back yet.
    for (int n = 1; n <= MaxSameSecond; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "eeprom-backup-%s-%02d.json",
                      compactTime(backup.time).c_str(), n);
        std::error_code ignored;
        const fs::path file = folder / name;
        if (fs::exists(file, ignored))
            continue;
        backup.file = file;
        return writeFileDurably(file, serialise(backup), error);
    }
    error = "too many backups within one second in " + folder.string();
    return false;
}

bool loadBackup(const fs::path &file, BoardBackup &backup, std::string &error)
{
    std::string text;
    if (!readFile(file, text, error))
        return false;
    const auto document = json::parse(text);
    const auto refuse = [&](const std::string &why) {
        error = file.string() + " is not a usable EEPROM backup: " + why;
        return false;
    };
    if (!document || document->kind != json::Value::Kind::Object)
        return refuse("it is not a JSON object");
    if (document->textOf("kind") != Kind)
        return refuse(std::string("its \"kind\" is not \"") + Kind + "\"");
    const json::Value *cells = document->find("cells");
    if (!cells || cells->kind != json::Value::Kind::Object || cells->members.empty())
        return refuse("it holds no cells");
    BoardBackup loaded;
    for (const auto &[address, value] : cells->members) {
        const auto a = hexByte(address);
        const auto v = value.kind == json::Value::Kind::Text ? hexByte(value.text) : std::nullopt;
        if (!a || !v)
            return refuse("cell \"" + address
                          + "\" is not two hexadecimal digits for each of "
                            "address and value");
        const bool repeated = std::any_of(loaded.cells.begin(), loaded.cells.end(),
                                          [&](const auto &cell) { return cell.first == *a; });
        if (repeated)
            return refuse("cell " + address + " stands twice");
        loaded.cells.emplace_back(*a, *v);
    }
    if (const json::Value *count = document->find("cellCount"); count
        && (count->kind != json::Value::Kind::Number
            || count->number != double(loaded.cells.size())))
        return refuse("it lists " + std::to_string(loaded.cells.size())
                      + " cells, not the count it gives");
    loaded.time = document->textOf("time");
    loaded.model = document->textOf("model");
    if (const json::Value *code = document->find("modelCode");
        code && code->kind == json::Value::Kind::Number)
        loaded.modelCode = int(code->number);
    loaded.port = document->textOf("port");
    loaded.device = document->textOf("device");
    loaded.restored = document->textOf("restored");
    loaded.file = file;
    backup = std::move(loaded);
    return true;
}

bool looksLikeBackup(const fs::path &file)
{
    std::string text;
    std::string ignored;
    if (!readFile(file, text, ignored))
        return false;
    const size_t start = text.find_first_not_of(" \t\r\n");
    return start != std::string::npos && text[start] == '{'
            && text.find(std::string("\"") + Kind + "\"") != std::string::npos;
}

bool markRestored(BoardBackup &backup, const std::string &time, std::string &error)
{
    backup.restored = time;
    return writeFileDurably(backup.file, serialise(backup), error);
}

std::optional<BoardBackup> newestUnrestored()
{
    const fs::path folder = backupFolder();
    std::error_code failed;
    if (dataFolder().empty() || !fs::is_directory(folder, failed))
        return std::nullopt;
    std::vector<fs::path> files;
    for (const auto &entry : fs::directory_iterator(folder, failed)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("eeprom-backup-", 0) == 0 && entry.path().extension() == ".json")
            files.push_back(entry.path());
    }
    // The names carry the time, so the last in name order is the newest.
    std::sort(files.rbegin(), files.rend());
    for (const fs::path &file : files) {
        BoardBackup backup;
        std::string error;
        if (loadBackup(file, backup, error) && backup.restored.empty())
            return backup;
    }
    return std::nullopt;
}

} // namespace records
