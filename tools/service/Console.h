// The command line's stand-ins for the message boxes and the process exit: a fatal error of the
// link ends the run with one line on standard error and a non-zero code, never a dialog that
// waits for someone.
#pragma once

#include "platform/Platform.h"

#include <cstdio>
#include <functional>
#include <string>

namespace service {

class ConsoleDialogs : public platform::Dialogs
{
public:
    ConsoleDialogs(std::string program, std::FILE *stream)
        : m_program(std::move(program)), m_stream(stream)
    { }
    // Every box is answered with its first button. A box is written out when the next one
    // comes or the run ends, so that a fatal error and the forced exit after it make one line.
    platform::MessageAnswer show(const platform::Message &message) override;
    // The line for the message still held ("" when none), and nothing held afterwards.
    std::string takeLine();
    void flush();

private:
    std::string m_program;
    std::FILE *m_stream;
    std::string m_pending;
    bool m_forced = false;
};

class ConsoleProcess : public platform::Process
{
public:
    // Every way the core ends the process (a port that cannot be opened, a forced exit) ends
    // the run with `code`: the program's own exit code 0 would tell a script that all went
    // well. `end` ends the process with it and does not return.
    ConsoleProcess(ConsoleDialogs &dialogs, int code, std::function<void(int)> end);
    [[noreturn]] void exit(int code) override;

private:
    ConsoleDialogs &m_dialogs;
    int m_code;
    std::function<void(int)> m_end;
};

} // namespace service
