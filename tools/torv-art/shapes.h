// Shapes as signed distance functions: negative inside, positive outside, in pixels, never
// larger than the true distance to the edge. That bound lets painting tell at a pixel's centre
// whether the pixel is wholly inside or outside, and supersample only the pixels on an edge.
//
// Coordinates are continuous: pixel (i, j) covers [i, i + 1) x [j, j + 1), its centre is
// (i + 0.5, j + 0.5). Angles are measured clockwise from straight up, as on a dial.
#pragma once

#include <functional>
#include <vector>

namespace art {

struct Point {
    double x, y;
};

// Bounding box of the inside of a shape (may be larger than needed, never smaller).
struct Box {
    double x0, y0, x1, y1;
};

struct Shape {
    std::function<double(double x, double y)> distance;
    Box box;
};

// Share of pixel (x, y) the shape covers, 0 ... 1: exact 0 or 1 away from edges, 16 x 16
// samples on an edge.
double coverage(const Shape& shape, int x, int y);

Shape circle(Point centre, double radius);
Shape box(double x0, double y0, double x1, double y1, double cornerRadius = 0);
// A stroke of the given width with round ends.
Shape segment(Point a, Point b, double width);
// Part of a circle's outline, `width` wide, from angle `from` clockwise to `to` (radians; the
// angles may be given in either order), with round ends.
Shape arc(Point centre, double radius, double width, double from, double to);
// Any simple polygon, vertices in order.
Shape polygon(const std::vector<Point>& vertices);

Shape unite(const Shape& a, const Shape& b);
Shape intersect(const Shape& a, const Shape& b);
Shape subtract(const Shape& a, const Shape& b);
// The shape grown by d pixels (shrunk for negative d); exact for convex shapes.
Shape grow(const Shape& s, double d);
// A band of the given width around the shape's edge, centred on it.
Shape outline(const Shape& s, double width);
Shape moved(const Shape& s, double dx, double dy);

// Point on a circle at a dial angle.
Point onCircle(Point centre, double radius, double angle);

} // namespace art
