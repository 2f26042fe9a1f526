// cantra-service and its old name cantra-probe: the command line around service::run, with
// console stand-ins for the dialogs and the exit, and the in-process virtual printer.
#include "Console.h"
#include "Service.h"

#include "platform/Platform.h"
#include "platform/PortDevice.h"
#include "version/Version.h"

#include "vprinter/ServicedPrinter.h"
#include "vprinter/VirtualPort.h"
#include "vprinter/VirtualPrinter.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

// Made when a port first leads to "virtual", and never deleted: the port refers to it until
// the process has gone, whichever way it ends.
void bindVirtualPrinter()
{
    platform::systemPorts().setVirtualFactory([] {
        static vprinter::VirtualPrinter *printer = nullptr;
        if (!printer) {
            printer = new vprinter::VirtualPrinter;
            printer->eeprom() = vprinter::servicedEeprom();
        }
        return std::make_unique<vprinter::VirtualPort>(*printer);
    });
}

#ifdef CANTRA_PROBE_ALIAS
// cantra-probe [LPT1|LPT2|LPT3] is the one-line status of old; anything else is a command of
// cantra-service.
std::vector<std::string> probeArguments(std::vector<std::string> args)
{
    if (args.empty())
        return { "status", "--brief" };
    if (args.size() == 1 && args[0].rfind("LPT", 0) == 0)
        return { "status", "--brief", "--port", args[0] };
    return args;
}
#endif

} // namespace

int main(int argc, char **argv)
{
    service::Settings settings;
#ifdef CANTRA_PROBE_ALIAS
    settings.program = "cantra-probe";
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef CANTRA_PROBE_ALIAS
    args = probeArguments(args);
#endif
    settings.version = version::line(settings.program);
    settings.virtualPrinter = true;
    bindVirtualPrinter();
    service::ConsoleDialogs dialogs(settings.program, stderr);
    service::ConsoleProcess process(dialogs, service::LinkFailure,
                                    [](int code) { std::exit(code); });
    platform::setDialogs(&dialogs);
    platform::setProcess(&process);

    const int code = service::run(args, std::cout, std::cerr, settings);
    dialogs.flush();
    platform::restoreDefaults();
    return code;
}
