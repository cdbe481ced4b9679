// A drawing surface for the artwork: premultiplied colour in doubles, anti-aliased painting of
// shapes, and conversion to the straight-alpha 8-bit pixels of the resources.
#pragma once

#include "shapes.h"

#include <png_io.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace art {

// Straight colour: r, g, b in 0 ... 255, a in 0 ... 1.
struct Colour {
    double r = 0, g = 0, b = 0, a = 1;
};

Colour rgb(std::uint32_t hex, double alpha = 1);
Colour mix(const Colour& x, const Colour& y, double t);
Colour scaled(const Colour& c, double factor); // brighter (> 1) or darker (< 1), same alpha

// The colour a shape is painted with at a pixel centre.
using Paint = std::function<Colour(double x, double y)>;
Paint solid(const Colour& c);

class Canvas {
public:
    Canvas(int width, int height);

    int width() const { return w_; }
    int height() const { return h_; }

    // Paints the shape over what is there, each pixel weighted by the share of it the shape
    // covers. Pixels the shape does not touch keep their exact value.
    void fill(const Shape& shape, const Paint& paint, double opacity = 1);
    void fill(const Shape& shape, const Colour& colour, double opacity = 1) {
        fill(shape, solid(colour), opacity);
    }

    // A soft shadow or glow: full strength where the shape's distance is below `inner`, fading
    // smoothly to nothing at `outer`.
    void glow(const Shape& shape, const Colour& colour, double inner, double outer);

    // Paints every pixel: colour given per pixel (integer coordinates), over what is there.
    void paintPixels(const std::function<Colour(int x, int y)>& paint);
    // Paints every pixel with the average of the colour at 16 x 16 points inside it, for
    // drawings given as a colour at every point (bevel profiles).
    void paintSampled(const Paint& paint);

    // Copies a rectangle of another canvas to (x, y), replacing what is there.
    void copy(const Canvas& from, int left, int top, int width, int height, int x = 0, int y = 0);

    // Straight-alpha pixels 0xAARRGGBB, rounded; a fully transparent pixel is 0.
    pngio::Image image() const;
    // The same for a part of the canvas.
    pngio::Image image(int left, int top, int width, int height) const;

private:
    struct Premul {
        double r = 0, g = 0, b = 0, a = 0;
    };
    void over(int x, int y, const Colour& c, double weight);

    int w_, h_;
    std::vector<Premul> px_;
};

// Frames of a filmstrip, stacked top to bottom into one picture.
pngio::Image stack(const std::vector<pngio::Image>& frames);

} // namespace art
