// Message boxes as lines on standard error, and the forced exit as an exit code.
#include "Console.h"

#include <cstdio>
#include <cstdlib>

namespace service {

namespace {

constexpr const char *ForcedExitText = "This program is closed by force.";

} // namespace

platform::MessageAnswer ConsoleDialogs::show(const platform::Message &message)
{
    if (message.text == ForcedExitText) {
        m_forced = true;
    } else {
        flush();
        m_pending = message.text;
    }
    switch (message.buttons) {
    case platform::MessageButtons::YesNo: return platform::MessageAnswer::Yes;
    case platform::MessageButtons::Ok:
    case platform::MessageButtons::OkCancel: break;
    }
    return platform::MessageAnswer::Ok;
}

std::string ConsoleDialogs::takeLine()
{
    if (m_pending.empty() && !m_forced)
        return {};
    std::string line = m_program + ": ";
    line += m_pending.empty() ? std::string("the link failed") : m_pending;
    if (m_forced)
        line += " (the link was ended by force)";
    m_pending.clear();
    m_forced = false;
    return line;
}

void ConsoleDialogs::flush()
{
    const std::string line = takeLine();
    if (!line.empty())
        std::fprintf(m_stream, "%s\n", line.c_str());
}

ConsoleProcess::ConsoleProcess(ConsoleDialogs &dialogs, int code, std::function<void(int)> end)
    : m_dialogs(dialogs), m_code(code), m_end(std::move(end))
{ }

void ConsoleProcess::exit(int)
{
    std::fflush(stdout);
    m_dialogs.flush();
    std::fflush(nullptr);
    m_end(m_code);
    std::abort(); // an end that returned
}

} // namespace service
