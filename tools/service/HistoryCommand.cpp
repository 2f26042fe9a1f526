// history: the service record of this PC, as its JSON lines or in a form to read.
#include "Commands.h"

#include "records/DataFolder.h"
#include "records/Json.h"
#include "records/ServiceRecord.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace service {

namespace {

constexpr size_t Width = 100;

// Items joined by ", " and broken into lines of at most Width characters after `lead`.
std::string wrapped(const std::string &lead, const std::vector<std::string> &items)
{
    std::string text;
    std::string line = lead;
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string item = items[i] + (i + 1 < items.size() ? "," : "");
        if (line.size() > lead.size() && line.size() + 1 + item.size() > Width) {
            text += line + "\n";
            line = std::string(lead.size(), ' ');
        }
        line += (line.size() > lead.size() && line.back() != ' ' ? " " : "") + item;
    }
    return text + line + "\n";
}

std::string cellText(const records::json::Value &cell)
{
    const std::string address = cell.textOf("cell");
    if (cell.find("value"))
        return address + " " + cell.textOf("value");
    const std::string before = cell.textOf("before");
    std::string text
            = address + " " + (before.empty() ? "??" : before) + "->" + cell.textOf("after");
    const std::string answer = cell.textOf("answer");
    if (answer != "done" && answer != "sent")
        text += " (" + answer + ")";
    return text;
}

std::string readable(const records::json::Value &line)
{
    std::string item = line.textOf("item");
    if (const std::string step = line.textOf("step"); !step.empty())
        item += ", " + step;
    std::string text = line.textOf("time") + "  " + item + ": " + line.textOf("result") + "\n";

    std::string where = "  " + line.textOf("program");
    const std::string model = line.textOf("model");
    where += ", " + (model.empty() ? std::string("model not known") : model);
    if (const std::string port = line.textOf("port"); !port.empty())
        where += " on " + port;
    if (const std::string device = line.textOf("device"); !device.empty())
        where += " (" + device + ")";
    for (const auto &[key, label] :
         { std::pair{ "headId", "head ID" }, std::pair{ "usbId", "USB ID" } })
        if (const std::string id = line.textOf(key); !id.empty())
            where += std::string(", ") + label + " " + id;
    for (const char *key : { "file", "error" })
        if (const std::string value = line.textOf(key); !value.empty())
            where += std::string(", ") + key + " " + value;
    text += where + "\n";

    std::vector<std::string> cells;
    if (const records::json::Value *list = line.find("cells"))
        for (const records::json::Value &cell : list->items)
            cells.push_back(cellText(cell));
    if (!cells.empty())
        text += wrapped("  cells: ", cells);
    std::vector<std::string> commands;
    if (const records::json::Value *list = line.find("commands"))
        for (const records::json::Value &command : list->items) {
            const std::string answer = command.textOf("answer");
            commands.push_back(command.textOf("command")
                               + (answer == "sent" ? "" : " (" + answer + ")"));
        }
    if (!commands.empty())
        text += wrapped("  commands: ", commands);
    return text;
}

} // namespace

int runHistory(Context &context)
{
    const std::filesystem::path file = records::recordFile();
    if (file.empty())
        return context.fail(BadArguments, "no data folder: set CANTRA_DATA_DIR");
    std::error_code missing;
    if (!std::filesystem::exists(file, missing)) {
        if (!context.args.has(OptJson))
            context.out << "Nothing has been written to a printer from this PC yet (no "
                        << file.string() << ").\n";
        return Success;
    }
    std::string text;
    std::string error;
    if (!records::readFile(file, text, error))
        return context.fail(BadArguments, error);

    size_t number = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        const auto value = records::json::parse(line);
        if (!value || value->kind != records::json::Value::Kind::Object) {
            // A line cut short by a PC that died while it was written: the others still count.
            context.err << context.settings.program << ": warning: line " << number << " of "
                        << file.string() << " is not a record line; skipped\n";
            continue;
        }
        context.out << (context.args.has(OptJson) ? line + "\n" : readable(*value));
    }
    return Success;
}

} // namespace service
