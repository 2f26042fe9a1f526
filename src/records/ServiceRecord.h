// The service record: one JSON line in the data folder for every job that wrote to a printer or
// set it working (EEPROM and factory writes, counter reset, cleaning, ink charge, exchange,
// backup and restore), whether from the windows or from cantra-service. The command layer tells
// it what went out and what came back; it never sends anything itself, and a record that cannot
// be written costs one warning line on standard error, never the job.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace records {

// What a write or a command got from the printer.
enum class Answer {
    Done, // the printer answered "O"
    Busy, // it answered "B" and did not take the value
    Answered, // it answered, and the answer was not looked at
    NoAnswer, // no reply at all
    Sent, // went out on the data channel with the printer's credit; such packets get no answer
    NoCredit, // went out on the data channel without credit, or over a lost link
};

// Facts of the program and its link, for every line.
void setProgram(const std::string &name);
// The model as the technician picked it (the start window's list text) and its code; "" and 0
// when not known.
void setModel(const std::string &name, int code);
void portOpened(const std::string &port, const std::string &device);
// The port last opened ("LPT1") and what it led to; empty before any.
std::string openedPort();
std::string openedDevice();
// A new link: whatever printer is behind the port now, the cells read before are not its own.
void linkStarted();
// Back to the state at program start, open jobs dropped unwritten.
void resetSession();
// Whether lines are written at all (on by default); the fuzz harnesses write none.
void setRecording(bool on);

// Fed by the command layer.
void cellRead(uint8_t address, uint8_t value);
void cellWritten(uint8_t address, uint8_t value, Answer answer);
void commandSent(const std::string &name, Answer answer);
// The value a cell is known to hold on this link (read, or written and answered "O").
std::optional<uint8_t> knownCell(uint8_t address);

// One job of the technician: what is written or sent while it is open (the innermost open job
// takes it) becomes one line when it finishes. A write outside any job gets a line of its own.
class Job
{
public:
    explicit Job(std::string item);
    ~Job();
    Job(const Job &) = delete;
    Job &operator=(const Job &) = delete;

    // Further facts of the line, after the item: a step, a file.
    void note(const std::string &key, const std::string &text);
    void note(const std::string &key, const char *text) { note(key, std::string(text)); }
    void note(const std::string &key, bool value);
    // Cells the job read to keep (a backup): they go into the line with their values.
    void cellsKept(const std::vector<std::pair<uint8_t, uint8_t>> &cells);
    // Appends the line when anything was written, sent or kept; later calls do nothing.
    void finish();

    struct Entry
    {
        bool command = false;
        std::string name; // of a command
        uint8_t address = 0;
        std::optional<uint8_t> before;
        uint8_t after = 0;
        bool kept = false; // read and kept, not written
        Answer answer = Answer::Done;
    };

private:
    friend void cellWritten(uint8_t, uint8_t, Answer);
    friend void commandSent(const std::string &, Answer);
    friend void finishOpenJobs();
    friend void resetSession();

    std::string m_item;
    std::vector<std::pair<std::string, std::string>> m_notes; // key, JSON value
    std::vector<Entry> m_entries;
    bool m_open = true;
};

// The record file in the data folder.
std::filesystem::path recordFile();
// Writes the lines of every job still open: the process is about to end without unwinding.
void finishOpenJobs();

} // namespace records
