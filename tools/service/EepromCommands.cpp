// EEPROM read, write, dump and restore over the control channel, as the EEPROM check and the
// EEPROM backup exchange them, and the initial setting of a new main board: one cell per
// request.
#include "Commands.h"
#include "EepromFile.h"

#include "commands/Ridodirar.h"
#include "commands/ServiceTables.h"
#include "link/Roro4dodu.h"
#include "records/BoardBackup.h"

#include <cctype>
#include <cstdio>
#include <optional>

namespace service {

namespace {

constexpr int Cells = 256;
constexpr int GridSide = 16;

std::string hex2(unsigned value)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

// One or two hexadecimal digits, letters of either case: a command line takes "F" for "0F".
// The windows' entry boxes keep their two digits.
std::optional<uint8_t> hexOperand(std::string text)
{
    if (text.size() == 1)
        text.insert(text.begin(), '0');
    for (char &c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    const int value = VEVivAduvaz::ParseHexByte(text);
    if (value == VEVivAduvaz::InvalidHex)
        return std::nullopt;
    return uint8_t(value);
}

int badHex(Context &context, const char *what, const std::string &text)
{
    return context.badArguments(std::string(what) + " '" + text
                                + "' is not one or two hexadecimal digits (0 to FF)");
}

// Reads the cells in order; false, after saying which cell got no reply, at the first failure.
bool readCells(Context &context, const std::vector<uint8_t> &addresses,
               std::vector<uint8_t> &values)
{
    values.clear();
    for (const uint8_t address : addresses) {
        uint8_t value = 0;
        if (!D4Link.ReadEepromByteChecked(address, value)) {
            context.fail(PrinterFailure,
                         "the printer did not answer the read of cell " + hex2(address));
            return false;
        }
        values.push_back(value);
    }
    return true;
}

std::vector<uint8_t> allCells()
{
    std::vector<uint8_t> addresses;
    for (int address = 0; address < Cells; ++address)
        addresses.push_back(uint8_t(address));
    return addresses;
}

} // namespace

int runEepromRead(Context &context)
{
    uint8_t from = 0x00;
    uint8_t to = 0xFF;
    if (!context.operands.empty()) {
        const auto first = hexOperand(context.operands[0]);
        if (!first)
            return badHex(context, "FROM", context.operands[0]);
        from = to = *first;
    }
    if (context.operands.size() > 1) {
        const auto last = hexOperand(context.operands[1]);
        if (!last)
            return badHex(context, "TO", context.operands[1]);
        to = *last;
    }
    if (to < from)
        return context.badArguments("TO " + hex2(to) + " is below FROM " + hex2(from));

    // The grid's order: row by row, column by column.
    std::vector<uint8_t> addresses;
    for (int address = from; address <= to; ++address)
        addresses.push_back(uint8_t(address));
    if (!context.startLink())
        return PrinterFailure;
    std::vector<uint8_t> values;
    if (!readCells(context, addresses, values))
        return PrinterFailure;

    // Row label and cells as the check grid has them: the high digit down, the low across.
    static constexpr char Digits[] = "0123456789ABCDEF";
    auto trimmed = [](std::string line) {
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        return line + "\n";
    };
    std::string header = "   ";
    for (int column = 0; column < GridSide; ++column)
        header += std::string(1, Digits[column]) + "  ";
    std::string grid = trimmed(header);
    for (int row = from / GridSide; row <= to / GridSide; ++row) {
        std::string line = std::string(1, Digits[row]) + "  ";
        for (int column = 0; column < GridSide; ++column) {
            const int address = row * GridSide + column;
            line += address >= from && address <= to ? hex2(values[size_t(address - from)]) + " "
                                                     : std::string("   ");
        }
        grid += trimmed(line);
    }
    context.out << grid;
    return Success;
}

int runEepromWrite(Context &context)
{
    const auto address = hexOperand(context.operands[0]);
    if (!address)
        return badHex(context, "ADDR", context.operands[0]);
    const auto value = hexOperand(context.operands[1]);
    if (!value)
        return badHex(context, "VALUE", context.operands[1]);
    if (!context.startLink())
        return PrinterFailure;
    switch (D4Link.WriteEepromByte(*address, *value)) {
    case ReplyNoAnswer:
        return context.fail(PrinterFailure,
                            "the printer did not answer the write of cell " + hex2(*address));
    case ReplyBusy:
        return context.fail(PrinterFailure,
                            "the printer answered busy: cell " + hex2(*address) + " not written");
    default: break;
    }
    context.out << "Address = " << hex2(*address) << "\nData = " << hex2(*value) << "\n";
    return Success;
}

int runEepromDump(Context &context)
{
    const std::string &path = context.operands[0];
    if (!context.startLink())
        return PrinterFailure;
    std::vector<uint8_t> values;
    if (!readCells(context, allCells(), values))
        return PrinterFailure;
    EepromImage image{};
    std::copy(values.begin(), values.end(), image.begin());
    std::string error;
    if (!saveImage(path, image, error))
        return context.fail(BadArguments, error);
    context.out << "256 cells read from " << context.port() << " into " << path << "\n";
    return Success;
}

int runEepromRestore(Context &context)
{
    const std::string &path = context.operands[0];
    EepromImage wanted{};
    std::string error;
    std::vector<uint8_t> addresses = allCells();
    // A backup file of the program's "EEPROM backup data" item carries only its cells, in the
    // order the item writes them.
    std::optional<records::BoardBackup> backup;
    if (records::looksLikeBackup(path)) {
        backup.emplace();
        if (!records::loadBackup(path, *backup, error))
            return context.fail(BadArguments, error);
        if (!context.args.has(OptBackupCells))
            return context.badArguments(path + " is an EEPROM backup of "
                                        + std::to_string(backup->cells.size())
                                        + " cells, not a whole image: add --backup-cells");
        addresses.clear();
        for (const auto &[address, value] : backup->cells) {
            addresses.push_back(address);
            wanted[address] = value;
        }
    } else {
        if (!loadImage(path, wanted, error))
            return context.fail(BadArguments, error);
        if (context.args.has(OptBackupCells))
            addresses.assign(service::BackupCells().begin(), service::BackupCells().end());
    }
    const auto restored = [&] {
        if (!backup || !context.args.has(OptYes))
            return;
        std::string failure;
        if (!records::markRestored(*backup, records::now(), failure))
            context.err << context.settings.program << ": warning: " << path
                        << " is not marked as written back: " << failure << "\n";
    };

    if (!context.startLink())
        return PrinterFailure;
    std::vector<uint8_t> current;
    if (!readCells(context, addresses, current))
        return PrinterFailure;
    const std::vector<CellChange> changes = changesFor(addresses, current, wanted);
    if (changes.empty()) {
        context.out << "Nothing to change: the " << addresses.size() << " cells match " << path
                    << "\n";
        restored();
        return Success;
    }
    if (!context.args.has(OptYes)) {
        for (const CellChange &change : changes)
            context.out << "would change " << hex2(change.address) << ": " << hex2(change.from)
                        << " -> " << hex2(change.to) << "\n";
        return context.badArguments("nothing written: add --yes to write these "
                                    + std::to_string(changes.size()) + " cells");
    }
    size_t done = 0;
    for (const CellChange &change : changes) {
        const std::string cell = hex2(change.address);
        const std::string progress = "; " + std::to_string(done) + " of "
                + std::to_string(changes.size()) + " cells were restored";
        if (!D4Link.WriteEepromByteNoCheck(change.address, change.to))
            return context.fail(PrinterFailure,
                                "the printer did not answer the write of cell " + cell + progress);
        uint8_t check = 0;
        if (!D4Link.ReadEepromByteChecked(change.address, check))
            return context.fail(PrinterFailure,
                                "the printer did not answer the read-back of cell " + cell
                                        + progress);
        if (check != change.to)
            return context.fail(PrinterFailure,
                                "cell " + cell + " reads back " + hex2(check) + " after writing "
                                        + hex2(change.to) + progress);
        context.out << cell << ": " << hex2(change.from) << " -> " << hex2(change.to) << "\n";
        ++done;
    }
    context.out << done << " cells restored from " << path << " and read back\n";
    restored();
    return Success;
}

int runEepromInitialSetting(Context &context)
{
    if (!context.args.modelCode)
        return context.badArguments("eeprom initial-setting needs --model ROW: cells 41 and 95 "
                                    "depend on the model");
    if (!context.args.has(OptYes))
        return context.badArguments("eeprom initial-setting writes the values of a new main "
                                    "board: replace the main board first, then add --yes");
    if (!context.startLink())
        return PrinterFailure;
    const InitialSettingWrite written = WriteInitialSetting(*context.args.modelCode);
    if (!written.answered)
        return context.fail(PrinterFailure,
                            "the printer did not answer a write of the initial setting; write "
                            "it again");
    if (!written.busy.empty()) {
        std::string cells;
        for (const uint8_t cell : written.busy)
            cells += (cells.empty() ? "" : ", ") + hex2(cell);
        return context.fail(PrinterFailure,
                            "the printer answered busy: cells " + cells
                                    + " not written; write the initial setting again");
    }
    context.out << "The initial setting value of  \"" << modelName(context.args)
                << "\"\nhas been written in the EEPROM\n";
    return Success;
}

} // namespace service
