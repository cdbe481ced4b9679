#include "host_state_win32.h"

#include <cstdlib>
#include <cstring>
#include <sstream>

std::string windowsPath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

long long HostState::number(const std::string& key) const {
    auto i = values.find(key);
    return i == values.end() ? -1 : std::strtoll(i->second.c_str(), nullptr, 10);
}

std::string HostState::text(const std::string& key) const {
    auto i = values.find(key);
    return i == values.end() ? std::string() : i->second;
}

std::vector<HostState::Item> HostState::menu(const std::string& name) const {
    std::vector<Item> out;
    for (const Item& i : items)
        if (i.menu == name) out.push_back(i);
    return out;
}

std::vector<std::string> HostState::texts(const std::string& name) const {
    std::vector<std::string> out;
    for (const Item& i : menu(name)) out.push_back(i.kind == "separator" ? "-" : i.text);
    return out;
}

std::vector<uint32_t> HostState::checked(const std::string& name) const {
    std::vector<uint32_t> out;
    for (const Item& i : menu(name))
        if (i.checked) out.push_back(i.id);
    return out;
}

const HostState::Item* HostState::find(const std::string& name, uint32_t id) const {
    for (const Item& i : items)
        if (i.menu == name && i.id == id && i.kind != "separator") return &i;
    return nullptr;
}

HostState HostState::parse(const std::string& text) {
    HostState s;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string first;
        words >> first;
        // "<word> <n> ... label=<text>" lines keep their last field whole.
        auto tail = [&](const char* key) {
            const size_t at = line.find(key);
            return at == std::string::npos ? std::string() : line.substr(at + std::strlen(key));
        };
        if (first == "item") {
            Item i;
            std::string id, kind, checked, grayed;
            words >> i.menu >> i.position >> id >> kind >> checked >> grayed;
            i.id = static_cast<uint32_t>(std::strtoul(id.c_str() + 3, nullptr, 16));
            i.kind = kind.substr(5);
            i.checked = checked == "checked=1";
            i.grayed = grayed == "grayed=1";
            i.text = tail(" text=");
            s.items.push_back(i);
        } else if (first == "route") {
            s.routes.push_back(tail(" label="));
        } else if (first == "input") {
            s.inputs.push_back(tail(" name="));
        } else if (first == "mode") {
            s.modes.push_back(tail(" label="));
        } else if (first == "driver" && line.find(" name=") != std::string::npos) {
            s.drivers.push_back(tail(" name="));
        } else if (first == "window" || first == "client" || first == "baritem") {
            std::string key = first;
            if (first == "baritem") {
                std::string n;
                words >> n;
                key += " " + n;
            }
            RECT r{};
            words >> r.left >> r.top >> r.right >> r.bottom;
            s.rects[key] = r;
        } else if (const size_t eq = line.find('='); eq != std::string::npos) {
            s.values[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return s;
}
