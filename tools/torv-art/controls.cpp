// The two controls: the on/off switch and the cutoff knob.
#include "artwork.h"

#include "detmath.h"
#include "dial.h"
#include "palette.h"

namespace art {
namespace {

constexpr int knobSize = 64, knobFrames = 265;
constexpr int buttonWidth = 40, buttonHeight = 24;

// The switch in one state: a pill-shaped track with a round thumb, the thumb at the left and
// the track dark when off; the thumb at the right and the track lit in the accent when on.
// Both states lay the same shapes in the same order and differ inside the track only, so that
// their alpha, and with it the area that takes a click, is the same.
pngio::Image switchFrame(bool on) {
    Canvas canvas(buttonWidth, buttonHeight);
    const double x0 = 3, y0 = 3, x1 = 37, y1 = 21, r = (y1 - y0) / 2;
    const Shape pill = box(x0, y0, x1, y1, r);

    canvas.glow(moved(pill, 0, 1.2), {0, 0, 0, 0.45}, -0.5, 2.2);
    // Lit, the track glows; dark, it sinks into a deeper shadow.
    Colour halo = on ? palette::accent : Colour{0, 0, 0, 1};
    halo.a = 0.3;
    canvas.glow(pill, halo, 0, 2.4);
    const Colour top = on ? palette::accent : scaled(palette::socket, 0.7);
    const Colour bottom = on ? palette::accentDeep : scaled(palette::socket, 1.5);
    canvas.fill(pill,
                [=](double, double y) { return mix(top, bottom, clamp01((y - y0) / (y1 - y0))); });
    // Shade under the top edge: the track is a groove the thumb runs in.
    canvas.fill(intersect(pill, box(x0, y0, x1, y0 + 3)), {0, 0, 0, 0.18});
    canvas.fill(outline(grow(pill, -0.4), 0.8), {0, 0, 0, 0.6});
    // Off, a dim ring at the far end marks where the light would be.
    if (!on) canvas.fill(outline(circle({x1 - r, y0 + r}, 2.6), 1.2), palette::track);

    // The thumb and its shadow stay clear of the track's edge pixels.
    const Point thumb{on ? x1 - r : x0 + r, y0 + r};
    const double tr = r - 2.5;
    const Shape knob = circle(thumb, tr);
    canvas.glow(moved(knob, 0, 0.6), {0, 0, 0, 0.55}, -0.5, 1.0);
    const Colour thumbTop = on ? palette::ink : scaled(palette::inkShade, 0.78);
    const Colour thumbBottom = on ? palette::inkShade : scaled(palette::capTop, 1.05);
    canvas.fill(knob, [=](double, double y) {
        return mix(thumbTop, thumbBottom, clamp01((y - (thumb.y - tr)) / (2 * tr)));
    });
    canvas.fill(outline(grow(knob, -0.4), 0.8), {0, 0, 0, 0.35});
    return canvas.image();
}

} // namespace

Resource button() {
    return {"but", stack({switchFrame(false), switchFrame(true)}), 2};
}

Resource knob() {
    const Dial dial{{knobSize / 2.0, knobSize / 2.0}};
    Canvas body(knobSize, knobSize);
    dial.drawBody(body);
    std::vector<pngio::Image> frames;
    for (int f = 0; f < knobFrames; ++f) {
        Canvas frame = body;
        dial.drawValue(frame, static_cast<double>(f) / (knobFrames - 1));
        frames.push_back(frame.image());
    }
    return {"big", stack(frames), knobFrames};
}

} // namespace art
