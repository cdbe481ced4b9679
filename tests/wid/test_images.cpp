#include "test_images.h"

#include <cmath>

namespace testimages {

namespace {

uint32_t argb(int a, int r, int g, int b) {
    return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

vximage::Picture stacked(const vximage::Strip& s) {
    return {s.width, s.height * s.frames, s.pixels};
}

vximage::Picture buttonPicture() {
    return stacked(button());
}
vximage::Picture knobPicture() {
    return stacked(knob(32, 265));
}

} // namespace

vximage::Picture picture() {
    vximage::Picture p{10, 10, std::vector<uint32_t>(100)};
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            p.pixels[y * 10 + x] = argb(x * 28, 255 - y * 20, x * 25, (x + y) * 12);
    return p;
}

vximage::Picture background() {
    vximage::Picture p{63, 63, std::vector<uint32_t>(63 * 63)};
    for (int y = 0; y < 63; ++y)
        for (int x = 0; x < 63; ++x)
            p.pixels[y * 63 + x] = argb(255, 40 + x, 40 + y, 60 + ((x * 7 + y * 3) & 31));
    return p;
}

vximage::Strip button() {
    vximage::Strip s{40, 24, 2, std::vector<uint32_t>(40 * 24 * 2)};
    for (int f = 0; f < 2; ++f)
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 40; ++x) {
                const int ex = x < 20 ? x : 39 - x, ey = y < 12 ? y : 23 - y;
                uint32_t p;
                if (ex + ey < 3)
                    p = 0; // cut corners
                else if (ex == 0 || ey == 0)
                    p = argb(100, 200, 200, 210); // a soft rim that does not react
                else if (x >= 6 && x < 14 && y >= 8 && y < 16)
                    p = f ? argb(255, 64, 224, 96) : argb(255, 32, 64, 40); // the lamp
                else
                    p = argb(255, 48 + y, 56 + y, 64 + y);
                s.pixels[(size_t(f) * 24 + y) * 40 + x] = p;
            }
    return s;
}

vximage::Strip knob(int side, int frames) {
    vximage::Strip s{side, side, frames, std::vector<uint32_t>(size_t(side) * side * frames)};
    const double c = (side - 1) / 2.0, radius = side / 2.0 - 1.5;
    const double pi = 3.14159265358979323846;
    for (int f = 0; f < frames; ++f) {
        const double angle = (-135.0 + 270.0 * f / (frames > 1 ? frames - 1 : 1)) * pi / 180.0;
        const double ux = std::sin(angle), uy = -std::cos(angle);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const double dx = x - c, dy = y - c, d = std::sqrt(dx * dx + dy * dy);
                uint32_t p = 0;
                if (d < radius + 1.0) {
                    const int alpha = d <= radius ? 255 : int(255 * (radius + 1.0 - d));
                    // Distance from the pointer's ray, and how far along it.
                    const double along = dx * ux + dy * uy, across = std::fabs(dx * uy - dy * ux);
                    if (along > 2.0 && along < radius - 1.0 && across < 1.2)
                        p = argb(alpha, 255, 208, 64);
                    else
                        p = argb(alpha, 64 + y * 2, 80 + y * 2, 96 + y);
                }
                s.pixels[(size_t(f) * side + y) * side + x] = p;
            }
    }
    return s;
}

vximage::Picture meter() {
    vximage::Picture p{meterIndices, 6, std::vector<uint32_t>(meterIndices * 6)};
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < meterIndices; ++x) {
            const bool lamp = y >= 1 && y < 5;
            // The last index's lower half is half transparent: painting keeps its alpha.
            const int alpha = x == meterIndices - 1 && y >= 3 ? 128 : 255;
            p.pixels[y * meterIndices + x] =
                lamp ? argb(alpha, x, 0x20, 0x40) : argb(255, 16, 16, 16);
        }
    return p;
}

const Entry committed[] = {
    {"tpic.png", picture, 0},
    {"tbg.png", background, 0},
    {"tbutt.png", buttonPicture, 2},
    {"tknob.png", knobPicture, 265},
    {"tmeter.png", meter, 0},
};
const int committedCount = sizeof committed / sizeof committed[0];

std::vector<uint8_t> packed(const vximage::Picture& p) {
    return vximage::packPicture(p);
}

std::vector<uint8_t> packed(const vximage::Strip& s) {
    std::vector<uint8_t> out;
    size_t tiles = 0;
    std::string error;
    vximage::packStrip(s, out, tiles, error);
    return out;
}

} // namespace testimages
