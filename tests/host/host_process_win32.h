// torv.exe run as a person runs it, watched from outside: started as its own process with a
// probe file (TORV_HOST_PROBE), its message boxes on standard error in a file, its menus read
// back from the probe's state, its commands sent as menu messages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The probe's state file, read.
struct HostState {
    struct Item {
        std::string menu;
        int position = 0;
        uint32_t id = 0;
        std::string kind, text;
        bool checked = false, grayed = false;
    };
    std::map<std::string, std::string> values;
    std::vector<Item> items;
    std::vector<std::string> routes, inputs, modes, drivers; // their label or name lines
    std::map<std::string, RECT> rects;                       // "window", "client", "baritem 0"...

    long long number(const std::string& key) const;
    std::string text(const std::string& key) const;
    std::vector<Item> menu(const std::string& name) const;
    std::vector<std::string> texts(const std::string& menu) const;
    // Identifiers of the checked items of a menu, in order.
    std::vector<uint32_t> checked(const std::string& menu) const;
    const Item* find(const std::string& menu, uint32_t id) const;
    static HostState parse(const std::string& text);
};

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

// Where the test program and the programs it runs lie, as Windows names them.
std::string testProgramDirectory();
std::string windowsPath(const std::string& unixPath);
