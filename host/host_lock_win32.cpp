// The host lock as a Windows mutex, created unowned.
#include "host/host_lock.h"

#include <windows.h>

HostLock::HostLock() : handle(CreateMutexA(nullptr, FALSE, nullptr)) {}

HostLock::~HostLock() {
    if (handle) CloseHandle(handle);
}

// A mutex whose holder ended without releasing it is handed over as abandoned: it is held now.
bool HostLock::lock(uint32_t milliseconds) {
    const DWORD r = WaitForSingleObject(handle, milliseconds);
    return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

bool HostLock::tryLock() {
    return lock(0);
}

void HostLock::unlock() {
    ReleaseMutex(handle);
}
