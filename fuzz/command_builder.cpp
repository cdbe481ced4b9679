#include "command_builder.h"

#include "VX/VX.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

std::string fuzzValue(ByteSource& in) {
    static const char* const words[] = {
        "set",      "add",     "sub",     "stn",      "adn",  "sbn",  "mul",    "div",  "floating",
        "integer",  "current", "forward", "backward", "none", "sin",  "Tahoma", "0x",   "1e",
        "-",        "+",       "",        "1.",       ".618", "-0",   "+3",     "1e-3", "007",
        "\xc3\xa9", "fpic",    "fstrip",  "fmeter",   "r",    "green"};
    switch (in.below(6)) {
    case 0:
        return std::to_string(static_cast<int>(in.below(4097)) - 16);
    case 1:
        return std::to_string(in.int32());
    case 2: {
        std::string s = std::to_string(static_cast<int>(in.below(20001)) - 10000);
        s += '.';
        s += std::to_string(in.below(1000));
        if (in.byte() & 1) s += "e" + std::to_string(static_cast<int>(in.below(80)) - 40);
        return s;
    }
    case 3:
        return words[in.below(std::size(words))];
    default: {
        std::string s;
        for (uint32_t n = in.below(6); n > 0; --n) {
            char c = static_cast<char>(in.byte());
            if (c == '%' || c == ' ' || c == '\0') c = 'a';
            s += c;
        }
        // "0x..." would be read as an object reference.
        if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s[1] = 'y';
        return s;
    }
    }
}

std::string fuzzOption(ByteSource& in, const char* className) {
    std::vector<const char*> names;
    for (const VX_Option_Entry* t = VX_find_class(className); t;) {
        const VX_Option_Entry* e = t + 1;
        for (; e->name; ++e)
            if (std::string_view(e->name) != "delete") names.push_back(e->name);
        t = e->handler.parent;
    }
    if (names.empty() || in.below(16) == 0) return "-zz";
    return std::string("-") + names[in.below(static_cast<uint32_t>(names.size()))];
}

const char* fuzzClass(ByteSource& in) {
    std::vector<const char*> creatable;
    for (const VX_Class_Entry* c = _VX; c->name; ++c)
        if (c->options[0].handler.create) creatable.push_back(c->name);
    return creatable[in.below(static_cast<uint32_t>(creatable.size()))];
}

namespace {
int silentBox(const char*, const char*, unsigned) {
    return 1;
}
} // namespace

void fuzzSilenceMessages() {
    VX_set_message_box(silentBox);
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
}
