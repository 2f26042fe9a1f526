// The program: the five windows over one printer link. Options choose an in-process virtual
// printer instead of a cabled one, for trying the tool without hardware.
#include "vprinter/VirtualPort.h"
#include "vprinter/VirtualPrinter.h"

#include "link/TraceLog.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/Platform.h"
#include "platform/Trace.h"
#include "platform/qt/QtPlatform.h"
#include "shell/DemoPrinter.h"
#include "shell/DemoWalk.h"
#include "shell/RidAzidoz.h"
#include "shell/TrainerClock.h"
#include "shell/VirtualPages.h"
#include "shell/VirtualPrinterWindow.h"
#include "shell/VorAvov.h"
#include "shell/Windows.h"
#include "version/Version.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

namespace {

constexpr const char *Usage
        = "Usage: cantra-adjust [OPTION]\n"
          "Adjustment program for the Cantra R70 / R50 printer family.\n"
          "\n"
          "  --virtual-printer          bind LPT1 to LPT3 to a built-in virtual printer that\n"
          "                             starts ready, with the EEPROM of a serviced printer\n"
          "  --virtual-printer=STATE    the same, starting in STATE: ready, busy, paper-jam,\n"
          "                             ink-out, paper-misload, maintenance\n"
          "  --pages DIR                the virtual printer writes its printed pages to DIR as\n"
          "                             page-0001.png, ... (default: cantra-virtual-pages in\n"
          "                             the temporary folder) and shows them in the \"Virtual\n"
          "                             printer\" window\n"
          "  --trace FILE               write every packet sent to the printer and received\n"
          "                             from it, every wait and failure, to FILE\n"
          "  --help                     show this text and exit\n"
          "  --version                  show the version and the commit it was built from, and\n"
          "                             exit\n"
          "\n"
          "Without an option the ports are the system's (CANTRA_LPT1 to CANTRA_LPT3 may name\n"
          "other devices, or \"virtual\").\n";

} // namespace

int main(int argc, char **argv)
{
    bool virtualPrinter = false;
    std::string state = "ready";
    std::string pagesDirectory;
    std::string traceFile;
    for (int i = 1; i < argc; ++i) {
        const char *option = argv[i];
        if (std::strcmp(option, "--help") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (std::strcmp(option, "--version") == 0) {
            std::printf("%s\n", version::line("cantra-adjust").c_str());
            return 0;
        }
        if (std::strcmp(option, "--virtual-printer") == 0) {
            virtualPrinter = true;
            continue;
        }
        if (std::strcmp(option, "--pages") == 0 || std::strncmp(option, "--pages=", 8) == 0) {
            const char *folder = option[7] == '=' ? option + 8 : (i + 1 < argc ? argv[++i] : "");
            if (*folder == 0) {
                std::fprintf(stderr, "cantra-adjust: --pages needs a folder\n%s", Usage);
                return 2;
            }
            pagesDirectory = folder;
            continue;
        }
        if (std::strcmp(option, "--trace") == 0 || std::strncmp(option, "--trace=", 8) == 0) {
            const char *file = option[7] == '=' ? option + 8 : (i + 1 < argc ? argv[++i] : "");
            if (*file == 0) {
                std::fprintf(stderr, "cantra-adjust: --trace needs a file\n%s", Usage);
                return 2;
            }
            traceFile = file;
            continue;
        }
        constexpr const char Prefix[] = "--virtual-printer=";
        if (std::strncmp(option, Prefix, sizeof Prefix - 1) == 0) {
            virtualPrinter = true;
            state = option + sizeof Prefix - 1;
            continue;
        }
        std::fprintf(stderr, "cantra-adjust: unknown option '%s'\n%s", option, Usage);
        return 2;
    }

    // Lives as long as the program; a forced exit flushes it on the way out.
    std::unique_ptr<TraceFile> trace;
    if (!traceFile.empty()) {
        trace = std::make_unique<TraceFile>(traceFile, "cantra-adjust");
        if (!trace->isOpen()) {
            std::fprintf(stderr, "cantra-adjust: --trace: %s\n", trace->error().c_str());
            return 2;
        }
    }

    // Never deleted: the driver's port refers to it until the process has gone.
    vprinter::VirtualPrinter *printer = nullptr;
    if (!pagesDirectory.empty() && !virtualPrinter) {
        std::fprintf(stderr, "cantra-adjust: --pages goes with --virtual-printer\n%s", Usage);
        return 2;
    }
    if (virtualPrinter) {
        printer = new vprinter::VirtualPrinter;
        if (!prepareVirtualPrinter(*printer, state)) {
            std::fprintf(stderr, "cantra-adjust: unknown printer state '%s'\n%s", state.c_str(),
                         Usage);
            return 2;
        }
        vprinter::bindVirtualPorts(*printer, true);
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName("Adjustment Program for Cantra R70");
    QApplication::setApplicationVersion(version::number());
    // The program ends when the start window closes, not when the last window happens to.
    application.setQuitOnLastWindowClosed(false);
    platform::installQtPlatform();

    // The trainer's window over the in-process printer: pages, state and EEPROM.
    std::unique_ptr<VirtualPrinterWindow> trainer;
    if (printer)
        trainer = std::make_unique<VirtualPrinterWindow>(
                *printer,
                pagesDirectory.empty() ? VirtualPages::defaultDirectory()
                                       : QString::fromStdString(pagesDirectory));

    CreateWindows();
    FormBoot->show();
    std::unique_ptr<TrainerClock> trainerClock;
    if (trainer) {
        // The adjustment window is the largest of the program's windows, all in the middle.
        trainer->showQuietly(FormBoot,
                             FormBoot->frameGeometry().united(FormAdjust->frameGeometry()));
        // A trainer swaps the board while the program asks for it, so the program's boxes
        // must not block the printer's window.
        platform::qtDialogs().leaveFree(trainer.get());
        trainerClock = std::make_unique<TrainerClock>(platform::clock(), *trainer);
        platform::setClock(trainerClock.get());
    }
    // make demo on a machine without a screen walks through the windows by itself and saves
    // them as pictures; no technician meets it.
    std::unique_ptr<DemoWalk> walk;
    if (const QByteArray folder = qgetenv("CANTRA_DEMO_WALK"); trainer && !folder.isEmpty()) {
        walk = std::make_unique<DemoWalk>(QString::fromLocal8Bit(folder), *trainer);
        walk->start();
    }
    // After the clocks are in place: a clock that wraps the one in force must not wrap the
    // trace's stand-in.
    platform::setTrace(trace.get());
    try {
        application.exec();
    } catch (const std::exception &error) {
        platform::showError(error.what());
    } catch (...) {
        platform::showError("An unexpected error has occurred.");
    }
    platform::qtDialogs().leaveFree(nullptr);
    PrinterDriver.ClosePort();
    platform::setClock(nullptr);
    platform::setTrace(nullptr);
    return walk && !walk->succeeded() ? 1 : 0;
}
