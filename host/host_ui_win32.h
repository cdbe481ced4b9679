// The host's menus, title and browser on Windows.
#pragma once

#include "host/host_ui.h"

#include <windows.h>

#include <string>

// How Help opens a page; ShellExecuteA unless a test puts in its own.
using HostShellOpen = HINSTANCE(WINAPI*)(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                         LPCSTR directory, INT show);
extern HostShellOpen hostShellOpen;

class Win32HostUi : public HostUi {
public:
    Win32HostUi();
    ~Win32HostUi() override;

    void appendPopup(HostMenu parent, const char* text, HostMenu popup) override;
    void appendSeparator(HostMenu parent) override;
    void appendCommand(HostMenu parent, const char* text, uint32_t id, bool grayed) override;
    void insertRadio(HostMenu menu, int position, uint32_t id, const char* text,
                     void* data) override;
    void removeAt(HostMenu menu, int position) override;
    void removeAll(HostMenu menu) override;
    void setItemAt(HostMenu menu, int position, uint32_t id, const char* text) override;
    void check(HostMenu menu, uint32_t id, bool checked) override;
    void enable(HostMenu menu, uint32_t id, bool enabled) override;
    void setText(HostMenu menu, uint32_t id, const char* text) override;
    void setTitle(const char* text) override;
    void openPage(const char* url) override;

    // The main window, once it exists: it takes the title set before.
    void setWindow(HWND window);
    HWND window() const { return mainWindow; }
    HMENU menu(HostMenu m) const { return menus[static_cast<int>(m)]; }

    // Every item of every menu, one line each:
    //   item <menu> <position> id=0x<hex> kind=<popup|separator|radio|command> checked=<0|1>
    //   grayed=<0|1> text=<text>
    std::string describeMenus() const;

private:
    HMENU menus[static_cast<int>(HostMenu::count)] = {};
    HWND mainWindow = nullptr;
    std::string pendingTitle;
};
