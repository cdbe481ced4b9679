#include "dial.h"

#include "detmath.h"
#include "palette.h"

#include <cmath>

namespace art {
namespace {

constexpr double sweep = 0.75 * pi; // each side of straight up

// Sizes at scale 1 (the 64-pixel knob), and bolder ones for icons of 16 to 32 pixels, where a
// stroke must stay at least a pixel and a half wide.
struct Geometry {
    double socket, arcRadius, arcWidth, cap, pointerFrom, pointerTo, pointerWidth;
};
constexpr Geometry fine{31, 27.2, 3.4, 19.5, 7.5, 16.2, 2.7};
constexpr Geometry bold{31.5, 25, 7, 16, 0, 14.5, 7.5};

double radiusAt(const Point& c, double x, double y) {
    return std::sqrt((x - c.x) * (x - c.x) + (y - c.y) * (y - c.y));
}

} // namespace

double Dial::angle(double value) {
    return -sweep + 2 * sweep * value;
}

void Dial::drawBody(Canvas& canvas) const {
    const double s = scale;
    const Point c = centre;
    const Geometry& g = small ? bold : fine;

    // The recess: darker towards its top wall, which lies in shadow; a faint lit lip below.
    const Shape socket = circle(c, g.socket * s);
    canvas.fill(socket, [=](double, double y) {
        const double t = clamp01((y - c.y) / (g.socket * s) * 0.5 + 0.5);
        return mix(scaled(palette::socket, 0.8), scaled(palette::socket, 1.25), t);
    });
    if (!small) {
        canvas.fill(outline(grow(socket, -0.6 * s), 1.1 * s), [=](double x, double y) {
            const double r = radiusAt(c, x, y);
            const double l = r > 0 ? palette::lit((x - c.x) / r, (y - c.y) / r) : 0;
            return Colour{
                palette::rimLight.r, palette::rimLight.g, palette::rimLight.b, clamp01(-l) * 0.35};
        });
    }

    // The unlit track of the value arc.
    canvas.fill(arc(c, g.arcRadius * s, g.arcWidth * s, -sweep, sweep), palette::track);

    // The cap, with its shadow cast down into the recess.
    const double capR = g.cap * s;
    const Shape cap = circle(c, capR);
    canvas.glow(moved(cap, 0, 1.8 * s), {0, 0, 0, 0.75}, -1 * s, 3.5 * s);
    canvas.fill(cap, [=](double x, double y) {
        const double t = clamp01((y - (c.y - capR)) / (2 * capR));
        const double side = clamp01((x - (c.x - capR)) / (2 * capR));
        return mix(palette::capTop, palette::capBottom, clamp01(0.75 * t + 0.25 * side));
    });
    if (!small) {
        // Spun metal: faint concentric rings on the face, the same at every angle.
        const Shape face = circle(c, capR - 2.2 * s);
        canvas.fill(face, [=](double x, double y) {
            const double r = radiusAt(c, x, y) / s;
            const double ring = 0.5 + 0.5 * dcos(r * 2.1 * pi);
            const double t = clamp01((y - (c.y - capR)) / (2 * capR));
            return Colour{mix(92, 40, t), mix(98, 44, t), mix(122, 58, t), 0.10 + 0.10 * ring};
        });
    }
    // The cap's edge: bright where it faces the light, dark where it turns away.
    canvas.fill(outline(grow(cap, -0.75 * s), 1.5 * s), [=](double x, double y) {
        const double r = radiusAt(c, x, y);
        const double l = r > 0 ? palette::lit((x - c.x) / r, (y - c.y) / r) : 0;
        Colour light = palette::rimLight;
        light.a = clamp01(l) * 0.9;
        if (l >= 0) return light;
        return Colour{0, 0, 0, clamp01(-l) * 0.55};
    });
    canvas.fill(outline(cap, 0.8 * s), {0, 0, 0, 0.55});
}

void Dial::drawValue(Canvas& canvas, double value) const {
    const double s = scale;
    const Point c = centre;
    const double to = angle(value);
    const Geometry& g = small ? bold : fine;

    // The lit arc, warming from a deeper orchid at the start to the full accent at the end of
    // the range, with a soft glow over the track.
    const Shape lit = arc(c, g.arcRadius * s, g.arcWidth * s, -sweep, to);
    const Paint litPaint = [=](double x, double y) {
        const double a = datan2(x - c.x, -(y - c.y));
        return mix(mix(palette::accentDeep, palette::accent, 0.55),
                   palette::accent,
                   clamp01((a + sweep) / (2 * sweep)));
    };
    if (!small) {
        Colour halo = palette::accent;
        halo.a = 0.22;
        canvas.glow(lit, halo, 0, 2.2 * s);
    }
    canvas.fill(lit, litPaint);

    // The pointer, with a thin shadow below it.
    const Shape pointer = segment(
        onCircle(c, g.pointerFrom * s, to), onCircle(c, g.pointerTo * s, to), g.pointerWidth * s);
    if (!small) canvas.fill(moved(pointer, 0, 0.9 * s), {0, 0, 0, 0.55});
    canvas.fill(pointer, palette::ink);
}

} // namespace art
