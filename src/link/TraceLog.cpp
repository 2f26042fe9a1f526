// The protocol trace's lines. Decoding happens only here, and only while a trace is on.
#include "link/TraceLog.h"

#include "link/PacketDecoder.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr size_t HeaderLength = 6;
// A run lists at most this many of its texts; the sheet's headings fit.
constexpr size_t TextsListed = 12;

const char *kindName(platform::MessageKind kind)
{
    switch (kind) {
    case platform::MessageKind::Information: return "information";
    case platform::MessageKind::Warning: return "warning";
    case platform::MessageKind::Error: return "error";
    case platform::MessageKind::Confirmation: return "question";
    case platform::MessageKind::Plain: return "message";
    }
    return "message";
}

} // namespace

TraceLog::TraceLog(std::string title) : m_title(std::move(title))
{
    m_startMs = platform::clock().monotonicMs();
}

int64_t TraceLog::now() const
{
    return platform::clock().monotonicMs() - m_startMs;
}

void TraceLog::begin()
{
    if (m_started)
        return;
    m_started = true;
    const platform::LocalTime t = platform::clock().localTime();
    char started[32];
    std::snprintf(started, sizeof started, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    writeLine("# " + m_title + ": ms since the start (" + started
              + "), > to the printer, < from the printer, . wait, ! failure or message; bytes "
                "in hex | what they mean");
}

void TraceLog::emit(char direction, const std::string &hex, const std::string &text, int64_t atMs)
{
    begin();
    char time[24];
    std::snprintf(time, sizeof time, "%8lld %c ", static_cast<long long>(atMs), direction);
    writeLine(time + (hex.empty() ? std::string() : hex + " ") + "| " + text);
}

void TraceLog::line(char direction, const std::string &hex, const std::string &text)
{
    endRun();
    emit(direction, hex, text, now());
}

void TraceLog::addToRun(const uint8_t *bytes, size_t length)
{
    Run &run = m_run;
    const int64_t at = now();
    if (run.packets == 0) {
        run.firstMs = at;
        run.single.assign(bytes, bytes + length);
    }
    ++run.packets;
    run.bytes += length - HeaderLength;
    run.lastMs = at;
    const uint8_t *payload = bytes + HeaderLength;
    const size_t size = length - HeaderLength;
    const char *name = wire::rasterCommandName(payload, size);
    const auto found = std::find_if(run.counts.begin(), run.counts.end(),
                                    [name](const auto &count) { return count.first == name; });
    if (found == run.counts.end())
        run.counts.emplace_back(name, 1);
    else
        ++found->second;
    if (std::strcmp(name, "text") == 0 && run.texts.size() <= TextsListed)
        run.texts.push_back(run.texts.size() < TextsListed ? wire::describeRaster(payload, size)
                                                           : std::string("..."));
    if (run.packets == RunLength)
        endRun();
}

void TraceLog::endRun()
{
    Run &run = m_run;
    if (run.packets == 0)
        return;
    if (run.packets == 1) {
        emit('>', wire::hexBytes(run.single),
             wire::describeSent(run.single.data(), run.single.size()), run.firstMs);
    } else {
        std::string text
                = "print data on 64 over " + std::to_string(run.lastMs - run.firstMs) + " ms:";
        for (size_t i = 0; i < run.counts.size(); ++i) {
            text += i ? ", " : " ";
            text += run.counts[i].first;
            text += " x";
            text += std::to_string(run.counts[i].second);
        }
        for (const std::string &t : run.texts) {
            text += "; ";
            text += t;
        }
        std::string size = "[";
        size += std::to_string(run.packets);
        size += " packets, ";
        size += std::to_string(run.bytes);
        size += " bytes]";
        emit('>', size, text, run.firstMs);
    }
    run = Run{};
}

void TraceLog::sent(const uint8_t *bytes, size_t length, size_t written)
{
    if (written == length && wire::isRasterPacket(bytes, length)) {
        addToRun(bytes, length);
        return;
    }
    std::string text = wire::describeSent(bytes, length);
    if (written != length)
        text += " -- only " + std::to_string(written) + " of " + std::to_string(length)
                + " bytes went out";
    line('>', wire::hexBytes(bytes, length), text);
}

void TraceLog::received(const uint8_t *bytes, size_t length)
{
    line('<', wire::hexBytes(bytes, length), wire::describeReceived(bytes, length));
}

void TraceLog::readFailed(const uint8_t *bytes, size_t got, std::string_view why)
{
    line('!', wire::hexBytes(bytes, got), std::string(why));
}

void TraceLog::dropped(size_t count)
{
    line('!', "",
         "dropped " + std::to_string(count)
                 + " bytes the printer had sent and nobody read (a late reply?)");
}

void TraceLog::failedTry(const uint8_t *request, size_t length, int attempt, int tries,
                         std::string_view why)
{
    line('!', "",
         wire::describeSent(request, length) + ": try " + std::to_string(attempt) + " of "
                 + std::to_string(tries) + " failed, " + std::string(why));
}

void TraceLog::waited(uint32_t ms)
{
    line('.', "", "wait " + std::to_string(ms) + " ms");
}

void TraceLog::message(const platform::Message &message)
{
    line('!', "",
         std::string(kindName(message.kind)) + " box"
                 + (message.title.empty() ? std::string() : " \"" + message.title + "\"") + ": "
                 + message.text);
}

void TraceLog::exiting(int code)
{
    line('!', "", "the process ends with exit code " + std::to_string(code));
    flush();
}

void TraceLog::note(std::string_view text)
{
    line('!', "", std::string(text));
}

void TraceLog::flush()
{
    endRun();
    flushOutput();
}

TraceFile::TraceFile(const std::string &path, std::string title) : TraceLog(std::move(title))
{
    m_file = std::fopen(path.c_str(), "w");
    if (!m_file) {
        m_error = "cannot write " + path + ": " + std::strerror(errno);
        return;
    }
    // Line by line, so that a program that has to be killed still leaves its trace.
    std::setvbuf(m_file, nullptr, _IOLBF, 4096);
    begin();
}

TraceFile::~TraceFile()
{
    if (!m_file)
        return;
    flush();
    std::fclose(m_file);
}

void TraceFile::writeLine(const std::string &line)
{
    if (!m_file)
        return;
    std::fputs(line.c_str(), m_file);
    std::fputc('\n', m_file);
}

void TraceFile::flushOutput()
{
    if (m_file)
        std::fflush(m_file);
}
