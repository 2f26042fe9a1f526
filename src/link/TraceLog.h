// The protocol trace: one line for every packet sent and received, every wait, time-out and
// failed try, with the time since the trace began, for whoever must find out why a link fails.
#pragma once

#include "platform/Trace.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// Lines look like
//     1234 > 00 00 00 08 01 00 00 10 | Init
//     1244 < 00 00 00 08 01 00 80 00 | reply to Init
//     1244 . | wait 10 ms
// time in ms since the start (platform monotonic clock), direction (">" to the printer, "<"
// from it, "." a wait, "!" a failure or a message), the bytes in hex and what they mean. Print
// data on the data channel is summarised, one line per run of up to 200 packets.
class TraceLog : public platform::Trace
{
public:
    explicit TraceLog(std::string title);
    ~TraceLog() override = default;
    TraceLog(const TraceLog &) = delete;
    TraceLog &operator=(const TraceLog &) = delete;

    void sent(const uint8_t *bytes, size_t length, size_t written) override;
    void received(const uint8_t *bytes, size_t length) override;
    void readFailed(const uint8_t *bytes, size_t got, std::string_view why) override;
    void dropped(size_t count) override;
    void failedTry(const uint8_t *request, size_t length, int attempt, int tries,
                   std::string_view why) override;
    void waited(uint32_t ms) override;
    void message(const platform::Message &message) override;
    void exiting(int code) override;
    void note(std::string_view text) override;

    // Writes out a summary still held.
    void flush();

    static constexpr int RunLength = 200;

protected:
    // The title line with the date and time; the first line of a trace, written at the latest
    // before its first other line.
    void begin();
    virtual void writeLine(const std::string &line) = 0;
    virtual void flushOutput() { }

private:
    // Ends a run of print data first, so the lines stay in time order.
    void line(char direction, const std::string &hex, const std::string &text);
    void emit(char direction, const std::string &hex, const std::string &text, int64_t atMs);
    int64_t now() const;
    void addToRun(const uint8_t *bytes, size_t length);
    void endRun();

    std::string m_title;
    bool m_started = false;
    int64_t m_startMs = 0;

    // Print data not yet written: counts by command, and the texts among it.
    struct Run
    {
        int packets = 0;
        size_t bytes = 0;
        int64_t firstMs = 0;
        int64_t lastMs = 0;
        std::vector<std::pair<const char *, int>> counts;
        std::vector<std::string> texts;
        // The only packet of a run of one, shown as any other packet.
        std::vector<uint8_t> single;
    } m_run;
};

// The trace into a file, written as it goes.
class TraceFile : public TraceLog
{
public:
    // Opens (and truncates) `path`; isOpen() and error() say whether that worked.
    TraceFile(const std::string &path, std::string title);
    ~TraceFile() override;
    bool isOpen() const { return m_file != nullptr; }
    const std::string &error() const { return m_error; }

protected:
    void writeLine(const std::string &line) override;
    void flushOutput() override;

private:
    std::FILE *m_file = nullptr;
    std::string m_error;
};
