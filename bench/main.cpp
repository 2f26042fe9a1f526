// The benchmark: each section prints its figures. Name sections on the command line to run
// only those ("stream", "pty", "pages", "vprinter", "trace"); with no names every section runs.
#include "Bench.h"

#include <cstdio>
#include <cstring>

namespace {

struct Section
{
    const char *name;
    void (*run)();
};

// A new section goes here, with its function declared in Bench.h.
constexpr Section Sections[] = {
    { "stream", bench::streamFigures }, { "pty", bench::ptyFigures },
    { "pages", bench::pageFigures },    { "vprinter", bench::virtualPrinterFigures },
    { "trace", bench::traceFigures },
};

bool chosen(const char *name, int argc, char **argv)
{
    if (argc < 2)
        return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return true;
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        bool known = false;
        for (const Section &section : Sections)
            known = known || std::strcmp(argv[i], section.name) == 0;
        if (!known) {
            std::fprintf(stderr,
                         "cantra-bench: no section \"%s\" (stream, pty, pages, vprinter, trace)\n",
                         argv[i]);
            return 2;
        }
    }
    for (const Section &section : Sections) {
        if (!chosen(section.name, argc, argv))
            continue;
        section.run();
        std::printf("\n");
        std::fflush(stdout);
    }
    return 0;
}
