// The tail the printer's records keep of what a host sent, so that no host can grow them
// without end: a number of entries, and no more bytes than a limit.
#pragma once

#include <cstddef>
#include <vector>

namespace vprinter {

// How many of the newest entries to keep: at most `count`, holding at most `bytes` (the newest
// one is kept whatever its size). `held` becomes the bytes they hold.
template<class Entry, class SizeOf>
size_t recordTail(const std::vector<Entry> &record, size_t count, size_t bytes, size_t &held,
                  SizeOf sizeOf)
{
    size_t keep = 0;
    held = 0;
    for (auto it = record.rbegin(); it != record.rend() && keep < count; ++it) {
        const size_t size = sizeOf(*it);
        if (keep > 0 && held + size > bytes)
            break;
        held += size;
        ++keep;
    }
    return keep;
}

} // namespace vprinter
