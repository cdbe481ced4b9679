#include "noise.h"

#include "detmath.h"

#include <cmath>

namespace art {

double hashNoise(int x, int y, std::uint32_t seed) {
    std::uint32_t h = seed * 0x9E3779B9u ^ static_cast<std::uint32_t>(x) * 0x85EBCA6Bu ^
                      static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return (h >> 8) / static_cast<double>(1u << 23) - 1;
}

double valueNoise(double x, double y, int cell, int period, std::uint32_t seed) {
    const int n = period / cell;
    const double fx = x / cell, fy = y / cell;
    const int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
    const double tx = smoothstep(0, 1, fx - ix), ty = smoothstep(0, 1, fy - iy);
    auto at = [&](int i, int j) { return hashNoise(((i % n) + n) % n, ((j % n) + n) % n, seed); };
    const double top = mix(at(ix, iy), at(ix + 1, iy), tx);
    const double bottom = mix(at(ix, iy + 1), at(ix + 1, iy + 1), tx);
    return mix(top, bottom, ty);
}

} // namespace art
