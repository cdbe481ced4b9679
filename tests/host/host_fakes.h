// Stand-ins for the host's surroundings in tests that run without Windows: menus kept as a model
// with their checks and grays, and audio backends whose modes, channels and failures each test
// sets, and whose blocks the test delivers.
#pragma once

#include "host/host.h"
#include "host/host_ui.h"

#include <functional>
#include <string>
#include <vector>

struct MenuItem {
    enum Kind { popup, separator, radio, command };
    MenuItem(Kind kind, uint32_t id = 0, std::string text = "", bool grayed = false,
             void* data = nullptr)
        : kind(kind), id(id), text(std::move(text)), grayed(grayed), data(data) {}
    Kind kind;
    uint32_t id;
    std::string text;
    bool checked = false, grayed;
    void* data;
};

class MenuModel : public HostUi {
public:
    std::vector<MenuItem> menus[static_cast<int>(HostMenu::count)];
    std::string title;
    std::vector<std::string> pages; // opened by Help

    std::vector<MenuItem>& items(HostMenu m) { return menus[static_cast<int>(m)]; }
    // The item with the identifier; fails the test when there is none.
    MenuItem& item(HostMenu m, uint32_t id);
    std::vector<std::string> texts(HostMenu m);
    // Identifiers of the checked items, in menu order.
    std::vector<uint32_t> checked(HostMenu m);
    bool grayed(HostMenu m, uint32_t id) { return item(m, id).grayed; }

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
    void setTitle(const char* text) override { title = text; }
    void openPage(const char* url) override { pages.push_back(url); }
};

struct FakeSetup {
    struct ModeSpec {
        int32_t rate, bits, frames, channels;
    };
    std::vector<ModeSpec> modes{{48000, 32, 64, 2}};
    std::vector<std::string> inputs{"Left", "Right"};
    int32_t outputs = 2;
    uint32_t format = VX_RTS_FLOAT32; // of every channel, stride included
    // Operations that fail, by name ("init", "exit", "mode", "free", "stop", "start").
    std::vector<std::string> failing;
};

// A device with these modes and inputs, two outputs, float channels and no failures.
inline FakeSetup devices(std::vector<FakeSetup::ModeSpec> modes,
                         std::vector<std::string> inputs = {"Left", "Right"}) {
    FakeSetup s;
    s.modes = std::move(modes);
    s.inputs = std::move(inputs);
    return s;
}

// A backend listed in VX_Rts_instances while it lives.
class FakeRts : public VX_Rts {
public:
    FakeRts(const char* name, FakeSetup setup);
    ~FakeRts() override;

    VX_error init() override;
    VX_error exit() override;
    VX_error mode(Mode* m) override;
    VX_error free() override;
    VX_error start() override;
    VX_error stop() override;

    // One block: every input channel k holds `input(k, frame)` (as floats, or as the integers
    // of the channel's format) and every output starts with `outputFill`; then the processing
    // callback runs. Nothing happens without a current mode.
    void block(float (*input)(int channel, int64_t frame), float outputFill = 0.0f);
    // What the callback left in output channel k.
    std::vector<float> output(int k) const;

    FakeSetup setup;
    std::function<void()> duringInit; // runs inside init, as a driver's own dialog would
    std::vector<std::string> calls;   // operations in call order
    int64_t frame = 0;                // frames delivered since the mode started

private:
    bool fails(const char* operation) const;
    std::vector<std::vector<unsigned char>> inBuffers, outBuffers;
    VX_Chain myClass;
};

// The plug-in entry linked into the test program.
extern "C" AEffect* VST_CALL VSTPluginMain(audioMasterCallback audioMaster);
