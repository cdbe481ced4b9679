// What is common to the counters of every platform: the counts and the switch.
#include "call_counter.h"

#include <atomic>

namespace call_counter {

namespace {
std::atomic<bool> counting{false};
std::atomic<uint64_t> allocations{0}, frees{0}, locks{0};
} // namespace

void countAllocation() {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
}

void countFree() {
    if (counting.load(std::memory_order_relaxed)) frees.fetch_add(1);
}

void countLock() {
    if (counting.load(std::memory_order_relaxed)) locks.fetch_add(1);
}

void enable(bool on) {
    counting.store(on);
}

void reset() {
    allocations = 0;
    frees = 0;
    locks = 0;
}

CallCounts counts() {
    return {allocations.load(), frees.load(), locks.load()};
}

} // namespace call_counter
