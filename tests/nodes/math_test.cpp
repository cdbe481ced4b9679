// The elementary functions that give the same bits on every target: their accuracy against
// the C runtime's, and the rounding they rely on.

// The nodes' private arithmetic, tested directly.
#include "VX/Nodes/VX_node_math.h"
#include "VX/VX_numeric.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(NodeMath, SineCosineAndExponentialAreAccurate) {
    VX_Fpu_Extended extended;
    // Within a unit of the last place of double.
    for (double x = -40.0; x < 40.0; x += 0.0137) {
        ASSERT_NEAR(static_cast<double>(VX_sin_ext(x)), std::sin(x), 2.3e-16) << x;
        ASSERT_NEAR(static_cast<double>(VX_cos_ext(x)), std::cos(x), 2.3e-16) << x;
    }
    for (double x = -700.0; x < 700.0; x += 0.731) {
        const double expected = std::exp(x);
        ASSERT_NEAR(static_cast<double>(VX_exp_ext(x)) / expected, 1.0, 2.3e-16) << x;
    }
    // Exact points and the ends of the range.
    EXPECT_EQ(VX_sin_ext(0.0L), 0.0L);
    EXPECT_EQ(VX_cos_ext(0.0L), 1.0L);
    EXPECT_EQ(static_cast<double>(VX_sin_ext(VX_PI_EXT / 2)), 1.0);
    EXPECT_EQ(VX_exp_ext(0.0L), 1.0L);
    EXPECT_EQ(VX_exp_ext(-20000.0L), 0.0L);
    EXPECT_TRUE(std::isinf(VX_exp_ext(20000.0L)));
    EXPECT_TRUE(std::isnan(VX_sin_ext(INFINITY)));
    // 2^25 e^-1 truncated, the envelope generator's worked sample.
    EXPECT_EQ(static_cast<int32_t>(33554432.0 * static_cast<double>(VX_exp_ext(-1.0L))), 12343985);
}

TEST(NodeMath, RoundsHalvesToEven) {
    VX_Fpu_Extended extended;
    EXPECT_EQ(VX_round_ext(2.5L), 2.0L);
    EXPECT_EQ(VX_round_ext(3.5L), 4.0L);
    EXPECT_EQ(VX_round_ext(-2.5L), -2.0L);
    EXPECT_EQ(VX_round_ext(-0.4999L), 0.0L);
    EXPECT_EQ(VX_round_ext(1e15L + 0.5L), 1e15L);
    EXPECT_EQ(VX_round_ext(0x1p63L), 0x1p63L); // too big to need it: as it is
}

} // namespace
