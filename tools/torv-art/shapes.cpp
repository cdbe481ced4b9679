#include "shapes.h"

#include "detmath.h"

#include <algorithm>
#include <cmath>

namespace art {
namespace {

constexpr int samplesPerSide = 16;
// Half the diagonal of a pixel, rounded up: a centre farther than this from every edge lies in
// a pixel that is wholly inside or wholly outside.
constexpr double edgeReach = 0.75;

double length(double x, double y) {
    return std::sqrt(x * x + y * y);
}

double segmentDistance(Point p, Point a, Point b) {
    const double px = p.x - a.x, py = p.y - a.y, bx = b.x - a.x, by = b.y - a.y;
    const double len2 = bx * bx + by * by;
    const double t = len2 > 0 ? clamp01((px * bx + py * by) / len2) : 0;
    return length(px - bx * t, py - by * t);
}

Box unionBox(const Box& a, const Box& b) {
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

Box intersectBox(const Box& a, const Box& b) {
    return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

Box grownBox(const Box& b, double d) {
    return {b.x0 - d, b.y0 - d, b.x1 + d, b.y1 + d};
}

} // namespace

double coverage(const Shape& shape, int x, int y) {
    const double d = shape.distance(x + 0.5, y + 0.5);
    if (d >= edgeReach) return 0;
    if (d <= -edgeReach) return 1;
    int inside = 0;
    for (int j = 0; j < samplesPerSide; ++j) {
        for (int i = 0; i < samplesPerSide; ++i) {
            const double sx = x + (i + 0.5) / samplesPerSide, sy = y + (j + 0.5) / samplesPerSide;
            if (shape.distance(sx, sy) < 0) ++inside;
        }
    }
    return static_cast<double>(inside) / (samplesPerSide * samplesPerSide);
}

Shape circle(Point c, double r) {
    return {[=](double x, double y) { return length(x - c.x, y - c.y) - r; },
            {c.x - r, c.y - r, c.x + r, c.y + r}};
}

Shape box(double x0, double y0, double x1, double y1, double r) {
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
    return {[=](double x, double y) {
                const double qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
                return length(std::max(qx, 0.0), std::max(qy, 0.0)) +
                       std::min(std::max(qx, qy), 0.0) - r;
            },
            {x0, y0, x1, y1}};
}

Shape segment(Point a, Point b, double width) {
    const double h = width / 2;
    return {[=](double x, double y) {
                return segmentDistance({x, y}, a, b) - h;
            },
            {std::min(a.x, b.x) - h,
             std::min(a.y, b.y) - h,
             std::max(a.x, b.x) + h,
             std::max(a.y, b.y) + h}};
}

Shape arc(Point c, double radius, double width, double from, double to) {
    if (to < from) std::swap(from, to);
    const double span = to - from, h = width / 2;
    const Point a = onCircle(c, radius, from), b = onCircle(c, radius, to);
    return {[=](double x, double y) {
                const double dx = x - c.x, dy = y - c.y;
                double t = datan2(dx, -dy) - from;
                t -= 2 * pi * std::floor(t / (2 * pi));
                if (t <= span) return std::fabs(length(dx, dy) - radius) - h;
                return std::min(length(x - a.x, y - a.y), length(x - b.x, y - b.y)) - h;
            },
            {c.x - radius - h, c.y - radius - h, c.x + radius + h, c.y + radius + h}};
}

Shape polygon(const std::vector<Point>& v) {
    Box bounds{v[0].x, v[0].y, v[0].x, v[0].y};
    for (const Point& p : v) bounds = unionBox(bounds, {p.x, p.y, p.x, p.y});
    return {[=](double x, double y) {
                double d = 1e300;
                bool inside = false;
                for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
                    d = std::min(d, segmentDistance({x, y}, v[j], v[i]));
                    if ((v[i].y > y) != (v[j].y > y) &&
                        x < v[j].x + (v[i].x - v[j].x) * (y - v[j].y) / (v[i].y - v[j].y))
                        inside = !inside;
                }
                return inside ? -d : d;
            },
            bounds};
}

Shape unite(const Shape& a, const Shape& b) {
    return {[da = a.distance, db = b.distance](double x, double y) {
                return std::min(da(x, y), db(x, y));
            },
            unionBox(a.box, b.box)};
}

Shape intersect(const Shape& a, const Shape& b) {
    return {[da = a.distance, db = b.distance](double x, double y) {
                return std::max(da(x, y), db(x, y));
            },
            intersectBox(a.box, b.box)};
}

Shape subtract(const Shape& a, const Shape& b) {
    return {[da = a.distance, db = b.distance](double x, double y) {
                return std::max(da(x, y), -db(x, y));
            },
            a.box};
}

Shape grow(const Shape& s, double d) {
    return {[ds = s.distance, d](double x, double y) { return ds(x, y) - d; },
            grownBox(s.box, std::max(d, 0.0))};
}

Shape outline(const Shape& s, double width) {
    const double h = width / 2;
    return {[ds = s.distance, h](double x, double y) { return std::fabs(ds(x, y)) - h; },
            grownBox(s.box, h)};
}

Shape moved(const Shape& s, double dx, double dy) {
    return {[ds = s.distance, dx, dy](double x, double y) { return ds(x - dx, y - dy); },
            {s.box.x0 + dx, s.box.y0 + dy, s.box.x1 + dx, s.box.y1 + dy}};
}

Point onCircle(Point c, double radius, double angle) {
    return {c.x + radius * dsin(angle), c.y - radius * dcos(angle)};
}

} // namespace art
