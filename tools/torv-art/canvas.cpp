#include "canvas.h"

#include "detmath.h"

#include <algorithm>
#include <cmath>

namespace art {
namespace {

std::uint32_t channel(double v) {
    const double r = std::floor(v + 0.5);
    return static_cast<std::uint32_t>(r < 0 ? 0 : r > 255 ? 255 : r);
}

} // namespace

Colour rgb(std::uint32_t hex, double alpha) {
    return {static_cast<double>((hex >> 16) & 0xFF),
            static_cast<double>((hex >> 8) & 0xFF),
            static_cast<double>(hex & 0xFF),
            alpha};
}

Colour mix(const Colour& x, const Colour& y, double t) {
    return {mix(x.r, y.r, t), mix(x.g, y.g, t), mix(x.b, y.b, t), mix(x.a, y.a, t)};
}

Colour scaled(const Colour& c, double f) {
    return {std::min(c.r * f, 255.0), std::min(c.g * f, 255.0), std::min(c.b * f, 255.0), c.a};
}

Paint solid(const Colour& c) {
    return [c](double, double) { return c; };
}

Canvas::Canvas(int width, int height)
    : w_(width), h_(height), px_(static_cast<size_t>(width) * height) {}

void Canvas::over(int x, int y, const Colour& c, double weight) {
    const double a = clamp01(c.a * weight);
    if (a <= 0) return;
    Premul& p = px_[static_cast<size_t>(y) * w_ + x];
    p.r = c.r * a + p.r * (1 - a);
    p.g = c.g * a + p.g * (1 - a);
    p.b = c.b * a + p.b * (1 - a);
    p.a = a + p.a * (1 - a);
}

void Canvas::fill(const Shape& shape, const Paint& paint, double opacity) {
    const int x0 = std::max(0, static_cast<int>(std::floor(shape.box.x0)) - 1);
    const int y0 = std::max(0, static_cast<int>(std::floor(shape.box.y0)) - 1);
    const int x1 = std::min(w_, static_cast<int>(std::ceil(shape.box.x1)) + 1);
    const int y1 = std::min(h_, static_cast<int>(std::ceil(shape.box.y1)) + 1);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const double cover = coverage(shape, x, y);
            if (cover > 0) over(x, y, paint(x + 0.5, y + 0.5), cover * opacity);
        }
    }
}

void Canvas::glow(const Shape& shape, const Colour& colour, double inner, double outer) {
    const Box b = shape.box;
    const int x0 = std::max(0, static_cast<int>(std::floor(b.x0 - outer)) - 1);
    const int y0 = std::max(0, static_cast<int>(std::floor(b.y0 - outer)) - 1);
    const int x1 = std::min(w_, static_cast<int>(std::ceil(b.x1 + outer)) + 1);
    const int y1 = std::min(h_, static_cast<int>(std::ceil(b.y1 + outer)) + 1);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const double d = shape.distance(x + 0.5, y + 0.5);
            if (d < outer) over(x, y, colour, 1 - smoothstep(inner, outer, d));
        }
    }
}

void Canvas::paintPixels(const std::function<Colour(int x, int y)>& paint) {
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x) over(x, y, paint(x, y), 1);
}

void Canvas::paintSampled(const Paint& paint) {
    constexpr int n = 16;
    for (int y = 0; y < h_; ++y) {
        for (int x = 0; x < w_; ++x) {
            Premul sum;
            for (int j = 0; j < n; ++j) {
                for (int i = 0; i < n; ++i) {
                    const Colour c = paint(x + (i + 0.5) / n, y + (j + 0.5) / n);
                    sum.r += c.r * c.a;
                    sum.g += c.g * c.a;
                    sum.b += c.b * c.a;
                    sum.a += c.a;
                }
            }
            if (sum.a <= 0) continue;
            over(x, y, {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / (n * n)}, 1);
        }
    }
}

void Canvas::copy(const Canvas& from, int left, int top, int width, int height, int x, int y) {
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            px_[static_cast<size_t>(y + j) * w_ + x + i] =
                from.px_[static_cast<size_t>(top + j) * from.w_ + left + i];
}

pngio::Image Canvas::image() const {
    return image(0, 0, w_, h_);
}

pngio::Image Canvas::image(int left, int top, int width, int height) const {
    pngio::Image out;
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Premul& p = px_[static_cast<size_t>(top + y) * w_ + left + x];
            const std::uint32_t a = channel(p.a * 255);
            std::uint32_t word = 0;
            if (a > 0) {
                word = a << 24 | channel(p.r / p.a) << 16 | channel(p.g / p.a) << 8 |
                       channel(p.b / p.a);
            }
            out.at(x, y) = word;
        }
    }
    return out;
}

pngio::Image stack(const std::vector<pngio::Image>& frames) {
    pngio::Image out;
    out.width = frames.empty() ? 0 : frames[0].width;
    for (const pngio::Image& f : frames) {
        out.height += f.height;
        out.pixels.insert(out.pixels.end(), f.pixels.begin(), f.pixels.end());
    }
    return out;
}

} // namespace art
