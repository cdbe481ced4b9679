#include "widget_world.h"

#include "vx_image.h"

#include <vector>

struct WidgetWorld::Win : VX_Win {
    Win() : VX_Win(210, 236) { screen.resize(width, height); }
    void redraw(const VX_Rect& r) override { compositeInto(screen, r); }
    VX_Pic<VX_Pix_A32> screen;
};

namespace {

void callback(void*) {}

std::vector<uint8_t> fpic, fstrip, fmeter;

} // namespace

WidgetWorld::WidgetWorld() : win(std::make_unique<Win>()) {}

// Widgets are deleted before the world: none is attached any more.
WidgetWorld::~WidgetWorld() = default;

bool WidgetWorld::objectFor(const std::string& option, ByteSource& in, void*& arg) {
    const bool none = in.below(5) == 0;
    if (option == "-win")
        arg = none ? nullptr : static_cast<VX_Win*>(win.get());
    else if (option == "-ln")
        arg = none ? nullptr : &line;
    else if (option == "-var")
        arg = none ? nullptr : &variable;
    else if (option == "-dat")
        arg = none ? nullptr : static_cast<void*>(&line);
    else if (option == "-com")
        arg = none ? nullptr : reinterpret_cast<void*>(callback);
    else
        return false;
    return true;
}

void WidgetWorld::gestures(ByteSource& in) {
    for (uint32_t n = in.below(12); n > 0 && !in.empty(); --n) {
        const int32_t x = static_cast<int32_t>(in.below(300)) - 40;
        const int32_t y = static_cast<int32_t>(in.below(320)) - 40;
        switch (in.below(4)) {
        case 0:
            win->buttonDown(x, y);
            break;
        case 1:
            win->buttonUp();
            break;
        default:
            win->mouseMove(x, y);
            break;
        }
    }
    win->redraw(win->bounds());
    win->buttonUp();
}

void WidgetWorld::registerImages() {
    static bool done = false;
    if (done) return;
    done = true;
    vximage::Picture p{16, 16, std::vector<uint32_t>(256)};
    for (int k = 0; k < 256; ++k)
        p.pixels[k] = uint32_t(k * 0x01030507u) | (k & 1 ? 0xFF000000u : 0);
    fpic = vximage::packPicture(p);
    vximage::Strip s{16, 16, 3, std::vector<uint32_t>(16 * 16 * 3)};
    for (size_t k = 0; k < s.pixels.size(); ++k) s.pixels[k] = uint32_t(k * 2654435761u);
    size_t tiles = 0;
    std::string error;
    vximage::packStrip(s, fstrip, tiles, error);
    // A meter with its index in red and the key green 0x20, blue 0x40, as the tests draw it.
    vximage::Picture m{32, 4, std::vector<uint32_t>(128)};
    for (int k = 0; k < 128; ++k) m.pixels[k] = 0xFF002040u | uint32_t(k % 32) << 16;
    fmeter = vximage::packPicture(m);
    static const VX_Embedded_Resource table[] = {
        {"FPIC", fpic.data(), fpic.size()},
        {"FSTRIP", fstrip.data(), fstrip.size()},
        {"FMETER", fmeter.data(), fmeter.size()},
        {nullptr, nullptr, 0},
    };
    VX_register_resources(table);
}
