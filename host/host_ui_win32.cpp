#include "host/host_ui_win32.h"

#include <shellapi.h>

#include <cstdio>

HostShellOpen hostShellOpen = &ShellExecuteA;

namespace {
const char* const menuNames[] = {"bar", "audio", "mode", "channel", "input"};
} // namespace

Win32HostUi::Win32HostUi() {
    menus[0] = CreateMenu();
    for (int m = 1; m < static_cast<int>(HostMenu::count); ++m) menus[m] = CreatePopupMenu();
}

// A menu bar that was given to a window goes with the window; one that never was is ours.
Win32HostUi::~Win32HostUi() {
    if (!mainWindow) DestroyMenu(menus[0]);
}

void Win32HostUi::appendPopup(HostMenu parent, const char* text, HostMenu popup) {
    AppendMenuA(menu(parent), MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu(popup)), text);
}

void Win32HostUi::appendSeparator(HostMenu parent) {
    AppendMenuA(menu(parent), MF_SEPARATOR, 0, nullptr);
}

void Win32HostUi::appendCommand(HostMenu parent, const char* text, uint32_t id, bool grayed) {
    AppendMenuA(menu(parent), MF_STRING | (grayed ? MF_GRAYED : MF_ENABLED), id, text);
}

void Win32HostUi::insertRadio(HostMenu m, int position, uint32_t id, const char* text, void* data) {
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_DATA;
    item.fType = MFT_STRING | MFT_RADIOCHECK;
    item.wID = id;
    item.dwTypeData = const_cast<char*>(text);
    item.dwItemData = reinterpret_cast<ULONG_PTR>(data);
    InsertMenuItemA(
        menu(m), position < 0 ? static_cast<UINT>(-1) : static_cast<UINT>(position), TRUE, &item);
}

void Win32HostUi::removeAt(HostMenu m, int position) {
    RemoveMenu(menu(m), static_cast<UINT>(position), MF_BYPOSITION);
}

void Win32HostUi::removeAll(HostMenu m) {
    while (GetMenuItemCount(menu(m)) > 0) RemoveMenu(menu(m), 0, MF_BYPOSITION);
}

void Win32HostUi::setItemAt(HostMenu m, int position, uint32_t id, const char* text) {
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STRING;
    item.wID = id;
    item.dwTypeData = const_cast<char*>(text);
    SetMenuItemInfoA(menu(m), static_cast<UINT>(position), TRUE, &item);
}

void Win32HostUi::check(HostMenu m, uint32_t id, bool checked) {
    CheckMenuItem(menu(m), id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void Win32HostUi::enable(HostMenu m, uint32_t id, bool enabled) {
    EnableMenuItem(menu(m), id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void Win32HostUi::setText(HostMenu m, uint32_t id, const char* text) {
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = const_cast<char*>(text);
    SetMenuItemInfoA(menu(m), id, FALSE, &item);
}

void Win32HostUi::setTitle(const char* text) {
    pendingTitle = text;
    if (mainWindow) SetWindowTextA(mainWindow, text);
}

void Win32HostUi::openPage(const char* url) {
    hostShellOpen(mainWindow, "open", url, "", "", SW_SHOWNORMAL);
}

void Win32HostUi::setWindow(HWND window) {
    mainWindow = window;
    if (window && !pendingTitle.empty()) SetWindowTextA(window, pendingTitle.c_str());
}

std::string Win32HostUi::describeMenus() const {
    std::string out;
    for (int m = 0; m < static_cast<int>(HostMenu::count); ++m) {
        const int count = GetMenuItemCount(menus[m]);
        for (int p = 0; p < count; ++p) {
            char text[256] = "";
            MENUITEMINFOA item{};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
            item.dwTypeData = text;
            item.cch = sizeof text;
            if (!GetMenuItemInfoA(menus[m], static_cast<UINT>(p), TRUE, &item)) continue;
            const char* kind = item.hSubMenu                   ? "popup"
                               : (item.fType & MFT_SEPARATOR)  ? "separator"
                               : (item.fType & MFT_RADIOCHECK) ? "radio"
                                                               : "command";
            char line[400];
            std::snprintf(line,
                          sizeof line,
                          "item %s %d id=0x%X kind=%s checked=%d grayed=%d text=%s\n",
                          menuNames[m],
                          p,
                          item.hSubMenu ? 0u : static_cast<unsigned>(item.wID),
                          kind,
                          (item.fState & MFS_CHECKED) ? 1 : 0,
                          (item.fState & MFS_GRAYED) ? 1 : 0,
                          text);
            out += line;
        }
    }
    return out;
}
