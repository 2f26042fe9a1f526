// One libFuzzer harness: the target it runs is chosen when it is built (FUZZ_TARGET_NAME).
#include "Targets.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

struct Target
{
    std::string_view name;
    void (*link)(fuzz::Input &, fuzz::Session &);
    void (*printer)(fuzz::Input &);
};

constexpr Target Targets[] = {
    { "transport", fuzz::runTransport, nullptr },
    { "status", fuzz::runStatus, nullptr },
    { "eeprom", fuzz::runEeprom, nullptr },
    { "factory_read", fuzz::runFactoryRead, nullptr },
    { "ids", nullptr, fuzz::runIds },
    { "vprinter_host", nullptr, fuzz::runHost },
    { "raster", nullptr, fuzz::runRaster },
};

const Target &chosen()
{
    static const Target *const target = [] {
        for (const Target &t : Targets)
            if (t.name == FUZZ_TARGET_NAME)
                return &t;
        std::fprintf(stderr, "no fuzz target named %s\n", FUZZ_TARGET_NAME);
        std::abort();
    }();
    return *target;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Target &target = chosen();
    fuzz::DataInput in(data, size);
    if (target.link) {
        fuzz::Session session;
        session.useFuzzPorts(in);
        target.link(in, session);
    } else {
        target.printer(in);
    }
    return 0;
}
