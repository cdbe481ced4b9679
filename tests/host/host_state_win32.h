// The state torv.exe's probe writes (TORV_HOST_PROBE), read back: its values, the items of its
// menus with their checks and grays, its routes, inputs, modes and drivers, and the window's
// geometry on the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
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

// A path of the build machine as Windows programs under Wine name it.
std::string windowsPath(const std::string& unixPath);
