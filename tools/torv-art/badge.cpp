// The logo: the word "TORV" in geometric capitals, its O drawn as a small dial with an orchid
// pointer, between two hairlines that fade out towards the ends. The background stays
// transparent, so the badge sits on the faceplate wherever it is laid.
#include "artwork.h"

#include "detmath.h"
#include "palette.h"

namespace art {
namespace {

constexpr int width = 160, height = 30;
constexpr double capHeight = 18;
constexpr double stroke = 3.1;
constexpr double capTop = 5.5;
constexpr double gap = 6;

// Each letter in its own coordinates: x from its left edge, y from the cap line down.
struct Letter {
    Shape shape;
    double width;
};

Letter letterT() {
    const double w = 14;
    return {unite(box(0, 0, w, stroke), box(w / 2 - stroke / 2, 0, w / 2 + stroke / 2, capHeight)),
            w};
}

Letter letterO() {
    const double r = capHeight / 2;
    return {subtract(circle({r, r}, r), circle({r, r}, r - stroke)), capHeight};
}

Letter letterR() {
    const double w = 14.5, bowl = 10.2, r = bowl / 2, right = w - r - 0.3;
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
    const double w = 16.5, half = w / 2, foot = 2.0;
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
    double total = -gap;
    for (const Letter& l : letters) total += l.width + gap;

    std::vector<Shape> placed;
    double x = (width - total) / 2;
    for (const Letter& l : letters) {
        placed.push_back(moved(l.shape, x, capTop));
        x += l.width + gap;
    }
    Shape word = placed[0];
    for (size_t i = 1; i < placed.size(); ++i) word = unite(word, placed[i]);

    Canvas canvas(width, height);
    // Hairlines to both sides of the word, brightest next to it.
    const double lineY = capTop + capHeight / 2, left = (width - total) / 2 - 7,
                 right = (width + total) / 2 + 7;
    const Paint hairline = [=](double px, double) {
        const double reach =
            px < left ? (px - 6) / (left - 6) : (width - 6 - px) / (width - 6 - right);
        Colour c = palette::accentDeep;
        c.a = 0.9 * clamp01(reach);
        return c;
    };
    canvas.fill(box(6, lineY - 0.5, left, lineY + 0.5), hairline);
    canvas.fill(box(right, lineY - 0.5, width - 6, lineY + 0.5), hairline);

    canvas.glow(moved(word, 0, 1), {0, 0, 0, 0.45}, -0.5, 2.5);
    canvas.fill(moved(word, 0, 1), {4, 5, 8, 0.8});
    canvas.fill(word, letterPaint());

    // The O's pointer.
    const double oLeft = (width - total) / 2 + letters[0].width + gap, r = capHeight / 2;
    const Point centre{oLeft + r, capTop + r};
    const double angle = pi / 4;
    canvas.fill(
        segment(onCircle(centre, 0.5, angle), onCircle(centre, r - stroke - 1.6, angle), 2.2),
        palette::accent);
    return {"badge", canvas.image()};
}

} // namespace art
