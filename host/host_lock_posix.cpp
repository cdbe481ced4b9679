// The host lock elsewhere: a recursive timed mutex, as the Windows mutex behaves.
#include "host/host_lock.h"

#include <chrono>
#include <mutex>

namespace {
std::recursive_timed_mutex& mutexOf(void* handle) {
    return *static_cast<std::recursive_timed_mutex*>(handle);
}
} // namespace

HostLock::HostLock() : handle(new std::recursive_timed_mutex) {}

HostLock::~HostLock() {
    delete static_cast<std::recursive_timed_mutex*>(handle);
}

bool HostLock::lock(uint32_t milliseconds) {
    return mutexOf(handle).try_lock_for(std::chrono::milliseconds(milliseconds));
}

bool HostLock::tryLock() {
    return mutexOf(handle).try_lock();
}

void HostLock::unlock() {
    mutexOf(handle).unlock();
}
