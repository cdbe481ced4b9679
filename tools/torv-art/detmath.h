// Trigonometry in plain IEEE arithmetic. The committed artwork must come out bit for bit the same
// from every build of the generator, and the C library's sin, cos and atan2 may round their last
// bit differently from one release to the next; + - * / and sqrt never do.
#pragma once

#include <cmath>

namespace art {

constexpr double pi = 3.14159265358979323846;

namespace detail {

// Taylor series on |x| <= pi/4, where 11 terms are exact to the last bit that matters here.
inline double sinSeries(double x) {
    const double x2 = x * x;
    double term = x, sum = x;
    for (int n = 1; n <= 10; ++n) {
        term *= -x2 / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

inline double cosSeries(double x) {
    const double x2 = x * x;
    double term = 1, sum = 1;
    for (int n = 1; n <= 10; ++n) {
        term *= -x2 / ((2 * n - 1) * (2 * n));
        sum += term;
    }
    return sum;
}

// atan on [0, 1]: two half-angle steps bring x below tan(pi/16), then a short series.
inline double atanUnit(double x) {
    for (int i = 0; i < 2; ++i) x = x / (1 + std::sqrt(1 + x * x));
    const double x2 = x * x;
    double term = x, sum = x;
    for (int n = 1; n <= 14; ++n) {
        term *= -x2;
        sum += term / (2 * n + 1);
    }
    return 4 * sum;
}

} // namespace detail

inline double dsin(double x) {
    const double turns = std::floor(x / (2 * pi) + 0.5);
    x -= turns * 2 * pi; // now in [-pi, pi]
    const double q = std::floor(x / (pi / 2) + 0.5);
    const double r = x - q * (pi / 2);
    switch ((static_cast<int>(q) + 4) % 4) {
    case 0:
        return detail::sinSeries(r);
    case 1:
        return detail::cosSeries(r);
    case 2:
        return -detail::sinSeries(r);
    default:
        return -detail::cosSeries(r);
    }
}

inline double dcos(double x) {
    return dsin(x + pi / 2);
}

// Angle of (x, y) in (-pi, pi], as atan2(y, x).
inline double datan2(double y, double x) {
    const double ax = std::fabs(x), ay = std::fabs(y);
    if (ax == 0 && ay == 0) return 0;
    double a = ay <= ax ? detail::atanUnit(ay / ax) : pi / 2 - detail::atanUnit(ax / ay);
    if (x < 0) a = pi - a;
    return y < 0 ? -a : a;
}

inline double clamp01(double v) {
    return v < 0 ? 0 : v > 1 ? 1 : v;
}

inline double mix(double a, double b, double t) {
    return a + (b - a) * t;
}

inline double smoothstep(double edge0, double edge1, double v) {
    const double t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

} // namespace art
