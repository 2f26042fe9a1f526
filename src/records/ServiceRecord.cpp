// The service record's state for one run of a program: the facts of the link, the cells known
// on it, the jobs open now; and the line each job leaves in the record file.
#include "records/ServiceRecord.h"

#include "commands/Dizizeded.h"
#include "commands/EepromMap.h"
#include "records/BoardBackup.h"
#include "records/DataFolder.h"
#include "records/Json.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace records {

namespace {

struct Session
{
    std::string program = "cantra-adjust";
    std::string model;
    int modelCode = 0;
    std::string port;
    std::string device;
    std::array<std::optional<uint8_t>, 256> known{};
    std::vector<Job *> open; // innermost last
};

Session &session()
{
    static Session state;
    return state;
}

bool recording = true;

std::string hex2(unsigned value)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

const char *answerName(Answer answer)
{
    switch (answer) {
    case Answer::Done: return "done";
    case Answer::Busy: return "busy";
    case Answer::Answered: return "answered";
    case Answer::NoAnswer: return "no answer";
    case Answer::Sent: return "sent";
    case Answer::NoCredit: return "no credit";
    }
    return "";
}

// Worst first: the line's result is the worst answer any of its writes got.
int badness(Answer answer)
{
    switch (answer) {
    case Answer::NoAnswer: return 5;
    case Answer::NoCredit: return 4;
    case Answer::Busy: return 3;
    case Answer::Answered: return 2;
    case Answer::Sent: return 1;
    case Answer::Done: return 0;
    }
    return 0;
}

bool letterOrDigit(uint8_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The head voltage ID when all five of its cells are known on this link.
std::string knownHeadId()
{
    const uint8_t order[] = { eeprom::HeadIdFirst, eeprom::HeadIdSecond, eeprom::HeadIdThird,
                              eeprom::HeadIdFourth, eeprom::HeadIdFifth };
    uint8_t values[5] = {};
    for (size_t i = 0; i < std::size(order); ++i) {
        const auto value = knownCell(order[i]);
        if (!value)
            return {};
        values[i] = *value;
    }
    char text[7];
    TPHeadID::ComposeText(values, text);
    return text;
}

// The 18 characters of the USB ID when all are known and each is a letter or a digit.
std::string knownUsbId()
{
    std::string text;
    for (int i = 0; i < eeprom::UsbIdLength; ++i) {
        const auto value = knownCell(uint8_t(eeprom::UsbSerialFirst + i));
        if (!value || !letterOrDigit(*value))
            return {};
        text += char(*value);
    }
    return text;
}

std::string entryJson(const Job::Entry &entry)
{
    json::Object object;
    if (entry.command)
        return object.text("command", entry.name).text("answer", answerName(entry.answer)).str();
    object.text("cell", hex2(entry.address));
    if (entry.kept)
        return object.text("value", hex2(entry.after)).str();
    if (entry.before)
        object.text("before", hex2(*entry.before));
    else
        object.null("before");
    return object.text("after", hex2(entry.after)).text("answer", answerName(entry.answer)).str();
}

std::string lineFor(const std::string &item,
                    const std::vector<std::pair<std::string, std::string>> &notes,
                    const std::vector<Job::Entry> &entries)
{
    const Session &s = session();
    json::Object line;
    line.text("time", now()).text("program", s.program).text("item", item);
    for (const auto &[key, value] : notes)
        line.raw(key, value);
    line.textOrNull("model", s.model);
    if (s.modelCode)
        line.number("modelCode", s.modelCode);
    else
        line.null("modelCode");
    line.textOrNull("port", s.port).textOrNull("device", s.device);
    line.textOrNull("headId", knownHeadId()).textOrNull("usbId", knownUsbId());

    std::string cells;
    std::string commands;
    bool wrote = false;
    Answer worst = Answer::Done;
    for (const Job::Entry &entry : entries) {
        std::string &list = entry.command ? commands : cells;
        list += (list.empty() ? "" : ", ") + entryJson(entry);
        if (entry.kept)
            continue;
        wrote = true;
        if (badness(entry.answer) > badness(worst))
            worst = entry.answer;
    }
    line.raw("cells", "[" + cells + "]").raw("commands", "[" + commands + "]");
    line.boolean("acknowledged", wrote && worst == Answer::Done);
    line.text("result",
              !wrote                          ? "read"
                      : worst == Answer::Done ? "acknowledged"
                                              : answerName(worst));
    return line.str();
}

void append(const std::string &line)
{
    if (!recording)
        return;
    std::string error;
    const std::filesystem::path file = recordFile();
    if (file.empty())
        error = "no data folder: set CANTRA_DATA_DIR";
    else if (appendLine(file, line, error))
        return;
    std::fprintf(stderr, "%s: warning: the service record was not written: %s\n",
                 session().program.c_str(), error.c_str());
}

} // namespace

void setProgram(const std::string &name)
{
    session().program = name;
}

void setModel(const std::string &name, int code)
{
    session().model = name;
    session().modelCode = code;
}

void portOpened(const std::string &port, const std::string &device)
{
    session().port = port;
    session().device = device;
}

std::string openedPort()
{
    return session().port;
}

std::string openedDevice()
{
    return session().device;
}

void linkStarted()
{
    session().known.fill(std::nullopt);
}

void resetSession()
{
    Session &s = session();
    for (Job *job : s.open)
        job->m_open = false;
    s = Session{};
}

void setRecording(bool on)
{
    recording = on;
}

void cellRead(uint8_t address, uint8_t value)
{
    session().known[address] = value;
}

std::optional<uint8_t> knownCell(uint8_t address)
{
    return session().known[address];
}

void cellWritten(uint8_t address, uint8_t value, Answer answer)
{
    Session &s = session();
    Job::Entry entry;
    entry.address = address;
    entry.before = s.known[address];
    entry.after = value;
    entry.answer = answer;
    // Only an "O" says what the cell holds now; after anything else it is not known.
    s.known[address] = answer == Answer::Done ? std::optional<uint8_t>(value) : std::nullopt;
    if (!s.open.empty()) {
        s.open.back()->m_entries.push_back(entry);
        return;
    }
    const bool data = answer == Answer::Sent || answer == Answer::NoCredit;
    if (recording)
        append(lineFor(data ? "EEPROM write on the data channel" : "EEPROM write", {}, { entry }));
}

void commandSent(const std::string &name, Answer answer)
{
    Job::Entry entry;
    entry.command = true;
    entry.name = name;
    entry.answer = answer;
    Session &s = session();
    if (!s.open.empty()) {
        s.open.back()->m_entries.push_back(entry);
        return;
    }
    if (recording)
        append(lineFor("factory command", {}, { entry }));
}

Job::Job(std::string item) : m_item(std::move(item))
{
    session().open.push_back(this);
}

Job::~Job()
{
    finish();
}

void Job::note(const std::string &key, const std::string &text)
{
    m_notes.emplace_back(key, json::quote(text));
}

void Job::note(const std::string &key, bool value)
{
    m_notes.emplace_back(key, value ? "true" : "false");
}

void Job::cellsKept(const std::vector<std::pair<uint8_t, uint8_t>> &cells)
{
    for (const auto &[address, value] : cells) {
        Entry entry;
        entry.address = address;
        entry.after = value;
        entry.kept = true;
        m_entries.push_back(entry);
    }
}

void Job::finish()
{
    if (!m_open)
        return;
    m_open = false;
    auto &open = session().open;
    open.erase(std::remove(open.begin(), open.end(), this), open.end());
    if (!m_entries.empty() && recording)
        append(lineFor(m_item, m_notes, m_entries));
}

std::filesystem::path recordFile()
{
    const std::filesystem::path folder = dataFolder();
    return folder.empty() ? folder : folder / "service-record.jsonl";
}

void finishOpenJobs()
{
    // Innermost first, as unwinding would have finished them.
    while (!session().open.empty())
        session().open.back()->finish();
}

} // namespace records
