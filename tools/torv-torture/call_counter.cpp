// What is common to the counters of every platform: the counts and the switch.
#include "call_counter.h"

#include <atomic>
#include <thread>

namespace call_counter {

namespace {
std::atomic<bool> counting{false};
std::atomic<std::thread::id> onlyThread{};
std::atomic<uint64_t> allocations{0}, frees{0}, locks{0}, paints{0};
std::atomic<uint64_t> gdiMade{0}, gdiFreed{0}, windowsMade{0}, windowsFreed{0};

bool counted() {
    if (!counting.load(std::memory_order_relaxed)) return false;
    const std::thread::id only = onlyThread.load(std::memory_order_relaxed);
    return only == std::thread::id() || only == std::this_thread::get_id();
}
} // namespace

void countAllocation() {
    if (counted()) allocations.fetch_add(1);
}

void countFree() {
    if (counted()) frees.fetch_add(1);
}

void countLock() {
    if (counted()) locks.fetch_add(1);
}

void countPaint() {
    if (counted()) paints.fetch_add(1);
}

void countGdiMade() {
    if (counted()) gdiMade.fetch_add(1);
}

void countGdiFreed() {
    if (counted()) gdiFreed.fetch_add(1);
}

void countWindowMade() {
    if (counted()) windowsMade.fetch_add(1);
}

void countWindowFreed() {
    if (counted()) windowsFreed.fetch_add(1);
}

void enable(bool on) {
    onlyThread.store(std::thread::id());
    counting.store(on);
}

void enableForThisThread() {
    onlyThread.store(std::this_thread::get_id());
    counting.store(true);
}

void reset() {
    allocations = 0;
    frees = 0;
    locks = 0;
    paints = 0;
    gdiMade = 0;
    gdiFreed = 0;
    windowsMade = 0;
    windowsFreed = 0;
}

CallCounts counts() {
    CallCounts c;
    c.allocations = allocations.load();
    c.frees = frees.load();
    c.locks = locks.load();
    c.paints = paints.load();
    c.gdiMade = gdiMade.load();
    c.gdiFreed = gdiFreed.load();
    c.windowsMade = windowsMade.load();
    c.windowsFreed = windowsFreed.load();
    return c;
}

} // namespace call_counter
