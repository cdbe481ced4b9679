#include "host/host_journal.h"

#include <new>

void HostJournal::enable(size_t count) {
    words.reset(count ? new (std::nothrow) uint32_t[count] : nullptr);
    capacity = words ? count : 0;
    used.store(0);
    full.store(false);
}

void HostJournal::add(Kind kind, const uint32_t* entry, uint32_t count) {
    if (!capacity || full.load()) return;
    const size_t at = used.load(std::memory_order_relaxed);
    if (count > 0xFFFF || at + 1 + count > capacity) {
        full.store(true);
        return;
    }
    words[at] = kind | count << 8;
    for (uint32_t i = 0; i < count; ++i) words[at + 1 + i] = entry[i];
    used.store(at + 1 + count, std::memory_order_release);
}
