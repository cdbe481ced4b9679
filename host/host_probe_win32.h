// What tests and scripts/run see of a running host from outside, on only when the environment
// variable TORV_HOST_PROBE names a file: on a message of the main window the host writes its
// state there (menus as the menus hold them, routes, inputs, the callback's figures, the
// process's handles, threads and heap, the window's geometry) and its journal beside it
// (<file>.journal); Help records the page it would open instead of starting a browser; and a
// message can keep the host lock busy for a while, as a stalled audio thread would; and
// WM_COPYDATA can set an environment variable of the host (a test driver's configuration for
// its next load).
#pragma once

#include "host/host.h"
#include "host/host_ui_win32.h"

#include <windows.h>

#include <string>

class HostProbe {
public:
    enum : UINT {
        writeStateMessage = WM_APP + 0x51, // writes the state (wParam 1: with the figures)
        holdLockMessage = WM_APP + 0x52,   // wParam: ms the lock is held by another thread
    };
    // WM_COPYDATA's tag for "NAME=value".
    static constexpr ULONG_PTR setEnvironmentTag = 0x54454E56;
    static constexpr size_t journalWords = 1 << 21;

    // The probe the environment asks for, or null.
    static HostProbe* fromEnvironment();

    void attach(TorvHost& host, Win32HostUi& ui);
    // Handles the probe's messages; false for every other message.
    bool handle(UINT message, WPARAM w, LPARAM l, LRESULT& result);
    // Writes the state file and the journal; `phase` says when ("running", "ended").
    // `figures` adds the process's handles, threads and heap, now and when the host began
    // (slow under Wine, where handles are counted one by one).
    void writeState(const char* phase, bool figures = false);

private:
    explicit HostProbe(std::string path) : path(std::move(path)) {}
    static HINSTANCE WINAPI recordOpen(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                       LPCSTR directory, INT show);
    static DWORD WINAPI holdLock(void* probe);

    std::string path;
    TorvHost* host = nullptr;
    Win32HostUi* ui = nullptr;
    DWORD holdMs = 0;
    HANDLE held = nullptr;
    std::string atStart;       // the process's figures when the host began
    static std::string opened; // the last call of Help, as the browser would have been asked
};
