// The host lock: serialises the menu commands (user interface thread) with the audio callback
// (the backend's audio thread). Commands wait for it a bounded time, the callback only tries it.
// Like the Windows mutex it is made of, the thread that holds it may take it again: a driver
// that calls back synchronously inside a command's start() finds the stream's state complete.
#pragma once

#include <cstdint>

class HostLock {
public:
    HostLock();
    ~HostLock();
    HostLock(const HostLock&) = delete;
    HostLock& operator=(const HostLock&) = delete;

    // True when taken within the time.
    bool lock(uint32_t milliseconds);
    // True when taken at once; never waits. [audio thread]
    bool tryLock();
    void unlock();

private:
    void* handle;
};
