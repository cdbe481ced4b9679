// torv.exe run as a person runs it, watched from outside: started as its own process with a
// probe file (TORV_HOST_PROBE), its message boxes on standard error in a file, its menus read
// back from the probe's state, its commands sent as menu messages.
#pragma once

#include "host_state_win32.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class HostProcess {
public:
    // `name` names its files (<tests>\host-runs\<name>.*); `environment` is set for it.
    explicit HostProcess(std::string name,
                         std::vector<std::pair<std::string, std::string>> environment = {});
    ~HostProcess(); // ends a process that is still running
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    // Starts it and waits until its main window shows with route 1 in place.
    bool start(DWORD timeoutMs = 30000);
    bool running() const;

    // With `figures`, also the process's handles, threads and heap (slow).
    HostState state(bool figures = false);
    // A menu command as the menu sends it, carried out by the time this returns.
    bool command(uint32_t id);
    // Sets a variable in the host's environment (a test driver's next configuration).
    bool setEnvironment(const std::string& name, const std::string& value);
    // Another thread of the host holds its lock for `ms`, as a stalled audio thread would.
    bool holdLock(DWORD ms);
    // Waits until the host has processed `more` blocks beyond what it had.
    bool waitBlocks(long long more, DWORD timeoutMs = 20000);
    // WM_CLOSE; true when the process ended within the time, with its exit code and duration.
    bool close(DWORD timeoutMs, DWORD* exitCode = nullptr, DWORD* tookMs = nullptr);

    // Standard error so far, and the reports in it as "<message> in <function>" (the runtime's
    // own reports name their function too).
    std::string errors() const;
    std::vector<std::string> reports() const;
    std::vector<uint32_t> journal() const;
    std::string title() const;

    HWND window = nullptr;
    DWORD pid = 0;
    std::string probePath;

private:
    std::string name;
    std::vector<std::pair<std::string, std::string>> environment;
    std::string errPath;
    PROCESS_INFORMATION process{};
};
