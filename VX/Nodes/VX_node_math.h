// Elementary functions that give the same bits on every target. The C runtimes of the targets
// (glibc, msvcrt, the mingw library) compute sin, cos and exp differently, and a last-bit
// difference can move a truncated sample by one. These use only the basic operations, which the
// extended-precision unit rounds the same way everywhere.
//
// Every function here computes in long double: call it inside a VX_Fpu_Extended scope.
#pragma once

// Pi to the full extended precision.
inline constexpr long double VX_PI_EXT = 0xC90FDAA22168C235p-62L;

// Sine and cosine; accurate to about one unit of the extended format for |x| below 2^30, still
// deterministic (but less accurate) beyond.
long double VX_sin_ext(long double x);
long double VX_cos_ext(long double x);

// Exponential; 0 below the smallest and infinity above the largest extended value.
long double VX_exp_ext(long double x);

// Rounds to the nearest integer, ties to even (the unit's default rounding), for |x| < 2^62;
// larger values are returned as they are. At 1.5 * 2^63 the unit of the last place is 1, so the
// addition itself rounds.
inline long double VX_round_ext(long double x) {
    constexpr long double big = 0x1.8p63L;
    if (!(x > -0x1p62L && x < 0x1p62L)) return x;
    return (x + big) - big;
}
