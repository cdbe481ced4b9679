// The logo: the word "TORV" in geometric capitals, its O drawn as a small dial with an orchid
// pointer, between two hairlines that fade out towards the ends. The background stays
// transparent, so the badge sits on the faceplate wherever it is laid.
#include "artwork.h"

#include "detmath.h"
#include "palette.h"

#include <cmath>
#include <iterator>

namespace art {
namespace {

constexpr int width = 160, height = 30;
constexpr double capHeight = 18;
constexpr double stroke = 3; // whole pixels: stems and bars on the pixel grid stay crisp
constexpr double capTop = 6;
constexpr double gap = 6;

// Each letter in its own coordinates: x from its left edge, y from the cap line down.
struct Letter {
    Shape shape;
    double width;
    double space = gap; // to the next letter: less after the open sides of a T
};

Letter letterT() {
    const double w = 15;
    return {unite(box(0, 0, w, stroke), box(w / 2 - stroke / 2, 0, w / 2 + stroke / 2, capHeight)),
            w,
            gap - 2};
}

Letter letterO() {
    const double r = capHeight / 2;
    return {subtract(circle({r, r}, r), circle({r, r}, r - stroke)), capHeight};
}

Letter letterR() {
    const double w = 14, bowl = 10, r = bowl / 2, right = w - r - 0.3;
    const Shape stem = box(0, 0, stroke, capHeight);
    const Shape bars = unite(box(0, 0, right, stroke), box(0, bowl - stroke, right, bowl));
    const Shape round = intersect(subtract(circle({right, r}, r), circle({right, r}, r - stroke)),
                                  box(right, 0, w, bowl));
    const double legTop = right - 1.2;
    const Shape leg = polygon({{legTop - stroke * 0.5, bowl - stroke},
                               {legTop + stroke * 0.9, bowl - stroke},
                               {w, capHeight},
                               {w - stroke * 1.25, capHeight}});
    return {unite(unite(stem, bars), unite(round, leg)), w};
}

Letter letterV() {
    const double w = 16, half = w / 2, foot = 2.0;
    const double thick = stroke * 1.12; // horizontal width of a slanted stroke
    return {polygon({{0, 0},
                     {thick, 0},
                     {half, capHeight - 4.9},
                     {w - thick, 0},
                     {w, 0},
                     {half + foot, capHeight},
                     {half - foot, capHeight}}),
            w};
}

Paint letterPaint() {
    return [](double, double y) {
        return mix(palette::ink, palette::inkShade, clamp01((y - capTop) / capHeight));
    };
}

} // namespace

Resource badge() {
    const Letter letters[] = {letterT(), letterO(), letterR(), letterV()};
    const size_t count = std::size(letters);
    double total = letters[count - 1].width;
    for (size_t i = 0; i + 1 < count; ++i) total += letters[i].width + letters[i].space;
    const double start = std::floor((width - total) / 2);

    Shape word = moved(letters[0].shape, start, capTop);
    double x = start + letters[0].width + letters[0].space;
    const Point dialCentre{x + capHeight / 2, capTop + capHeight / 2};
    for (size_t i = 1; i < count; ++i) {
        word = unite(word, moved(letters[i].shape, x, capTop));
        x += letters[i].width + letters[i].space;
    }

    Canvas canvas(width, height);
    // Hairlines to both sides of the word, on one pixel row, brightest next to the word.
    const double margin = 6, lineY = std::floor(capTop + capHeight / 2);
    const double left = start - 7, right = start + total + 7;
    const Paint hairline = [=](double px, double) {
        const double reach = px < left ? (px - margin) / (left - margin)
                                       : (width - margin - px) / (width - margin - right);
        Colour c = palette::accentDeep;
        c.a = 0.9 * clamp01(reach);
        return c;
    };
    canvas.fill(box(margin, lineY, left, lineY + 1), hairline);
    canvas.fill(box(right, lineY, width - margin, lineY + 1), hairline);

    canvas.glow(moved(word, 0, 1), {0, 0, 0, 0.45}, -0.5, 2.5);
    canvas.fill(moved(word, 0, 1), {4, 5, 8, 0.8});
    canvas.fill(word, letterPaint());

    // The O's pointer, turned up to the right like a knob.
    const double angle = pi / 4, reach = capHeight / 2 - stroke - 1.6;
    canvas.fill(segment(onCircle(dialCentre, 0.5, angle), onCircle(dialCentre, reach, angle), 2.2),
                palette::accent);
    return {"badge", canvas.image()};
}

} // namespace art
