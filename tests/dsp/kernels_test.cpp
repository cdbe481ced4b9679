// The kernels against straightforward models of their arithmetic (wide integers, explicit range
// checks) over every member of every table, plus the worked edge cases.
#include "support/signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int32_t MIN = INT32_MIN, MAX = INT32_MAX;

int32_t wrap(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

int32_t clamp32(int64_t v) {
    return v > MAX ? MAX : v < MIN ? MIN : static_cast<int32_t>(v);
}

// The mode's formula taken exactly, then brought into 32 bits by `fit`: wrap for most families,
// clamp32 for the two-pole section.
int32_t modeModel(int mode, int32_t d, int32_t v, int32_t (*fit)(int64_t) = wrap) {
    switch (mode) {
    case VX_MODE_SET:
        return v;
    case VX_MODE_ADD:
        return fit(int64_t{d} + v);
    case VX_MODE_SUB:
        return fit(int64_t{d} - v);
    case VX_MODE_STN:
        return fit(-int64_t{v});
    case VX_MODE_ADN:
        return fit(-(int64_t{d} + v));
    default:
        return fit(int64_t{v} - d);
    }
}

// b + floor(d a / 2^32 + (a mod 2) / 2) for the whole difference d = x - b, which may take 33
// bits: d a is split at 2^32 so that every product fits in 64 bits. The result lies between b
// and x.
int32_t onepoleModel(int32_t b, int32_t x, uint32_t a) {
    const int64_t d = int64_t{x} - b;
    const int64_t high = d >> 32;
    const uint64_t low = static_cast<uint32_t>(d);
    const int64_t step = high * a + static_cast<int64_t>((low * a + (uint64_t{a & 1} << 31)) >> 32);
    const int64_t next = b + step;
    EXPECT_TRUE(next >= std::min(b, x) && next <= std::max(b, x)) << b << " toward " << x;
    return static_cast<int32_t>(next);
}

int32_t mulModel(int32_t a, int32_t b) {
    const int64_t p = int64_t{a} * b;
    const int64_t limit = int64_t{1} << 55;
    return p >= limit ? MAX : p < -limit ? MIN : static_cast<int32_t>(p >> 24);
}

int32_t divModel(int32_t a, int32_t b, bool zeroIsNegative) {
    const bool negA = zeroIsNegative ? a <= 0 : a < 0;
    const bool negB = zeroIsNegative ? b <= 0 : b < 0;
    const int64_t A = (a < 0 ? -int64_t{a} : a) + 1, B = (b < 0 ? -int64_t{b} : b) + 1;
    const int64_t q = (A << 24) / B;
    if (negA != negB) return q > MAX ? MIN : static_cast<int32_t>(-q);
    return q > MAX ? MAX : static_cast<int32_t>(q);
}

int32_t operModel(int oper, int32_t a, int32_t b) {
    switch (oper) {
    case VX_OPER_ADD:
        return clamp32(int64_t{a} + b);
    case VX_OPER_SUB:
        return wrap(int64_t{a} - b);
    case VX_OPER_MUL:
        return mulModel(a, b);
    default:
        return divModel(a, b, false);
    }
}

int32_t koefModel(int oper, int32_t x, int32_t k) {
    switch (oper) {
    case VX_OPER_ADD:
        return wrap(int64_t{x} + k);
    case VX_OPER_SUB:
        return wrap(int64_t{x} - k);
    case VX_OPER_MUL:
        return mulModel(x, k);
    default:
        return divModel(x, k, true);
    }
}

// (a c) >> 31 without losing a bit: a is a sample or the difference of two.
int64_t mul31(int64_t a, int32_t c) {
    return (a * c) >> 31;
}

// Full-range noise with the values that sit at the edges of every operation mixed in.
std::vector<int32_t> testSignal(size_t n, uint32_t seed) {
    static const int32_t edges[] = {0,
                                    1,
                                    -1,
                                    MAX,
                                    MIN,
                                    MAX - 1,
                                    MIN + 1,
                                    0x01000000,
                                    -0x01000000,
                                    0x40000000,
                                    -0x40000000,
                                    127,
                                    128,
                                    0x00FFFFFF,
                                    -5};
    IntegerNoise noise(seed);
    std::vector<int32_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        const uint32_t pick = noise.nextBits();
        if (pick % 4 == 0)
            v[i] = edges[pick / 4 % std::size(edges)];
        else if (pick % 4 == 1)
            v[i] = noise.next(1 << 26); // x.24 values of moderate size
        else
            v[i] = static_cast<int32_t>(noise.nextBits());
    }
    return v;
}

const int blockSizes[] = {1, 3, 64, 509};

TEST(Kernels, OnePoleMatchesItsSignedForm) {
    const uint32_t coefficients[] = {0, 1, 2, 535616699, 12203807, 2434866390u, 0xFFFFFFFFu};
    for (int n : blockSizes) {
        const auto x = testSignal(n, 11u + n);
        for (uint32_t a : coefficients) {
            for (int mode = 0; mode < VX_MODE_COUNT; ++mode) {
                std::vector<int32_t> dst = testSignal(n + 1, 99), expected = dst;
                int32_t state = -12345, b = state;
                for (int i = 0; i < n; ++i) {
                    b = onepoleModel(b, x[i], a);
                    expected[i] = modeModel(mode, expected[i], b);
                }
                VX_kern_lopass1[mode](x.data(), dst.data(), n, &a, &state);
                ASSERT_EQ(dst, expected) << "low-pass mode " << mode << " a " << a << " n " << n;
                EXPECT_EQ(state, b);
            }
            std::vector<int32_t> dst(n + 1, 777), expected(n + 1, 777);
            int32_t state = 99, b = state;
            for (int i = 0; i < n; ++i) {
                b = onepoleModel(b, x[i], a);
                expected[i] = clamp32(int64_t{x[i]} - b);
            }
            VX_kern_hipass1(x.data(), dst.data(), n, a, &state);
            ASSERT_EQ(dst, expected) << "high-pass a " << a << " n " << n; // last one untouched
            EXPECT_EQ(state, b);
        }
    }
}

TEST(Kernels, OnePoleFixedPoints) {
    // a = 0 never moves the state; x = b leaves it for odd and even a alike.
    for (uint32_t a : {0u, 1u, 2u, 535616699u, 2434866390u, 0xFFFFFFFFu}) {
        const int32_t x[1] = {MAX};
        int32_t out[1], b = MAX;
        VX_kern_hipass1(x, out, 1, a, &b);
        EXPECT_EQ(b, MAX);
        EXPECT_EQ(out[0], 0);
    }
    const int32_t x[2] = {1000000, MIN};
    int32_t out[2], b = 5;
    const uint32_t zero = 0;
    VX_kern_lopass1[VX_MODE_SET](x, out, 2, &zero, &b);
    EXPECT_EQ(b, 5);
    EXPECT_EQ(out[1], 5);
    // Rounding of a one-unit difference: even a truncates, odd a rounds half up.
    b = 0;
    const int32_t one[1] = {1};
    VX_kern_hipass1(one, out, 1, 0x80000000u, &b); // half of 1: floor(0.5) = 0
    EXPECT_EQ(b, 0);
    VX_kern_hipass1(one, out, 1, 0x80000001u, &b); // just above half, plus the rounding half
    EXPECT_EQ(b, 1);
}

TEST(Kernels, OnePoleConvergesLikeAnRcFilter) {
    // A constant input: the high-pass output decays by (1 - a / 2^32) per sample, and the
    // low-pass comes to rest where a step would round to nothing: within 1 / (2 alpha) units
    // (4 for alpha = 0.1247), from below.
    const uint32_t a = 535616699;
    std::vector<int32_t> x(600, 1 << 28), low(600), high(600);
    int32_t b1 = 0, b2 = 0;
    VX_kern_lopass1[VX_MODE_SET](x.data(), low.data(), 600, &a, &b1);
    VX_kern_hipass1(x.data(), high.data(), 600, a, &b2);
    EXPECT_EQ(low[599], (1 << 28) - 4);
    EXPECT_EQ(low[598], low[599]);
    const double ratio = 1.0 - a / 4294967296.0;
    for (int i : {1, 10, 30}) EXPECT_NEAR(double(high[i]) / high[i - 1], ratio, 2e-6) << i;
}

TEST(Kernels, StridedCopyOverEveryModeAndStep) {
    const int32_t steps[][2] = {{1, 1}, {2, 1}, {1, 2}, {0, 1}, {1, 0}, {3, -2}, {-1, 1}};
    for (int n : blockSizes) {
        for (const auto& st : steps) {
            const int is = st[0], os = st[1];
            // The arrays are centred so that negative steps stay inside them.
            const size_t span = 3 * static_cast<size_t>(n) + 8;
            const auto src = testSignal(2 * span, 5);
            for (int mode = 0; mode < VX_MODE_COUNT; ++mode) {
                std::vector<int32_t> dst = testSignal(2 * span, 6), expected = dst;
                for (int i = 0; i < n; ++i) {
                    int32_t& d = expected[span + static_cast<ptrdiff_t>(i) * os];
                    d = modeModel(mode, d, src[span + static_cast<ptrdiff_t>(i) * is]);
                }
                VX_kern_copy[mode](src.data() + span, dst.data() + span, n, is, os);
                ASSERT_EQ(dst, expected) << "mode " << mode << " steps " << is << "," << os;
            }
        }
    }
}

TEST(Kernels, CopyOntoItself) {
    const auto original = testSignal(64, 3);
    auto set = original, add = original, sbn = original;
    VX_kern_copy[VX_MODE_SET](set.data(), set.data(), 64, 1, 1);
    VX_kern_copy[VX_MODE_ADD](add.data(), add.data(), 64, 1, 1);
    VX_kern_copy[VX_MODE_SBN](sbn.data(), sbn.data(), 64, 1, 1);
    EXPECT_EQ(set, original);
    for (size_t i = 0; i < 64; ++i) {
        EXPECT_EQ(add[i], wrap(2 * int64_t{original[i]}));
        EXPECT_EQ(sbn[i], 0);
    }
    // Overlapping by one sample: each read sees the sample written just before.
    std::vector<int32_t> shift = {1, 2, 3, 4, 5};
    VX_kern_copy[VX_MODE_SET](shift.data(), shift.data() + 1, 4, 1, 1);
    EXPECT_EQ(shift, (std::vector<int32_t>{1, 1, 1, 1, 1}));
}

TEST(Kernels, TwoInputAndConstantOperationsOverEveryMember) {
    for (int n : blockSizes) {
        const auto a = testSignal(n, 21u + n), b = testSignal(n, 37u + n);
        for (int oper = 0; oper < VX_OPER_COUNT; ++oper) {
            for (int mode = 0; mode < VX_MODE_COUNT; ++mode) {
                const int entry = oper * VX_MODE_COUNT + mode;
                std::vector<int32_t> dst = testSignal(n + 1, 8), expected = dst;
                for (int i = 0; i < n; ++i)
                    expected[i] = modeModel(mode, expected[i], operModel(oper, a[i], b[i]));
                VX_kern_oper[entry](a.data(), b.data(), dst.data(), n);
                ASSERT_EQ(dst, expected) << "two-input oper " << oper << " mode " << mode;

                for (int32_t k : {0, 1, -1, 0x01000000, 16909320, MAX, MIN, b[0]}) {
                    std::vector<int32_t> out = testSignal(n + 1, 9), want = out;
                    for (int i = 0; i < n; ++i)
                        want[i] = modeModel(mode, want[i], koefModel(oper, a[i], k));
                    VX_kern_koef[entry](a.data(), out.data(), n, k);
                    ASSERT_EQ(out, want)
                        << "constant oper " << oper << " mode " << mode << " k " << k;
                }
            }
        }
    }
}

int32_t oper1(int oper, int32_t a, int32_t b) {
    int32_t out = 0;
    VX_kern_oper[oper * VX_MODE_COUNT](&a, &b, &out, 1);
    return out;
}

int32_t koef1(int oper, int32_t x, int32_t k) {
    int32_t out = 0;
    VX_kern_koef[oper * VX_MODE_COUNT](&x, &out, 1, k);
    return out;
}

TEST(Kernels, SaturationAndWrapEdges) {
    EXPECT_EQ(oper1(VX_OPER_ADD, MAX, 1), MAX);
    EXPECT_EQ(oper1(VX_OPER_ADD, MIN, -1), MIN);
    EXPECT_EQ(oper1(VX_OPER_ADD, MIN, MIN), MIN);
    EXPECT_EQ(oper1(VX_OPER_ADD, MAX, MIN), -1);
    EXPECT_EQ(oper1(VX_OPER_SUB, MIN, 1), MAX); // wraps
    EXPECT_EQ(koef1(VX_OPER_ADD, MAX, 1), MIN); // the constant add wraps too

    EXPECT_EQ(oper1(VX_OPER_MUL, 0x01000000, 0x01000000), 0x01000000);
    EXPECT_EQ(oper1(VX_OPER_MUL, 0x40000000, 0x40000000), MAX);
    EXPECT_EQ(oper1(VX_OPER_MUL, -0x40000000, 0x40000000), MIN);
    EXPECT_EQ(oper1(VX_OPER_MUL, -1, 1), -1); // the shift rounds toward minus infinity
    EXPECT_EQ(oper1(VX_OPER_MUL, MIN, MIN), MAX);

    EXPECT_EQ(oper1(VX_OPER_DIV, 0, 0), 0x01000000);
    EXPECT_EQ(oper1(VX_OPER_DIV, 0x00FFFFFF, 0x00FFFFFF), 0x01000000);
    EXPECT_EQ(oper1(VX_OPER_DIV, MAX, 0), MAX);
    EXPECT_EQ(oper1(VX_OPER_DIV, -5, 0), -(6 << 24));
    EXPECT_EQ(oper1(VX_OPER_DIV, 1, MAX), 0);
    EXPECT_EQ(oper1(VX_OPER_DIV, MAX, MAX), 0x01000000);
    EXPECT_EQ(oper1(VX_OPER_DIV, MIN, MIN), 0x01000000);
    EXPECT_EQ(oper1(VX_OPER_DIV, MIN, 1), MIN);
    EXPECT_EQ(oper1(VX_OPER_DIV, 126, 0), 127 << 24); // the largest that fits
    EXPECT_EQ(oper1(VX_OPER_DIV, 127, 0), MAX);

    // The constant divide counts a zero operand as negative.
    EXPECT_EQ(koef1(VX_OPER_DIV, 0, 0x01000000), 0);
    EXPECT_EQ(koef1(VX_OPER_DIV, 0, 100), -(0x01000000 / 101));
    EXPECT_EQ(koef1(VX_OPER_DIV, 5, 0), -(6 << 24));
    EXPECT_EQ(koef1(VX_OPER_DIV, 127, 0), MIN);
    EXPECT_EQ(koef1(VX_OPER_DIV, 0, 0), 0x01000000); // two flips cancel
    EXPECT_EQ(koef1(VX_OPER_DIV, -5, -1), 3 << 24);
}

TEST(Kernels, TwoPoleMatchesItsDifferenceEquation) {
    const int32_t coefficientSets[][3] = {
        {0, 0, 0}, {163174, 285614, 142807}, {MAX, MIN, MAX}, {-1, 1, 0x40000000}};
    for (int n : blockSizes) {
        const auto x = testSignal(n, 77u + n);
        for (const auto& c : coefficientSets) {
            for (int mode = 0; mode < VX_MODE_COUNT; ++mode) {
                std::vector<int32_t> dst = testSignal(n + 1, 4), expected = dst;
                int32_t x1 = 3, x2 = -7, y1 = 1 << 20, y2 = MIN;
                int64_t mx1 = x1, mx2 = x2, my1 = y1, my2 = y2;
                for (int i = 0; i < n; ++i) {
                    const int64_t y = clamp32(mul31(x[i] - mx2, c[2]) - my2 + mul31(my2, c[1]) +
                                              2 * my1 - 2 * mul31(my1, c[0]));
                    expected[i] = modeModel(mode, expected[i], static_cast<int32_t>(y), clamp32);
                    mx2 = mx1;
                    mx1 = x[i];
                    my2 = my1;
                    my1 = y;
                }
                EXPECT_EQ(VX_kern_bapass[mode](
                              x.data(), dst.data(), n, c[0], c[1], c[2], &x1, &x2, &y1, &y2),
                          0);
                ASSERT_EQ(dst, expected) << "mode " << mode << " n " << n;
                EXPECT_EQ((std::vector<int64_t>{x1, x2, y1, y2}),
                          (std::vector<int64_t>{mx1, mx2, my1, my2}));
            }
        }
    }
}

// A full-scale edge overshoots past the 32-bit range in both recursions and in the section's
// write; each stops at the end of the range with the right sign instead of wrapping to the
// other one, which the recursions would then sustain.
TEST(Kernels, OvershootSaturatesWithTheRightSign) {
    // One-pole at rest at -2^30 meets +2^30: the difference 2^31 moves the state up.
    const uint32_t slow = 12203807; // 20 Hz at 44100 Hz
    const int32_t up[1] = {1 << 30};
    int32_t out[1], b = -(1 << 30);
    VX_kern_hipass1(up, out, 1, slow, &b);
    EXPECT_GT(b, -(1 << 30));
    EXPECT_EQ(out[0], clamp32(int64_t{1 << 30} - b));
    b = MIN; // the widest difference there is
    const int32_t top[1] = {MAX};
    VX_kern_hipass1(top, out, 1, 0, &b);
    EXPECT_EQ(b, MIN);
    EXPECT_EQ(out[0], MAX);
    b = MIN;
    VX_kern_lopass1[VX_MODE_SET](top, out, 1, &slow, &b);
    EXPECT_GT(b, MIN);

    // Two-pole: x - x2 = 2^31 with the band-pass of the plug-in at 20 Hz gives a small positive
    // y; with a large y1 the sum passes 2^31 and stops there.
    const int32_t c0 = 3064374, c1 = 6111336, c2 = 3055668; // 20 Hz, q .618, 44100 Hz
    int32_t x1 = 0, x2 = -(1 << 30), y1 = 0, y2 = 0, y[1];
    VX_kern_bapass[VX_MODE_SET](up, y, 1, c0, c1, c2, &x1, &x2, &y1, &y2);
    EXPECT_EQ(y[0], c2); // wrapping would have given -c2
    x1 = 0, x2 = 0, y1 = MAX, y2 = 0;
    VX_kern_bapass[VX_MODE_SET](up, y, 1, 0, 0, 0, &x1, &x2, &y1, &y2);
    EXPECT_EQ(y[0], MAX);
    EXPECT_EQ(y1, MAX); // the state carries the saturated value
    // "sub" of a positive value from a sample near the bottom stays at the bottom.
    int32_t d[1] = {MIN + 5};
    x1 = 0, x2 = 0, y1 = 1000, y2 = 0;
    VX_kern_bapass[VX_MODE_SUB](up, d, 1, 0, 0, 0, &x1, &x2, &y1, &y2);
    EXPECT_EQ(d[0], MIN);
}

TEST(Kernels, TwoPoleWithZeroCoefficientsExtrapolates) {
    // Without coefficients the section outputs 2 y1 - y2: silent from rest, a line otherwise.
    const int32_t x[3] = {1000, -1000, 5};
    int32_t out[3], x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    VX_kern_bapass[VX_MODE_SET](x, out, 3, 0, 0, 0, &x1, &x2, &y1, &y2);
    EXPECT_EQ(out[0] | out[1] | out[2], 0);
    y1 = 20;
    y2 = 10;
    VX_kern_bapass[VX_MODE_SET](x, out, 3, 0, 0, 0, &x1, &x2, &y1, &y2);
    EXPECT_EQ(out[2], 50);
}

TEST(Kernels, FadesWeighFromOneArrayToTheOther) {
    for (int n : {1, 2, 512, 65536}) {
        std::vector<int32_t> main(n, MAX), shadow(n, MIN);
        VX_kern_fade_to_main(main.data(), shadow.data(), n); // starts at shadow
        EXPECT_EQ(main[0], MIN);
        // k = n - 1: (n-1)/n of main and 1/n of shadow.
        const int64_t last = ((int64_t{n} - 1) * MAX + int64_t{MIN}) / n;
        EXPECT_EQ(main[n - 1], last) << n;
        std::vector<int32_t> m2(n, MAX), s2(n, MIN);
        VX_kern_fade_to_shadow(m2.data(), s2.data(), n); // starts at main
        EXPECT_EQ(m2[0], MAX);
        EXPECT_EQ(m2[n - 1], ((int64_t{n} - 1) * MIN + int64_t{MAX}) / n) << n;
    }
    // Truncation toward zero, also for negative sums.
    int32_t m[4] = {0, 0, 0, 0};
    const int32_t s[4] = {-3, -3, -3, -3};
    VX_kern_fade_to_main(m, s, 4); // (4-k) * -3 / 4: -3, -2 (-2.25), -1 (-1.5), 0 (-0.75)
    EXPECT_EQ((std::vector<int32_t>(m, m + 4)), (std::vector<int32_t>{-3, -2, -1, 0}));
}

} // namespace
