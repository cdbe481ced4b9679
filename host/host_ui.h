// What the standalone host needs from the windowing system: its five menus, the main window's
// title and the system's browser. The Windows implementation works on real menus
// (host_ui_win32.cpp); tests put in a model of their own.
//
// Every call comes from the user interface thread.
#pragma once

#include <cstdint>

enum class HostMenu { bar, audio, mode, channel, input, count };

class HostUi {
public:
    virtual ~HostUi() = default;

    // The fixed structure, built once at start-up.
    virtual void appendPopup(HostMenu parent, const char* text, HostMenu popup) = 0;
    virtual void appendSeparator(HostMenu parent) = 0;
    virtual void appendCommand(HostMenu parent, const char* text, uint32_t id, bool grayed) = 0;

    // Radio-check items standing for an object (`data`): inserted at `position`, or appended
    // when it is -1.
    virtual void insertRadio(HostMenu menu, int position, uint32_t id, const char* text,
                             void* data) = 0;
    virtual void removeAt(HostMenu menu, int position) = 0;
    virtual void removeAll(HostMenu menu) = 0;
    // The item at `position` takes a new identifier and text.
    virtual void setItemAt(HostMenu menu, int position, uint32_t id, const char* text) = 0;

    // By identifier, within the menu.
    virtual void check(HostMenu menu, uint32_t id, bool checked) = 0;
    virtual void enable(HostMenu menu, uint32_t id, bool enabled) = 0;
    virtual void setText(HostMenu menu, uint32_t id, const char* text) = 0;

    virtual void setTitle(const char* text) = 0;
    // Opens a web page with the system's browser.
    virtual void openPage(const char* url) = 0;
};
