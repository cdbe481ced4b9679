// The host's icons: the editor's dial with its orchid arc, on a tile of the faceplate for the
// large icon, on its own for the small one and wherever 16 pixels leave no room for a tile.
#include "artwork.h"

#include "dial.h"
#include "palette.h"

namespace art {
namespace {

constexpr double iconValue = 0.7;

pngio::Image dialIcon(int size) {
    Canvas canvas(size, size);
    const Dial dial{{size / 2.0, size / 2.0}, size / 64.0, true};
    dial.drawBody(canvas);
    dial.drawValue(canvas, iconValue);
    return canvas.image();
}

pngio::Image tileIcon(int size) {
    Canvas canvas(size, size);
    const double n = size, r = n * 0.2;
    const Shape tile = box(0.5, 0.5, n - 0.5, n - 0.5, r);
    canvas.fill(tile, [=](double, double y) {
        return mix(scaled(palette::faceplate, 1.25), scaled(palette::faceplate, 0.8), y / n);
    });
    canvas.fill(outline(grow(tile, -1.25), 1), [=](double, double y) {
        Colour c = palette::rimLight;
        c.a = 0.5 * (1 - y / n);
        return c;
    });
    canvas.fill(outline(grow(tile, -0.5), 1), palette::edge);
    const Dial dial{{n / 2, n / 2}, n * 0.40 / 31, false};
    dial.drawBody(canvas);
    dial.drawValue(canvas, iconValue);
    return canvas.image();
}

} // namespace

std::vector<Icon> hostIcons() {
    return {{"icon", {dialIcon(16), tileIcon(32), tileIcon(48)}},
            {"ComboSmallIcon", {dialIcon(16), dialIcon(32)}}};
}

} // namespace art
