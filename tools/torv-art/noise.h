// Surface grain that repeats without a seam: every function here is periodic in x and y with the
// given period, so a picture made from it tiles.
#pragma once

#include <cstdint>

namespace art {

// Uniform in [-1, 1], a fixed function of the integer arguments.
double hashNoise(int x, int y, std::uint32_t seed);

// Smooth value noise in [-1, 1] on a lattice of `cell` pixels, repeating every `period` pixels
// (a multiple of cell).
double valueNoise(double x, double y, int cell, int period, std::uint32_t seed);

} // namespace art
